#pragma once
// TLSync: the state of desktop sync — the pairing code, the paired desktop
// library, whether the server runs and whether a message is being received —
// and the screen effects of a sync. One instance (sharedSync), main thread.
//
// The server itself is the BonjourController, present between startBonjour
// and stopBonjour. The paired library is the "desktop_identifier" user
// default; "documentName" is its display name and "lastSyncDate" the date of
// the last sync the desktop reported.
//
// Screen effects go to the TLSyncObserver the user interface registers; the
// notifications "syncDidStart" (the device's data is on its way) and
// "gotNewDatabase" (a received store was loaded) go to the default centre
// with this object as sender.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Classes/sync/TLSyncObserver.h"

namespace tallo {

class BonjourController;

class TLSync {
public:
    // What one peer may cost the device. The desktop uses one or two
    // connections; a fifth is closed as soon as it opens.
    static constexpr size_t kMaximumClients = 4;
    // A message may be this long, or four times the store file if that is
    // more (the desktop sends back a merged store, which may have grown);
    // a peer that sends more without the terminator is disconnected (error
    // 3). 128 MiB holds a first sync of a library of about 250,000
    // transactions into an empty device.
    static constexpr int64_t kMessageLengthFloor = int64_t{128} << 20;
    // A connection on which no byte arrives for this long is closed, unless
    // a transfer is in progress on it (the desktop is merging).
    static constexpr double kDefaultIdleTimeoutSeconds = 120;
    // Pairing: every third wrong code replaces the code on the screen; the
    // tenth ends the pairing (no code is valid until it is opened again).
    // Each wrong code is answered, and the connection read again, only
    // after a pause, so codes cannot be tried at network speed.
    static constexpr int kWrongCodesBeforeNewCode = 3;
    static constexpr int kWrongCodesEndingPairing = 10;
    static constexpr double kDefaultWrongCodeDelaySeconds = 1.0;

    static TLSync& sharedSync();
    // Tests only: stops the server and forgets the instance.
    static void resetSharedSync();
    ~TLSync();
    TLSync(const TLSync&) = delete;
    TLSync& operator=(const TLSync&) = delete;

    // Starts the server, unless sync is switched off for this run.
    void startBonjour();
    void stopBonjour();
    // The program's --no-sync: nothing listens and nothing is published,
    // whatever is paired.
    bool isSwitchedOff() const { return switchedOff_; }
    void setSwitchedOff(bool off) { switchedOff_ = off; }

    // The application's lifecycle hooks for sync. At launch the server
    // starts when a library is paired. Going to the background stops it
    // unless a message is being received (remembering whether it ran);
    // coming back starts it again — a new listener on a new port and a new
    // service — when it ran before.
    void applicationDidFinishLaunching();
    void applicationDidEnterBackground();
    void applicationWillEnterForeground();

    // A new four-digit pairing code ("0427": leading zeros stay), drawn from
    // the operating system's random source; kept in syncCode.
    std::string getSyncCode();
    void resetSyncCode() { syncCode_.clear(); }
    const std::string& syncCode() const { return syncCode_; }
    void setSyncCode(const std::string& code) { syncCode_ = code; }

    // The paired library's identifier ("desktop_identifier"); nothing or an
    // empty text removes it.
    std::optional<std::string> libraryName() const;
    void setLibraryName(const std::optional<std::string>& name);
    bool isLibrarySet() const;

    // True while the pairing screen is open; every change refreshes the TXT
    // record (it shows no "documentID" and no "lastSyncDate" while pairing).
    // Opening it (true) starts the count of wrong codes afresh. The paired
    // library stays stored while pairing: a new library replaces it only
    // when its code is right (which ends the pairing), so a cancelled
    // pairing leaves the device paired as before.
    bool isSettingNewLibrary() const { return isSettingNewLibrary_; }
    void setIsSettingNewLibrary(bool value);

