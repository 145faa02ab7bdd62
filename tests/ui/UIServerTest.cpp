// The interface server over real sockets on 127.0.0.1: the page and its
// files, the refusals that keep other web pages out, and a WebSocket that
// carries events in and scenes out.

#include "Platform/ui/DownloadOffer.h"
#include "Platform/ui/UIServer.h"

#include <gtest/gtest.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "Platform/foundation/RunLoopAsio.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/ImagePickerController.h"
#include "Platform/ui/NavigationController.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

class Counter : public ViewController {
public:
    Counter() {
        setTitle("0");
        navigationItem().rightBarButtonItem = BarButtonItem{"+", "", true, false, [this] { setTitle(std::to_string(++count)); }};
    }
    int count = 0;
};

// A page's WebSocket as the browser holds it, on the main loop: it opens,
// then reads every scene (answering the server's pings as it reads) until
// it is closed. Its handlers hold its state, so a page can go away with
// operations pending.
class TestPage {
public:
    TestPage() : state_(std::make_shared<State>()) {}
    // A page whose socket takes in at most about `bytes` that it has not read.
    explicit TestPage(int bytes) : TestPage() {
        state_->ws.next_layer().open(tcp::v4());
        state_->ws.next_layer().set_option(asio::socket_base::receive_buffer_size(bytes));
    }
    ~TestPage() { close(); }

    // Connects to `address`:`port` as a page at `host` with `origin`;
    // answers whether the server took the WebSocket.
    bool open(const std::string& address, uint16_t port, const std::string& host, const std::string& origin) {
        auto state = state_;
        auto result = std::make_shared<std::optional<beast::error_code>>();
        state->ws.next_layer().async_connect(tcp::endpoint(asio::ip::make_address(address), port), [=](beast::error_code e) {
            if (e) return void(*result = e);
            state->ws.set_option(websocket::stream_base::decorator([origin](websocket::request_type& r) { r.set(http::field::origin, origin); }));
            state->ws.async_handshake(state->answer, host, "/ws", [=](beast::error_code e2) { *result = e2; });
        });
        RunLoop::main().runUntil([&] { return result->has_value(); }, 5);
        return result->has_value() && !result->value();
    }
    void startReading() { read(state_); }
    // Sends `message` after those sent before.
    void send(const std::string& message) {
        state_->outbox.push_back(message);
        if (state_->outbox.size() == 1) write(state_);
    }
    void close() {
        beast::error_code ignored;
        state_->ws.next_layer().close(ignored);
    }
    const std::vector<std::string>& received() const { return state_->received; }
    bool closed() const { return state_->closed; }
    // The status of the server's answer to the upgrade (101: taken).
    int status() const { return static_cast<int>(state_->answer.result_int()); }

private:
    struct State {
        websocket::stream<tcp::socket> ws{asioContext(RunLoop::main())};
        websocket::response_type answer;
        beast::flat_buffer buffer;
        std::vector<std::string> received;
        std::deque<std::string> outbox;
        bool closed = false;
    };
    static void read(std::shared_ptr<State> state) {
        state->ws.async_read(state->buffer, [state](beast::error_code e, size_t) {
            if (e) return void(state->closed = true);
            state->received.push_back(beast::buffers_to_string(state->buffer.data()));
            state->buffer.consume(state->buffer.size());
            read(state);
        });
    }
    static void write(std::shared_ptr<State> state) {
        state->ws.async_write(asio::buffer(state->outbox.front()), [state](beast::error_code e, size_t) {
            if (e) return;
            state->outbox.pop_front();
            if (!state->outbox.empty()) write(state);
        });
    }
    std::shared_ptr<State> state_;
};

// Whether this machine has the IPv6 loopback.
bool hasIPv6Loopback() {
    asio::io_context io;
    tcp::acceptor probe(io);
    beast::error_code error;
    probe.open(tcp::v6(), error);
    if (!error) probe.bind(tcp::endpoint(asio::ip::address_v6::loopback(), 0), error);
    return !error;
}

class UIServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application::resetSharedApplication();
        counter_ = std::make_shared<Counter>();
        Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(counter_));
        std::ofstream(web_.path() + "/index.html") << "<!doctype html><title>Tallo</title>";
        std::ofstream(web_.path() + "/app.js") << "export {};";
        startServer(defaultOptions());
    }
    void TearDown() override {
        server_.reset();
        RunLoop::main().runFor(0.05);
        Application::resetSharedApplication();
    }

    UIServer::Options defaultOptions() const {
        UIServer::Options options;
        options.webRoot = web_.path();
        options.resourceRoot = web_.path();
        options.logRefusals = false;
        return options;
    }
    // Replaces the server with one started with `options`.
    void startServer(const UIServer::Options& options) {
        server_.reset();
        server_ = std::make_unique<UIServer>(Application::sharedApplication());
        std::string error;
        ASSERT_TRUE(server_->start(options, &error)) << error;
        host_ = "127.0.0.1:" + std::to_string(server_->port());
    }

    // One HTTP GET on the main loop to `address`; answers the response
    // (status 0 when none came).
    http::response<http::string_body> fetch(const std::string& target, const std::string& host,
                                              const std::string& address = "127.0.0.1",
                                              const std::vector<std::pair<std::string, std::string>>& headers = {}) {
        auto& io = asioContext(RunLoop::main());
        auto stream = std::make_shared<tcp::socket>(io);
        auto request = std::make_shared<http::request<http::empty_body>>(http::verb::get, target, 11);
        request->set(http::field::host, host);
        for (const auto& [name, value] : headers) request->set(name, value);
        auto buffer = std::make_shared<beast::flat_buffer>();
        auto response = std::make_shared<http::response<http::string_body>>();
        bool done = false;
        stream->async_connect(tcp::endpoint(asio::ip::make_address(address), server_->port()), [&, stream](beast::error_code e) {
            if (e) return void(done = true);
            http::async_write(*stream, *request, [&, stream](beast::error_code e2, size_t) {
                if (e2) return void(done = true);
                http::async_read(*stream, *buffer, *response, [&, stream](beast::error_code, size_t) { done = true; });
            });
        });
        RunLoop::main().runUntil([&] { return done; }, 5);
        return *response;
    }

    // One HTTP GET on the main loop; answers the status and body.
    std::pair<int, std::string> get(const std::string& target, const std::string& host) {
        auto response = fetch(target, host);
        return {static_cast<int>(response.result_int()), response.body()};
    }

    // One HTTP POST of `body` to /upload/<target>; answers the status (0 when
    // the server hung up) and body.
    std::pair<int, std::string> upload(const std::string& target, std::string body, const std::string& origin,
                                       const std::string& type = "application/octet-stream") {
        auto& io = asioContext(RunLoop::main());
        auto stream = std::make_shared<tcp::socket>(io);
        auto request = std::make_shared<http::request<http::string_body>>(http::verb::post, "/upload/" + target, 11);
        request->set(http::field::host, host_);
        request->set(http::field::origin, origin);
        request->set(http::field::content_type, type);
        request->body() = std::move(body);
        request->prepare_payload();
        auto buffer = std::make_shared<beast::flat_buffer>();
        auto response = std::make_shared<http::response<http::string_body>>();
        bool done = false;
        int status = 0;
        stream->async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), server_->port()), [&, stream](beast::error_code e) {
            if (e) return void(done = true);
            http::async_write(*stream, *request, [&, stream](beast::error_code, size_t) {
                http::async_read(*stream, *buffer, *response, [&, stream](beast::error_code e3, size_t) {
                    if (!e3) status = static_cast<int>(response->result_int());
                    done = true;
                });
            });
        });
        RunLoop::main().runUntil([&] { return done; }, 10);
        return {status, response->body()};
    }

    test::TemporaryFolder web_;
    std::shared_ptr<Counter> counter_;
    std::unique_ptr<UIServer> server_;
    std::string host_;
};

