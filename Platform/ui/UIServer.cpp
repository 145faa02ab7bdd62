#include "Platform/ui/UIServer.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "Platform/foundation/RunLoopAsio.h"
#include "Platform/ui/Application.h"

namespace tallo {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr size_t kMaxRequestBytes = 16 * 1024;
constexpr size_t kMaxUploadBytes = UIServer::kMaxUploadBytes;
constexpr auto kFlushInterval = std::chrono::milliseconds(100);

std::string contentType(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    if (extension == ".html") return "text/html; charset=utf-8";
    if (extension == ".js") return "text/javascript; charset=utf-8";
    if (extension == ".css") return "text/css; charset=utf-8";
    if (extension == ".svg") return "image/svg+xml";
    if (extension == ".png") return "image/png";
    if (extension == ".json") return "application/json";
    return "application/octet-stream";
}

// A file under `root` named by a request path, or nothing: only plain names
// of files inside the folder, never "..", hidden files or other folders.
std::optional<std::filesystem::path> fileUnder(const std::string& root, std::string_view relative) {
    if (root.empty() || relative.empty() || relative.size() > 200) return std::nullopt;
    for (char c : relative) {
        bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == '@' || c == '/';
        if (!plain) return std::nullopt;
    }
    if (relative.find("..") != std::string_view::npos || relative.front() == '.' || relative.front() == '/') return std::nullopt;
    std::filesystem::path path = std::filesystem::path(root) / std::string(relative);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    return path;
}

}  // namespace

struct UIServer::Impl : std::enable_shared_from_this<UIServer::Impl> {
    class Page;

    explicit Impl(Application& application) : app(application), acceptor(asioContext(RunLoop::main())),
                                               timer(asioContext(RunLoop::main())) {}

    Application& app;
    Options options;
    tcp::acceptor acceptor;
    asio::steady_timer timer;
    std::set<std::shared_ptr<Page>> pages;
    std::set<std::string> hosts;  // the Host values this server answers to
    std::string origin;
    uint16_t port = 0;
    size_t refusals = 0;
    bool running = false;

    void refuse(const std::string& why) {
        ++refusals;
        if (options.logRefusals) std::fprintf(stderr, "tallo: refused: %s\n", why.c_str());
    }
    void accept();
    void scheduleFlush();
    void flush();
    void handleRequest(tcp::socket socket, std::shared_ptr<beast::flat_buffer> buffer,
                       std::shared_ptr<http::request_parser<http::string_body>> parser);
};

// One open page: its WebSocket, its write queue and the last scene it got.
class UIServer::Impl::Page : public std::enable_shared_from_this<Page> {
public:
    Page(std::shared_ptr<Impl> server, tcp::socket socket) : server_(std::move(server)), ws_(std::move(socket)) {
        ws_.read_message_max(UIEvent::kMaxMessageBytes);
    }

    void open(http::request<http::string_body> request) {
        auto self = shared_from_this();
        ws_.async_accept(request, [self](beast::error_code error) {
            if (error) return self->close();
            self->server_->pages.insert(self);
            self->sendIfChanged();
            self->read();
        });
    }

    void sendIfChanged() {
        SceneNode scene = server_->app.render();
        std::string message = "{\"type\":\"scene\",\"scene\":" + scene.toJSON() + "}";
        if (message == last_) return;
        last_ = message;
        queue_.push_back(std::move(message));
        if (queue_.size() == 1) write();
    }

private:
    void read() {
        auto self = shared_from_this();
        ws_.async_read(buffer_, [self](beast::error_code error, size_t) {
            if (error) {
                if (error == websocket::error::message_too_big) self->server_->refuse("an event over 64 KiB");
                return self->close();
            }
            std::string message = beast::buffers_to_string(self->buffer_.data());
            self->buffer_.consume(self->buffer_.size());
            std::string why;
            if (!self->server_->app.handleMessage(message, &why)) self->server_->refuse("event: " + why);
            self->server_->flush();
            self->read();
        });
    }

