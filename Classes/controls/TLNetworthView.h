#pragma once
// TLNetworthView: the bar with one labelled amount — "Net Worth:" at the top
// of the accounts list, "Balance:" under an account's register. The amount
// is formatted in the bar's currency and coloured by its sign: grey at zero,
// green above, red below (the amount colours of every screen).

#include <string>

#include "Platform/foundation/Decimal.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

class TLCurrency;

class TLNetworthView {
public:
    explicit TLNetworthView(std::string label) : label_(std::move(label)) {}

    // The currency the amount is shown in; none: the default currency's form.
    void setCurrency(TLCurrency* currency) { currency_ = currency; }
    TLCurrency* currency() const { return currency_; }
    void setAmount(const Decimal& amount) { amount_ = amount; }
    const Decimal& amount() const { return amount_; }
    // The amount as shown: "$1,234.50".
    std::string amountText() const;
    // "networth label=… amount=… color=… height=…" at the `position` ("top"
    // or "bottom") of the screen.
    SceneNode node(const std::string& position, double height) const;

private:
    std::string label_;
    TLCurrency* currency_ = nullptr;
    Decimal amount_;
};

}  // namespace tallo