TEST_F(UIServerTest, AServerEndedWhileItsFlushIsDueLeavesNothingThatRunsAfterIt) {
    // The flush timer falls due while the loop is busy; the task that ends
    // the server was queued first, so it runs between the timer's expiry and
    // its handler. The handler must not touch the ended server (ASan says
    // when it does).
    for (int round = 0; round < 3; ++round) {
        startServer(defaultOptions());
        RunLoop::main().post([this] { server_.reset(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        RunLoop::main().runFor(0.05);
        EXPECT_EQ(server_, nullptr);
    }
    startServer(defaultOptions());
}

TEST_F(UIServerTest, ThePageAndItsFilesAreServedToItsOwnHostOnly) {
    EXPECT_EQ(get("/", host_), (std::pair<int, std::string>{200, "<!doctype html><title>Tallo</title>"}));
    EXPECT_EQ(get("/app.js", host_).first, 200);
    EXPECT_EQ(get("/app.js", "localhost:" + std::to_string(server_->port())).first, 200);
    EXPECT_EQ(get("/", "attacker.example:" + std::to_string(server_->port())).first, 421);  // DNS rebinding
    EXPECT_EQ(get("/../etc/passwd", host_).first, 404);
    EXPECT_EQ(get("/res/..%2Fapp.js", host_).first, 404);
    EXPECT_EQ(get("/missing.js", host_).first, 404);
    std::ofstream(web_.path() + "/Auto@2x.png") << "png";
    EXPECT_EQ(get("/res/Auto@2x", host_), (std::pair<int, std::string>{200, "png"}));  // a picture named without ".png"

    EXPECT_EQ(server_->refusalCount(), 1u);
}

TEST_F(UIServerTest, AnOfferedExportIsSavedByThePageAndNeverWhileLocked) {
    DownloadOffer::offer({"Checking.qif", "application/qif", "!Type:Bank\nD01/15/2024\nT-54.17\n^\n"});
    auto saved = fetch("/download/Checking.qif", host_, "127.0.0.1", {{"Sec-Fetch-Site", "same-origin"}});
    EXPECT_EQ(saved.result_int(), 200u);
    EXPECT_EQ(saved.body(), "!Type:Bank\nD01/15/2024\nT-54.17\n^\n");
    EXPECT_EQ(saved[http::field::content_disposition], "attachment; filename=\"Checking.qif\"");
    EXPECT_EQ(saved[http::field::content_type], "application/qif");
    EXPECT_EQ(get("/download/Savings.qif", host_).first, 404);  // only what was offered
    EXPECT_EQ(fetch("/download/Checking.qif", host_, "127.0.0.1", {{"Sec-Fetch-Site", "cross-site"}}).result_int(), 403u);
    EXPECT_EQ(get("/download/Checking.qif", "attacker.example:" + std::to_string(server_->port())).first, 421);
    Application::sharedApplication().presentLockScreen(std::make_shared<ViewController>());
    EXPECT_EQ(get("/download/Checking.qif", host_).first, 404);  // nothing of the book while locked
    Application::sharedApplication().dismissLockScreen();
    EXPECT_EQ(get("/download/Checking.qif", host_).first, 200);
    DownloadOffer::reset();
}

TEST_F(UIServerTest, AWebSocketCarriesEventsInAndScenesOut) {
    auto& io = asioContext(RunLoop::main());
    websocket::stream<tcp::socket> ws(io);
    std::vector<std::string> received;
    beast::flat_buffer buffer;
    bool open = false;
    std::function<void()> readNext = [&] {
        ws.async_read(buffer, [&](beast::error_code e, size_t) {
            if (e) return;
            received.push_back(beast::buffers_to_string(buffer.data()));
            buffer.consume(buffer.size());
            readNext();
        });
    };
    ws.next_layer().async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), server_->port()), [&](beast::error_code e) {
        ASSERT_FALSE(e);
        ws.set_option(websocket::stream_base::decorator([&](websocket::request_type& r) {
            r.set(http::field::origin, "http://" + host_);
        }));
        ws.async_handshake(host_, "/ws", [&](beast::error_code e2) {
            ASSERT_FALSE(e2) << e2.message();
            open = true;
            readNext();
        });
    });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return received.size() == 1; }, 5));
    EXPECT_NE(received[0].find(R"("kind":"navbar","title":"0")"), std::string::npos) << received[0];

    std::string tap = R"({"kind":"tap","target":"nav:right"})";
    ws.async_write(asio::buffer(tap), [](beast::error_code, size_t) {});
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return received.size() == 2; }, 5));
    EXPECT_NE(received[1].find(R"("title":"1")"), std::string::npos) << received[1];

    // Nonsense is refused and changes nothing; the page stays connected.
    std::string junk = R"({"kind":"tap","target":"row:9:9"})";
    ws.async_write(asio::buffer(junk), [](beast::error_code, size_t) {});
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->refusalCount() == 1; }, 5));
    EXPECT_EQ(server_->connectionCount(), 1u);
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(UIServerTest, AWebSocketFromAnotherOriginIsRefused) {
    auto& io = asioContext(RunLoop::main());
    websocket::stream<tcp::socket> ws(io);
    bool done = false;
    beast::error_code result;
    ws.next_layer().async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), server_->port()), [&](beast::error_code) {
        ws.set_option(websocket::stream_base::decorator([](websocket::request_type& r) {
            r.set(http::field::origin, "https://some-web-page.example");
        }));
        ws.async_handshake(host_, "/ws", [&](beast::error_code e) {
            result = e;
            done = true;
        });
    });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return done; }, 5));
    EXPECT_TRUE(result);
    EXPECT_EQ(server_->connectionCount(), 0u);
    EXPECT_EQ(server_->refusalCount(), 1u);
}

