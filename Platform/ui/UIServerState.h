#pragma once
// UIServerState: what the UI server's listeners and sessions share — the
// application, the options, the server's own host names and origins, the
// two file roots, the open connections and the refusal count. Sessions hold
// it by shared_ptr; it holds the sessions only by plain pointer, each
// session adding itself when made and removing itself when destroyed, so
// nothing of a closed connection stays behind.
//
// Internal to the UI server; main thread only.

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/ui/UIFileRoot.h"
#include "Platform/ui/UIRateLimitedLog.h"
#include "Platform/ui/UIServer.h"

namespace tallo {

class Application;
class UIHttpSession;
class UIPageSession;

class UIServerState {
public:
    UIServerState(Application& application, const UIServer::Options& options);
    UIServerState(const UIServerState&) = delete;
    UIServerState& operator=(const UIServerState&) = delete;

    Application& application() { return app_; }
    const UIServer::Options& options() const { return options_; }
    const UIFileRoot& webRoot() const { return webRoot_; }
    const UIFileRoot& resourceRoot() const { return resourceRoot_; }

    // The Host values this server answers to ("127.0.0.1:8321",
    // "localhost:8321", "[::1]:8321"); its origins are "http://" + each.
    void setHosts(std::vector<std::string> hosts);
    bool isOwnHost(std::string_view host) const;
    bool isOwnOrigin(std::string_view origin) const;

    void add(UIHttpSession* session) { requests_.insert(session); }
    void remove(UIHttpSession* session) { requests_.erase(session); }
    void add(UIPageSession* page) { pages_.insert(page); }
    void remove(UIPageSession* page) { pages_.erase(page); }
    bool hasRoomForConnection() const { return openConnectionCount() < options_.maxConnections; }
    size_t openConnectionCount() const { return requests_.size() + pages_.size(); }
    size_t openPageCount() const;
    size_t queuedMessageCount() const;

    // Sends the scene to every open page whose last scene differs.
    void flush();
    // Closes every connection; each session goes away when its pending
    // operations have ended.
    void closeAll();

    void refuse(const std::string& why) { refusals_.report(why); }
    size_t refusalCount() const { return refusals_.total(); }
    void acceptFailed(const std::string& why) { acceptFailures_.report(why); }

private:
    Application& app_;
    UIServer::Options options_;
    UIFileRoot webRoot_;
    UIFileRoot resourceRoot_;
    std::set<std::string, std::less<>> hosts_;
    std::set<std::string, std::less<>> origins_;
    std::set<UIHttpSession*> requests_;
    std::set<UIPageSession*> pages_;
    UIRateLimitedLog refusals_;
    UIRateLimitedLog acceptFailures_;
};

}  // namespace tallo
