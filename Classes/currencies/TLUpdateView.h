#pragma once
// TLUpdateView: the pull-down header of the currencies list that starts a
// rate download and shows how it goes:
//   0 idle     "Pull down to update..."   arrow turned down, no spinner
//   1 armed    "Release to update..."     arrow up
//   2 working  "Updating..."              spinner instead of the arrow
// and a last-update line: "Last updated " with the download time (medium
// date and time) once a request of this run received data, otherwise
// "No connection".
//
// The list reports its scroll position y (negative: pulled down) while the
// person drags and when they let go: beyond 10 points the header arms; back
// above 9 points while still dragging it disarms; let go while armed, it
// starts the download (once — not again while working).

#include <functional>
#include <string>

#include "Platform/ui/SceneNode.h"

namespace tallo {

class TLUpdateView {
public:
    TLUpdateView();

    int state() const { return state_; }
    void setState(int state);
    // Refreshes the last-update line from the currency center.
    void updateDate();
    void showSpiner() { spinnerRunning_ = true; }

    // The list's scroll position while dragging (dragging) or at release.
    void scrollViewDidScroll(double y, bool dragging);
    // What starts a download; the currency center's by default.
    std::function<void()> startDownload;

    const std::string& statusText() const { return status_; }
    const std::string& lastUpdateText() const { return lastUpdate_; }
    bool isArrowTurned() const { return arrowTurned_; }
    bool isSpinnerRunning() const { return spinnerRunning_; }

    void render(SceneNode& into) const;

private:
    int state_ = 0;
    std::string status_;
    std::string lastUpdate_;
    bool arrowTurned_ = true;
    bool spinnerRunning_ = false;
};

}  // namespace tallo
