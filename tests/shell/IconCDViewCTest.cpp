// A record's picture: the sheets, the image picker, and the picked
// picture scaled off the main thread and shown.

#include "Classes/shell/IconCDViewC.h"

#include "tests/shell/ScreenTestSupport.h"

namespace tallo {
namespace {

class PayeeScreen : public IconCDViewC {
public:
    PayeeScreen() { setTitle("Payee"); }
    void useImage(const Image& image) override {
        IconCDViewC::useImage(image);
        ++stored;
        ++storedByAnyScreen;
    }
    int stored = 0;
    static inline int storedByAnyScreen = 0;
};

class IconCDViewCTest : public test::ScreenTest {
protected:
    IconCDViewCTest() : screen_(std::make_shared<PayeeScreen>()) {
        app().setRootViewController(std::make_shared<NavigationController>(screen_));
        NotificationCenter::defaultCenter().addObserver(this, "resignAllResponders", [this](const Notification&) { ++resigned_; });
    }
    ~IconCDViewCTest() override { NotificationCenter::defaultCenter().removeObserver(this); }
    // The sheet's button titles, "|"-joined.
    std::string sheetButtons() {
        SceneNode rendered = app().render();
        const SceneNode* sheet = rendered.findKind("sheet");
        if (sheet == nullptr) return "(no sheet)";
        std::string out;
        for (const SceneNode& button : sheet->children()) out += (out.empty() ? "" : "|") + std::get<std::string>(*button.property("title"));
        return out;
    }
    void upload(std::vector<uint8_t> bytes, std::string* error = nullptr) {
        app().render();
        UIEvent event;
        event.kind = UIEvent::Kind::Picture;
        event.target = "imagepicker";
        event.data = std::move(bytes);
        ASSERT_TRUE(app().handleEvent(event, error));
    }
    std::shared_ptr<PayeeScreen> screen_;
    int resigned_ = 0;
};

TEST_F(IconCDViewCTest, OutsideEditingThePictureOnlyEndsTyping) {
    tap("icon");
    EXPECT_EQ(resigned_, 1);
    EXPECT_TRUE(app().overlays().empty());
}

TEST_F(IconCDViewCTest, TheSheetOffersDeletingOnlyAnExistingPicture) {
    screen_->toggleEdit();
    EXPECT_TRUE(has(scene(), "icon#icon editing=yes frame=\"8,8,72,72\"")) << scene();
    tap("icon");
    EXPECT_EQ(sheetButtons(), "Take Photo|Choose Photo|Cancel");
    tap("overlay:0:2");  // Cancel
    EXPECT_TRUE(app().overlays().empty());

    screen_->useImage(Image(300, 200, {200, 30, 30, 255}));
    tap("icon");
    EXPECT_EQ(sheetButtons(), "Take Photo|Choose Photo|Delete Photo|Cancel");
    tap("overlay:0:2");
    EXPECT_FALSE(screen_->icon.hasImage());
}

TEST_F(IconCDViewCTest, APickedPictureIsScaledAndShown) {
    screen_->toggleEdit();
    tap("icon");
    tap("overlay:0:1");  // Choose Photo
    std::string picker = scene();
    EXPECT_TRUE(has(picker, "imagepicker#imagepicker editing=yes source=\"library\"")) << picker;

    std::string error;
    upload({'G', 'I', 'F', '8', '9', 'a', 0, 0}, &error);
    EXPECT_TRUE(has(scene(), "error=\"not a PNG or JPEG picture\"")) << scene();  // still there for another try

    upload(Image(300, 200, {10, 120, 200, 255}).encodePNG());
    EXPECT_EQ(app().visibleViewController(), screen_.get());
    EXPECT_TRUE(screen_->processingImage);
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return IconCDViewC::scalingsInFlight() == 0; }, 20));
    EXPECT_EQ(screen_->stored, 1);
    EXPECT_FALSE(screen_->processingImage);
    ASSERT_TRUE(screen_->icon.image);
    EXPECT_EQ(screen_->icon.image->width(), 100);
    EXPECT_EQ(screen_->icon.image->height(), 100);
    EXPECT_EQ(screen_->icon.image->pixelAt(50, 50), (Image::Pixel{10, 120, 200, 255}));
    EXPECT_TRUE(has(scene(), "image=\"data:image/png;base64,iVBORw0KGgo")) << "the picture goes to the page";
}

TEST_F(IconCDViewCTest, AScreenClosedWhileScalingNeverHearsOfThePicture) {
    auto root = std::make_shared<TLViewC>();
    app().setRootViewController(std::make_shared<NavigationController>(root));
    std::weak_ptr<PayeeScreen> weak;
    PayeeScreen::storedByAnyScreen = 0;
    {
        auto screen = std::make_shared<PayeeScreen>();
        weak = screen;
        root->pushView(screen, 0);
        screen->imagePickerDidFinishPicking(Image(64, 64, {1, 2, 3, 255}));
        screen->popView();
        screen_.reset();
    }
    // The scaled picture arrives for no one, whichever comes first: the
    // picture or the end of the closed screen.
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return IconCDViewC::scalingsInFlight() == 0 && weak.expired(); }, 20));
    EXPECT_EQ(PayeeScreen::storedByAnyScreen, 0);
}

}  // namespace
}  // namespace tallo
