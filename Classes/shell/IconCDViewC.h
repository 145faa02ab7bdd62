#pragma once
// IconCDViewC: a record screen with a picture (the picture control at the
// top of its table, following the screen's editing state).
//
// Tapping the picture posts "resignAllResponders"; outside editing nothing
// else happens. In editing a sheet asks what to do: "Take Photo", "Choose
// Photo" (and "Delete Photo" when there is a picture), "Cancel". The first
// two open the image picker on the camera or the photo library; "Delete
// Photo" runs deleteImage.
//
// A picked picture is scaled to 100 × 100 points on a thread of its own
// (processingImage is set meanwhile); the scaled picture comes back to the
// main thread and goes to useImage, which shows it. Screens override
// useImage to store the picture (calling this one first) and deleteImage
// to delete the stored one; both run on the main thread, which owns the
// store. A screen closed while its picture is being scaled never hears of
// the picture.

#include <memory>

#include "Classes/controls/TLIcon.h"
#include "Classes/shell/CDViewC.h"
#include "Platform/ui/ImagePickerController.h"

namespace tallo {

class IconCDViewC : public CDViewC {
public:
    static constexpr int kPictureSide = 100;

    explicit IconCDViewC(TableView::Style style = TableView::Style::Grouped);

    TLIcon icon;
    std::shared_ptr<ActionSheet> imageSheet;
    std::shared_ptr<ActionSheet> imageSheetFull;
    std::shared_ptr<ImagePickerController> imagePicker;
    bool processingImage = false;

    void iconClicked();
    // Shows `image` scaled to 100 × 100 (already scaled pictures as they are).
    virtual void useImage(const Image& image);
    virtual void deleteImage();
    // A picture came from the image picker: the picker closes, the picture
    // is scaled off the main thread and handed to useImage.
    void imagePickerDidFinishPicking(const Image& picked);
    void openImagePicker(ImagePickerController::SourceType source);
    // Pictures being scaled whose result has not reached the main thread yet
    // (of any screen, closed ones included).
    static int scalingsInFlight();

    void viewDidLoad() override;
    void setEditing(bool editing, bool animated) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

private:
    void imageSheetClicked(int buttonIndex, bool full);
};

}  // namespace tallo
