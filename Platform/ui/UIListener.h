#pragma once
// UIListener: accepts connections on one address of the UI server and
// hands each to a UIHttpSession.
//
// A connection over Options::maxConnections is closed at once and counted as
// a refusal. When accepting fails — above all when the process has run out
// of file descriptors (EMFILE, ENFILE), where the waiting connection stays
// waiting and an immediate retry fails again at once, a loop that would
// take a whole core — the listener waits before it tries again: 100 ms, then
// twice as long after each failure up to 1.6 s, and 100 ms again once a
// connection was accepted. A page is answered again at most 1.6 s after
// descriptors are free.
//
// Internal to the UI server (Asio headers); main thread only.

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/system/error_code.hpp>

#include <chrono>
#include <memory>

namespace tallo {

class UIServerState;

class UIListener : public std::enable_shared_from_this<UIListener> {
public:
    static constexpr std::chrono::milliseconds kFirstRetryDelay{100};
    static constexpr std::chrono::milliseconds kLongestRetryDelay{1600};

    explicit UIListener(std::shared_ptr<UIServerState> state);
    UIListener(const UIListener&) = delete;
    UIListener& operator=(const UIListener&) = delete;

    // Binds and listens; false with the error when the endpoint cannot be used.
    bool listen(const boost::asio::ip::tcp::endpoint& endpoint, boost::system::error_code& error);
    uint16_t port() const;
    void start();
    void stop();

private:
    void accept();
    void onAccept(boost::system::error_code error, boost::asio::ip::tcp::socket socket);
    void retryLater(const boost::system::error_code& error);

    std::shared_ptr<UIServerState> state_;
    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::steady_timer retry_;
    std::chrono::milliseconds delay_ = kFirstRetryDelay;
    bool running_ = false;
};

}  // namespace tallo
