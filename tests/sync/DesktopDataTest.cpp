// The desktop's store arriving on the device: checked, put in place of the
// store with the old one kept, the store reloaded one second later; and a
// transfer whose connection is lost, or whose store is damaged, changes
// nothing.
#include "Classes/sync/TLStoreReplacement.h"
#include "tests/sync/SyncTestSupport.h"

namespace tallo::test {
namespace {

class DesktopData : public SyncServerTest {
protected:
    DesktopData() {
        pairWith(kLibrary);
        oldStore_ = readBytes(db().urlToSqliteFile());
    }
    ArchiveDictionary merged(Bytes store) {
        return {{"type", "merged"}, {"documentID", kLibrary}, {"dataFileData", std::move(store)}};
    }
    // Sends `message` and waits until the device handled it (the welcome to
    // the identification after it comes back).
    void deliver(sync::SyncPeer& peer, const ArchiveDictionary& message) {
        peer.send(message);
        ASSERT_EQ(exchange(peer, {{"type", "secretcode"}, {"documentID", kLibrary}}),
                  std::string("{documentID=") + kLibrary + ", type=welcome}");
    }
    Bytes oldStore_;
};

TEST_F(DesktopData, AMergedStoreReplacesTheStoreWhichReloadsOneSecondLater) {
    auto peer = connect();
    ArchiveDictionary message = merged(storeWithAccount("Savings"));
    message["fastSyncData"] = bytesOf("fast sync v2");
    message["lastSyncDate"] = Date(1300000000);  // 13 March 2011, 03:06 in New York
    deliver(*peer, message);

    EXPECT_EQ(readBytes(db().urlToSqliteFile()), *message["dataFileData"].asData());
    EXPECT_EQ(readBytes(TLStoreReplacement::previousStorePath()), oldStore_);
    EXPECT_EQ(readBytes(db().urlToFastSyncStore()), bytesOf("fast sync v2"));
    EXPECT_EQ(UserDefaults::standardUserDefaults().dateValue("lastSyncDate"), Date(1300000000));
    EXPECT_EQ(txt()["lastSyncDate"].substr(0, 12), "3/13/11, 3:0");
    EXPECT_EQ(notes_, "");  // not reloaded yet: the old objects stay until then
    EXPECT_TRUE(runUntil([&] { return notes_ == "gotNewDatabase "; }));
    EXPECT_EQ(accountNames(), "Savings ");
    EXPECT_EQ(screen_.log, "tabs idleOn reloadTop ");
}

TEST_F(DesktopData, WithoutALastSyncDateTheStoredDateIsRemoved) {
    UserDefaults::standardUserDefaults().setDate("lastSyncDate", Date(1300000000));
    sync().updateTXTRecordData();
    EXPECT_EQ(txt().count("lastSyncDate"), 1u);
    auto peer = connect();
    deliver(*peer, merged(storeWithAccount("Savings")));
    EXPECT_FALSE(UserDefaults::standardUserDefaults().hasKey("lastSyncDate"));
    EXPECT_EQ(txt().count("lastSyncDate"), 0u);
}

TEST_F(DesktopData, WithoutASecondFileOnlyTheMainStoreIsReplaced) {
    auto peer = connect();
    deliver(*peer, merged(storeWithAccount("Savings")));
    EXPECT_NE(readBytes(db().urlToSqliteFile()), oldStore_);
    EXPECT_EQ(readBytes(db().urlToFastSyncStore()), bytesOf("fast sync v1"));
}

TEST_F(DesktopData, ADamagedStoreIsRefusedAndTheDeviceKeepsItsData) {
    Bytes damaged = storeWithAccount("Savings");
    damaged.resize(damaged.size() / 2);  // torn in the middle
    UserDefaults::standardUserDefaults().setDate("lastSyncDate", Date(1300000000));
    auto peer = connect();
    peer->send({{"type", "datarequest"}, {"documentID", kLibrary}});
    ASSERT_TRUE(peer->receive());
    ArchiveDictionary message = merged(damaged);
    message["fastSyncData"] = bytesOf("fast sync v2");
    deliver(*peer, message);

    EXPECT_EQ(readBytes(db().urlToSqliteFile()), oldStore_);
    EXPECT_EQ(readBytes(db().urlToFastSyncStore()), bytesOf("fast sync v1"));
    EXPECT_FALSE(std::filesystem::exists(TLStoreReplacement::previousStorePath()));
    EXPECT_FALSE(std::filesystem::exists(db().urlToSqliteFile() + ".received"));
    EXPECT_EQ(UserDefaults::standardUserDefaults().dateValue("lastSyncDate"), Date(1300000000));
    EXPECT_EQ(screen_.log,
              "idleOff show alert(Sync failed|The data from Corvane Tallo for Mac is damaged. Nothing on this device "
              "was changed.|OK) hide idleOn ");
    EXPECT_EQ(server().syncSocket(), nullptr);
    RunLoop::main().runFor(1.2);
    EXPECT_EQ(notes_, "syncDidStart ");
    EXPECT_EQ(accountNames(), "Checking ");
}

TEST_F(DesktopData, AStoreOfAnotherProgramIsRefused) {
    TemporaryFolder other;
    std::string path = other.path() + "/other.sqlite";
    std::string command = "sqlite3 " + path + " 'CREATE TABLE notes(text); INSERT INTO notes VALUES (1);'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto peer = connect();
    deliver(*peer, merged(readBytes(path)));
    EXPECT_EQ(readBytes(db().urlToSqliteFile()), oldStore_);
}

TEST_F(DesktopData, AStoreThatPassesTheChecksButDoesNotLoadGivesWayToThePreviousOne) {
    // Sound pages and schema, but an opening balance of "abc": only loading
    // finds it, after the file was put in place.
    TemporaryFolder other;
    std::string path = other.path() + "/unreadable.sqlite";
    writeBytes(path, storeWithAccount("Savings"));
    std::string command = "sqlite3 " + path + " \"UPDATE ZACCOUNT SET ZSTARTINGBALANCE = 'abc'\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto peer = connect();
    deliver(*peer, merged(readBytes(path)));
    EXPECT_EQ(readBytes(db().urlToSqliteFile()), readBytes(path));

    EXPECT_TRUE(runUntil([&] { return notes_ == "gotNewDatabase "; }));
    EXPECT_TRUE(db().hasPersistentStore());
    EXPECT_EQ(readBytes(db().urlToSqliteFile()), oldStore_);
    EXPECT_FALSE(std::filesystem::exists(TLStoreReplacement::previousStorePath()));
    EXPECT_EQ(accountNames(), "Checking ");
    EXPECT_NE(screen_.log.find("alert(Sync failed|The data from Corvane Tallo for Mac cannot be read. This device keeps "
                               "the data it had before the sync.|OK)"),
              std::string::npos)
        << screen_.log;
}

TEST_F(DesktopData, AFullTransferShowsTheOverlayUntilTheStoreArrives) {
    auto peer = connect();
    peer->send({{"type", "datarequest"}, {"documentID", kLibrary}});
    ASSERT_TRUE(peer->receive());
    EXPECT_TRUE(sync().isSyncScreenShown());
    deliver(*peer, merged(storeWithAccount("Savings")));
    EXPECT_EQ(server().syncSocket(), nullptr);
    peer->close();  // closing after the store arrived is no loss
    EXPECT_TRUE(runUntil([&] { return !sync().isSyncScreenShown() && notes_ == "syncDidStart gotNewDatabase "; }));
    EXPECT_EQ(screen_.log, "idleOff show tabs hide idleOn remove reloadTop ");
}

TEST_F(DesktopData, LosingTheConnectionDuringATransferShowsTheAlertAndChangesNothing) {
    auto peer = connect();
    peer->send({{"type", "datarequest"}, {"documentID", kLibrary}});
    ASSERT_TRUE(peer->receive());
    // Half of the merged store arrives, then the desktop is gone.
    Bytes message = KeyedArchiver::archivedDataWithRootObject(merged(storeWithAccount("Savings")));
    message.resize(message.size() / 2);
    peer->sendBytes(message);
    ASSERT_TRUE(peer->flush());
    peer.reset();
    EXPECT_TRUE(runUntil([&] { return server().syncSocket() == nullptr && !sync().isSyncScreenShown(); }));
    EXPECT_EQ(screen_.log,
              "idleOff show alert(Connection lost|Connection to Corvane Tallo for Mac lost. Sync cancelled.|OK) hide "
              "idleOn remove ");
    EXPECT_EQ(readBytes(db().urlToSqliteFile()), oldStore_);
    EXPECT_EQ(readBytes(db().urlToFastSyncStore()), bytesOf("fast sync v1"));
    EXPECT_TRUE(server().clients().empty());
}

TEST_F(DesktopData, LosingAConnectionWithNoTransferIsSilent) {
    auto peer = connect();
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"documentID", kLibrary}}),
              std::string("{documentID=") + kLibrary + ", type=welcome}");
    peer.reset();
    EXPECT_TRUE(runUntil([&] { return server().clients().empty(); }));
    EXPECT_EQ(screen_.log, "");
}

}  // namespace
}  // namespace tallo::test
