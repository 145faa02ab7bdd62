// The Payees list: A–Z sections, the "+" sheet, a new payee, the address
// book import through the people picker over vCard files (uploaded ones
// too), and a new transaction from a payee's picture.

#include "Classes/screens/payees/PayeesViewC.h"

#include <filesystem>
#include <fstream>

#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/categories/NewTransactionFromPicture.h"
#include "Classes/store/TLImageRecord.h"
#include "Platform/ui/PeoplePickerNavigationController.h"
#include "tests/contacts/VCardCards.h"
#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo {
namespace {

class PayeesViewCTest : public test::CategoryPayeeScreenTest {
protected:
    PayeesViewCTest() : contacts_(folder_.path() + "/Contacts") { std::filesystem::create_directories(contacts_); }
    TLPayee* payee(const char* first, const char* last, const char* company = "", bool isCompany = false) {
        auto* made = create<TLPayee>();
        made->setFirstname(first);
        made->setLastname(last);
        made->setCompany(company);
        made->setIscompany(isCompany);
        made->setRepresentationString(made->getRepresentationString());
        return made;
    }
    std::shared_ptr<PayeesViewC> showTab() {
        TLDatabase::sharedDatabase().save();
        list = std::make_shared<PayeesViewC>();
        list->isRootView = true;
        list->addressBookFolder = contacts_;
        app().setRootViewController(std::make_shared<NavigationController>(list));
        list->viewWillAppear(false);
        return list;
    }
    void writeCard(const std::string& file, const std::string& card) { std::ofstream(contacts_ + "/" + file) << test::crlf(card); }
    // The sheet's button titles, "|"-joined.
    std::string sheetButtons() {
        SceneNode rendered = app().render();
        const SceneNode* sheet = rendered.findKind("sheet");
        if (sheet == nullptr) return "(no sheet)";
        std::string out;
        for (const SceneNode& button : sheet->children()) out += (out.empty() ? "" : "|") + text(button, "title");
        return out;
    }
    std::vector<TLPayee*> payees() {
        std::vector<TLPayee*> all;
        for (ManagedObject* object : TLDatabase::sharedDatabase().getAllObjectsWithEntityName("Payee")) {
            all.push_back(static_cast<TLPayee*>(object));
        }
        return all;
    }
    void upload(const std::string& target, const std::string& data, std::string* error = nullptr) {
        app().render();
        UIEvent event;
        event.kind = UIEvent::Kind::Picture;
        event.target = target;
        event.data.assign(data.begin(), data.end());
        ASSERT_TRUE(app().handleEvent(event, error));
    }

    std::string contacts_;
    std::shared_ptr<PayeesViewC> list;
};

TEST_F(PayeesViewCTest, AnEmptyListInvitesToCreateTheFirstPayee) {
    showTab();
    EXPECT_TRUE(has(scene(), "empty detail=\"Press \\\"+\\\" to create your first payee.\" info=yes title=\"No payees\""))
        << scene();
    EXPECT_EQ(navbar(), "Payees <+>");
    EXPECT_FALSE(has(scene(), "searchbar")) << "nothing to search";
}

TEST_F(PayeesViewCTest, PayeesAreListedFromAToZInAnyCase) {
    payee("zoe", "Quinn");
    payee("", "", "Acme Hardware", true);
    payee("anna", "Berg");
    payee("Bob", "Stone");
    showTab();
    EXPECT_EQ(navbar(), "Payees <Edit|+>");
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "section header=\"A\"")) << shown;
    EXPECT_EQ(rows(), "Acme Hardware; anna Berg | Bob Stone | zoe Quinn");
    EXPECT_TRUE(has(shown, "image=\"company.png\" imageAction=\"picture:0:0\"")) << shown;
    EXPECT_TRUE(has(shown, "image=\"payee.png\" imageAction=\"picture:0:1\""));
    EXPECT_TRUE(has(shown, "indexTitle#index:1 title=\"A\""));
    type("search", "ST");
    EXPECT_EQ(rows(), "Bob Stone");
}

