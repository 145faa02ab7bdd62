#pragma once
// Helpers for the socket tests: a delegate that writes what it hears as one
// line of text, and a plain POSIX peer on 127.0.0.1 that sends exactly the
// bytes a test gives it, when the test says so.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "Classes/sync/AsyncSocket.h"
#include "Platform/foundation/RunLoop.h"

namespace tallo::test {

using Data = AsyncSocket::Data;

inline Data bytes(std::string_view text) { return Data(text.begin(), text.end()); }
inline std::string text(const Data& data) { return std::string(data.begin(), data.end()); }
inline const std::string kEnd = "TLsocketTLmessageTLendTLdataTL";

// Records every delegate call as "name:event " in a log that several
// delegates may share, so the order across both ends shows at a glance.
class Recorder : public AsyncSocketDelegate {
public:
    Recorder(std::string name, std::string* log) : name_(std::move(name)), log_(log) {}

    std::vector<std::shared_ptr<AsyncSocket>> accepted;
    std::vector<std::string> reads;
    std::optional<AsyncSocketError> error;
    bool willDisconnect = false;
    bool disconnected = false;
    bool secured = false;
    bool refuseConnect = false;
    bool keepAccepted = true;
    RunLoop* runLoopForNewSocket = nullptr;
    std::function<double(int32_t tag, double elapsed, uint32_t done)> readTimeout;
    std::function<double(int32_t tag, double elapsed, uint32_t done)> writeTimeout;
    std::function<void(AsyncSocket&, const Data&, int32_t)> onRead;
    std::function<void(AsyncSocket&)> onWillDisconnect;
    int writes = 0;

    void onSocketDidAcceptNewSocket(AsyncSocket&, const std::shared_ptr<AsyncSocket>& newSocket) override {
        add("accept");
        if (keepAccepted) accepted.push_back(newSocket);
    }
    RunLoop* onSocketWantsRunLoopForNewSocket(AsyncSocket&, AsyncSocket&) override {
        add("runLoop");
        return runLoopForNewSocket;
    }
    bool onSocketWillConnect(AsyncSocket&) override {
        add("willConnect");
        return !refuseConnect;
    }
    void onSocketDidConnectToHost(AsyncSocket&, const std::string& host, uint16_t) override {
        add("connect(" + host + ")");
    }
    void onSocketDidReadData(AsyncSocket& sock, Data data, int32_t tag) override {
        add("read" + std::to_string(tag) + "(" + std::to_string(data.size()) + ")");
        reads.push_back(text(data));
        if (onRead) onRead(sock, data, tag);
    }
    void onSocketDidReadPartialDataOfLength(AsyncSocket&, uint32_t length, int32_t tag) override {
        add("partial" + std::to_string(tag) + "(" + std::to_string(length) + ")");
    }
    void onSocketDidWriteDataWithTag(AsyncSocket&, int32_t tag) override {
        ++writes;
        add("wrote" + std::to_string(tag));
    }
    void onSocketDidWritePartialDataOfLength(AsyncSocket&, uint32_t, int32_t tag) override {
        add("wrotePartial" + std::to_string(tag));
    }
    double onSocketShouldTimeoutReadWithTag(AsyncSocket&, int32_t tag, double elapsed, uint32_t done) override {
        add("readTimeout" + std::to_string(tag));
        return readTimeout ? readTimeout(tag, elapsed, done) : 0;
    }
    double onSocketShouldTimeoutWriteWithTag(AsyncSocket&, int32_t tag, double elapsed, uint32_t done) override {
        add("writeTimeout" + std::to_string(tag));
        return writeTimeout ? writeTimeout(tag, elapsed, done) : 0;
    }
    void onSocketDidSecure(AsyncSocket&) override {
        secured = true;
        add("secure");
    }
    void onSocketWillDisconnectWithError(AsyncSocket& sock, const std::optional<AsyncSocketError>& e) override {
        willDisconnect = true;
        error = e;
        add(e ? "willDisconnect(" + e->domain + " " + std::to_string(e->code) + ")" : "willDisconnect(none)");
        if (onWillDisconnect) onWillDisconnect(sock);
    }
    void onSocketDidDisconnect(AsyncSocket&) override {
        disconnected = true;
        add("disconnect");
    }

private:
    void add(const std::string& event) { *log_ += name_ + ":" + event + " "; }

    std::string name_;
    std::string* log_;
};

// A blocking client socket on 127.0.0.1 driven step by step by the test.
class RawPeer {
public:
    explicit RawPeer(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawPeer() { close(); }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    bool connected() const { return connected_; }
    int fd() const { return fd_; }
    void send(std::string_view data) {
        size_t sent = 0;
        while (sent < data.size()) {
            ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += size_t(n);
        }
    }
    // Collects what has arrived without waiting.
    const std::string& received() {
        char chunk[65536];
        while (true) {
            ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n <= 0) {
                if (n == 0) ended_ = true;
                break;
            }
            received_.append(chunk, size_t(n));
        }
        return received_;
    }
    bool ended() {
        received();
        return ended_;
    }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool ended_ = false;
    std::string received_;
};

// Runs the main loop until `condition` holds (5 s of real time at most).
inline bool runUntil(const std::function<bool()>& condition) {
    return RunLoop::main().runUntil(condition, 5.0);
}

// A listener on 127.0.0.1/::1 that keeps what it accepts.
class SocketTest : public ::testing::Test {
protected:
    SocketTest() : server("server", &log), client("client", &log) {}
    ~SocketTest() override {
        for (auto& socket : server.accepted) socket->setDelegate(nullptr);
        server.accepted.clear();
        RunLoop::main().reset();
    }

    std::shared_ptr<AsyncSocket> listen() {
        auto listener = AsyncSocket::create(&server);
        AsyncSocketError error;
        EXPECT_TRUE(listener->acceptOnInterface("localhost", 0, &error)) << error.description;
        return listener;
    }

    // The client connected to a listener, and the server's end of it.
    std::shared_ptr<AsyncSocket> connectClient(const std::shared_ptr<AsyncSocket>& listener) {
        auto socket = AsyncSocket::create(&client);
        EXPECT_TRUE(socket->connectToHost("127.0.0.1", listener->localPort()));
        EXPECT_TRUE(runUntil([&] { return socket->isConnected() && !server.accepted.empty() &&
                                          server.accepted.back()->isConnected(); }));
        return socket;
    }

    // A raw peer connected to a listener, once the server has its end.
    std::unique_ptr<RawPeer> connectPeer(const std::shared_ptr<AsyncSocket>& listener) {
        auto peer = std::make_unique<RawPeer>(listener->localPort());
        EXPECT_TRUE(peer->connected());
        EXPECT_TRUE(runUntil([&] { return !server.accepted.empty() && server.accepted.back()->isConnected(); }));
        return peer;
    }

    std::string log;
    Recorder server;
    Recorder client;
};

}  // namespace tallo::test
