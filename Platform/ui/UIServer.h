#pragma once
// UIServer: serves the application's interface to a browser on this machine.
// It answers HTTP requests for the browser client's files (web/) and the
// application's pictures (/res/<name>), and keeps one WebSocket (/ws) per
// open page: the page sends the person's events, the server sends the
// scene whenever it changed (after each event, and after timers changed it).
//
// A local web server can be reached by any web page the person visits, so:
// it listens on 127.0.0.1 unless told otherwise; it answers only requests
// whose Host is its own address (a foreign name pointing here — DNS
// rebinding — is refused); it takes a WebSocket only from a page with its
// own Origin; every event is parsed as untrusted input (Application).
// A picture the page uploads comes as "POST /upload/<target id>" with the
// file's bytes (application/octet-stream, from the page's own Origin, at
// most kMaxUploadBytes) and is handed to the element of that id as a
// Picture event: 204 when it was delivered (the element itself shows
// whether it could use the bytes), 409 with the reason when nothing on the
// screen answers to that id.
// Refusals are written to standard error with their reason.
//
// Runs on the main run loop; main thread only.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tallo {

class Application;

class UIServer {
public:
    struct Options {
        std::string address = "127.0.0.1";
        uint16_t port = 0;  // 0: any free port
        std::string webRoot;  // the folder of the browser client
        std::string resourceRoot;  // pictures under /res/
        bool logRefusals = true;
    };

    static constexpr size_t kMaxUploadBytes = size_t{12} << 20;

    explicit UIServer(Application& application);
    ~UIServer();
    UIServer(const UIServer&) = delete;
    UIServer& operator=(const UIServer&) = delete;

    // Listens; false with the reason when the address cannot be used.
    bool start(const Options& options, std::string* error = nullptr);
    void stop();
    uint16_t port() const;
    // "http://127.0.0.1:<port>/"
    std::string url() const;
    // Sends the scene to every page whose last scene differs.
    void flush();
    // Pages connected now.
    size_t connectionCount() const;
    // Refusals so far (tests).
    size_t refusalCount() const;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace tallo
