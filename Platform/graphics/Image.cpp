#include "Platform/graphics/Image.h"

#include <png.h>
#include <stb/stb_image_resize.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>

#include "Platform/foundation/Bundle.h"

namespace tallo {

namespace {

enum class Format { Unknown, PNG, JPEG };

const char* formatName(Format format) {
    return format == Format::PNG ? "PNG" : "JPEG";
}

// Only PNG and JPEG are read: they are what address books, pickers and the
// store hold. The file's signature decides which decoder sees it.
Format formatOf(std::span<const uint8_t> bytes) {
    static constexpr uint8_t kPNG[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    static constexpr uint8_t kJPEG[] = {0xff, 0xd8, 0xff};
    auto startsWith = [&](std::span<const uint8_t> magic) {
        return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
    };
    if (startsWith(kPNG)) return Format::PNG;
    if (startsWith(kJPEG)) return Format::JPEG;
    return Format::Unknown;
}

uint32_t bigEndian32(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
           static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

int bigEndian16(std::span<const uint8_t> bytes, size_t at) { return bytes[at] << 8 | bytes[at + 1]; }

// What the file's header says before any pixel is decoded: its size, or why
// it cannot be read. `frameEnd` is where the picture data starts.
struct Header {
    long long width = 0, height = 0;
    size_t frameEnd = 0;
    std::string problem;
};

// A PNG is a signature and a run of chunks (length, type, data, checksum),
// the first IHDR with the size, the last IEND. Walking the chunk lengths
// finds a file cut short before the decoder sees it.
Header readPNGHeader(std::span<const uint8_t> bytes) {
    Header header;
    size_t at = 8;
    bool first = true;
    for (;;) {
        if (bytes.size() - at < 8) return {.problem = "PNG picture cut short"};
        uint32_t length = bigEndian32(bytes, at);
        bool ihdr = std::memcmp(&bytes[at + 4], "IHDR", 4) == 0;
        bool iend = std::memcmp(&bytes[at + 4], "IEND", 4) == 0;
        if (length > 0x7fffffffu) return {.problem = "damaged PNG picture (chunk length out of range)"};
        if (bytes.size() - at - 8 < static_cast<size_t>(length) + 4) return {.problem = "PNG picture cut short"};
        if (first) {
            if (!ihdr || length != 13) return {.problem = "damaged PNG picture (no IHDR header first)"};
            header.width = bigEndian32(bytes, at + 8);
            header.height = bigEndian32(bytes, at + 12);
            header.frameEnd = at + 8 + length + 4;
            first = false;
        }
        at += 8 + static_cast<size_t>(length) + 4;
        if (iend) return header;
    }
}

bool isStartOfFrame(int marker) {
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// A JPEG is a run of marked segments, each with its length, up to the frame
// header (SOF) that holds the size; the compressed picture follows later.
Header readJPEGHeader(std::span<const uint8_t> bytes) {
    size_t at = 2;
    for (;;) {
        // Stray bytes before a marker are skipped, as decoders do.
        while (at < bytes.size() && bytes[at] != 0xff) ++at;
        while (at < bytes.size() && bytes[at] == 0xff) ++at;  // fill bytes
        if (at >= bytes.size()) return {.problem = "JPEG picture cut short"};
        int marker = bytes[at++];
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) continue;  // no length
        if (marker == 0xd9 || marker == 0xda) return {.problem = "damaged JPEG picture (no frame header)"};
        if (bytes.size() - at < 2) return {.problem = "JPEG picture cut short"};
        size_t length = static_cast<size_t>(bigEndian16(bytes, at));
        if (length < 2) return {.problem = "damaged JPEG picture (segment length out of range)"};
        if (bytes.size() - at < length) return {.problem = "JPEG picture cut short"};
        if (isStartOfFrame(marker)) {
            if (length < 7) return {.problem = "damaged JPEG picture (frame header too short)"};
            return {.width = bigEndian16(bytes, at + 5), .height = bigEndian16(bytes, at + 3), .frameEnd = at + length};
        }
        at += length;
    }
}

// Whether the end-of-picture marker follows the frame header. Inside the
// compressed data every 0xff byte is followed by 0x00 or a restart marker, so
// 0xff 0xd9 there can only be the real end.
bool hasJPEGEnd(std::span<const uint8_t> bytes, size_t from) {
    for (size_t i = from; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xff && bytes[i + 1] == 0xd9) return true;
    }
    return false;
}

// Why a picture of this size is refused, or nothing when it is acceptable.
std::optional<std::string> sizeProblem(long long width, long long height) {
    if (width <= 0 || height <= 0) return "picture has no pixels";
    if (width > Image::kMaxSide || height > Image::kMaxSide ||
        width * height * 4 > static_cast<long long>(Image::kMaxPixelBytes)) {
        return "picture too large: " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels (at most " + std::to_string(Image::kMaxSide) + " on a side and " +
               std::to_string(Image::kMaxPixelBytes / 4) + " pixels)";
    }
    return std::nullopt;
}

void checkSize(int width, int height) {
    if (width < 0 || height < 0) throw std::invalid_argument("Image: negative size");
    if (width == 0 || height == 0) return;
    if (auto problem = sizeProblem(width, height)) throw std::invalid_argument("Image: " + *problem);
}

std::string damaged(Format format, const char* reason) {
    std::string message = std::string("damaged ") + formatName(format) + " picture";
    return reason != nullptr && *reason != '\0' ? message + " (" + reason + ")" : message;
}

std::optional<Image> decodePNG(std::span<const uint8_t> bytes, std::string& error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()) == 0) {
        error = damaged(Format::PNG, png.message);
        png_image_free(&png);
        return std::nullopt;
    }
    // Palette, grey, 16-bit and interlaced files all come out as 8-bit RGBA,
    // not premultiplied. A 16-bit file that does not say how its values are
    // encoded is taken as sRGB, as viewers show it, not as linear light.
    png.format = PNG_FORMAT_RGBA;
    png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    Image::Bytes rgba(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr) == 0) {
        error = damaged(Format::PNG, png.message);
        png_image_free(&png);
        return std::nullopt;
    }
    return Image::fromRGBA(static_cast<int>(png.width), static_cast<int>(png.height), std::move(rgba));
}

struct JPEGDecompressor {
    tjhandle handle = tjInitDecompress();
    ~JPEGDecompressor() {
        if (handle != nullptr) tjDestroy(handle);
    }
};

std::optional<Image> decodeJPEG(std::span<const uint8_t> bytes, std::string& error) {
    JPEGDecompressor jpeg;
    if (jpeg.handle == nullptr) throw std::bad_alloc();
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(jpeg.handle, bytes.data(), bytes.size(), &width, &height, &subsampling, &colorspace) != 0) {
        error = damaged(Format::JPEG, tjGetErrorStr2(jpeg.handle));
        return std::nullopt;
    }
    if (auto problem = sizeProblem(width, height)) {
        error = *problem;
        return std::nullopt;
    }
    Image::Bytes rgba(static_cast<size_t>(width) * height * 4);
    // A progressive file with an absurd number of scans is refused rather
    // than decoded for minutes. A warning (stray bytes between segments, a
    // damaged block) still gives the whole picture, as viewers show it.
    int flags = TJFLAG_ACCURATEDCT | TJFLAG_LIMITSCANS;
    if (tjDecompress2(jpeg.handle, bytes.data(), bytes.size(), rgba.data(), width, 0, height, TJPF_RGBA, flags) != 0 &&
        tjGetErrorCode(jpeg.handle) != TJERR_WARNING) {
        error = damaged(Format::JPEG, tjGetErrorStr2(jpeg.handle));
        return std::nullopt;
    }
    return Image::fromRGBA(width, height, std::move(rgba));
}

