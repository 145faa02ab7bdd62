#include "Classes/ledger/TLCategory.h"

#include <algorithm>
#include <map>

#include "Classes/store/TLBudgetAcc.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/ledger/TLGlobalCurrencyRates.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/InternalError.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/PropertyList.h"
#include "Platform/foundation/UserDefaults.h"

namespace tallo {

namespace {

constexpr const char* kDefaultCategoriesMadeKey = "defaultCategoriesMade";

std::string pictureName(std::string name) {
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

bool flag(const PropertyList& flags, const char* key) {
    const PropertyList* value = flags.at(key);
    return value != nullptr && value->asBool() != nullptr && *value->asBool();
}

}  // namespace

void TLCategory::awakeFromInsert() {
    setCreationDate(Clock::now());
    setUuid(generateUniqueID());
}

std::vector<TLCategory*> TLCategory::getOrderedSubcats() const {
    std::vector<TLCategory*> subcategories = subcats().toVector();
    std::stable_sort(subcategories.begin(), subcategories.end(), [](TLCategory* a, TLCategory* b) {
        return a->name().value_or("") < b->name().value_or("");
    });
    return subcategories;
}

std::set<TLTransaction*> TLCategory::getTransactions() const {
    std::set<TLTransaction*> transactions;
    for (TLSplit* split : splits()) {
        if (TLTransaction* transaction = split->transaction()) transactions.insert(transaction);
    }
    for (TLCategory* sub : subcats()) {
        std::set<TLTransaction*> more = sub->getTransactions();
        transactions.insert(more.begin(), more.end());
    }
    return transactions;
}

int TLCategory::getDefaultTransactionType() const {
    if (isExpense().value_or(false)) return TLTransactionType::Expense;
    if (isIncome().value_or(false)) return TLTransactionType::Income;
    return TLTransactionType::Expense;
}

Decimal TLCategory::getTotalAmount() const {
    TLGlobalCurrencyRates rates;
    return getTotalAmount(rates);
}

Decimal TLCategory::getTotalAmount(TLGlobalCurrencyRates& rates) const {
    Decimal sum = Decimal::zero();
    for (TLCategory* sub : subcats()) sum = sum + sub->getTotalAmount(rates);
    for (TLSplit* split : splits()) sum = sum + split->getSignedAmountRatedToGlobalCurrency(rates);
    return sum;
}

TLPicture TLCategory::getImageSmall(bool small) const {
    if (imageRecord() != nullptr) return TLPicture::stored(imageRecord());
    TLCategory* master = mastercat();
    if (master != nullptr && master->imageRecord() != nullptr) return TLPicture::stored(master->imageRecord());
    std::string picture = imageName().value_or("");
    if (picture.empty()) {
        if (master != nullptr) return master->getImageSmall(small);
        return TLPicture::named(small ? "Uncategorized.png" : "Uncategorized@2x.png");
    }
    return TLPicture::named(small ? picture : picture + "@2x");
}

void TLCategory::prepareForDeletion() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    for (ManagedObject* object : db.getAllObjectsWithEntityName("Budget")) {
        auto* budget = static_cast<TLBudgetAcc*>(object);
        if (budget->records().empty()) managedObjectContext()->deleteObject(budget);
    }
}

void TLCategory::createDefaultCategoriesIfNeeded() {
    if (UserDefaults::standardUserDefaults().boolForKey(kDefaultCategoriesMadeKey)) return;
    TLDatabase& db = TLDatabase::sharedDatabase();
    if (!db.fetchEntityCustom("Category", nullptr, {}, 1).empty()) return;
    auto path = Bundle::pathForResource("Default_Categories", "xml");
    if (!path) return;
    std::string error;
    auto list = PropertyList::readFile(*path, &error);
    const PropertyList::Array* entries = list ? list->asArray() : nullptr;
    if (entries == nullptr) {
        InternalError::report("the default categories cannot be read: " + error);
        return;
    }
    std::map<std::string, TLCategory*> masters;  // by translated name; the first one wins
    auto makeMaster = [&](const std::string& english, bool expense, bool income) {
        auto* master = static_cast<TLCategory*>(db.createObjectForEntity(kEntityName));
        std::string name = L(english);
        master->setName(name);
        master->setImageName(pictureName(english));
        master->setIsExpense(expense);
        master->setIsIncome(income);
        masters.emplace(name, master);
        return master;
    };
    for (const PropertyList& entry : *entries) {
        const PropertyList::Array* pair = entry.asArray();
        if (pair == nullptr || pair->size() != 2 || (*pair)[0].asString() == nullptr) continue;
        const std::string& text = *(*pair)[0].asString();
        bool expense = flag((*pair)[1], "isExpense");
        bool income = flag((*pair)[1], "isIncome");
        auto colon = text.find(':');
        if (colon == std::string::npos) {
            makeMaster(text, expense, income);
            continue;
        }
        std::string masterEnglish = text.substr(0, colon);
        auto found = masters.find(L(masterEnglish));
        TLCategory* master = found != masters.end() ? found->second : makeMaster(masterEnglish, expense, income);
        auto* sub = static_cast<TLCategory*>(db.createObjectForEntity(kEntityName));
        sub->setName(L(text.substr(colon + 1)));
        sub->setMastercat(master);
        sub->setIsExpense(expense);
        sub->setIsIncome(income);
    }
}

TLCategory* TLCategory::getCategoryWithName(const std::string& name) {
    auto predicate = Predicate::parse("name like[cd] %@", {Value(name)});
    std::vector<ManagedObject*> found = TLDatabase::sharedDatabase().fetchEntityCustom(kEntityName, predicate);
    return found.empty() ? nullptr : static_cast<TLCategory*>(found.back());
}

}  // namespace tallo
