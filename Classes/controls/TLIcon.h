#pragma once
// TLIcon: the picture control of a record screen (a payee's, a category's
// or a transaction's picture), 72 × 72 points. It shows its picture (or an
// empty frame), marks whether it is in editing mode, and reports taps to its
// action. The picture goes to the client inline as PNG:
//
//   icon#icon editing=yes frame="8,8,72,72" image="data:image/png;base64,…"

#include <functional>
#include <optional>
#include <string>

#include "Platform/graphics/Image.h"
#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"
#include "Platform/ui/View.h"

namespace tallo {

class TLIcon {
public:
    Rect frame{8, 8, 72, 72};
    std::optional<Image> image;
    bool editing = false;
    std::function<void()> action;

    bool hasImage() const { return image && !image->isEmpty(); }
    // Draws the control under `id`; its owner must outlive the rendering's handlers.
    void render(SceneNode& into, SceneContext& context, const std::string& id);

    // "data:image/png;base64,…" of a picture, or of PNG bytes as stored.
    static std::string dataURL(const Image& picture);
    static std::string dataURL(const Image::Bytes& png);
};

}  // namespace tallo