// The coverage a mask gives each of its pixels, one byte a pixel: its alpha,
// or, when it is opaque everywhere, its luminance (Rec. 709 weights, which
// add up to 256 so that white gives exactly 255).
std::vector<uint8_t> coverageOf(const Image& mask) {
    const Image::Bytes& rgba = mask.pixels();
    size_t count = rgba.size() / 4;
    bool opaque = true;
    for (size_t i = 0; i < count && opaque; ++i) opaque = rgba[i * 4 + 3] == 255;
    std::vector<uint8_t> coverage(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &rgba[i * 4];
        coverage[i] = opaque ? static_cast<uint8_t>((54 * p[0] + 183 * p[1] + 19 * p[2] + 128) >> 8) : p[3];
    }
    return coverage;
}

}  // namespace

Image::Image(int width, int height, Pixel fill) {
    checkSize(width, height);
    if (width == 0 || height == 0) return;
    width_ = width;
    height_ = height;
    pixels_.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < pixels_.size(); i += 4) {
        pixels_[i] = fill.r;
        pixels_[i + 1] = fill.g;
        pixels_[i + 2] = fill.b;
        pixels_[i + 3] = fill.a;
    }
}

Image Image::fromRGBA(int width, int height, Bytes rgba) {
    checkSize(width, height);
    if (width == 0 || height == 0) width = height = 0;
    if (rgba.size() != static_cast<size_t>(width) * height * 4) {
        throw std::invalid_argument("Image: " + std::to_string(rgba.size()) + " bytes for " +
                                    std::to_string(width) + " x " + std::to_string(height) + " pixels");
    }
    Image image;
    image.width_ = width;
    image.height_ = height;
    image.pixels_ = std::move(rgba);
    return image;
}

