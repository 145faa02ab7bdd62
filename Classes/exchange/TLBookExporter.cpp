#include "Classes/exchange/TLBookExporter.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLTransactionRate.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Calendar.h"

namespace tallo {

namespace {

std::vector<TLAccount*> accountsOf(TLAccount* only) {
    std::vector<TLAccount*> accounts;
    if (only != nullptr) return {only};
    for (ManagedObject* o : TLDatabase::sharedDatabase().fetchEntityCustom("Account")) {
        accounts.push_back(static_cast<TLAccount*>(o));
    }
    std::stable_sort(accounts.begin(), accounts.end(),
                     [](TLAccount* a, TLAccount* b) { return a->order().value_or(0) < b->order().value_or(0); });
    return accounts;
}

// The account's transactions by date, then by identifier.
std::vector<TLTransaction*> registerOf(TLAccount* account) {
    std::vector<TLTransaction*> list(account->transactions().begin(), account->transactions().end());
    std::sort(list.begin(), list.end(), [](TLTransaction* a, TLTransaction* b) {
        double da = a->transactionDate() ? a->transactionDate()->timeIntervalSince1970() : 0;
        double db = b->transactionDate() ? b->transactionDate()->timeIntervalSince1970() : 0;
        if (da != db) return da < db;
        return a->uuid().value_or("") < b->uuid().value_or("");
    });
    return list;
}

struct Day {
    int year, month, day;
};
Day dayOf(const Calendar& calendar, const TLTransaction* t) {
    if (!t->transactionDate()) return {1970, 1, 1};
    DateComponents c =
        calendar.components(kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay, *t->transactionDate());
    return {c.year.value_or(1970), c.month.value_or(1), c.day.value_or(1)};
}
std::string isoDay(const Day& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    return text;
}

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return text;
}

std::string codeOf(const TLCurrency* currency) { return currency != nullptr ? currency->code().value_or("") : ""; }

std::string payeeOf(const TLTransaction* t) {
    if (t->payee() == nullptr) return "";
    std::string name = t->payee()->representationString().value_or("");
    return name.find_first_not_of(' ') == std::string::npos ? "" : name;
}

std::string categoryPath(const TLCategory* c) {
    if (c == nullptr) return "";
    std::string name = c->name().value_or("");
    return c->mastercat() != nullptr ? c->mastercat()->name().value_or("") + ":" + name : name;
}

TLAccount* otherAccountOf(const TLTransaction* t) {
    if (t->transferCopy() != nullptr) return t->transferCopy()->account();
    if (t->transferCopyInverse() != nullptr) return t->transferCopyInverse()->account();
    return nullptr;
}

// The parts in a fixed order: by category path, then by amount.
std::vector<TLSplit*> partsOf(const TLTransaction* t) {
    std::vector<TLSplit*> parts = t->getOrderedSplit();
    std::stable_sort(parts.begin(), parts.end(), [](TLSplit* a, TLSplit* b) {
        std::string pa = categoryPath(a->category()), pb = categoryPath(b->category());
        if (pa != pb) return pa < pb;
        return a->amount().value_or(Decimal::zero()) > b->amount().value_or(Decimal::zero());
    });
    return parts;
}

// What one unit of the transaction's currency is in its account's: its
// frozen rate, 1 in the account's own currency.
Decimal rateToAccount(const TLTransaction* t) {
    if (t->account() == nullptr || t->currency() == t->account()->currency()) return Decimal::one();
    TLTransactionRate* rate = t->getRateToAccount();
    return rate != nullptr && rate->rate() ? *rate->rate() : Decimal::one();
}

Decimal inAccount(const TLTransaction* t) { return t->totalamountInAccountCurrency().value_or(Decimal::zero()); }

// ---- CSV ----

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string categoriesOf(const TLTransaction* t) {
    if (t->isTransfer()) {
        TLAccount* other = otherAccountOf(t);
        return "[" + (other != nullptr ? other->name().value_or("") : std::string()) + "]";
    }
    std::string joined;
    for (TLSplit* split : partsOf(t)) {
        if (!joined.empty()) joined += " + ";
        joined += categoryPath(split->category());
    }
    return joined;
}

// ---- QIF ----

const char* qifType(const TLAccount* account) {
    switch (account->type().value_or(TLAccountType::Bank)) {
        case TLAccountType::Cash: return "Cash";
        case TLAccountType::CreditCard: return "CCard";
        case TLAccountType::Loan: return "Oth L";
        case TLAccountType::Asset:
        case TLAccountType::Investment: return "Oth A";
        default: return "Bank";
    }
}

// ---- journal ----

std::string journalName(std::string text) {
    for (char& c : text) {
        if (c == ':') c = '-';
        if (c == '\t' || c == '\n' || c == '\r' || c == ';') c = ' ';
    }
    std::string out;
    for (char c : text) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out.empty() ? "Unnamed" : out;
}

bool isLiability(const TLAccount* account) {
    int type = account->type().value_or(TLAccountType::Bank);
    return type == TLAccountType::CreditCard || type == TLAccountType::Loan;
}

class Journal {
public:
    explicit Journal(TLAccount* only) : only_(only) {
        std::map<std::string, int> seen;
        for (TLAccount* account : accountsOf(nullptr)) {
            std::string name = TLBookExporter::journalAccountName(account);
            int n = ++seen[name];
            names_[account] = n == 1 ? name : name + " (" + std::to_string(n) + ")";
        }
    }