TEST_F(UIServerTest, AnOversizedEventClosesThePage) {
    auto& io = asioContext(RunLoop::main());
    websocket::stream<tcp::socket> ws(io);
    bool open = false;
    ws.next_layer().async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), server_->port()), [&](beast::error_code) {
        ws.set_option(websocket::stream_base::decorator([&](websocket::request_type& r) { r.set(http::field::origin, "http://" + host_); }));
        ws.async_handshake(host_, "/ws", [&](beast::error_code e) { open = !e; });
    });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return open && server_->connectionCount() == 1; }, 5));
    std::string huge(100 * 1024, 'x');
    ws.async_write(asio::buffer(huge), [](beast::error_code, size_t) {});
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->connectionCount() == 0; }, 5));
    EXPECT_EQ(server_->refusalCount(), 1u);
}

TEST_F(UIServerTest, APictureUploadReachesTheImagePickerFromThePageOnly) {
    auto picker = std::make_shared<ImagePickerController>();
    std::vector<Image> taken;
    picker->didFinishPickingImage = [&](const Image& image) { taken.push_back(image); };
    Application::sharedApplication().setRootViewController(picker);
    Application::sharedApplication().render();  // what the page shows
    Image::Bytes png = Image(3, 2, {9, 8, 7, 255}).encodePNG();
    std::string body(png.begin(), png.end());

    EXPECT_EQ(upload("imagepicker", body, "https://some-web-page.example").first, 403);
    EXPECT_EQ(upload("imagepicker", body, "http://" + host_, "text/plain").first, 403);
    // Delivered, and refused by the picker, which says so on the screen.
    EXPECT_EQ(upload("imagepicker", "GIF89a", "http://" + host_).first, 204);
    EXPECT_EQ(picker->lastError(), "not a PNG or JPEG picture");
    EXPECT_EQ(upload("nothing-here", body, "http://" + host_),
              (std::pair<int, std::string>{409, "nothing on the screen answers to nothing-here\n"}));
    EXPECT_EQ(upload("imagepicker", std::string(UIServer::kMaxUploadBytes + 1, 'x'), "http://" + host_).first, 0);
    EXPECT_TRUE(taken.empty());

    EXPECT_EQ(upload("imagepicker", body, "http://" + host_).first, 204);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].width(), 3);
    EXPECT_EQ(taken[0].pixelAt(0, 0), (Image::Pixel{9, 8, 7, 255}));
}

TEST_F(UIServerTest, FilesAreServedOnlyFromInsideTheirRoots) {
    test::TemporaryFolder outside;
    std::ofstream(outside.path() + "/secret.txt") << "the person's secret";
    std::filesystem::create_symlink(outside.path() + "/secret.txt", web_.path() + "/secret.txt");
    std::filesystem::create_directory_symlink("/", web_.path() + "/root");
    std::filesystem::create_symlink("app.js", web_.path() + "/latest.js");

    EXPECT_EQ(get("/secret.txt", host_).first, 404);
    EXPECT_EQ(get("/res/secret.txt", host_).first, 404);
    EXPECT_EQ(get("/root/etc/passwd", host_).first, 404);
    EXPECT_EQ(get("/res/root/etc/passwd", host_).first, 404);
    // A link to a file of the client itself is that file.
    EXPECT_EQ(get("/latest.js", host_), (std::pair<int, std::string>{200, "export {};"}));
}

TEST_F(UIServerTest, FontsTheManifestAndTheIconGoOutWithTheTypesABrowserTakes) {
    std::filesystem::create_directory(web_.path() + "/fonts");
    for (const char* name : {"fonts/Inter.woff2", "fonts/Inter.woff", "manifest.webmanifest", "favicon.ico"}) {
        std::ofstream(web_.path() + "/" + name) << name;
    }
    auto typeOf = [&](const std::string& target) { return std::string(fetch(target, host_)[http::field::content_type]); };
    EXPECT_EQ(typeOf("/fonts/Inter.woff2"), "font/woff2");
    EXPECT_EQ(typeOf("/fonts/Inter.woff"), "font/woff");
    EXPECT_EQ(typeOf("/manifest.webmanifest"), "application/manifest+json");
    EXPECT_EQ(typeOf("/favicon.ico"), "image/x-icon");
    EXPECT_EQ(typeOf("/"), "text/html; charset=utf-8");
}

