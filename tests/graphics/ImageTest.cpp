#include "Platform/graphics/Image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <random>
#include <stdexcept>

namespace tallo {

void PrintTo(const Image::Pixel& p, std::ostream* out) {
    *out << "rgba(" << int(p.r) << ", " << int(p.g) << ", " << int(p.b) << ", " << int(p.a) << ")";
}

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Pixel = Image::Pixel;

constexpr Pixel kRed{220, 40, 40, 255};
constexpr Pixel kGreen{40, 180, 60, 255};
constexpr Pixel kBlue{40, 60, 220, 255};
constexpr uint8_t kIDAT[] = {'I', 'D', 'A', 'T'};

// A photo of three equal bands, side by side (or stacked when `stacked`).
Image bands(int width, int height, bool stacked = false) {
    Image photo(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int third = stacked ? y * 3 / height : x * 3 / width;
            photo.setPixel(x, y, third == 0 ? kRed : third == 1 ? kGreen : kBlue);
        }
    }
    return photo;
}

// A JPEG written by another encoder than the one that reads it, from
// `components` bytes a pixel (1 grey, 4 RGBA).
Image::Bytes jpegOf(int width, int height, int components, const uint8_t* pixels, int quality = 95) {
    Image::Bytes out;
    auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<Image::Bytes*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    stbi_write_jpg_to_func(append, &out, width, height, components, pixels, quality);
    return out;
}

Image::Bytes jpegOf(const Image& picture) {
    return jpegOf(picture.width(), picture.height(), 4, picture.pixels().data());
}

uint32_t crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xffffffff;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void putBigEndian32(Image::Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// A real PNG whose header claims another size, with a correct checksum.
Image::Bytes pngClaiming(uint32_t width, uint32_t height) {
    Image::Bytes png = Image(4, 4, kRed).encodePNG();
    putBigEndian32(png, 16, width);
    putBigEndian32(png, 20, height);
    putBigEndian32(png, 29, crc32(&png[12], 17));
    return png;
}

bool near(Pixel actual, Pixel expected, int tolerance) {
    return std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance && actual.a == expected.a;
}

TEST(Image, APictureStoredAsPNGComesBackExactly) {
    Image picture(3, 2);
    picture.setPixel(0, 0, {255, 0, 0, 255});
    picture.setPixel(1, 0, {0, 128, 255, 128});  // half transparent
    picture.setPixel(2, 0, {10, 20, 30, 0});     // transparent, with a colour
    picture.setPixel(0, 1, {1, 2, 3, 4});
    picture.setPixel(2, 1, {255, 255, 255, 255});
    Image::Bytes png = picture.encodePNG();
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(Image::Bytes(png.begin(), png.begin() + 8), (Image::Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}));
    std::string error;
    std::optional<Image> back = Image::decode(png, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back, picture);

    Image icon = bands(100, 100);
    icon.setPixel(50, 50, {7, 8, 9, 200});
    EXPECT_EQ(Image::decode(icon.encodePNG()), icon);
}

TEST(Image, AWidePhotoScaledTo100x100CoversItAndLosesItsSides) {
    // 300 × 200 shrinks to 150 × 100; 25 pixels go on each side, so the
    // 50-pixel outer bands keep 25 pixels each and the middle keeps 50.
    Image icon = bands(300, 200).scaledTo(100, 100);
    ASSERT_EQ(icon.width(), 100);
    ASSERT_EQ(icon.height(), 100);
    EXPECT_EQ(icon.pixelAt(50, 50), kGreen);
    EXPECT_EQ(icon.pixelAt(12, 50), kRed);
    EXPECT_EQ(icon.pixelAt(87, 50), kBlue);
    EXPECT_EQ(icon.pixelAt(30, 50), kGreen);  // squashed to 100 wide it would be red here
    EXPECT_EQ(icon.pixelAt(70, 50), kGreen);
    EXPECT_EQ(icon.pixelAt(50, 0), kGreen);   // no empty border above or below
    EXPECT_EQ(icon.pixelAt(50, 99), kGreen);
}

