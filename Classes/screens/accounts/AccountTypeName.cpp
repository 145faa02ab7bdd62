#include "Classes/screens/accounts/AccountTypeName.h"

#include <array>

#include "Platform/foundation/Localization.h"

namespace tallo {

std::string accountTypeName(int type) {
    static constexpr std::array<const char*, 6> kNames = {"Bank", "Cash", "Credit Card", "Investment", "Loan", "Asset"};
    if (type < 0 || type >= static_cast<int>(kNames.size())) return {};
    return L(kNames[static_cast<size_t>(type)]);
}

}  // namespace tallo
