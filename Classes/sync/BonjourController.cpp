#include "Classes/sync/BonjourController.h"

#include <algorithm>
#include <cstdio>

#include "Classes/store/TLDatabase.h"
#include "Classes/sync/TLStoreReplacement.h"
#include "Classes/sync/TLSync.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/KeyedArchiver.h"
#include "Platform/foundation/MappedFile.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/UserDefaults.h"

namespace tallo {

namespace {

constexpr const char* kDocumentNameKey = "documentName";
constexpr const char* kLastSyncDateKey = "lastSyncDate";

const std::string* stringFor(const ArchiveDictionary& message, const char* key) {
    auto it = message.find(key);
    return it == message.end() ? nullptr : it->second.asString();
}

NetService::Data utf8(const std::string& text) { return NetService::Data(text.begin(), text.end()); }

void send(AsyncSocket& sock, const ArchiveDictionary& message) {
    sock.sendData(KeyedArchiver::archivedDataWithRootObject(message, AsyncSocket::kSocketMessageEndLength));
}

}  // namespace

BonjourController::BonjourController() : libraryName_(TLSync::sharedSync().libraryName().value_or("")) {}

BonjourController::~BonjourController() {
    for (RunLoop::TimerId timer : penaltyTimers_) RunLoop::main().cancel(timer);
    if (openSocket_) {
        openSocket_->setDelegate(nullptr);
        openSocket_->disconnect();
    }
    for (const auto& client : clients_) {
        client->setDelegate(nullptr);
        client->disconnect();
    }
    clients_.clear();
    if (netService_) netService_->stop();
}

// Listening and publication.

void BonjourController::startListening() {
    if (!openSocket_) {
        openSocket_ = AsyncSocket::create(this);
        // A failure to listen is not reported: the service shows port 0 and
        // no desktop can connect, as on the phone.
        openSocket_->acceptOnInterface(TLSync::sharedSync().listeningInterface(), TLSync::sharedSync().listeningPort());
        port_ = openSocket_->localPort();
    }
    if (netService_) {
        updateTXTRecordData();
        return;
    }
    netService_ = std::make_unique<NetService>(kServiceDomain, kServiceType, TLSync::sharedSync().deviceIdentifier(), port_);
    updateTXTRecordData();
    netService_->publish();
}

NetService::TXTRecord BonjourController::TXTRecordDictionary() const {
    TLSync& sync = TLSync::sharedSync();
    NetService::TXTRecord record;
    record["deviceName"] = utf8(sync.deviceName());
    std::string version = ApplicationHome::version();
    record["version"] = utf8(version.empty() ? "2.1.1" : version);
    // While pairing the device offers itself to any library: the paired one
    // (kept until another pairs) and its last sync are not shown.
    if (sync.isSettingNewLibrary()) return record;
    if (auto library = sync.libraryName(); library && !library->empty()) record["documentID"] = utf8(*library);
    if (auto date = UserDefaults::standardUserDefaults().dateValue(kLastSyncDateKey)) {
        DateFormatter formatter;
        formatter.setDateStyle(DateStyle::Short);
        formatter.setTimeStyle(DateStyle::Short);
        record["lastSyncDate"] = utf8(formatter.stringFromDate(*date));
    }
    return record;
}

void BonjourController::updateTXTRecordData() {
    if (!netService_) return;
    NetService::TXTRecord record = TXTRecordDictionary();
    auto data = NetService::dataFromTXTRecordDictionary(record);
    if (!data) {
        // A device name too long for one entry: publish the rest.
        record.erase("deviceName");
        data = NetService::dataFromTXTRecordDictionary(record);
    }
    if (data) netService_->setTXTRecordData(*data);
}

// Connections.

void BonjourController::onSocketDidAcceptNewSocket(AsyncSocket&, const std::shared_ptr<AsyncSocket>& newSocket) {
    clients_.push_back(newSocket);
}

RunLoop* BonjourController::onSocketWantsRunLoopForNewSocket(AsyncSocket&, AsyncSocket&) { return nullptr; }

void BonjourController::onSocketDidConnectToHost(AsyncSocket& sock, const std::string&, uint16_t) {
    auto it = std::find_if(clients_.begin(), clients_.end(), [&](const auto& s) { return s.get() == &sock; });
    if (it - clients_.begin() >= static_cast<long>(TLSync::kMaximumClients)) {
        sock.disconnect();  // over the cap: closed before anything is read
        return;
    }
    readFromServer(sock);
}

void BonjourController::readFromServer(AsyncSocket& sock) {
    TLSync& sync = TLSync::sharedSync();
    readProgress_[&sock] = 0;
    sock.readDataToData(AsyncSocket::socketMessageEndData(), sync.idleTimeout(), sync.maximumMessageLength(), 0);
}

double BonjourController::onSocketShouldTimeoutReadWithTag(AsyncSocket& sock, int32_t, double, uint32_t bytesDone) {
    // The read's timeout is the idle limit: it is extended as long as bytes
    // keep coming, and while a transfer waits for the desktop's merge.
    double idle = TLSync::sharedSync().idleTimeout();
    if (syncSocket_ && &sock == syncSocket_.get()) return idle;
    uint32_t& seen = readProgress_[&sock];
    if (bytesDone <= seen) return 0;
    seen = bytesDone;
    return idle;
}

void BonjourController::onSocketDidReadPartialDataOfLength(AsyncSocket&, uint32_t, int32_t) {
    TLSync::sharedSync().setIsSyncing(true);
}

void BonjourController::onSocketDidReadData(AsyncSocket& sock, Data data, int32_t) {
    size_t terminator = AsyncSocket::socketMessageEndData().size();
    data.resize(data.size() >= terminator ? data.size() - terminator : 0);
    // Bytes that are not a keyed archive count as no message; the
    // connection stays usable for the next one. Data values (a whole store)
    // are read in place: `data` lives until the message is handled.
    auto message = KeyedArchiver::unarchiveObjectWithData(data, nullptr, KeyedArchiver::DataValues::Borrowed);
    penalty_ = false;
    dictionaryReceived(message ? &*message : nullptr, sock);
    message.reset();
    data = {};
    TLSync::sharedSync().setIsSyncing(false);
    if (penalty_) {
        answerWrongCodeLater(sock);
    } else {
        readFromServer(sock);
    }
}

// A wrong pairing code costs its sender a pause: the answer and the next
// read of that connection come after it.
void BonjourController::answerWrongCodeLater(AsyncSocket& sock) {
    std::weak_ptr<AsyncSocket> weak = sock.shared_from_this();
    auto timer = std::make_shared<RunLoop::TimerId>(0);
    *timer = RunLoop::main().performAfterDelay(TLSync::sharedSync().wrongCodeDelay(), [this, weak, timer] {
        penaltyTimers_.erase(*timer);
        auto socket = weak.lock();
        if (!socket || std::find(clients_.begin(), clients_.end(), socket) == clients_.end()) return;
        sendWrongCodeToSocket(*socket);
        readFromServer(*socket);
    });
    penaltyTimers_.insert(*timer);
}

void BonjourController::onSocketDidDisconnect(AsyncSocket& sock) {
    if (syncSocket_ && &sock == syncSocket_.get()) {
        TLSync& sync = TLSync::sharedSync();
        if (auto* observer = sync.observer()) {
            observer->syncShowAlert("Connection lost", "Connection to Corvane Tallo for Mac lost. Sync cancelled.", "OK");
        }
        sync.removeSyncScreenIfNeeded();
        endTransfer();
    }
    if (openSocket_ && &sock == openSocket_.get()) return;
    readProgress_.erase(&sock);
    sock.setDelegate(nullptr);
    auto it = std::find_if(clients_.begin(), clients_.end(), [&](const auto& s) { return s.get() == &sock; });
    if (it != clients_.end()) clients_.erase(it);
}

// Messages.

void BonjourController::dictionaryReceived(ArchiveDictionary* message, AsyncSocket& sock) {
    if (message == nullptr) return;
    const std::string* type = stringFor(*message, "type");
    if (type != nullptr && *type == "secretcode") {
        handleSecretCode(*message, sock);
        return;
    }
    const std::string* documentID = stringFor(*message, "documentID");
    if (documentID == nullptr || documentID->empty() || *documentID != libraryName_) {
        sendWrongCodeToSocket(sock);
        return;
    }
    if (type != nullptr && *type == "datarequest") {
        sendDataFileForSyncToSocket(sock);
        return;
    }
    if (message->count("dataFileData") == 0) return;
    receiveDesktopData(*message);
}

void BonjourController::handleSecretCode(const ArchiveDictionary& message, AsyncSocket& sock) {
    TLSync& sync = TLSync::sharedSync();
    const std::string* documentID = stringFor(message, "documentID");
    if (!libraryName_.empty() && !sync.isSettingNewLibrary()) {
        // A paired device outside pairing: the identifier alone admits. Only
        // the paired library may rename itself: a stranger's message changes
        // no stored setting.
        if (documentID == nullptr || documentID->empty() || *documentID != libraryName_) return;
        sync.setLibraryName(libraryName_);
        sync.updateTXTRecordData();
        sync.correctCodeReceived();
        sendWelcome(sock);
        const std::string* name = stringFor(message, "documentName");
        UserDefaults::standardUserDefaults().setString(kDocumentNameKey, name ? *name : *documentID);
        return;
    }
    const std::string* code = stringFor(message, "code");
    if (code == nullptr || code->size() != 4 || sync.syncCode().empty() || *code != sync.syncCode()) {
        if (sync.syncCode().empty()) {
            sendWrongCodeToSocket(sock);
        } else {
            sync.wrongCodeReceived();
            penalty_ = true;
        }
        return;
    }
    if (documentID == nullptr) return;
    pairWithLibrary(*documentID, message, sock);
}

void BonjourController::pairWithLibrary(const std::string& documentID, const ArchiveDictionary& message,
                                        AsyncSocket& sock) {
    TLSync& sync = TLSync::sharedSync();
    libraryName_ = documentID;
    // The new library replaces the old one only now: a pairing cancelled
    // leaves the device paired as it was. The last sync was the old one's.
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const std::string* name = stringFor(message, "documentName");
    defaults.setString(kDocumentNameKey, name ? *name : libraryName_);
    defaults.removeObjectForKey(kLastSyncDateKey);
    sync.setLibraryName(libraryName_);
    sync.setIsSettingNewLibrary(false);  // paired: the record shows the library again
    sync.correctCodeReceived();
    sendWelcome(sock);
}

void BonjourController::sendWelcome(AsyncSocket& sock) {
    send(sock, ArchiveDictionary{{"type", "welcome"}, {"documentID", libraryName_}});
}

void BonjourController::sendWrongCodeToSocket(AsyncSocket& sock) { send(sock, ArchiveDictionary{{"type", "wrongcode"}}); }

void BonjourController::sendDataFileForSyncToSocket(AsyncSocket& sock) {
    if (libraryName_.empty()) return;
    TLSync& sync = TLSync::sharedSync();
    if (auto* observer = sync.observer()) observer->syncSetIdleTimerDisabled(true);
    TLDatabase& db = TLDatabase::sharedDatabase();
    ArchiveDictionary message{{"documentID", libraryName_}};
    // The files are mapped, not read: the archive copies each once, from
    // the page cache. Nothing writes them while the message is made.
    std::optional<MappedFile> files[3] = {MappedFile::open(db.urlToSqliteFile()),
                                          MappedFile::open(db.urlToFastSyncStore()),
                                          MappedFile::open(db.urlToCurrentModel())};
    const char* keys[3] = {"dataFileData", "fastSyncData", "modelData"};
    for (int i = 0; i < 3; ++i) {
        if (files[i]) message[keys[i]] = BorrowedData{files[i]->data(), files[i]->size()};
    }
    send(sock, message);
    syncSocket_ = sock.shared_from_this();
    sync.syncDidStart();
}

void BonjourController::receiveDesktopData(ArchiveDictionary& message) {
    TLSync& sync = TLSync::sharedSync();
    std::optional<std::string_view> store = message["dataFileData"].bytes();
    auto fast = message.find("fastSyncData");
    std::optional<std::string_view> fastSync;
    if (fast != message.end()) fastSync = fast->second.bytes();
    std::string error;
    if (!store || !TLStoreReplacement::replaceStoreFiles(*store, fastSync ? &*fastSync : nullptr, &error)) {
        // Nothing was replaced: the device keeps its data and says so.
        std::fprintf(stderr, "tallo: the store from the desktop was not taken: %s\n", error.c_str());
        if (auto* observer = sync.observer()) {
            observer->syncShowAlert("Sync failed",
                                    "The data from Corvane Tallo for Mac is damaged. Nothing on this device was changed.",
                                    "OK");
        }
        sync.removeSyncScreenIfNeeded();
        endTransfer();
        return;
    }
    auto date = message.find(kLastSyncDateKey);
    if (date != message.end() && date->second.asDate() != nullptr) {
        UserDefaults::standardUserDefaults().setDate(kLastSyncDateKey, *date->second.asDate());
    } else {
        UserDefaults::standardUserDefaults().removeObjectForKey(kLastSyncDateKey);
    }
    sync.updateTXTRecordData();
    sync.syncDidEnd();
    endTransfer();
}

void BonjourController::endTransfer() {
    syncSocket_.reset();
    if (auto* observer = TLSync::sharedSync().observer()) observer->syncSetIdleTimerDisabled(false);
}

}  // namespace tallo
