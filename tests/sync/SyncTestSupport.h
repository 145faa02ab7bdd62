#pragma once
// A sync server in a fresh application home for each test: a saved store
// with one account, a second store file, fresh user defaults, the server
// listening on 127.0.0.1 only, the service kept in memory instead of being
// published, and a recorder of every screen effect. Clients are SyncPeer,
// the desktop end tallo-sync is built on.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Classes/ledger/TLAccount.h"
#include "Classes/sync/BonjourController.h"
#include "Classes/sync/TLSync.h"
#include "Platform/foundation/KeyedArchiver.h"
#include "Platform/foundation/NotificationCenter.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/UserDefaults.h"
#include "Platform/netservice/NetService.h"
#include "tests/store/StoreTestSupport.h"
#include "tools/sync/SyncPeer.h"

namespace tallo::test {

using Bytes = std::vector<uint8_t>;

inline Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A message as it travels: the archive and the terminator.
inline Bytes framed(const ArchiveDictionary& message) {
    Bytes bytes = KeyedArchiver::archivedDataWithRootObject(message);
    Bytes end = AsyncSocket::socketMessageEndData();
    bytes.insert(bytes.end(), end.begin(), end.end());
    return bytes;
}

// A message as one line: "{documentID=X, type=welcome}", data as its size.
inline std::string describe(const std::optional<ArchiveDictionary>& message) {
    if (!message) return "nothing";
    std::ostringstream out;
    out << "{";
    bool first = true;
    for (const auto& [key, value] : *message) {
        out << (first ? "" : ", ") << key << "=";
        first = false;
        if (auto* s = value.asString()) out << *s;
        else if (auto* d = value.asData()) out << "<" << d->size() << " bytes>";
        else if (value.asDate()) out << "<date>";
        else out << "<other>";
    }
    return out.str() + "}";
}

// Every screen effect, one word each, in order.
class ScreenRecorder : public TLSyncObserver, public TLSyncPairingScreen {
public:
    std::string log;
    void syncShowScreen() override { log += "show "; }
    void syncHideScreen() override { log += "hide "; }
    void syncRemoveScreen() override { log += "remove "; }
    void syncResetTabs() override { log += "tabs "; }
    void syncReloadTopScreen() override { log += "reloadTop "; }
    void syncShowAlert(const std::string& title, const std::string& message, const std::string& button) override {
        log += "alert(" + title + "|" + message + "|" + button + ") ";
    }
    void syncSetIdleTimerDisabled(bool disabled) override { log += disabled ? "idleOff " : "idleOn "; }
    void popView() override { log += "popView "; }
    void showSyncCode(const std::string& code) override { log += "code(" + code + ") "; }
    void pairingEnded() override { log += "pairingEnded "; }
};

// Keeps what would be published.
class MemoryBackend : public NetServiceBackend {
public:
    static inline int published = 0;
    static inline int stopped = 0;
    void publish(const NetService&) override { ++published; }
    void updateTXTRecord(const NetService&) override {}
    void stop() override { ++stopped; }
};

class SyncServerTest : public StoreTest {
protected:
    static constexpr const char* kLibrary = "D1B2C3D4-0000-4000-8000-00000000000A";

    SyncServerTest() {
        UserDefaults::resetStandardUserDefaults(folder_.path() + "/Tallo.plist");
        RunLoop::main().reset();
        TLSync::resetSharedSync();
        NetService::setBackendFactory([] { return std::make_unique<MemoryBackend>(); });
        MemoryBackend::published = MemoryBackend::stopped = 0;
        TLSync& s = sync();
        s.setListeningInterface("localhost");
        s.setDeviceName("Anna's phone");
        s.setDeviceIdentifier("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
        s.setObserver(&screen_);
        s.setWrongCodeDelay(0.01);  // the pause itself has a test of its own
        auto* account = static_cast<TLAccount*>(db().createObjectForEntity("Account"));
        account->setName("Checking");
        db().save();
        writeBytes(db().urlToFastSyncStore(), bytesOf("fast sync v1"));
        NotificationCenter::defaultCenter().addObserver(this, "", [this](const Notification& n) {
            if (n.name == "gotNewDatabase" || n.name == "syncDidStart") notes_ += n.name + " ";
        });
    }
    ~SyncServerTest() override {
        NotificationCenter::defaultCenter().removeObserver(this);
        TLSync::resetSharedSync();
        NetService::setBackendFactory({});
        RunLoop::main().reset();
    }

    TLSync& sync() { return TLSync::sharedSync(); }
    BonjourController& server() { return *sync().bonjourController(); }

    void pairWith(const std::string& library) {
        sync().setLibraryName(library);
        sync().startBonjour();
    }

    // A client connected to the running server.
    std::unique_ptr<sync::SyncPeer> connect() {
        auto peer = std::make_unique<sync::SyncPeer>(5);
        EXPECT_TRUE(peer->connect("127.0.0.1", server().port())) << peer->lastError();
        return peer;
    }
    std::string exchange(sync::SyncPeer& peer, const ArchiveDictionary& message) {
        peer.send(message);
        return describe(peer.receive());
    }

    // The TXT record as published, values as text.
    std::map<std::string, std::string> txt() {
        std::map<std::string, std::string> out;
        auto record = NetService::dictionaryFromTXTRecordData(server().netService()->TXTRecordData());
        if (record) {
            for (const auto& [key, value] : *record) out[key] = std::string(value.begin(), value.end());
        }
        return out;
    }

    bool runUntil(const std::function<bool()>& condition, double seconds = 5) {
        return RunLoop::main().runUntil(condition, seconds);
    }

    // A store file of our model with one account of `name`, made in a home of
    // its own.
    Bytes storeWithAccount(const std::string& name) {
        TemporaryFolder other;
        ApplicationHome previous = ApplicationHome::current();
        ApplicationHome::setCurrent(ApplicationHome(other.path()));
        TLDatabase::resetSharedDatabase();
        auto* account = static_cast<TLAccount*>(TLDatabase::sharedDatabase().createObjectForEntity("Account"));
        account->setName(name);
        TLDatabase::sharedDatabase().save();
        Bytes bytes = readBytes(TLDatabase::sharedDatabase().urlToSqliteFile());
        TLDatabase::resetSharedDatabase();
        ApplicationHome::setCurrent(previous);
        return bytes;
    }

    // The account names the device's store shows now.
    std::string accountNames() {
        std::string names;
        for (ManagedObject* o : db().fetchEntityCustom("Account")) {
            names += static_cast<TLAccount*>(o)->name().value_or("?") + " ";
        }
        return names;
    }

    ScreenRecorder screen_;
    std::string notes_;
};

}  // namespace tallo::test
