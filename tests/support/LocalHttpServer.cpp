#include "tests/support/LocalHttpServer.h"

#include <boost/asio/buffer.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>

#include <istream>
#include <thread>

#include "Platform/foundation/RunLoop.h"

namespace tallo::test {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

struct LocalHttpServer::Impl {
    explicit Impl(Handler h) : handler(std::move(h)), acceptor(io, tcp::endpoint(asio::ip::address_v4::loopback(), 0)) {}

    Handler handler;
    asio::io_context io;
    tcp::acceptor acceptor;
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<std::string> targets;
    std::vector<std::vector<std::string>> headers;

    struct Session : std::enable_shared_from_this<Session> {
        Session(Impl& s, tcp::socket sock) : server(s), socket(std::move(sock)) {}
        Impl& server;
        tcp::socket socket;
        asio::streambuf input;
        std::string output;

        void start() {
            auto self = shared_from_this();
            asio::async_read_until(socket, input, "\r\n\r\n", [self](boost::system::error_code error, size_t) {
                if (!error) self->answer();
            });
        }

        void answer() {
            std::istream in(&input);
            std::string method, target, line;
            in >> method >> target;
            std::getline(in, line);  // the rest of the request line
            std::vector<std::string> lines;
            while (std::getline(in, line) && line != "\r") {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                lines.push_back(line);
            }
            {
                std::lock_guard lock(server.mutex);
                server.targets.push_back(target);
                server.headers.push_back(lines);
            }
            // A test running the main loop until a request has come sees it now.
            RunLoop::main().post([] {});
            Answer reply = server.handler(target);
            if (reply.kind == Answer::Kind::Close) {
                boost::system::error_code ignored;
                socket.close(ignored);
                return;
            }
            if (reply.kind == Answer::Kind::Hang) {
                waitForClient();
                return;
            }
            output = "HTTP/1.1 " + std::to_string(reply.status) + " Answer\r\nContent-Type: " + reply.contentType +
                     "\r\nContent-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" +
                     reply.body;
            auto self = shared_from_this();
            asio::async_write(socket, asio::buffer(output), [self](boost::system::error_code, size_t) {
                boost::system::error_code ignored;
                self->socket.shutdown(tcp::socket::shutdown_send, ignored);
                self->waitForClient();
            });
        }

        // Keeps the connection until the client closes it.
        void waitForClient() {
            auto self = shared_from_this();
            socket.async_read_some(asio::buffer(scratch), [self](boost::system::error_code error, size_t) {
                if (!error) self->waitForClient();
            });
        }
        char scratch[512];
    };

    void accept() {
        acceptor.async_accept([this](boost::system::error_code error, tcp::socket socket) {
            if (error) return;
            std::make_shared<Session>(*this, std::move(socket))->start();
            accept();
        });
    }
};

LocalHttpServer::LocalHttpServer(Handler handler) : impl_(std::make_unique<Impl>(std::move(handler))) {
    impl_->accept();
    impl_->thread = std::thread([impl = impl_.get()] { impl->io.run(); });
}

LocalHttpServer::~LocalHttpServer() {
    impl_->io.stop();
    impl_->thread.join();
}

std::string LocalHttpServer::baseURL() const {
    return "http://127.0.0.1:" + std::to_string(impl_->acceptor.local_endpoint().port());
}

std::vector<std::string> LocalHttpServer::targets() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->targets;
}

std::vector<std::vector<std::string>> LocalHttpServer::headers() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->headers;
}

}  // namespace tallo::test
