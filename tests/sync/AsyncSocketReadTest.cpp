#include <cmath>

#include "Classes/sync/AsyncSocket.h"
#include "tests/sync/SocketTestSupport.h"

namespace tallo::test {
namespace {

class ReadTest : public SocketTest {
protected:
    void SetUp() override {
        listener = listen();
        peer = connectPeer(listener);
        sock = server.accepted.back();
    }
    // Bytes taken by the current read so far.
    uint32_t done() {
        uint32_t count = 0;
        sock->progressOfReadReturningTag(nullptr, &count, nullptr);
        return count;
    }

    std::shared_ptr<AsyncSocket> listener;
    std::unique_ptr<RawPeer> peer;
    std::shared_ptr<AsyncSocket> sock;
};

TEST_F(ReadTest, AMessageIsFramedWhereverItsTerminatorIsSplit) {
    const std::string first = "hello" + kEnd;
    const std::string second = "world" + kEnd;
    const Data term = AsyncSocket::socketMessageEndData();
    ASSERT_EQ(term.size(), 30u);
    // Every cut of the first message, the second following in the same arrival
    // as the first message's tail.
    for (size_t cut = 1; cut < first.size(); ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        server.reads.clear();
        sock->readDataToData(term, -1, 1);
        sock->readDataToData(term, -1, 2);
        peer->send(first.substr(0, cut));
        ASSERT_TRUE(runUntil([&] { return done() == cut; }));
        EXPECT_TRUE(server.reads.empty());  // not before the whole terminator
        peer->send(first.substr(cut) + second);
        ASSERT_TRUE(runUntil([&] { return server.reads.size() == 2; }));
        EXPECT_EQ(server.reads[0], first);
        EXPECT_EQ(server.reads[1], second);
    }
}

TEST_F(ReadTest, TwoMessagesInOneArrivalCompleteTwoReadsWithoutMoreInput) {
    const Data term = AsyncSocket::socketMessageEndData();
    sock->readDataToData(term, -1, 1);
    peer->send("first" + kEnd + "second message" + kEnd + "thi");
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 1; }));
    EXPECT_EQ(server.reads[0], "first" + kEnd);

    // The rest was kept: the next read finishes on the next pass, not inside the call.
    sock->readDataToData(term, -1, 2);
    EXPECT_EQ(server.reads.size(), 1u);
    RunLoop::main().runPending();
    ASSERT_EQ(server.reads.size(), 2u);
    EXPECT_EQ(server.reads[1], "second message" + kEnd);

    // "thi" waits for the rest of its message.
    sock->readDataToData(term, -1, 3);
    ASSERT_TRUE(runUntil([&] { return done() == 3; }));
    peer->send("rd" + kEnd);
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 3; }));
    EXPECT_EQ(server.reads[2], "third" + kEnd);
    EXPECT_NE(log.find("server:read1(35) server:read2(44) server:partial3(3) server:read3(35)"), std::string::npos)
        << log;
}

TEST_F(ReadTest, AReadPastItsMaximumClosesWithError3AndKeepsTheBytes) {
    std::string unread;
    server.onWillDisconnect = [&](AsyncSocket& s) { unread = text(s.unreadData().value_or(Data{})); };
    sock->readDataToData(AsyncSocket::socketMessageEndData(), -1, 100, 7);
    const std::string sent(150, 'x');
    peer->send(sent);
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_EQ(server.error,
              (AsyncSocketError{"AsyncSocketErrorDomain", 3, "Read operation reached set maximum length"}));
    EXPECT_TRUE(server.reads.empty());
    EXPECT_EQ(unread, sent);  // the 100 of the read and the 50 still on the connection
    EXPECT_FALSE(sock->unreadData());  // only inside the report
    EXPECT_TRUE(runUntil([&] { return peer->ended(); }));
}

TEST_F(ReadTest, AMessageEndingExactlyAtTheMaximumIsRead) {
    const std::string message = std::string(70, 'm') + kEnd;  // 100 bytes
    sock->readDataToData(AsyncSocket::socketMessageEndData(), -1, 100, 1);
    peer->send(message + "next");
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 1; }));
    EXPECT_EQ(server.reads[0], message);
    EXPECT_FALSE(server.willDisconnect);
}

TEST_F(ReadTest, FixedLengthReadsTakeExactlyTheirLengthAndReportProgress) {
    sock->readDataToLength(10, -1, 1);
    sock->readDataToLength(100, -1, 2);
    peer->send("0123456789" + std::string(60, 'a'));
    ASSERT_TRUE(runUntil([&] { return done() == 60; }));
    int32_t tag = 0;
    uint32_t count = 0, total = 0;
    EXPECT_FLOAT_EQ(sock->progressOfReadReturningTag(&tag, &count, &total), 0.6f);
    EXPECT_EQ(tag, 2);
    EXPECT_EQ(total, 100u);
    peer->send(std::string(40, 'b') + "extra");
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 2; }));
    EXPECT_EQ(server.reads[0], "0123456789");
    EXPECT_EQ(server.reads[1], std::string(60, 'a') + std::string(40, 'b'));
    EXPECT_NE(log.find("server:read1(10) server:partial2(60) server:read2(100)"), std::string::npos) << log;
    EXPECT_TRUE(std::isnan(sock->progressOfReadReturningTag(&tag, &count, &total)));
}

