#pragma once
// AsyncSocket's inside, shared by the files that implement it, one a role:
//   AsyncSocket.cpp            the public calls, creation, deferred calls and
//                              timers, moving to another run loop
//   AsyncSocketListen.cpp      listening and accepting
//   AsyncSocketConnect.cpp     connecting, and the connection coming up
//   AsyncSocketRead.cpp        the read queue and the bytes coming in
//   AsyncSocketWrite.cpp       the write queue and the bytes going out
//   AsyncSocketTLS.cpp         the TLS handshake and the secured byte stream
//   AsyncSocketDisconnect.cpp  ends of stream, failures and closing
//   AsyncSocketInfo.cpp        addresses, state and description
//
// Internal: only those AsyncSocket*.cpp files include this header, which is
// why it may bring in Boost.Asio and share its names through one using
// directive. Everything else sees AsyncSocket.h alone.

#include <array>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <concepts>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Classes/sync/AsyncSocket.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/RunLoopAsio.h"  // the one class above Platform that puts sockets on the loop

namespace tallo {

namespace async_socket_detail {

namespace asio = boost::asio;
namespace ssl = boost::asio::ssl;
using tcp = boost::asio::ip::tcp;
using boost::system::error_code;
using Data = AsyncSocket::Data;

inline constexpr size_t kWriteChunk = 4096;  // bytes per write to the connection
inline constexpr size_t kReadChunk = 256;    // read-all growth
// Pre-buffered terminator reads take up to this much per pass and keep the
// surplus for the next read. What a read delivers does not depend on it; a
// larger pass only saves system calls (a 47 MB store in 256-byte passes
// costs 184,000 of them).
inline constexpr size_t kPrebufferChunk = 64 * 1024;
inline constexpr size_t kTLSBufferLimit = 65536;  // decrypted bytes held ahead of the reads, plaintext held for sending
inline constexpr const char* kDefaultMode = "kCFRunLoopDefaultMode";

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

// The connection as an error: none for a clean end of stream.
std::optional<AsyncSocketError> errorFromCode(const error_code& ec);
// An address as text ("127.0.0.1", "::1").
std::string hostText(const tcp::endpoint& endpoint);
// An address as its sockaddr bytes.
Data addressData(const tcp::endpoint& endpoint);

}  // namespace async_socket_detail

using namespace async_socket_detail;

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

    // ---- plumbing (AsyncSocket.cpp) -------------------------------------

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

    void performOnNextPass(std::function<void(Impl&)> f);
    void cancelDeferred();
    void startTimer(Timer& timer, double seconds, void (Impl::*fire)());
    void stopTimer(Timer& timer);

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

    void rescheduleAfterChange();
    bool moveTo(RunLoop* target);
    bool setModes(const std::vector<std::string>& newModes);

    // ---- listening (AsyncSocketListen.cpp) ------------------------------

    void checkMisuse(bool accepting) const;
    bool acceptOn(const std::optional<std::string>& interface, uint16_t port, AsyncSocketError* error);
    static bool resolveInterface(const std::string& interface, uint16_t port, std::optional<tcp::endpoint>& address4,
                                 std::optional<tcp::endpoint>& address6, AsyncSocketError* error);
    bool isListeningOn(const tcp::acceptor* acceptor) const;
    void acceptNext(tcp::acceptor* acceptor);
    void acceptAgainLater(tcp::acceptor* acceptor);
    void didAcceptConnection(tcp::socket peer);
    void attachAccepted(tcp::socket peer, RunLoop& target);

    // ---- connecting (AsyncSocketConnect.cpp) ----------------------------

    bool connectToHost(const std::string& host, uint16_t port, double timeout, AsyncSocketError* error);
    bool connectToAddress(const Data& address, double timeout, AsyncSocketError* error);
    bool refuse(AsyncSocketError* error);
    void doConnectTimeout();
    void streamsOpened();
    void doStreamOpen();

    // ---- reading (AsyncSocketRead.cpp) ----------------------------------

    // What one doBytesAvailable pass has done so far.
    struct ReadPass {
        uint32_t totalRead = 0;
        bool done = false;
        bool streamError = false;
        bool maxedOut = false;
    };

    void armReadWait();
    void onReadable(const error_code& ec);
    void readStreamHasBytes();
    bool streamHasBytesAvailable() const;
    long streamRead(uint8_t* into, size_t length);
    void queueRead(std::shared_ptr<AsyncReadPacket> packet);
    void scheduleDequeueRead();
    void maybeDequeueRead();
    uint32_t readLengthForTerm(const AsyncReadPacket& packet) const;
    uint32_t prebufferReadLengthForTerm(const AsyncReadPacket& packet) const;
    long searchForTermAfterPreBuffering(const AsyncReadPacket& packet, long justRead) const;
    long readIntoBuffer(uint8_t* into, size_t length);
    bool bytesAvailable() const;
    void doBytesAvailable();
    bool makeRoomForRead(AsyncReadPacket& packet);
    long readOnce(AsyncReadPacket& packet, ReadPass& pass);
    bool termReached(AsyncReadPacket& packet, long justRead, bool preBuffered);
    void finishReadPass(int32_t tag, const ReadPass& pass);
    void completeCurrentRead();
    void endCurrentRead();
    void doReadTimeout();

    // ---- writing (AsyncSocketWrite.cpp) ---------------------------------

    void armWriteWait();
    void writeStreamCanAcceptBytes();
    bool streamCanAcceptBytes() const;
    long streamWrite(const uint8_t* from, size_t length);
    void scheduleDequeueWrite();
    void maybeDequeueWrite();
    void doSendBytes();
    void completeCurrentWrite();
    void endCurrentWrite();
    void doWriteTimeout();

    // ---- TLS (AsyncSocketTLS.cpp) ---------------------------------------

    void maybeStartTLS();
    void tlsHandshakeDone();
    void startTLSRead();
    long tlsRead(uint8_t* into, size_t length);
    long tlsWrite(const uint8_t* from, size_t length);
    void startTLSWrite();

    // ---- disconnecting (AsyncSocketDisconnect.cpp) ----------------------

    void readStreamEnded(const std::optional<AsyncSocketError>& error);
    void readStreamFailed(const std::optional<AsyncSocketError>& error);
    void writeStreamFailed(const std::optional<AsyncSocketError>& error);
    std::optional<AsyncSocketError> getStreamError() const;
    void maybeScheduleDisconnect();
    void disconnect();
    void closeWithError(const std::optional<AsyncSocketError>& error);
    void recoverUnreadData();
    std::optional<Data> unreadData();
    void emptyQueues();
    void close();

    // ---- addresses and state (AsyncSocketInfo.cpp) ----------------------

    std::optional<tcp::endpoint> localEndpoint(bool preferV4 = true) const;
    std::optional<tcp::endpoint> remoteEndpoint() const;
    bool hasSocket4() const;
    bool hasSocket6() const;
    bool isConnected() const;
    static const char* statusText(const Stream* st, bool read);
    std::string addressText(bool local) const;
    std::string description() const;
};

}  // namespace tallo
