#pragma once
// TLAccount: an account of one of six kinds (bank, cash, credit card,
// investment, loan, asset; TLAccountType, whose NeverListed accounts no list
// shows) with its running balance in its own currency.
//
// The balance is a running figure: at every save it equals startingBalance
// plus the totals of the account's transactions converted into its currency
// (each transaction's totalamountInAccountCurrency). The transaction
// operations keep it so incrementally; getBalance recomputes it from
// scratch, which changeCurrencyTo uses.

#include <optional>
#include <string>
#include <vector>

#include "Classes/store/TLAccountAcc.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLPicture.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLAccount : public TLAccountAcc {
public:
    // Investment and loan accounts are listed but not edited here.
    bool isNotSupported() const;

    // The balance recomputed: the opening balance plus every transaction's
    // total, converted with its rate to the account when its currency is
    // another (a missing rate is made from today's rate record). Not stored.
    Decimal getBalance();
    // An opening balance of 100 → 150 with a balance of 80 makes it 130.
    void changeStartingBalanceTo(const Decimal& startingBalance);
    // The account's currency becomes `currency`: every transaction's rate is
    // made again from today's rate records and the balance recomputed; the
    // opening balance keeps its number. Nothing for the present currency.
    void changeCurrencyTo(TLCurrency* currency);
    // Each transaction's rate to the account made again from today's rate
    // record (none when it is in the account's currency), its converted
    // total and the balance following.
    void updateTransactionRates();
    // Every attribute and relationship of `account` but its identifier.
    void copyFromAccount(const TLAccount* account);
    // "home-bank.png", "home-cash.png", … by type.
    TLPicture getIcon() const;

    // The credit-limit warning of a credit card: not silenced (closed), and
    // the balance below the limit (a card at −620 with a limit of −500).
    bool isCreditLimitExceeded() const;
    // "Credit Limit exceeded by %@" with limit − balance formatted in the
    // account's currency ("Credit Limit exceeded by $120.00").
    std::string getCreditLimitExceededMessage() const;

    // Net worth in the default currency of `accounts` (NeverListed ones skipped):
    // balances in another currency times the rate record to the default
    // currency, each product rounded up to two places; others unrounded. A
    // missing rate record is made (value 1) as the currency center does.
    static Decimal getNetWorth(const std::vector<TLAccount*>& accounts);
    // `amount`, held in this account's currency, as it counts in the net
    // worth: times the rate record to the default currency rounded up to two
    // places (100.001 € at 1.30: 130.01 $), unchanged in the default currency
    // or when the record has no value. The net worth and its history both
    // convert through this.
    Decimal getAmountInDefaultCurrency(const Decimal& amount) const;

    // The accounts of every list and choice, by "order": all but the ones
    // never listed (TLAccountType::NeverListed).
    static std::vector<TLAccount*> getAccounts();
    // The first of getAccounts that is not an investment or loan account
    // (isNotSupported), or nothing.
    static TLAccount* getDefaultAccount();

protected:
    // Created now, with a new identifier, in the default currency.
    void awakeFromInsert() override;
    // Every split of every transaction is deleted first, so the amounts
    // leave the books split by split.
    void prepareForDeletion() override;
};

}  // namespace tallo
