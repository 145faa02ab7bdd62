#include "Classes/controls/TransactionCell.h"

#include "Classes/controls/TLAmountColor.h"
#include "Classes/controls/TLFitText.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/ledger/TLTransactionSettings.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

// The other side's account name, as the row names it.
std::string otherAccountName(const TLTransaction* transaction) {
    const TLTransaction* other = transaction->transferCopy();
    if (other == nullptr || other->account() == nullptr) return L("deleted account");
    return other->account()->name().value_or("");
}

}  // namespace

TransactionCell::TransactionCell() : TLPictureCell(Style::Subtitle, "TransactionCell") {
    textLabel().bold = true;
    textLabel().fontSize = kTitleSize;
}

void TransactionCell::setTransaction(TLTransaction* transaction) {
    transaction_ = transaction;
    bottomLabel().text.clear();
    std::string title;
    if (transaction->isTransfer()) {
        title = L("Transfer");
        const char* format = transaction->transferPrimary().value_or(false) ? "To %@" : "From %@";
        bottomLabel().text = stringWithFormat(L(format), {otherAccountName(transaction)});
    } else {
        TLPayee* payee = transaction->payee();
        std::string payeeText = payee != nullptr ? payee->representationString().value_or("") : "";
        if (TLTransactionSettings::usePayee()) {
            if (!payeeText.empty()) {
                title = payeeText;
                bottomLabel().text = transaction->getCategoryString();
            } else {
                title = transaction->getCategoryString();
            }
        } else {
            title = transaction->getCategoryString();
            if (payee != nullptr) bottomLabel().text = payeeText;
        }
    }
    TLPicture picture = transaction->getImageSmall(true);
    setPicture(picture);
    imageRecord = picture.record;

    Decimal total = transaction->totalamount().value_or(Decimal::zero());
    TLCurrency* currency = transaction->currency();
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    amount_.text = currency != nullptr && currency->code() ? center.currencyStringFromNumber(total, *currency->code())
                                                           : center.currencyStringFromNumber(total);
    amount_.color = transaction->isNegative() ? TLAmountColor::negative() : TLAmountColor::positive();
    textLabel().text = TLFitText::fitText(title, {kTitleSize, true}, amount_.text, {kAmountSize, true});
}

void TransactionCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    TLPictureCell::render(row, context, suffix);
    row.set("value", amount_.text);
    if (amount_.color) row.set("valueColor", amount_.color->css());
    if (hasBottomLine) row.set("line", true);
}

}  // namespace tallo