TEST_F(UIServerTest, ThePageOpenedAtLocalhostGetsItsWebSocketAndForeignOriginsDoNot) {
    std::string port = std::to_string(server_->port());
    EXPECT_EQ(get("/", "localhost:" + port).first, 200);
    TestPage atLocalhost;
    EXPECT_TRUE(atLocalhost.open("127.0.0.1", server_->port(), "localhost:" + port, "http://localhost:" + port));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->connectionCount() == 1; }, 5));

    TestPage foreign;
    EXPECT_FALSE(foreign.open("127.0.0.1", server_->port(), "localhost:" + port, "http://attacker.example:" + port));
    TestPage otherPort;
    EXPECT_FALSE(otherPort.open("127.0.0.1", server_->port(), "localhost:" + port, "http://localhost:1"));
    TestPage rebound;
    EXPECT_FALSE(rebound.open("127.0.0.1", server_->port(), "attacker.example:" + port, "http://attacker.example:" + port));
    EXPECT_EQ(foreign.status(), 403);
    EXPECT_EQ(otherPort.status(), 403);
    EXPECT_EQ(rebound.status(), 421);
    EXPECT_EQ(server_->connectionCount(), 1u);
    EXPECT_EQ(server_->refusalCount(), 3u);
}

TEST_F(UIServerTest, ThePageOpenedAtTheIPv6LoopbackGetsItsWebSocket) {
    if (!hasIPv6Loopback()) GTEST_SKIP() << "this machine has no ::1";
    // Asked for 127.0.0.1, the server listens on ::1 as well, and the other
    // way round.
    for (const std::string address : {"127.0.0.1", "::1"}) {
        UIServer::Options options = defaultOptions();
        options.address = address;
        startServer(options);
        std::string port = std::to_string(server_->port());
        SCOPED_TRACE(server_->url());

        EXPECT_EQ(fetch("/", "[::1]:" + port, "::1").result_int(), 200u);
        EXPECT_EQ(fetch("/", "127.0.0.1:" + port, "127.0.0.1").result_int(), 200u);
        TestPage atIPv6;
        EXPECT_TRUE(atIPv6.open("::1", server_->port(), "[::1]:" + port, "http://[::1]:" + port));
        TestPage atIPv4;
        EXPECT_TRUE(atIPv4.open("127.0.0.1", server_->port(), "127.0.0.1:" + port, "http://127.0.0.1:" + port));
        TestPage foreign;
        EXPECT_FALSE(foreign.open("::1", server_->port(), "[::1]:" + port, "http://[::2]:" + port));
        EXPECT_EQ(foreign.status(), 403);
        EXPECT_EQ(server_->refusalCount(), 1u);
    }
}

TEST_F(UIServerTest, APageThatReadsNothingHoldsAtMostTwoScenesAndGetsTheNewestLast) {
    TestPage page(64 * 1024);
    ASSERT_TRUE(page.open("127.0.0.1", server_->port(), host_, "http://" + host_));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->queuedMessageCount() == 0; }, 5));

    // 200 scenes of 64 KiB, 12.5 MiB in all, three times what the socket
    // buffers hold (4 MiB to send, 64 KiB to receive), while the page reads
    // nothing.
    std::string padding(64 * 1024, 'x');
    size_t mostQueued = 0;
    for (int count = 1; count <= 200; ++count) {
        counter_->setTitle(std::to_string(count) + padding);
        server_->flush();
        mostQueued = std::max(mostQueued, server_->queuedMessageCount());
        RunLoop::main().runPending();
    }
    EXPECT_LE(mostQueued, 2u);

    // Reading again, the page ends on the newest scene.
    page.startReading();
    auto newest = [&] {
        return !page.received().empty() && page.received().back().find("\"title\":\"200x") != std::string::npos;
    };
    ASSERT_TRUE(RunLoop::main().runUntil(newest, 10));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->queuedMessageCount() == 0; }, 5));
    EXPECT_LT(page.received().size(), 200u);
    RunLoop::main().runFor(0.05);
    EXPECT_TRUE(newest());
}

