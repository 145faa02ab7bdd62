#include "Platform/foundation/DataCompression.h"

#include <gtest/gtest.h>

#include <string>

namespace tallo {
namespace {

using Data = DataCompression::Data;

// Bytes shaped like a store file: a header, 4 KiB pages of short records
// with names and amounts, and the zero filling of partly used pages.
Data storeLikeBytes(size_t size) {
    Data bytes(size, 0);
    const std::string header = "SQLite format 3";
    std::copy(header.begin(), header.end(), bytes.begin());
    size_t record = 0;
    for (size_t page = 4096; page + 4096 <= size; page += 4096) {
        size_t at = page + 8;
        for (int i = 0; i < 40; ++i, ++record) {
            std::string row = "Groceries|" + std::to_string(record % 97) + "." + std::to_string(record % 100) +
                              "|2011-03-" + std::to_string(10 + record % 20) + "|EUR";
            std::copy(row.begin(), row.end(), bytes.begin() + static_cast<long>(at));
            at += row.size() + 20;  // leave some zeros between rows
        }
    }
    return bytes;
}

Data withHeader(uint32_t declared, const Data& stream) {
    Data bytes{static_cast<uint8_t>(declared), static_cast<uint8_t>(declared >> 8),
               static_cast<uint8_t>(declared >> 16), static_cast<uint8_t>(declared >> 24)};
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return bytes;
}

TEST(DataCompression, AStoreFileOfOneMebibyteComesBackByteForByteAndSmaller) {
    Data store = storeLikeBytes(1 << 20);
    auto packed = DataCompression::compressedData(store);
    ASSERT_TRUE(packed.has_value());
    EXPECT_LT(packed->size(), store.size() / 4);
    auto unpacked = DataCompression::uncompressedData(*packed);
    ASSERT_TRUE(unpacked.has_value());
    EXPECT_TRUE(*unpacked == store);
}

TEST(DataCompression, TheFirstFourBytesAreTheSourceLengthLittleEndianThenAZlibStream) {
    Data thousand(1000, 'a');
    auto packed = DataCompression::compressedData(thousand);
    ASSERT_TRUE(packed.has_value());
    ASSERT_GT(packed->size(), 6u);
    EXPECT_EQ((*packed)[0], 0xE8);
    EXPECT_EQ((*packed)[1], 0x03);
    EXPECT_EQ((*packed)[2], 0x00);
    EXPECT_EQ((*packed)[3], 0x00);
    EXPECT_EQ((*packed)[4], 0x78);  // zlib stream: deflate with a 32 KiB window

    Data big(70000, 'b');
    auto packedBig = DataCompression::compressedData(big);
    ASSERT_TRUE(packedBig.has_value());
    // 70000 = 0x00011170
    EXPECT_EQ(Data(packedBig->begin(), packedBig->begin() + 4), (Data{0x70, 0x11, 0x01, 0x00}));
}

TEST(DataCompression, LevelsOutsideZeroToNineAreClampedAndFourIsTheDefault) {
    Data store = storeLikeBytes(64 * 1024);
    auto stored = DataCompression::compressedDataWithLevel(store, 0);
    auto smallest = DataCompression::compressedDataWithLevel(store, 9);
    ASSERT_TRUE(stored && smallest);
    // Level 0 stores the bytes: longer than the source; level 9 packs them.
    EXPECT_GT(stored->size(), store.size());
    EXPECT_LT(smallest->size(), store.size() / 4);

    EXPECT_EQ(DataCompression::compressedDataWithLevel(store, -5), stored);
    EXPECT_EQ(DataCompression::compressedDataWithLevel(store, 42), smallest);
    EXPECT_EQ(DataCompression::compressedData(store), DataCompression::compressedDataWithLevel(store, 4));
    // -1 is zlib's own default (level 6), not clamped to 0.
    EXPECT_EQ(DataCompression::compressedDataWithLevel(store, -1), DataCompression::compressedDataWithLevel(store, 6));
    EXPECT_NE(DataCompression::compressedDataWithLevel(store, -1), stored);
}

TEST(DataCompression, EmptyBytesCompressToAHeaderOfZeroAndComeBackEmpty) {
    auto packed = DataCompression::compressedData(Data());
    ASSERT_TRUE(packed.has_value());
    ASSERT_GT(packed->size(), 4u);
    EXPECT_EQ(Data(packed->begin(), packed->begin() + 4), (Data{0, 0, 0, 0}));
    auto unpacked = DataCompression::uncompressedData(*packed);
    ASSERT_TRUE(unpacked.has_value());
    EXPECT_TRUE(unpacked->empty());
}

TEST(DataCompression, ShortDamagedAndLyingInputsAreRefused) {
    Data source = storeLikeBytes(16 * 1024);
    Data packed = *DataCompression::compressedData(source);
    Data stream(packed.begin() + 4, packed.end());

    EXPECT_FALSE(DataCompression::uncompressedData(Data()));
    EXPECT_FALSE(DataCompression::uncompressedData(Data{0x00, 0x40, 0x00, 0x00}));  // a header alone
    Data truncated(packed.begin(), packed.end() - 10);
    EXPECT_FALSE(DataCompression::uncompressedData(truncated));
    Data garbage = withHeader(100, Data{'n', 'o', 't', ' ', 'z', 'l', 'i', 'b'});
    EXPECT_FALSE(DataCompression::uncompressedData(garbage));
    // The header says 1000 bytes, the stream holds 16 KiB.
    EXPECT_FALSE(DataCompression::uncompressedData(withHeader(1000, stream)));
    // A header past the 1 GiB limit is refused before anything is allocated.
    EXPECT_FALSE(DataCompression::uncompressedData(withHeader(0xFFFFFFFF, stream)));
    EXPECT_FALSE(DataCompression::uncompressedData(withHeader((1u << 30) + 1, stream)));
}

TEST(DataCompression, AHeaderLongerThanTheStreamGivesWhatTheStreamHolds) {
    Data source = storeLikeBytes(16 * 1024);
    Data stream = *DataCompression::compressedData(source);
    stream.erase(stream.begin(), stream.begin() + 4);
    for (uint32_t declared : {16u * 1024 + 1, 1u << 30}) {
        auto unpacked = DataCompression::uncompressedData(withHeader(declared, stream));
        ASSERT_TRUE(unpacked.has_value()) << declared;
        EXPECT_TRUE(*unpacked == source) << declared;
    }
}

TEST(DataCompression, InPlaceOperationsReplaceOnSuccessAndKeepTheBytesOnFailure) {
    Data bytes = storeLikeBytes(32 * 1024);
    const Data original = bytes;
    ASSERT_TRUE(DataCompression::compress(bytes));
    EXPECT_EQ(bytes, DataCompression::compressedData(original));
    ASSERT_TRUE(DataCompression::uncompress(bytes));
    EXPECT_TRUE(bytes == original);

    // Not compressed: uncompress fails and the store file is untouched.
    EXPECT_FALSE(DataCompression::uncompress(bytes));
    EXPECT_TRUE(bytes == original);
    Data four{1, 2, 3, 4};
    EXPECT_FALSE(DataCompression::uncompress(four));
    EXPECT_EQ(four, (Data{1, 2, 3, 4}));
}

}  // namespace
}  // namespace tallo
