#include <cmath>

#include "Classes/sync/AsyncSocket.h"
#include "tests/sync/SocketTestSupport.h"

namespace tallo::test {
namespace {

class WriteTest : public SocketTest {
protected:
    void SetUp() override {
        listener = listen();
        peer = connectPeer(listener);
        sock = server.accepted.back();
    }
    std::shared_ptr<AsyncSocket> listener;
    std::unique_ptr<RawPeer> peer;
    std::shared_ptr<AsyncSocket> sock;
};

TEST_F(WriteTest, AMebibyteArrivesIntactAndCompletesOnce) {
    Data payload(1 << 20);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t((i * 7 + i / 4096) & 0xFF);
    const std::string expected = text(payload);
    sock->writeData(std::move(payload), -1, 42);
    ASSERT_TRUE(runUntil([&] { return peer->received().size() == expected.size() && server.writes == 1; }));
    EXPECT_TRUE(peer->received() == expected);
    EXPECT_NE(log.find("server:wrote42"), std::string::npos);
    EXPECT_TRUE(std::isnan(sock->progressOfWriteReturningTag(nullptr, nullptr, nullptr)));
}

TEST_F(WriteTest, SendDataAppendsTheMessageEnd) {
    sock->sendData(bytes("{dict}"));
    ASSERT_TRUE(runUntil([&] { return peer->received().size() == 36; }));
    EXPECT_EQ(peer->received(), "{dict}" + kEnd);
    EXPECT_EQ(log.substr(log.find("server:wrote")), "server:wrote0 ");
}

TEST_F(WriteTest, WritesGoOutAndCompleteInQueueOrder) {
    sock->writeData(bytes("one "), -1, 1);
    sock->writeData(bytes("two "), -1, 2);
    sock->writeData(bytes("three"), -1, 3);
    ASSERT_TRUE(runUntil([&] { return server.writes == 3; }));
    EXPECT_TRUE(runUntil([&] { return peer->received() == "one two three"; }));
    EXPECT_NE(log.find("server:wrote1 server:wrote2 server:wrote3"), std::string::npos) << log;
}

TEST_F(WriteTest, DisconnectAfterWritingDeliversWhatWasQueuedFirst) {
    sock->writeData(bytes("goodbye"), -1, 1);
    sock->disconnectAfterWriting();
    EXPECT_EQ(sock->flags() & 0x01C0, 0x0140);
    sock->writeData(bytes(" and more"), -1, 2);  // refused
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_TRUE(runUntil([&] { return peer->ended(); }));
    EXPECT_EQ(peer->received(), "goodbye");
    EXPECT_NE(log.find("server:wrote1 server:disconnect"), std::string::npos) << log;
}

TEST_F(WriteTest, DisconnectAfterReadingAndWritingWaitsForBoth) {
    sock->readDataToLength(4, -1, 1);
    sock->writeData(bytes("reply"), -1, 2);
    sock->disconnectAfterReadingAndWriting();
    ASSERT_TRUE(runUntil([&] { return server.writes == 1; }));
    RunLoop::main().runPending();
    EXPECT_FALSE(server.disconnected);  // the read is still open
    peer->send("ping");
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_EQ(server.reads, std::vector<std::string>{"ping"});
    EXPECT_EQ(peer->received(), "reply");
}

TEST_F(WriteTest, AWriteThatStallsReportsPartialProgress) {
    int size = 4096;
    ::setsockopt(sock->nativeHandle(), SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(peer->fd(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sock->writeData(Data(4 << 20, 'w'), -1, 5);
    RunLoop::main().runPending();
    int32_t tag = 0;
    uint32_t done = 0, total = 0;
    float progress = sock->progressOfWriteReturningTag(&tag, &done, &total);
    EXPECT_EQ(tag, 5);
    EXPECT_EQ(total, 4u << 20);
    EXPECT_GT(done, 0u);
    EXPECT_LT(progress, 1.0f);
    EXPECT_NE(log.find("server:wrotePartial5"), std::string::npos) << log;  // the pass ended before the end
    ASSERT_TRUE(runUntil([&] { return peer->received().size() == (4u << 20) && server.writes == 1; }));
}

}  // namespace
}  // namespace tallo::test
