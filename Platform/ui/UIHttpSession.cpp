#include "Platform/ui/UIHttpSession.h"

#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include <fstream>
#include <sstream>

#include "Platform/ui/Application.h"
#include "Platform/ui/DownloadOffer.h"
#include "Platform/ui/UIEvent.h"
#include "Platform/ui/UIPageSession.h"
#include "Platform/ui/UIServerState.h"

namespace tallo {

namespace beast = boost::beast;
namespace http = beast::http;
using tcp = boost::asio::ip::tcp;

namespace {

constexpr size_t kMaxRequestBytes = 16 * 1024;
constexpr std::string_view kUploadPrefix = "/upload/";
constexpr std::string_view kPicturePrefix = "/res/";
constexpr std::string_view kDownloadPrefix = "/download/";

bool isUpload(const http::request_header<>& head) {
    return head.method() == http::verb::post && head.target().starts_with(kUploadPrefix);
}

// The element id of an upload's target: printable ASCII without spaces, at
// most UIEvent::kMaxTargetBytes.
bool isPlainTarget(const std::string& target) {
    if (target.empty() || target.size() > UIEvent::kMaxTargetBytes) return false;
    for (unsigned char c : target) {
        if (c <= 0x20 || c >= 0x7f) return false;
    }
    return true;
}

std::optional<std::string> contentsOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    if (!in) return std::nullopt;
    return std::move(contents).str();
}

}  // namespace

UIHttpSession::UIHttpSession(std::shared_ptr<UIServerState> state, tcp::socket socket)
    : state_(std::move(state)), stream_(std::move(socket)) {
    state_->add(this);
}

UIHttpSession::~UIHttpSession() { state_->remove(this); }

void UIHttpSession::start() { readRequest(state_->options().headerTimeout); }

void UIHttpSession::close() {
    // A connection handed to a page is the page's to close.
    if (!handedOver_) stream_.close();
}

void UIHttpSession::readRequest(std::chrono::milliseconds headerTimeout) {
    parser_.emplace();
    parser_->header_limit(kMaxRequestBytes);
    parser_->body_limit(kMaxRequestBytes);
    stream_.expires_after(headerTimeout);
    http::async_read_header(stream_, buffer_, *parser_,
                            [self = shared_from_this()](beast::error_code error, size_t) { self->onHeader(error); });
}

void UIHttpSession::onHeader(beast::error_code error) {
    // Timed out, closed or malformed: the connection ends with the session.
    if (error) return;
    if (isUpload(parser_->get())) parser_->body_limit(UIServer::kMaxUploadBytes);
    stream_.expires_after(state_->options().idleTimeout);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code error, size_t) { self->onBody(error); });
}

void UIHttpSession::onBody(beast::error_code error) {
    if (error) {
        if (error == http::error::body_limit) state_->refuse("an upload over the size limit");
        return;
    }
    request_ = parser_->release();
    parser_.reset();
    route();
}

void UIHttpSession::route() {
    std::string host(request_[http::field::host]);
    if (!state_->isOwnHost(host)) {
        return refuse(http::status::misdirected_request, "a request for host \"" + host + "\"", "unknown host\n");
    }
    if (beast::websocket::is_upgrade(request_)) return upgrade();
    if (isUpload(request_)) return upload();
    if (request_.method() != http::verb::get && request_.method() != http::verb::head) {
        return respond(http::status::method_not_allowed, "text/plain", "method not allowed\n", false);
    }
    std::string target(request_.target());
    std::string path = target.substr(0, target.find('?'));
    if (path.starts_with(kPicturePrefix)) return servePicture(path.substr(kPicturePrefix.size()));
    if (servePublished(path)) return;
    if (path.starts_with(kDownloadPrefix)) return serveDownload(path.substr(kDownloadPrefix.size()));
    serveClientFile(path);
}

void UIHttpSession::serveClientFile(const std::string& path) {
    serveFile(state_->webRoot().find(path == "/" ? "index.html" : path.substr(1)));
}

void UIHttpSession::servePicture(const std::string& name) {
    // Pictures are named with or without ".png" ("Auto@2x", "Transfer.png").
    std::optional<std::filesystem::path> file = state_->resourceRoot().find(name);
    if (!file && name.find('.') == std::string::npos) file = state_->resourceRoot().find(name + ".png");
    serveFile(file);
}

