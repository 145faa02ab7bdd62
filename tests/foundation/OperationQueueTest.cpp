#include "Platform/foundation/OperationQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>

namespace tallo {
namespace {

// Operations run off the calling thread, one after another in the order
// they were added; what they post reaches the loop in the order posted.
TEST(OperationQueue, RunsOperationsInOrderOnAWorkerAndHandsResultsToTheLoop) {
    RunLoop loop;
    OperationQueue queue(loop);
    std::string delivered;
    std::atomic<int> offMainThread{0};
    const std::thread::id main = std::this_thread::get_id();
    for (const char* name : {"EUR ", "GBP ", "JPY "}) {
        queue.addOperation([&, name](const OperationQueue::Operation& operation) {
            if (std::this_thread::get_id() != main) ++offMainThread;
            operation.postToMain([&delivered, name] { delivered += name; });
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(queue.operationCount(), 0u);
    EXPECT_EQ(delivered, "");  // nothing runs on the loop until the loop runs
    EXPECT_TRUE(loop.runUntil([&] { return delivered.size() == 12; }, 5));
    EXPECT_EQ(delivered, "EUR GBP JPY ");
    EXPECT_EQ(offMainThread.load(), 3);
}

// A cancelled queue drops what has not started, tells the running operation,
// and posts nothing more to the loop.
TEST(OperationQueue, CancellingDropsWaitingOperationsAndSilencesTheRunningOne) {
    RunLoop loop;
    OperationQueue queue(loop);
    std::promise<void> started, gate;
    std::shared_future<void> open = gate.get_future().share();
    std::atomic<bool> sawCancel{false};
    std::atomic<int> secondRan{0};
    int delivered = 0;
    queue.addOperation([&](const OperationQueue::Operation& operation) {
        started.set_value();
        open.wait();
        sawCancel = operation.isCancelled();
        operation.postToMain([&] { ++delivered; });
    });
    queue.addOperation([&](const OperationQueue::Operation&) { ++secondRan; });
    started.get_future().wait();
    EXPECT_EQ(queue.operationCount(), 2u);
    queue.cancelAllOperations();
    gate.set_value();
    queue.waitUntilAllOperationsAreFinished();
    loop.runPending();
    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(secondRan.load(), 0);
    EXPECT_EQ(delivered, 0);
    queue.addOperation([&](const OperationQueue::Operation&) { ++secondRan; });  // ignored once cancelled
    EXPECT_EQ(queue.operationCount(), 0u);
}

// Destroying a queue waits for its running operation, so nothing it holds
// is used after the owner is gone.
TEST(OperationQueue, DestructionWaitsForTheRunningOperationToSeeTheCancel) {
    RunLoop loop;
    std::atomic<bool> finished{false};
    {
        OperationQueue queue(loop);
        std::promise<void> started;
        queue.addOperation([&](const OperationQueue::Operation& operation) {
            started.set_value();
            while (!operation.isCancelled()) std::this_thread::yield();
            finished = true;
        });
        started.get_future().wait();
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(loop.runPending(), 0u);
}

}  // namespace
}  // namespace tallo
