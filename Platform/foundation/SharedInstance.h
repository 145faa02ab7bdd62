#pragma once
// SharedInstance<T>: the one instance of a process-wide singleton, made on
// first use under a lock and kept for the process. reset() exists for tests:
// it forgets the instance, so the next use makes a fresh one.
//
//   namespace { SharedInstance<TLGlobal> gShared; }
//   TLGlobal& TLGlobal::sharedGlobal() { return gShared.get([] { return new TLGlobal(); }); }
//   void TLGlobal::resetSharedGlobal() { gShared.reset(); }
//
// `make` runs once, under the lock; it may do the instance's first-use
// set-up, but must not ask for the same instance again. The lock guards
// creation and reset only: the instance itself is used on the main thread.

#include <memory>
#include <mutex>

namespace tallo {

template <typename T>
class SharedInstance {
public:
    template <typename Make>
    T& get(Make&& make) {
        std::lock_guard lock(mutex_);
        if (!instance_) instance_.reset(make());
        return *instance_;
    }
    // The instance when it exists, else nothing; made never. For work that
    // was scheduled by the instance and must not outlive it (a timer that
    // fires after a reset finds nothing).
    T* existing() const { return instance_.get(); }
    // Forgets the instance and hands it over, so it ends outside the lock
    // (its destructor may use other singletons).
    std::unique_ptr<T> reset() {
        std::lock_guard lock(mutex_);
        return std::move(instance_);
    }

private:
    std::mutex mutex_;
    std::unique_ptr<T> instance_;
};

}  // namespace tallo
