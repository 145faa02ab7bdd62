#pragma once
// TLDecNumHand2Places: the two-place rounding behaviour of net worth and
// budget totals. Scale 2, rounding toward positive infinity, and errors let
// the computed result stand:
//   1.231 → 1.24    1.230 → 1.23    −1.239 → −1.23    7 → 7    2.5 → 2.5
// Stateless; one shared instance.

#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLDecNumHand2Places final : public DecimalBehavior {
public:
    static TLDecNumHand2Places* sharedInstance();

    int16_t scale() const override { return 2; }
    RoundingMode roundingMode() const override { return RoundingMode::Up; }
    std::optional<Decimal> exceptionDuringOperation(DecimalOperation, DecimalError, const Decimal&,
                                                    const Decimal*) override {
        return std::nullopt;
    }

private:
    TLDecNumHand2Places() = default;
};

}  // namespace tallo