TEST_F(PayeesViewCTest, PlusOffersNewOrAddressBook) {
    showTab();
    tap("nav:right");
    EXPECT_EQ(sheetButtons(), "Create New|Add from Address Book|Cancel");
    tap("overlay:0:2");
    EXPECT_TRUE(app().overlays().empty());
    EXPECT_EQ(payees().size(), 0u);

    tap("nav:right");
    tap("overlay:0:0");  // Create New
    EXPECT_EQ(navbar(), "New Payee <Cancel|Done (off)>");
    type("field:0:1", "Okafor");
    tap("nav:right");
    EXPECT_EQ(rows(), "Okafor");
    EXPECT_FALSE(unsaved());
}

TEST_F(PayeesViewCTest, APersonFromTheAddressBookBecomesAPayeeWithAMaskedPicture) {
    writeCard("friends.vcf", "BEGIN:VCARD\nVERSION:3.0\nN:Lindqvist;Maja;;;\nFN:Maja Lindqvist\nORG:Nordic Bakery\n"
                             "PHOTO;ENCODING=b;TYPE=PNG:" + std::string(test::kRedPngBase64) + "\nEND:VCARD\n");
    showTab();
    tap("nav:right");
    tap("overlay:0:1");  // Add from Address Book
    EXPECT_EQ(navbar(), "All Contacts <Cancel>");
    EXPECT_EQ(rows(), "Maja Lindqvist");
    tap("row:0:0");
    EXPECT_EQ(app().visibleViewController(), list.get()) << "the picker closes";
    EXPECT_EQ(rows(), "Maja Lindqvist");
    EXPECT_FALSE(unsaved());
    ASSERT_EQ(payees().size(), 1u);
    TLPayee* made = payees()[0];
    EXPECT_EQ(made->company(), "Nordic Bakery");
    EXPECT_EQ(made->iscompany(), false);
    EXPECT_EQ(made->abuid().value_or(""), "");
    ASSERT_NE(made->imageRecord(), nullptr);
    std::optional<Image> picture = made->getImageSmall(true).load();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 100);
    EXPECT_EQ(picture->height(), 100);
    EXPECT_EQ(picture->pixelAt(50, 50).a, 255);
    EXPECT_EQ(picture->pixelAt(0, 0).a, 0) << "the mask's rounded corner is clear";
    EXPECT_TRUE(has(scene(), "image=\"data:image/png;base64,")) << "the stored picture goes to the page";
}

TEST_F(PayeesViewCTest, AContactWithoutAnyNameIsNoname) {
    writeCard("blank.vcf", "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:\nEND:VCARD\n");
    showTab();
    list->showPeoplePicker();
    EXPECT_EQ(rows(), "No Name");
    tap("row:0:0");
    ASSERT_EQ(payees().size(), 1u);
    EXPECT_EQ(payees()[0]->firstname(), "Noname");
    EXPECT_EQ(rows(), "Noname");
}

TEST_F(PayeesViewCTest, AnOrganisationCardIsACompanyPayee) {
    writeCard("shop.vcf", "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:Corner Shop\nORG:Corner Shop\nX-ABShowAs:COMPANY\nEND:VCARD\n");
    showTab();
    list->showPeoplePicker();
    tap("row:0:0");
    ASSERT_EQ(payees().size(), 1u);
    EXPECT_EQ(payees()[0]->iscompany(), true);
    EXPECT_EQ(rows(), "Corner Shop");
}

TEST_F(PayeesViewCTest, AnUploadedCardJoinsThePickerAndABrokenOneIsRefusedWithItsReason) {
    showTab();
    list->showPeoplePicker();
    EXPECT_TRUE(has(scene(), "filepicker#cardpicker accept=\".vcf,.vcard,text/vcard\" title=\"Import vCard File\"")) << scene();
    upload("cardpicker", "BEGIN:VCARD\nVERSION:3.0\nN:Iyer;Dev;;;\nEND:VCARD\n");
    EXPECT_EQ(rows(), "Dev Iyer");
    upload("cardpicker", "BEGIN:VCARD\nVERSION:3.0\nN:Broken;Card;;;\n");
    EXPECT_TRUE(has(scene(), "error=\"")) << scene();
    EXPECT_EQ(rows(), "Dev Iyer");
    tap("row:0:0");
    EXPECT_EQ(rows(), "Dev Iyer");
    ASSERT_EQ(payees().size(), 1u);
}

