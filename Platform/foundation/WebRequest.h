#pragma once
// WebRequest: one synchronous HTTP GET, for worker threads (never the main
// thread: it blocks until the answer is in or the time is up).
//
// Only http and https are spoken, on the first request and on redirects
// (at most 5 followed). Loopback addresses never go through a proxy; other
// hosts use the proxy of the environment (http_proxy, no_proxy, …) as any
// command-line program does.
//
// An answer counts only when it is complete: a 2xx status, the whole body
// read within the time and no longer than maximumBodyBytes. Anything else —
// no connection, a timeout, an error status, a body too long, a cancel — is a
// failure with a one-line reason, and no body at all.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace tallo {

struct WebRequest {
    std::string url;
    // For the whole exchange, connecting included.
    double timeoutSeconds = 60;
    // Asks caches between here and the server for a fresh answer
    // ("Cache-Control: no-cache"); there is no local cache to skip.
    bool ignoreCaches = false;
    size_t maximumBodyBytes = 16 * 1024 * 1024;
    // Asked now and then while the request runs; true ends it as a failure.
    std::function<bool()> shouldCancel;
};

struct WebResponse {
    std::optional<std::string> body;  // the bytes of a complete answer, as sent
    long statusCode = 0;              // 0 when no HTTP answer came
    std::string error;                // why there is no body; empty when there is
};

// Any thread.
WebResponse sendSynchronousRequest(const WebRequest& request);

}  // namespace tallo
