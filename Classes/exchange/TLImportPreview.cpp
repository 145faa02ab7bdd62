#include "Classes/exchange/TLImportPreview.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <unordered_map>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/exchange/TLImportRowState.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Calendar.h"

namespace tallo {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string categoryPath(const TLCategory* category) {
    std::string name = category->name().value_or("");
    return category->mastercat() != nullptr ? category->mastercat()->name().value_or("") + ":" + name : name;
}

// "[Savings]" → "Savings"; anything else → "".
std::string transferName(const std::string& category) {
    if (category.size() < 3 || category.front() != '[' || category.back() != ']') return "";
    return category.substr(1, category.size() - 2);
}

long dayNumberOf(const Calendar& calendar, std::optional<Date> date) {
    if (!date) return 0;
    DateComponents parts = calendar.components(kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay, *date);
    return statementDayNumber(StatementDay{parts.year.value_or(1970), parts.month.value_or(1), parts.day.value_or(1)});
}

TLAccount* otherAccountOf(const TLTransaction* t) {
    if (t->transferCopy() != nullptr) return t->transferCopy()->account();
    if (t->transferCopyInverse() != nullptr) return t->transferCopyInverse()->account();
    return nullptr;
}

// The book as an import sees it: found by name, case ignored.
struct Names {
    std::unordered_map<std::string, TLAccount*> accounts;
    std::unordered_map<std::string, TLPayee*> payees;
    std::unordered_map<std::string, TLCategory*> categories;  // "food:groceries", "food"

    Names() {
        TLDatabase& db = TLDatabase::sharedDatabase();
        for (ManagedObject* o : db.fetchEntityCustom("Account")) {
            auto* a = static_cast<TLAccount*>(o);
            accounts.emplace(lower(a->name().value_or("")), a);
        }
        for (ManagedObject* o : db.fetchEntityCustom("Payee")) {
            auto* p = static_cast<TLPayee*>(o);
            payees.emplace(lower(p->getRepresentationString()), p);
        }
        for (ManagedObject* o : db.fetchEntityCustom("Category")) {
            auto* c = static_cast<TLCategory*>(o);
            categories.emplace(lower(categoryPath(c)), c);
        }
    }

    TLPayee* payee(const std::string& name) const {
        auto found = payees.find(lower(name));
        return found == payees.end() ? nullptr : found->second;
    }
    TLCategory* category(const std::string& path) const {
        auto found = categories.find(lower(path));
        return found == categories.end() ? nullptr : found->second;
    }
};

// The category a payee's transactions use most (one-split ones), ties to the
// first by path; nothing when none is filed.
TLCategory* usualCategoryOf(TLPayee* payee) {
    std::map<std::string, std::pair<int, TLCategory*>> counts;
    for (TLTransaction* t : payee->transactions()) {
        if (t->splits().size() != 1) continue;
        TLCategory* c = t->getSplit()->category();
        if (c == nullptr) continue;
        auto& slot = counts[categoryPath(c)];
        slot.first += 1;
        slot.second = c;
    }
    TLCategory* best = nullptr;
    int most = 0;
    for (auto& [path, slot] : counts) {
        if (slot.first > most) {
            most = slot.first;
            best = slot.second;
        }
    }
    return best;
}

// The account's transactions, found by FITID, by amount, and (transfers) by the other account.
struct Register {
    std::unordered_map<std::string, TLTransaction*> byFitid;
    std::unordered_multimap<std::string, std::pair<TLTransaction*, long>> byAmount;  // amount text → (t, day)
    std::unordered_multimap<TLAccount*, std::pair<TLTransaction*, long>> byOtherAccount;

    explicit Register(TLAccount* account) {
        Calendar calendar = Calendar::current();
        for (TLTransaction* t : account->transactions()) {
            if (t->fitid() && !t->fitid()->empty()) byFitid.emplace(*t->fitid(), t);
            Decimal amount = t->totalamountInAccountCurrency().value_or(Decimal::zero());
            long day = dayNumberOf(calendar, t->transactionDate());
            byAmount.emplace(amount.toString(), std::pair{t, day});
            if (t->isTransfer() && otherAccountOf(t) != nullptr) byOtherAccount.emplace(otherAccountOf(t), std::pair{t, day});
        }
    }
};

}  // namespace

