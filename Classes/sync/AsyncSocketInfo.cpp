// AsyncSocket, introspection: its addresses, whether it is connected, and
// the one-line description.

#include <arpa/inet.h>

#include <cstdio>

#include "Classes/sync/AsyncSocketImpl.h"
#include "Platform/foundation/InternalError.h"

namespace tallo {

namespace async_socket_detail {

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

}  // namespace async_socket_detail

std::optional<tcp::endpoint> AsyncSocket::Impl::localEndpoint(bool preferV4) const {
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

std::optional<tcp::endpoint> AsyncSocket::Impl::remoteEndpoint() const {
    if (acceptor4 || acceptor6 || !(socket4 || socket6) || !stream) return std::nullopt;
    error_code ec;
    auto endpoint = stream->socket.remote_endpoint(ec);
    if (ec) return std::nullopt;
    return endpoint;
}

bool AsyncSocket::Impl::hasSocket4() const { return acceptor4 || socket4; }
bool AsyncSocket::Impl::hasSocket6() const { return acceptor6 || socket6; }

bool AsyncSocket::Impl::isConnected() const {
    if (!(socket4 || socket6) || !stream || !stream->socket.is_open()) return false;
    auto connected = [](Stream::Status status) {
        return status == Stream::Status::Open || status == Stream::Status::AtEnd;
    };
    return bothStreamsOpened() && connected(stream->readStatus) && connected(stream->writeStatus);
}

const char* AsyncSocket::Impl::statusText(const Stream* st, bool read) {
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

std::string AsyncSocket::Impl::addressText(bool local) const {
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

std::string AsyncSocket::Impl::description() const {
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

}  // namespace tallo
