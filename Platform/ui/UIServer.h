#pragma once
// UIServer: serves the application's interface to a browser on this machine.
// It answers HTTP requests for the browser client's files (web/) and the
// application's pictures (/res/<name>), and keeps one WebSocket (/ws) per
// open page: the page sends the person's events, the server sends the
// scene whenever it changed (after each event, and after timers changed it).
//
// A local web server can be reached by any web page the person visits, so:
// it listens on 127.0.0.1 unless told otherwise; it answers only requests
// whose Host is one of its own names (a foreign name pointing here — DNS
// rebinding — is refused); it takes a WebSocket only from a page with one of
// its own Origins; every event is parsed as untrusted input (Application).
// Its own names are the address it listens on with its port and, on a
// loopback address, "localhost:<port>". Given 127.0.0.1 or ::1 it listens
// on both loopbacks at the same port (the second only where the machine has
// it and the port is free there), so a page opened at
// http://127.0.0.1:<port>/, http://localhost:<port>/ or
// http://[::1]:<port>/ all work.
// Files are served only from inside the web root and the resource root: a
// file whose real path (symbolic links resolved) lies elsewhere is 404.
// A picture the page uploads comes as "POST /upload/<target id>" with the
// file's bytes (application/octet-stream, from the page's own Origin, at
// most kMaxUploadBytes) and is handed to the element of that id as a
// Picture event: 204 when it was delivered (the element itself shows
// whether it could use the bytes), 409 with the reason when nothing on the
// screen answers to that id.
//
// A published file (a calendar to subscribe to) is answered at its own
// fixed path, GET or HEAD only, with its own Content-Type, read afresh for
// every request; while the file does not exist its stand-in body is sent.
//
// Every peer is bounded: a request's header must arrive within
// headerTimeout, a body or the next request on a kept-alive connection
// within idleTimeout; a page that answers nothing, not even the pings sent
// after half of pageIdleTimeout, is closed after it; at most maxConnections
// are open at once (a connection over it is closed at once and counted as a
// refusal). A page's outgoing queue holds at most the scene being written
// and the newest one waiting. When accepting fails (out of file
// descriptors) the server waits before it tries again instead of spinning.
// Refusals are counted; a line with their number and the last reason is
// written at most once a second.
//
// Runs on the main run loop; main thread only.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tallo {

class Application;

class UIServer {
public:
    struct PublishedFile {
        std::string path;          // the address on this server: "/Calendar.ics"
        std::string file;          // where it is on disk
        std::string contentType;   // "text/calendar; charset=utf-8"
        std::string whenMissing;   // the body while the file does not exist
    };
    struct Options {
        std::string address = "127.0.0.1";
        uint16_t port = 0;  // 0: any free port
        std::string webRoot;  // the folder of the browser client
        std::string resourceRoot;  // pictures under /res/
        std::vector<PublishedFile> publishedFiles;
        bool logRefusals = true;
        // Where the refusal and accept-failure lines go; empty: standard error.
        std::function<void(const std::string& line)> log;
        std::chrono::milliseconds headerTimeout{10'000};
        std::chrono::milliseconds idleTimeout{30'000};
        std::chrono::milliseconds pageIdleTimeout{60'000};
        size_t maxConnections = 64;  // HTTP requests and pages together
    };

    static constexpr size_t kMaxUploadBytes = size_t{12} << 20;

    explicit UIServer(Application& application);
    ~UIServer();
    UIServer(const UIServer&) = delete;
    UIServer& operator=(const UIServer&) = delete;

    // Listens; false with the reason when the address cannot be used.
    bool start(const Options& options, std::string* error = nullptr);
    // Stops listening and closes every connection.
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
    // Connections open now, HTTP requests and pages alike (tests).
    size_t openConnectionCount() const;
    // Scenes being written or waiting, all pages together (tests).
    size_t queuedMessageCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tallo
