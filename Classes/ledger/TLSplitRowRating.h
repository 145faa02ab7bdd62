#pragma once
// TLSplitRowRating: what TLSplit::getSignedAmountRatedToGlobalCurrency gives
// a categorised split, worked out from its saved row alone (the values of
// keyPaths(), read by a StoreValueScan of the splits). What it needs from
// objects — which categories and schedules exist, each currency's factor to
// the default currency — is taken beforehand on the main thread, so the
// rating itself may run on any thread. A target missing from the store
// counts as none, as it reads for an object.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Platform/foundation/Decimal.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

class TLSplitRowRating {
public:
    // The split's values a rating reads, in this order.
    static const std::vector<std::string>& keyPaths();
    // The categories, schedules and currency factors as the context and the
    // currency center hold them now. Main thread.
    static TLSplitRowRating from(ManagedObjectContext& context);

    struct Rated {
        int64_t category = 0;  // its primary key
        Decimal amount;
    };
    // Nothing for a split in no category.
    std::optional<Rated> rate(const std::vector<Value>& row) const;

private:
    std::unordered_set<int64_t> categories_;
    std::unordered_set<int64_t> schedules_;
    std::unordered_map<int64_t, Decimal> factors_;  // currency → factor; absent: as it is
};

}  // namespace tallo