bool UIHttpSession::servePublished(const std::string& path) {
    for (const UIServer::PublishedFile& published : state_->options().publishedFiles) {
        if (published.path != path) continue;
        std::error_code error;
        if (!std::filesystem::exists(published.file, error)) {
            respond(http::status::ok, published.contentType, published.whenMissing, true);
            return true;
        }
        std::optional<std::string> contents = contentsOf(published.file);
        if (!contents) {
            respond(http::status::internal_server_error, "text/plain", "cannot be read\n", true);
            return true;
        }
        respond(http::status::ok, published.contentType, std::move(*contents), true);
        return true;
    }
    return false;
}

void UIHttpSession::serveDownload(const std::string& name) {
    // The page's own link: a navigation from it carries no Origin, so the
    // fetch metadata says whether another site asked.
    std::string site(request_["Sec-Fetch-Site"]);
    if (!site.empty() && site != "same-origin" && site != "none") {
        return refuse(http::status::forbidden, "a download for site \"" + site + "\"", "forbidden\n");
    }
    const DownloadOffer* offered = DownloadOffer::named(name);
    if (offered == nullptr || !isPlainTarget(name)) {
        return respond(http::status::not_found, "text/plain", "not found\n", true);
    }
    attachmentName_ = offered->name;
    respond(http::status::ok, offered->contentType, offered->bytes, true);
}

void UIHttpSession::upload() {
    // Only the page this server served may upload: a foreign page's request
    // carries its own Origin (and a cross-site octet stream would need a
    // preflight this server never answers).
    std::string from(request_[http::field::origin]);
    if (!state_->isOwnOrigin(from) || request_[http::field::content_type] != "application/octet-stream") {
        return refuse(http::status::forbidden, "an upload from origin \"" + from + "\"", "forbidden\n");
    }
    UIEvent event;
    event.kind = UIEvent::Kind::Picture;
    event.target = std::string(request_.target().substr(kUploadPrefix.size()));
    if (!isPlainTarget(event.target)) return respond(http::status::bad_request, "text/plain", "bad target\n", false);
    event.data.assign(request_.body().begin(), request_.body().end());
    request_.body().clear();
    std::string why;
    bool taken = state_->application().handleEvent(event, &why);
    state_->flush();
    if (!taken) return refuse(http::status::conflict, "upload: " + why, why + "\n");
    respond(http::status::no_content, "text/plain", "", false);
}

void UIHttpSession::upgrade() {
    std::string from(request_[http::field::origin]);
    if (request_.target() != "/ws" || !state_->isOwnOrigin(from)) {
        return refuse(http::status::forbidden, "a WebSocket from origin \"" + from + "\"", "forbidden\n");
    }
    handedOver_ = true;
    state_->remove(this);  // the page counts the connection from here on
    auto page = std::make_shared<UIPageSession>(state_, std::move(stream_));
    page->open(std::move(request_));
}

void UIHttpSession::serveFile(const std::optional<std::filesystem::path>& file) {
    std::optional<std::string> contents = file ? contentsOf(*file) : std::nullopt;
    if (!contents) return respond(http::status::not_found, "text/plain", "not found\n", true);
    respond(http::status::ok, UIFileRoot::contentType(*file), std::move(*contents), true);
}

void UIHttpSession::refuse(http::status status, const std::string& why, const std::string& body) {
    state_->refuse(why);
    respond(status, "text/plain", body, false);
}

void UIHttpSession::respond(http::status status, const std::string& type, std::string body, bool keepAlive) {
    response_.emplace(status, 11);
    response_->set(http::field::content_type, type);
    response_->set(http::field::cache_control, "no-store");
    response_->set("X-Content-Type-Options", "nosniff");
    if (!attachmentName_.empty()) {
        response_->set(http::field::content_disposition, "attachment; filename=\"" + attachmentName_ + "\"");
        attachmentName_.clear();
    }
    response_->keep_alive(keepAlive && request_.keep_alive());
    if (request_.method() == http::verb::head) {
        response_->content_length(body.size());  // the length of the body it leaves out
    } else {
        response_->body() = std::move(body);
        response_->prepare_payload();
    }
    stream_.expires_after(state_->options().idleTimeout);
    http::async_write(stream_, *response_,
                      [self = shared_from_this()](beast::error_code error, size_t) { self->onWritten(error); });
}

void UIHttpSession::onWritten(beast::error_code error) {
    if (error) return;
    bool keepAlive = response_->keep_alive();
    response_.reset();
    request_ = {};
    if (keepAlive) return readRequest(state_->options().idleTimeout);
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
}

}  // namespace tallo
