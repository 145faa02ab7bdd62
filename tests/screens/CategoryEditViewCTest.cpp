// A category's screen: its modes and titles, the name and the save button,
// subcategories and "Create Subcategory", Done, Cancel and Delete, its
// picture, and the new transaction it starts.

#include "Classes/screens/categories/CategoryEditViewC.h"

#include "Classes/screens/categories/NewTransactionFromPicture.h"
#include "Classes/store/TLImageRecord.h"
#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo {
namespace {

class CategoryEditViewCTest : public test::CategoryPayeeScreenTest {
protected:
    CategoryEditViewCTest() {
        usd = currency("USD", true);
        checking = account("Checking", usd);
        car = category("Car");
        car->setImageName("Car");
        fuel = category("Fuel", car);
        parking = category("Parking", car);
        transaction(checking, TLTransactionType::Expense, {"30"}, fuel);
        transaction(checking, TLTransactionType::Expense, {"4.50"}, parking);
        TLDatabase::sharedDatabase().save();
    }
    std::shared_ptr<CategoryEditViewC> open(TLCategory* category, int mode) {
        screen = std::make_shared<CategoryEditViewC>(category);
        opener->pushView(screen, mode);
        return screen;
    }
    size_t count(const char* entity) { return TLDatabase::sharedDatabase().getAllObjectsWithEntityName(entity).size(); }

    TLCurrency* usd;
    TLAccount* checking;
    TLCategory *car, *fuel, *parking;
    std::shared_ptr<CategoryEditViewC> screen;
};

TEST_F(CategoryEditViewCTest, AMasterShowsItsTotalAndItsSubcategories) {
    open(car, 0);
    EXPECT_EQ(navbar(), "Car <Back|Edit>");
    EXPECT_EQ(rows(), "Car [-$34.50]; New Transaction | Fuel [-$30.00]; Parking [-$4.50]");
    tap("row:1:1");
    EXPECT_EQ(navbar(), "Parking <Back|Edit>");
    EXPECT_EQ(rows(), "Parking [-$4.50]; New Transaction");
    EXPECT_TRUE(has(scene(), "icon#icon")) << "the master's picture stands for the subcategory";
}

TEST_F(CategoryEditViewCTest, EditingOffersCreateSubcategoryAndTheDeleteRow) {
    open(car, 0);
    tap("nav:right");  // Edit
    EXPECT_EQ(navbar(), "Car <Cancel|Done>");
    EXPECT_EQ(rows(), " | Create Subcategory (+); Fuel [-$30.00]; Parking [-$4.50] | Delete Category");
    EXPECT_TRUE(has(scene(), "field#field:0:0 keyboard=\"default\" placeholder=\"Category Name\" text=\"Car\"")) << scene();
    tap("insert:1:0");
    EXPECT_EQ(navbar(), "New Subcategory <Cancel|Done (off)>");
    EXPECT_TRUE(has(scene(), "placeholder=\"Subcategory Name\"")) << scene();
    type("field:0:0", "Tolls");
    tap("nav:right");
    EXPECT_EQ(navbar(), "Car <Cancel|Done>") << "back on the master, still editing";
    EXPECT_EQ(rows(), " | Create Subcategory (+); Fuel [-$30.00]; Parking [-$4.50]; Tolls [$0.00] | Delete Category");
    EXPECT_FALSE(unsaved());
    tap("nav:right");  // Done
    EXPECT_EQ(navbar(), "Car <Back|Edit>");
    EXPECT_EQ(rows(), "Car [-$34.50]; New Transaction | Fuel [-$30.00]; Parking [-$4.50]; Tolls [$0.00]");
}

TEST_F(CategoryEditViewCTest, ASubcategoryHasNoSubcategoriesOfItsOwn) {
    open(fuel, 2);
    EXPECT_EQ(navbar(), "Edit Fuel <Cancel|Done>");
    EXPECT_EQ(rows(), " | Delete Subcategory");
}

TEST_F(CategoryEditViewCTest, DoneNeedsANameAndANewCategoryWithoutOneIsNoName) {
    auto* created = static_cast<TLCategory*>(TLDatabase::sharedDatabase().createObjectForEntity("Category"));
    open(created, 1);
    EXPECT_EQ(navbar(), "New Category <Cancel|Done (off)>");
    type("field:0:0", "Pets");
    EXPECT_EQ(navbar(), "New Category <Cancel|Done>");
    type("field:0:0", "");
    EXPECT_EQ(navbar(), "New Category <Cancel|Done (off)>");
    screen->doneAction();  // however it is reached
    EXPECT_EQ(created->name(), "No name");
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(opener->closed, screen.get());
}

TEST_F(CategoryEditViewCTest, ANewCategoryOpensWithTheCaretInItsNameAndAnEditedOneWithout) {
    auto* created = static_cast<TLCategory*>(TLDatabase::sharedDatabase().createObjectForEntity("Category"));
    open(created, 1);
    std::string opened = scene();
    EXPECT_TRUE(has(opened, "field#field:0:0 focus=yes")) << opened;
    EXPECT_FALSE(has(scene(), "focus=yes")) << "asked for once, not at every drawing";
    open(car, 2);
    EXPECT_FALSE(has(scene(), "focus=yes"));
}

TEST_F(CategoryEditViewCTest, CancelOnANewCategoryDeletesIt) {
    auto* created = static_cast<TLCategory*>(TLDatabase::sharedDatabase().createObjectForEntity("Category"));
    open(created, 1);
    type("field:0:0", "Pets");
    tap("nav:left");
    EXPECT_EQ(count("Category"), 3u);
    EXPECT_EQ(opener->closed, screen.get());
}

TEST_F(CategoryEditViewCTest, CancelUndoesARenameAndKeepsTheScreen) {
    open(car, 2);
    type("field:0:0", "Auto");
    EXPECT_EQ(car->name(), "Auto") << "the field writes the name at once";
    tap("nav:left");
    EXPECT_EQ(car->name(), "Car");
    EXPECT_EQ(navbar(), "Edit Car <Back|Edit>");
    EXPECT_EQ(opener->closed, nullptr);
}

TEST_F(CategoryEditViewCTest, DeleteAsksAndRemovesTheCategory) {
    open(parking, 0);
    tap("nav:right");
    tap("row:1:0");  // Delete Subcategory
    EXPECT_TRUE(has(scene(), "title=\"Delete Subcategory\"")) << scene();
    tap("overlay:0:0");
    EXPECT_EQ(opener->closed, screen.get());
    EXPECT_EQ(count("Category"), 2u);
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(checkBooks(), "") << "the split stays, uncategorised";
}

TEST_F(CategoryEditViewCTest, DeletingWaitsForAPictureBeingScaled) {
    open(parking, 0);
    tap("nav:right");
    screen->processingImage = true;
    tap("row:1:0");
    RunLoop::main().advance(0.9);
    EXPECT_EQ(app().overlays().size(), 0u);
    screen->processingImage = false;
    RunLoop::main().advance(0.2);
    EXPECT_EQ(app().overlays().size(), 1u);
}

TEST_F(CategoryEditViewCTest, AChosenPictureIsKeptInTheCategorysImageRecord) {
    open(car, 2);
    screen->useImage(Image(300, 200, {200, 30, 30, 255}));
    ASSERT_NE(car->imageRecord(), nullptr);
    std::optional<Image> stored = car->getImageSmall(true).load();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->width(), 100);
    EXPECT_EQ(stored->pixelAt(50, 50), (Image::Pixel{200, 30, 30, 255}));
    tap("nav:left");  // Cancel
    EXPECT_EQ(car->imageRecord(), nullptr);
    EXPECT_EQ(count("ImageRecord"), 0u);
}

