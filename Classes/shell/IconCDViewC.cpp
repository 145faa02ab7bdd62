#include "Classes/shell/IconCDViewC.h"

#include <atomic>
#include <thread>

#include "Platform/foundation/Localization.h"
#include "Platform/foundation/NotificationCenter.h"
#include "Platform/foundation/RunLoop.h"

namespace tallo {

namespace {

std::atomic<int> gScalings{0};

}  // namespace

IconCDViewC::IconCDViewC(TableView::Style style) : CDViewC(style) {}

int IconCDViewC::scalingsInFlight() { return gScalings.load(); }

void IconCDViewC::viewDidLoad() {
    CDViewC::viewDidLoad();
    icon.action = [this] { iconClicked(); };
    icon.editing = isEditing();
}

void IconCDViewC::setEditing(bool editing, bool animated) {
    CDViewC::setEditing(editing, animated);
    icon.editing = editing;
}

void IconCDViewC::iconClicked() {
    NotificationCenter::defaultCenter().postNotification("resignAllResponders", this);
    if (!isEditing()) return;
    bool full = icon.hasImage();
    std::vector<std::string> buttons{L("Take Photo"), L("Choose Photo")};
    if (full) buttons.push_back(L("Delete Photo"));
    auto sheet = std::make_shared<ActionSheet>("", L("Cancel"), "", std::move(buttons));
    std::weak_ptr<ViewController> weak = weak_from_this();
    sheet->clicked = [this, weak, full](int index) {
        if (auto alive = weak.lock()) imageSheetClicked(index, full);
    };
    (full ? imageSheetFull : imageSheet) = sheet;
    sheet->show();
}

void IconCDViewC::imageSheetClicked(int buttonIndex, bool full) {
    if (buttonIndex == 0) return openImagePicker(ImagePickerController::SourceType::Camera);
    if (buttonIndex == 1) return openImagePicker(ImagePickerController::SourceType::PhotoLibrary);
    if (full && buttonIndex == 2) deleteImage();
}

void IconCDViewC::openImagePicker(ImagePickerController::SourceType source) {
    imagePicker = std::make_shared<ImagePickerController>(source);
    imagePicker->allowsEditing = true;
    std::weak_ptr<ViewController> weak = weak_from_this();
    imagePicker->didFinishPickingImage = [this, weak](const Image& picked) {
        if (auto alive = weak.lock()) imagePickerDidFinishPicking(picked);
    };
    imagePicker->didCancel = [this, weak] {
        if (auto alive = weak.lock()) dismissModalViewControllerAnimated(true);
    };
    presentModalViewController(imagePicker, true);
}

void IconCDViewC::imagePickerDidFinishPicking(const Image& picked) {
    dismissModalViewControllerAnimated(true);
    processingImage = true;
    std::weak_ptr<ViewController> weak = weak_from_this();
    ++gScalings;
    // Only the scaling runs off the main thread; the picture is shown (and
    // stored, by the screens) back on it.
    std::thread([weak, picked] {
        Image scaled = picked.scaledTo(kPictureSide, kPictureSide);
        RunLoop::main().post([weak, scaled = std::move(scaled)] {
            --gScalings;
            // Only to a screen still open: one closed while the picture was
            // scaled may live on a moment (until the event that closed it
            // is over) but must not take it.
            auto alive = weak.lock();
            bool open = alive && (alive->parent() != nullptr || alive->presentingViewController() != nullptr);
            if (auto* screen = dynamic_cast<IconCDViewC*>(alive.get()); screen != nullptr && open) screen->useImage(scaled);
        });
    }).detach();
}

void IconCDViewC::useImage(const Image& image) {
    processingImage = true;
    bool scaled = image.width() == kPictureSide && image.height() == kPictureSide;
    icon.image = scaled ? image : image.scaledTo(kPictureSide, kPictureSide);
    processingImage = false;
}

void IconCDViewC::deleteImage() { icon.image.reset(); }

void IconCDViewC::renderContent(SceneNode& content, SceneContext& context) {
    icon.render(content, context, "icon");
    CDViewC::renderContent(content, context);
}

}  // namespace tallo
