#include "Platform/foundation/Clock.h"

#include <atomic>
#include <chrono>

namespace tallo {

namespace {

// Manual time is kept as two doubles published through atomics so that a
// worker thread may read now() while the main thread advances it.
std::atomic<bool> gManual{false};
std::atomic<double> gManualNow{0};
std::atomic<double> gManualMonotonic{0};

double systemNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

double systemMonotonic() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Date Date::now() { return Clock::now(); }

Date Clock::now() { return Date(gManual ? gManualNow.load() : systemNow()); }

double Clock::monotonicSeconds() { return gManual ? gManualMonotonic.load() : systemMonotonic(); }

// Manual monotonic time starts from the same instant in every run, so a
// test's sums of timer delays round the same way each time (from the
// system's steady clock, 0.2 + 0.1 s could fall on either side of 0.3 s).
constexpr double kManualMonotonicStart = 1 << 20;

void Clock::setNow(Date date) {
    if (!gManual) gManualMonotonic = kManualMonotonicStart;
    gManualNow = date.timeIntervalSince1970();
    gManual = true;
}

void Clock::advance(double seconds) {
    if (!gManual) setNow(Date(systemNow()));
    gManualNow = gManualNow.load() + seconds;
    gManualMonotonic = gManualMonotonic.load() + seconds;
}

void Clock::useSystemTime() { gManual = false; }

bool Clock::isManual() { return gManual; }

}  // namespace tallo
