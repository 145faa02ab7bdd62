#include "Platform/ui/UIServerState.h"

#include <cstdio>

#include "Platform/ui/UIHttpSession.h"
#include "Platform/ui/UIPageSession.h"

namespace tallo {

namespace {

UIRateLimitedLog::Sink sinkOf(const UIServer::Options& options) {
    if (options.log) return options.log;
    return [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
}

}  // namespace

UIServerState::UIServerState(Application& application, const UIServer::Options& options)
    : app_(application),
      options_(options),
      webRoot_(options.webRoot),
      resourceRoot_(options.resourceRoot),
      refusals_("refused", options.logRefusals ? sinkOf(options) : nullptr),
      acceptFailures_("could not accept a connection", sinkOf(options)) {}

void UIServerState::setHosts(std::vector<std::string> hosts) {
    hosts_.clear();
    origins_.clear();
    for (std::string& host : hosts) {
        origins_.insert("http://" + host);
        hosts_.insert(std::move(host));
    }
}

bool UIServerState::isOwnHost(std::string_view host) const { return hosts_.find(host) != hosts_.end(); }

bool UIServerState::isOwnOrigin(std::string_view origin) const { return origins_.find(origin) != origins_.end(); }

size_t UIServerState::openPageCount() const {
    size_t count = 0;
    for (const UIPageSession* page : pages_) count += page->isOpen() ? 1 : 0;
    return count;
}

size_t UIServerState::queuedMessageCount() const {
    size_t count = 0;
    for (const UIPageSession* page : pages_) count += page->queuedMessageCount();
    return count;
}

void UIServerState::flush() {
    // Holding each page keeps it alive while the application renders for it.
    std::vector<std::shared_ptr<UIPageSession>> pages;
    for (UIPageSession* page : pages_) {
        if (auto held = page->weak_from_this().lock()) pages.push_back(std::move(held));
    }
    for (const auto& page : pages) page->sendIfChanged();
}

void UIServerState::closeAll() {
    std::vector<std::shared_ptr<UIHttpSession>> requests;
    for (UIHttpSession* session : requests_) {
        if (auto held = session->weak_from_this().lock()) requests.push_back(std::move(held));
    }
    std::vector<std::shared_ptr<UIPageSession>> pages;
    for (UIPageSession* page : pages_) {
        if (auto held = page->weak_from_this().lock()) pages.push_back(std::move(held));
    }
    for (const auto& session : requests) session->close();
    for (const auto& page : pages) page->close();
}

}  // namespace tallo
