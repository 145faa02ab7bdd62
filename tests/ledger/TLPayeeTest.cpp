#include "Classes/ledger/TLPayee.h"

#include "Classes/store/TLImageRecord.h"
#include "Platform/contacts/Person.h"
#include "Platform/graphics/Image.h"
#include "tests/store/StoreTestSupport.h"

namespace tallo {
namespace {

class TLPayeeTest : public test::StoreTest {
protected:
    TLPayee* payee(const char* first, const char* last, const char* company, bool isCompany) {
        auto* p = create<TLPayee>();
        if (first) p->setFirstname(first);
        if (last) p->setLastname(last);
        if (company) p->setCompany(company);
        p->setIscompany(isCompany);
        return p;
    }
};

TEST_F(TLPayeeTest, DisplayNamesFollowTheCompanyFlag) {
    EXPECT_EQ(payee("Ann", "Lee", "Acme", false)->getRepresentationString(), "Ann Lee");
    EXPECT_EQ(payee("Ann", "Lee", "Acme", true)->getRepresentationString(), "Acme");
    EXPECT_EQ(payee(nullptr, "Lee", nullptr, false)->getRepresentationString(), "Lee");
    TLPayee* nobody = payee(nullptr, nullptr, nullptr, false);
    EXPECT_EQ(nobody->getRepresentationString(), " ");
    EXPECT_EQ(nobody->firstname(), "");  // nil names became empty
}

TEST_F(TLPayeeTest, TheCompanyFlagFollowsTheNamesOnSave) {
    TLPayee* emptied = payee("Ann", "Lee", "", true);
    EXPECT_FALSE(emptied->getIsCompanyFromNames());  // a company without a company name is a person
    EXPECT_TRUE(payee("", "", "Acme", false)->getIsCompanyFromNames());
    EXPECT_FALSE(payee("Ann", "", "Acme", false)->getIsCompanyFromNames());
    EXPECT_TRUE(payee("Ann", "", "Acme", true)->getIsCompanyFromNames());
}

TEST_F(TLPayeeTest, TypedTextFillsFirstAndLastName) {
    TLPayee* p = payee(nullptr, "Old", nullptr, false);
    p->setNamesFromString("Ann Lee Smith");
    EXPECT_EQ(p->firstname(), "Ann");
    EXPECT_EQ(p->lastname(), "Lee");
    EXPECT_EQ(p->representationString(), "Ann Lee");
    TLPayee* q = payee(nullptr, "Keeps", nullptr, false);
    q->setNamesFromString("  Bob  ");
    EXPECT_EQ(q->firstname(), "Bob");
    EXPECT_EQ(q->lastname(), "Keeps");
    q->setNamesFromString("   ");  // no words: nothing changes
    EXPECT_EQ(q->firstname(), "Bob");
}

TEST_F(TLPayeeTest, AContactBecomesAPayeeWithItsMaskedPicture) {
    Person ann;
    ann.firstName = "Ann";
    ann.lastName = "Lee";
    ann.organization = "Acme";
    // A 300 × 200 photo, all blue.
    Bytes rgba;
    for (int i = 0; i < 300 * 200; ++i) rgba.insert(rgba.end(), {0, 0, 255, 255});
    ann.picture = Image::fromRGBA(300, 200, rgba).encodePNG();
    TLPayee* payee = TLPayee::createFromPerson(ann);
    ASSERT_NE(payee, nullptr);
    EXPECT_EQ(payee->representationString(), "Ann Lee");
    EXPECT_EQ(payee->iscompany(), false);
    EXPECT_FALSE(payee->abuid().has_value());
    ASSERT_NE(payee->imageRecord(), nullptr);
    auto picture = Image::decode(*payee->imageRecord()->content());
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width(), 100);
    EXPECT_EQ(picture->height(), 100);
    EXPECT_FALSE(db().context()->hasChanges());  // saved

    Person company;
    company.organization = "Acme";
    company.kind = Person::kOrganization;
    company.picture = Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
    TLPayee* acme = TLPayee::createFromPerson(company);
    EXPECT_EQ(acme->representationString(), "Acme");
    EXPECT_EQ(acme->imageRecord(), nullptr);  // an unreadable picture is left out
}

TEST_F(TLPayeeTest, AContactWithoutAnyNameIsNoname) {
    TLPayee* payee = TLPayee::createFromPerson(Person{});
    EXPECT_EQ(payee->firstname(), "Noname");
    EXPECT_EQ(payee->representationString(), "Noname");
}

}  // namespace
}  // namespace tallo
