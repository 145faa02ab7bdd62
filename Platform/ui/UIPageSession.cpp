#include "Platform/ui/UIPageSession.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/websocket.hpp>

#include "Platform/ui/Application.h"
#include "Platform/ui/UIEvent.h"
#include "Platform/ui/UIServerState.h"

namespace tallo {

namespace beast = boost::beast;
namespace websocket = beast::websocket;

UIPageSession::UIPageSession(std::shared_ptr<UIServerState> state, beast::tcp_stream stream)
    : state_(std::move(state)), ws_(std::move(stream)) {
    state_->add(this);
    ws_.read_message_max(UIEvent::kMaxMessageBytes);
    // The WebSocket keeps its own time: the handshake and the pings.
    beast::get_lowest_layer(ws_).expires_never();
    auto timeout = websocket::stream_base::timeout::suggested(beast::role_type::server);
    timeout.handshake_timeout = state_->options().headerTimeout;
    timeout.idle_timeout = state_->options().pageIdleTimeout;
    ws_.set_option(timeout);
}

UIPageSession::~UIPageSession() { state_->remove(this); }

void UIPageSession::open(Request request) {
    ws_.async_accept(request, [self = shared_from_this()](beast::error_code error) { self->onOpen(error); });
}

void UIPageSession::onOpen(beast::error_code error) {
    if (error) return close();
    open_ = true;
    sendIfChanged();
    read();
}

void UIPageSession::sendIfChanged() {
    if (!open_) return;
    std::string message = "{\"type\":\"scene\",\"scene\":" + state_->application().render().toJSON() + "}";
    if (last_ && *last_ == message) return;
    last_ = std::make_shared<const std::string>(std::move(message));
    if (writing_) {
        waiting_ = last_;  // an older waiting scene is dropped: this one replaces it
        return;
    }
    writing_ = last_;
    write();
}

void UIPageSession::close() {
    open_ = false;
    waiting_.reset();
    // Pending reads and writes end with an error and release the session;
    // the scene being written stays until its write has ended.
    beast::get_lowest_layer(ws_).close();
}

void UIPageSession::read() {
    ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code error, size_t) { self->onRead(error); });
}

void UIPageSession::onRead(beast::error_code error) {
    if (error) {
        if (error == websocket::error::message_too_big) state_->refuse("an event over 64 KiB");
        return close();
    }
    std::string message = beast::buffers_to_string(buffer_.data());
    buffer_.consume(buffer_.size());
    std::string why;
    if (!state_->application().handleMessage(message, &why)) state_->refuse("event: " + why);
    state_->flush();
    if (open_) read();
}

void UIPageSession::write() {
    ws_.text(true);
    ws_.async_write(boost::asio::buffer(*writing_),
                    [self = shared_from_this()](beast::error_code error, size_t) { self->onWritten(error); });
}

void UIPageSession::onWritten(beast::error_code error) {
    writing_.reset();
    if (error) return close();
    writing_ = std::move(waiting_);
    waiting_.reset();
    if (writing_) write();
}

}  // namespace tallo
