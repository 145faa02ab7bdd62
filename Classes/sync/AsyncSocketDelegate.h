#pragma once
// AsyncSocketDelegate: what a socket tells its owner. Every operation is
// optional: the defaults do nothing, refuse no connection and extend no
// timeout. All calls arrive on the run loop the socket is attached to.
//
// For one connection the order is fixed:
//   [onSocketDidAcceptNewSocket, onSocketWantsRunLoopForNewSocket — to the
//    listener's delegate, for accepted connections]
//   onSocketWillConnect
//   onSocketDidConnectToHost
//   read and write completions, each kind in the order it was queued
//   [onSocketWillDisconnectWithError — only when closing on an error or at the
//    peer's end of stream]
//   onSocketDidDisconnect
// The last two come only for sockets that had started (accepted, connected
// or connecting); a socket destroyed by its owner reports nothing.
//
// A delegate may disconnect, queue work on, or drop its reference to the
// socket from inside any of these calls.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Classes/sync/AsyncSocketError.h"

namespace tallo {

class AsyncSocket;
class RunLoop;

class AsyncSocketDelegate {
public:
    using Data = std::vector<uint8_t>;

    virtual ~AsyncSocketDelegate() = default;

    // A listening socket made `newSocket` for an incoming connection; it has
    // this delegate. Keep the pointer to keep the connection: a socket nobody
    // holds is closed (silently) once this call and the next have returned.
    virtual void onSocketDidAcceptNewSocket(AsyncSocket& sock, const std::shared_ptr<AsyncSocket>& newSocket) {
        (void)sock, (void)newSocket;
    }
    // The run loop `newSocket` should live on; nothing means the listener's.
    virtual RunLoop* onSocketWantsRunLoopForNewSocket(AsyncSocket& sock, AsyncSocket& newSocket) {
        (void)sock, (void)newSocket;
        return nullptr;
    }
    // Answering false cancels the attempt: an outgoing connect fails with
    // AsyncSocketCanceledError, an accepted connection is dropped.
    virtual bool onSocketWillConnect(AsyncSocket& sock) {
        (void)sock;
        return true;
    }
    virtual void onSocketDidConnectToHost(AsyncSocket& sock, const std::string& host, uint16_t port) {
        (void)sock, (void)host, (void)port;
    }
    // The read's bytes, handed over (a terminator read includes the terminator).
    virtual void onSocketDidReadData(AsyncSocket& sock, Data data, int32_t tag) { (void)sock, (void)data, (void)tag; }
    // A pass over the arrived bytes took `length` more without finishing the read.
    virtual void onSocketDidReadPartialDataOfLength(AsyncSocket& sock, uint32_t length, int32_t tag) {
        (void)sock, (void)length, (void)tag;
    }
    virtual void onSocketDidWriteDataWithTag(AsyncSocket& sock, int32_t tag) { (void)sock, (void)tag; }
    // A pass of writing ended before the write was done (length may be 0).
    virtual void onSocketDidWritePartialDataOfLength(AsyncSocket& sock, uint32_t length, int32_t tag) {
        (void)sock, (void)length, (void)tag;
    }
    // A read or write ran out of time; `elapsed` is its timeout so far. Answer
    // the seconds to extend it by; 0 or less times it out (error 4 or 5).
    virtual double onSocketShouldTimeoutReadWithTag(AsyncSocket& sock, int32_t tag, double elapsed, uint32_t bytesDone) {
        (void)sock, (void)tag, (void)elapsed, (void)bytesDone;
        return 0;
    }
    virtual double onSocketShouldTimeoutWriteWithTag(AsyncSocket& sock, int32_t tag, double elapsed, uint32_t bytesDone) {
        (void)sock, (void)tag, (void)elapsed, (void)bytesDone;
        return 0;
    }
    // The TLS handshake asked for with startTLS finished.
    virtual void onSocketDidSecure(AsyncSocket& sock) { (void)sock; }
    // The socket is closing because of `error`, or because the peer ended the
    // stream (no error). AsyncSocket::unreadData works only inside this call.
    virtual void onSocketWillDisconnectWithError(AsyncSocket& sock, const std::optional<AsyncSocketError>& error) {
        (void)sock, (void)error;
    }
    virtual void onSocketDidDisconnect(AsyncSocket& sock) { (void)sock; }
};

}  // namespace tallo