TEST_F(ReadTest, AReadOfWhatIsAvailableWaitsForAtLeastOneByte) {
    sock->readDataWithTimeout(-1, 4);
    RunLoop::main().runPending();
    EXPECT_TRUE(server.reads.empty());
    peer->send("abcde");
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 1; }));
    EXPECT_EQ(server.reads[0], "abcde");

    // More than one growth step arrives whole.
    const std::string big(1000, 'z');
    peer->send(big);
    sock->readDataWithTimeout(-1, 5);
    std::string all;
    server.onRead = [&](AsyncSocket& s, const Data& data, int32_t) {
        all += text(data);
        if (all.size() < big.size()) s.readDataWithTimeout(-1, 5);
    };
    ASSERT_TRUE(runUntil([&] { return all.size() == big.size(); }));
    EXPECT_EQ(all, big);
}

TEST_F(ReadTest, ATerminatorReadBeforeAnyByteIsWhollyDoneWithTotalZero) {
    sock->readDataToData(AsyncSocket::CRLFData(), -1, 9);
    RunLoop::main().runPending();
    int32_t tag = 0;
    uint32_t count = 5, total = 5;
    EXPECT_EQ(sock->progressOfReadReturningTag(&tag, &count, &total), 1.0f);
    EXPECT_EQ(tag, 9);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(total, 0u);
    peer->send("GET /\r\n");
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 1; }));
    EXPECT_EQ(server.reads[0], "GET /\r\n");
}

TEST_F(ReadTest, RequestsThatCannotBeServedQueueNothing) {
    sock->readDataToLength(0, -1, 1);
    sock->readDataToData(Data{}, -1, 2);
    sock->readDataToData(AsyncSocket::socketMessageEndData(), -1, 2, 3);  // maximum below the terminator
    sock->writeData(Data{}, -1, 4);
    EXPECT_TRUE(sock->canSafelySetDelegate());
    RunLoop::main().runPending();
    EXPECT_TRUE(std::isnan(sock->progressOfReadReturningTag(nullptr, nullptr, nullptr)));
    EXPECT_TRUE(std::isnan(sock->progressOfWriteReturningTag(nullptr, nullptr, nullptr)));
    EXPECT_NE(sock->description().find("has queued 0 reads 0 writes, no current read, no current write"),
              std::string::npos);
}

TEST_F(ReadTest, ReadsCompleteInQueueOrderWithTheirTags) {
    sock->readDataToData(AsyncSocket::LFData(), -1, 30);
    sock->readDataToLength(3, -1, 10);
    sock->readDataToData(AsyncSocket::ZeroData(), -1, 20);
    EXPECT_FALSE(sock->canSafelySetDelegate());
    peer->send(std::string("line\nabc") + std::string("zero\0", 5));
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 3; }));
    EXPECT_EQ(server.reads, (std::vector<std::string>{"line\n", "abc", std::string("zero\0", 5)}));
    EXPECT_NE(log.find("server:read30(5) server:read10(3) server:read20(5)"), std::string::npos) << log;
}

TEST_F(ReadTest, ADelegateMayLetGoOfTheSocketInsideACallback) {
    server.onRead = [&](AsyncSocket& s, const Data&, int32_t) {
        s.disconnect();
        server.accepted.clear();  // the last owner lets go
        sock.reset();
    };
    sock->readDataToData(AsyncSocket::CRLFData(), -1, 1);
    sock->readDataToData(AsyncSocket::CRLFData(), -1, 2);
    peer->send("one\r\ntwo\r\n");
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_TRUE(runUntil([&] { return peer->ended(); }));
    EXPECT_EQ(server.reads, std::vector<std::string>{"one\r\n"});
}

TEST_F(ReadTest, UnreadDataHoldsTheUnfinishedReadAndTheRestAtTheEnd) {
    std::optional<Data> unread;
    server.onWillDisconnect = [&](AsyncSocket& s) { unread = s.unreadData(); };
    sock->readDataToData(AsyncSocket::socketMessageEndData(), -1, 1);
    peer->send("half a message");
    ASSERT_TRUE(runUntil([&] { return done() == 14; }));
    peer->close();
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_FALSE(server.error);
    ASSERT_TRUE(unread);
    EXPECT_EQ(text(*unread), "half a message");
}

TEST_F(ReadTest, DisconnectAfterReadingWaitsForTheQueuedReadsAndRefusesNewOnes) {
    sock->readDataToData(AsyncSocket::CRLFData(), -1, 1);
    sock->disconnectAfterReading();
    EXPECT_EQ(sock->flags() & 0x01C0, 0x00C0);
    sock->readDataToData(AsyncSocket::CRLFData(), -1, 2);  // refused
    RunLoop::main().runPending();
    EXPECT_FALSE(server.disconnected);
    peer->send("last\r\nignored\r\n");
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_EQ(server.reads, std::vector<std::string>{"last\r\n"});
    EXPECT_NE(log.find("server:read1(6) server:disconnect"), std::string::npos) << log;
}

}  // namespace
}  // namespace tallo::test
