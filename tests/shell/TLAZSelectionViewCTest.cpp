// The alphabetical list: its sections in fetch order, the index strip's
// nearest-heading rule, and the "Create" row of a search.

#include "Classes/shell/TLAZSelectionViewC.h"

#include "tests/shell/ScreenTestSupport.h"

namespace tallo {
namespace {

// Payee-like names in the order they were made (no sort: creation order).
class NameList : public TLAZSelectionViewC {
public:
    NameList() { setTitle("Payees"); }
    std::string getEntityName() override { return "Category"; }
    std::vector<SortDescriptor> getSortDescriptorsArray() override { return {}; }
    std::string getLabelAttributeValueFromObject(ManagedObject* object) override {
        Value name = object != nullptr ? object->valueForKey("name") : Value();
        return name.asString() != nullptr ? *name.asString() : "";
    }
};

class TLAZSelectionViewCTest : public test::ScreenTest {
protected:
    std::shared_ptr<NameList> show(std::initializer_list<const char*> names) {
        for (const char* name : names) category(name);
        auto list = std::make_shared<NameList>();
        auto root = std::make_shared<TLViewC>();
        app().setRootViewController(std::make_shared<NavigationController>(root));
        root->pushView(list, 0);
        return list;
    }
    // "A: apple | B: Banana, avocado" from the rendered table.
    std::string sections() {
        std::string out;
        SceneNode rendered = app().render();
        const SceneNode* table = rendered.find("table");
        if (table == nullptr) return "(no table)";
        for (const SceneNode& section : table->children()) {
            if (section.kind() != "section") continue;
            if (!out.empty()) out += " | ";
            const auto* header = section.property("header");
            out += header != nullptr ? std::get<std::string>(*header) + ": " : "";
            for (size_t i = 0; i < section.children().size(); ++i) {
                out += (i > 0 ? ", " : "") + std::get<std::string>(*section.children()[i].property("text"));
            }
        }
        return out;
    }
};

TEST_F(TLAZSelectionViewCTest, SectionsFollowTheFetchOrder) {
    show({"apple", "Banana", "avocado"});
    EXPECT_EQ(sections(), "A: apple | B: Banana, avocado");
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "table#table rightMargin=30 style=\"plain\"\n        index\n"
                           "          indexTitle#index:0 title=\"{search}\"\n          indexTitle#index:1 title=\"A\"\n"))
        << shown;
    EXPECT_TRUE(has(shown, "accessory=\"disclosure\" style=\"default\" text=\"apple\""));
}

TEST_F(TLAZSelectionViewCTest, AnIndexTitleWithoutSectionGoesToTheNearestHeading) {
    auto list = show({"Bob", "Gus"});
    list->createSections();
    EXPECT_EQ(list->sectionForIndexTitle("G", 7), 1);
    EXPECT_EQ(list->sectionForIndexTitle("E", 5), 1);  // G is 2 away, B 3
    EXPECT_EQ(list->sectionForIndexTitle("A", 1), 0);
    tap("index:5");  // E, as the person taps it
    EXPECT_TRUE(has(scene(), "scrollTo=\"1:0\"")) << scene();
}

TEST_F(TLAZSelectionViewCTest, ATieGoesToTheFirstHeadingAndTheEndsReachTheirNeighbours) {
    auto list = show({"Bea", "Fay"});
    list->createSections();
    EXPECT_EQ(list->sectionForIndexTitle("D", 4), 0);  // B and F both 2 away
    NameList other;
    other.sectionTitlesArray = {"A", "Z"};
    EXPECT_EQ(other.sectionForIndexTitle("#", 27), 1);
}

TEST_F(TLAZSelectionViewCTest, HeadingsOutsideTheStripNeverWin) {
    auto list = show({"1st Bank", "2nd Street Deli"});
    EXPECT_EQ(sections(), "1: 1st Bank | 2: 2nd Street Deli");
    list->createSections();
    for (int index : {1, 14, 26, 27}) EXPECT_EQ(list->sectionForIndexTitle(list->indexTitlesArray[index], index), 0);
}

TEST_F(TLAZSelectionViewCTest, ASearchThatCanCreateOffersTheTypedTextFirst) {
    auto list = show({"apple", "Banana"});
    list->canCreateRecord = true;
    type("search", "Kiwi");
    EXPECT_EQ(sections(), "Create \"Kiwi\"");
    EXPECT_FALSE(has(scene(), "indexTitle"));
    type("search", "an");
    EXPECT_EQ(sections(), "Create \"an\", Banana");
    tap("row:0:1");
    EXPECT_EQ(list->selectedIndex, 1);
}

TEST_F(TLAZSelectionViewCTest, TheSearchTitleOpensTheSearchBar) {
    auto list = show({"apple"});
    list->tableView().setContentOffset(44);
    tap("index:0");
    EXPECT_TRUE(list->isHeaderViewActivated);
    EXPECT_TRUE(list->isHeaderViewShown());
}

}  // namespace
}  // namespace tallo
