#pragma once
// TLPicture: the picture an account, transaction, category or payee shows —
// either a picture of the application bundle named by its file name
// ("Transfer.png", "Car@2x"), or one the person chose, kept as PNG data in an
// image record of the store. Screens draw it; the model only decides which.

#include <optional>
#include <string>

#include "Platform/graphics/Image.h"

namespace tallo {

class TLImageRecord;

struct TLPicture {
    // A bundle picture's file name; empty for a stored picture.
    std::string name;
    // The stored picture; nothing for a bundle picture.
    TLImageRecord* record = nullptr;

    static TLPicture named(std::string name) { return TLPicture{std::move(name), nullptr}; }
    static TLPicture stored(TLImageRecord* record) { return TLPicture{"", record}; }

    bool isStored() const { return record != nullptr; }
    bool operator==(const TLPicture&) const = default;

    // The pixels: the stored PNG decoded, or the bundle picture read.
    // Nothing when the record holds no readable picture or the bundle lacks it.
    std::optional<Image> load() const;
};

}  // namespace tallo
