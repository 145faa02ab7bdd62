#pragma once
// RunLoop: the one main run loop everything runs on — screens, the store,
// timers, the sync sockets, the interface's WebSocket. Work from other
// threads reaches it only through post().
//
// Timers are kept on Clock::monotonicSeconds(). With the system clock they
// fire in real time while the loop runs. With a manual clock (tests) they
// fire only when advance() moves time past them, each with the clock set to
// its own due time, in due order (ties in the order they were scheduled), so
// "a check 0.5 s later and a reload 1.0 s later" can be stepped exactly.

#include <cstdint>
#include <functional>
#include <memory>

namespace tallo {

class RunLoop {
public:
    using TimerId = uint64_t;
    using Task = std::function<void()>;

    static RunLoop& main();
    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Runs `task` on the next pass of the loop. Any thread.
    void post(Task task);
    // Runs `task` once, `seconds` from now. Main thread. A delay of 0 or less
    // runs it on the next pass that looks at timers.
    TimerId performAfterDelay(double seconds, Task task);
    // Cancelling a timer that already ran or was cancelled does nothing.
    void cancel(TimerId timer);
    bool isScheduled(TimerId timer) const;
    size_t scheduledCount() const;

    // Runs until stop() is called.
    void run();
    void stop();
    // Runs until `condition` holds or `timeoutSeconds` of real time passed;
    // answers whether the condition holds.
    bool runUntil(const std::function<bool()>& condition, double timeoutSeconds);
    // Runs for `seconds` of real time.
    void runFor(double seconds);
    // Runs whatever is ready now, without waiting; answers how many tasks ran.
    size_t runPending();
    // Manual clock only: moves time on by `seconds`, firing what falls due.
    void advance(double seconds);
    // Drops every timer and pending task (tests start from a clean loop).
    void reset();

    // The Boost.Asio io_context behind the loop, for the platform layers that
    // put sockets on it (see RunLoopAsio.h).
    void* nativeContext();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tallo
