#pragma once
// SyncEditViewC: the pairing screen. It shows a four-digit code in the boxes
// of a passcode panel (the digits stay readable), the label "Code" and the
// hint naming this device as the desktop lists it. Each time it comes into
// view it draws a new code and makes sure the sync server runs; while it is
// in view the device is pairing (TLSync::isSettingNewLibrary).
//
// It closes when a desktop sends the right code (TLSync calls popView) or
// on "Cancel"; either way the Sync screen under it goes too, so the person
// is back where they opened Sync. Cancelling pairs nothing and changes
// nothing: a paired device stays paired with its library and its server
// keeps running as before; an unpaired one stops its server.
//
// Wrong codes (TLSync): every third puts a new code in the boxes
// (showSyncCode); the tenth ends the pairing, which the screen says until it
// is opened again (pairingEnded).

#include <memory>
#include <string>

#include "Classes/controls/PasscodeDialogView.h"
#include "Classes/shell/TLNavigationViewC.h"
#include "Classes/sync/TLSyncObserver.h"

namespace tallo {

class SyncEditViewC : public TLNavigationViewC, public TLSyncPairingScreen {
public:
    SyncEditViewC();
    ~SyncEditViewC() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    // "Cancel".
    void leftAction() override;

    // TLSyncPairingScreen
    void popView() override;
    void showSyncCode(const std::string& code) override;
    void pairingEnded() override;

    PasscodeDialogView& dialog() { return *dialog_; }
    void renderContent(SceneNode& content, SceneContext& context) override;

    // "To set a library, open Tallo on your computer and select "<this
    // device's name>" in Devices list."
    static std::string hint();

private:
    void close();

    std::shared_ptr<PasscodeDialogView> dialog_;
    bool serverWasRunning_;
    bool closed_ = false;
};

}  // namespace tallo
