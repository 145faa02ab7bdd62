// Choosing stored objects from a list: one or several, with search and
// objects left out.

#include "Classes/shell/TLSelectionViewC.h"

#include "tests/shell/ScreenTestSupport.h"

namespace tallo {
namespace {

class Opener : public TLViewC {
public:
    Opener() { isRootView = true; }
    void willPopNextView(TLNavigationViewC* next) override {
        chosen = dynamic_cast<TLSelectionViewC*>(next)->selectedObject();
        ++pops;
    }
    void willDismissModalView(TLNavigationViewC*) override { ++dismissals; }
    ManagedObject* chosen = nullptr;
    int pops = 0;
    int dismissals = 0;
};

class CategoryChooser : public TLSelectionViewC {
public:
    CategoryChooser() { setTitle("Category"); }
    std::string getEntityName() override { return "Category"; }
};

class TLSelectionViewCTest : public test::ScreenTest {
protected:
    TLSelectionViewCTest() {
        for (const char* name : {"apple", "Zebra", "Banana", "Cherry"}) objects_[name] = category(name);
        opener_ = std::make_shared<Opener>();
        app().setRootViewController(std::make_shared<NavigationController>(opener_));
    }
    // The rows' texts, one a line, with a "*" on checked rows.
    std::string rows() {
        std::string out;
        SceneNode rendered = app().render();
        const SceneNode* table = rendered.find("table");
        if (table == nullptr) return "(no table)";
        for (const SceneNode& section : table->children()) {
            for (const SceneNode& row : section.children()) {
                const auto* text = row.property("text");
                out += text != nullptr ? std::get<std::string>(*text) : "?";
                if (row.property("accessory") != nullptr) out += "*";
                out += "\n";
            }
        }
        return out;
    }
    std::map<std::string, TLCategory*> objects_;
    std::shared_ptr<Opener> opener_;
};

TEST_F(TLSelectionViewCTest, ChoosingOneRowClosesTheListWithThatObject) {
    auto chooser = std::make_shared<CategoryChooser>();
    opener_->pushView(chooser, 0);
    // Plain comparison: capitals sort before small letters.
    EXPECT_EQ(rows(), "Banana\nCherry\nZebra\napple\n");
    EXPECT_TRUE(has(scene(), "button#nav:left title=\"Cancel\"")) << scene();
    tap("row:0:2");
    EXPECT_EQ(opener_->pops, 1);
    EXPECT_EQ(opener_->chosen, objects_["Zebra"]);
    EXPECT_EQ(app().visibleViewController(), opener_.get());
}

TEST_F(TLSelectionViewCTest, ASearchKeepsTheLabelsContainingTheTextInAnyCase) {
    auto chooser = std::make_shared<CategoryChooser>();
    opener_->pushView(chooser, 0);
    chooser->shouldConfirmSelection = true;  // after loading, which resets it
    type("search", "AN");
    EXPECT_EQ(rows(), "Banana\n");
    type("search", "e");
    EXPECT_EQ(rows(), "Cherry\nZebra\napple\n");
    tap("row:0:1");
    EXPECT_EQ(chooser->selectedObject(), objects_["Zebra"]);
    EXPECT_EQ(app().visibleViewController(), chooser.get());  // confirming: stays
    tap("search:cancel");
    EXPECT_EQ(rows(), "Banana\nCherry\nZebra\napple\n");
}

TEST_F(TLSelectionViewCTest, ObjectsOfTheFilterSetAreNeverListedNorFound) {
    auto chooser = std::make_shared<CategoryChooser>();
    chooser->filterSet = {objects_["Banana"], objects_["apple"]};
    opener_->pushView(chooser, 0);
    EXPECT_EQ(rows(), "Cherry\nZebra\n");
    type("search", "a");
    EXPECT_EQ(rows(), "Zebra\n");
}

TEST_F(TLSelectionViewCTest, SeveralAreChosenWithTheGroupRowAndOneByOne) {
    auto chooser = std::make_shared<CategoryChooser>();
    chooser->selectionType = 1;
    chooser->selectedObjectsArray = {objects_["Cherry"]};
    opener_->presentModalView(chooser, 1);
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "button#nav:right done=yes title=\"Next\"")) << shown;
    EXPECT_EQ(rows(), "Select All\nBanana\nCherry*\nZebra\napple\n");
    tap("row:0:0");
    EXPECT_EQ(rows(), "Unselect All\nBanana*\nCherry*\nZebra*\napple*\n");
    tap("row:0:2");
    EXPECT_EQ(rows(), "Select All\nBanana*\nCherry\nZebra*\napple*\n");
    tap("row:0:0");
    tap("row:0:0");
    EXPECT_TRUE(chooser->selectedObjectsArray.empty());
    tap("nav:left");  // Cancel
    EXPECT_EQ(opener_->dismissals, 1);
    EXPECT_EQ(app().visibleViewController(), opener_.get());
}

TEST_F(TLSelectionViewCTest, ThePresentedDoneModeClosesOnceOnCancel) {
    auto chooser = std::make_shared<CategoryChooser>();
    chooser->selectionType = 1;
    opener_->presentModalView(chooser, 2);
    EXPECT_TRUE(has(scene(), "button#nav:right done=yes image=\"nav_done.png\" title=\"Done\"")) << scene();
    tap("nav:left");
    RunLoop::main().runPending();
    EXPECT_EQ(opener_->dismissals, 1);
    EXPECT_EQ(app().visibleViewController(), opener_.get());
}

}  // namespace
}  // namespace tallo