TLImportPreview::TLImportPreview(const Statement& statement, TLAccount* account) : account_(account) {
    TLCurrency* currency = account->currency();
    std::string code = currency != nullptr ? currency->code().value_or("") : "";
    if (!statement.currency.empty() && !code.empty() && lower(statement.currency) != lower(code)) {
        problem_ = "line 0: the statement is in " + statement.currency + ", the account in " + code;
    }
    Names names;
    Register book(account);
    std::unordered_map<TLPayee*, TLCategory*> usual;
    std::unordered_map<TLTransaction*, bool> matched;  // each book entry answers one row
    rows_.reserve(statement.entries.size());
    for (const StatementEntry& entry : statement.entries) {
        TLImportRow row;
        row.entry = entry;
        std::string other = transferName(entry.category);
        if (!other.empty()) {
            auto found = names.accounts.find(lower(other));
            if (found == names.accounts.end()) {
                row.problem = "no account named " + other;
            } else if (found->second == account) {
                row.problem = "a transfer into the account itself";
            } else {
                row.transferAccount = found->second;
            }
        }
        if (!entry.splits.empty()) {
            Decimal sum = Decimal::zero();
            for (const StatementSplit& split : entry.splits) sum = sum + split.amount;
            if (sum != entry.amount) {
                row.problem = "the parts add up to " + sum.toString() + ", not " + entry.amount.toString();
            }
        }
        // In the book already?
        auto fitid = entry.fitid.empty() ? book.byFitid.end() : book.byFitid.find(entry.fitid);
        if (fitid != book.byFitid.end() && !matched[fitid->second]) row.duplicateOf = fitid->second;
        long day = statementDayNumber(entry.day);
        auto [from, to] = book.byAmount.equal_range(entry.amount.toString());
        for (auto it = from; it != to && row.duplicateOf == nullptr; ++it) {
            TLTransaction* t = it->second.first;
            if (matched[t] || std::labs(it->second.second - day) > 2) continue;
            if (!entry.fitid.empty() && t->fitid() && !t->fitid()->empty()) continue;  // both have FITIDs: they differ
            bool same = false;
            if (row.transferAccount != nullptr) {
                same = t->isTransfer() && otherAccountOf(t) == row.transferAccount;
            } else if (!t->isTransfer() || (entry.category.empty() && entry.splits.empty())) {
                // A bank's row says nothing of transfers: it may be one typed
                // in the book. A row the file filed under a category is not.
                std::string theirs = t->payee() != nullptr ? t->payee()->getRepresentationString() : "";
                bool blank = theirs.find_first_not_of(' ') == std::string::npos || entry.payee.empty();
                same = blank || lower(theirs) == lower(entry.payee);
            }
            if (same) row.duplicateOf = t;
        }
        if (row.duplicateOf == nullptr && row.transferAccount != nullptr &&
            row.transferAccount->currency() != account->currency()) {
            // Between currencies the two sides' amounts differ: the nearest
            // transfer with the other account, in the same direction.
            auto [first, last] = book.byOtherAccount.equal_range(row.transferAccount);
            long nearest = 3;
            for (auto it = first; it != last; ++it) {
                TLTransaction* t = it->second.first;
                long distance = std::labs(it->second.second - day);
                if (matched[t] || distance >= nearest || t->isNegative() != entry.amount.isNegativeSign()) continue;
                row.duplicateOf = t;
                nearest = distance;
            }
            if (row.duplicateOf != nullptr) {
                row.correctsAmount =
                    row.duplicateOf->totalamountInAccountCurrency().value_or(Decimal::zero()) != entry.amount;
            }
        }
        if (row.duplicateOf != nullptr) {
            matched[row.duplicateOf] = true;
            row.state = TLImportRowState::Duplicate;
            rows_.push_back(std::move(row));
            continue;
        }
        // A category: the file's own, else the payee's default, else its history.
        if (row.transferAccount == nullptr && entry.splits.empty()) {
            if (!entry.category.empty() && other.empty()) {
                row.category = names.category(entry.category);
                if (row.category == nullptr) row.newCategory = entry.category;
            } else if (TLPayee* payee = entry.payee.empty() ? nullptr : names.payee(entry.payee)) {
                row.category = payee->category();
                if (row.category == nullptr) {
                    auto cached = usual.find(payee);
                    if (cached == usual.end()) cached = usual.emplace(payee, usualCategoryOf(payee)).first;
                    row.category = cached->second;
                }
            }
        }
        bool filed = row.category != nullptr || !row.newCategory.empty() || row.transferAccount != nullptr ||
                     !entry.splits.empty();
        row.state = filed ? TLImportRowState::New : TLImportRowState::Unmatched;
        rows_.push_back(std::move(row));
    }
}

int TLImportPreview::count(int state) const {
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [&](const TLImportRow& r) { return r.state == state; }));
}

namespace {

class Entering {
public:
    explicit Entering(TLAccount* account) : account_(account), db_(TLDatabase::sharedDatabase()) {}

