#pragma once
// TLTabBarController: the tab bar with the application's own buttons drawn
// over its items. Each item gets a button titled like its screen (bold 10
// points, shrinking to 9 to fit), with a background picture of its own
// ("tab_button_<index>.png") at x = index × 64 points; only the button of
// the selected item shows, and tapping it takes that tab back to its root
// screen. The buttons are found by the items' tags, so they follow the
// items when the person reorders the tabs.

#include <string>
#include <vector>

#include "Platform/ui/TabBarController.h"

namespace tallo {

class TLTabBarController : public TabBarController {
public:
    struct Button {
        std::string title;
        std::string backgroundImage;
        double x = 0;
        bool hidden = true;
        bool selected = false;
    };

    void viewDidLoad() override;
    // One hidden button per item, in item order; the first marked selected.
    void initButtons();
    // Shows the button of the selected item (found by its tag) only.
    void updateSelection();
    // After the tabs were reordered: the button of the item at position i
    // (of the first five) moves to x = i × 64.
    void rearangeButtons();
    // The selected tab back to its root screen, animated.
    void popToRoot();

    const std::vector<Button>& buttons() const { return buttons_; }
    const std::string& backgroundImage() const { return backgroundImage_; }
    void render(SceneNode& into, SceneContext& context) override;

private:
    // The button list position of a screen's item (its tag), or -1.
    int buttonIndexOf(const ViewController* screen) const;

    std::vector<Button> buttons_;
    std::string backgroundImage_;
};

}  // namespace tallo
