#include "Platform/ui/UIRateLimitedLog.h"

#include "Platform/foundation/Clock.h"

namespace tallo {

UIRateLimitedLog::UIRateLimitedLog(std::string what, Sink sink) : what_(std::move(what)), sink_(std::move(sink)) {}

UIRateLimitedLog::~UIRateLimitedLog() {
    if (timer_) RunLoop::main().cancel(*timer_);
    if (unwritten_ > 0) writeLine();
}

void UIRateLimitedLog::report(const std::string& reason) {
    ++total_;
    ++unwritten_;
    lastReason_ = reason;
    if (!sink_) {
        unwritten_ = 0;
        return;
    }
    double now = Clock::monotonicSeconds();
    if (!lastLineAt_ || now - *lastLineAt_ >= kIntervalSeconds) return writeLine();
    // A timer dropped by RunLoop::reset is as good as none.
    if (timer_ && RunLoop::main().isScheduled(*timer_)) return;
    timer_ = RunLoop::main().performAfterDelay(*lastLineAt_ + kIntervalSeconds - now, [this] {
        timer_.reset();
        if (unwritten_ > 0) writeLine();
    });
}

void UIRateLimitedLog::writeLine() {
    lastLineAt_ = Clock::monotonicSeconds();
    std::string times = unwritten_ == 1 ? " time" : " times";
    std::string line = "tallo: " + what_ + " " + std::to_string(unwritten_) + times +
                       " since the last line; the last: " + lastReason_;
    unwritten_ = 0;
    if (sink_) sink_(line);
}

}  // namespace tallo
