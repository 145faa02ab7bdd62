#pragma once
// SyncPeer: the desktop end of one sync connection, for a command-line tool.
// It connects to a device, sends keyed-archived messages (each followed by
// the 30-byte terminator) and waits for the device's answers, running the
// main run loop while it waits. One message is read at a time, in order.
//
// Waiting gives up when nothing arrives for `idleTimeout` seconds (a large
// message that keeps arriving never times out) or when the device closes
// the connection; lastError() then says which.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Classes/sync/AsyncSocket.h"
#include "Platform/foundation/ArchiveValue.h"

namespace tallo::sync {

class SyncPeer : public AsyncSocketDelegate {
public:
    enum class Failure { None, CannotConnect, ConnectionLost, TimedOut, Undecodable };

    explicit SyncPeer(double idleTimeout = 30);
    ~SyncPeer() override;

    bool connect(const std::string& host, uint16_t port);
    // Queues the message; written while the peer waits.
    void send(const ArchiveDictionary& message);
    // Queues bytes exactly as given, no terminator added.
    void sendBytes(Data bytes);
    // Runs until everything queued is written; false when the connection went.
    bool flush();
    // The next message from the device, or nothing (see failure()).
    std::optional<ArchiveDictionary> receive();
    void close();

    Failure failure() const { return failure_; }
    const std::string& lastError() const { return lastError_; }
    // Bytes of the message being received so far (for progress).
    uint64_t bytesReceived() const { return bytesReceived_; }

    // AsyncSocketDelegate
    void onSocketDidConnectToHost(AsyncSocket& sock, const std::string& host, uint16_t port) override;
    void onSocketDidReadData(AsyncSocket& sock, Data data, int32_t tag) override;
    void onSocketDidReadPartialDataOfLength(AsyncSocket& sock, uint32_t length, int32_t tag) override;
    void onSocketDidWriteDataWithTag(AsyncSocket& sock, int32_t tag) override;
    void onSocketDidWritePartialDataOfLength(AsyncSocket& sock, uint32_t length, int32_t tag) override;
    void onSocketWillDisconnectWithError(AsyncSocket& sock, const std::optional<AsyncSocketError>& error) override;
    void onSocketDidDisconnect(AsyncSocket& sock) override;

private:
    // Runs the loop until `done` holds, the connection is gone or nothing
    // happened for idleTimeout seconds.
    bool waitFor(const std::function<bool()>& done);
    void noteActivity();

    double idleTimeout_;
    std::shared_ptr<AsyncSocket> socket_;
    bool connected_ = false;
    bool disconnected_ = false;
    std::optional<AsyncSocketError> error_;
    std::optional<Data> message_;
    bool readQueued_ = false;
    int pendingWrites_ = 0;
    double lastActivity_ = 0;
    uint64_t bytesReceived_ = 0;
    Failure failure_ = Failure::None;
    std::string lastError_;
};

}  // namespace tallo::sync
