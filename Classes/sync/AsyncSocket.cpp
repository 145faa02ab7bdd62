#include "Classes/sync/AsyncSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>
#include <cerrno>
#include <concepts>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <variant>

#include "Platform/foundation/Clock.h"
#include "Platform/foundation/InternalError.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/RunLoopAsio.h"  // the one class above Platform that puts sockets on the loop

namespace tallo {

namespace asio = boost::asio;
namespace ssl = boost::asio::ssl;
using tcp = boost::asio::ip::tcp;
using boost::system::error_code;
using Data = AsyncSocket::Data;

namespace {

constexpr size_t kWriteChunk = 4096;     // bytes per write to the connection
constexpr size_t kReadChunk = 256;       // read-all growth
// Pre-buffered terminator reads take up to this much per pass and keep the
// surplus for the next read. What a read delivers does not depend on it; a
// larger pass only saves system calls (a 47 MB store in 256-byte passes
// costs 184,000 of them).
constexpr size_t kPrebufferChunk = 64 * 1024;
constexpr size_t kTLSBufferLimit = 65536;  // decrypted bytes held ahead of the reads, plaintext held for sending
const char* const kDefaultMode = "kCFRunLoopDefaultMode";

struct AsyncReadPacket {
    Data buffer;
    int32_t bytesDone = 0;
    double timeout = -1;
    int32_t maxLength = -1;
    int32_t tag = 0;
    std::optional<Data> term;
    bool readAllAvailableData = false;
};

struct AsyncWritePacket {
    Data buffer;
    int32_t bytesDone = 0;
    int32_t tag = 0;
    double timeout = -1;
};

// The TLS start marker; the same object waits in both queues.
struct AsyncSpecialPacket {
    AsyncSocket::TLSSettings tlsSettings;
};

using ReadItem = std::variant<std::shared_ptr<AsyncReadPacket>, std::shared_ptr<AsyncSpecialPacket>>;
using WriteItem = std::variant<std::shared_ptr<AsyncWritePacket>, std::shared_ptr<AsyncSpecialPacket>>;

// The connection as an error: none for a clean end of stream.
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

std::string hostText(const tcp::endpoint& endpoint) {
    char text[INET6_ADDRSTRLEN];  // 46
    const sockaddr* address = endpoint.data();
    const void* raw = address->sa_family == AF_INET
                          ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr)
                          : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr);
    if (!inet_ntop(address->sa_family, raw, text, sizeof text)) {
        InternalError::report("Cannot convert address to string.");
        return {};
    }
    return text;
}

Data addressData(const tcp::endpoint& endpoint) {
    auto bytes = reinterpret_cast<const uint8_t*>(endpoint.data());
    return Data(bytes, bytes + endpoint.size());
}

std::unique_ptr<ssl::context> makeTLSContext(const AsyncSocket::TLSSettings& settings) {
    try {
        auto context = std::make_unique<ssl::context>(settings.isServer ? ssl::context::tls_server
                                                                        : ssl::context::tls_client);
        context->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                             ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1);
        if (!settings.certificateChain.empty())
            context->use_certificate_chain(asio::buffer(settings.certificateChain));
        if (!settings.privateKey.empty())
            context->use_private_key(asio::buffer(settings.privateKey), ssl::context::pem);
        if (!settings.isServer && settings.validatesCertificateChain) {
            context->set_verify_mode(ssl::verify_peer);
            if (settings.trustedCertificates.empty())
                context->set_default_verify_paths();
            else
                context->add_certificate_authority(asio::buffer(settings.trustedCertificates));
        } else {
            context->set_verify_mode(ssl::verify_none);
        }
        return context;
    } catch (const boost::system::system_error&) {
        return nullptr;
    }
}

// The connection: one non-blocking native socket standing for the read and
// write stream pair, and the TLS layer over it once started. Pending
// asynchronous operations hold it, so it outlives a close until they end;
// a handler whose stream is no longer the socket's does nothing.
struct Stream {
    enum class Status { NotOpen, Opening, Open, AtEnd, Closed, HasError };

    explicit Stream(asio::io_context& io) : socket(io), resolver(io) {}

    tcp::socket socket;
    tcp::resolver resolver;
    Status readStatus = Status::NotOpen;
    Status writeStatus = Status::NotOpen;
    std::optional<AsyncSocketError> readError;
    std::optional<AsyncSocketError> writeError;
    bool readWaitArmed = false;
    bool writeWaitArmed = false;

    // TLS: decrypted bytes wait in `inbox` for the reads; writes go to
    // `outbox`, which is encrypted and sent from `sending`.
    std::unique_ptr<ssl::context> tlsContext;
    std::unique_ptr<ssl::stream<tcp::socket&>> tls;
    bool secured = false;
    Data inbox;
    std::array<uint8_t, 16384> readChunk{};
    bool tlsReading = false;
    std::optional<std::optional<AsyncSocketError>> tlsReadEnd;  // set at the peer's end or a failure
    Data outbox;
    Data sending;
    bool tlsWriting = false;
};

}  // namespace

struct AsyncSocket::Impl {
    struct Timer {
        RunLoop::TimerId id = 0;
        double due = 0;
        void (Impl::*fire)() = nullptr;
    };

    Impl(AsyncSocket& owner, AsyncSocketDelegate* delegate, int32_t userData)
        : self(owner), delegate(delegate), userData(userData) {}

    AsyncSocket& self;
    AsyncSocketDelegate* delegate;
    int32_t userData;
    uint16_t flags = flagPreBuffering;
    std::vector<std::string> modes{kDefaultMode};
    RunLoop* runLoop = nullptr;

    std::unique_ptr<tcp::acceptor> acceptor4, acceptor6;  // a listener's sockets
    bool socket4 = false, socket6 = false;                // the family of a connection's socket
    std::shared_ptr<Stream> stream;

    Timer connectTimer, readTimer, writeTimer;
    std::deque<ReadItem> readQueue;
    std::optional<ReadItem> currentRead;
    Data partialReadBuffer;
    std::deque<WriteItem> writeQueue;
    std::optional<WriteItem> currentWrite;

