#pragma once
// AsyncSocket: a TCP socket driven by the run loop. One object is either a
// listener (an IPv4 and an IPv6 socket on one port) or one connected byte
// stream. The owner queues reads and writes; the socket serves them one at a
// time, in queue order, whenever the connection is ready, and tells the
// delegate (AsyncSocketDelegate.h) of each completion with the caller's tag.
// Nothing blocks: every step runs from the run loop, and work a request
// causes is done on the loop's next pass, never inside the request.
//
// Sockets are shared objects (create()); the socket keeps itself alive for
// the length of each callback, so a delegate may drop it from inside one.
// Main thread only. Destroying a socket closes it without telling the
// delegate.
//
// Reads:
//   readDataToLength    exactly that many bytes;
//   readDataToData      up to and including a terminator, never a byte more:
//                       with the message end "TLsocket…TL" after "hello" the
//                       delegate gets "hello" + the 30 terminator bytes. A
//                       maximum (≥ 0) bounds the bytes read; reaching it
//                       before the terminator closes with error 3.
//   readDataWithTimeout whatever is there, at least one byte.
// With pre-buffering (on from creation) a terminator read takes up to 64 KiB
// from the connection at a time (never past its maximum) and keeps what
// follows the terminator for the next read; what a read delivers is the same
// with it or without it, only the number of system calls differs.
// Zero-length reads, empty terminators, a maximum below the terminator's
// length, empty writes and anything after a disconnect-after call are
// ignored without report. Writes go out at most 4096 bytes at a time.
//
// A timeout < 0 means none. When a timer fires the delegate may extend it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Classes/sync/AsyncSocketDelegate.h"
#include "Classes/sync/AsyncSocketError.h"
#include "Classes/sync/AsyncSocketException.h"

namespace tallo {

class RunLoop;

class AsyncSocket : public std::enable_shared_from_this<AsyncSocket> {
    struct Passkey {};

public:
    using Data = std::vector<uint8_t>;

    // The flag word (flags()).
    enum Flag : uint16_t {
        flagPreBuffering = 0x0001,
        flagDidStart = 0x0002,
        flagReadStreamOpened = 0x0004,
        flagWriteStreamOpened = 0x0008,
        flagStartingReadTLS = 0x0010,
        flagStartingWriteTLS = 0x0020,
        flagForbidReadsWrites = 0x0040,
        flagDisconnectAfterReads = 0x0080,
        flagDisconnectAfterWrites = 0x0100,
        flagClosingWithError = 0x0200,
        flagDequeueReadScheduled = 0x0400,
        flagDequeueWriteScheduled = 0x0800,
        flagSocketCanAcceptBytes = 0x1000,
        flagSocketHasBytesAvailable = 0x2000,
    };

    // How startTLS secures the connection. Certificates and keys are PEM text.
    struct TLSSettings {
        bool isServer = false;              // the side that presents a certificate
        std::string certificateChain;       // server: its certificate (then intermediates)
        std::string privateKey;             // server: the certificate's key
        bool validatesCertificateChain = true;  // client: refuse an untrusted server
        std::string trustedCertificates;    // client: roots to trust (none: the system's)
        std::string peerName;               // client: the name the server must carry
    };

    static std::shared_ptr<AsyncSocket> create(AsyncSocketDelegate* delegate = nullptr, int32_t userData = 0);
    AsyncSocket(Passkey, AsyncSocketDelegate* delegate, int32_t userData);
    ~AsyncSocket();
    AsyncSocket(const AsyncSocket&) = delete;
    AsyncSocket& operator=(const AsyncSocket&) = delete;

    // The delegate is not owned; it may be replaced at any time.
    AsyncSocketDelegate* delegate() const;
    void setDelegate(AsyncSocketDelegate* delegate);
    // True when no read or write is queued or in progress.
    bool canSafelySetDelegate() const;
    int32_t userData() const;
    void setUserData(int32_t userData);
    void enablePreBuffering();
    uint16_t flags() const;

