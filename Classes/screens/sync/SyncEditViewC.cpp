#include "Classes/screens/sync/SyncEditViewC.h"

#include "Classes/sync/TLSync.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

SyncEditViewC::SyncEditViewC()
    : dialog_(std::make_shared<PasscodeDialogView>()), serverWasRunning_(TLSync::sharedSync().bonjourIsRunning()) {
    setTitle(L("Set Library"));
    dialog_->setShouldHideContent(true);
    dialog_->setActionLabel(L("Code"));
}

SyncEditViewC::~SyncEditViewC() {
    TLSync& sync = TLSync::sharedSync();
    if (sync.syncEditViewC() == this) sync.setSyncEditViewC(nullptr);
}

std::string SyncEditViewC::hint() {
    return stringWithFormat(L("To set a library, open Tallo on your computer and select \"%@\" in Devices list."),
                            {TLSync::sharedSync().deviceName()});
}

void SyncEditViewC::viewDidLoad() {
    setLeftBarButtonType(TLBarButtonType::Cancel);
    removeRightBarButton();
}

void SyncEditViewC::viewWillAppear(bool) {
    TLSync& sync = TLSync::sharedSync();
    sync.setIsSettingNewLibrary(true);
    showSyncCode(sync.getSyncCode());
    sync.startBonjour();
}

void SyncEditViewC::viewWillDisappear(bool) { TLSync::sharedSync().setIsSettingNewLibrary(false); }

void SyncEditViewC::leftAction() {
    TLSync& sync = TLSync::sharedSync();
    close();
    sync.setIsSettingNewLibrary(false);
    sync.resetSyncCode();
    // The server runs on for the library still paired; an unpaired device,
    // or one whose server was not running, stops it.
    if (!sync.isLibrarySet() || !serverWasRunning_) sync.stopBonjour();
}

void SyncEditViewC::popView() { close(); }

void SyncEditViewC::close() {
    if (closed_) return;
    closed_ = true;
    TLSync& sync = TLSync::sharedSync();
    if (sync.syncEditViewC() == this) sync.setSyncEditViewC(nullptr);
    TLNavigationViewC* syncScreen = modalViewParent;
    TLNavigationViewC::popView();
    if (syncScreen != nullptr) {
        // Back to the screen before Sync, at once.
        bool animated = syncScreen->workAnimated;
        syncScreen->workAnimated = false;
        syncScreen->popView();
        syncScreen->workAnimated = animated;
    }
}

void SyncEditViewC::showSyncCode(const std::string& code) {
    for (size_t i = 0; i < PasscodeDialogView::kFieldCount; ++i) {
        if (i < code.size()) {
            dialog_->field(i).enterText(code.substr(i, 1));
        } else {
            dialog_->field(i).clear();
        }
    }
    dialog_->setMessageLabel(hint());
}

void SyncEditViewC::pairingEnded() {
    for (const auto& field : dialog_->fieldsArray()) field->clear();
    dialog_->setMessageLabel(L("Too many wrong codes: pairing has ended. Cancel, then choose Set New Library to pair."));
}

void SyncEditViewC::renderContent(SceneNode& content, SceneContext& context) {
    SceneNode& panels = content.add(SceneNode("passcode"));
    dialog_->render(panels, context);
}

}  // namespace tallo
