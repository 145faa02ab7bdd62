#pragma once
// Clock: the one source of "now" for the whole program, so tests can stand on
// any date (a month end, a leap day, a daylight-saving change) and let time
// pass without waiting.
//
// By default the clock follows the system. `setNow` switches it to manual
// time standing still at that instant (monotonic time then starts from one
// fixed value, the same in every run); `advance` moves manual time forward
// (RunLoop::advance also fires the timers that fall due). `useSystemTime`
// returns to the system clock. Main thread only, except `now()`, which any
// thread may call.

#include "Platform/foundation/Date.h"

namespace tallo {

class Clock {
public:
    static Date now();
    // Seconds on a clock that never goes back: the system's steady clock, or
    // the manual time when the clock is manual. Timers are kept on it.
    static double monotonicSeconds();

    static void setNow(Date date);
    static void advance(double seconds);
    static void useSystemTime();
    static bool isManual();
};

}  // namespace tallo
