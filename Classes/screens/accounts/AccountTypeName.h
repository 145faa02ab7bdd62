#pragma once
// AccountTypeName: the label of an account kind as the screens show it —
// "Bank", "Cash", "Credit Card", "Investment", "Loan", "Asset" for the
// TLAccountType values 0 to 5, localized; "" for any other value.

#include <string>

namespace tallo {

std::string accountTypeName(int type);

}  // namespace tallo
