#pragma once
// A real HTTP server on 127.0.0.1 (a free port), on a thread of its own, for
// tests of code that makes web requests. Each request is handed to the
// test's handler, which says how to answer: with a status and a body, not
// at all (the connection stays open until the client gives up), or by
// closing the connection. Each request also wakes the main run loop, so a
// test can run it until a request has arrived.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tallo::test {

class LocalHttpServer {
public:
    struct Answer {
        enum class Kind { Respond, Hang, Close };
        Kind kind = Kind::Respond;
        int status = 200;
        std::string body;
        std::string contentType = "text/csv";
    };
    using Handler = std::function<Answer(const std::string& target)>;

    // Runs `handler` on the server's thread for each request's target
    // ("/d/quotes.csv?s=…").
    explicit LocalHttpServer(Handler handler);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // "http://127.0.0.1:<port>"
    std::string baseURL() const;
    // The targets of the requests received so far, in order.
    std::vector<std::string> targets() const;
    // Each request's header lines, as received ("Name: value"), by request.
    std::vector<std::vector<std::string>> headers() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tallo::test
