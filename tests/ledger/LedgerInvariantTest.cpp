// The money invariants under long random sequences of ledger operations:
// after every save each balance is its opening balance plus its converted
// totals, each total the signed sum of its splits, each transfer pair equal
// and opposite, and reopening the store changes nothing. A failing sequence
// is printed with its seed, operation by operation, so it can be replayed.

#include <algorithm>
#include <random>
#include <sstream>

#include "tests/support/LedgerTestSupport.h"
#include "tests/support/StoreDump.h"

namespace tallo {
namespace {

using test::D;

class LedgerInvariantTest : public test::LedgerTest {
protected:
    void SetUp() override {
        TLCurrency* usd = currency("USD", true);
        TLCurrency* eur = currency("EUR");
        TLCurrency* jpy = currency("JPY");
        rate(eur, usd, "1.0837");
        rate(usd, eur, "0.9228");
        rate(jpy, usd, "0.0067");
        rate(usd, jpy, "149.25");
        rate(eur, jpy, "161.7");
        account("Checking", usd, TLAccountType::Bank, 0);
        account("Savings", usd, TLAccountType::Bank, 1);
        account("Travel", eur, TLAccountType::Cash, 2);
        account("Card", jpy, TLAccountType::CreditCard, 3);
        db().save();
    }

    template <typename T>
    std::vector<T*> all(const char* entity) {
        std::vector<T*> out;
        for (ManagedObject* o : db().fetchEntityCustom(entity, nullptr, {{"uuid", true}})) out.push_back(static_cast<T*>(o));
        return out;
    }
    template <typename T>
    T* pick(const std::vector<T*>& list) {
        return list.empty() ? nullptr : list[std::uniform_int_distribution<size_t>(0, list.size() - 1)(rng_)];
    }
    bool coin() { return std::uniform_int_distribution<int>(0, 1)(rng_) == 1; }
    Decimal amount() {  // 0.01 … 999.99, sometimes with a third place
        long long cents = std::uniform_int_distribution<long long>(1, 99999)(rng_);
        bool mills = std::uniform_int_distribution<int>(0, 4)(rng_) == 0;
        return Decimal(cents).multiplyByPowerOf10(mills ? -3 : -2);
    }
    bool isOrigin(TLTransaction* t) { return origins_.count(t->uuid().value_or("")) != 0; }
    bool isMirror(TLTransaction* t) { return t->isTransfer() && t->transferCopy() != nullptr && !isOrigin(t); }
    // Ordinary transactions and transfer origins: what a person edits.
    std::vector<TLTransaction*> editable() {
        std::vector<TLTransaction*> out;
        for (TLTransaction* t : all<TLTransaction>("Transaction")) {
            if (!isMirror(t)) out.push_back(t);
        }
        return out;
    }
    // What the editor's save does for a transfer origin.
    void saveEdit(TLTransaction* t) {
        if (!isOrigin(t)) return;
        TLTransaction* mirror = t->transferCopy();
        if (!t->isTransfer()) {
            if (mirror != nullptr) mirror->deleteTransactionWithTransferCopy(false);
            origins_.erase(t->uuid().value_or(""));
        } else if (mirror != nullptr) {
            TLAccount* other = mirror->account();
            if (*t->transferPrimary()) t->transferToAccount(other); else t->transferFromAccount(other);
        }
    }
    std::string sortedDump() {
        std::istringstream in(test::dumpContext(*db().context()));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        std::string text;
        for (const auto& line : lines) text += line + "\n";
        return text;
    }

    // One random operation; says what it did.
    std::string step();
    void reopen() {
        TLDatabase::resetSharedDatabase();
        TLCurrencyCenter::resetSharedCenter();
    }