TEST(Image, ATallPhotoLosesItsTopAndBottom) {
    Image icon = bands(200, 300, /*stacked=*/true).scaledTo(100, 100);
    EXPECT_EQ(icon.pixelAt(50, 12), kRed);
    EXPECT_EQ(icon.pixelAt(50, 50), kGreen);
    EXPECT_EQ(icon.pixelAt(50, 30), kGreen);
    EXPECT_EQ(icon.pixelAt(50, 87), kBlue);
    EXPECT_EQ(icon.pixelAt(0, 50), kGreen);
}

TEST(Image, EnlargingKeepsColoursAndTransparentPartsDoNotBleed) {
    // Left half opaque red, right half fully transparent but green underneath:
    // the hidden green must not tint the red edge.
    Image small(50, 50, {0, 255, 0, 0});
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 25; ++x) small.setPixel(x, y, kRed);
    }
    Image large = small.scaledTo(100, 100);
    EXPECT_EQ(large.pixelAt(10, 10), kRed);
    EXPECT_EQ(large.pixelAt(90, 90).a, 0);
    for (int x = 40; x < 60; ++x) {
        Pixel p = large.pixelAt(x, 50);
        if (p.a == 0) continue;
        EXPECT_LE(p.g, kRed.g + 2) << "column " << x;
        EXPECT_NEAR(p.r, kRed.r, 2) << "column " << x;
    }
    EXPECT_EQ(Image(7, 7, kBlue).scaledTo(100, 100), Image(100, 100, kBlue));
}

TEST(Image, TheBuiltInMaskRoundsTheCornersOfAPayeePicture) {
    std::string error;
    std::optional<Image> mask = Image::loadResource("placeholder_mask.png", &error);
    ASSERT_TRUE(mask) << error;
    EXPECT_EQ(mask->width(), 100);
    EXPECT_EQ(mask->height(), 100);
    EXPECT_EQ(Image::loadResource("placeholder_mask"), mask);

    Image photo = bands(300, 200).scaledTo(100, 100);
    Image icon = photo.masked(*mask);
    for (auto [x, y] : {std::pair{0, 0}, {99, 0}, {0, 99}, {99, 99}, {2, 2}, {97, 97}}) {
        EXPECT_EQ(icon.pixelAt(x, y).a, 0) << "corner " << x << ", " << y;
    }
    for (auto [x, y] : {std::pair{50, 50}, {50, 0}, {0, 50}, {99, 50}, {50, 99}, {16, 16}}) {
        EXPECT_EQ(icon.pixelAt(x, y), photo.pixelAt(x, y)) << "inside " << x << ", " << y;
    }
}

TEST(Image, MasksOfOtherSizesAreStretchedAndOpaqueMasksWorkByLuminance) {
    // A 10 × 10 black-and-white mask without transparency: black hides.
    Image mask(10, 10, {255, 255, 255, 255});
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 5; ++x) mask.setPixel(x, y, {0, 0, 0, 255});
    }
    Image orange(100, 100, {230, 120, 30, 255});
    Image masked = orange.masked(mask);
    EXPECT_EQ(masked.pixelAt(10, 50), (Pixel{230, 120, 30, 0}));
    EXPECT_EQ(masked.pixelAt(90, 50), (Pixel{230, 120, 30, 255}));

    // Half coverage over a picture already at alpha 200 leaves 100.
    Image half = Image(100, 100, {230, 120, 30, 200}).masked(Image(100, 100, {255, 255, 255, 128}));
    EXPECT_EQ(half.pixelAt(50, 50), (Pixel{230, 120, 30, 100}));

    EXPECT_EQ(orange.masked(Image()), orange);
}

TEST(Image, AJPEGPhotoDecodes) {
    Image photo(64, 48, {230, 120, 30, 255});
    for (int y = 0; y < 48; ++y) {
        for (int x = 32; x < 64; ++x) photo.setPixel(x, y, {30, 90, 200, 255});
    }
    std::string error;
    std::optional<Image> decoded = Image::decode(jpegOf(photo), &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->width(), 64);
    EXPECT_EQ(decoded->height(), 48);
    EXPECT_TRUE(near(decoded->pixelAt(10, 24), {230, 120, 30, 255}, 6)) << ::testing::PrintToString(decoded->pixelAt(10, 24));
    EXPECT_TRUE(near(decoded->pixelAt(54, 24), {30, 90, 200, 255}, 6)) << ::testing::PrintToString(decoded->pixelAt(54, 24));

    // A grey JPEG (one component) comes out as opaque grey.
    std::vector<uint8_t> grey(16 * 8, 90);
    Image::Bytes greyJPEG = jpegOf(16, 8, 1, grey.data());
    std::optional<Image> greyImage = Image::decode(greyJPEG, &error);
    ASSERT_TRUE(greyImage) << error;
    EXPECT_TRUE(near(greyImage->pixelAt(3, 3), {90, 90, 90, 255}, 2)) << ::testing::PrintToString(greyImage->pixelAt(3, 3));
}

