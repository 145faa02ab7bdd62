#include "Classes/ledger/TLCategory.h"

#include <filesystem>
#include <fstream>

#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/UserDefaults.h"
#include "tests/store/StoreTestSupport.h"

namespace tallo {
namespace {

class TLCategoryTest : public test::StoreTest {
protected:
    TLCategoryTest() { UserDefaults::resetStandardUserDefaults(folder_.path() + "/Tallo.plist"); }

    TLCategory* category(const char* name, TLCategory* master = nullptr) {
        auto* c = create<TLCategory>();
        c->setName(name);
        c->setMastercat(master);
        return c;
    }

    // Makes `folder/Default_Categories.xml` from entries "name:flags", where
    // flags is E (expense), I (income) or both, and reads resources there.
    void useCategoryResource(std::initializer_list<std::pair<const char*, const char*>> entries) {
        std::string xml = "<plist><array>";
        for (const auto& [name, flags] : entries) {
            std::string f = flags;
            xml += std::string("<array><string>") + name + "</string><dict><key>isExpense</key>" +
                   (f.find('E') != std::string::npos ? "<true/>" : "<false/>") + "<key>isIncome</key>" +
                   (f.find('I') != std::string::npos ? "<true/>" : "<false/>") + "</dict></array>";
        }
        xml += "</array></plist>";
        std::filesystem::create_directories(folder_.path() + "/resources");
        std::ofstream(folder_.path() + "/resources/Default_Categories.xml") << xml;
        previousResources_ = Bundle::resourcePath();
        Bundle::setResourcePath(folder_.path() + "/resources");
    }

    ~TLCategoryTest() override {
        if (!previousResources_.empty()) Bundle::setResourcePath(previousResources_);
        Localization::reload();
    }

    // "Master [picture] E/I: sub, sub" lines, masters by creation order.
    std::string tree() {
        std::string out;
        for (ManagedObject* o : db().getAllObjectsWithEntityName("Category")) {
            auto* c = static_cast<TLCategory*>(o);
            if (c->mastercat() != nullptr) continue;
            out += *c->name() + " [" + c->imageName().value_or("") + "] " + (c->isExpense().value_or(false) ? "E" : "") +
                   (c->isIncome().value_or(false) ? "I" : "") + ":";
            for (TLCategory* sub : c->getOrderedSubcats()) {
                out += " " + *sub->name() + (sub->imageName() ? "[" + *sub->imageName() + "]" : "");
            }
            out += "\n";
        }
        return out;
    }

    std::string previousResources_;
};

TEST_F(TLCategoryTest, TheDefaultTreeIsMadeOnceFromTheResource) {
    useCategoryResource({{"Car:Fuel", "E"}, {"Car", "E"}, {"Home Office", "E"}, {"Home Office:Postage", "E"},
                         {"Income", "I"}, {"Income:Salary", "I"}, {"Gifts", "EI"}});
    TLCategory::createDefaultCategoriesIfNeeded();
    // A sub before its master makes the master; the later "Car" is a second
    // master that gets no subcategories.
    EXPECT_EQ(tree(),
              "Car [Car] E: Fuel\n"
              "Car [Car] E:\n"
              "Home Office [Home_Office] E: Postage\n"
              "Income [Income] I: Salary\n"
              "Gifts [Gifts] EI:\n");
    size_t made = db().getAllObjectsWithEntityName("Category").size();
    TLCategory::createDefaultCategoriesIfNeeded();  // a category exists: nothing more
    EXPECT_EQ(db().getAllObjectsWithEntityName("Category").size(), made);
}

TEST_F(TLCategoryTest, DefaultsAreNotMadeAgainAfterTheFlagIsSet) {
    UserDefaults::standardUserDefaults().setBool("defaultCategoriesMade", true);
    TLCategory::createDefaultCategoriesIfNeeded();  // even with no category left
    EXPECT_TRUE(db().getAllObjectsWithEntityName("Category").empty());
}

TEST_F(TLCategoryTest, NamesAreTranslatedAndPictureNamesStayEnglish) {
    test::ScopedLocale german("de_DE");
    TLCategory::createDefaultCategoriesIfNeeded();  // the shipped resource
    TLCategory* office = TLCategory::getCategoryWithName("Büro");
    ASSERT_NE(office, nullptr);
    EXPECT_EQ(office->imageName(), "Home_Office");
    std::vector<std::string> subs;
    for (TLCategory* sub : office->getOrderedSubcats()) subs.push_back(*sub->name());
    EXPECT_EQ(subs, (std::vector<std::string>{"Ausstattung", "Büromaterial", "Porto"}));
    EXPECT_EQ(TLCategory::getCategoryWithName("Gehalt")->mastercat()->getDefaultTransactionType(), TLTransactionType::Income);
}

TEST_F(TLCategoryTest, TheDefaultTypeFollowsTheFlags) {
    TLCategory* both = category("Gifts");
    both->setIsExpense(true);
    both->setIsIncome(true);
    TLCategory* income = category("Salary");
    income->setIsIncome(true);
    TLCategory* neither = category("Misc");
    EXPECT_EQ(both->getDefaultTransactionType(), TLTransactionType::Expense);
    EXPECT_EQ(income->getDefaultTransactionType(), TLTransactionType::Income);
    EXPECT_EQ(neither->getDefaultTransactionType(), TLTransactionType::Expense);
}

TEST_F(TLCategoryTest, TransactionsComeFromTheCategoryAndItsSubcategories) {
    TLCategory* food = category("Food");
    TLCategory* groceries = category("Groceries", food);
    auto* lunch = create<TLTransaction>();
    auto* market = create<TLTransaction>();
    for (auto [transaction, where] : {std::pair{lunch, food}, {market, groceries}, {market, food}}) {
        auto* split = create<TLSplit>();
        split->setTransaction(transaction);
        split->setCategory(where);
    }
    auto* scheduled = create<TLSplit>();  // a schedule's split has no transaction
    scheduled->setBill(create<TLScheduler>());
    scheduled->setCategory(food);
    EXPECT_EQ(food->getTransactions(), (std::set<TLTransaction*>{lunch, market}));
    EXPECT_EQ(groceries->getTransactions(), (std::set<TLTransaction*>{market}));
}

TEST_F(TLCategoryTest, DeletingACategoryTakesBudgetsWithoutRecordsAndKeepsItsSplits) {
    TLCategory* rent = category("Rent");
    auto* split = create<TLSplit>();
    split->setCategory(rent);
    split->setTransaction(create<TLTransaction>());
    auto* emptyBudget = create<TLBudget>();
    auto* usedBudget = create<TLBudget>();
    auto* record = create<TLBudgetRecord>();
    record->setBudget(usedBudget);
    record->setCategory(category("Food"));
    db().deleteObject(rent);
    EXPECT_TRUE(emptyBudget->isDeleted());
    EXPECT_FALSE(usedBudget->isDeleted());
    EXPECT_FALSE(split->isDeleted());
    EXPECT_EQ(split->category(), nullptr);  // uncategorised now
}

}  // namespace
}  // namespace tallo
