#include "Platform/ui/ImagePickerController.h"

#include "Platform/foundation/Localization.h"

namespace tallo {

ImagePickerController::ImagePickerController(SourceType source) : source_(source) {
    setTitle(source == SourceType::Camera ? L("Camera") : L("Photos"));
}

void ImagePickerController::takePicture(const std::vector<uint8_t>& bytes) {
    std::string why;
    std::optional<Image> image = Image::decode(bytes, &why);
    if (!image || image->isEmpty()) {
        error_ = image ? "empty picture" : why;
        return;
    }
    error_.clear();
    if (didFinishPickingImage) didFinishPickingImage(*image);
}

void ImagePickerController::render(SceneNode& into, SceneContext& context) {
    std::weak_ptr<ViewController> weak = weak_from_this();
    SceneNode& bar = into.add(SceneNode("navbar"));
    bar.set("title", title());
    bar.add(SceneNode("button", "nav:right")).set("title", L("Cancel"));
    context.addAction("nav:right", [this, weak](const UIEvent& event) {
        auto alive = weak.lock();
        if (alive && event.kind == UIEvent::Kind::Tap && didCancel) didCancel();
    });
    SceneNode& content = into.add(SceneNode("content"));
    SceneNode& picker = content.add(SceneNode("imagepicker", "imagepicker"));
    picker.set("source", source_ == SourceType::Camera ? "camera" : "library");
    if (allowsEditing) picker.set("editing", true);
    if (!error_.empty()) picker.set("error", error_);
    context.addAction("imagepicker", [this, weak](const UIEvent& event) {
        auto alive = weak.lock();
        if (alive && event.kind == UIEvent::Kind::Picture) takePicture(event.data);
    });
}

}  // namespace tallo
