#include "Platform/ui/DownloadOffer.h"

#include "Platform/ui/Application.h"

namespace tallo {

namespace {
DownloadOffer& current() {
    static DownloadOffer offered;
    return offered;
}
}  // namespace

void DownloadOffer::offer(DownloadOffer download) { current() = std::move(download); }

const DownloadOffer* DownloadOffer::named(const std::string& name) {
    const DownloadOffer& offered = current();
    if (Application::sharedApplication().isLocked() || offered.name.empty() || offered.name != name) return nullptr;
    return &offered;
}

void DownloadOffer::reset() { current() = DownloadOffer{}; }

}  // namespace tallo
