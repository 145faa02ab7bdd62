#include "Classes/controls/TLPictureCell.h"

#include "Classes/controls/TLIcon.h"
#include "Classes/store/TLImageRecord.h"

namespace tallo {

void TLPictureCell::setPicture(const TLPicture& picture) {
    if (!picture.isStored()) {
        imageName = picture.name;
        return;
    }
    // The record holds PNG already: it goes to the page as it is.
    std::optional<Image::Bytes> png = picture.record->content();
    imageName = png && !png->empty() ? TLIcon::dataURL(*png) : std::string();
}

void TLPictureCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    TableViewCell::render(row, context, suffix);
    if (indented) row.set("indent", true);
    if (!caption.empty()) row.set("label", caption);
    if (!pictureTapped || imageName.empty()) return;
    std::string id = "picture:" + suffix;
    row.set("imageAction", id);
    // The cell lives only while the table is drawn; the action keeps its own copy.
    context.addAction(id, [tapped = pictureTapped](const UIEvent& event) {
        if (event.kind == UIEvent::Kind::Tap) tapped();
    });
}

}  // namespace tallo
