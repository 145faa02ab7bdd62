#pragma once
// UIPageSession: one open page — its WebSocket, the last scene it was sent
// and its outgoing queue. Events read from the page go to the application;
// after each the server flushes the scene to every page.
//
// Scenes are whole replacements, so the queue holds at most the scene being
// written and one waiting: a newer scene replaces the waiting one instead of
// queuing behind it. A page that reads slowly, or not at all, costs at most
// two scenes. A page that answers nothing, not even the pings sent after
// half of Options::pageIdleTimeout, is closed when it ends.
//
// Internal to the UI server (Beast headers); main thread only.

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/websocket/stream.hpp>

#include <memory>
#include <string>

namespace tallo {

class UIServerState;

class UIPageSession : public std::enable_shared_from_this<UIPageSession> {
public:
    using Request = boost::beast::http::request<boost::beast::http::string_body>;

    // Takes over the connection of the request that asked for the upgrade.
    UIPageSession(std::shared_ptr<UIServerState> state, boost::beast::tcp_stream stream);
    ~UIPageSession();
    UIPageSession(const UIPageSession&) = delete;
    UIPageSession& operator=(const UIPageSession&) = delete;

    // Answers the upgrade; once open, sends the scene and reads events.
    void open(Request request);
    // Sends the scene when it differs from the last one sent.
    void sendIfChanged();
    void close();
    bool isOpen() const { return open_; }
    // The scene being written and the one waiting: 0, 1 or 2.
    size_t queuedMessageCount() const { return (writing_ ? 1 : 0) + (waiting_ ? 1 : 0); }

private:
    using Message = std::shared_ptr<const std::string>;

    void onOpen(boost::beast::error_code error);
    void read();
    void onRead(boost::beast::error_code error);
    void write();
    void onWritten(boost::beast::error_code error);

    std::shared_ptr<UIServerState> state_;
    boost::beast::websocket::stream<boost::beast::tcp_stream> ws_;
    boost::beast::flat_buffer buffer_;
    Message last_;
    Message writing_;
    Message waiting_;
    bool open_ = false;
};

}  // namespace tallo
