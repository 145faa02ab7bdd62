#include "Classes/sync/AsyncSocket.h"
#include "tests/sync/SocketTestSupport.h"

namespace tallo::test {
namespace {

using RunLoopTest = SocketTest;

TEST_F(RunLoopTest, RequestsAreServedOnTheNextPassNeverInsideTheCall) {
    auto listener = listen();
    auto peer = connectPeer(listener);
    auto sock = server.accepted.back();
    sock->readDataToData(AsyncSocket::LFData(), -1, 1);
    peer->send("a\nb\n");
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 1; }));
    // "b\n" is already here, yet neither the read nor the write runs inside the call.
    sock->readDataToData(AsyncSocket::LFData(), -1, 2);
    sock->writeData(bytes("x"), -1, 3);
    EXPECT_EQ(server.reads.size(), 1u);
    EXPECT_EQ(server.writes, 0);
    EXPECT_TRUE(sock->flags() & AsyncSocket::flagDequeueReadScheduled);
    EXPECT_TRUE(sock->flags() & AsyncSocket::flagDequeueWriteScheduled);
    RunLoop::main().runPending();
    EXPECT_EQ(server.reads.size(), 2u);
    EXPECT_EQ(server.writes, 1);
    EXPECT_FALSE(sock->flags() & (AsyncSocket::flagDequeueReadScheduled | AsyncSocket::flagDequeueWriteScheduled));
}

TEST_F(RunLoopTest, AnAcceptedSocketLivesOnTheRunLoopItsDelegateChose) {
    RunLoop other;
    server.runLoopForNewSocket = &other;
    auto listener = listen();
    auto socket = AsyncSocket::create(&client);
    ASSERT_TRUE(socket->connectToHost("127.0.0.1", listener->localPort()));
    ASSERT_TRUE(runUntil([&] { return socket->isConnected() && !server.accepted.empty(); }));
    auto accepted = server.accepted.back();
    // Its connection opens only when its own loop runs.
    RunLoop::main().runPending();
    EXPECT_FALSE(accepted->isConnected());
    EXPECT_TRUE(other.runUntil([&] { return accepted->isConnected(); }, 5.0));

    accepted->readDataToData(AsyncSocket::CRLFData(), -1, 1);
    socket->writeData(bytes("over there\r\n"), -1, 2);
    ASSERT_TRUE(runUntil([&] { return client.writes == 1; }));
    EXPECT_TRUE(server.reads.empty());
    EXPECT_TRUE(other.runUntil([&] { return server.reads.size() == 1; }, 5.0));
    EXPECT_EQ(server.reads[0], "over there\r\n");

    // Moved back, it is served by the main loop again.
    EXPECT_TRUE(accepted->moveToRunLoop(&RunLoop::main()));
    EXPECT_TRUE(accepted->moveToRunLoop(&RunLoop::main()));  // already there
    EXPECT_FALSE(accepted->moveToRunLoop(nullptr));
    accepted->readDataToData(AsyncSocket::CRLFData(), -1, 3);
    socket->writeData(bytes("back home\r\n"), -1, 4);
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 2; }));
    EXPECT_EQ(server.reads[1], "back home\r\n");
    accepted->setDelegate(nullptr);
    server.accepted.clear();
    accepted.reset();
    other.reset();
}

TEST_F(RunLoopTest, ModesAreKeptAsGiven) {
    auto sock = AsyncSocket::create(&client);
    EXPECT_EQ(sock->runLoopModes(), std::vector<std::string>{"kCFRunLoopDefaultMode"});
    EXPECT_FALSE(sock->setRunLoopModes({}));
    EXPECT_TRUE(sock->setRunLoopModes({"kCFRunLoopDefaultMode", "UITrackingRunLoopMode"}));
    EXPECT_EQ(sock->runLoopModes().size(), 2u);

    // An accepted socket takes its listener's modes.
    auto listener = listen();
    listener->setRunLoopModes({"kCFRunLoopCommonModes"});
    auto peer = connectPeer(listener);
    EXPECT_EQ(server.accepted.back()->runLoopModes(), std::vector<std::string>{"kCFRunLoopCommonModes"});
}

TEST_F(RunLoopTest, TerminatorConstantsAreTheirBytes) {
    EXPECT_EQ(AsyncSocket::CRLFData(), (Data{0x0D, 0x0A}));
    EXPECT_EQ(AsyncSocket::CRData(), (Data{0x0D}));
    EXPECT_EQ(AsyncSocket::LFData(), (Data{0x0A}));
    EXPECT_EQ(AsyncSocket::ZeroData(), (Data{0x00}));
    EXPECT_EQ(text(AsyncSocket::socketMessageEndData()), "TLsocketTLmessageTLendTLdataTL");
}

}  // namespace
}  // namespace tallo::test
