#pragma once
// TLRememberedMonths: the last answer to "a figure for each of the last
// `count` months up to now's month", reused while the store is unchanged
// and the same month and count are asked again — the Reports list and the
// report opened from it ask the same question. Main thread only.

#include <cstdint>
#include <vector>

#include "Classes/store/TLStoreState.h"
#include "Classes/values/TLMonthID.h"
#include "Platform/foundation/Date.h"

namespace tallo {

template <typename Point>
class TLRememberedMonths {
public:
    // `compute(now, count)` makes the answer when the remembered one does not do.
    template <typename Compute>
    std::vector<Point> answer(Date now, uint32_t count, Compute compute) {
        uint32_t month = TLMonthID::fromDate(now);
        if (state_.isCurrent() && month_ == month && count_ == count) return answer_;
        answer_ = compute(now, count);
        // Taken after computing: converting may have added a rate record.
        state_ = TLStoreState::current();
        month_ = month;
        count_ = count;
        return answer_;
    }

private:
    TLStoreState state_;
    uint32_t month_ = 0;
    uint32_t count_ = 0;
    std::vector<Point> answer_;
};

}  // namespace tallo