    void write() {
        auto self = shared_from_this();
        ws_.text(true);
        ws_.async_write(asio::buffer(queue_.front()), [self](beast::error_code error, size_t) {
            if (error) return self->close();
            self->queue_.pop_front();
            if (!self->queue_.empty()) self->write();
        });
    }

    void close() { server_->pages.erase(shared_from_this()); }

    std::shared_ptr<Impl> server_;
    websocket::stream<tcp::socket> ws_;
    beast::flat_buffer buffer_;
    std::deque<std::string> queue_;
    std::string last_;
};

void UIServer::Impl::accept() {
    auto self = shared_from_this();
    acceptor.async_accept([self](beast::error_code error, tcp::socket socket) {
        if (!self->running) return;
        if (!error) {
            auto buffer = std::make_shared<beast::flat_buffer>();
            auto parser = std::make_shared<http::request_parser<http::string_body>>();
            parser->header_limit(kMaxRequestBytes);
            parser->body_limit(kMaxRequestBytes);
            auto stream = std::make_shared<tcp::socket>(std::move(socket));
            http::async_read_header(*stream, *buffer, *parser, [self, stream, buffer, parser](beast::error_code headerError, size_t) {
                if (headerError) return;
                // Only a picture upload may carry a body of any size.
                const auto& head = parser->get();
                if (head.method() == http::verb::post && head.target().starts_with("/upload/")) {
                    parser->body_limit(kMaxUploadBytes);
                }
                http::async_read(*stream, *buffer, *parser, [self, stream, buffer, parser](beast::error_code readError, size_t) {
                    if (readError) {
                        if (readError == http::error::body_limit) self->refuse("an upload over the size limit");
                        return;
                    }
                    self->handleRequest(std::move(*stream), buffer, parser);
                });
            });
        }
        self->accept();
    });
}

void UIServer::Impl::handleRequest(tcp::socket socket, std::shared_ptr<beast::flat_buffer>,
                                   std::shared_ptr<http::request_parser<http::string_body>> parser) {
    http::request<http::string_body> request = parser->release();
    auto respond = [&socket](http::status status, std::string type, std::string body, bool keep = false) {
        auto response = std::make_shared<http::response<http::string_body>>(status, 11);
        response->set(http::field::content_type, type);
        response->set(http::field::cache_control, "no-store");
        response->set("X-Content-Type-Options", "nosniff");
        response->body() = std::move(body);
        response->keep_alive(keep);
        response->prepare_payload();
        auto stream = std::make_shared<tcp::socket>(std::move(socket));
        http::async_write(*stream, *response, [stream, response](beast::error_code, size_t) {
            beast::error_code ignored;
            stream->shutdown(tcp::socket::shutdown_both, ignored);
        });
    };

    std::string host(request[http::field::host]);
    if (hosts.count(host) == 0) {
        refuse("a request for host \"" + host + "\"");
        return respond(http::status::misdirected_request, "text/plain", "unknown host\n");
    }
    std::string target(request.target());
    if (websocket::is_upgrade(request)) {
        std::string from(request[http::field::origin]);
        if (target != "/ws" || from != origin) {
            refuse("a WebSocket from origin \"" + from + "\"");
            return respond(http::status::forbidden, "text/plain", "forbidden\n");
        }
        auto page = std::make_shared<Page>(shared_from_this(), std::move(socket));
        page->open(std::move(request));
        return;
    }
    if (request.method() == http::verb::post && target.rfind("/upload/", 0) == 0) {
        // Only the page this server served may upload: a foreign page's
        // request carries its own Origin (and a cross-site octet stream
        // would need a preflight this server never answers).
        std::string from(request[http::field::origin]);
        if (from != origin || request[http::field::content_type] != "application/octet-stream") {
            refuse("an upload from origin \"" + from + "\"");
            return respond(http::status::forbidden, "text/plain", "forbidden\n");
        }
        UIEvent event;
        event.kind = UIEvent::Kind::Picture;
        event.target = target.substr(8);
        bool plain = !event.target.empty() && event.target.size() <= UIEvent::kMaxTargetBytes;
        for (unsigned char c : event.target) plain = plain && c > 0x20 && c < 0x7f;
        if (!plain) return respond(http::status::bad_request, "text/plain", "bad target\n");
        const std::string& body = request.body();
        event.data.assign(body.begin(), body.end());
        std::string why;
        bool taken = app.handleEvent(event, &why);
        flush();
        if (!taken) {
            refuse("upload: " + why);
            return respond(http::status::conflict, "text/plain", why + "\n");
        }
        return respond(http::status::no_content, "text/plain", "");
    }
    if (request.method() != http::verb::get && request.method() != http::verb::head) {
        return respond(http::status::method_not_allowed, "text/plain", "method not allowed\n");
    }
    std::string path = target.substr(0, target.find('?'));
    std::optional<std::filesystem::path> file;
    if (path == "/") {
        file = fileUnder(options.webRoot, "index.html");
    } else if (path.rfind("/res/", 0) == 0) {
        // Pictures are named with or without ".png" ("Auto@2x", "Transfer.png").
        std::string name = path.substr(5);
        file = fileUnder(options.resourceRoot, name);
        if (!file && name.find('.') == std::string::npos) file = fileUnder(options.resourceRoot, name + ".png");
    } else {
        file = fileUnder(options.webRoot, path.substr(1));
    }
    if (!file) return respond(http::status::not_found, "text/plain", "not found\n");
    std::ifstream in(*file, std::ios::binary);
    std::stringstream body;
    body << in.rdbuf();
    respond(http::status::ok, contentType(*file), body.str());
}

