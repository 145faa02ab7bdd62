// AsyncSocket, TLS: the handshake once both queues reach the marker, then
// the secured byte stream the reads and writes use in place of the socket.

#include <algorithm>
#include <boost/asio/write.hpp>
#include <cstring>

#include "Classes/sync/AsyncSocketImpl.h"

namespace tallo {

namespace {

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

}  // namespace

// Both queues reached the marker: the handshake runs over the connection,
// and reads and writes wait until it is done.
void AsyncSocket::Impl::maybeStartTLS() {
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

void AsyncSocket::Impl::tlsHandshakeDone() {
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

void AsyncSocket::Impl::startTLSRead() {
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

long AsyncSocket::Impl::tlsRead(uint8_t* into, size_t length) {
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

long AsyncSocket::Impl::tlsWrite(const uint8_t* from, size_t length) {
    auto st = stream;
    st->outbox.insert(st->outbox.end(), from, from + length);
    startTLSWrite();
    return long(length);
}

void AsyncSocket::Impl::startTLSWrite() {
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

}  // namespace tallo
