// AsyncSocket: the public calls, which queue work for the Impl, and the
// plumbing every role shares: deferred calls, timers, moving between run
// loops. The roles are in the AsyncSocket*.cpp files (AsyncSocketImpl.h).

#include "Classes/sync/AsyncSocket.h"

#include <netdb.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "Classes/sync/AsyncSocketImpl.h"
#include "Platform/foundation/Clock.h"

namespace tallo {

namespace async_socket_detail {

std::optional<AsyncSocketError> errorFromCode(const error_code& ec) {
    if (!ec || ec == asio::error::eof || ec == ssl::error::stream_truncated) return std::nullopt;
    const auto& category = ec.category();
    if (category == boost::system::system_category() || category == boost::system::generic_category())
        return AsyncSocketError::fromErrno(ec.value());
    if (category == asio::error::get_addrinfo_category())
        return AsyncSocketError{AsyncSocketError::kNetDBDomain, ec.value(), gai_strerror(ec.value())};
    if (category == asio::error::get_netdb_category())
        return AsyncSocketError{AsyncSocketError::kNetDBDomain, ec.value(), ec.message()};
    if (category == asio::error::get_ssl_category() || category == ssl::error::get_stream_category())
        return AsyncSocketError{AsyncSocketError::kSSLDomain, ec.value(), ec.message()};
    return AsyncSocketError{AsyncSocketError::kUnlistedDomain, ec.value(), ec.message()};
}

}  // namespace async_socket_detail

// ---- plumbing ---------------------------------------------------------------

void AsyncSocket::Impl::performOnNextPass(std::function<void(Impl&)> f) {
    loop().post(guarded([generation = deferredGeneration, f = std::move(f)](Impl& d) {
        if (d.deferredGeneration == generation) f(d);
    }));
}

void AsyncSocket::Impl::cancelDeferred() {
    ++deferredGeneration;
    pendingDisconnect = 0;
    flags &= ~(flagDequeueReadScheduled | flagDequeueWriteScheduled);
}

void AsyncSocket::Impl::startTimer(Timer& timer, double seconds, void (Impl::*fire)()) {
    stopTimer(timer);
    timer.due = Clock::monotonicSeconds() + seconds;
    timer.fire = fire;
    Timer Impl::*member = &timer == &connectTimer ? &Impl::connectTimer
                          : &timer == &readTimer  ? &Impl::readTimer
                                                  : &Impl::writeTimer;
    timer.id = loop().performAfterDelay(seconds, guarded([member](Impl& d) {
        Timer& fired = d.*member;
        fired.id = 0;
        (d.*(fired.fire))();
    }));
}

void AsyncSocket::Impl::stopTimer(Timer& timer) {
    if (timer.id) loop().cancel(timer.id);
    timer.id = 0;
}

// ---- run loops --------------------------------------------------------------

void AsyncSocket::Impl::rescheduleAfterChange() {
    performOnNextPass([](Impl& d) { d.maybeDequeueRead(); });
    performOnNextPass([](Impl& d) { d.maybeDequeueWrite(); });
    performOnNextPass([](Impl& d) { d.maybeScheduleDisconnect(); });
}

bool AsyncSocket::Impl::moveTo(RunLoop* target) {
    if (!target) return false;
    if (target == runLoop) return true;
    if (stream && (stream->tls || !bothStreamsOpened())) return false;
    cancelDeferred();

    std::vector<std::pair<Timer*, double>> running;
    for (Timer* timer : {&connectTimer, &readTimer, &writeTimer}) {
        if (!timer->id) continue;
        running.emplace_back(timer, std::max(0.0, timer->due - Clock::monotonicSeconds()));
        stopTimer(*timer);
    }
    RunLoop* previous = runLoop;
    runLoop = target;
    if (previous && &asioContext(*previous) != &io()) {
        error_code ec;
        for (auto* acceptor : {&acceptor4, &acceptor6}) {
            if (!*acceptor) continue;
            auto protocol = (*acceptor)->local_endpoint(ec).protocol();
            int handle = (*acceptor)->release(ec);
            *acceptor = std::make_unique<tcp::acceptor>(io());
            (*acceptor)->assign(protocol, handle, ec);
            acceptNext(acceptor->get());
        }
        if (stream) {
            auto moved = std::make_shared<Stream>(io());
            auto protocol = stream->socket.local_endpoint(ec).protocol();
            int handle = stream->socket.release(ec);
            moved->socket.assign(protocol, handle, ec);
            moved->socket.non_blocking(true, ec);
            moved->readStatus = stream->readStatus;
            moved->writeStatus = stream->writeStatus;
            stream = moved;
            flags &= ~flagSocketCanAcceptBytes;
            armReadWait();
            armWriteWait();
        }
    }
    for (auto& [timer, remaining] : running) startTimer(*timer, remaining, timer->fire);
    rescheduleAfterChange();
    return true;
}

bool AsyncSocket::Impl::setModes(const std::vector<std::string>& newModes) {
    if (newModes.empty()) return false;
    if (newModes == modes) return true;
    cancelDeferred();
    modes = newModes;
    rescheduleAfterChange();
    return true;
}

// ---- AsyncSocket --------------------------------------------------------------

std::shared_ptr<AsyncSocket> AsyncSocket::create(AsyncSocketDelegate* delegate, int32_t userData) {
    return std::make_shared<AsyncSocket>(Passkey{}, delegate, userData);
}

AsyncSocket::AsyncSocket(Passkey, AsyncSocketDelegate* delegate, int32_t userData)
    : d_(std::make_unique<Impl>(*this, delegate, userData)) {}

AsyncSocket::~AsyncSocket() {
    d_->delegate = nullptr;  // an owner letting go hears nothing back
    d_->close();
}

AsyncSocketDelegate* AsyncSocket::delegate() const { return d_->delegate; }
void AsyncSocket::setDelegate(AsyncSocketDelegate* delegate) { d_->delegate = delegate; }
bool AsyncSocket::canSafelySetDelegate() const {
    return d_->readQueue.empty() && d_->writeQueue.empty() && !d_->currentRead && !d_->currentWrite;
}
int32_t AsyncSocket::userData() const { return d_->userData; }
void AsyncSocket::setUserData(int32_t userData) { d_->userData = userData; }
void AsyncSocket::enablePreBuffering() { d_->flags |= flagPreBuffering; }
uint16_t AsyncSocket::flags() const { return d_->flags; }

std::vector<std::string> AsyncSocket::runLoopModes() const { return d_->modes; }
bool AsyncSocket::setRunLoopModes(const std::vector<std::string>& modes) { return d_->setModes(modes); }
bool AsyncSocket::moveToRunLoop(RunLoop* runLoop) { return d_->moveTo(runLoop); }

bool AsyncSocket::acceptOnPort(uint16_t port, AsyncSocketError* error) {
    return d_->acceptOn(std::nullopt, port, error);
}
bool AsyncSocket::acceptOnInterface(const std::optional<std::string>& interface, uint16_t port,
                                    AsyncSocketError* error) {
    return d_->acceptOn(interface, port, error);
}
bool AsyncSocket::connectToHost(const std::string& host, uint16_t port, double timeout, AsyncSocketError* error) {
    auto keepAlive = shared_from_this();
    return d_->connectToHost(host, port, timeout, error);
}
bool AsyncSocket::connectToAddress(const Data& address, double timeout, AsyncSocketError* error) {
    auto keepAlive = shared_from_this();
    return d_->connectToAddress(address, timeout, error);
}

void AsyncSocket::readDataToLength(uint32_t length, double timeout, int32_t tag) {
    if (length == 0 || (d_->flags & flagForbidReadsWrites)) return;
    auto packet = std::make_shared<AsyncReadPacket>();
    packet->buffer.resize(length);
    packet->timeout = timeout;
    packet->maxLength = int32_t(length);
    packet->tag = tag;
    d_->queueRead(std::move(packet));
}

void AsyncSocket::readDataToData(const Data& term, double timeout, int32_t tag) {
    readDataToData(term, timeout, -1, tag);
}

void AsyncSocket::readDataToData(const Data& term, double timeout, int32_t maxLength, int32_t tag) {
    if (term.empty() || (d_->flags & flagForbidReadsWrites)) return;
    if (maxLength >= 0 && size_t(maxLength) < term.size()) return;
    auto packet = std::make_shared<AsyncReadPacket>();
    packet->timeout = timeout;
    packet->maxLength = maxLength;
    packet->tag = tag;
    packet->term = term;
    d_->queueRead(std::move(packet));
}

void AsyncSocket::readDataWithTimeout(double timeout, int32_t tag) {
    if (d_->flags & flagForbidReadsWrites) return;
    auto packet = std::make_shared<AsyncReadPacket>();
    packet->timeout = timeout;
    packet->tag = tag;
    packet->readAllAvailableData = true;
    d_->queueRead(std::move(packet));
}

void AsyncSocket::writeData(Data data, double timeout, int32_t tag) {
    if (data.empty() || (d_->flags & flagForbidReadsWrites)) return;
    auto packet = std::make_shared<AsyncWritePacket>();
    packet->buffer = std::move(data);
    packet->tag = tag;
    packet->timeout = timeout;
    d_->writeQueue.push_back(std::move(packet));
    d_->scheduleDequeueWrite();
}

void AsyncSocket::sendData(Data data) {
    Data end = socketMessageEndData();
    data.insert(data.end(), end.begin(), end.end());
    writeData(std::move(data), -1, 0);
}

void AsyncSocket::startTLS(const std::optional<TLSSettings>& settings) {
    auto marker = std::make_shared<AsyncSpecialPacket>();
    if (settings) marker->tlsSettings = *settings;
    d_->readQueue.push_back(marker);
    d_->writeQueue.push_back(marker);
    d_->scheduleDequeueRead();
    d_->scheduleDequeueWrite();
}

void AsyncSocket::disconnect() {
    auto keepAlive = shared_from_this();
    d_->disconnect();
}

void AsyncSocket::disconnectAfterReading() {
    d_->flags |= flagForbidReadsWrites | flagDisconnectAfterReads;
    d_->maybeScheduleDisconnect();
}

void AsyncSocket::disconnectAfterWriting() {
    d_->flags |= flagForbidReadsWrites | flagDisconnectAfterWrites;
    d_->maybeScheduleDisconnect();
}

void AsyncSocket::disconnectAfterReadingAndWriting() {
    d_->flags |= flagForbidReadsWrites | flagDisconnectAfterReads | flagDisconnectAfterWrites;
    d_->maybeScheduleDisconnect();
}

std::optional<Data> AsyncSocket::unreadData() { return d_->unreadData(); }

bool AsyncSocket::isConnected() const { return d_->isConnected(); }

std::optional<std::string> AsyncSocket::connectedHost() const {
    auto endpoint = d_->remoteEndpoint();
    if (!endpoint) return std::nullopt;
    return hostText(*endpoint);
}
uint16_t AsyncSocket::connectedPort() const {
    auto endpoint = d_->remoteEndpoint();
    return endpoint ? endpoint->port() : 0;
}
std::optional<std::string> AsyncSocket::localHost() const {
    auto endpoint = d_->localEndpoint();
    if (!endpoint) return std::nullopt;
    return hostText(*endpoint);
}
uint16_t AsyncSocket::localPort() const {
    auto endpoint = d_->localEndpoint();
    return endpoint ? endpoint->port() : 0;
}
std::optional<Data> AsyncSocket::connectedAddress() const {
    auto endpoint = d_->remoteEndpoint();
    if (!endpoint) return std::nullopt;
    return addressData(*endpoint);
}
std::optional<Data> AsyncSocket::localAddress() const {
    auto endpoint = d_->localEndpoint();
    if (!endpoint) return std::nullopt;
    return addressData(*endpoint);
}
bool AsyncSocket::isIPv4() const { return d_->hasSocket4(); }
bool AsyncSocket::isIPv6() const { return d_->hasSocket6(); }

int AsyncSocket::nativeHandle() const {
    if (d_->acceptor4) return d_->acceptor4->native_handle();
    if (d_->acceptor6) return d_->acceptor6->native_handle();
    if ((d_->socket4 || d_->socket6) && d_->stream) return d_->stream->socket.native_handle();
    return -1;
}

float AsyncSocket::progressOfReadReturningTag(int32_t* tag, uint32_t* done, uint32_t* total) const {
    auto* packet = d_->currentReadPacket();
    if (!packet) return NAN;
    uint32_t bytesDone = uint32_t(packet->bytesDone);
    uint32_t length = packet->term || packet->readAllAvailableData ? 0 : uint32_t(packet->buffer.size());
    if (tag) *tag = packet->tag;
    if (done) *done = bytesDone;
    if (total) *total = length;
    // A read of unknown length counts as complete so far.
    if (length == 0) return 1.0f;
    return float(bytesDone) / float(length);
}

float AsyncSocket::progressOfWriteReturningTag(int32_t* tag, uint32_t* done, uint32_t* total) const {
    auto* packet = d_->currentWritePacket();
    if (!packet) return NAN;
    if (tag) *tag = packet->tag;
    if (done) *done = uint32_t(packet->bytesDone);
    if (total) *total = uint32_t(packet->buffer.size());
    return float(packet->bytesDone) / float(packet->buffer.size());
}

std::string AsyncSocket::description() const { return d_->description(); }

AsyncSocket::Data AsyncSocket::CRLFData() { return {0x0D, 0x0A}; }
AsyncSocket::Data AsyncSocket::CRData() { return {0x0D}; }
AsyncSocket::Data AsyncSocket::LFData() { return {0x0A}; }
AsyncSocket::Data AsyncSocket::ZeroData() { return {0x00}; }
AsyncSocket::Data AsyncSocket::socketMessageEndData() {
    static const char kEnd[] = "TLsocketTLmessageTLendTLdataTL";
    return Data(kEnd, kEnd + sizeof kEnd - 1);
}

}  // namespace tallo
