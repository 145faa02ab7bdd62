// The category chooser: masters heading their subcategories, the index,
// choosing one or several, and searching that creates — "Master:Sub"
// included, also where Master names a subcategory.

#include "Classes/screens/categories/SelectCategoryViewC.h"

#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo {
namespace {

class SelectCategoryViewCTest : public test::CategoryPayeeScreenTest {
protected:
    SelectCategoryViewCTest() {
        car = category("Car");
        fuel = category("Fuel", car);
        parking = category("Parking", car);
        food = category("Food");
        groceries = category("Groceries", food);
        TLDatabase::sharedDatabase().save();
    }
    std::shared_ptr<SelectCategoryViewC> open(int selectType = 0, int mode = 0) {
        auto chooser = std::make_shared<SelectCategoryViewC>();
        chooser->selectType = selectType;
        opener->pushView(chooser, mode);
        return chooser;
    }
    // Every category's place in the tree: "Car: Fuel, Parking; Food: …".
    std::string tree() {
        std::string out;
        auto masters = TLDatabase::sharedDatabase().fetchEntityCustom("Category", Predicate::parse("mastercat == NULL"),
                                                                      {SortDescriptor{"name"}});
        for (ManagedObject* object : masters) {
            auto* master = static_cast<TLCategory*>(object);
            out += (out.empty() ? "" : "; ") + master->name().value_or("") + ":";
            for (TLCategory* sub : master->getOrderedSubcats()) {
                out += " " + sub->name().value_or("");
                if (!sub->subcats().empty()) out += " (with subcategories!)";
            }
        }
        return out;
    }
    TLCategory *car, *fuel, *parking, *food, *groceries;
};

TEST_F(SelectCategoryViewCTest, EachMasterHeadsItsSubcategoriesAndEitherCanBeChosen) {
    auto chooser = open();
    EXPECT_EQ(navbar(), "Select Category <Cancel>");
    EXPECT_EQ(rows(), "Car; Fuel; Parking | Food; Groceries");
    tap("row:0:2");
    EXPECT_EQ(chooser->category, parking);
    EXPECT_EQ(opener->closed, chooser.get()) << "the opener hears of the choice";

    auto again = open();
    tap("row:1:0");  // the master itself
    EXPECT_EQ(again->category, food);
    EXPECT_FALSE(again->isCanceled);
}

TEST_F(SelectCategoryViewCTest, CancelClosesWithoutAChoice) {
    auto chooser = open();
    tap("nav:left");
    EXPECT_TRUE(chooser->isCanceled);
    EXPECT_EQ(chooser->category, nullptr);
    EXPECT_EQ(opener->closed, chooser.get());

    auto byKey = open();
    send(R"({"kind":"key","key":"Escape"})");
    EXPECT_TRUE(byKey->isCanceled);
    EXPECT_EQ(opener->closed, byKey.get());
}

TEST_F(SelectCategoryViewCTest, TheIndexGoesToTheNearestMasterAndOpensTheSearch) {
    category("Travel");
    auto chooser = open();
    rows();
    EXPECT_EQ(chooser->namesArray, (std::vector<std::string>{"C", "F", "T"}));
    EXPECT_EQ(chooser->sectionForIndexTitle("F", 6), 1);
    EXPECT_EQ(chooser->sectionForIndexTitle("S", 19), 2);  // T is 1 away, F 13
    EXPECT_EQ(chooser->sectionForIndexTitle("D", 4), 0);   // C 1 away, F 2
    chooser->tableView().setContentOffset(44);
    tap("index:0");
    EXPECT_TRUE(chooser->isHeaderViewShown());
    EXPECT_TRUE(has(scene(), "placeholder=\"Search or Create New Category\"")) << scene();
}

TEST_F(SelectCategoryViewCTest, SeveralAreMarkedAndDoneCloses) {
    auto chooser = open(1, 2);
    chooser->selectedCategoriesArray.push_back(food);
    EXPECT_EQ(navbar(), "Select Category <Cancel|Done>");
    EXPECT_EQ(rows(), "Car; Fuel; Parking | Food (checked); Groceries");
    tap("row:0:1");
    tap("row:1:0");
    EXPECT_EQ(rows(), "Car; Fuel (checked); Parking | Food; Groceries");
    tap("nav:right");
    EXPECT_EQ(opener->closed, chooser.get());
    EXPECT_EQ(chooser->selectedCategoriesArray, (std::vector<TLCategory*>{fuel}));
}

TEST_F(SelectCategoryViewCTest, OneChoiceStartsWithNothingMarked) {
    auto chooser = std::make_shared<SelectCategoryViewC>();
    chooser->selectedCategoriesArray.push_back(food);
    opener->pushView(chooser, 0);
    EXPECT_EQ(rows(), "Car; Fuel; Parking | Food; Groceries");
}

TEST_F(SelectCategoryViewCTest, ASearchListsAMasterWithOnlyItsMatchingSubcategories) {
    open();
    type("search", "park");
    EXPECT_EQ(rows(), "Create \"park\" | Car; Parking");
    type("search", "o");
    EXPECT_EQ(rows(), "Create \"o\" | Food; Groceries");  // Food matches; of its subcategories only Groceries
    type("search", "car");
    EXPECT_EQ(rows(), "Create \"car\" | Car");
    EXPECT_FALSE(has(scene(), "indexTitle")) << "no index while searching";
}

TEST_F(SelectCategoryViewCTest, CreatingANewMasterFromTheSearch) {
    auto chooser = open();
    type("search", "Pets");
    tap("row:0:0");
    ASSERT_NE(chooser->category, nullptr);
    EXPECT_EQ(chooser->category->name(), "Pets");
    EXPECT_EQ(chooser->category->mastercat(), nullptr);
    EXPECT_EQ(opener->closed, chooser.get());
    EXPECT_EQ(tree(), "Car: Fuel Parking; Food: Groceries; Pets:");
}

TEST_F(SelectCategoryViewCTest, MasterColonSubFilesTheNewSubcategoryUnderThatMaster) {
    auto chooser = open();
    type("search", "car:Tolls");
    EXPECT_EQ(rows(), "Create \"Tolls\" in \"Car\"");
    EXPECT_TRUE(chooser->isCreatingSubcat);
    EXPECT_EQ(chooser->foundMastercat, car);
    tap("row:0:0");
    EXPECT_EQ(chooser->category->mastercat(), car);
    EXPECT_EQ(tree(), "Car: Fuel Parking Tolls; Food: Groceries");
}

TEST_F(SelectCategoryViewCTest, AnUnknownMasterIsMadeWithItsSubcategory) {
    auto chooser = open();
    type("search", "Boat : Mooring");
    EXPECT_EQ(rows(), "Create \"Mooring\" in \"Boat\"");
    tap("row:0:0");
    EXPECT_EQ(tree(), "Boat: Mooring; Car: Fuel Parking; Food: Groceries");
}

TEST_F(SelectCategoryViewCTest, ASubcategoryAsMasterFilesTheNewOneBesideIt) {
    // "Fuel" is a subcategory of Car: the new one goes under Car, never a third level.
    auto chooser = open();
    type("search", "Fuel:Diesel");
    EXPECT_EQ(rows(), "Create \"Diesel\" in \"Car\"");
    tap("row:0:0");
    EXPECT_EQ(chooser->category->mastercat(), car);
    EXPECT_EQ(tree(), "Car: Diesel Fuel Parking; Food: Groceries");
}

TEST_F(SelectCategoryViewCTest, AMasterOfTheNameWinsOverASubcategoryOfTheSameName) {
    TLCategory* fuelMaster = category("Fuel");
    auto chooser = open();
    type("search", "Fuel:Diesel");
    EXPECT_EQ(chooser->foundMastercat, fuelMaster);
    tap("row:0:0");
    EXPECT_EQ(chooser->category->mastercat(), fuelMaster);
}

TEST_F(SelectCategoryViewCTest, TextEndingWithAColonIsOneNewName) {
    auto chooser = open();
    type("search", "Car:");
    EXPECT_EQ(rows(), "Create \"Car:\"");
    EXPECT_FALSE(chooser->isCreatingSubcat);
    tap("row:0:0");
    EXPECT_EQ(chooser->category->name(), "Car:");
    EXPECT_EQ(chooser->category->mastercat(), nullptr);
}

TEST_F(SelectCategoryViewCTest, CreatingWhileChoosingSeveralMarksTheNewOne) {
    auto chooser = open(1, 2);
    type("search", "Pets");
    tap("row:0:0");
    EXPECT_FALSE(chooser->isSearching());
    ASSERT_EQ(chooser->selectedCategoriesArray.size(), 1u);
    EXPECT_EQ(chooser->selectedCategoriesArray[0]->name(), "Pets");
    EXPECT_EQ(opener->closed, nullptr) << "still open for more";
}

}  // namespace
}  // namespace tallo