std::optional<Image> Image::decode(std::span<const uint8_t> bytes, std::string* error) {
    auto refuse = [error](std::string message) -> std::optional<Image> {
        if (error != nullptr) *error = std::move(message);
        return std::nullopt;
    };
    if (bytes.empty()) return refuse("no picture data");
    Format format = formatOf(bytes);
    if (format == Format::Unknown) return refuse("not a PNG or JPEG picture");

    // The size comes from the header alone; only an acceptable one is decoded.
    Header header = format == Format::PNG ? readPNGHeader(bytes) : readJPEGHeader(bytes);
    if (!header.problem.empty()) return refuse(header.problem);
    if (auto problem = sizeProblem(header.width, header.height)) return refuse(*problem);

    if (format == Format::JPEG && !hasJPEGEnd(bytes, header.frameEnd)) return refuse("JPEG picture cut short");

    std::string problem;
    std::optional<Image> image = format == Format::PNG ? decodePNG(bytes, problem) : decodeJPEG(bytes, problem);
    if (!image) return refuse(problem);
    if (image->width() != header.width || image->height() != header.height) {
        return refuse(std::string("damaged ") + formatName(format) + " picture (its size changed while reading)");
    }
    return image;
}

std::optional<Image> Image::loadResource(const std::string& name, std::string* error) {
    std::string base = name;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".png") == 0) base.resize(base.size() - 4);
    std::optional<std::string> path = Bundle::pathForResource(base, "png");
    if (!path) {
        if (error != nullptr) *error = "no built-in picture \"" + base + ".png\"";
        return std::nullopt;
    }
    std::ifstream in(*path, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string reason;
    std::optional<Image> image = decode(bytes, &reason);
    if (!image && error != nullptr) *error = "built-in picture \"" + base + ".png\": " + reason;
    return image;
}

Image::Bytes Image::encodePNG() const {
    if (isEmpty()) return {};
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width_);
    png.height = static_cast<png_uint_32>(height_);
    png.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    Bytes out(size);
    if (png_image_write_to_memory(&png, out.data(), &size, 0, pixels_.data(), 0, nullptr) == 0) {
        // The buffer is large enough for any picture, so only a lack of
        // memory makes the writer fail.
        png_image_free(&png);
        throw std::bad_alloc();
    }
    out.resize(size);
    return out;
}

Image Image::scaledTo(int width, int height) const {
    checkSize(width, height);
    if (isEmpty() || width == 0 || height == 0) return Image();
    if (width == width_ && height == height_) return *this;

    // Cover, then crop: the factor that makes the picture just cover the
    // target on both sides, and the centred part of the source that this
    // factor maps onto the target. Handing that part to the resampler as a
    // region (rather than cutting it out first) lets the filter see the
    // pixels just outside it, as if the whole picture had been scaled and
    // then cropped.
    double scale = std::max(static_cast<double>(width) / width_, static_cast<double>(height) / height_);
    double keptWidth = std::min(width / scale, static_cast<double>(width_));
    double keptHeight = std::min(height / scale, static_cast<double>(height_));
    double left = (width_ - keptWidth) / 2;
    double top = (height_ - keptHeight) / 2;

    Image out(width, height);
    // Colours are filtered in linear light and weighted by alpha, so dark
    // fringes do not appear around edges or transparent parts. The default
    // filters are Mitchell when shrinking and Catmull-Rom when enlarging.
    int done = stbir_resize_region(pixels_.data(), width_, height_, width_ * 4, out.pixels_.data(), width, height,
                                   width * 4, STBIR_TYPE_UINT8, 4, 3, 0, STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP,
                                   STBIR_FILTER_DEFAULT, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_SRGB, nullptr,
                                   static_cast<float>(left / width_), static_cast<float>(top / height_),
                                   static_cast<float>((left + keptWidth) / width_),
                                   static_cast<float>((top + keptHeight) / height_));
    if (done == 0) throw std::bad_alloc();  // the resampler fails only when it cannot get memory
    return out;
}

Image Image::masked(const Image& mask) const {
    if (isEmpty() || mask.isEmpty()) return *this;
    std::vector<uint8_t> coverage = coverageOf(mask);
    if (mask.width_ != width_ || mask.height_ != height_) {
        std::vector<uint8_t> stretched(static_cast<size_t>(width_) * height_);
        int done = stbir_resize_uint8_generic(coverage.data(), mask.width_, mask.height_, mask.width_,
                                              stretched.data(), width_, height_, width_, 1,
                                              STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT,
                                              STBIR_COLORSPACE_LINEAR, nullptr);
        if (done == 0) throw std::bad_alloc();
        coverage = std::move(stretched);
    }
    Image out = *this;
    for (size_t i = 0; i < coverage.size(); ++i) {
        uint8_t& alpha = out.pixels_[i * 4 + 3];
        alpha = static_cast<uint8_t>((alpha * coverage[i] + 127) / 255);
    }
    return out;
}

Image::Pixel Image::pixelAt(int x, int y) const {
    const uint8_t* p = &pixels_[offset(x, y)];
    return Pixel{p[0], p[1], p[2], p[3]};
}

void Image::setPixel(int x, int y, Pixel pixel) {
    uint8_t* p = &pixels_[offset(x, y)];
    p[0] = pixel.r;
    p[1] = pixel.g;
    p[2] = pixel.b;
    p[3] = pixel.a;
}

size_t Image::offset(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        throw std::invalid_argument("Image: pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                    ") outside a " + std::to_string(width_) + " x " + std::to_string(height_) +
                                    " picture");
    }
    return (static_cast<size_t>(y) * width_ + x) * 4;
}

}  // namespace tallo
