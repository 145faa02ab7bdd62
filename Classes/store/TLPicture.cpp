#include "Classes/store/TLPicture.h"

#include "Classes/store/TLImageRecord.h"

namespace tallo {

std::optional<Image> TLPicture::load() const {
    if (record == nullptr) return Image::loadResource(name);
    std::optional<Bytes> content = record->content();
    if (!content) return std::nullopt;
    return Image::decode(*content);
}

}  // namespace tallo
