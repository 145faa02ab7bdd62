#pragma once
// ImagePickerController: the screen through which a picture is taken with
// the camera or chosen from the photo library, presented modally. In the
// browser both are a file chooser (the camera one asks for the camera
// where the device has one); the page uploads the chosen file to the
// server, which hands its bytes to this screen as a Picture event:
//
//   navbar title="Photos"
//     button#nav:right title="Cancel"
//   content
//     imagepicker#imagepicker editing=yes source="library"
//
// The bytes are read with Image::decode: only PNG and JPEG pictures within
// Image's size limits are taken; anything else is refused, the reason is
// shown on the screen ("error") and the screen stays for another try.
// Whoever presented the picker closes it from its callbacks.

#include <functional>
#include <string>

#include "Platform/graphics/Image.h"
#include "Platform/ui/ViewController.h"

namespace tallo {

class ImagePickerController : public ViewController {
public:
    enum class SourceType { PhotoLibrary, Camera };

    explicit ImagePickerController(SourceType source = SourceType::PhotoLibrary);

    SourceType sourceType() const { return source_; }
    bool allowsEditing = false;
    // The picture the person chose, decoded.
    std::function<void(const Image&)> didFinishPickingImage;
    std::function<void()> didCancel;
    const std::string& lastError() const { return error_; }

    // What an upload to this screen does (the Picture event's handler).
    void takePicture(const std::vector<uint8_t>& bytes);

    void render(SceneNode& into, SceneContext& context) override;

private:
    SourceType source_;
    std::string error_;
};

}  // namespace tallo