    std::mt19937 rng_;
    std::set<std::string> origins_;
};

std::string LedgerInvariantTest::step() {
    auto accounts = all<TLAccount>("Account");
    auto currencies = all<TLCurrency>("Currency");
    auto transactions = editable();
    TLTransaction* t = pick(transactions);
    std::ostringstream what;
    switch (std::uniform_int_distribution<int>(0, 15)(rng_)) {
        case 0:
        case 1: {  // a new expense or income with one to three splits
            TLAccount* in = pick(accounts);
            auto* n = create<TLTransaction>();
            n->setAccount(in);
            n->copyCurrencyFromAccount();
            int type = coin() ? TLTransactionType::Income : TLTransactionType::Expense;
            n->changeTypeTo(type);
            int count = std::uniform_int_distribution<int>(1, 3)(rng_);
            what << "create type " << type << " in " << *in->name() << ":";
            for (int i = 0; i < count; ++i) {
                Decimal a = amount();
                addSplit(n, "0")->changeAmountTo(a);
                what << " " << a.toString();
            }
            return what.str();
        }
        case 2: {
            if (t == nullptr || t->splits().empty()) return "change amount: nothing";
            Decimal a = amount();
            t->getSplit()->changeAmountTo(a);
            saveEdit(t);
            return "change a split to " + a.toString();
        }
        case 3: {
            if (t == nullptr || isOrigin(t)) return "change type: nothing";
            int type = coin() ? TLTransactionType::Income : TLTransactionType::Expense;
            t->changeTypeTo(type);
            return "change type to " + std::to_string(type);
        }
        case 4: {  // the editor's currency choice: the total is re-read and converted at today's rate
            if (t == nullptr) return "change currency: nothing";
            TLCurrency* c = pick(currencies);
            t->changeCurrencyTo(c);
            if (t->currency() != t->account()->currency()) {
                TLRateRecord* record = TLCurrencyCenter::sharedCenter().getRateRecordFrom(t->currency(), t->account()->currency());
                t->setValueToRateRecordToAccount(*record->oneFromInTo());
            }
            saveEdit(t);
            return "change currency to " + *c->code();
        }
        case 5: {
            if (t == nullptr || t->isTransfer()) return "move: nothing";
            TLAccount* to = pick(accounts);
            t->changeAccountTo(to);
            return "move to " + *to->name();
        }
        case 6: {
            if (t == nullptr) return "split: nothing";
            Decimal a = amount();
            addSplit(t, "0")->changeAmountTo(a);
            saveEdit(t);
            return "add a split of " + a.toString();
        }
        case 7: {
            if (t == nullptr || t->splits().size() < 2) return "unsplit: nothing";
            db().deleteObject(t->getSplit());
            saveEdit(t);
            return "delete a split";
        }
        case 8: {  // an ordinary transaction becomes a transfer
            if (t == nullptr || t->isTransfer()) return "transfer: nothing";
            TLAccount* other = pick(accounts);
            if (other == t->account()) return "transfer: same account";
            bool sending = std::uniform_int_distribution<int>(0, 1)(rng_) == 1;
            t->setTransferPrimary(t->isNegative());
            t->changeTypeTo(TLTransactionType::Transfer);
            origins_.insert(*t->uuid());
            if (sending) t->transferToAccount(other); else t->transferFromAccount(other);
            return std::string(sending ? "transfer to " : "transfer from ") + *other->name();
        }
        case 9: {  // a transfer origin sent elsewhere or turned around
            if (t == nullptr || !isOrigin(t)) return "refresh: nothing";
            TLAccount* other = pick(accounts);
            if (other == t->account()) return "refresh: same account";
            bool sending = std::uniform_int_distribution<int>(0, 1)(rng_) == 1;
            if (sending) t->transferToAccount(other); else t->transferFromAccount(other);
            return std::string(sending ? "refresh to " : "refresh from ") + *other->name();
        }
        case 10: {
            if (t == nullptr) return "delete: nothing";
            TLTransaction* side = isOrigin(t) && t->transferCopy() && std::uniform_int_distribution<int>(0, 1)(rng_) ? t->transferCopy() : t;
            origins_.erase(t->uuid().value_or(""));
            side->deleteTransactionWithTransferCopy(true);
            return std::string("delete ") + (side == t ? "a transaction" : "a mirror with its origin");
        }
        case 11: {
            TLAccount* a = pick(accounts);
            TLCurrency* c = pick(currencies);
            a->changeCurrencyTo(c);
            return "account " + *a->name() + " now in " + *c->code();
        }
        case 12: {
            TLAccount* a = pick(accounts);
            Decimal s = amount();
            a->changeStartingBalanceTo(s);
            return "opening balance of " + *a->name() + " " + s.toString();
        }
        case 13: {
            db().rollback();
            std::set<std::string> kept;
            for (TLTransaction* x : all<TLTransaction>("Transaction")) {
                if (origins_.count(*x->uuid())) kept.insert(*x->uuid());
            }
            origins_ = kept;  // origins made since the last save are gone
            return "rollback";
        }
        case 14: {
            TLCurrency* from = pick(currencies);
            TLCurrency* to = pick(currencies);
            if (from == to) return "rate: same currency";
            Decimal value = Decimal(std::uniform_int_distribution<long long>(1, 30000)(rng_)).multiplyByPowerOf10(-4);
            rate(from, to, value.toString().c_str());
            return "today's rate " + *from->code() + "→" + *to->code() + " " + value.toString();
        }
        default:
            return "";  // a save
    }
}

TEST_F(LedgerInvariantTest, RandomSequencesKeepTheBooks) {
    constexpr int kSequences = 12;
    constexpr int kSteps = 250;
    for (unsigned seed = 1; seed <= kSequences; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        rng_.seed(seed);
        std::string log;
        for (int i = 0; i < kSteps; ++i) {
            std::string did = step();
            log += std::to_string(i) + ": " + (did.empty() ? "save" : did) + "\n";
            if (!did.empty() && std::uniform_int_distribution<int>(0, 5)(rng_) != 0) continue;
            db().save();
            std::string broken = checkBooks();
            ASSERT_EQ(broken, "") << "after\n" << log;
            if (std::uniform_int_distribution<int>(0, 7)(rng_) == 0) {
                std::string before = sortedDump();
                reopen();
                ASSERT_EQ(sortedDump(), before) << "reopening changed the store after\n" << log;
                log += "   reopen\n";
            }
        }
    }
}

}  // namespace
}  // namespace tallo