    uint64_t deferredGeneration = 0;  // a change cancels every pending deferred call
    uint64_t pendingDisconnect = 0;
    uint64_t nextDisconnectId = 1;
    static constexpr double kFirstAcceptRetrySeconds = 0.05;
    static constexpr double kLongestAcceptRetrySeconds = 1.0;
    double acceptRetryDelay = 0;  // 0: the last accept succeeded

    // ---- plumbing -------------------------------------------------------

    RunLoop& loop() const { return runLoop ? *runLoop : RunLoop::main(); }
    asio::io_context& io() const { return asioContext(loop()); }

    // Wraps `f(Impl&, args...)` for the run loop: it runs only while the
    // socket exists, and keeps it alive for the length of the call.
    template <class F>
    auto guarded(F f) {
        return [weak = self.weak_from_this(), f = std::move(f)](auto&&... args) mutable
                   requires std::invocable<F&, Impl&, decltype(args)...>
        {
            if (auto alive = weak.lock()) f(*alive->d_, std::forward<decltype(args)>(args)...);
        };
    }

    void performOnNextPass(std::function<void(Impl&)> f) {
        loop().post(guarded([generation = deferredGeneration, f = std::move(f)](Impl& d) {
            if (d.deferredGeneration == generation) f(d);
        }));
    }

    void cancelDeferred() {
        ++deferredGeneration;
        pendingDisconnect = 0;
        flags &= ~(flagDequeueReadScheduled | flagDequeueWriteScheduled);
    }

