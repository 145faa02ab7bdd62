#pragma once
// Image: a picture held in memory, as the pictures of payees, categories and
// transactions are. Pixels are RGBA with 8 bits a channel, rows from top to
// bottom, colour not premultiplied by alpha. One point is one pixel, so a
// "100 × 100 point" picture is 100 × 100 pixels.
//
// Pictures from outside (the address book, a picker, a store synced from the
// desktop) are read with decode, which accepts PNG and JPEG and refuses
// everything else with a message. A picture larger than kMaxSide on a side or
// kMaxPixelBytes of RGBA pixels is refused from its header alone, before any
// pixel memory is taken, so a hostile file cannot make the program allocate
// gigabytes. A file cut short is refused, never shown half.
//
// An Image is a plain value: copy it freely. Every operation leaves the
// picture as it is and answers a new one, and none touches shared state, so
// pictures may be decoded, scaled and masked on any thread.
//
// Sizes out of range (negative, or beyond the limits above) are broken
// preconditions and throw std::invalid_argument.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tallo {

class Image {
public:
    using Bytes = std::vector<uint8_t>;

    struct Pixel {
        uint8_t r, g, b, a;
        bool operator==(const Pixel&) const = default;
    };

    static constexpr int kMaxSide = 8192;
    static constexpr size_t kMaxPixelBytes = size_t{64} << 20;  // 4096 × 4096 RGBA

    // The empty picture: 0 × 0, no pixels.
    Image() = default;
    // A width × height picture of one colour (transparent by default).
    Image(int width, int height, Pixel fill = {});
    // A picture from `rgba`, which must hold width × height × 4 bytes.
    static Image fromRGBA(int width, int height, Bytes rgba);

    // Reads a PNG or JPEG file's bytes. On refusal answers nothing and says
    // why in `error` ("not a PNG or JPEG picture", "PNG picture cut short",
    // "picture too large: 100000 x 100000 pixels (...)", "damaged JPEG
    // picture (bad huffman code)"). The message is never empty.
    static std::optional<Image> decode(std::span<const uint8_t> bytes, std::string* error = nullptr);

    // A built-in picture of the application bundle, by its file name with or
    // without ".png" ("placeholder_mask.png"). Nothing, with the reason in
    // `error`, when it is missing or cannot be read.
    static std::optional<Image> loadResource(const std::string& name, std::string* error = nullptr);

    // The picture as a PNG file (8-bit RGBA). Decoding it gives this picture
    // back exactly. The empty picture encodes to no bytes.
    Bytes encodePNG() const;

    // The picture scaled to fill width × height: it is scaled, keeping its
    // aspect ratio, until it covers the whole target, and what sticks out is
    // cut off equally on both sides. A 300 × 200 photo scaled to 100 × 100
    // is shrunk to 150 × 100 and loses 25 pixels on the left and on the
    // right; nothing is squashed and no empty border appears. The empty
    // picture scales to the empty picture.
    Image scaledTo(int width, int height) const;

    // The picture seen through `mask`: each pixel's alpha is multiplied by
    // the mask's coverage at that place. The coverage is the mask's alpha, or
    // its luminance when the mask is opaque everywhere (a black-and-white
    // mask). A mask of another size is stretched to the picture's size first.
    // An empty mask, or an empty picture, leaves the picture as it is.
    Image masked(const Image& mask) const;

    int width() const { return width_; }
    int height() const { return height_; }
    bool isEmpty() const { return width_ == 0 || height_ == 0; }
    // width × height × 4 bytes, R G B A for each pixel, row by row.
    const Bytes& pixels() const { return pixels_; }

    // The pixel at column x, row y (0, 0 is the top left); x and y must be
    // inside the picture.
    Pixel pixelAt(int x, int y) const;
    void setPixel(int x, int y, Pixel pixel);

    bool operator==(const Image&) const = default;

private:
    size_t offset(int x, int y) const;

    int width_ = 0;
    int height_ = 0;
    Bytes pixels_;
};

}  // namespace tallo
