#include "tools/sync/SyncPeer.h"

#include <chrono>

#include "Platform/foundation/KeyedArchiver.h"
#include "Platform/foundation/RunLoop.h"

namespace tallo::sync {

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

SyncPeer::SyncPeer(double idleTimeout) : idleTimeout_(idleTimeout) {}

SyncPeer::~SyncPeer() {
    if (socket_) {
        socket_->setDelegate(nullptr);
        socket_->disconnect();
    }
}

bool SyncPeer::connect(const std::string& host, uint16_t port) {
    socket_ = AsyncSocket::create(this);
    AsyncSocketError error;
    if (!socket_->connectToHost(host, port, idleTimeout_, &error)) {
        failure_ = Failure::CannotConnect;
        lastError_ = error.description;
        return false;
    }
    noteActivity();
    if (!waitFor([this] { return connected_; })) {
        failure_ = Failure::CannotConnect;
        lastError_ = error_ ? error_->description : "no answer from " + host + ":" + std::to_string(port);
        return false;
    }
    return true;
}

void SyncPeer::send(const ArchiveDictionary& message) {
    if (!socket_ || disconnected_) return;
    ++pendingWrites_;
    socket_->sendData(KeyedArchiver::archivedDataWithRootObject(message, AsyncSocket::kSocketMessageEndLength));
}

void SyncPeer::sendBytes(Data bytes) {
    if (!socket_ || disconnected_) return;
    ++pendingWrites_;
    socket_->writeData(std::move(bytes), -1, 0);
}

bool SyncPeer::flush() {
    noteActivity();
    return waitFor([this] { return pendingWrites_ == 0; });
}

std::optional<ArchiveDictionary> SyncPeer::receive() {
    if (!socket_) return std::nullopt;
    if (!readQueued_ && !message_) {
        readQueued_ = true;
        bytesReceived_ = 0;
        socket_->readDataToData(AsyncSocket::socketMessageEndData(), -1, 0);
    }
    noteActivity();
    if (!waitFor([this] { return message_.has_value(); })) return std::nullopt;
    Data data = std::move(*message_);
    message_.reset();
    data.resize(data.size() - AsyncSocket::socketMessageEndData().size());
    std::string reason;
    auto dictionary = KeyedArchiver::unarchiveObjectWithData(data, &reason);
    if (!dictionary) {
        failure_ = Failure::Undecodable;
        lastError_ = "the device sent a message that cannot be read: " + reason;
    }
    return dictionary;
}

void SyncPeer::close() {
    if (!socket_) return;
    socket_->disconnectAfterWriting();
    waitFor([this] { return disconnected_; });
}

bool SyncPeer::waitFor(const std::function<bool()>& done) {
    RunLoop& loop = RunLoop::main();
    for (;;) {
        if (done()) return true;
        if (disconnected_) {
            failure_ = Failure::ConnectionLost;
            lastError_ = error_ ? error_->description : "the device closed the connection";
            return false;
        }
        if (steadySeconds() - lastActivity_ > idleTimeout_) {
            failure_ = Failure::TimedOut;
            lastError_ = "no answer from the device for " + std::to_string(static_cast<int>(idleTimeout_)) + " s";
            return false;
        }
        loop.runUntil([&] { return done() || disconnected_; }, 0.25);
    }
}

void SyncPeer::noteActivity() { lastActivity_ = steadySeconds(); }

void SyncPeer::onSocketDidConnectToHost(AsyncSocket&, const std::string&, uint16_t) {
    connected_ = true;
    noteActivity();
}

void SyncPeer::onSocketDidReadData(AsyncSocket&, Data data, int32_t) {
    readQueued_ = false;
    bytesReceived_ = data.size();
    message_ = std::move(data);
    noteActivity();
}

void SyncPeer::onSocketDidReadPartialDataOfLength(AsyncSocket&, uint32_t length, int32_t) {
    bytesReceived_ += length;
    noteActivity();
}

void SyncPeer::onSocketDidWriteDataWithTag(AsyncSocket&, int32_t) {
    --pendingWrites_;
    noteActivity();
}

void SyncPeer::onSocketDidWritePartialDataOfLength(AsyncSocket&, uint32_t, int32_t) { noteActivity(); }

void SyncPeer::onSocketWillDisconnectWithError(AsyncSocket&, const std::optional<AsyncSocketError>& error) {
    error_ = error;
}

void SyncPeer::onSocketDidDisconnect(AsyncSocket&) { disconnected_ = true; }

}  // namespace tallo::sync
