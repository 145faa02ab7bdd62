// Pictures come from address books, pickers and stores synced from another
// machine. Whatever the bytes, decoding answers a picture within the size
// limits or a refusal with a reason, and a picture it answers can be stored
// as PNG and read back unchanged, scaled and masked.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "Platform/graphics/Image.h"

using tallo::Image;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    std::optional<Image> image = Image::decode(std::span<const uint8_t>(data, size), &error);
    if (!image) {
        if (error.empty()) std::abort();
        return 0;
    }
    int width = image->width(), height = image->height();
    if (width <= 0 || height <= 0 || width > Image::kMaxSide || height > Image::kMaxSide) std::abort();
    if (image->pixels().size() != static_cast<size_t>(width) * height * 4) std::abort();
    if (image->pixels().size() > Image::kMaxPixelBytes) std::abort();

    // Keep each run quick: the further steps only for pictures of icon size.
    if (static_cast<size_t>(width) * height > 256 * 256) return 0;
    std::optional<Image> again = Image::decode(image->encodePNG(), &error);
    if (!again || *again != *image) std::abort();
    Image icon = image->scaledTo(100, 100).masked(*image);
    if (icon.width() != 100 || icon.height() != 100) std::abort();
    return 0;
}
