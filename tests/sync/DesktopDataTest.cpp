// The desktop's store arriving on the device: checked, put in place of the
// store with the old one kept, the store reloaded one second later; and a
// transfer whose connection is lost, or whose store is damaged, changes
// nothing.
#include "Classes/sync/TLStoreReplacement.h"

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "Platform/objectstore/SqliteStore.h"
#include "tests/sync/SyncTestSupport.h"

namespace tallo::test {
namespace {

// A store file opened with SQLite itself, to damage it the ways a program
// other than ours could.
class RawStore {
public:
    explicit RawStore(const std::string& path) { EXPECT_EQ(sqlite3_open(path.c_str(), &db_), SQLITE_OK); }
    ~RawStore() { sqlite3_close(db_); }
    void exec(const std::string& sql) {
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << sql << ": " << (message ? message : "");
        sqlite3_free(message);
    }
    std::string text(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char* value = sqlite3_column_text(statement, 0);
            out = value ? reinterpret_cast<const char*>(value) : "";
        }
        sqlite3_finalize(statement);
        EXPECT_FALSE(out.empty()) << sql;
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

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
    // `store` after `sql` ran on it.
    static Bytes withSql(const Bytes& store, const std::string& sql) {
        TemporaryFolder folder;
        std::string path = folder.path() + "/changed.sqlite";
        writeBytes(path, store);
        RawStore(path).exec(sql);
        return readBytes(path);
    }
    // `store` with `index` left out of step with its table: the index is
    // taken out of the schema while `change` runs, then put back with its
    // old pages.
    static Bytes withStaleIndex(const Bytes& store, const std::string& index, const std::string& change) {
        TemporaryFolder folder;
        std::string path = folder.path() + "/stale.sqlite";
        writeBytes(path, store);
        std::string root, sql;
        {
            RawStore raw(path);
            root = raw.text("SELECT rootpage FROM sqlite_master WHERE name = '" + index + "'");
            sql = raw.text("SELECT sql FROM sqlite_master WHERE name = '" + index + "'");
            raw.exec("PRAGMA writable_schema = ON; DELETE FROM sqlite_master WHERE name = '" + index + "'");
        }
        RawStore(path).exec(change);
        RawStore(path).exec("PRAGMA writable_schema = ON; INSERT INTO sqlite_master VALUES ('index', '" + index + "', '" +
                            "ZACCOUNT', " + root + ", '" + sql + "')");
        return readBytes(path);
    }
    // What a refused store leaves: the device's files as they were, nothing
    // beside them, the alert, and the store the device had.
    void expectRefusedAndUnchanged() {
        EXPECT_EQ(readBytes(db().urlToSqliteFile()), oldStore_);
        EXPECT_FALSE(std::filesystem::exists(TLStoreReplacement::previousStorePath()));
        EXPECT_FALSE(std::filesystem::exists(db().urlToSqliteFile() + ".received"));
        EXPECT_NE(screen_.log.find("alert(Sync failed|The data from Corvane Tallo for Mac is damaged."), std::string::npos)
            << screen_.log;
        RunLoop::main().runFor(1.2);
        EXPECT_EQ(notes_, "");  // nothing was reloaded
        EXPECT_EQ(accountNames(), "Checking ");
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
    EXPECT_TRUE(SqliteStore::isUnchangedSinceChecked(db().urlToSqliteFile()))
        << "checked in full on arrival, the new store is not checked again when it opens";
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

TEST_F(DesktopData, AStoreThatDoesNotLoadIsRefusedBeforeItReplacesAnything) {
    // Sound pages and schema, but an opening balance of "abc": only loading
    // finds it.
    Bytes unreadable = withSql(storeWithAccount("Savings"), "UPDATE ZACCOUNT SET ZSTARTINGBALANCE = 'abc'");
    auto peer = connect();
    deliver(*peer, merged(unreadable));
    expectRefusedAndUnchanged();
}

TEST_F(DesktopData, AStoreWhoseIndexDisagreesWithItsTableIsRefused) {
    // Every page is sound (a quick check passes), but the index of the
    // accounts' currencies still holds the old value: the first save that
    // touched the row would fail with "database disk image is malformed".
    Bytes stale = withStaleIndex(storeWithAccount("Savings"), "ZACCOUNT_ZCURRENCY_INDEX", "UPDATE ZACCOUNT SET ZCURRENCY = 7");
    auto peer = connect();
    deliver(*peer, merged(stale));
    expectRefusedAndUnchanged();
}

TEST_F(DesktopData, AStoreMissingATableIsRefused) {
    Bytes incomplete = withSql(storeWithAccount("Savings"), "DROP TABLE ZPAYEE");
    auto peer = connect();
    deliver(*peer, merged(incomplete));
    expectRefusedAndUnchanged();
}

// A process killed at any instant of a replacement leaves a store that
// loads at the next launch: the old one or the new one, never neither.
TEST_F(DesktopData, AKillAtAnyInstantOfAReplacementLeavesAStoreThatLoads) {
    const Bytes incoming = storeWithAccount("Savings");
    std::set<std::string> seen;
    for (int i = 0; i < 12; ++i) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string_view bytes(reinterpret_cast<const char*>(incoming.data()), incoming.size());
            TLStoreReplacement::replaceStoreFiles(bytes, nullptr);
            std::_Exit(0);
        }
        ::usleep(useconds_t(i * 6000));  // 0 to 60 ms into the replacement; the last round ends by itself
        if (i < 11) ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        TLDatabase::resetSharedDatabase();  // the next launch
        ASSERT_TRUE(db().hasPersistentStore()) << "killed after " << i * 6 << " ms: " << db().storeError();
        std::string names = accountNames();
        EXPECT_TRUE(names == "Checking " || names == "Savings ") << names;
        EXPECT_FALSE(std::filesystem::exists(db().urlToSqliteFile() + ".received"));
        seen.insert(names);
        // Back to the old store for the next round.
        TLDatabase::resetSharedDatabase();
        writeBytes(db().urlToSqliteFile(), oldStore_);
        std::filesystem::remove(TLStoreReplacement::previousStorePath());
    }
    EXPECT_EQ(seen.count("Savings "), 1u) << "the replacement that ran to its end did not take";
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