    std::string run() {
        std::vector<TLTransaction*> entries;
        std::set<TLTransaction*> taken;
        for (TLAccount* account : accountsOf(only_)) {
            for (TLTransaction* t : registerOf(account)) {
                TLTransaction* giver = sendingSide(t);
                if (taken.insert(giver).second) entries.push_back(giver);
            }
        }
        std::stable_sort(entries.begin(), entries.end(), [](TLTransaction* a, TLTransaction* b) {
            return a->transactionDate().value_or(Date(0)).timeIntervalSince1970() <
                   b->transactionDate().value_or(Date(0)).timeIntervalSince1970();
        });
        std::string out = "; The book exported by Tallo: an opening entry per account, then every transaction.\n\n";
        std::string opening = entries.empty() ? "2000-01-01" : isoDay(dayOf(calendar_, entries.front()));
        for (TLAccount* account : accountsOf(only_)) {
            Decimal start = account->startingBalance().value_or(Decimal::zero());
            out += opening + " Opening balance of " + journalName(account->name().value_or("")) + "\n";
            out += posting(names_[account], start, codeOf(account->currency()));
            out += "    Equity:Opening Balances\n\n";
        }
        for (TLTransaction* t : entries) out += entry(t);
        return out;
    }

private:
    // A transfer pair is one entry, written from the side that sent the money.
    static TLTransaction* sendingSide(TLTransaction* t) {
        TLTransaction* other = t->transferCopy() != nullptr ? t->transferCopy() : t->transferCopyInverse();
        if (!t->isTransfer() || other == nullptr || t->transferPrimary().value_or(false)) return t;
        if (other->transferPrimary().value_or(false)) return other;
        return t->uuid().value_or("") < other->uuid().value_or("") ? t : other;
    }

    static std::string posting(const std::string& account, const Decimal& amount, const std::string& code,
                               const std::string& price = "") {
        return "    " + account + "  " + amount.toString() + " " + commodity(code) + price + "\n";
    }
    static std::string commodity(const std::string& code) { return code.empty() ? "\"?\"" : code; }

    std::string entry(TLTransaction* t) {
        std::string payee = oneLine(payeeOf(t));
        std::replace(payee.begin(), payee.end(), ';', ',');  // ';' would start a comment
        if (payee.empty()) payee = t->isTransfer() ? "Transfer" : "-";
        std::string out = isoDay(dayOf(calendar_, t)) + " " + payee;
        std::string comments = oneLine(t->comments().value_or(""));
        if (!comments.empty()) out += "  ; " + comments;
        out += "\n";
        TLAccount* account = t->account();
        std::string accountCode = codeOf(account != nullptr ? account->currency() : nullptr);
        std::string accountName = account != nullptr ? names_[account] : "Assets:Unknown";
        out += posting(accountName, inAccount(t), accountCode);
        if (t->isTransfer()) {
            out += transferPosting(t, accountCode);
        } else {
            out += categoryPostings(t, accountCode);
        }
        return out + "\n";
    }

    std::string transferPosting(TLTransaction* t, const std::string& accountCode) {
        TLTransaction* mirror = t->transferCopy() != nullptr ? t->transferCopy() : t->transferCopyInverse();
        if (mirror == nullptr || mirror->account() == nullptr) {
            return posting("Equity:Unmatched Transfers", Decimal::zero() - inAccount(t), accountCode);
        }
        std::string code = codeOf(mirror->account()->currency());
        Decimal received = inAccount(mirror);
        std::string price;
        if (code != accountCode) {  // what the other side got, priced at what this side gave
            Decimal given = inAccount(t);
            price = " @@ " + (given.isNegativeSign() ? (Decimal::zero() - given) : given).toString() + " " +
                    commodity(accountCode);
        }
        return posting(names_[mirror->account()], received, code, price);
    }

