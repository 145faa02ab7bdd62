#include "Platform/foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <set>

#include "Platform/foundation/Bundle.h"

namespace tallo {
namespace {

std::vector<uint8_t> bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(PropertyList, TheDefaultCategoriesResourceReadsAsEntriesOfNameAndFlags) {
    auto path = Bundle::pathForResource("Default_Categories", "xml");
    ASSERT_TRUE(path.has_value());
    std::string error;
    auto list = PropertyList::readFile(*path, &error);
    ASSERT_TRUE(list.has_value()) << error;
    const PropertyList::Array* entries = list->asArray();
    ASSERT_NE(entries, nullptr);
    std::set<std::string> masters;
    size_t incomeEntries = 0;
    for (const PropertyList& entry : *entries) {
        const PropertyList::Array* pair = entry.asArray();
        ASSERT_NE(pair, nullptr);
        ASSERT_EQ(pair->size(), 2u);
        const std::string* name = (*pair)[0].asString();
        ASSERT_NE(name, nullptr);
        const PropertyList* isExpense = (*pair)[1].at("isExpense");
        const PropertyList* isIncome = (*pair)[1].at("isIncome");
        ASSERT_TRUE(isExpense && isExpense->asBool() && isIncome && isIncome->asBool()) << *name;
        if (*isIncome->asBool()) ++incomeEntries;
        if (name->find(':') == std::string::npos) {
            masters.insert(*name);
        } else {
            // Every subcategory follows its master.
            EXPECT_EQ(masters.count(name->substr(0, name->find(':'))), 1u) << *name;
        }
    }
    EXPECT_GE(masters.size(), 15u);
    EXPECT_TRUE(masters.count("Home Office"));
    EXPECT_GE(incomeEntries, 5u);
}

TEST(PropertyList, BinaryFormReadsBackTheSameTree) {
    PropertyList::Dictionary dict;
    dict["name"] = PropertyList("Café");
    dict["count"] = PropertyList(-42);
    dict["rate"] = PropertyList(1.0837);
    dict["when"] = PropertyList(Date(1300190400.5));
    dict["blob"] = PropertyList(PropertyList::Data{0, 255, 7});
    dict["ref"] = PropertyList(PropertyList::Uid{12});
    dict["flags"] = PropertyList(PropertyList::Array{PropertyList(true), PropertyList(false)});
    PropertyList tree(dict);
    std::string error;
    auto again = PropertyList::parse(tree.binaryData(), &error);
    ASSERT_TRUE(again.has_value()) << error;
    EXPECT_EQ(*again, tree);
    EXPECT_EQ(*again->at("count")->asInteger(), -42);
    EXPECT_EQ(again->at("missing"), nullptr);
}

TEST(PropertyList, BrokenInputIsRefusedWithAReason) {
    std::string error;
    EXPECT_FALSE(PropertyList::parse({}, &error).has_value());
    EXPECT_EQ(error, "not a property list: no data");
    EXPECT_FALSE(PropertyList::parse(bytes("just some text"), &error).has_value());
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(PropertyList::parse(bytes("<plist><array><string>cut"), &error).has_value());
    EXPECT_FALSE(PropertyList::parse(bytes("bplist00\x01\x02"), &error).has_value());
    EXPECT_FALSE(PropertyList::readFile("/nonexistent/file.plist", &error).has_value());
    EXPECT_EQ(error, "cannot read /nonexistent/file.plist");
}

TEST(PropertyList, TextMustBeUtf8AndMayHoldNul) {
    std::string error;
    auto withNul = PropertyList::parse(bytes("<plist><string>a&#0;b</string></plist>"), &error);
    if (withNul) {
        EXPECT_EQ(withNul->asString()->size(), 3u);  // kept whole, not cut at the NUL
    } else {
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(PropertyList::parse(bytes("<plist><string>caf\xe9</string></plist>"), &error).has_value());
    EXPECT_EQ(error, "not a property list: text that is not UTF-8");
    EXPECT_FALSE(PropertyList::parse(bytes("<plist><dict><key>\xff</key><true/></dict></plist>"), &error).has_value());
    EXPECT_EQ(error, "not a property list: a key that is not UTF-8");
    auto fine = PropertyList::parse(bytes("<plist><string>Caf\xc3\xa9 \xe2\x82\xac</string></plist>"), &error);
    ASSERT_TRUE(fine.has_value()) << error;
    EXPECT_EQ(*fine->asString(), "Café €");
}

TEST(PropertyList, ABinaryKeyWithANulIsRefusedBeforeTheLibraryMeetsIt) {
    // A dictionary whose one key is UTF-16 text "\u00e9\0": libplist would
    // end the process on it.
    const char* hex =
        "62706c6973743030d101026300e9000000781001080b120000000000000101000000000000000300000000000000000000000000000014";
    std::vector<uint8_t> data;
    for (size_t i = 0; hex[i] != 0 && hex[i + 1] != 0; i += 2) {
        data.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
    }
    std::string error;
    EXPECT_FALSE(PropertyList::parse(data, &error).has_value());
    EXPECT_EQ(error, "not a property list: text with a NUL character");
}

TEST(PropertyList, NestingBeyondTheLimitIsRefused) {
    std::string deep = "<plist>";
    for (int i = 0; i < PropertyList::kMaxDepth + 5; ++i) deep += "<array>";
    for (int i = 0; i < PropertyList::kMaxDepth + 5; ++i) deep += "</array>";
    deep += "</plist>";
    std::string error;
    EXPECT_FALSE(PropertyList::parse(bytes(deep), &error).has_value());
    EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;
}

}  // namespace
}  // namespace tallo
