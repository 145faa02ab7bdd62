#pragma once
// DownloadOffer: the one file the program offers the page to save (an
// export). The UI server answers GET /download/<name> with it — to the page
// it served, and never while the lock screen is up. A new offer replaces the
// one before. Main thread only.

#include <string>

namespace tallo {

struct DownloadOffer {
    std::string name;  // "Checking.qif": a plain file name of printable ASCII, no '/', '"' or spaces
    std::string contentType;
    std::string bytes;

    static void offer(DownloadOffer download);
    // The file offered under `name`, or nothing (none, another name, or locked).
    static const DownloadOffer* named(const std::string& name);
    // Tests only: nothing offered.
    static void reset();
};

}  // namespace tallo