TEST_F(UIServerTest, APageThatStopsAnsweringIsClosedAndLeavesNothingBehind) {
    UIServer::Options options = defaultOptions();
    options.pageIdleTimeout = std::chrono::milliseconds(200);
    startServer(options);
    TestPage live;
    ASSERT_TRUE(live.open("127.0.0.1", server_->port(), host_, "http://" + host_));
    live.startReading();
    TestPage dead;  // connected, but reads nothing: it answers no ping
    ASSERT_TRUE(dead.open("127.0.0.1", server_->port(), host_, "http://" + host_));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->connectionCount() == 2; }, 5));

    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->connectionCount() == 1; }, 5));
    RunLoop::main().runFor(0.6);  // three more timeouts: the live page answers the pings
    EXPECT_EQ(server_->connectionCount(), 1u);
    EXPECT_FALSE(live.closed());

    live.close();
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->openConnectionCount() == 0; }, 5));
    EXPECT_EQ(server_->connectionCount(), 0u);
    EXPECT_EQ(server_->queuedMessageCount(), 0u);
}

TEST_F(UIServerTest, ASilentConnectionIsClosedAfterTheHeaderTimeoutAndOneOverTheCapAtOnce) {
    UIServer::Options options = defaultOptions();
    options.headerTimeout = std::chrono::milliseconds(200);
    options.idleTimeout = std::chrono::milliseconds(200);
    options.maxConnections = 2;
    startServer(options);
    auto& io = asioContext(RunLoop::main());
    tcp::endpoint server(asio::ip::make_address("127.0.0.1"), server_->port());
    // Seconds from now until the server closes `socket`, read by read.
    auto secondsUntilClosed = [](tcp::socket& socket, double limit) {
        auto start = std::chrono::steady_clock::now();
        bool closed = false;
        std::array<char, 512> data;
        std::function<void()> readMore = [&] {
            socket.async_read_some(asio::buffer(data), [&](beast::error_code e, size_t) { e ? void(closed = true) : readMore(); });
        };
        readMore();
        RunLoop::main().runUntil([&] { return closed; }, limit);
        return closed ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() : -1.0;
    };

    tcp::socket first(io), second(io), third(io);
    first.connect(server);
    second.connect(server);
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->openConnectionCount() == 2; }, 5));
    third.connect(server);
    double thirdClosed = secondsUntilClosed(third, 5);
    EXPECT_GE(thirdClosed, 0.0);
    EXPECT_LT(thirdClosed, 0.15);  // at once, not at the header timeout
    EXPECT_EQ(server_->refusalCount(), 1u);

    EXPECT_GE(secondsUntilClosed(first, 5), 0.0);
    EXPECT_GE(secondsUntilClosed(second, 5), 0.0);
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->openConnectionCount() == 0; }, 5));

    // A kept-alive connection that asks nothing more goes after the idle timeout.
    tcp::socket keptAlive(io);
    keptAlive.connect(server);
    std::string ask = "GET /app.js HTTP/1.1\r\nHost: " + host_ + "\r\n\r\n";
    asio::write(keptAlive, asio::buffer(ask));
    double closed = secondsUntilClosed(keptAlive, 5);
    EXPECT_GE(closed, 0.15);
    EXPECT_EQ(server_->openConnectionCount(), 0u);
}

TEST_F(UIServerTest, RefusedEventsAreCountedAndWrittenAtMostOnceASecondWithTheirNumber) {
    test::ScopedClock clock(test::localDate(2024, 3, 1, 9));
    std::vector<std::string> lines;
    UIServer::Options options = defaultOptions();
    options.logRefusals = true;
    options.log = [&](const std::string& line) { lines.push_back(line); };
    startServer(options);
    TestPage page;
    ASSERT_TRUE(page.open("127.0.0.1", server_->port(), host_, "http://" + host_));

    for (int i = 0; i < 100; ++i) page.send(R"({"kind":"tap","target":"row:9:9"})");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server_->refusalCount() == 100; }, 10));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("tallo: refused 1 time since the last line; the last: event: ", 0), 0u) << lines[0];

    RunLoop::main().advance(1.0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("tallo: refused 99 times since the last line; the last: event: ", 0), 0u) << lines[1];
    RunLoop::main().advance(5.0);
    EXPECT_EQ(lines.size(), 2u);
}

}  // namespace
}  // namespace tallo
