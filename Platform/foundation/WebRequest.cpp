#include "Platform/foundation/WebRequest.h"

#include <curl/curl.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace tallo {

namespace {

// curl_global_init is not safe to run twice at once; the first request of
// the process does it.
void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    const WebRequest* request;
    std::string body;
    bool tooLong = false;
    bool cancelled = false;
};

size_t collectBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->request->maximumBodyBytes) {
        transfer->tooLong = true;
        return 0;  // a short write ends the transfer
    }
    transfer->body.append(data, bytes);
    return bytes;
}

int checkCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->request->shouldCancel && transfer->request->shouldCancel()) {
        transfer->cancelled = true;
        return 1;
    }
    return 0;
}

// The environment's no_proxy with the loopback names added, so a request to
// this machine never leaves it through a proxy.
std::string noProxyList() {
    std::string list = "127.0.0.1,localhost,::1";
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            list += ",";
            list += value;
            break;
        }
    }
    return list;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

WebResponse sendSynchronousRequest(const WebRequest& request) {
    initCurlOnce();
    WebResponse response;
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        response.error = "cannot start a request";
        return response;
    }
    Transfer transfer{&request, {}, false, false};
    std::unique_ptr<curl_slist, ListDeleter> headers;
    if (request.ignoreCaches) {
        curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
        list = curl_slist_append(list, "Pragma: no-cache");
        headers.reset(list);
    }
    long timeoutMs = request.timeoutSeconds > 0 ? std::lround(std::ceil(request.timeoutSeconds * 1000)) : 1;
    std::string noProxy = noProxyList();

    CURL* c = easy.get();
    curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for name look-ups
    curl_easy_setopt(c, CURLOPT_NOPROXY, noProxy.c_str());
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, checkCancel);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    if (headers) curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

    CURLcode result = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response.statusCode);
    if (transfer.tooLong) {
        response.error = "answer longer than " + std::to_string(request.maximumBodyBytes) + " bytes";
    } else if (transfer.cancelled) {
        response.error = "cancelled";
    } else if (result != CURLE_OK) {
        response.error = curl_easy_strerror(result);
    } else if (response.statusCode < 200 || response.statusCode > 299) {
        response.error = "HTTP status " + std::to_string(response.statusCode);
    } else {
        response.body = std::move(transfer.body);
    }
    return response;
}

}  // namespace tallo