    void enter(const TLImportRow& row) {
        const StatementEntry& entry = row.entry;
        bool negative = entry.amount.isNegativeSign();
        Decimal magnitude = negative ? Decimal::zero() - entry.amount : entry.amount;
        auto* t = static_cast<TLTransaction*>(db_.createObjectForEntity("Transaction"));
        t->setAccount(account_);
        t->copyCurrencyFromAccount();
        t->setTransactionDate(calendar_.dateFromComponents(
            DateComponents{.year = entry.day.year, .month = entry.day.month, .day = entry.day.day, .hour = 12}));
        if (!entry.payee.empty()) t->setPayee(payee(entry.payee));
        if (!entry.memo.empty()) t->setComments(entry.memo);
        if (!entry.number.empty()) t->setNumber(entry.number);
        if (!entry.fitid.empty()) t->setFitid(entry.fitid);
        if (row.transferAccount != nullptr) {
            t->setTransferPrimary(negative);
            t->changeTypeTo(TLTransactionType::Transfer);
            addSplit(t, nullptr, magnitude, "");
            if (negative) {
                t->transferToAccount(row.transferAccount);
            } else {
                t->transferFromAccount(row.transferAccount);
            }
            t->transferCopy()->setSearchString(t->transferCopy()->getSearchString());
        } else {
            t->changeTypeTo(negative ? TLTransactionType::Expense : TLTransactionType::Income);
            if (entry.splits.empty()) {
                TLCategory* filed = row.category != nullptr ? row.category
                                    : row.newCategory.empty() ? nullptr
                                                              : category(row.newCategory, negative);
                addSplit(t, filed, magnitude, "");
            }
            for (const StatementSplit& part : entry.splits) {
                TLCategory* filed = part.category.empty() || !transferName(part.category).empty()
                                        ? nullptr
                                        : category(part.category, negative);
                addSplit(t, filed, negative ? Decimal::zero() - part.amount : part.amount, part.memo);
            }
        }
        t->setSearchString(t->getSearchString());
    }

private:
    void addSplit(TLTransaction* t, TLCategory* filed, const Decimal& amount, const std::string& memo) {
        auto* split = static_cast<TLSplit*>(db_.createObjectForEntity("Split"));
        split->setTransaction(t);
        split->setCategory(filed);
        if (!memo.empty()) split->setComments(memo);
        split->changeAmountTo(amount);
    }

    TLPayee* payee(const std::string& name) {
        if (TLPayee* found = names_.payee(name)) return found;
        auto* made = static_cast<TLPayee*>(db_.createObjectForEntity("Payee"));
        made->setCompany(name);
        made->setIscompany(true);
        made->initializeNilNames();
        made->setRepresentationString(made->getRepresentationString());
        names_.payees.emplace(lower(name), made);
        return made;
    }

    // The category at "Master:Sub" (or "Master"), made with its master when missing.
    TLCategory* category(const std::string& path, bool expense) {
        if (TLCategory* found = names_.category(path)) return found;
        size_t colon = path.find(':');
        TLCategory* master = colon == std::string::npos ? nullptr : category(path.substr(0, colon), expense);
        auto* made = static_cast<TLCategory*>(db_.createObjectForEntity("Category"));
        made->setName(colon == std::string::npos ? path : path.substr(colon + 1));
        made->setMastercat(master);
        made->setIsExpense(expense);
        made->setIsIncome(!expense);
        names_.categories.emplace(lower(path), made);
        return made;
    }

    TLAccount* account_;
    TLDatabase& db_;
    Calendar calendar_ = Calendar::current();
    Names names_;
};

// The book's side of a transfer between currencies takes the file's amount:
// its rate becomes what arrived over what was sent (180 EUR for 200 USD: 0.9).
void settleArrivedAmount(const TLImportRow& row) {
    TLTransaction* t = row.duplicateOf;
    Decimal sent = t->totalamount().value_or(Decimal::zero());
    if (sent == Decimal::zero() || t->currency() == t->account()->currency()) return;
    t->setValueToRateRecordToAccount(row.entry.amount / sent);
}

}  // namespace

TLImportPreview::Outcome TLImportPreview::confirm() {
    Outcome outcome;
    if (!problem_.empty()) {
        outcome.error = problem_;
        return outcome;
    }
    TLDatabase& db = TLDatabase::sharedDatabase();
    Entering entering(account_);
    for (const TLImportRow& row : rows_) {
        if (row.state == TLImportRowState::Duplicate) {
            if (row.correctsAmount) settleArrivedAmount(row);
            ++outcome.skipped;
            continue;
        }
        if (!row.problem.empty()) {
            db.rollback();
            outcome = Outcome{};
            outcome.error = "line " + std::to_string(row.entry.line) + ": " + row.problem;
            return outcome;
        }
        entering.enter(row);
        ++outcome.imported;
    }
    db.save();
    return outcome;
}

}  // namespace tallo
