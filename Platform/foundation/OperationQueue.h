#pragma once
// OperationQueue: runs operations one at a time, in the order they were
// added, on a worker thread of its own (started with the first operation).
// An operation hands its results to the main thread only through
// Operation::postToMain, which goes through the main RunLoop's post.
//
// Cancelling drops the operations that have not started and marks the
// running one cancelled; it is asked (isCancelled) and decides itself when
// to stop. Once a queue is cancelled nothing more of its operations is
// posted to the main loop, so a caller that goes away cancels (or destroys)
// its queue and is never called back afterwards — except for tasks already
// posted, which must check on their own that what they touch still exists.
//
// The destructor cancels and waits for the running operation to return.
// Make, cancel and destroy a queue on one thread (the main thread).

#include <functional>
#include <memory>

#include "Platform/foundation/RunLoop.h"

namespace tallo {

class OperationQueue {
public:
    // What a running operation sees of its queue. Thread-safe.
    class Operation {
    public:
        bool isCancelled() const;
        // Runs `task` on the main loop's next pass; does nothing once the
        // queue is cancelled. Tasks keep the order they were posted in.
        void postToMain(RunLoop::Task task) const;

    private:
        friend class OperationQueue;
        struct Shared;
        explicit Operation(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
        std::shared_ptr<Shared> shared_;
    };
    using Body = std::function<void(const Operation&)>;

    // Results go to `mainLoop` (the program's main loop unless a test says).
    explicit OperationQueue(RunLoop& mainLoop = RunLoop::main());
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    // Ignored once the queue is cancelled.
    void addOperation(Body body);
    void cancelAllOperations();
    // Blocks until every added operation has run (or was dropped).
    void waitUntilAllOperationsAreFinished();
    // Operations added and not yet finished, the running one included.
    size_t operationCount() const;

private:
    struct Worker;
    std::shared_ptr<Operation::Shared> shared_;
    std::unique_ptr<Worker> worker_;
};

}  // namespace tallo
