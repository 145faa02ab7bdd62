#pragma once
// A fresh book for each ledger test: an empty store in a temporary home,
// fresh user defaults, the shared currency center and settings forgotten, and
// helpers that make currencies, rates, accounts and transactions the way the
// screens do. checkBooks() states the money invariants as one text, empty
// when they all hold.

#include <initializer_list>
#include <string>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/currencies/TLRateRecord.h"
#include "Classes/currencies/TLTransactionRate.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/ledger/TLTransactionSettings.h"
#include "Platform/foundation/UserDefaults.h"
#include "tests/store/StoreTestSupport.h"

namespace tallo::test {

inline Decimal D(const char* text) { return *Decimal::fromString(text); }

class LedgerTest : public StoreTest {
protected:
    LedgerTest() {
        TLCurrencyCenter::resetSharedCenter();
        UserDefaults::resetStandardUserDefaults(folder_.path() + "/Tallo.plist");
        TLTransactionSettings::setUsePayee(false);
        TLTransactionSettings::setUseCategory(true);
    }
    ~LedgerTest() override {
        TLCurrencyCenter::resetSharedCenter();
        TLTransactionSettings::setUsePayee(false);
        TLTransactionSettings::setUseCategory(false);
    }

    TLCurrency* currency(const char* code, bool isDefault = false) {
        auto* c = create<TLCurrency>();
        c->setCode(code);
        c->setTitle(std::string(code) + " title");
        c->setDefault(isDefault);
        if (isDefault) TLCurrencyCenter::sharedCenter().clearRatesCache();
        return c;
    }
    // The global record from → to with its value.
    TLRateRecord* rate(TLCurrency* from, TLCurrency* to, const char* value) {
        TLRateRecord* record = TLCurrencyCenter::sharedCenter().getRateRecordFrom(from, to);
        record->setOneFromInTo(D(value));
        return record;
    }
    TLAccount* account(const char* name, TLCurrency* in = nullptr, int type = TLAccountType::Bank, int order = 0) {
        auto* a = create<TLAccount>();
        a->setName(name);
        a->setType(type);
        a->setOrder(order);
        if (in != nullptr) a->setCurrency(in);
        return a;
    }
    TLCategory* category(const char* name, TLCategory* master = nullptr) {
        auto* c = create<TLCategory>();
        c->setName(name);
        c->setMastercat(master);
        return c;
    }
    // A transaction of `type` in `in`'s currency with one split per amount,
    // entered as the wizard does: each split made, then given its amount.
    TLTransaction* transaction(TLAccount* in, int type, std::initializer_list<const char*> amounts,
                               TLCategory* filed = nullptr) {
        auto* t = create<TLTransaction>();
        t->setAccount(in);
        t->copyCurrencyFromAccount();
        t->changeTypeTo(type);
        for (const char* amount : amounts) addSplit(t, amount, filed);
        return t;
    }
    TLSplit* addSplit(TLTransaction* t, const char* amount, TLCategory* filed = nullptr) {
        auto* s = create<TLSplit>();
        s->setTransaction(t);
        s->setCategory(filed);
        s->changeAmountTo(D(amount));
        return s;
    }

    // checkLedgerInvariants (tests/support/LedgerInvariants.h) of this store:
    // each balance is the opening balance plus its transactions' converted
    // totals (and what getBalance recomputes), each total the signed sum of
    // its splits, each transfer pair equal and opposite.
    std::string checkBooks();
};

// The usual book of a test: dollars as the default currency, euros beside
// them, and a checking account in dollars.
class DollarBookTest : public LedgerTest {
protected:
    DollarBookTest() {
        usd = currency("USD", true);
        eur = currency("EUR");
        checking = account("Checking", usd);
    }
    TLCurrency* usd;
    TLCurrency* eur;
    TLAccount* checking;
};

}  // namespace tallo::test
