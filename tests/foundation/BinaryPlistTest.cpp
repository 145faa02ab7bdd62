// The binary property-list writer and reader behind sync messages, checked
// against libplist (through PropertyList) both ways, and against damaged
// bytes.
#include "Platform/foundation/BinaryPlistReader.h"
#include "Platform/foundation/BinaryPlistWriter.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "Platform/foundation/PropertyList.h"

namespace tallo {
namespace {

using PL = PropertyList;
using Kind = BinaryPlistReader::Kind;

// The object `ref` read back as a PropertyList, following containers.
PL readBack(const BinaryPlistReader& reader, uint64_t ref, int depth = 0) {
    BinaryPlistReader::Object object;
    std::string error;
    if (depth > 20 || !reader.object(ref, object, &error)) {
        ADD_FAILURE() << error;
        return PL();
    }
    switch (object.kind) {
        case Kind::Bool: return PL(object.boolean);
        case Kind::Integer: return PL(object.integer);
        case Kind::Real: return PL(object.real);
        case Kind::Date: return PL(Date::fromReferenceDate(object.real));
        case Kind::Data: return PL(PL::Data(object.bytes, object.bytes + object.count));
        case Kind::String: return PL(BinaryPlistReader::text(object));
        case Kind::Uid: return PL(PL::Uid{object.uid});
        case Kind::Array: {
            PL::Array items;
            for (size_t i = 0; i < object.count; ++i) items.push_back(readBack(reader, reader.itemRef(object, i), depth + 1));
            return PL(std::move(items));
        }
        case Kind::Dictionary: {
            PL::Dictionary entries;
            for (size_t i = 0; i < object.count; ++i) {
                PL key = readBack(reader, reader.itemRef(object, i), depth + 1);
                entries[*key.asString()] = readBack(reader, reader.valueRef(object, i), depth + 1);
            }
            return PL(std::move(entries));
        }
        case Kind::Null: break;
    }
    ADD_FAILURE() << "null object";
    return PL();
}

PL readBack(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto reader = BinaryPlistReader::open(bytes.data(), bytes.size(), &error);
    if (!reader) {
        ADD_FAILURE() << error;
        return PL();
    }
    return readBack(*reader, reader->top());
}

std::string refusal(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto reader = BinaryPlistReader::open(bytes.data(), bytes.size(), &error);
    if (!reader) return error;
    BinaryPlistReader::Object object;
    if (!reader->object(reader->top(), object, &error)) return error;
    return "read";
}

TEST(BinaryPlist, WhatTheWriterWritesLibplistReadsAsTheSameValues) {
    // Widths change at 255/256, 65535/65536 and 2^32; negative numbers take
    // 8 bytes; "Café – 3 €" and the emoji need UTF-16, the emoji a surrogate pair.
    const std::vector<long long> numbers{0, 255, 256, 65535, 65536, 4294967295LL, 4294967296LL, -1, LLONG_MIN, LLONG_MAX};
    const std::string cafe = "Café – 3 €", emoji = "Receipt 🧾", ascii = "a text longer than fifteen";
    PL::Data blob(70000);
    for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<uint8_t>(i * 7);

    BinaryPlistWriter writer;
    std::vector<BinaryPlistWriter::Ref> numberRefs;
    for (long long n : numbers) numberRefs.push_back(writer.addInteger(n));
    // 300 strings push the object count past 255: two-byte references.
    std::vector<BinaryPlistWriter::Ref> many;
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) texts.push_back("item " + std::to_string(i));
    for (const std::string& text : texts) many.push_back(writer.addString(text));
    auto top = writer.addDictionary(
        {writer.addString("numbers"), writer.addString("texts"), writer.addString("blob"), writer.addString("rate"),
         writer.addString("paired"), writer.addString("ref"), writer.addString("many")},
        {writer.addArray(numberRefs),
         writer.addArray({writer.addString(cafe), writer.addString(emoji), writer.addString(ascii), writer.addString("")}),
         writer.addData(blob.data(), blob.size()), writer.addReal(1.0837), writer.addBool(true), writer.addUid(70000),
         writer.addArray(many)});
    std::vector<uint8_t> bytes = writer.write(top, 30);
    EXPECT_GE(bytes.capacity(), bytes.size() + 30);

