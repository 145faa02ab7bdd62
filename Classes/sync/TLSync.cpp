#include "Classes/sync/TLSync.h"

#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include "Classes/schedules/TLSchedulerWorkingTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/sync/BonjourController.h"
#include "Platform/foundation/NotificationCenter.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/SharedInstance.h"
#include "Platform/foundation/UserDefaults.h"

namespace tallo {

namespace {

SharedInstance<TLSync> gShared;

constexpr const char* kLibraryKey = "desktop_identifier";
constexpr double kFadeSeconds = 0.3;
constexpr double kReloadDelaySeconds = 1.0;

// One decimal digit, uniform: bytes 250…255 would favour 0…5 and are drawn
// again.
int randomDigit() {
    for (;;) {
        unsigned char byte = 0;
        if (getrandom(&byte, 1, 0) == 1 && byte < 250) return byte % 10;
    }
}

std::string firstLineOf(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "Tallo";
    return name;
}

}  // namespace

TLSync& TLSync::sharedSync() {
    return gShared.get([] { return new TLSync(); });
}

void TLSync::resetSharedSync() {
    if (std::unique_ptr<TLSync> old = gShared.reset()) old->stopBonjour();
}

TLSync::~TLSync() {
    if (removeScreenTimer_ != 0) RunLoop::main().cancel(removeScreenTimer_);
}

void TLSync::startBonjour() {
    if (switchedOff_) return;
    if (!bonjourController_) bonjourController_ = std::make_unique<BonjourController>();
    bonjourController_->startListening();
    bonjourIsRunning_ = true;
}

void TLSync::stopBonjour() {
    bonjourController_.reset();
    bonjourIsRunning_ = false;
}

void TLSync::applicationDidFinishLaunching() {
    if (isLibrarySet()) startBonjour();
}

void TLSync::applicationDidEnterBackground() {
    if (isSyncing_) return;
    runningBeforeBackground_ = bonjourIsRunning_;
    stopBonjour();
}

void TLSync::applicationWillEnterForeground() {
    if (runningBeforeBackground_) startBonjour();
}

std::string TLSync::getSyncCode() {
    syncCode_.clear();
    for (int i = 0; i < 4; ++i) syncCode_ += static_cast<char>('0' + randomDigit());
    return syncCode_;
}

std::optional<std::string> TLSync::libraryName() const {
    return UserDefaults::standardUserDefaults().stringValue(kLibraryKey);
}

void TLSync::setLibraryName(const std::optional<std::string>& name) {
    if (name && !name->empty()) {
        UserDefaults::standardUserDefaults().setString(kLibraryKey, *name);
    } else {
        UserDefaults::standardUserDefaults().removeObjectForKey(kLibraryKey);
    }
}

bool TLSync::isLibrarySet() const {
    auto name = libraryName();
    return name && !name->empty();
}

void TLSync::setIsSettingNewLibrary(bool value) {
    if (value && !isSettingNewLibrary_) wrongCodes_ = 0;
    isSettingNewLibrary_ = value;
    updateTXTRecordData();
}

void TLSync::wrongCodeReceived() {
    if (syncCode_.empty()) return;  // no code to guess: nothing to count
    ++wrongCodes_;
    if (hasPairingEnded()) {
        syncCode_.clear();
        if (syncEditViewC_ != nullptr) syncEditViewC_->pairingEnded();
    } else if (wrongCodes_ % kWrongCodesBeforeNewCode == 0) {
        getSyncCode();
        if (syncEditViewC_ != nullptr) syncEditViewC_->showSyncCode(syncCode_);
    }
}

int32_t TLSync::maximumMessageLength() const {
    if (maximumMessageLength_ > 0) return maximumMessageLength_;
    std::error_code unknown;
    auto size = std::filesystem::file_size(TLDatabase::sharedDatabase().urlToSqliteFile(), unknown);
    int64_t bound = kMessageLengthFloor;
    if (!unknown) bound = std::max<int64_t>(bound, 4 * static_cast<int64_t>(size));
    return static_cast<int32_t>(std::min<int64_t>(bound, std::numeric_limits<int32_t>::max()));
}

void TLSync::updateTXTRecordData() {
    if (bonjourController_) bonjourController_->updateTXTRecordData();
}

void TLSync::correctCodeReceived() {
    if (syncEditViewC_ != nullptr) syncEditViewC_->popView();
}

void TLSync::syncDidStart() {
    NotificationCenter::defaultCenter().postNotification("syncDidStart", this);
    if (removeScreenTimer_ != 0) {
        // Fading out from the last sync: it comes back and stays instead.
        RunLoop::main().cancel(removeScreenTimer_);
        removeScreenTimer_ = 0;
    } else if (syncScreenShown_) {
        return;  // a second request while the overlay is up
    }
    syncScreenShown_ = true;
    if (observer_) observer_->syncShowScreen();
}

void TLSync::syncDidEnd() {
    if (observer_) observer_->syncResetTabs();
    RunLoop::main().performAfterDelay(kReloadDelaySeconds, [] {
        if (TLSync* sync = gShared.existing()) sync->sendNotification();
    });
    removeSyncScreenIfNeeded();
}

void TLSync::sendNotification() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    db.reloadData();
    // A schedule editor open when the sync began may have left its working
    // transaction in the file.
    TLSchedulerWorkingTransaction::removeLeftover();
    if (db.hasPersistentStore() && !db.recoveryNote().empty() && observer_) {
        // The store in place did not load and the opening went back to the
        // one kept from before the sync.
        observer_->syncShowAlert("Sync failed",
                                 "The data from Corvane Tallo for Mac cannot be read. This device keeps the data "
                                 "it had before the sync.",
                                 "OK");
    }
    NotificationCenter::defaultCenter().postNotification("gotNewDatabase", this);
    if (observer_) observer_->syncReloadTopScreen();
}

void TLSync::removeSyncScreenIfNeeded() {
    if (!syncScreenShown_ || removeScreenTimer_ != 0) return;
    if (observer_) observer_->syncHideScreen();
    removeScreenTimer_ = RunLoop::main().performAfterDelay(kFadeSeconds, [] {
        if (TLSync* sync = gShared.existing()) sync->removeScreen();
    });
}

void TLSync::removeScreen() {
    if (removeScreenTimer_ != 0) RunLoop::main().cancel(removeScreenTimer_);
    removeScreenTimer_ = 0;
    if (!syncScreenShown_) return;
    syncScreenShown_ = false;
    if (observer_) observer_->syncRemoveScreen();
}

std::string TLSync::deviceName() const { return deviceName_.empty() ? hostName() : deviceName_; }

std::string TLSync::deviceIdentifier() const {
    if (!deviceIdentifier_.empty()) return deviceIdentifier_;
    std::string id = firstLineOf("/etc/machine-id");
    return id.empty() ? hostName() : id;
}

}  // namespace tallo