    // A wrong pairing code arrived while a code was shown: counts it, shows
    // a new code after every kWrongCodesBeforeNewCode, and ends the pairing
    // (the code is emptied, the screen told) at kWrongCodesEndingPairing.
    void wrongCodeReceived();
    int wrongCodeCount() const { return wrongCodes_; }
    bool hasPairingEnded() const { return wrongCodes_ >= kWrongCodesEndingPairing; }

    void updateTXTRecordData();
    // A desktop paired: closes the pairing screen when one is open.
    void correctCodeReceived();

    // Screen effects of a sync.
    void syncDidStart();
    void syncDidEnd();
    void removeSyncScreenIfNeeded();
    void removeScreen();
    // Reloads the store, posts "gotNewDatabase", reloads the top screen.
    void sendNotification();

    TLSyncPairingScreen* syncEditViewC() const { return syncEditViewC_; }
    void setSyncEditViewC(TLSyncPairingScreen* screen) { syncEditViewC_ = screen; }
    bool bonjourIsRunning() const { return bonjourIsRunning_; }
    void setBonjourIsRunning(bool value) { bonjourIsRunning_ = value; }
    bool isSyncing() const { return isSyncing_; }
    void setIsSyncing(bool value) { isSyncing_ = value; }
    bool isSyncScreenShown() const { return syncScreenShown_; }
    BonjourController* bonjourController() const { return bonjourController_.get(); }

    // Not owned; nothing means no screen effects.
    TLSyncObserver* observer() const { return observer_; }
    void setObserver(TLSyncObserver* observer) { observer_ = observer; }

    // The device as the service shows it: its name (the host name unless
    // set) and its stable identifier, the service name (the machine id
    // unless set).
    std::string deviceName() const;
    std::string deviceIdentifier() const;
    void setDeviceName(const std::string& name) { deviceName_ = name; }
    void setDeviceIdentifier(const std::string& identifier) { deviceIdentifier_ = identifier; }

    // Where the server listens: every interface (nothing), or "localhost"
    // for loopback only (tests), or an address.
    const std::optional<std::string>& listeningInterface() const { return listeningInterface_; }
    void setListeningInterface(const std::optional<std::string>& interface) { listeningInterface_ = interface; }
    // The port the server listens on: 0 (the rule) takes any free one.
    uint16_t listeningPort() const { return listeningPort_; }
    void setListeningPort(uint16_t port) { listeningPort_ = port; }
    // The bound for the next message read (see kMessageLengthFloor); a
    // length set here replaces it (tests), 0 returns to the rule.
    int32_t maximumMessageLength() const;
    void setMaximumMessageLength(int32_t length) { maximumMessageLength_ = length; }
    double idleTimeout() const { return idleTimeout_; }
    void setIdleTimeout(double seconds) { idleTimeout_ = seconds; }
    double wrongCodeDelay() const { return wrongCodeDelay_; }
    void setWrongCodeDelay(double seconds) { wrongCodeDelay_ = seconds; }

private:
    TLSync() = default;

    std::string syncCode_;
    bool isSettingNewLibrary_ = false;
    bool switchedOff_ = false;
    std::unique_ptr<BonjourController> bonjourController_;
    bool isSyncing_ = false;
    bool bonjourIsRunning_ = false;
    bool runningBeforeBackground_ = false;
    bool syncScreenShown_ = false;
    uint64_t removeScreenTimer_ = 0;
    TLSyncPairingScreen* syncEditViewC_ = nullptr;
    TLSyncObserver* observer_ = nullptr;
    std::string deviceName_, deviceIdentifier_;
    std::optional<std::string> listeningInterface_;
    uint16_t listeningPort_ = 0;
    int32_t maximumMessageLength_ = 0;
    double idleTimeout_ = kDefaultIdleTimeoutSeconds;
    double wrongCodeDelay_ = kDefaultWrongCodeDelaySeconds;
    int wrongCodes_ = 0;

};

}  // namespace tallo