void UIServer::Impl::scheduleFlush() {
    auto self = shared_from_this();
    timer.expires_after(kFlushInterval);
    timer.async_wait([self](beast::error_code error) {
        if (error || !self->running) return;
        self->flush();
        self->scheduleFlush();
    });
}

void UIServer::Impl::flush() {
    for (const auto& page : std::set<std::shared_ptr<Page>>(pages)) page->sendIfChanged();
}

UIServer::UIServer(Application& application) : impl_(std::make_shared<Impl>(application)) {}

UIServer::~UIServer() { stop(); }

bool UIServer::start(const Options& options, std::string* error) {
    impl_->options = options;
    beast::error_code code;
    auto address = asio::ip::make_address(options.address, code);
    if (code) {
        if (error != nullptr) *error = "bad address " + options.address;
        return false;
    }
    tcp::endpoint endpoint(address, options.port);
    impl_->acceptor.open(endpoint.protocol(), code);
    if (!code) impl_->acceptor.set_option(asio::socket_base::reuse_address(true), code);
    if (!code) impl_->acceptor.bind(endpoint, code);
    if (!code) impl_->acceptor.listen(asio::socket_base::max_listen_connections, code);
    if (code) {
        if (error != nullptr) *error = "cannot listen on " + options.address + ":" + std::to_string(options.port) + ": " + code.message();
        impl_->acceptor.close(code);
        return false;
    }
    impl_->port = impl_->acceptor.local_endpoint().port();
    std::string port = std::to_string(impl_->port);
    std::string shown = address.is_v6() ? "[" + options.address + "]" : options.address;
    impl_->hosts = {shown + ":" + port};
    if (address.is_loopback()) impl_->hosts.insert("localhost:" + port);
    impl_->origin = "http://" + shown + ":" + port;
    impl_->running = true;
    impl_->accept();
    impl_->scheduleFlush();
    return true;
}

void UIServer::stop() {
    if (!impl_->running) return;
    impl_->running = false;
    beast::error_code ignored;
    impl_->acceptor.close(ignored);
    impl_->timer.cancel();
    impl_->pages.clear();
}

uint16_t UIServer::port() const { return impl_->port; }

std::string UIServer::url() const {
    std::string address = impl_->options.address.find(':') != std::string::npos ? "[" + impl_->options.address + "]"
                                                                                   : impl_->options.address;
    return "http://" + address + ":" + std::to_string(impl_->port) + "/";
}

void UIServer::flush() { impl_->flush(); }

size_t UIServer::connectionCount() const { return impl_->pages.size(); }

size_t UIServer::refusalCount() const { return impl_->refusals; }

}  // namespace tallo