    std::string categoryPostings(TLTransaction* t, const std::string& accountCode) {
        std::string out;
        bool income = !t->isNegative();
        std::string code = codeOf(t->currency());
        std::string price;
        if (code != accountCode && !accountCode.empty()) {
            TLTransactionRate* rate = t->getRateToAccount();
            if (rate != nullptr && rate->rate()) price = " @ " + rate->rate()->toString() + " " + accountCode;
        }
        if (price.empty()) code = accountCode;  // no rate: the parts were booked one to one
        std::vector<TLSplit*> splits = partsOf(t);
        if (splits.empty()) {
            return posting(income ? "Income:Uncategorized" : "Expenses:Uncategorized", Decimal::zero(), code);
        }
        for (TLSplit* split : splits) {
            std::string path = split->category() != nullptr ? journalCategory(split->category()) : "Uncategorized";
            out += posting((income ? "Income:" : "Expenses:") + path, Decimal::zero() - split->getSignedAmount(),
                           code, price);
        }
        return out;
    }

    static std::string journalCategory(const TLCategory* c) {
        std::string name = journalName(c->name().value_or(""));
        return c->mastercat() != nullptr ? journalName(c->mastercat()->name().value_or("")) + ":" + name : name;
    }

    TLAccount* only_;
    Calendar calendar_ = Calendar::current();
    std::map<const TLAccount*, std::string> names_;
};

}  // namespace

std::string TLBookExporter::journalAccountName(const TLAccount* account) {
    return std::string(isLiability(account) ? "Liabilities:" : "Assets:") + journalName(account->name().value_or(""));
}

std::string TLBookExporter::csv(TLAccount* only) {
    Calendar calendar = Calendar::current();
    std::string out = "Date,Account,Payee,Category,Memo,Number,Amount,Currency\r\n";
    for (TLAccount* account : accountsOf(only)) {
        std::string name = csvField(account->name().value_or(""));
        std::string code = codeOf(account->currency());
        for (TLTransaction* t : registerOf(account)) {
            out += isoDay(dayOf(calendar, t)) + "," + name + "," + csvField(payeeOf(t)) + "," +
                   csvField(categoriesOf(t)) + "," + csvField(t->comments().value_or("")) + "," +
                   csvField(t->number().value_or("")) + "," + inAccount(t).toString() + "," + code + "\r\n";
        }
    }
    return out;
}

std::string TLBookExporter::qif(TLAccount* only) {
    Calendar calendar = Calendar::current();
    std::string out;
    std::vector<TLAccount*> accounts = accountsOf(only);
    if (accounts.size() > 1) out += "!Option:AutoSwitch\n";
    for (TLAccount* account : accounts) {
        if (accounts.size() > 1) {
            out += "!Account\nN" + oneLine(account->name().value_or("")) + "\nT" + qifType(account) + "\n^\n";
        }
        out += std::string("!Type:") + qifType(account) + "\n";
        for (TLTransaction* t : registerOf(account)) {
            Day d = dayOf(calendar, t);
            char date[16];
            std::snprintf(date, sizeof date, "%02d/%02d/%04d", d.month, d.day, d.year);
            out += std::string("D") + date + "\nT" + inAccount(t).toString() + "\n";
            if (!payeeOf(t).empty()) out += "P" + oneLine(payeeOf(t)) + "\n";
            if (t->comments() && !t->comments()->empty()) out += "M" + oneLine(*t->comments()) + "\n";
            if (t->number() && !t->number()->empty()) out += "N" + oneLine(*t->number()) + "\n";
            std::vector<TLSplit*> splits = partsOf(t);
            if (t->isTransfer()) {
                out += "L" + categoriesOf(t) + "\n";
            } else if (splits.size() == 1) {
                if (splits[0]->category() != nullptr) out += "L" + oneLine(categoryPath(splits[0]->category())) + "\n";
            } else {
                Decimal rate = rateToAccount(t);
                for (TLSplit* split : splits) {
                    out += "S" + oneLine(categoryPath(split->category())) + "\n";
                    if (split->comments() && !split->comments()->empty()) out += "E" + oneLine(*split->comments()) + "\n";
                    out += "$" + (split->getSignedAmount() * rate).toString() + "\n";
                }
            }
            out += "^\n";
        }
    }
    return out;
}

std::string TLBookExporter::journal(TLAccount* only) { return Journal(only).run(); }

}  // namespace tallo