TEST_F(PayeesViewCTest, CancellingThePickerMakesNothing) {
    writeCard("friends.vcf", "BEGIN:VCARD\nVERSION:3.0\nN:Lindqvist;Maja;;;\nEND:VCARD\n");
    showTab();
    list->showPeoplePicker();
    tap("nav:right");
    EXPECT_EQ(app().visibleViewController(), list.get());
    EXPECT_EQ(payees().size(), 0u);
}

TEST_F(PayeesViewCTest, ARowOpensThePayeeAndEditingDeletes) {
    payee("Ann", "Lee");
    payee("Bob", "Stone");
    showTab();
    tap("row:0:0");
    EXPECT_EQ(navbar(), "Payee <Back|Edit>");
    tap("nav:left");
    tap("nav:left");  // Edit
    EXPECT_EQ(navbar(), "Payees <Cancel|Done>");
    send(R"({"kind":"delete","target":"delete:0:0"})");
    EXPECT_EQ(rows(), "Bob Stone");
    tap("nav:left");  // Cancel
    EXPECT_EQ(rows(), "Ann Lee | Bob Stone");
    EXPECT_EQ(navbar(), "Payees <Edit|+>");
}

TEST_F(PayeesViewCTest, APayeesPictureStartsATransactionWithItsDefaultCategory) {
    TLCurrency* usd = currency("USD", true);
    TLAccount* checking = account("Checking", usd);
    TLPayee* grocer = payee("", "", "Green Grocer", true);
    TLCategory* food = category("Food");
    grocer->setCategory(food);
    TLTransaction* made = NewTransactionFromPicture::fromPayee(grocer);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->payee(), grocer);
    EXPECT_EQ(made->account(), checking);
    EXPECT_EQ(made->currency(), usd);
    ASSERT_EQ(made->splits().size(), 1u);
    EXPECT_EQ((*made->splits().begin())->category(), food);
    NewTransactionFromPicture::discard(made);

    TLPayee* plain = payee("Ann", "Lee");
    made = NewTransactionFromPicture::fromPayee(plain);
    EXPECT_EQ(made->splits().size(), 0u) << "no default category, no split";
    NewTransactionFromPicture::discard(made);

    TLDatabase::sharedDatabase().save();
    showTab();
    tap("picture:1:0");  // Green Grocer: its category is known, the wizard asks the amount
    EXPECT_EQ(alertTitle(), "(no alert)");
    auto* amount = dynamic_cast<AmountViewC*>(app().visibleViewController());
    ASSERT_NE(amount, nullptr);
    ASSERT_NE(amount->transaction(), nullptr);
    EXPECT_EQ(amount->transaction()->payee(), grocer);
    tap("nav:left");  // Cancel: the wizard takes the transaction back
    EXPECT_TRUE(TLDatabase::sharedDatabase().getAllObjectsWithEntityName("Transaction").empty());
    EXPECT_FALSE(TLDatabase::sharedDatabase().context()->hasChanges());
}

TEST_F(PayeesViewCTest, APayeesPictureWithoutAccountsAlerts) {
    payee("Ann", "Lee");
    showTab();
    tap("picture:0:0");
    EXPECT_EQ(alertTitle(), "No accounts");
}

TEST_F(PayeesViewCTest, OpenedFromMoreItGoesBack) {
    auto more = std::make_shared<PayeesViewC>();
    opener->pushView(more, 0);
    EXPECT_EQ(navbar(), "Payees <Back|+>");
    tap("nav:left");
    EXPECT_EQ(app().visibleViewController(), opener.get());
}

TEST_F(PayeesViewCTest, PlusTypedOnTheListAsksWhatToAdd) {
    showTab();
    send(R"({"kind":"key","key":"+"})");
    EXPECT_EQ(sheetButtons(), "Create New|Add from Address Book|Cancel");
}

}  // namespace
}  // namespace tallo
