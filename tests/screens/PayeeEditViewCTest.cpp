// A payee's screen: the name fields written at once, the save button that
// needs a name, iscompany from the names, the default category through the
// chooser, Cancel and Delete.

#include "Classes/screens/payees/PayeeEditViewC.h"

#include "Classes/screens/categories/SelectCategoryViewC.h"
#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo {
namespace {

class PayeeEditViewCTest : public test::CategoryPayeeScreenTest {
protected:
    TLPayee* newPayee() {
        auto* made = static_cast<TLPayee*>(TLDatabase::sharedDatabase().createObjectForEntity("Payee"));
        made->initializeNilNames();
        return made;
    }
    std::shared_ptr<PayeeEditViewC> open(TLPayee* edited, int mode) {
        screen = std::make_shared<PayeeEditViewC>(edited);
        opener->pushView(screen, mode);
        return screen;
    }
    size_t count(const char* entity) { return TLDatabase::sharedDatabase().getAllObjectsWithEntityName(entity).size(); }
    std::shared_ptr<PayeeEditViewC> screen;
};

TEST_F(PayeeEditViewCTest, ANewPayeeWithOnlyALastNameSaves) {
    TLPayee* made = newPayee();
    open(made, 1);
    EXPECT_EQ(navbar(), "New Payee <Cancel|Done (off)>");
    EXPECT_EQ(rows(), "First; Last; Company | Category [None]");
    type("field:0:1", "Okafor");
    EXPECT_EQ(made->lastname(), "Okafor") << "written at once";
    EXPECT_EQ(navbar(), "New Payee <Cancel|Done>");
    tap("nav:right");
    EXPECT_EQ(made->representationString(), "Okafor");
    EXPECT_EQ(made->iscompany(), false);
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(opener->closed, screen.get());
}

TEST_F(PayeeEditViewCTest, OnlyACompanyNameMakesACompany) {
    TLPayee* made = newPayee();
    open(made, 1);
    type("field:0:2", "Acme Hardware");
    tap("nav:right");
    EXPECT_EQ(made->iscompany(), true);
    EXPECT_EQ(made->representationString(), "Acme Hardware");
}

TEST_F(PayeeEditViewCTest, EmptyingEveryNameTurnsDoneOff) {
    TLPayee* made = newPayee();
    made->setFirstname("Ann");
    open(made, 2);
    EXPECT_EQ(navbar(), "Edit Payee <Cancel|Done>");
    type("field:0:0", "");
    EXPECT_EQ(navbar(), "Edit Payee <Cancel|Done (off)>");
    screen->doneAction();
    EXPECT_TRUE(screen->isEditing()) << "no save without a name";
}

TEST_F(PayeeEditViewCTest, ACompanyWhoseCompanyNameIsEmptiedShowsThePersonAfterDone) {
    TLPayee* shop = newPayee();
    shop->setFirstname("Dev");
    shop->setLastname("Iyer");
    shop->setCompany("Iyer Imports");
    shop->setIscompany(true);
    shop->setRepresentationString(shop->getRepresentationString());
    TLDatabase::sharedDatabase().save();
    open(shop, 0);
    EXPECT_EQ(navbar(), "Payee <Back|Edit>");
    EXPECT_EQ(rows(), "Iyer Imports");
    tap("nav:right");
    type("field:0:2", "");
    tap("nav:right");
    EXPECT_EQ(shop->iscompany(), false);
    EXPECT_EQ(rows(), "Dev Iyer");
    EXPECT_EQ(navbar(), "Payee <Back|Edit>");
}

TEST_F(PayeeEditViewCTest, TheCategoryComesFromTheChooserAndDeletingTheRowClearsIt) {
    currency("USD", true);
    TLCategory* food = category("Food");
    TLPayee* grocer = newPayee();
    grocer->setCompany("Green Grocer");
    grocer->setIscompany(true);
    grocer->setRepresentationString(grocer->getRepresentationString());
    TLDatabase::sharedDatabase().save();
    open(grocer, 2);
    tap("row:1:0");
    EXPECT_EQ(navbar(), "Select Category <Cancel>");
    tap("row:0:0");
    EXPECT_EQ(grocer->category(), food);
    EXPECT_EQ(rows(), "First; Last; Company | Category [Food] | Delete Payee");
    tap("nav:right");
    EXPECT_EQ(rows(), "Green Grocer | Food [$0.00]");

    tap("nav:right");
    tap("row:1:0");
    tap("nav:left");  // the chooser cancelled: nothing changes
    EXPECT_EQ(grocer->category(), food);
    send(R"({"kind":"delete","target":"delete:1:0"})");
    EXPECT_EQ(grocer->category(), nullptr);
    EXPECT_EQ(rows(), "First; Last; Company | Category [None] | Delete Payee");
}

TEST_F(PayeeEditViewCTest, CancelDeletesANewPayeeAndUndoesAnEdit) {
    TLPayee* made = newPayee();
    open(made, 1);
    type("field:0:0", "Ann");
    tap("nav:left");
    EXPECT_EQ(count("Payee"), 0u);
    EXPECT_EQ(opener->closed, screen.get());

    TLPayee* kept = newPayee();
    kept->setFirstname("Bob");
    kept->setRepresentationString(kept->getRepresentationString());
    TLDatabase::sharedDatabase().save();
    open(kept, 2);
    type("field:0:0", "Robert");
    tap("nav:left");
    EXPECT_EQ(kept->firstname(), "Bob");
    EXPECT_FALSE(screen->isEditing());
}

TEST_F(PayeeEditViewCTest, DeleteAsksAndRemovesThePayee) {
    TLPayee* kept = newPayee();
    kept->setFirstname("Bob");
    TLDatabase::sharedDatabase().save();
    open(kept, 2);
    tap("row:2:0");
    EXPECT_TRUE(has(scene(), "title=\"Delete Payee\"")) << scene();
    tap("overlay:0:0");
    EXPECT_EQ(count("Payee"), 0u);
    EXPECT_EQ(opener->closed, screen.get());
}

}  // namespace
}  // namespace tallo
