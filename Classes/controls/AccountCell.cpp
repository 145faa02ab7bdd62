#include "Classes/controls/AccountCell.h"

#include "Classes/controls/TLAmountColor.h"
#include "Classes/controls/TLFitText.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/currencies/TLCurrencyCenter.h"

namespace tallo {

AccountCell::AccountCell() : TableViewCell(Style::Default, "AccountCell") {
    accessoryType = Accessory::DetailDisclosureButton;
    textLabel().bold = true;
    textLabel().fontSize = kNameSize;
}

void AccountCell::setAccount(TLAccount* account) {
    account_ = account;
    Decimal balance = account->balance().value_or(Decimal::zero());
    TLCurrency* currency = account->currency();
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    balance_.text = currency != nullptr && currency->code() ? center.currencyStringFromNumber(balance, *currency->code())
                                                            : center.currencyStringFromNumber(balance);
    balance_.color = TLAmountColor::forAmount(balance);
    textLabel().text = TLFitText::fitText(account->name().value_or(""), {kNameSize, true}, balance_.text,
                                          {kBalanceSize, false});
    imageName = account->getIcon().name;
    dimmed_ = account->isNotSupported();
}

void AccountCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    TableViewCell::render(row, context, suffix);
    row.set("value", balance_.text);
    if (balance_.color) row.set("valueColor", balance_.color->css());
    if (dimmed_) row.set("dimmed", true);
    if (!pictureTapped || imageName.empty()) return;
    std::string id = "picture:" + suffix;
    row.set("imageAction", id);
    // The cell lives only while the table is drawn; the action keeps its own copy.
    context.addAction(id, [tapped = pictureTapped](const UIEvent& event) {
        if (event.kind == UIEvent::Kind::Tap) tapped();
    });
}

}  // namespace tallo
