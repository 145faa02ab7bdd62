#pragma once
// AccountCell: one row of the accounts list — the account's icon (dimmed
// for investment and loan accounts, which are not edited here), its name,
// and its balance in the account's currency on the right, coloured by sign.
// A name too long to sit beside the balance in 240 points ends in "...".
// The accessory button edits the account.

#include <functional>
#include <memory>
#include <string>

#include "Platform/ui/TableViewCell.h"

namespace tallo {

class TLAccount;

class AccountCell : public TableViewCell {
public:
    static constexpr double kNameSize = 17;
    static constexpr double kBalanceSize = 15;

    AccountCell();
    void setAccount(TLAccount* account);
    TLAccount* account() const { return account_; }
    // The balance as shown: "$1,234.50" in the account currency's form.
    const std::string& balanceText() const { return balance_.text; }
    // Investment and loan accounts are drawn dimmed.
    bool isDimmed() const { return dimmed_; }

    // A tap on the icon alone (as "picture:<section>:<row>"); unset: the icon is part of the row.
    std::function<void()> pictureTapped;

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override;

private:
    TLAccount* account_ = nullptr;
    Label balance_;
    bool dimmed_ = false;
};

}  // namespace tallo