    void startTimer(Timer& timer, double seconds, void (Impl::*fire)()) {
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

    void stopTimer(Timer& timer) {
        if (timer.id) loop().cancel(timer.id);
        timer.id = 0;
    }

    AsyncReadPacket* currentReadPacket() const {
        if (!currentRead) return nullptr;
        auto packet = std::get_if<std::shared_ptr<AsyncReadPacket>>(&*currentRead);
        return packet ? packet->get() : nullptr;
    }
    AsyncWritePacket* currentWritePacket() const {
        if (!currentWrite) return nullptr;
        auto packet = std::get_if<std::shared_ptr<AsyncWritePacket>>(&*currentWrite);
        return packet ? packet->get() : nullptr;
    }

    bool bothStreamsOpened() const {
        return (flags & flagReadStreamOpened) && (flags & flagWriteStreamOpened);
    }

    bool askWillConnect() { return !delegate || delegate->onSocketWillConnect(self); }

    // ---- listening ------------------------------------------------------

    void checkMisuse(bool accepting) const {
        if (!delegate)
            throw AsyncSocketException(accepting ? "Attempting to accept without a delegate. Set a delegate first."
                                                 : "Attempting to connect without a delegate. Set a delegate first.");
        // A connection still being set up counts as well: a second attempt
        // would orphan the first one's stream.
        if (acceptor4 || acceptor6 || socket4 || socket6 || stream)
            throw AsyncSocketException(
                accepting ? "Attempting to accept while connected or accepting connections. Disconnect first."
                          : "Attempting to connect while connected or accepting connections. Disconnect first.");
    }

    bool acceptOn(const std::optional<std::string>& interface, uint16_t port, AsyncSocketError* error) {
        checkMisuse(true);
        std::optional<tcp::endpoint> address4, address6;
        if (!interface || interface->empty()) {
            address4 = tcp::endpoint(asio::ip::address_v4::any(), port);
            address6 = tcp::endpoint(asio::ip::address_v6::any(), port);
        } else if (*interface == "localhost" || *interface == "loopback") {
            address4 = tcp::endpoint(asio::ip::address_v4::loopback(), port);
            address6 = tcp::endpoint(asio::ip::address_v6::loopback(), port);
        } else if (!resolveInterface(*interface, port, address4, address6, error)) {
            return false;
        }

        runLoop = &RunLoop::main();
        auto fail = [&] {
            if (error) *error = AsyncSocketError::withCode(AsyncSocketCFSocketError);
            acceptor4.reset();
            acceptor6.reset();
            runLoop = nullptr;
            return false;
        };
        error_code ec;
        if (address4) {
            acceptor4 = std::make_unique<tcp::acceptor>(io());
            acceptor4->open(tcp::v4(), ec);
            if (ec) return fail();
        }
        if (address6) {
            acceptor6 = std::make_unique<tcp::acceptor>(io());
            // A machine without IPv6 still listens on IPv4.
            acceptor6->open(tcp::v6(), ec);
            if (!ec) acceptor6->set_option(asio::ip::v6_only(true), ec);
            if (ec) acceptor6.reset();
        }
        for (auto* acceptor : {acceptor4.get(), acceptor6.get()})
            if (acceptor) acceptor->set_option(tcp::acceptor::reuse_address(true), ec);  // a failure is harmless

        if (acceptor4) {
            acceptor4->bind(*address4, ec);
            if (ec) return fail();
            if (acceptor6 && port == 0) address6->port(acceptor4->local_endpoint(ec).port());
        }
        if (acceptor6) {
            acceptor6->bind(*address6, ec);
            if (ec) return fail();
        }
        if (!acceptor4 && !acceptor6) return fail();
        for (auto* acceptor : {acceptor4.get(), acceptor6.get()}) {
            if (!acceptor) continue;
            acceptor->listen(asio::socket_base::max_listen_connections, ec);
            if (ec) return fail();
        }

        if (acceptor4) acceptNext(acceptor4.get());
        if (acceptor6) acceptNext(acceptor6.get());
        flags |= flagDidStart;
        return true;
    }

    // The first IPv4 and IPv6 address of an interface name or address text.
    static bool resolveInterface(const std::string& interface, uint16_t port, std::optional<tcp::endpoint>& address4,
                                 std::optional<tcp::endpoint>& address6, AsyncSocketError* error) {
        addrinfo hints{};
        hints.ai_flags = AI_PASSIVE;
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        char service[8];
        std::snprintf(service, sizeof service, "%hu", port);
        addrinfo* results = nullptr;
        if (int code = getaddrinfo(interface.c_str(), service, &hints, &results)) {
            if (error) *error = {AsyncSocketError::kNetDBDomain, code, gai_strerror(code)};
            return false;
        }
        for (addrinfo* r = results; r; r = r->ai_next) {
            tcp::endpoint endpoint;
            if (r->ai_addrlen > endpoint.capacity()) continue;
            std::memcpy(endpoint.data(), r->ai_addr, r->ai_addrlen);
            endpoint.resize(r->ai_addrlen);
            if (r->ai_family == AF_INET && !address4) address4 = endpoint;
            if (r->ai_family == AF_INET6 && !address6) address6 = endpoint;
        }
        freeaddrinfo(results);
        if (address4 || address6) return true;
        if (error) *error = AsyncSocketError::withCode(AsyncSocketCFSocketError);
        return false;
    }

    bool isListeningOn(const tcp::acceptor* acceptor) const {
        return acceptor != nullptr && (acceptor4.get() == acceptor || acceptor6.get() == acceptor);
    }

    void acceptNext(tcp::acceptor* acceptor) {
        acceptor->async_accept(guarded([acceptor](Impl& d, error_code ec, tcp::socket peer) {
            if (ec == asio::error::operation_aborted || !d.isListeningOn(acceptor)) return;
            if (ec) return d.acceptAgainLater(acceptor);
            d.acceptRetryDelay = 0;
            d.didAcceptConnection(std::move(peer));
            if (d.isListeningOn(acceptor)) d.acceptNext(acceptor);
        }));
    }

    // An accept that fails (out of file descriptors, most often) leaves the
    // connection waiting in the backlog, so accepting again at once would
    // fail again at once and spin the loop: wait, longer each time up to a
    // second, and let the rest of the program run meanwhile.
    void acceptAgainLater(tcp::acceptor* acceptor) {
        acceptRetryDelay = acceptRetryDelay == 0 ? kFirstAcceptRetrySeconds
                                                 : std::min(acceptRetryDelay * 2, kLongestAcceptRetrySeconds);
        loop().performAfterDelay(acceptRetryDelay, guarded([acceptor](Impl& d) {
            if (d.isListeningOn(acceptor)) d.acceptNext(acceptor);
        }));
    }

    void didAcceptConnection(tcp::socket peer) {
        auto newSocket = AsyncSocket::create(delegate);
        newSocket->d_->modes = modes;
        if (delegate) delegate->onSocketDidAcceptNewSocket(self, newSocket);
        RunLoop* chosen = delegate ? delegate->onSocketWantsRunLoopForNewSocket(self, *newSocket) : nullptr;
        newSocket->d_->attachAccepted(std::move(peer), chosen ? *chosen : loop());
    }

    void attachAccepted(tcp::socket peer, RunLoop& target) {
        runLoop = &target;
        stream = std::make_shared<Stream>(io());
        error_code ec;
        auto protocol = peer.local_endpoint(ec).protocol();
        if (!ec) {
            int handle = peer.release(ec);
            if (!ec) stream->socket.assign(protocol, handle, ec);
        }
        if (ec) {
            close();
            return;
        }
        stream->readStatus = stream->writeStatus = Stream::Status::Opening;
        if (!askWillConnect()) {
            close();
            return;
        }
        auto st = stream;
        loop().post(guarded([st](Impl& d) {
            if (d.stream == st) d.streamsOpened();
        }));
        flags |= flagDidStart;
    }

    // ---- connecting -----------------------------------------------------

    bool connectToHost(const std::string& host, uint16_t port, double timeout, AsyncSocketError* error) {
        checkMisuse(false);
        runLoop = &RunLoop::main();
        stream = std::make_shared<Stream>(io());
        stream->readStatus = stream->writeStatus = Stream::Status::Opening;
        if (!askWillConnect()) return refuse(error);
        auto st = stream;
        st->resolver.async_resolve(
            host, std::to_string(port), guarded([st](Impl& d, error_code ec, tcp::resolver::results_type results) {
                if (d.stream != st) return;
                if (ec) return d.readStreamFailed(errorFromCode(ec));
                asio::async_connect(st->socket, results, d.guarded([st](Impl& d, error_code ec, const tcp::endpoint&) {
                                        if (d.stream != st) return;
                                        if (ec) return d.readStreamFailed(errorFromCode(ec));
                                        d.streamsOpened();
                                    }));
            }));
        if (timeout >= 0) startTimer(connectTimer, timeout, &Impl::doConnectTimeout);
        flags |= flagDidStart;
        return true;
    }

    bool connectToAddress(const Data& address, double timeout, AsyncSocketError* error) {
        checkMisuse(false);
        tcp::endpoint endpoint;
        sa_family_t family = AF_UNSPEC;
        if (address.size() >= sizeof(sa_family_t)) std::memcpy(&family, address.data(), sizeof family);
        bool valid = (family == AF_INET && address.size() >= sizeof(sockaddr_in)) ||
                     (family == AF_INET6 && address.size() >= sizeof(sockaddr_in6));
        if (!valid || address.size() > endpoint.capacity()) {
            if (error) *error = AsyncSocketError::withCode(AsyncSocketCFSocketError);
            return false;
        }
        std::memcpy(endpoint.data(), address.data(), address.size());
        endpoint.resize(address.size());

        runLoop = &RunLoop::main();
        stream = std::make_shared<Stream>(io());
        error_code ec;
        stream->socket.open(endpoint.protocol(), ec);
        if (ec) {
            close();
            if (error) *error = AsyncSocketError::withCode(AsyncSocketCFSocketError);
            return false;
        }
        (family == AF_INET ? socket4 : socket6) = true;
        stream->readStatus = stream->writeStatus = Stream::Status::Opening;
        if (!askWillConnect()) return refuse(error);
        auto st = stream;
        st->socket.async_connect(endpoint, guarded([st](Impl& d, error_code ec) {
            if (d.stream != st) return;
            if (ec) return d.closeWithError(AsyncSocketError::withCode(AsyncSocketCFSocketError));
            // The connecting socket now serves as the stream pair.
            d.socket4 = d.socket6 = false;
            d.streamsOpened();
        }));
        if (timeout >= 0) startTimer(connectTimer, timeout, &Impl::doConnectTimeout);
        flags |= flagDidStart;
        return true;
    }

    bool refuse(AsyncSocketError* error) {
        close();
        if (error) *error = AsyncSocketError::withCode(AsyncSocketCanceledError);
        return false;
    }

    void doConnectTimeout() { closeWithError(AsyncSocketError::withCode(AsyncSocketConnectTimeoutError)); }

    // ---- stream events --------------------------------------------------

    void streamsOpened() {
        error_code ec;
        stream->socket.non_blocking(true, ec);
        auto st = stream;
        st->readStatus = Stream::Status::Open;
        flags |= flagReadStreamOpened;
        doStreamOpen();
        if (stream != st) return;
        armReadWait();
        st->writeStatus = Stream::Status::Open;
        flags |= flagWriteStreamOpened;
        doStreamOpen();
        if (stream != st) return;
        armWriteWait();
    }

    void doStreamOpen() {
        if (!bothStreamsOpened()) return;
        error_code ec;
        auto peer = stream->socket.remote_endpoint(ec);
        if (ec) return closeWithError(errorFromCode(ec).value_or(AsyncSocketError::withCode(AsyncSocketCFSocketError)));
        (peer.address().is_v4() ? socket4 : socket6) = true;
        stopTimer(connectTimer);
        if (delegate) delegate->onSocketDidConnectToHost(self, hostText(peer), peer.port());
        maybeDequeueRead();
        maybeDequeueWrite();
    }

    // Bytes arrived, the peer ended the stream, or the connection failed:
    // the wait tells which without taking any byte.
    void armReadWait() {
        auto st = stream;
        if (!st || st->tls || st->readWaitArmed || !(flags & flagReadStreamOpened)) return;
        st->readWaitArmed = true;
        st->socket.async_wait(tcp::socket::wait_read, guarded([st](Impl& d, error_code ec) {
            if (ec == asio::error::operation_aborted) return;
            st->readWaitArmed = false;
            if (d.stream != st || st->tls) return;
            d.onReadable(ec);
        }));
    }

    void onReadable(const error_code& ec) {
        if (ec) return readStreamFailed(errorFromCode(ec));
        if (flags & flagStartingReadTLS) return;  // the handshake takes over the connection
        error_code availableError;
        if (stream->socket.available(availableError) > 0 && !availableError) return readStreamHasBytes();
        uint8_t byte;
        ssize_t peeked = ::recv(stream->socket.native_handle(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (peeked > 0) return readStreamHasBytes();
        if (peeked == 0) return readStreamEnded(std::nullopt);
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return armReadWait();
        readStreamFailed(AsyncSocketError::fromErrno(errno));
    }

    void armWriteWait() {
        auto st = stream;
        if (!st || st->tls || st->writeWaitArmed || !(flags & flagWriteStreamOpened) ||
            (flags & flagSocketCanAcceptBytes))
            return;
        st->writeWaitArmed = true;
        st->socket.async_wait(tcp::socket::wait_write, guarded([st](Impl& d, error_code ec) {
            if (ec == asio::error::operation_aborted) return;
            st->writeWaitArmed = false;
            if (d.stream != st || st->tls) return;
            if (ec) return d.writeStreamFailed(errorFromCode(ec));
            if (d.flags & flagStartingWriteTLS) return;
            d.writeStreamCanAcceptBytes();
        }));
    }

    void readStreamHasBytes() {
        flags |= flagSocketHasBytesAvailable;
        doBytesAvailable();
    }

    void writeStreamCanAcceptBytes() {
        flags |= flagSocketCanAcceptBytes;
        doSendBytes();
    }

    void readStreamEnded(const std::optional<AsyncSocketError>& error) {
        if (error) {
            stream->readStatus = Stream::Status::HasError;
            stream->readError = error;
        } else {
            stream->readStatus = Stream::Status::AtEnd;
        }
        closeWithError(error);
    }

    void readStreamFailed(const std::optional<AsyncSocketError>& error) { readStreamEnded(error); }

    void writeStreamFailed(const std::optional<AsyncSocketError>& error) {
        if (error) {
            stream->writeStatus = Stream::Status::HasError;
            stream->writeError = error;
        } else {
            stream->writeStatus = Stream::Status::AtEnd;
        }
        closeWithError(error);
    }

    std::optional<AsyncSocketError> getStreamError() const {
        if (!stream) return std::nullopt;
        return stream->readError ? stream->readError : stream->writeError;
    }

    // ---- the connection's bytes -----------------------------------------

    bool streamHasBytesAvailable() const {
        if (!stream || !bothStreamsOpened()) return false;
        if (stream->tls) return stream->secured && !stream->inbox.empty();
        error_code ec;
        return stream->socket.available(ec) > 0 && !ec;
    }

    // Bytes read, 0 when none are there now, -1 on failure.
    long streamRead(uint8_t* into, size_t length) {
        if (!stream || !bothStreamsOpened()) return 0;
        if (stream->tls) return tlsRead(into, length);
        error_code ec;
        size_t count = stream->socket.read_some(asio::buffer(into, length), ec);
        armReadWait();
        if (!ec) return long(count);
        if (ec == asio::error::would_block || ec == asio::error::try_again || ec == asio::error::eof) return 0;
        stream->readStatus = Stream::Status::HasError;
        stream->readError = errorFromCode(ec);
        return -1;
    }

    bool streamCanAcceptBytes() const {
        if (!stream || !bothStreamsOpened()) return false;
        if (stream->tls) return stream->secured && stream->outbox.size() < kTLSBufferLimit;
        pollfd entry{stream->socket.native_handle(), POLLOUT, 0};
        return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLOUT);
    }

    long streamWrite(const uint8_t* from, size_t length) {
        if (!stream || !bothStreamsOpened()) return 0;
        if (stream->tls) return tlsWrite(from, length);
        error_code ec;
        size_t count = stream->socket.write_some(asio::buffer(from, length), ec);
        if (!ec) return long(count);
        if (ec == asio::error::would_block || ec == asio::error::try_again) return 0;
        stream->writeStatus = Stream::Status::HasError;
        stream->writeError = errorFromCode(ec);
        return -1;
    }

    // ---- reading ----------------------------------------------------------

    void queueRead(std::shared_ptr<AsyncReadPacket> packet) {
        readQueue.push_back(std::move(packet));
        scheduleDequeueRead();
    }

    void scheduleDequeueRead() {
        if (flags & flagDequeueReadScheduled) return;
        flags |= flagDequeueReadScheduled;
        performOnNextPass([](Impl& d) { d.maybeDequeueRead(); });
    }

    void maybeDequeueRead() {
        flags &= ~flagDequeueReadScheduled;
        if (currentRead || !stream) return;
        if (!readQueue.empty()) {
            currentRead = std::move(readQueue.front());
            readQueue.pop_front();
            if (std::holds_alternative<std::shared_ptr<AsyncSpecialPacket>>(*currentRead)) {
                flags |= flagStartingReadTLS;
                maybeStartTLS();
            } else {
                if (currentReadPacket()->timeout >= 0)
                    startTimer(readTimer, currentReadPacket()->timeout, &Impl::doReadTimeout);
                doBytesAvailable();
            }
        } else if (flags & flagDisconnectAfterReads) {
            if (!(flags & flagDisconnectAfterWrites) || (writeQueue.empty() && !currentWrite)) disconnect();
        }
    }

    // How many bytes a terminator read may take without passing the end of
    // its terminator. With "TLsocket…" (30 bytes) and "…TLsocket" received,
    // the last 8 bytes may begin the terminator, so 22 more are safe.
    uint32_t readLengthForTerm(const AsyncReadPacket& packet) const {
        const Data& term = *packet.term;
        size_t T = term.size(), D = size_t(packet.bytesDone);
        size_t result = T;
        if (T > 1) {
            size_t i = D + 1 > T ? D + 1 - T : 0;
            size_t j = std::min(T - 1, D);
            for (; i < D; ++i, --j) {
                if (std::memcmp(packet.buffer.data() + i, term.data(), j) == 0) {
                    result = T - j;
                    break;
                }
            }
        } else {
            result = 1;
        }
        if (packet.maxLength > 0) result = std::min(result, size_t(packet.maxLength) - D);
        return uint32_t(result);
    }

    uint32_t prebufferReadLengthForTerm(const AsyncReadPacket& packet) const {
        if (packet.maxLength > 0) return uint32_t(std::min(size_t(packet.maxLength - packet.bytesDone), kPrebufferChunk));
        return uint32_t(kPrebufferChunk);
    }

    // The count of bytes after the terminator among the `justRead` last
    // bytes, or -1 when the terminator is not complete yet.
    long searchForTermAfterPreBuffering(const AsyncReadPacket& packet, long justRead) const {
        if (!packet.term) {
            InternalError::report("Searching for term in data when there is no term.");
            return -1;
        }
        const Data& term = *packet.term;
        long T = long(term.size()), D = packet.bytesDone;
        for (long start = std::max(D - justRead - T + 1, 0L); start + T <= D; ++start)
            if (std::memcmp(packet.buffer.data() + start, term.data(), size_t(T)) == 0) return D - start - T;
        return -1;
    }

    // Kept bytes first, then the connection.
    long readIntoBuffer(uint8_t* into, size_t length) {
        if (!partialReadBuffer.empty()) {
            size_t count = std::min(length, partialReadBuffer.size());
            std::memcpy(into, partialReadBuffer.data(), count);
            partialReadBuffer.erase(partialReadBuffer.begin(), partialReadBuffer.begin() + long(count));
            return long(count);
        }
        flags &= ~flagSocketHasBytesAvailable;
        return streamRead(into, length);
    }

    bool bytesAvailable() const {
        return (flags & flagSocketHasBytesAvailable) || !partialReadBuffer.empty() || streamHasBytesAvailable();
    }

    void doBytesAvailable() {
        auto* packet = currentReadPacket();
        if (!packet || !stream) return;
        uint32_t totalRead = 0;
        bool done = false, streamError = false, maxedOut = false;
        while (!done && !streamError && !maxedOut && bytesAvailable()) {
            bool preBuffered = false;
            if (packet->readAllAvailableData) {
                packet->buffer.resize(size_t(packet->bytesDone) + kReadChunk);
            } else if (packet->term) {
                uint32_t readLength;
                if (!partialReadBuffer.empty() || !(flags & flagPreBuffering)) {
                    readLength = readLengthForTerm(*packet);
                } else {
                    readLength = prebufferReadLengthForTerm(*packet);
                    preBuffered = true;
                }
                packet->buffer.resize(size_t(packet->bytesDone) + readLength);
            }
            size_t space = packet->buffer.size() - size_t(packet->bytesDone);
            long result = readIntoBuffer(packet->buffer.data() + packet->bytesDone, space);
            if (result < 0) {
                streamError = true;
            } else {
                packet->bytesDone += int32_t(result);
                totalRead += uint32_t(result);
            }
            if (packet->readAllAvailableData) {
                // done once the pass is over
            } else if (!packet->term) {
                done = size_t(packet->bytesDone) == packet->buffer.size();
            } else {
                if (preBuffered) {
                    long overflow = searchForTermAfterPreBuffering(*packet, std::max(result, 0L));
                    if (overflow > 0) {
                        auto end = packet->buffer.begin() + packet->bytesDone;
                        partialReadBuffer.insert(partialReadBuffer.end(), end - overflow, end);
                        packet->bytesDone -= int32_t(overflow);
                    }
                    done = overflow >= 0;
                } else {
                    const Data& term = *packet->term;
                    done = size_t(packet->bytesDone) >= term.size() &&
                           std::equal(term.begin(), term.end(),
                                      packet->buffer.begin() + packet->bytesDone - long(term.size()));
                }
                if (!done && packet->maxLength >= 0 && packet->bytesDone >= packet->maxLength) maxedOut = true;
            }
            if (result == 0 && !bytesAvailable()) break;
        }
        if (packet->readAllAvailableData && packet->bytesDone > 0) done = true;

        int32_t tag = packet->tag;
        if (done) {
            completeCurrentRead();
            if (!streamError) scheduleDequeueRead();
        } else if (totalRead > 0 && delegate) {
            delegate->onSocketDidReadPartialDataOfLength(self, totalRead, tag);
        }
        if (streamError) closeWithError(getStreamError());
        if (maxedOut) closeWithError(AsyncSocketError::withCode(AsyncSocketReadMaxedOutError));
    }

    void completeCurrentRead() {
        auto* current = currentRead ? std::get_if<std::shared_ptr<AsyncReadPacket>>(&*currentRead) : nullptr;
        if (!current) {
            InternalError::report("Trying to complete current read when there is no current read.");
            return;
        }
        std::shared_ptr<AsyncReadPacket> packet = *current;
        packet->buffer.resize(size_t(packet->bytesDone));
        Data data = std::move(packet->buffer);
        packet->buffer.clear();
        packet->bytesDone = 0;
        if (delegate) delegate->onSocketDidReadData(self, std::move(data), packet->tag);
        if (currentReadPacket() == packet.get()) endCurrentRead();
    }

    void endCurrentRead() {
        if (!currentRead) {
            InternalError::report("Trying to end current read when there is no current read.");
            return;
        }
        stopTimer(readTimer);
        currentRead.reset();
    }

    void doReadTimeout() {
        auto* current = currentRead ? std::get_if<std::shared_ptr<AsyncReadPacket>>(&*currentRead) : nullptr;
        if (!current) return;
        std::shared_ptr<AsyncReadPacket> packet = *current;
        double extension =
            delegate ? delegate->onSocketShouldTimeoutReadWithTag(self, packet->tag, packet->timeout,
                                                                  uint32_t(packet->bytesDone))
                     : 0;
        if (currentReadPacket() != packet.get()) return;
        if (extension > 0) {
            packet->timeout += extension;
            startTimer(readTimer, extension, &Impl::doReadTimeout);
        } else {
            closeWithError(AsyncSocketError::withCode(AsyncSocketReadTimeoutError));
        }
    }

    // ---- writing ----------------------------------------------------------

    void scheduleDequeueWrite() {
        if (flags & flagDequeueWriteScheduled) return;
        flags |= flagDequeueWriteScheduled;
        performOnNextPass([](Impl& d) { d.maybeDequeueWrite(); });
    }

    void maybeDequeueWrite() {
        flags &= ~flagDequeueWriteScheduled;
        if (currentWrite || !stream) return;
        if (!writeQueue.empty()) {
            currentWrite = std::move(writeQueue.front());
            writeQueue.pop_front();
            if (std::holds_alternative<std::shared_ptr<AsyncSpecialPacket>>(*currentWrite)) {
                flags |= flagStartingWriteTLS;
                maybeStartTLS();
            } else {
                if (currentWritePacket()->timeout >= 0)
                    startTimer(writeTimer, currentWritePacket()->timeout, &Impl::doWriteTimeout);
                doSendBytes();
            }
        } else if (flags & flagDisconnectAfterWrites) {
            if (!(flags & flagDisconnectAfterReads) || (readQueue.empty() && !currentRead)) disconnect();
        }
    }

    void doSendBytes() {
        auto* packet = currentWritePacket();
        if (!packet || !stream) return;
        uint32_t totalWritten = 0;
        bool done = false, streamError = false;
        while (!done && !streamError && ((flags & flagSocketCanAcceptBytes) || streamCanAcceptBytes())) {
            size_t length = std::min(packet->buffer.size() - size_t(packet->bytesDone), kWriteChunk);
            long result = streamWrite(packet->buffer.data() + packet->bytesDone, length);
            flags &= ~flagSocketCanAcceptBytes;
            if (result < 0) {
                streamError = true;
            } else {
                packet->bytesDone += int32_t(result);
                totalWritten += uint32_t(result);
                done = size_t(packet->bytesDone) == packet->buffer.size();
            }
        }
        armWriteWait();
        int32_t tag = packet->tag;
        if (done) {
            completeCurrentWrite();
            scheduleDequeueWrite();
        } else if (streamError) {
            closeWithError(getStreamError());
        } else if (delegate) {
            delegate->onSocketDidWritePartialDataOfLength(self, totalWritten, tag);
        }
    }

    void completeCurrentWrite() {
        auto* current = currentWrite ? std::get_if<std::shared_ptr<AsyncWritePacket>>(&*currentWrite) : nullptr;
        if (!current) {
            InternalError::report("Trying to complete current write when there is no current write.");
            return;
        }
        std::shared_ptr<AsyncWritePacket> packet = *current;
        if (delegate) delegate->onSocketDidWriteDataWithTag(self, packet->tag);
        if (currentWritePacket() == packet.get()) endCurrentWrite();
    }

    void endCurrentWrite() {
        if (!currentWrite) {
            InternalError::report("Trying to end current write when there is no current write.");
            return;
        }
        stopTimer(writeTimer);
        currentWrite.reset();
    }

    void doWriteTimeout() {
        auto* current = currentWrite ? std::get_if<std::shared_ptr<AsyncWritePacket>>(&*currentWrite) : nullptr;
        if (!current) return;
        std::shared_ptr<AsyncWritePacket> packet = *current;
        double extension =
            delegate ? delegate->onSocketShouldTimeoutWriteWithTag(self, packet->tag, packet->timeout,
                                                                   uint32_t(packet->bytesDone))
                     : 0;
        if (currentWritePacket() != packet.get()) return;
        if (extension > 0) {
            packet->timeout += extension;
            startTimer(writeTimer, extension, &Impl::doWriteTimeout);
        } else {
            closeWithError(AsyncSocketError::withCode(AsyncSocketWriteTimeoutError));
        }
    }

    // ---- TLS ----------------------------------------------------------------

    // Both queues reached the marker: the handshake runs over the connection,
    // and reads and writes wait until it is done.
    void maybeStartTLS() {
        if (!(flags & flagStartingReadTLS) || !(flags & flagStartingWriteTLS) || !stream || !currentRead) return;
        auto marker = std::get_if<std::shared_ptr<AsyncSpecialPacket>>(&*currentRead);
        if (!marker) return;
        const TLSSettings settings = (*marker)->tlsSettings;
        auto context = makeTLSContext(settings);
        if (!context) return closeWithError(AsyncSocketError::withCode(AsyncSocketCFSocketError));

        auto st = stream;
        error_code ec;
        st->socket.cancel(ec);  // the plain waits end here
        st->readWaitArmed = st->writeWaitArmed = false;
        st->tlsContext = std::move(context);
        st->tls = std::make_unique<ssl::stream<tcp::socket&>>(st->socket, *st->tlsContext);
        if (!settings.isServer && !settings.peerName.empty()) {
            SSL_set_tlsext_host_name(st->tls->native_handle(), settings.peerName.c_str());
            if (settings.validatesCertificateChain)
                st->tls->set_verify_callback(ssl::host_name_verification(settings.peerName));
        }
        st->tls->async_handshake(settings.isServer ? ssl::stream_base::server : ssl::stream_base::client,
                                 guarded([st](Impl& d, error_code ec) {
                                     if (d.stream != st) return;
                                     if (ec)
                                         return d.readStreamFailed(errorFromCode(ec).value_or(
                                             AsyncSocketError{AsyncSocketError::kSSLDomain, ec.value(), ec.message()}));
                                     d.tlsHandshakeDone();
                                 }));
    }

    void tlsHandshakeDone() {
        auto st = stream;
        st->secured = true;
        flags &= ~(flagStartingReadTLS | flagStartingWriteTLS);
        if (delegate) delegate->onSocketDidSecure(self);
        if (stream != st) return;
        if (currentRead && std::holds_alternative<std::shared_ptr<AsyncSpecialPacket>>(*currentRead)) endCurrentRead();
        if (currentWrite && std::holds_alternative<std::shared_ptr<AsyncSpecialPacket>>(*currentWrite))
            endCurrentWrite();
        startTLSRead();
        scheduleDequeueRead();
        scheduleDequeueWrite();
    }

    void startTLSRead() {
        auto st = stream;
        if (!st || !st->secured || st->tlsReading || st->tlsReadEnd || st->inbox.size() >= kTLSBufferLimit) return;
        st->tlsReading = true;
        st->tls->async_read_some(asio::buffer(st->readChunk), guarded([st](Impl& d, error_code ec, size_t count) {
            st->tlsReading = false;
            if (d.stream != st) return;
            st->inbox.insert(st->inbox.end(), st->readChunk.begin(), st->readChunk.begin() + long(count));
            if (ec)
                st->tlsReadEnd = errorFromCode(ec);
            else
                d.startTLSRead();
            if (!st->inbox.empty()) {
                d.readStreamHasBytes();
                if (d.stream != st) return;
            }
            if (st->inbox.empty() && st->tlsReadEnd) d.readStreamEnded(*st->tlsReadEnd);
        }));
    }

    long tlsRead(uint8_t* into, size_t length) {
        auto st = stream;
        size_t count = std::min(length, st->inbox.size());
        std::memcpy(into, st->inbox.data(), count);
        st->inbox.erase(st->inbox.begin(), st->inbox.begin() + long(count));
        startTLSRead();
        if (st->inbox.empty() && st->tlsReadEnd) {
            // The peer's end comes after its last bytes have been taken.
            loop().post(guarded([st](Impl& d) {
                if (d.stream == st && st->inbox.empty()) d.readStreamEnded(*st->tlsReadEnd);
            }));
        }
        return long(count);
    }

    long tlsWrite(const uint8_t* from, size_t length) {
        auto st = stream;
        st->outbox.insert(st->outbox.end(), from, from + length);
        startTLSWrite();
        return long(length);
    }

    void startTLSWrite() {
        auto st = stream;
        if (!st || !st->secured || st->tlsWriting || st->outbox.empty()) return;
        st->sending.swap(st->outbox);
        st->outbox.clear();
        st->tlsWriting = true;
        asio::async_write(*st->tls, asio::buffer(st->sending), guarded([st](Impl& d, error_code ec, size_t) {
                              st->tlsWriting = false;
                              st->sending.clear();
                              if (d.stream != st) return;
                              if (ec) return d.writeStreamFailed(errorFromCode(ec));
                              d.startTLSWrite();
                              d.writeStreamCanAcceptBytes();
                          }));
    }

    // ---- disconnecting ------------------------------------------------------

    void maybeScheduleDisconnect() {
        bool readsDone = readQueue.empty() && !currentRead;
        bool writesDone = writeQueue.empty() && !currentWrite;
        bool should = false;
        if (flags & flagDisconnectAfterReads)
            should = readsDone && (!(flags & flagDisconnectAfterWrites) || writesDone);
        else if (flags & flagDisconnectAfterWrites)
            should = writesDone;
        if (!should) return;
        uint64_t id = nextDisconnectId++;
        pendingDisconnect = id;
        performOnNextPass([id](Impl& d) {
            if (d.pendingDisconnect != id) return;
            d.pendingDisconnect = 0;
            d.disconnect();
        });
    }

    void disconnect() { close(); }

    void closeWithError(const std::optional<AsyncSocketError>& error) {
        flags |= flagClosingWithError;
        if (flags & flagDidStart) {
            recoverUnreadData();
            emptyQueues();
            if (delegate) delegate->onSocketWillDisconnectWithError(self, error);
        }
        close();
    }

    // The unfinished read's bytes go back in front of the kept ones.
    void recoverUnreadData() {
        auto* packet = currentReadPacket();
        if (!packet || packet->bytesDone < 1) return;
        partialReadBuffer.insert(partialReadBuffer.begin(), packet->buffer.begin(),
                                 packet->buffer.begin() + packet->bytesDone);
    }

    std::optional<Data> unreadData() {
        if (!(flags & flagClosingWithError) || !stream) return std::nullopt;
        if (stream->tls) {
            partialReadBuffer.insert(partialReadBuffer.end(), stream->inbox.begin(), stream->inbox.end());
            stream->inbox.clear();
        } else if (stream->socket.is_open() && bothStreamsOpened()) {
            error_code ec;
            while (true) {
                size_t start = partialReadBuffer.size();
                partialReadBuffer.resize(start + kReadChunk);
                size_t count = stream->socket.read_some(asio::buffer(partialReadBuffer.data() + start, kReadChunk), ec);
                partialReadBuffer.resize(start + (ec ? 0 : count));
                if (ec || count == 0) break;
            }
        }
        return partialReadBuffer;
    }

    void emptyQueues() {
        if (currentRead) endCurrentRead();
        if (currentWrite) endCurrentWrite();
        readQueue.clear();
        writeQueue.clear();
        ++deferredGeneration;
        flags &= ~(flagDequeueReadScheduled | flagDequeueWriteScheduled);
    }

    void close() {
        bool started = flags & flagDidStart;
        emptyQueues();
        partialReadBuffer.clear();
        cancelDeferred();
        stopTimer(connectTimer);
        if (stream) {
            error_code ec;
            stream->resolver.cancel();
            stream->socket.close(ec);
            stream->readStatus = stream->writeStatus = Stream::Status::Closed;
            stream.reset();
        }
        acceptor4.reset();
        acceptor6.reset();
        socket4 = socket6 = false;
        runLoop = nullptr;
        flags = flagPreBuffering;
        if (started && delegate) delegate->onSocketDidDisconnect(self);
    }

    // ---- run loops ----------------------------------------------------------

    void rescheduleAfterChange() {
        performOnNextPass([](Impl& d) { d.maybeDequeueRead(); });
        performOnNextPass([](Impl& d) { d.maybeDequeueWrite(); });
        performOnNextPass([](Impl& d) { d.maybeScheduleDisconnect(); });
    }

    bool moveTo(RunLoop* target) {
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

    bool setModes(const std::vector<std::string>& newModes) {
        if (newModes.empty()) return false;
        if (newModes == modes) return true;
        cancelDeferred();
        modes = newModes;
        rescheduleAfterChange();
        return true;
    }

    // ---- introspection ------------------------------------------------------

    std::optional<tcp::endpoint> localEndpoint(bool preferV4 = true) const {
        error_code ec;
        const auto& first = preferV4 ? acceptor4 : acceptor6;
        const auto& second = preferV4 ? acceptor6 : acceptor4;
        for (auto* acceptor : {first.get(), second.get()}) {
            if (!acceptor) continue;
            auto endpoint = acceptor->local_endpoint(ec);
            if (!ec) return endpoint;
            return std::nullopt;
        }
        if ((socket4 || socket6) && stream) {
            auto endpoint = stream->socket.local_endpoint(ec);
            if (!ec) return endpoint;
        }
        return std::nullopt;
    }

    std::optional<tcp::endpoint> remoteEndpoint() const {
        if (acceptor4 || acceptor6 || !(socket4 || socket6) || !stream) return std::nullopt;
        error_code ec;
        auto endpoint = stream->socket.remote_endpoint(ec);
        if (ec) return std::nullopt;
        return endpoint;
    }

    bool hasSocket4() const { return acceptor4 || socket4; }
    bool hasSocket6() const { return acceptor6 || socket6; }

    bool isConnected() const {
        if (!(socket4 || socket6) || !stream || !stream->socket.is_open()) return false;
        auto connected = [](Stream::Status status) {
            return status == Stream::Status::Open || status == Stream::Status::AtEnd;
        };
        return bothStreamsOpened() && connected(stream->readStatus) && connected(stream->writeStatus);
    }

    static const char* statusText(const Stream* st, bool read) {
        if (!st) return "not open";
        switch (read ? st->readStatus : st->writeStatus) {
            case Stream::Status::NotOpen: return "not open";
            case Stream::Status::Opening: return "opening";
            case Stream::Status::Open: return "open";
            case Stream::Status::AtEnd: return "at end";
            case Stream::Status::Closed: return "closed";
            case Stream::Status::HasError: return "has error";
        }
        return "not open";
    }

    std::string addressText(bool local) const {
        if (!hasSocket4() && !hasSocket6()) return "nowhere";
        auto host = [](const std::optional<tcp::endpoint>& endpoint) {
            return endpoint ? hostText(*endpoint) : std::string("(null)");
        };
        if (local) {
            auto first = localEndpoint(true);
            if (acceptor4 && acceptor6)
                return host(first) + "/" + host(localEndpoint(false)) + " " + std::to_string(first ? first->port() : 0);
            return host(first) + " " + std::to_string(first ? first->port() : 0);
        }
        auto remote = remoteEndpoint();
        if (acceptor4 && acceptor6) return "(null)/(null) 0";
        return host(remote) + " " + std::to_string(remote ? remote->port() : 0);
    }

    std::string description() const {
        char text[256];
        std::string out;
        std::snprintf(text, sizeof text, "<AsyncSocket %p", static_cast<const void*>(&self));
        out += text;
        out += " local " + addressText(true) + " remote " + addressText(false) + " ";
        std::snprintf(text, sizeof text, "has queued %u reads %u writes, ", unsigned(readQueue.size()),
                      unsigned(writeQueue.size()));
        out += text;
        if (auto* read = currentReadPacket()) {
            size_t length = read->buffer.size();
            int percent = read->bytesDone ? (length ? int(100.0 * read->bytesDone / double(length)) : 100) : 0;
            std::snprintf(text, sizeof text, "currently read %u bytes (%d%% done), ", unsigned(length), percent);
            out += text;
        } else {
            out += "no current read, ";
        }
        if (auto* write = currentWritePacket()) {
            size_t length = write->buffer.size();
            int percent = write->bytesDone ? int(100.0 * write->bytesDone / double(length)) : 0;
            std::snprintf(text, sizeof text, "currently written %u (%d%%), ", unsigned(length), percent);
            out += text;
        } else {
            out += "no current write, ";
        }
        const void* streamAddress = stream.get();
        std::snprintf(text, sizeof text, "read stream %p %s, ", streamAddress, statusText(stream.get(), true));
        out += text;
        std::snprintf(text, sizeof text, "write stream %p %s", streamAddress, statusText(stream.get(), false));
        out += text;
        bool afterReads = flags & flagDisconnectAfterReads, afterWrites = flags & flagDisconnectAfterWrites;
        if (afterReads && afterWrites)
            out += ", will disconnect after reads & writes";
        else if (afterReads)
            out += ", will disconnect after reads";
        else if (afterWrites)
            out += ", will disconnect after writes";
        if (!isConnected()) out += ", not connected";
        return out + ">";
    }
};

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
