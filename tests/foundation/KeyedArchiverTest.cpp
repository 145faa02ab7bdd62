#include "Platform/foundation/KeyedArchiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <sstream>

#include "Platform/foundation/PropertyList.h"

namespace tallo {
namespace {

using PL = PropertyList;
using Uid = PropertyList::Uid;

// A message as one line of text, so a failing comparison reads at a glance.
std::string describe(const ArchiveValue& value) {
    std::ostringstream out;
    if (auto v = value.asString()) out << '"' << *v << '"';
    if (auto v = value.asData()) out << "<" << v->size() << " bytes>";
    if (auto v = value.asDate()) out << "@" << v->timeIntervalSinceReferenceDate();
    if (auto v = value.asInteger()) out << *v;
    if (auto v = value.asReal()) out << *v << "r";
    if (auto v = value.asBool()) out << (*v ? "YES" : "NO");
    if (auto v = value.asArray()) {
        out << "[";
        for (size_t i = 0; i < v->size(); ++i) out << (i ? ", " : "") << describe((*v)[i]);
        out << "]";
    }
    if (auto v = value.asDictionary()) {
        out << "{";
        bool first = true;
        for (const auto& [key, item] : *v) {
            out << (first ? "" : ", ") << key << ": " << describe(item);
            first = false;
        }
        out << "}";
    }
    return out.str();
}

PL classDescription(const std::string& name) {
    return PL(PL::Dictionary{{"$classname", PL(name)}, {"$classes", PL(PL::Array{PL(name), PL("NSObject")})}});
}

PL uids(std::initializer_list<uint64_t> indexes) {
    PL::Array list;
    for (uint64_t index : indexes) list.emplace_back(Uid{index});
    return PL(std::move(list));
}

// An archive in the platform's layout around hand-made objects.
std::vector<uint8_t> archiveOf(PL::Array objects, uint64_t root = 1) {
    PL::Dictionary archive{{"$archiver", PL("NSKeyedArchiver")},
                           {"$version", PL(100000)},
                           {"$top", PL(PL::Dictionary{{"root", PL(Uid{root})}})},
                           {"$objects", PL(std::move(objects))}};
    return PL(std::move(archive)).binaryData();
}

std::string refusal(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto result = KeyedArchiver::unarchiveObjectWithData(bytes, &error);
    if (result) return "decoded: " + describe(*result);
    return error;
}

TEST(KeyedArchiver, ASyncMessageComesBackAsTheSameDictionary) {
    ArchiveValue::Data store(70000, 0);
    const std::string header = "SQLite format 3";
    std::copy(header.begin(), header.end(), store.begin());
    store[20000] = 0xFF;
    store.back() = 0x7F;
    const Date lastSync = Date::fromReferenceDate(322'000'000.25);  // 2011-03-16 20:26:40.25 UTC
    ArchiveDictionary message{
        {"type", "getdata"},
        {"documentID", "4F2A9C1E-7B3D-4E8F-9A01-23456789ABCD"},
        {"dataFileData", store},
        {"lastSyncDate", lastSync},
        {"version", 2},
        {"balance", -1250LL},
        {"rate", 1.0837},
        {"paired", true},
        {"note", "Café – 3 €"},
        {"list", ArchiveArray{1, "two", ArchiveDictionary{{"three", 3.5}, {"empty", ArchiveArray{}}}}},
    };
    std::string error;
    auto decoded = KeyedArchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(message), &error);
    ASSERT_TRUE(decoded.has_value()) << error;
    EXPECT_EQ(describe(*decoded),
              "{balance: -1250, dataFileData: <70000 bytes>, documentID: \"4F2A9C1E-7B3D-4E8F-9A01-23456789ABCD\", "
              "lastSyncDate: @3.22e+08, list: [1, \"two\", {empty: [], three: 3.5r}], note: \"Café – 3 €\", "
              "paired: YES, rate: 1.0837r, type: \"getdata\", version: 2}");
    EXPECT_TRUE(*decoded == message);
    EXPECT_EQ(*decoded->at("lastSyncDate").asDate(), lastSync);
    EXPECT_TRUE(*decoded->at("dataFileData").asData() == store);
}

TEST(KeyedArchiver, BorrowedDataArchivesLikeOwnedDataAndCanBeReadInPlace) {
    // A store file sent from a mapping and read out of the received message
    // without copies: the same archive bytes, and values that point into them.
    ArchiveValue::Data store(5000);
    for (size_t i = 0; i < store.size(); ++i) store[i] = static_cast<uint8_t>(i * 13);
    const std::vector<uint8_t> owned =
        KeyedArchiver::archivedDataWithRootObject({{"documentID", "LIB"}, {"dataFileData", store}});
    const std::vector<uint8_t> borrowed = KeyedArchiver::archivedDataWithRootObject(
        {{"documentID", "LIB"}, {"dataFileData", BorrowedData{store.data(), store.size()}}});
    EXPECT_TRUE(owned == borrowed);

    std::string error;
    auto message = KeyedArchiver::unarchiveObjectWithData(owned, &error, KeyedArchiver::DataValues::Borrowed);
    ASSERT_TRUE(message.has_value()) << error;
    const ArchiveValue& data = message->at("dataFileData");
    EXPECT_EQ(data.asData(), nullptr);
    ASSERT_TRUE(data.bytes().has_value());
    const auto* first = reinterpret_cast<const uint8_t*>(data.bytes()->data());
    EXPECT_TRUE(first >= owned.data() && first + store.size() <= owned.data() + owned.size());
    EXPECT_TRUE(std::equal(store.begin(), store.end(), first));
    EXPECT_EQ(*message->at("documentID").asString(), "LIB");
}

TEST(KeyedArchiver, AnArchiveHasThePlatformLayoutWithOneClassDescriptionPerClass) {
    ArchiveDictionary message{{"type", "ping"},
                              {"when", Date::fromReferenceDate(1.5)},
                              {"inner", ArchiveDictionary{{"n", 7}}},
                              {"list", ArchiveArray{true}}};
    std::string error;
    auto list = PropertyList::parse(KeyedArchiver::archivedDataWithRootObject(message), &error);
    ASSERT_TRUE(list.has_value()) << error;
    ASSERT_EQ(list->asDictionary()->size(), 4u);
    EXPECT_EQ(*list->at("$archiver"), PL("NSKeyedArchiver"));
    EXPECT_EQ(*list->at("$version"), PL(100000));
    EXPECT_EQ(*list->at("$top"), PL(PL::Dictionary{{"root", PL(Uid{1})}}));
    const PL::Array& objects = *list->at("$objects")->asArray();
    ASSERT_GE(objects.size(), 2u);
    EXPECT_EQ(objects[0], PL("$null"));

    // The root: a dictionary of parallel key and object references.
    const PL& root = objects[1];
    ASSERT_NE(root.at("NS.keys"), nullptr);
    ASSERT_EQ(root.at("NS.keys")->asArray()->size(), 4u);
    ASSERT_EQ(root.at("NS.objects")->asArray()->size(), 4u);
    auto object = [&](const PL& reference) -> const PL& { return objects.at(reference.asUid()->value); };
    std::map<std::string, const PL*> entries;
    for (size_t i = 0; i < 4; ++i) {
        entries[*object((*root.at("NS.keys")->asArray())[i]).asString()] = &object((*root.at("NS.objects")->asArray())[i]);
    }
    EXPECT_EQ(*entries["type"], PL("ping"));
    EXPECT_EQ(*entries["when"]->at("NS.time"), PL(1.5));
    EXPECT_EQ(object(entries["list"]->at("NS.objects")->asArray()->at(0)), PL(true));
    EXPECT_EQ(object(*entries["inner"]->at("$class")), classDescription("NSDictionary"));
    EXPECT_EQ(object(*entries["list"]->at("$class")), classDescription("NSArray"));
    EXPECT_EQ(object(*entries["when"]->at("$class")), classDescription("NSDate"));
    // Root and inner dictionary share the one NSDictionary description.
    EXPECT_EQ(*root.at("$class"), *entries["inner"]->at("$class"));
    int descriptions = 0;
    for (const PL& item : objects) descriptions += item.at("$classname") != nullptr;
    EXPECT_EQ(descriptions, 3);
}

TEST(KeyedArchiver, ReadsMutableClassesWrappedValuesSharedObjectsAndNil) {
    // What another writer of the layout makes of
    // {name: "Groceries", tags: ["Groceries", "Groceries"], blob: <01 00 02>,
    //  when: 2001-01-01 00:01:40, gone: nil}.
    PL::Array objects{
        PL("$null"),
        PL(PL::Dictionary{{"NS.keys", uids({2, 3, 4, 5, 6})},
                          {"NS.objects", uids({7, 8, 10, 11, 0})},
                          {"$class", PL(Uid{12})}}),
        PL("name"),
        PL("tags"),
        PL("blob"),
        PL("when"),
        PL("gone"),
        PL(PL::Dictionary{{"NS.string", PL("Groceries")}, {"$class", PL(Uid{9})}}),
        PL(PL::Dictionary{{"NS.objects", uids({7, 7, 0})}, {"$class", PL(Uid{13})}}),
        PL(PL::Dictionary{{"$classname", PL("NSMutableString")},
                          {"$classes", PL(PL::Array{PL("NSMutableString"), PL("NSString"), PL("NSObject")})}}),
        PL(PL::Dictionary{{"NS.data", PL(PL::Data{1, 0, 2})}, {"$class", PL(Uid{14})}}),
        PL(PL::Dictionary{{"NS.time", PL(100)}, {"$class", PL(Uid{15})}}),
        classDescription("NSMutableDictionary"),
        classDescription("NSMutableArray"),
        classDescription("NSMutableData"),
        classDescription("NSDate"),
    };
    std::string error;
    auto decoded = KeyedArchiver::unarchiveObjectWithData(archiveOf(std::move(objects)), &error);
    ASSERT_TRUE(decoded.has_value()) << error;
    EXPECT_EQ(describe(*decoded),
              "{blob: <3 bytes>, name: \"Groceries\", tags: [\"Groceries\", \"Groceries\"], when: @100}");
    EXPECT_EQ(*decoded->at("blob").asData(), (ArchiveValue::Data{1, 0, 2}));
}

TEST(KeyedArchiver, BrokenArchivesAreRefusedWithTheirReason) {
    auto text = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    const PL dictClass = classDescription("NSDictionary");
    const PL arrayClass = classDescription("NSArray");
    auto dict = [](PL keys, PL values, uint64_t cls) {
        return PL(PL::Dictionary{{"NS.keys", keys}, {"NS.objects", values}, {"$class", PL(Uid{cls})}});
    };

    EXPECT_EQ(refusal(text("type=getdata")), "not a property list: unreadable");
    EXPECT_EQ(refusal(std::vector<uint8_t>()), "not a property list: no data");
    EXPECT_EQ(refusal(PL(PL::Dictionary{{"type", PL("getdata")}}).binaryData()),
              "not a keyed archive: no $archiver NSKeyedArchiver");
    EXPECT_EQ(refusal(PL(PL::Dictionary{{"$archiver", PL("NSKeyedArchiver")},
                                        {"$objects", PL(PL::Array{PL("$null")})}})
                          .binaryData()),
              "not a keyed archive: no $top dictionary");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2}), uids({9}), 3), PL("k"), dictClass})),
              "damaged keyed archive: a reference to object 9 of only 4");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), PL("just text")})), "keyed archive whose root is not a dictionary");
    // An array that holds itself.
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2}), uids({4}), 3), PL("k"), dictClass,
                                 PL(PL::Dictionary{{"NS.objects", uids({4})}, {"$class", PL(Uid{5})}}), arrayClass})),
              "damaged keyed archive: object 4 contains itself");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2, 2}), uids({2}), 3), PL("k"), dictClass})),
              "damaged keyed archive: object 1 is a dictionary of 2 keys but 1 objects");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2}), uids({2}), 3), PL(17), dictClass})),
              "damaged keyed archive: object 1 has a key that is not a string");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2, 2}), uids({2, 2}), 3), PL("k"), dictClass})),
              "damaged keyed archive: object 1 has the key \"k\" twice");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2}), uids({4}), 3), PL("when"), dictClass,
                                 PL(PL::Dictionary{{"NS.time", PL("yesterday")}, {"$class", PL(Uid{5})}}),
                                 classDescription("NSDate")})),
              "damaged keyed archive: object 4 is a date whose NS.time is not a number");
    // Numbers that are not numbers carry nothing a message means.
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2}), uids({4}), 3), PL("version"), dictClass,
                                 PL(std::nan(""))})),
              "damaged keyed archive: object 4 is a real that is not a number");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2}), uids({4}), 3), PL("when"), dictClass,
                                 PL(PL::Dictionary{{"NS.time", PL(HUGE_VAL)}, {"$class", PL(Uid{5})}}),
                                 classDescription("NSDate")})),
              "damaged keyed archive: object 4 is a date whose NS.time is not finite");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2}), uids({4}), 3), PL("k"), dictClass,
                                 PL(PL::Dictionary{{"NS.objects", uids({})}, {"$class", PL(Uid{5})}}),
                                 classDescription("NSURL")})),
              "damaged keyed archive: object 4 is of the unknown class NSURL");
    EXPECT_EQ(refusal(archiveOf({PL("$null"), dict(uids({2}), uids({2}), 0), PL("k")})),
              "damaged keyed archive: object 1 has a $class that is not a class description");
}

