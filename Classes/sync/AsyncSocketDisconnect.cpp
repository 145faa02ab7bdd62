// AsyncSocket, disconnecting: the connection ending or failing, closing
// after the queues run out, and what is left unread at the end.

#include "Classes/sync/AsyncSocketImpl.h"

namespace tallo {

// ---- the connection ending --------------------------------------------------

namespace {

// One direction of the stream ends: at the peer's end without an error,
// failed with one.
void markEnded(Stream::Status& status, std::optional<AsyncSocketError>& streamError,
               const std::optional<AsyncSocketError>& error) {
    status = error ? Stream::Status::HasError : Stream::Status::AtEnd;
    if (error) streamError = error;
}

}  // namespace

void AsyncSocket::Impl::readStreamEnded(const std::optional<AsyncSocketError>& error) {
    markEnded(stream->readStatus, stream->readError, error);
    closeWithError(error);
}

void AsyncSocket::Impl::readStreamFailed(const std::optional<AsyncSocketError>& error) { readStreamEnded(error); }

void AsyncSocket::Impl::writeStreamFailed(const std::optional<AsyncSocketError>& error) {
    markEnded(stream->writeStatus, stream->writeError, error);
    closeWithError(error);
}

std::optional<AsyncSocketError> AsyncSocket::Impl::getStreamError() const {
    if (!stream) return std::nullopt;
    return stream->readError ? stream->readError : stream->writeError;
}

// ---- closing ----------------------------------------------------------------

void AsyncSocket::Impl::maybeScheduleDisconnect() {
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

void AsyncSocket::Impl::disconnect() { close(); }

void AsyncSocket::Impl::closeWithError(const std::optional<AsyncSocketError>& error) {
    flags |= flagClosingWithError;
    if (flags & flagDidStart) {
        recoverUnreadData();
        emptyQueues();
        if (delegate) delegate->onSocketWillDisconnectWithError(self, error);
    }
    close();
}

// The unfinished read's bytes go back in front of the kept ones.
void AsyncSocket::Impl::recoverUnreadData() {
    auto* packet = currentReadPacket();
    if (!packet || packet->bytesDone < 1) return;
    partialReadBuffer.insert(partialReadBuffer.begin(), packet->buffer.begin(),
                             packet->buffer.begin() + packet->bytesDone);
}

std::optional<Data> AsyncSocket::Impl::unreadData() {
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

void AsyncSocket::Impl::emptyQueues() {
    if (currentRead) endCurrentRead();
    if (currentWrite) endCurrentWrite();
    readQueue.clear();
    writeQueue.clear();
    ++deferredGeneration;
    flags &= ~(flagDequeueReadScheduled | flagDequeueWriteScheduled);
}

void AsyncSocket::Impl::close() {
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

}  // namespace tallo