    PL::Array expectedNumbers;
    for (long long n : numbers) expectedNumbers.emplace_back(n);
    PL::Array expectedMany;
    for (const std::string& text : texts) expectedMany.emplace_back(text);
    PL expected(PL::Dictionary{{"numbers", PL(expectedNumbers)},
                               {"texts", PL(PL::Array{PL(cafe), PL(emoji), PL(ascii), PL("")})},
                               {"blob", PL(blob)},
                               {"rate", PL(1.0837)},
                               {"paired", PL(true)},
                               {"ref", PL(PL::Uid{70000})},
                               {"many", PL(expectedMany)}});
    std::string error;
    auto parsed = PL::parse(bytes, &error);
    ASSERT_TRUE(parsed.has_value()) << error;
    EXPECT_TRUE(*parsed == expected);
    EXPECT_TRUE(readBack(bytes) == expected);
}

TEST(BinaryPlist, WhatLibplistWritesTheReaderReadsAsTheSameValues) {
    PL::Array many;
    for (int i = 0; i < 70000; ++i) many.emplace_back(i % 3 == 0 ? PL(i) : PL("n" + std::to_string(i)));
    PL original(PL::Dictionary{{"many", PL(many)},
                               {"when", PL(Date::fromReferenceDate(322000000.25))},
                               {"note", PL("Grüße")},
                               {"big", PL(LLONG_MAX)},
                               {"small", PL(-42)},
                               {"no", PL(false)},
                               {"half", PL(0.5)},
                               {"uid", PL(PL::Uid{3})},
                               {"empty", PL(PL::Data{})}});
    EXPECT_TRUE(readBack(original.binaryData()) == original);
}

TEST(BinaryPlist, OtherWritersFormsAreRead) {
    // A 16-byte integer (written for unsigned values), a 4-byte real, a set,
    // Latin-1 bytes in a one-byte string, and an unpaired UTF-16 surrogate.
    auto build = [](std::vector<std::vector<uint8_t>> objects, uint64_t top) {
        std::vector<uint8_t> bytes{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
        std::vector<uint64_t> offsets;
        for (const auto& object : objects) {
            offsets.push_back(bytes.size());
            bytes.insert(bytes.end(), object.begin(), object.end());
        }
        uint64_t table = bytes.size();
        for (uint64_t offset : offsets) bytes.push_back(static_cast<uint8_t>(offset));
        std::vector<uint8_t> trailer(32, 0);
        trailer[6] = 1;
        trailer[7] = 1;
        trailer[15] = static_cast<uint8_t>(objects.size());
        trailer[23] = static_cast<uint8_t>(top);
        trailer[31] = static_cast<uint8_t>(table);
        bytes.insert(bytes.end(), trailer.begin(), trailer.end());
        return bytes;
    };
    std::vector<std::vector<uint8_t>> objects{
        {0xC4, 1, 2, 3, 4},                                                  // set of objects 1–4
        {0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x00},         // 256 in 16 bytes
        {0x22, 0x3F, 0xC0, 0x00, 0x00},                                      // 1.5 as a float
        {0x53, 'C', 'a', 0xE9},                                              // "Caé" in Latin-1
        {0x62, 0xD8, 0x3D, 0x00, 0x41},                                      // a lone high surrogate, "A"
    };
    EXPECT_TRUE(readBack(build(objects, 0)) == PL(PL::Array{PL(256), PL(1.5), PL("Caé"), PL("\xEF\xBF\xBD" "A")}));

    // An unsigned value past the signed range cannot be an integer here.
    objects[1] = {0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(refusal(build(objects, 1)), "damaged binary property list: object 1 is an integer too large");
}

TEST(BinaryPlist, DamagedBytesAreRefusedWithTheirReason) {
    BinaryPlistWriter writer;
    auto top = writer.addArray({writer.addString("a string of twenty chars"), writer.addInteger(7)});
    const std::vector<uint8_t> good = writer.write(top);
    ASSERT_EQ(refusal(good), "read");
    const size_t trailer = good.size() - 32;
    auto changed = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = good;
        bytes.at(at) = value;
        return bytes;
    };

    EXPECT_EQ(refusal({}), "not a binary property list");
    EXPECT_EQ(refusal(std::vector<uint8_t>(good.begin(), good.begin() + 39)), "not a binary property list");
    EXPECT_EQ(refusal(changed(0, 'x')), "not a binary property list");
    EXPECT_EQ(refusal(changed(trailer + 6, 0)),
              "damaged binary property list: offset or reference width outside 1 to 8 bytes");
    EXPECT_EQ(refusal(changed(trailer + 7, 9)),
              "damaged binary property list: offset or reference width outside 1 to 8 bytes");
    EXPECT_EQ(refusal(changed(trailer + 31, 0xFF)), "damaged binary property list: offset table outside the bytes");
    EXPECT_EQ(refusal(changed(trailer + 15, 200)),
              "damaged binary property list: object count does not fit the offset table");
    EXPECT_EQ(refusal(changed(trailer + 23, 3)), "damaged binary property list: top object past the last object");

    // The array (object 2) refers to object 9 of 3; its offset points into the
    // offset table; its marker is unknown; its count runs past the objects.
    const size_t table = good[trailer + 31];
    const size_t arrayAt = good[table + 2];
    std::string error;
    auto bytes = changed(arrayAt + 1, 9);
    auto reader = BinaryPlistReader::open(bytes.data(), bytes.size(), &error);
    ASSERT_TRUE(reader.has_value()) << error;
    BinaryPlistReader::Object array, item;
    ASSERT_TRUE(reader->object(2, array, &error)) << error;
    EXPECT_FALSE(reader->object(reader->itemRef(array, 0), item, &error));
    EXPECT_EQ(error, "damaged binary property list: object 9 does not exist (of 3)");
    EXPECT_EQ(refusal(changed(table + 2, static_cast<uint8_t>(table))),
              "damaged binary property list: object 2 lies outside the object area");
    EXPECT_EQ(refusal(changed(arrayAt, 0x70)), "damaged binary property list: object 2 has an unknown marker");
    EXPECT_EQ(refusal(changed(arrayAt, 0xAE)),
              "damaged binary property list: object 2 has more entries than the bytes hold");
    // The string (object 0) claims 2^62 characters after a 0x13 length marker.
    const size_t stringAt = good[table];
    auto huge = good;
    huge[stringAt + 1] = 0x13;
    huge[stringAt + 2] = 0x40;
    auto stringReader = BinaryPlistReader::open(huge.data(), huge.size(), &error);
    ASSERT_TRUE(stringReader.has_value());
    EXPECT_FALSE(stringReader->object(0, item, &error));
    EXPECT_EQ(error, "damaged binary property list: object 0 is longer than the bytes");
}

}  // namespace
}  // namespace tallo
