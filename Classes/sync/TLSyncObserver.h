#pragma once
// TLSyncObserver: what the user interface does when sync needs the screen.
// TLSync calls it on the main thread; every operation is optional. The
// pairing screen is told separately (TLSyncPairingScreen).

#include <string>

namespace tallo {

class TLSyncObserver {
public:
    virtual ~TLSyncObserver() = default;

    // Show the full-screen sync overlay on top of the root view, 20 points
    // below its top, fading in over 0.3 s.
    virtual void syncShowScreen() {}
    // Fade the overlay out over 0.3 s; syncRemoveScreen follows 0.3 s later.
    virtual void syncHideScreen() {}
    virtual void syncRemoveScreen() {}
    // A new store has arrived: pop the selected tab's and the first tab's
    // navigation stacks to their roots without animation and select the
    // first tab.
    virtual void syncResetTabs() {}
    // The store was reloaded: the top screen of the selected tab reloads
    // its data when it can.
    virtual void syncReloadTopScreen() {}
    // A modal alert with one button ("Connection lost").
    virtual void syncShowAlert(const std::string& title, const std::string& message, const std::string& button) {
        (void)title, (void)message, (void)button;
    }
    // The device must not dim or lock while a transfer runs (true), and may
    // again afterwards (false).
    virtual void syncSetIdleTimerDisabled(bool disabled) { (void)disabled; }
};

// The open pairing screen.
class TLSyncPairingScreen {
public:
    virtual ~TLSyncPairingScreen() = default;
    // Closes itself (back to the screen before Sync).
    virtual void popView() = 0;
    // Wrong codes were tried: shows this new code in place of the old one.
    virtual void showSyncCode(const std::string& code) { (void)code; }
    // Too many wrong codes: no code is valid any more; the screen says so
    // until it is opened again.
    virtual void pairingEnded() {}
};

}  // namespace tallo
