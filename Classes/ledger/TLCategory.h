#pragma once
// TLCategory: a master category or a subcategory of the two-level tree.

#include <set>
#include <vector>

#include "Classes/store/TLCategoryAcc.h"
#include "Classes/store/TLPicture.h"
#include "Classes/store/TLTransactionType.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLGlobalCurrencyRates;
class TLTransaction;

class TLCategory : public TLCategoryAcc {
public:
    // The subcategories by name (plain byte order).
    std::vector<TLCategory*> getOrderedSubcats() const;
    // The transactions of this category's splits and of all its
    // subcategories' splits; splits of schedules (no transaction) are skipped.
    std::set<TLTransaction*> getTransactions() const;
    // TLTransactionType: Expense when isExpense; else Income when isIncome;
    // else Expense.
    int getDefaultTransactionType() const;
    // The signed amounts of this category's splits and of all its
    // subcategories', in the default currency, over every date and account:
    // an expense of 12 and an income of 5 make −7. Splits of schedules count
    // zero. Never rounded.
    Decimal getTotalAmount() const;
    // The person's picture for the category, else the master's, else the
    // built-in picture named imageName ("Car" small, "Car@2x" large); a
    // subcategory without a name of its own shows its master's picture, and
    // a category with none at all "Uncategorized.png" / "Uncategorized@2x.png".
    TLPicture getImageSmall(bool small) const;
    // getTotalAmount with the rates taken once for the whole tree.
    Decimal getTotalAmount(TLGlobalCurrencyRates& rates) const;

    // The categories of a new store, made once from the "Default_Categories"
    // resource: entries "Master" or "Master:Sub" with isExpense/isIncome.
    // Names are translated through the string table; a master's picture name
    // is its English name with "_" for spaces ("Home Office" →
    // "Home_Office"); a sub before its master makes that master. Nothing
    // happens when "defaultCategoriesMade" is set or a category exists.
    // Nothing is saved here.
    static void createDefaultCategoriesIfNeeded();
    // The last category whose name is like[cd] `name` (case and accents
    // ignored, * and ? as wildcards), or nothing.
    static TLCategory* getCategoryWithName(const std::string& name);

protected:
    void awakeFromInsert() override;
    // Budgets left without any record go with the category.
    void prepareForDeletion() override;
};

}  // namespace tallo