TEST_F(CategoryEditViewCTest, ANewTransactionGoesToTheDefaultAccountInItsCurrency) {
    TLCurrency* eur = currency("EUR");
    account("Brokerage", usd, TLAccountType::Investment, -1);  // listed first, but cannot take one
    TLAccount* euros = account("Euro Account", eur, TLAccountType::Bank, 1);
    checking->setOrder(2);
    TLTransaction* made = NewTransactionFromPicture::fromCategory(fuel);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->account(), euros);
    EXPECT_EQ(made->currency(), eur);
    ASSERT_EQ(made->splits().size(), 1u);
    EXPECT_EQ((*made->splits().begin())->category(), fuel);
    NewTransactionFromPicture::discard(made);
    EXPECT_EQ(count("Transaction"), 2u);
    EXPECT_EQ(count("Account"), 3u) << "the unsaved accounts made before it stay";
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(CategoryEditViewCTest, TheNewTransactionRowWithoutAccountsAlerts) {
    TLDatabase::sharedDatabase().deleteObject(checking);
    TLDatabase::sharedDatabase().save();
    open(car, 0);
    tap("row:0:1");
    EXPECT_EQ(alertTitle(), "No accounts");
}

TEST_F(CategoryEditViewCTest, EnterIsDoneAndEscapeIsCancelWhileEditing) {
    open(car, 2);
    type("field:0:0", "Auto");
    send(R"({"kind":"key","key":"Escape"})");
    EXPECT_EQ(car->name(), "Car");
    EXPECT_FALSE(screen->isEditing());
    tap("nav:right");
    type("field:0:0", "Auto");
    send(R"({"kind":"key","key":"Enter"})");
    EXPECT_EQ(car->name(), "Auto");
    EXPECT_FALSE(unsaved());
    EXPECT_FALSE(screen->keyPressed("Enter")) << "outside editing the keys are not taken";
}

}  // namespace
}  // namespace tallo
