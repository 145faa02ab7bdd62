// The interface server over real sockets on 127.0.0.1: the page and its
// files, the refusals that keep other web pages out, and a WebSocket that
// carries events in and scenes out.

#include "Platform/ui/UIServer.h"

#include <gtest/gtest.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <filesystem>
#include <fstream>

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

class UIServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application::resetSharedApplication();
        Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(std::make_shared<Counter>()));
        std::ofstream(web_.path() + "/index.html") << "<!doctype html><title>Tallo</title>";
        std::ofstream(web_.path() + "/app.js") << "export {};";
        server_ = std::make_unique<UIServer>(Application::sharedApplication());
        UIServer::Options options;
        options.webRoot = web_.path();
        options.resourceRoot = web_.path();
        options.logRefusals = false;
        std::string error;
        ASSERT_TRUE(server_->start(options, &error)) << error;
        host_ = "127.0.0.1:" + std::to_string(server_->port());
    }
    void TearDown() override {
        server_.reset();
        RunLoop::main().runFor(0.05);
        Application::resetSharedApplication();
    }

    // One HTTP GET on the main loop; answers the status and body.
    std::pair<int, std::string> get(const std::string& target, const std::string& host) {
        auto& io = asioContext(RunLoop::main());
        auto stream = std::make_shared<tcp::socket>(io);
        auto request = std::make_shared<http::request<http::empty_body>>(http::verb::get, target, 11);
        request->set(http::field::host, host);
        auto buffer = std::make_shared<beast::flat_buffer>();
        auto response = std::make_shared<http::response<http::string_body>>();
        bool done = false;
        stream->async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), server_->port()), [&, stream](beast::error_code e) {
            if (e) return void(done = true);
            http::async_write(*stream, *request, [&, stream](beast::error_code e2, size_t) {
                if (e2) return void(done = true);
                http::async_read(*stream, *buffer, *response, [&, stream](beast::error_code, size_t) { done = true; });
            });
        });
        RunLoop::main().runUntil([&] { return done; }, 5);
        return {static_cast<int>(response->result_int()), response->body()};
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
    std::unique_ptr<UIServer> server_;
    std::string host_;
};

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

}  // namespace
}  // namespace tallo
