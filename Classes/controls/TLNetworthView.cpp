#include "Classes/controls/TLNetworthView.h"

#include "Classes/controls/TLAmountColor.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"

namespace tallo {

std::string TLNetworthView::amountText() const {
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    if (currency_ != nullptr && currency_->code()) return center.currencyStringFromNumber(amount_, *currency_->code());
    return center.currencyStringFromNumber(amount_);
}

SceneNode TLNetworthView::node(const std::string& position, double height) const {
    SceneNode bar("networth");
    bar.set("label", label_);
    bar.set("amount", amountText());
    bar.set("color", TLAmountColor::forAmount(amount_).css());
    bar.set("position", position);
    bar.set("height", height);
    return bar;
}

}  // namespace tallo