TEST(KeyedArchiver, ArraysTenThousandDeepAreRefusedWithoutExhaustingTheStack) {
    // Object 4 + i is an array holding object 5 + i: a flat property list
    // describing arrays nested 10,000 deep.
    const int depth = 10000;
    PL::Array objects{PL("$null"),
                      PL(PL::Dictionary{{"NS.keys", uids({2})}, {"NS.objects", uids({4})}, {"$class", PL(Uid{3})}}),
                      PL("deep"), classDescription("NSDictionary")};
    uint64_t arrayClass = 4 + depth;
    for (int i = 0; i < depth; ++i) {
        PL items = i + 1 < depth ? uids({static_cast<uint64_t>(5 + i)}) : uids({});
        objects.emplace_back(PL::Dictionary{{"NS.objects", items}, {"$class", PL(Uid{arrayClass})}});
    }
    objects.push_back(classDescription("NSArray"));
    EXPECT_EQ(refusal(archiveOf(std::move(objects))), "damaged keyed archive: nested deeper than 256 levels");
}

TEST(KeyedArchiver, SharedObjectsThatWouldExpandToGigabytesAreRefused) {
    // Each of 40 arrays holds the next one twice, the last holds 1 KiB of
    // data: a small archive whose tree would hold 2^40 KiB.
    PL::Array objects{PL("$null"),
                      PL(PL::Dictionary{{"NS.keys", uids({2})}, {"NS.objects", uids({5})}, {"$class", PL(Uid{3})}}),
                      PL("bomb"), classDescription("NSDictionary"), classDescription("NSArray")};
    for (uint64_t i = 0; i < 40; ++i) {
        objects.emplace_back(PL::Dictionary{{"NS.objects", uids({6 + i, 6 + i})}, {"$class", PL(Uid{4})}});
    }
    objects.emplace_back(PL::Data(1024, 0xAB));
    EXPECT_EQ(refusal(archiveOf(std::move(objects))), "damaged keyed archive: shared objects expand past 64 MiB");
}

}  // namespace
}  // namespace tallo
