#include "Platform/foundation/OperationQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tallo {

// State shared by the queue and its worker. The mutex also guards posting to
// the main loop, so that once cancelAllOperations() has returned no post of
// this queue is under way or can begin.
struct OperationQueue::Operation::Shared {
    explicit Shared(RunLoop& loop) : mainLoop(loop) {}

    RunLoop& mainLoop;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Body> pending;
    bool running = false;
    bool cancelled = false;
    bool ending = false;  // the queue is being destroyed: the worker leaves

    // The worker: takes operations in order until the queue ends.
    void work(const Operation& operation) {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return ending || !pending.empty(); });
            if (pending.empty()) return;
            Body body = std::move(pending.front());
            pending.pop_front();
            running = true;
            lock.unlock();
            body(operation);
            body = nullptr;  // what the operation captured goes before it counts as finished
            lock.lock();
            running = false;
            changed.notify_all();
        }
    }
};

bool OperationQueue::Operation::isCancelled() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->cancelled;
}

void OperationQueue::Operation::postToMain(RunLoop::Task task) const {
    std::lock_guard lock(shared_->mutex);
    if (!shared_->cancelled) shared_->mainLoop.post(std::move(task));
}

struct OperationQueue::Worker {
    std::thread thread;
};

OperationQueue::OperationQueue(RunLoop& mainLoop)
    : shared_(std::make_shared<Operation::Shared>(mainLoop)), worker_(std::make_unique<Worker>()) {}

OperationQueue::~OperationQueue() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->cancelled = true;
        shared_->ending = true;
        shared_->pending.clear();
        shared_->changed.notify_all();
    }
    if (worker_->thread.joinable()) worker_->thread.join();
}

void OperationQueue::addOperation(Body body) {
    std::lock_guard lock(shared_->mutex);
    if (shared_->cancelled || !body) return;
    shared_->pending.push_back(std::move(body));
    shared_->changed.notify_all();
    if (!worker_->thread.joinable()) {
        worker_->thread = std::thread([shared = shared_] { shared->work(Operation(shared)); });
    }
}

void OperationQueue::cancelAllOperations() {
    std::lock_guard lock(shared_->mutex);
    shared_->cancelled = true;
    shared_->pending.clear();
    shared_->changed.notify_all();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(shared_->mutex);
    shared_->changed.wait(lock, [this] { return shared_->pending.empty() && !shared_->running; });
}

size_t OperationQueue::operationCount() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->pending.size() + (shared_->running ? 1 : 0);
}

}  // namespace tallo