std::string refusal(const Image::Bytes& bytes) {
    std::string error;
    std::optional<Image> image = Image::decode(bytes, &error);
    return image ? "decoded" : error;
}

TEST(Image, BrokenFilesAreRefusedWithAReason) {
    EXPECT_EQ(refusal({}), "no picture data");

    std::mt19937 random(42);
    Image::Bytes noise(1000);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    EXPECT_EQ(refusal(noise), "not a PNG or JPEG picture");
    EXPECT_EQ(refusal({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}), "not a PNG or JPEG picture");

    Image::Bytes png = bands(60, 40).encodePNG();
    EXPECT_EQ(refusal(Image::Bytes(png.begin(), png.begin() + png.size() / 2)), "PNG picture cut short");
    Image::Bytes jpeg = jpegOf(bands(60, 40));
    EXPECT_EQ(refusal(Image::Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)), "JPEG picture cut short");

    // Damaged compressed data inside an intact chunk structure.
    Image::Bytes damaged = png;
    size_t data = std::search(png.begin(), png.end(), kIDAT, kIDAT + 4) - png.begin() + 4;
    for (size_t i = data + 2; i < data + 12; ++i) damaged[i] ^= 0x5a;
    EXPECT_THAT(refusal(damaged), StartsWith("damaged PNG picture ("));
}

TEST(Image, AFileClaimingAHugeSizeIsRefusedBeforeDecoding) {
    // Each would need gigabytes (or ~100 MB) of pixels; the header alone
    // refuses them, so nothing of that size is ever allocated.
    EXPECT_THAT(refusal(pngClaiming(100000, 100000)), StartsWith("picture too large: 100000 x 100000 pixels"));
    EXPECT_THAT(refusal(pngClaiming(5000, 5000)), StartsWith("picture too large: 5000 x 5000 pixels"));

    Image::Bytes jpeg = jpegOf(bands(60, 40));
    size_t frame = 2;
    while (!(jpeg[frame] == 0xff && jpeg[frame + 1] == 0xc0)) ++frame;
    jpeg[frame + 5] = jpeg[frame + 7] = 0xfd;  // 65000 × 65000
    jpeg[frame + 6] = jpeg[frame + 8] = 0xe8;
    EXPECT_THAT(refusal(jpeg), StartsWith("picture too large: 65000 x 65000 pixels"));
    EXPECT_THAT(refusal(jpeg), HasSubstr("at most 8192 on a side"));
}

TEST(Image, SizesOutOfRangeAreBrokenPreconditions) {
    EXPECT_THROW(Image(-1, 10), std::invalid_argument);
    EXPECT_THROW(Image(9000, 10), std::invalid_argument);
    EXPECT_THROW(Image::fromRGBA(2, 2, Image::Bytes(15)), std::invalid_argument);
    EXPECT_THROW(Image(2, 2).pixelAt(2, 0), std::invalid_argument);
    EXPECT_THROW(Image(2, 2).scaledTo(100000, 100), std::invalid_argument);

    // The empty picture is a value like any other, not an error.
    EXPECT_TRUE(Image().encodePNG().empty());
    EXPECT_TRUE(Image().scaledTo(100, 100).isEmpty());
    EXPECT_TRUE(Image(4, 4, kRed).scaledTo(0, 100).isEmpty());
}

TEST(Image, AMissingBuiltInPictureIsReported) {
    std::string error;
    EXPECT_FALSE(Image::loadResource("no_such_picture.png", &error));
    EXPECT_EQ(error, "no built-in picture \"no_such_picture.png\"");
}

}  // namespace
}  // namespace tallo
