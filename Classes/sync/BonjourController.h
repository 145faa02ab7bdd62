#pragma once
// BonjourController: the sync server. It listens on a TCP port, publishes
// the service "_TalloMobile2._tcp." in "local." with a TXT record that tells
// the desktop who the device is and which library it is paired with, and
// answers the desktop's messages.
//
// Messages are keyed-archived dictionaries, each followed by the 30-byte
// terminator. Each connection is read one message at a time, for as long as
// it stays open; several connections may be open at once.
//
//   "secretcode"   pairs (a four-digit code while pairing) or identifies a
//                  paired library → "welcome", "wrongcode" or no reply
//   "datarequest"  with the paired identifier → the device's store files and
//                  model (the transfer starts)
//   other, with "dataFileData" and the paired identifier → the desktop's
//                  store replaces the device's once it has been checked;
//                  the store reloads one second later
//   anything without the paired identifier → "wrongcode"
//
// Every peer is bounded (TLSync's constants): at most kMaximumClients
// connections, each closed when idle, each message no longer than
// TLSync::maximumMessageLength(); a wrong pairing code is answered after a
// pause, and ten end the pairing. Only the paired library changes stored
// settings; a new library replaces it only once its code was right.
//
// A received store file is written to a temporary file and checked (SQLite
// opens it, its integrity check passes, it is a store of our model) before
// it replaces the store; the replaced file is kept as
// "TalloMobile2.sqlite.previous". A file that fails the check changes
// nothing. Bytes that are not a keyed archive are ignored like an absent
// message, and the connection is read on.
//
// Made and destroyed by TLSync; destroying it closes every connection and
// withdraws the service. Main thread only.

#include <cstdint>
#include <memory>
#include <set>
#include <unordered_map>
#include <string>
#include <vector>

#include "Classes/sync/AsyncSocket.h"
#include "Platform/foundation/ArchiveValue.h"
#include "Platform/netservice/NetService.h"

namespace tallo {

class BonjourController : public AsyncSocketDelegate {
public:
    static constexpr const char* kServiceType = "_TalloMobile2._tcp.";
    static constexpr const char* kServiceDomain = "local.";

    // The library copy comes from TLSync; nothing listens yet.
    BonjourController();
    ~BonjourController() override;
    BonjourController(const BonjourController&) = delete;
    BonjourController& operator=(const BonjourController&) = delete;

    // Listens (once) and publishes the service, or only refreshes its TXT
    // record when it is published already.
    void startListening();
    void updateTXTRecordData();
    // The record as published: "deviceName", "version", "documentID" (only
    // with a library) and "lastSyncDate" (only when set, short date and
    // time in the current locale) — the last two not while pairing.
    NetService::TXTRecord TXTRecordDictionary() const;

    // Queues the read of the next message on `sock`.
    void readFromServer(AsyncSocket& sock);
    // Handles one message; nothing for an absent one. Large data values may
    // be moved out of `message`.
    void dictionaryReceived(ArchiveDictionary* message, AsyncSocket& sock);
    void sendDataFileForSyncToSocket(AsyncSocket& sock);
    void sendWrongCodeToSocket(AsyncSocket& sock);

    NetService* netService() const { return netService_.get(); }
    void setNetService(std::unique_ptr<NetService> service) { netService_ = std::move(service); }
    uint16_t port() const { return port_; }
    void setPort(uint16_t port) { port_ = port; }
    const std::string& libraryName() const { return libraryName_; }
    const std::vector<std::shared_ptr<AsyncSocket>>& clients() const { return clients_; }
    // The connection a transfer is in progress on, or nothing.
    AsyncSocket* syncSocket() const { return syncSocket_.get(); }

    // AsyncSocketDelegate
    void onSocketDidAcceptNewSocket(AsyncSocket& sock, const std::shared_ptr<AsyncSocket>& newSocket) override;
    RunLoop* onSocketWantsRunLoopForNewSocket(AsyncSocket& sock, AsyncSocket& newSocket) override;
    void onSocketDidConnectToHost(AsyncSocket& sock, const std::string& host, uint16_t port) override;
    void onSocketDidReadPartialDataOfLength(AsyncSocket& sock, uint32_t length, int32_t tag) override;
    void onSocketDidReadData(AsyncSocket& sock, Data data, int32_t tag) override;
    double onSocketShouldTimeoutReadWithTag(AsyncSocket& sock, int32_t tag, double elapsed, uint32_t bytesDone) override;
    void onSocketDidDisconnect(AsyncSocket& sock) override;

private:
    void handleSecretCode(const ArchiveDictionary& message, AsyncSocket& sock);
    void pairWithLibrary(const std::string& documentID, const ArchiveDictionary& message, AsyncSocket& sock);
    void sendWelcome(AsyncSocket& sock);
    void receiveDesktopData(ArchiveDictionary& message);
    void endTransfer();
    void answerWrongCodeLater(AsyncSocket& sock);

    std::vector<std::shared_ptr<AsyncSocket>> clients_;
    std::shared_ptr<AsyncSocket> openSocket_;
    uint16_t port_ = 0;
    std::string libraryName_;
    std::unique_ptr<NetService> netService_;
    std::shared_ptr<AsyncSocket> syncSocket_;
    // Bytes of the current read seen at its last idle check, per connection.
    std::unordered_map<const AsyncSocket*, uint32_t> readProgress_;
    // The message just handled was a wrong pairing code.
    bool penalty_ = false;
    std::set<uint64_t> penaltyTimers_;
};

}  // namespace tallo
