#include "Classes/sync/AsyncSocket.h"
#include "Platform/foundation/Clock.h"
#include "tests/support/TestEnvironment.h"
#include "tests/sync/SocketTestSupport.h"

namespace tallo::test {
namespace {

// Timers run on virtual time: the connection's bytes move in real time while
// the clock stands still, and RunLoop::advance lets the seconds pass.
class TimeoutTest : public SocketTest {
protected:
    void SetUp() override {
        listener = listen();
        peer = connectPeer(listener);
        sock = server.accepted.back();
    }
    double secondsSinceStart() const { return Clock::now().timeIntervalSince1970() - 1300000000; }

    ScopedClock clock{Date(1300000000)};
    std::shared_ptr<AsyncSocket> listener;
    std::unique_ptr<RawPeer> peer;
    std::shared_ptr<AsyncSocket> sock;
};

TEST_F(TimeoutTest, AReadWithNothingArrivingTimesOutWithError4) {
    sock->readDataToData(AsyncSocket::CRLFData(), 10, 7);
    RunLoop::main().runPending();
    RunLoop::main().advance(9.9);
    EXPECT_FALSE(server.willDisconnect);
    RunLoop::main().advance(0.1);
    EXPECT_EQ(server.error, (AsyncSocketError{"AsyncSocketErrorDomain", 4, "Read operation timed out"}));
    EXPECT_NE(log.find("server:readTimeout7 server:willDisconnect(AsyncSocketErrorDomain 4) server:disconnect"),
              std::string::npos)
        << log;
}

TEST_F(TimeoutTest, AnExtendedReadAsksAgainAfterTheExtension) {
    std::vector<std::pair<double, double>> asked;  // (when, elapsed)
    std::vector<uint32_t> doneWhenAsked;
    server.readTimeout = [&](int32_t, double elapsed, uint32_t done) {
        asked.emplace_back(secondsSinceStart(), elapsed);
        doneWhenAsked.push_back(done);
        return asked.size() == 1 ? 5.0 : 0.0;
    };
    sock->readDataToData(AsyncSocket::CRLFData(), 10, 1);
    peer->send("par");
    ASSERT_TRUE(runUntil([&] { return log.find("server:partial1(3)") != std::string::npos; }));
    RunLoop::main().advance(14.9);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(server.willDisconnect);
    RunLoop::main().advance(0.1);
    EXPECT_EQ(asked, (std::vector<std::pair<double, double>>{{10, 10}, {15, 15}}));
    EXPECT_EQ(doneWhenAsked, (std::vector<uint32_t>{3, 3}));
    ASSERT_TRUE(server.error);
    EXPECT_EQ(server.error->code, AsyncSocketReadTimeoutError);
}

TEST_F(TimeoutTest, AReadThatCompletesInTimeStopsItsTimer) {
    sock->readDataToData(AsyncSocket::CRLFData(), 10, 1);
    peer->send("done\r\n");
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 1; }));
    RunLoop::main().advance(60);
    EXPECT_FALSE(server.willDisconnect);
    EXPECT_EQ(log.find("readTimeout"), std::string::npos);
}

TEST_F(TimeoutTest, AStalledWriteTimesOutWithError5) {
    int size = 4096;
    ::setsockopt(sock->nativeHandle(), SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(peer->fd(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    uint32_t doneWhenAsked = 0;
    server.writeTimeout = [&](int32_t, double, uint32_t done) {
        doneWhenAsked = done;
        return 0.0;
    };
    sock->writeData(Data(4 << 20, 'w'), 30, 3);  // the peer reads nothing
    RunLoop::main().runPending();
    RunLoop::main().advance(30);
    EXPECT_EQ(server.error, (AsyncSocketError{"AsyncSocketErrorDomain", 5, "Write operation timed out"}));
    EXPECT_GT(doneWhenAsked, 0u);
    EXPECT_LT(doneWhenAsked, 4u << 20);
}

TEST_F(TimeoutTest, AConnectThatIsNeverAnsweredTimesOutWithError2) {
    // A listener whose one-place queue is taken drops further attempts unanswered.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 0), 0);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    RawPeer first(ntohs(address.sin_port));

    auto socket = AsyncSocket::create(&client);
    ASSERT_TRUE(socket->connectToHost("127.0.0.1", ntohs(address.sin_port), 10));
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_FALSE(client.willDisconnect);
    RunLoop::main().advance(10);
    EXPECT_EQ(client.error,
              (AsyncSocketError{"AsyncSocketErrorDomain", 2, "Attempt to connect to host timed out"}));
    EXPECT_EQ(log.substr(log.find("client:")),
              "client:willConnect client:willDisconnect(AsyncSocketErrorDomain 2) client:disconnect ");
    ::close(fd);
}

}  // namespace
}  // namespace tallo::test
