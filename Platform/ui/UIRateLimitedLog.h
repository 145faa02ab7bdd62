#pragma once
// UIRateLimitedLog: a log of something that can happen thousands of times a
// second (a refused event, a failed accept) that writes at most one line a
// second. The first occurrence after a quiet second is written at once; the
// ones that follow within that second are counted and written as one line
// when it ends, with their number and the last reason. A hundred refused
// events in a burst make two lines:
//
//   tallo: refused 1 time since the last line; the last: event: no row 9:9
//   tallo: refused 99 times since the last line; the last: event: no row 9:9
//
// Time is Clock::monotonicSeconds() and the end of a second is a RunLoop
// timer, so a test steps it with RunLoop::advance under a manual clock.
// Without a sink it only counts. What is still counted is written when the
// log is destroyed. Main thread only.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "Platform/foundation/RunLoop.h"

namespace tallo {

class UIRateLimitedLog {
public:
    using Sink = std::function<void(const std::string& line)>;

    static constexpr double kIntervalSeconds = 1.0;

    // `what` begins each line after "tallo: " ("refused").
    UIRateLimitedLog(std::string what, Sink sink);
    ~UIRateLimitedLog();
    UIRateLimitedLog(const UIRateLimitedLog&) = delete;
    UIRateLimitedLog& operator=(const UIRateLimitedLog&) = delete;

    void report(const std::string& reason);
    // Occurrences since the log was made.
    size_t total() const { return total_; }

private:
    void writeLine();

    std::string what_;
    Sink sink_;
    size_t total_ = 0;
    size_t unwritten_ = 0;
    std::string lastReason_;
    std::optional<double> lastLineAt_;
    std::optional<RunLoop::TimerId> timer_;
};

}  // namespace tallo
