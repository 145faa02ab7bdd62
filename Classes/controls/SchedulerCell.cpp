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

SchedulerCell::Content SchedulerCell::contentFor(TLScheduler* scheduler) {
    Content content;
    content.scheduler = scheduler;
    content.picture = scheduler->getImageSmall(true);
    content.due = scheduler->getDueString();
    content.late = scheduler->isLate();
    content.amount = amountText(scheduler);
    content.outgoing = scheduler->isNegative();
    if (scheduler->isTransfer()) {
        TLAccount* from = scheduler->inAccount();
        TLAccount* to = scheduler->transferAccount();
        if (to == nullptr) {
            content.bottom = L("Transfer to deleted account");
            content.hasPayButton = false;
        } else {
            content.bottom = stringWithFormat(L("From %@ to %@"), {from != nullptr ? from->name().value_or("") : "",
                                                                   to->name().value_or("")});
        }
    } else if (scheduler->isPayeePriority()) {
        content.bottom = scheduler->payee()->representationString().value_or("");
    } else {
        content.bottom = scheduler->getCategoryString();
    }
    return content;
}

void SchedulerCell::setContent(const Content& content) {
    content_ = content;
    setPicture(content.picture);
    textLabel().text = content.due;
    textLabel().color = content.late ? kLate : kDue;
    detailTextLabel().text = content.bottom;
    payButton.normalText = content.amount;
    payButton.outgoing = content.outgoing;
    payButton.tagObject = content.scheduler;
}

void SchedulerCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    TLPictureCell::render(row, context, suffix);
    if (content_.hasPayButton) {
        payButton.render(row, context, suffix);
        return;
    }
    row.set("value", content_.amount);
    Color tone = content_.outgoing ? TLAmountColor::negative() : TLAmountColor::positive();
    row.set("valueColor", tone.css());
}

}  // namespace tallo
