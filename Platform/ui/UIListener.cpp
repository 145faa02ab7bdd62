#include "Platform/ui/UIListener.h"

#include <boost/asio/error.hpp>
#include <boost/asio/ip/v6_only.hpp>

#include <algorithm>

#include "Platform/foundation/RunLoopAsio.h"
#include "Platform/ui/UIHttpSession.h"
#include "Platform/ui/UIServerState.h"

namespace tallo {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;

UIListener::UIListener(std::shared_ptr<UIServerState> state)
    : state_(std::move(state)), acceptor_(asioContext(RunLoop::main())), retry_(asioContext(RunLoop::main())) {}

bool UIListener::listen(const tcp::endpoint& endpoint, error_code& error) {
    acceptor_.open(endpoint.protocol(), error);
    if (!error) acceptor_.set_option(asio::socket_base::reuse_address(true), error);
    // An IPv6 listener takes IPv6 only; 127.0.0.1 has a listener of its own.
    if (!error && endpoint.protocol() == tcp::v6()) acceptor_.set_option(asio::ip::v6_only(true), error);
    if (!error) acceptor_.bind(endpoint, error);
    if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        error_code ignored;
        acceptor_.close(ignored);
        return false;
    }
    return true;
}

uint16_t UIListener::port() const {
    error_code ignored;
    return acceptor_.local_endpoint(ignored).port();
}

void UIListener::start() {
    running_ = true;
    accept();
}

void UIListener::stop() {
    running_ = false;
    error_code ignored;
    acceptor_.close(ignored);
    retry_.cancel();
}

void UIListener::accept() {
    acceptor_.async_accept([self = shared_from_this()](error_code error, tcp::socket socket) {
        self->onAccept(error, std::move(socket));
    });
}

void UIListener::onAccept(error_code error, tcp::socket socket) {
    if (!running_) return;
    // A connection its client gave up before it was taken is no failure.
    if (error && error != asio::error::connection_aborted) return retryLater(error);
    delay_ = kFirstRetryDelay;
    if (!error && !state_->hasRoomForConnection()) {
        state_->refuse("a connection over the limit of " + std::to_string(state_->options().maxConnections));
        error_code ignored;
        socket.close(ignored);
    } else if (!error) {
        std::make_shared<UIHttpSession>(state_, std::move(socket))->start();
    }
    accept();
}

void UIListener::retryLater(const error_code& error) {
    state_->acceptFailed(error.message());
    retry_.expires_after(delay_);
    delay_ = std::min(delay_ * 2, kLongestRetryDelay);
    retry_.async_wait([self = shared_from_this()](error_code waitError) {
        if (!waitError && self->running_) self->accept();
    });
}

}  // namespace tallo
