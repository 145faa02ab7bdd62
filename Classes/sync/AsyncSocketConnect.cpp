// AsyncSocket, connecting: to a host name or an address, and the connection
// coming up, whichever way it was made.

#include <sys/socket.h>

#include <boost/asio/connect.hpp>
#include <cstring>

#include "Classes/sync/AsyncSocketImpl.h"

namespace tallo {

bool AsyncSocket::Impl::connectToHost(const std::string& host, uint16_t port, double timeout, AsyncSocketError* error) {
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

bool AsyncSocket::Impl::connectToAddress(const Data& address, double timeout, AsyncSocketError* error) {
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

bool AsyncSocket::Impl::refuse(AsyncSocketError* error) {
    close();
    if (error) *error = AsyncSocketError::withCode(AsyncSocketCanceledError);
    return false;
}

void AsyncSocket::Impl::doConnectTimeout() {
    closeWithError(AsyncSocketError::withCode(AsyncSocketConnectTimeoutError));
}

// ---- the connection coming up -------------------------------------------------

void AsyncSocket::Impl::streamsOpened() {
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

void AsyncSocket::Impl::doStreamOpen() {
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

}  // namespace tallo
