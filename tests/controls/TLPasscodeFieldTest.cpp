// The passcode boxes: a digit is readable for half a second and then
// masked, the page never receives a masked digit, and the pairing screen's
// boxes keep their digits in view.

#include "Classes/controls/PasscodeDialogView.h"

#include <gtest/gtest.h>

#include "Platform/foundation/Clock.h"
#include "Platform/foundation/RunLoop.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

class PasscodeFieldTest : public testing::Test {
protected:
    PasscodeFieldTest() : clock_(Date(1300000000)) { RunLoop::main().reset(); }
    ~PasscodeFieldTest() override { RunLoop::main().reset(); }

    static std::string drawn(View& view) {
        SceneNode into("root");
        SceneContext context;
        view.render(into, context);
        return into.children().front().toText();
    }

    test::ScopedClock clock_;
};

TEST_F(PasscodeFieldTest, ADigitShowsForHalfASecondAndIsThenMasked) {
    auto box = std::make_shared<TLPasscodeField>();
    box->enterText("7");
    EXPECT_EQ(drawn(*box), "passcodefield frame=\"0,0,65,65\" text=\"7\"\n");
    RunLoop::main().advance(0.49);
    EXPECT_TRUE(box->isLabelShown());
    RunLoop::main().advance(0.01);
    // Masked: the page learns that the box holds a digit, not which.
    EXPECT_EQ(drawn(*box), "passcodefield frame=\"0,0,65,65\" masked=yes\n");
    EXPECT_EQ(box->label(), "7");
}

TEST_F(PasscodeFieldTest, ABoxClearedBeforeItsMaskStaysEmpty) {
    auto box = std::make_shared<TLPasscodeField>();
    box->enterText("3");
    RunLoop::main().advance(0.2);
    box->clear();
    RunLoop::main().advance(0.5);
    EXPECT_EQ(drawn(*box), "passcodefield frame=\"0,0,65,65\"\n");
    EXPECT_TRUE(box->isCleared());
    // Entered again: its own half second, not what was left of the first.
    box->enterText("4");
    RunLoop::main().advance(0.3);
    box->enterText("5");
    RunLoop::main().advance(0.3);
    EXPECT_TRUE(box->isLabelShown());
    RunLoop::main().advance(0.2);
    EXPECT_TRUE(box->isBubbleShown());
}

TEST_F(PasscodeFieldTest, PairingBoxesKeepTheirDigitsInView) {
    PasscodeDialogView panel;
    panel.setShouldHideContent(true);
    panel.setActionLabel("Code");
    for (size_t i = 0; i < 4; ++i) panel.field(i).enterText(std::string(1, static_cast<char>('0' + i)));
    RunLoop::main().advance(5);
    EXPECT_EQ(drawn(panel),
              "dialog action=\"Code\" frame=\"0,0,320,200\" message=\"\"\n"
              "  passcodefield frame=\"12,60,65,65\" text=\"0\"\n"
              "  passcodefield frame=\"89,60,65,65\" text=\"1\"\n"
              "  passcodefield frame=\"166,60,65,65\" text=\"2\"\n"
              "  passcodefield frame=\"243,60,65,65\" text=\"3\"\n");
}

TEST_F(PasscodeFieldTest, ABoxDestroyedWithAMaskPendingIsNotTouched) {
    auto box = std::make_shared<TLPasscodeField>();
    box->enterText("9");
    box.reset();
    RunLoop::main().advance(1);  // ASan would see a use after free
    EXPECT_EQ(RunLoop::main().scheduledCount(), 0u);
}

}  // namespace
}  // namespace tallo
