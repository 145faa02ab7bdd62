// The Passcode settings and the entry screen, as a person uses them through
// Settings: setting, confirming, changing and removing the passcode, step by
// step on the manual clock (each entry is checked half a second after the
// digit that makes four).

#include "Classes/screens/passcode/PasscodeEditViewC.h"

#include "Classes/screens/settings/SettingsViewC.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLSecurityInfo.h"
#include "tests/shell/ScreenTestSupport.h"

namespace tallo::test {
namespace {

// The panel in view as one line: "action | message | boxes", a box being
// its digit, * when masked, _ when empty.
void describePanels(const SceneNode& node, std::string& out) {
    if (node.kind() == "dialog") {
        const auto* frame = node.property("frame");
        if (frame != nullptr && std::get<std::string>(*frame).rfind("0,", 0) == 0) {
            out += std::get<std::string>(*node.property("action")) + " | " +
                   std::get<std::string>(*node.property("message")) + " | ";
            for (const SceneNode& box : node.children()) {
                if (const auto* text = box.property("text")) {
                    out += std::get<std::string>(*text);
                } else {
                    out += box.property("masked") != nullptr ? "*" : "_";
                }
            }
        }
        return;
    }
    for (const SceneNode& child : node.children()) describePanels(child, out);
}

class PasscodeScreens : public ScreenTest {
protected:
    PasscodeScreens() {
        auto settings = std::make_shared<SettingsViewC>();
        settings->isRootView = true;
        app().setRootViewController(std::make_shared<NavigationController>(settings));
    }
    void enter(const std::string& digits) {
        for (char digit : digits) tap(std::string("key:") + digit);
    }
    void wait(double seconds) { RunLoop::main().advance(seconds); }
    std::string panel() {
        std::string out;
        describePanels(app().render(), out);
        return out;
    }
    std::string title() {
        SceneNode shown = app().render();
        const SceneNode* bar = shown.findKind("navbar");
        return bar == nullptr ? "" : std::get<std::string>(*bar->property("title"));
    }
    std::string stored() { return db().securityInfo()->passcode().value_or(""); }
    void storePasscode(const std::string& passcode) {
        db().securityInfo()->setPasscode(passcode);
        db().save();
    }
    // Settings → Passcode.
    void openPasscodeSettings() { tap("row:0:1"); }
};

TEST_F(PasscodeScreens, SettingAPasscodeAsksTwiceAndStoresIt) {
    openPasscodeSettings();
    std::string settings = scene();
    EXPECT_TRUE(has(settings, "navbar title=\"Passcode\"")) << settings;
    EXPECT_TRUE(has(settings, "row#row:0:0 style=\"default\" text=\"Set Passcode\" textAlign=\"center\"")) << settings;
    EXPECT_TRUE(has(settings, "row#row:0:1 style=\"default\" text=\"Remove Passcode\" textAlign=\"center\" "
                              "textColor=\"rgba(128,128,128,1)\""))
        << settings;

    tap("row:0:0");
    EXPECT_EQ(title(), "Set Passcode");
    EXPECT_TRUE(has(scene(), "button#nav:left title=\"Cancel\""));
    EXPECT_EQ(panel(), "Enter your new passcode |  | ____");

    enter("1");
    EXPECT_EQ(panel(), "Enter your new passcode |  | 1___");
    enter("2");
    EXPECT_EQ(panel(), "Enter your new passcode |  | *2__");  // only the newest digit is readable
    wait(0.5);
    EXPECT_EQ(panel(), "Enter your new passcode |  | **__");
    enter("34");
    wait(0.49);
    EXPECT_EQ(panel(), "Enter your new passcode |  | ***4");  // not checked yet
    wait(0.01);
    EXPECT_EQ(panel(), "Confirm your new passcode |  | ____");
    EXPECT_EQ(stored(), "");

    enter("1234");
    wait(0.5);
    EXPECT_EQ(stored(), "1234");
    EXPECT_FALSE(db().context()->hasChanges());  // saved
    EXPECT_TRUE(TLGlobal::sharedGlobal().isUnlocked());
    std::string after = scene();
    EXPECT_TRUE(has(after, "navbar title=\"Passcode\"")) << after;
    EXPECT_TRUE(has(after, "text=\"Change Passcode\"")) << after;
    EXPECT_TRUE(has(after, "text=\"Remove Passcode\" textAlign=\"center\" textColor=\"rgba(85,85,85,1)\"")) << after;
}

TEST_F(PasscodeScreens, AConfirmationThatDiffersStartsAgainFromTheNewPasscode) {
    openPasscodeSettings();
    tap("row:0:0");
    enter("1234");
    wait(0.5);
    enter("1243");
    wait(0.5);
    EXPECT_EQ(panel(), "Enter your new passcode | Passcodes do not match. Try again. | ____");
    EXPECT_EQ(stored(), "");
    enter("5678");
    wait(0.5);
    EXPECT_EQ(panel(), "Confirm your new passcode |  | ____");
    enter("5678");
    wait(0.5);
    EXPECT_EQ(stored(), "5678");
}

TEST_F(PasscodeScreens, ChangingAsksForTheOldPasscodeUntilItIsRight) {
    storePasscode("2580");
    openPasscodeSettings();
    tap("row:0:0");
    EXPECT_EQ(title(), "Change Passcode");
    EXPECT_EQ(panel(), "Enter your old passcode |  | ____");
    enter("2581");
    wait(0.5);
    EXPECT_EQ(panel(), "Enter your old passcode | Old passcode wrong. Try again. | ____");
    enter("2580");
    wait(0.5);
    EXPECT_EQ(panel(), "Enter your new passcode |  | ____");
    enter("9876");
    wait(0.5);
    EXPECT_EQ(panel(), "Confirm your new passcode |  | ____");
    EXPECT_EQ(stored(), "2580");
    enter("9876");
    wait(0.5);
    EXPECT_EQ(stored(), "9876");
    EXPECT_TRUE(has(scene(), "navbar title=\"Passcode\""));
}

TEST_F(PasscodeScreens, RemovingNeedsTheOldPasscodeAndThenGreysTheRow) {
    storePasscode("2580");
    openPasscodeSettings();
    tap("row:0:1");
    EXPECT_EQ(title(), "Remove Passcode");
    enter("0000");
    wait(0.5);
    EXPECT_EQ(panel(), "Enter your old passcode | Old passcode wrong. Try again. | ____");
    EXPECT_EQ(stored(), "2580");
    enter("2580");
    wait(0.5);
    EXPECT_EQ(stored(), "");
    EXPECT_FALSE(db().context()->hasChanges());
    EXPECT_TRUE(has(scene(), "text=\"Set Passcode\""));
    // Nothing to remove: the grey row does nothing.
    app().render();
    EXPECT_FALSE(app().handleMessage(R"({"kind":"tap","target":"row:0:1"})"));
    EXPECT_EQ(title(), "Passcode");
}

TEST_F(PasscodeScreens, CancelClosesWithoutChangingThePasscode) {
    storePasscode("2580");
    openPasscodeSettings();
    tap("row:0:0");
    enter("2580");
    wait(0.5);
    enter("11");
    tap("nav:left");
    EXPECT_EQ(title(), "Passcode");
    EXPECT_EQ(stored(), "2580");
    wait(1);  // the checks still pending find no screen
    EXPECT_EQ(stored(), "2580");
}

TEST_F(PasscodeScreens, AFifthDigitAndADeleteWithNothingEnteredDoNothing) {
    openPasscodeSettings();
    tap("row:0:0");
    tap("key:12");  // delete, nothing entered
    EXPECT_EQ(panel(), "Enter your new passcode |  | ____");
    enter("12");
    tap("key:12");
    EXPECT_EQ(panel(), "Enter your new passcode |  | *___");
    enter("2345");  // 1, 2, 3, 4 and a fifth
    EXPECT_EQ(panel(), "Enter your new passcode |  | ***4");
    auto* screen = dynamic_cast<PasscodeEditViewC*>(app().visibleViewController());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->passcode(), "1234");
    wait(0.5);
    EXPECT_EQ(screen->passcodeToConfirm(), "1234");
    EXPECT_EQ(panel(), "Confirm your new passcode |  | ____");
}

TEST_F(PasscodeScreens, FourQuickDigitsAreComparedHalfASecondAfterTheFourth) {
    storePasscode("2580");
    openPasscodeSettings();
    tap("row:0:0");
    for (char digit : std::string("2581")) {
        tap(std::string("key:") + digit);
        wait(0.1);
    }
    // The fourth digit came at 0.3 s: it is read, then masked, then compared.
    EXPECT_EQ(panel(), "Enter your old passcode |  | ***1");
    wait(0.3);
    EXPECT_EQ(panel(), "Enter your old passcode |  | ***1");
    wait(0.1);
    EXPECT_EQ(panel(), "Enter your old passcode | Old passcode wrong. Try again. | ____");
    // A fourth digit taken back calls its check off; the next fourth has its own.
    enter("2589");
    wait(0.3);
    tap("key:12");
    wait(0.3);
    EXPECT_EQ(panel(), "Enter your old passcode | Old passcode wrong. Try again. | ***_");
    enter("0");
    wait(0.49);
    EXPECT_EQ(panel(), "Enter your old passcode | Old passcode wrong. Try again. | ***0");
    wait(0.01);
    EXPECT_EQ(panel(), "Enter your new passcode |  | ____");
}

TEST_F(PasscodeScreens, TheComputerKeyboardTypesDigitsAndDeletes) {
    openPasscodeSettings();
    tap("row:0:0");
    send(R"({"kind":"key","key":"4"})");
    send(R"({"kind":"key","key":"2"})");
    send(R"({"kind":"key","key":"Backspace"})");
    send(R"({"kind":"key","key":"7"})");
    send(R"({"kind":"key","key":"Delete"})");
    send(R"({"kind":"key","key":"9"})");
    EXPECT_EQ(panel(), "Enter your new passcode |  | *9__");
    for (const char* other : {".", "+", "Enter", "Escape"}) {
        app().render();
        EXPECT_FALSE(app().handleMessage(std::string(R"({"kind":"key","key":")") + other + "\"}")) << other;
    }
    EXPECT_EQ(panel(), "Enter your new passcode |  | *9__");
}

TEST_F(PasscodeScreens, AStepDoneSlidesThePanelOutAndTheNextIn) {
    openPasscodeSettings();
    tap("row:0:0");
    enter("1357");
    wait(0.5);
    std::string slid = scene();
    EXPECT_TRUE(has(slid, "dialog action=\"Enter your new passcode\" animate=0.3 frame=\"-320,0,320,200\" "
                          "from=\"0,0,320,200\" message=\"\"\n"
                          "          passcodefield frame=\"12,60,65,65\" masked=yes\n"))
        << slid;
    EXPECT_TRUE(has(slid, "dialog action=\"Confirm your new passcode\" animate=0.3 frame=\"0,0,320,200\" "
                          "from=\"320,0,320,200\" message=\"\"\n"
                          "          passcodefield active=yes frame=\"12,60,65,65\"\n"))
        << slid;
    // The digits never reach the page once masked.
    EXPECT_FALSE(has(slid, "text=\"1\"")) << slid;
    EXPECT_FALSE(has(slid, "text=\"7\"")) << slid;
}

}  // namespace
}  // namespace tallo::test
