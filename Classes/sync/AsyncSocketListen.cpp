// AsyncSocket, listening: binding the listener's IPv4 and IPv6 sockets and
// accepting each connection as a new socket.

#include <netdb.h>

#include <algorithm>
#include <boost/asio/ip/v6_only.hpp>
#include <cstdio>
#include <cstring>

#include "Classes/sync/AsyncSocketImpl.h"

namespace tallo {

void AsyncSocket::Impl::checkMisuse(bool accepting) const {
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

bool AsyncSocket::Impl::acceptOn(const std::optional<std::string>& interface, uint16_t port,
                                 AsyncSocketError* error) {
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
bool AsyncSocket::Impl::resolveInterface(const std::string& interface, uint16_t port,
                                         std::optional<tcp::endpoint>& address4,
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

bool AsyncSocket::Impl::isListeningOn(const tcp::acceptor* acceptor) const {
    return acceptor != nullptr && (acceptor4.get() == acceptor || acceptor6.get() == acceptor);
}

void AsyncSocket::Impl::acceptNext(tcp::acceptor* acceptor) {
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
void AsyncSocket::Impl::acceptAgainLater(tcp::acceptor* acceptor) {
    acceptRetryDelay = acceptRetryDelay == 0 ? kFirstAcceptRetrySeconds
                                             : std::min(acceptRetryDelay * 2, kLongestAcceptRetrySeconds);
    loop().performAfterDelay(acceptRetryDelay, guarded([acceptor](Impl& d) {
        if (d.isListeningOn(acceptor)) d.acceptNext(acceptor);
    }));
}

void AsyncSocket::Impl::didAcceptConnection(tcp::socket peer) {
    auto newSocket = AsyncSocket::create(delegate);
    newSocket->d_->modes = modes;
    if (delegate) delegate->onSocketDidAcceptNewSocket(self, newSocket);
    RunLoop* chosen = delegate ? delegate->onSocketWantsRunLoopForNewSocket(self, *newSocket) : nullptr;
    newSocket->d_->attachAccepted(std::move(peer), chosen ? *chosen : loop());
}

void AsyncSocket::Impl::attachAccepted(tcp::socket peer, RunLoop& target) {
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

}  // namespace tallo
