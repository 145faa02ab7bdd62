#include "Platform/ui/UIServer.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/steady_timer.hpp>

#include <optional>
#include <vector>

#include "Platform/foundation/RunLoopAsio.h"
#include "Platform/ui/UIListener.h"
#include "Platform/ui/UIServerState.h"

// The server is three roles apart: UIListener accepts connections,
// UIHttpSession answers one HTTP connection's requests, UIPageSession is one
// page's WebSocket; UIServerState is what they share. This file starts and
// stops them and sends scenes that timers changed.

namespace tallo {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

constexpr auto kFlushInterval = std::chrono::milliseconds(100);

// The other loopback for the two that a browser's "localhost" may mean.
std::optional<asio::ip::address> otherLoopback(const asio::ip::address& address) {
    if (address == asio::ip::address_v4::loopback()) return asio::ip::address_v6::loopback();
    if (address == asio::ip::address_v6::loopback()) return asio::ip::address_v4::loopback();
    return std::nullopt;
}

// An address as it stands in a Host header: "127.0.0.1", "[::1]".
std::string hostName(const asio::ip::address& address) {
    return address.is_v6() ? "[" + address.to_string() + "]" : address.to_string();
}

}  // namespace

struct UIServer::Impl {
    explicit Impl(Application& application) : app(application), flushTimer(asioContext(RunLoop::main())) {}

    Application& app;
    std::shared_ptr<UIServerState> state;
    std::vector<std::shared_ptr<UIListener>> listeners;
    std::vector<asio::ip::address> addresses;  // listened on, the asked-for one first
    asio::steady_timer flushTimer;
    // True from start() until stop(): a flush whose handler was already on
    // its way when the timer was cancelled (or the server ended) reads it
    // here, never through the ended server.
    std::shared_ptr<bool> flushing;
    uint16_t port = 0;
    bool running = false;

    bool listen(const asio::ip::address& address, uint16_t port, error_code& error);
    std::vector<std::string> hosts() const;
    void scheduleFlush();
};

bool UIServer::Impl::listen(const asio::ip::address& address, uint16_t wantedPort, error_code& error) {
    auto listener = std::make_shared<UIListener>(state);
    if (!listener->listen(tcp::endpoint(address, wantedPort), error)) return false;
    port = listener->port();
    listeners.push_back(std::move(listener));
    addresses.push_back(address);
    return true;
}

std::vector<std::string> UIServer::Impl::hosts() const {
    std::vector<std::string> names;
    std::string suffix = ":" + std::to_string(port);
    for (const auto& address : addresses) names.push_back(hostName(address) + suffix);
    if (addresses.front().is_loopback()) names.push_back("localhost" + suffix);
    return names;
}

void UIServer::Impl::scheduleFlush() {
    flushTimer.expires_after(kFlushInterval);
    flushTimer.async_wait([this, state = state, flushing = flushing](error_code error) {
        if (error || !*flushing) return;
        state->flush();
        scheduleFlush();
    });
}

UIServer::UIServer(Application& application) : impl_(std::make_unique<Impl>(application)) {}

UIServer::~UIServer() { stop(); }

bool UIServer::start(const Options& options, std::string* error) {
    stop();
    error_code code;
    auto address = asio::ip::make_address(options.address, code);
    if (code) {
        if (error != nullptr) *error = "bad address " + options.address;
        return false;
    }
    impl_->state = std::make_shared<UIServerState>(impl_->app, options);
    impl_->listeners.clear();
    impl_->addresses.clear();
    if (!impl_->listen(address, options.port, code)) {
        if (error != nullptr) *error = "cannot listen on " + options.address + ":" + std::to_string(options.port) + ": " + code.message();
        return false;
    }
    // Best effort: a machine without IPv6, or the port taken there, leaves
    // the page at the first address only.
    if (auto other = otherLoopback(address)) impl_->listen(*other, impl_->port, code);
    impl_->state->setHosts(impl_->hosts());
    impl_->running = true;
    for (const auto& listener : impl_->listeners) listener->start();
    impl_->flushing = std::make_shared<bool>(true);
    impl_->scheduleFlush();
    return true;
}

void UIServer::stop() {
    if (!impl_->running) return;
    impl_->running = false;
    *impl_->flushing = false;
    for (const auto& listener : impl_->listeners) listener->stop();
    impl_->listeners.clear();
    impl_->flushTimer.cancel();
    impl_->state->closeAll();
}

uint16_t UIServer::port() const { return impl_->port; }

std::string UIServer::url() const {
    std::string host = impl_->addresses.empty() ? "127.0.0.1" : hostName(impl_->addresses.front());
    return "http://" + host + ":" + std::to_string(impl_->port) + "/";
}

void UIServer::flush() {
    if (impl_->state) impl_->state->flush();
}

size_t UIServer::connectionCount() const { return impl_->state ? impl_->state->openPageCount() : 0; }

size_t UIServer::refusalCount() const { return impl_->state ? impl_->state->refusalCount() : 0; }

size_t UIServer::openConnectionCount() const { return impl_->state ? impl_->state->openConnectionCount() : 0; }

size_t UIServer::queuedMessageCount() const { return impl_->state ? impl_->state->queuedMessageCount() : 0; }

}  // namespace tallo
