#include "Classes/controls/SchedulerCell.h"

#include "Classes/controls/TLAmountColor.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/store/TLTransactionType.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

const Color kLate{0.722, 0.243, 0.267};
const Color kDue = Color::white(0.29);

std::string amountText(const TLScheduler* scheduler) {
    Decimal total = scheduler->totalamount().value_or(Decimal::zero());
    TLCurrency* currency = scheduler->currency();
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    return currency != nullptr && currency->code() ? center.currencyStringFromNumber(total, *currency->code())
                                                   : center.currencyStringFromNumber(total);
}

}  // namespace

SchedulerCell::SchedulerCell() : TLPictureCell(Style::Subtitle, "SchedulerCell") {
    textLabel().bold = true;
    textLabel().fontSize = 16;
}

void SchedulerCell::setScheduler(TLScheduler* scheduler) {
    scheduler_ = scheduler;
    setPicture(scheduler->getImageSmall(true));
    textLabel().text = scheduler->getDueString();
    textLabel().color = scheduler->isLate() ? kLate : kDue;
    amount_ = amountText(scheduler);
    hasPayButton = true;
    if (scheduler->isTransfer()) {
        TLAccount* from = scheduler->inAccount();
        TLAccount* to = scheduler->transferAccount();
        if (to == nullptr) {
            bottom_ = L("Transfer to deleted account");
            hasPayButton = false;
        } else {
            bottom_ = stringWithFormat(L("From %@ to %@"), {from != nullptr ? from->name().value_or("") : "",
                                                            to->name().value_or("")});
        }
    } else if (scheduler->isPayeePriority()) {
        bottom_ = scheduler->payee()->representationString().value_or("");
    } else {
        bottom_ = scheduler->getCategoryString();
    }
    detailTextLabel().text = bottom_;
    payButton.normalText = amount_;
    payButton.outgoing = scheduler->isNegative();
    payButton.tagObject = scheduler;
}

void SchedulerCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    TLPictureCell::render(row, context, suffix);
    if (hasPayButton) {
        payButton.render(row, context, suffix);
        return;
    }
    row.set("value", amount_);
    Color tone = scheduler_ != nullptr && scheduler_->isNegative() ? TLAmountColor::negative() : TLAmountColor::positive();
    row.set("valueColor", tone.css());
}

}  // namespace tallo