    // Run-loop modes are kept for the owner; this run loop has one mode.
    std::vector<std::string> runLoopModes() const;
    bool setRunLoopModes(const std::vector<std::string>& modes);
    // Moves the socket with its queues and timers to `runLoop`. False for no
    // run loop, while a connect is under way, and once TLS has started.
    bool moveToRunLoop(RunLoop* runLoop);

    // Listening on `port` (0: any free one, the same for IPv4 and IPv6) on
    // every interface, on "localhost"/"loopback" (127.0.0.1 and ::1), or on
    // the addresses a name or numeric address resolves to. False, with the
    // error filled, when nothing could be bound. Throws AsyncSocketException
    // without a delegate or when already listening or connected.
    bool acceptOnPort(uint16_t port, AsyncSocketError* error = nullptr);
    bool acceptOnInterface(const std::optional<std::string>& interface, uint16_t port,
                           AsyncSocketError* error = nullptr);
    // Starts connecting; the outcome comes to the delegate. False when the
    // attempt could not start (the delegate refused: error 1). Throws as
    // the accept calls do.
    bool connectToHost(const std::string& host, uint16_t port, double timeout = -1, AsyncSocketError* error = nullptr);
    // `address` is a sockaddr_in or sockaddr_in6 as bytes (see localAddress).
    bool connectToAddress(const Data& address, double timeout = -1, AsyncSocketError* error = nullptr);

    void readDataToLength(uint32_t length, double timeout, int32_t tag);
    void readDataToData(const Data& term, double timeout, int32_t tag);
    void readDataToData(const Data& term, double timeout, int32_t maxLength, int32_t tag);
    void readDataWithTimeout(double timeout, int32_t tag);
    void writeData(Data data, double timeout, int32_t tag);
    // Queues `data` followed by socketMessageEndData(), no timeout, tag 0.
    // Pass a message by moving it in, made with room for the 30 terminator
    // bytes, and it is sent without a copy.
    void sendData(Data data);

    // Queues a TLS handshake after the reads and writes queued so far; reads
    // and writes queued after it are served once both ends are secured
    // (onSocketDidSecure). Start it where the peer waits for it: bytes kept
    // ahead of the reads by pre-buffering are not part of the handshake.
    void startTLS(const std::optional<TLSSettings>& settings = std::nullopt);

    void disconnect();
    // Refuse new reads/writes and disconnect once the named queues are empty.
    void disconnectAfterReading();
    void disconnectAfterWriting();
    void disconnectAfterReadingAndWriting();
    // Inside onSocketWillDisconnectWithError only: the bytes received but not
    // handed to the delegate (the unfinished read's and what is still
    // buffered or waiting on the connection). Nothing anywhere else.
    std::optional<Data> unreadData();

    bool isConnected() const;
    std::optional<std::string> connectedHost() const;
    uint16_t connectedPort() const;
    std::optional<std::string> localHost() const;
    uint16_t localPort() const;
    std::optional<Data> connectedAddress() const;
    std::optional<Data> localAddress() const;
    bool isIPv4() const;
    bool isIPv6() const;
    // The native descriptor (the IPv4 one first), -1 without one.
    int nativeHandle() const;

    // done ÷ total of the current read. Terminator and read-all reads have
    // no total (0) and always answer 1.0. NaN, with nothing filled, when no
    // read is in progress (or a TLS start is).
    float progressOfReadReturningTag(int32_t* tag, uint32_t* done, uint32_t* total) const;
    // The same for the current write (total = its length; NaN without one).
    float progressOfWriteReturningTag(int32_t* tag, uint32_t* done, uint32_t* total) const;
    // One line for diagnostics: addresses, queues, progress, streams, flags.
    std::string description() const;

    static Data CRLFData();
    static Data CRData();
    static Data LFData();
    static Data ZeroData();
    // The UTF-8 bytes of "TLsocketTLmessageTLendTLdataTL" (30 bytes).
    static Data socketMessageEndData();
    static constexpr size_t kSocketMessageEndLength = 30;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace tallo
