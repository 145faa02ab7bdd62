#include "Platform/foundation/RunLoop.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <map>
#include <unordered_map>

#include "Platform/foundation/Clock.h"

namespace tallo {

namespace asio = boost::asio;

struct RunLoop::Impl {
    using Key = std::pair<double, TimerId>;  // due time, then order of scheduling

    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> guard{io.get_executor()};
    asio::steady_timer wakeup{io};
    std::map<Key, Task> timers;
    std::unordered_map<TimerId, Key> keys;
    TimerId nextId = 1;
    bool stopped = false;

    // Runs every timer due by the clock's current time.
    void fireDueTimers() {
        while (!timers.empty() && timers.begin()->first.first <= Clock::monotonicSeconds()) {
            auto first = timers.begin();
            Task task = std::move(first->second);
            keys.erase(first->first.second);
            timers.erase(first);
            task();
        }
        armWakeup();
    }

    // With the system clock, the asio timer wakes the loop for the earliest
    // due timer. With a manual clock only advance() fires timers.
    void armWakeup() {
        wakeup.cancel();
        if (timers.empty() || Clock::isManual()) return;
        double wait = timers.begin()->first.first - Clock::monotonicSeconds();
        auto delay = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(wait > 0 ? wait : 0));
        wakeup.expires_after(delay);
        wakeup.async_wait([this](const boost::system::error_code& error) {
            if (!error) fireDueTimers();
        });
    }
};

RunLoop& RunLoop::main() {
    // Never destroyed: objects with static lifetime (the shared sync server
    // and its sockets) are torn down at exit after a function-local static
    // would be, and their sockets must still find the loop they live on.
    static RunLoop* const loop = new RunLoop;
    return *loop;
}

RunLoop::RunLoop() : impl_(std::make_unique<Impl>()) {}
RunLoop::~RunLoop() = default;

void RunLoop::post(Task task) { asio::post(impl_->io, std::move(task)); }

RunLoop::TimerId RunLoop::performAfterDelay(double seconds, Task task) {
    TimerId id = impl_->nextId++;
    Impl::Key key{Clock::monotonicSeconds() + (seconds > 0 ? seconds : 0), id};
    impl_->timers.emplace(key, std::move(task));
    impl_->keys.emplace(id, key);
    if (impl_->timers.begin()->first == key) impl_->armWakeup();
    return id;
}

void RunLoop::cancel(TimerId timer) {
    auto found = impl_->keys.find(timer);
    if (found == impl_->keys.end()) return;
    impl_->timers.erase(found->second);
    impl_->keys.erase(found);
}

bool RunLoop::isScheduled(TimerId timer) const { return impl_->keys.count(timer) != 0; }

size_t RunLoop::scheduledCount() const { return impl_->timers.size(); }

void RunLoop::run() {
    impl_->stopped = false;
    impl_->io.restart();
    impl_->armWakeup();
    while (!impl_->stopped) {
        impl_->io.run_one();
        if (impl_->io.stopped()) break;
    }
}

void RunLoop::stop() {
    impl_->stopped = true;
    // A post makes run_one() return even when the loop is idle.
    asio::post(impl_->io, [] {});
}

bool RunLoop::runUntil(const std::function<bool()>& condition, double timeoutSeconds) {
    using clock = std::chrono::steady_clock;
    auto deadline = clock::now() + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(timeoutSeconds));
    impl_->io.restart();
    impl_->armWakeup();
    while (!condition()) {
        auto now = clock::now();
        if (now >= deadline) return condition();
        impl_->io.run_one_for(deadline - now);
    }
    return true;
}

void RunLoop::runFor(double seconds) {
    runUntil([] { return false; }, seconds);
}

size_t RunLoop::runPending() {
    impl_->io.restart();
    size_t count = impl_->io.poll();
    if (!Clock::isManual()) impl_->fireDueTimers();
    return count;
}

void RunLoop::advance(double seconds) {
    double target = Clock::monotonicSeconds() + seconds;
    runPending();
    while (!impl_->timers.empty() && impl_->timers.begin()->first.first <= target) {
        double due = impl_->timers.begin()->first.first;
        double now = Clock::monotonicSeconds();
        if (due > now) Clock::advance(due - now);
        impl_->fireDueTimers();
        runPending();
    }
    double now = Clock::monotonicSeconds();
    if (target > now) Clock::advance(target - now);
    runPending();
}

void RunLoop::reset() {
    impl_->timers.clear();
    impl_->keys.clear();
    impl_->wakeup.cancel();
    impl_->io.restart();
    impl_->io.poll();  // drains cancelled waits and posted work
}

void* RunLoop::nativeContext() { return &impl_->io; }

}  // namespace tallo
