// AsyncSocket, writing: the write queue, sent in chunks as the connection
// takes them.

#include <poll.h>

#include <algorithm>

#include "Classes/sync/AsyncSocketImpl.h"
#include "Platform/foundation/InternalError.h"

namespace tallo {

// ---- the connection taking bytes --------------------------------------------

void AsyncSocket::Impl::armWriteWait() {
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

void AsyncSocket::Impl::writeStreamCanAcceptBytes() {
    flags |= flagSocketCanAcceptBytes;
    doSendBytes();
}

bool AsyncSocket::Impl::streamCanAcceptBytes() const {
    if (!stream || !bothStreamsOpened()) return false;
    if (stream->tls) return stream->secured && stream->outbox.size() < kTLSBufferLimit;
    pollfd entry{stream->socket.native_handle(), POLLOUT, 0};
    return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLOUT);
}

long AsyncSocket::Impl::streamWrite(const uint8_t* from, size_t length) {
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

// ---- the write queue --------------------------------------------------------

void AsyncSocket::Impl::scheduleDequeueWrite() {
    if (flags & flagDequeueWriteScheduled) return;
    flags |= flagDequeueWriteScheduled;
    performOnNextPass([](Impl& d) { d.maybeDequeueWrite(); });
}

void AsyncSocket::Impl::maybeDequeueWrite() {
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

void AsyncSocket::Impl::doSendBytes() {
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

void AsyncSocket::Impl::completeCurrentWrite() {
    auto* current = currentWrite ? std::get_if<std::shared_ptr<AsyncWritePacket>>(&*currentWrite) : nullptr;
    if (!current) {
        InternalError::report("Trying to complete current write when there is no current write.");
        return;
    }
    std::shared_ptr<AsyncWritePacket> packet = *current;
    if (delegate) delegate->onSocketDidWriteDataWithTag(self, packet->tag);
    if (currentWritePacket() == packet.get()) endCurrentWrite();
}

void AsyncSocket::Impl::endCurrentWrite() {
    if (!currentWrite) {
        InternalError::report("Trying to end current write when there is no current write.");
        return;
    }
    stopTimer(writeTimer);
    currentWrite.reset();
}

void AsyncSocket::Impl::doWriteTimeout() {
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

}  // namespace tallo
