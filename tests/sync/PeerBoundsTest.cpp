// What one peer on the network may cost the device: a few connections,
// closed when idle, messages bounded by the store's own size, and a listener
// that waits instead of spinning when the process runs out of descriptors.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>

#include "tests/sync/SyncTestSupport.h"

namespace tallo::test {
namespace {

using PeerBounds = SyncServerTest;

std::string welcome(const char* library) { return std::string("{documentID=") + library + ", type=welcome}"; }

TEST_F(PeerBounds, AFifthConnectionIsClosedAndTheFourBeforeItAreServed) {
    pairWith(kLibrary);
    std::vector<std::unique_ptr<sync::SyncPeer>> peers;
    for (int i = 0; i < 4; ++i) {
        peers.push_back(connect());
        EXPECT_EQ(exchange(*peers.back(), {{"type", "secretcode"}, {"documentID", kLibrary}}), welcome(kLibrary)) << i;
    }
    auto fifth = connect();
    fifth->send({{"type", "secretcode"}, {"documentID", kLibrary}});
    EXPECT_FALSE(fifth->receive());
    EXPECT_EQ(fifth->failure(), sync::SyncPeer::Failure::ConnectionLost);
    EXPECT_EQ(server().clients().size(), 4u);

    // One leaves: there is room again.
    peers.front()->close();
    EXPECT_TRUE(runUntil([&] { return server().clients().size() == 3; }));
    auto next = connect();
    EXPECT_EQ(exchange(*next, {{"type", "secretcode"}, {"documentID", kLibrary}}), welcome(kLibrary));
}

TEST_F(PeerBounds, ASilentConnectionIsClosedWhenIdle) {
    sync().setIdleTimeout(0.3);
    pairWith(kLibrary);
    auto silent = connect();
    EXPECT_TRUE(runUntil([&] { return server().clients().size() == 1; }));
    EXPECT_TRUE(runUntil([&] { return server().clients().empty(); }, 5));
    EXPECT_EQ(screen_.log, "");  // no transfer was lost: nothing to tell
}

TEST_F(PeerBounds, AMessageThatKeepsArrivingIsNotIdleHoweverLongItTakes) {
    sync().setIdleTimeout(0.3);
    pairWith(kLibrary);
    auto peer = connect();
    Bytes message = framed({{"type", "secretcode"}, {"documentID", kLibrary}, {"documentName", std::string(5000, 'n')}});
    size_t piece = message.size() / 5 + 1;
    for (size_t at = 0; at < message.size(); at += piece) {
        peer->sendBytes(Bytes(message.begin() + long(at), message.begin() + long(std::min(at + piece, message.size()))));
        RunLoop::main().runFor(0.15);  // 0.75 s in all, more than twice the idle limit
    }
    auto answer = peer->receive();
    EXPECT_EQ(describe(answer), welcome(kLibrary));
}

TEST_F(PeerBounds, ATransferWaitingForTheDesktopsMergeIsNotIdle) {
    sync().setIdleTimeout(0.2);
    pairWith(kLibrary);
    auto peer = connect();
    peer->send({{"type", "datarequest"}, {"documentID", kLibrary}});
    ASSERT_TRUE(peer->receive());
    RunLoop::main().runFor(0.8);
    EXPECT_EQ(server().clients().size(), 1u);
    EXPECT_NE(server().syncSocket(), nullptr);
    EXPECT_EQ(screen_.log, "idleOff show ");  // no "Connection lost"
}

TEST_F(PeerBounds, TheLongestMessageFollowsTheStoreWithAFloor) {
    // A small store: the floor, room for a first sync of a large library.
    EXPECT_EQ(sync().maximumMessageLength(), 128 << 20);
    // A store of 100 MiB (sparse: no disk is used) may come back four times
    // as large.
    ASSERT_EQ(::truncate(db().urlToSqliteFile().c_str(), 100 << 20), 0);
    EXPECT_EQ(sync().maximumMessageLength(), 400 << 20);
    // Never past what a read can count.
    ASSERT_EQ(::truncate(db().urlToSqliteFile().c_str(), int64_t{1} << 30), 0);
    EXPECT_EQ(sync().maximumMessageLength(), std::numeric_limits<int32_t>::max());
    // Tests may set their own.
    sync().setMaximumMessageLength(64 * 1024);
    EXPECT_EQ(sync().maximumMessageLength(), 64 * 1024);
}

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Opens client connections to `port` until the process has no descriptor
// left; the server cannot accept them meanwhile.
std::vector<int> exhaustDescriptors(uint16_t port) {
    std::vector<int> held;
    for (;;) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) break;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            break;
        }
        held.push_back(fd);
    }
    return held;
}

TEST_F(PeerBounds, OutOfDescriptorsTheListenerWaitsInsteadOfSpinning) {
    // In a child process with a lowered descriptor limit: connections held
    // until none is left, half a second of the run loop, then the
    // connections let go and a desktop served again.
    EXPECT_EXIT(
        {
            pairWith(kLibrary);
            rlimit limit{};
            getrlimit(RLIMIT_NOFILE, &limit);
            int open = 0;
            for (int fd = 0; fd < 1024; ++fd) open += fcntl(fd, F_GETFD) != -1 ? 1 : 0;
            limit.rlim_cur = rlim_t(open + 48);
            setrlimit(RLIMIT_NOFILE, &limit);
            std::vector<int> held = exhaustDescriptors(server().port());
            if (held.size() < 10) std::_Exit(3);

            double cpuBefore = processSeconds();
            RunLoop::main().runFor(0.5);
            double cpu = processSeconds() - cpuBefore;
            if (cpu > 0.15) {
                std::fprintf(stderr, "the loop used %.2f s of processor in 0.5 s\n", cpu);
                std::_Exit(1);
            }
            for (int fd : held) ::close(fd);
            RunLoop::main().runFor(1.5);  // the longest wait, then every waiting connection accepted
            if (!runUntil([&] { return server().clients().empty(); }, 10)) std::_Exit(2);
            auto peer = connect();
            if (exchange(*peer, {{"type", "secretcode"}, {"documentID", kLibrary}}) != welcome(kLibrary)) std::_Exit(2);
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tallo::test
