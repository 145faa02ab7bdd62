// AsyncSocket, reading: the read queue, served from the bytes kept ahead of
// the reads and from the connection as they come in.

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "Classes/sync/AsyncSocketImpl.h"
#include "Platform/foundation/InternalError.h"

namespace tallo {

// ---- the connection's bytes coming in ---------------------------------------

// Bytes arrived, the peer ended the stream, or the connection failed:
// the wait tells which without taking any byte.
void AsyncSocket::Impl::armReadWait() {
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

void AsyncSocket::Impl::onReadable(const error_code& ec) {
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

void AsyncSocket::Impl::readStreamHasBytes() {
    flags |= flagSocketHasBytesAvailable;
    doBytesAvailable();
}

bool AsyncSocket::Impl::streamHasBytesAvailable() const {
    if (!stream || !bothStreamsOpened()) return false;
    if (stream->tls) return stream->secured && !stream->inbox.empty();
    error_code ec;
    return stream->socket.available(ec) > 0 && !ec;
}

// Bytes read, 0 when none are there now, -1 on failure.
long AsyncSocket::Impl::streamRead(uint8_t* into, size_t length) {
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

// ---- the read queue ---------------------------------------------------------

void AsyncSocket::Impl::queueRead(std::shared_ptr<AsyncReadPacket> packet) {
    readQueue.push_back(std::move(packet));
    scheduleDequeueRead();
}

void AsyncSocket::Impl::scheduleDequeueRead() {
    if (flags & flagDequeueReadScheduled) return;
    flags |= flagDequeueReadScheduled;
    performOnNextPass([](Impl& d) { d.maybeDequeueRead(); });
}

void AsyncSocket::Impl::maybeDequeueRead() {
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
uint32_t AsyncSocket::Impl::readLengthForTerm(const AsyncReadPacket& packet) const {
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

uint32_t AsyncSocket::Impl::prebufferReadLengthForTerm(const AsyncReadPacket& packet) const {
    if (packet.maxLength > 0) return uint32_t(std::min(size_t(packet.maxLength - packet.bytesDone), kPrebufferChunk));
    return uint32_t(kPrebufferChunk);
}

// The count of bytes after the terminator among the `justRead` last
// bytes, or -1 when the terminator is not complete yet.
long AsyncSocket::Impl::searchForTermAfterPreBuffering(const AsyncReadPacket& packet, long justRead) const {
    if (!packet.term) {
        InternalError::report("Searching for term in data when there is no term.");
        return -1;
    }
    const Data& term = *packet.term;
    long T = long(term.size()), D = packet.bytesDone;
    // The terminator may begin in the bytes before these; a skip search
    // keeps a whole store's message (tens of MB) from a compare at every byte.
    const uint8_t* from = packet.buffer.data() + std::max(D - justRead - T + 1, 0L);
    const uint8_t* to = packet.buffer.data() + D;
    if (to - from < T) return -1;
    const uint8_t* found = std::search(from, to, std::boyer_moore_horspool_searcher(term.begin(), term.end()));
    if (found == to) return -1;
    return D - long(found - packet.buffer.data()) - T;
}

// Kept bytes first, then the connection.
long AsyncSocket::Impl::readIntoBuffer(uint8_t* into, size_t length) {
    if (!partialReadBuffer.empty()) {
        size_t count = std::min(length, partialReadBuffer.size());
        std::memcpy(into, partialReadBuffer.data(), count);
        partialReadBuffer.erase(partialReadBuffer.begin(), partialReadBuffer.begin() + long(count));
        return long(count);
    }
    flags &= ~flagSocketHasBytesAvailable;
    return streamRead(into, length);
}

bool AsyncSocket::Impl::bytesAvailable() const {
    return (flags & flagSocketHasBytesAvailable) || !partialReadBuffer.empty() || streamHasBytesAvailable();
}

// Serves the current read from what is there now: reads until it is
// complete, nothing more can be had, the connection fails or the read's
// maximum is reached, then tells the delegate.
void AsyncSocket::Impl::doBytesAvailable() {
    auto* packet = currentReadPacket();
    if (!packet || !stream) return;
    ReadPass pass;
    while (!pass.done && !pass.streamError && !pass.maxedOut && bytesAvailable()) {
        long result = readOnce(*packet, pass);
        if (result == 0 && !bytesAvailable()) break;
    }
    if (packet->readAllAvailableData && packet->bytesDone > 0) pass.done = true;
    finishReadPass(packet->tag, pass);
}

// Grows the buffer for the next read: a read-all by a fixed step, a
// terminator read by a pre-buffering chunk or by what cannot pass its
// terminator (a length read has its room from the start). True for a
// pre-buffering chunk, which may take bytes past the terminator.
bool AsyncSocket::Impl::makeRoomForRead(AsyncReadPacket& packet) {
    if (packet.readAllAvailableData) {
        packet.buffer.resize(size_t(packet.bytesDone) + kReadChunk);
        return false;
    }
    if (!packet.term) return false;
    bool preBuffered = partialReadBuffer.empty() && (flags & flagPreBuffering);
    uint32_t readLength = preBuffered ? prebufferReadLengthForTerm(packet) : readLengthForTerm(packet);
    packet.buffer.resize(size_t(packet.bytesDone) + readLength);
    return preBuffered;
}

// One read into the packet, noted in `pass`: the count read, 0 when none
// are there now, -1 on failure.
long AsyncSocket::Impl::readOnce(AsyncReadPacket& packet, ReadPass& pass) {
    bool preBuffered = makeRoomForRead(packet);
    size_t space = packet.buffer.size() - size_t(packet.bytesDone);
    long result = readIntoBuffer(packet.buffer.data() + packet.bytesDone, space);
    if (result < 0) {
        pass.streamError = true;
    } else {
        packet.bytesDone += int32_t(result);
        pass.totalRead += uint32_t(result);
    }
    if (packet.readAllAvailableData) {
        // done once the pass is over
    } else if (!packet.term) {
        pass.done = size_t(packet.bytesDone) == packet.buffer.size();
    } else {
        pass.done = termReached(packet, result, preBuffered);
        if (!pass.done && packet.maxLength >= 0 && packet.bytesDone >= packet.maxLength) pass.maxedOut = true;
    }
    return result;
}

// Whether the packet now ends with its terminator. A pre-buffered read
// looks for it among the bytes just read and keeps what follows it for
// the next read.
bool AsyncSocket::Impl::termReached(AsyncReadPacket& packet, long justRead, bool preBuffered) {
    if (!preBuffered) {
        const Data& term = *packet.term;
        return size_t(packet.bytesDone) >= term.size() &&
               std::equal(term.begin(), term.end(), packet.buffer.begin() + packet.bytesDone - long(term.size()));
    }
    long overflow = searchForTermAfterPreBuffering(packet, std::max(justRead, 0L));
    if (overflow > 0) {
        auto end = packet.buffer.begin() + packet.bytesDone;
        partialReadBuffer.insert(partialReadBuffer.end(), end - overflow, end);
        packet.bytesDone -= int32_t(overflow);
    }
    return overflow >= 0;
}

// The delegate hears of a completed read or of the bytes a pass added to an
// unfinished one; a failure or a maximum reached then closes the socket.
void AsyncSocket::Impl::finishReadPass(int32_t tag, const ReadPass& pass) {
    if (pass.done) {
        completeCurrentRead();
        if (!pass.streamError) scheduleDequeueRead();
    } else if (pass.totalRead > 0 && delegate) {
        delegate->onSocketDidReadPartialDataOfLength(self, pass.totalRead, tag);
    }
    if (pass.streamError) closeWithError(getStreamError());
    if (pass.maxedOut) closeWithError(AsyncSocketError::withCode(AsyncSocketReadMaxedOutError));
}

void AsyncSocket::Impl::completeCurrentRead() {
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

void AsyncSocket::Impl::endCurrentRead() {
    if (!currentRead) {
        InternalError::report("Trying to end current read when there is no current read.");
        return;
    }
    stopTimer(readTimer);
    currentRead.reset();
}

void AsyncSocket::Impl::doReadTimeout() {
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

}  // namespace tallo
