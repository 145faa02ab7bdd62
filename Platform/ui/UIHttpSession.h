#pragma once
// UIHttpSession: one HTTP connection of the UI server. It reads a request —
// the header within Options::headerTimeout (idleTimeout for the next
// request of a kept-alive connection), the body within idleTimeout, at most
// 16 KiB of it, or kMaxUploadBytes for a picture upload — checks its Host,
// and answers it by route: the page and the client's files, the pictures
// under /res/, the published files (a calendar), a picture upload, or the WebSocket upgrade, which hands the
// connection to a UIPageSession. A file's answer keeps the connection for
// the next request; a refusal closes it.
//
// Internal to the UI server (Beast headers); main thread only.

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace tallo {

class UIServerState;

class UIHttpSession : public std::enable_shared_from_this<UIHttpSession> {
public:
    UIHttpSession(std::shared_ptr<UIServerState> state, boost::asio::ip::tcp::socket socket);
    ~UIHttpSession();
    UIHttpSession(const UIHttpSession&) = delete;
    UIHttpSession& operator=(const UIHttpSession&) = delete;

    // Reads the first request.
    void start();
    void close();

private:
    using Request = boost::beast::http::request<boost::beast::http::string_body>;
    using Response = boost::beast::http::response<boost::beast::http::string_body>;

    void readRequest(std::chrono::milliseconds headerTimeout);
    void onHeader(boost::beast::error_code error);
    void onBody(boost::beast::error_code error);
    void route();

    // The routes.
    void serveClientFile(const std::string& path);
    void servePicture(const std::string& name);
    // True when `path` is a published file (and it was answered).
    bool servePublished(const std::string& path);
    void upload();
    void upgrade();

    void serveFile(const std::optional<std::filesystem::path>& file);
    void refuse(boost::beast::http::status status, const std::string& why, const std::string& body);
    void respond(boost::beast::http::status status, const std::string& type, std::string body, bool keepAlive);
    void serveDownload(const std::string& name);
    std::string attachmentName_;  // set by serveDownload: the response is a file to save
    void onWritten(boost::beast::error_code error);

    std::shared_ptr<UIServerState> state_;
    boost::beast::tcp_stream stream_;
    boost::beast::flat_buffer buffer_;
    std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> parser_;
    Request request_;
    std::optional<Response> response_;
    bool handedOver_ = false;
};

}  // namespace tallo
