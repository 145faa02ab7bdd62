#pragma once
// TLTransaction: an expense, income or transfer in one account, divided over
// its splits. The money rules every caller relies on:
//
//   - Split amounts are magnitudes; the transaction is negative for an
//     expense and an investment buy (TLTransactionType), and for a transfer
//     on its sending side (transferPrimary). totalamount is the signed sum
//     of the splits, in the transaction's own currency.
//   - totalamountInAccountCurrency is totalamount converted into the
//     account's currency: unchanged when both currencies are the same,
//     otherwise times the transaction's frozen rate to the account (made from
//     today's rate record the first time it is needed, then kept).
//   - The account's balance moves by exactly the change of
//     totalamountInAccountCurrency, through changeTotalAmountTo. Every change
//     of splits, type, currency, rate or account goes through it, so an
//     expense of 10 + 5 has the total −15 and took 15 off the balance.
//
// A transfer is two transactions of type Transfer, the origin and its mirror
// in the other account, rebuilt from the origin by transferToAccount /
// transferFromAccount each time the origin is saved.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Classes/store/TLPicture.h"
#include "Classes/store/TLTransactionAcc.h"
#include "Classes/store/TLTransactionType.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLSchedulerAcc;

class TLTransaction : public TLTransactionAcc {
public:
    // Set on the temporary transaction through which a schedule is edited:
    // its amount changes must not touch any balance. Not stored.
    bool isSchedulerHelper_ = false;
    bool imageLoaded_ = false;
    // The chosen other account of a transfer not yet given its mirror.
    TLAccount* transferAccount_ = nullptr;

    // Classification.
    bool isNegative() const;
    // isNegative for a transaction of `type` (nil: an expense) whose
    // transferPrimary is `transferPrimary`, for sums read without objects.
    static bool isNegativeType(std::optional<long long> type, std::optional<bool> transferPrimary);
    bool isTransfer() const;
    // In an investment account (TLAccountType::Investment).
    bool isInvestment() const;
    // An investment buy or sell.
    bool isInvestmentBuySell() const;
    bool isSplit() const;
    // Fewer than two splits and the one split (if any) without a category.
    bool uncategorized() const;

    // Any one split; nothing when there is none.
    TLSplit* getSplit() const;
    // The splits by uuid, the order screens list them in.
    std::vector<TLSplit*> getOrderedSplit() const;
    // The signed sum of the split amounts, computed from the splits.
    Decimal getTotalAmount() const;

    // Amount changes (see the rules above).
    void changeTotalAmountTo(const Decimal& total);
    // Flips the signed total when the sign changes (expense of 30 → income:
    // −30 becomes 30 and the balance moves by +60); otherwise only the type.
    // `type` is a TLTransactionType.
    void changeTypeTo(int type);
    // The total keeps its number, now read in `currency`; the rates are not
    // re-derived (callers moving the transaction to a new currency do that).
    // Nothing for nil or the present currency.
    void changeCurrencyTo(TLCurrency* currency);
    // Moves the transaction to `account`, taking its converted total out of
    // the old account's balance and adding it to the new one's: unchanged
    // between accounts of one currency, else converted with a rate made from
    // today's rate record. Nothing when `account` is the present one.
    void changeAccountTo(TLAccount* account);
    // Sets the currency to the account's (when there is an account).
    void copyCurrencyFromAccount();

    // An amount in the transaction's currency in its account's: unchanged
    // in the same currency, else times the frozen rate to the account (made
    // from today's rate record the first time it is needed).
    Decimal convertedToAccountCurrency(const Decimal& amount);

    // Frozen rates.
    TLTransactionRate* getRateByCode(const std::string& code) const;
    TLTransactionRate* getRateToAccount() const;
    TLTransactionRate* createRateRecordToAccountWithValue(const Decimal& value);
    // A new rate to the account with today's oneFromInTo from the
    // transaction's currency to the account's; nothing when either is missing.
    TLTransactionRate* createTransactionRateUnsingDefaultRate();
    // Sets (or makes) the rate to the account and converts the total again:
    // a foreign total of −10 at rate 2 moved the balance by −20; at rate 3 it
    // moves it by a further −10.
    void setValueToRateRecordToAccount(const Decimal& value);
    void deleteRatesToAccountCurrency();

    // Presentation.
    std::string getCategoryString() const;
    // With the payee setting on and a payee.
    bool isPayeePriority() const;
    // The same, and not a transfer.
    bool shouldPreferPayee() const;
    // The title in lists.
    std::string getRepresentationString() const;
    // Payee, categories with their masters, medium date and amount, as one
    // line of words for searching.
    std::string getSearchString() const;
    // The search text of anything with a payee, splits, a date and an amount
    // (transactions and schedules): payee, each split's category and its
    // master, the medium date, the amount in `code`'s form.
    static std::string searchStringFrom(const TLPayee* payee, const std::vector<TLSplit*>& splits,
                                        std::optional<Date> date, const Decimal& amount, const std::string& code);
    TLPicture getImageSmall(bool small) const;
    TLPicture getSplitImageSmall(bool small) const;
    // The picture of anything with a picture of its own, a kind, a payee and
    // splits (transactions and schedules), in this order: its stored
    // picture, the transfer picture, the payee's (when payees come first:
    // `priorityPayee`), else the splits' — `several` for two or more, the
    // one split's category's, or "Uncategorized".
    struct PictureParts {
        TLImageRecord* record = nullptr;
        bool isTransfer = false;
        TLPayee* priorityPayee = nullptr;
        size_t splitCount = 0;
        TLSplit* onlySplit = nullptr;
    };
    static TLPicture pictureFrom(const PictureParts& parts, const TLPicture& several, bool small);
    static TLPicture splitsPictureFrom(const PictureParts& parts, const TLPicture& several, bool small);

    // Deletes the splits one by one, so the total and balance follow.
    void deleteSplits();
    // Fills the transaction from a schedule: becomes its next payment (or
    // the temporary transaction through which it is edited).
    void copyValuesFromScheduler(const TLSchedulerAcc* bill);

    // Transfers. The receiver sends to / receives from `account`; its mirror
    // there is made, or rebuilt from the receiver.
    void transferToAccount(TLAccount* account);
    void transferFromAccount(TLAccount* account);
    // Run on the mirror: becomes the origin's copy with the opposite sign.
    void copyTransfer(TLTransaction* origin);
    // Deletes the splits (taking the amount out of the balance), with the
    // flag the mirror as well, then the transaction itself. The caller saves.
    void deleteTransactionWithTransferCopy(bool withCopy);
    // Makes the transaction a plain expense (sending side) or income
    // (receiving side), noting the other account in the comments.
    void convertFromTransferToSimple();

protected:
    // Created and dated now, an expense, in the default currency, with a new identifier.
    void awakeFromInsert() override;
    // Transient state starts afresh whenever the object is loaded.
    void awakeFromFetch() override;

private:
    PictureParts pictureParts() const;
    void makeMirror(TLAccount* account, bool sending);
    // copyTransfer, where `currencyBefore` is the currency the mirror's
    // amounts (and frozen rate) were in before this refresh.
    void copyTransferFrom(TLTransaction* origin, TLCurrency* currencyBefore);
    // Sets the sending side flag, moving the total when the sign changes.
    void changeTransferPrimaryTo(bool sending);
    // Runs `change` (which flips the sign) with the splits taken out first
    // and put back after, so the total follows the new sign.
    void changeSign(const std::function<void()>& change);
};

}  // namespace tallo
