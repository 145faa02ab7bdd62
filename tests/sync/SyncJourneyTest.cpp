// Whole journeys: the device in this process, the desktop peer tallo-sync in
// another, over 127.0.0.1 — pair, pull a backup, change it with the ledger
// operations, push it back, and find the change once the device reloaded.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/sync/TLStoreReplacement.h"
#include "tests/sync/SyncTestSupport.h"

extern char** environ;

namespace tallo::test {
namespace {

struct ToolResult {
    int exitCode = -1;
    std::string output;
};

class SyncJourney : public SyncServerTest {
protected:
    // Runs tallo-sync with `args` against the device, the run loop serving
    // the device meanwhile.
    ToolResult tool(std::vector<std::string> args, bool withDevice = true) {
        std::vector<std::string> all{TALLO_SYNC_PROGRAM, "--settings", settings_, "--timeout", "10"};
        if (withDevice) {
            all.insert(all.end(), {"--host", "127.0.0.1", "--port", std::to_string(server().port())});
        }
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::string log = folder_.path() + "/tool.log";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = 0;
        ToolResult result;
        int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return result;
        int status = 0;
        // A child's end does not wake the loop: look again every 20 ms.
        bool ended = false;
        for (int i = 0; i < 3000 && !ended; ++i) {
            ended = RunLoop::main().runUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 0.02);
        }
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        Bytes text = readBytes(log);
        result.output.assign(text.begin(), text.end());
        return result;
    }

    std::string desktopLibrary() { return UserDefaults(settings_).stringForKey("documentID"); }

    // The desktop's side of a merge: an expense of 42.50 in "Checking",
    // entered through the ledger operations into the pulled store.
    void addExpenseToPulledStore(const std::string& pulledStore) {
        TemporaryFolder desk;
        ApplicationHome previous = ApplicationHome::current();
        ApplicationHome::setCurrent(ApplicationHome(desk.path()));
        std::filesystem::create_directories(desk.path() + "/Documents");
        std::filesystem::copy_file(pulledStore, desk.path() + "/Documents/TalloMobile2.sqlite");
        TLDatabase::resetSharedDatabase();
        TLDatabase& store = TLDatabase::sharedDatabase();
        auto accounts = store.getAllObjectsWithEntityName("Account");
        ASSERT_EQ(accounts.size(), 1u);
        auto* checking = static_cast<TLAccount*>(accounts[0]);
        auto* expense = static_cast<TLTransaction*>(store.createObjectForEntity("Transaction"));
        expense->setAccount(checking);
        expense->copyCurrencyFromAccount();
        expense->changeTypeTo(TLTransactionType::Expense);
        auto* split = static_cast<TLSplit*>(store.createObjectForEntity("Split"));
        split->setTransaction(expense);
        split->changeAmountTo(*Decimal::fromString("42.50"));
        store.save();
        TLDatabase::resetSharedDatabase();
        std::filesystem::copy_file(desk.path() + "/Documents/TalloMobile2.sqlite", pulledStore,
                                   std::filesystem::copy_options::overwrite_existing);
        ApplicationHome::setCurrent(previous);
    }

    std::string checkingBalance() {
        auto accounts = db().getAllObjectsWithEntityName("Account");
        if (accounts.size() != 1) return "accounts: " + std::to_string(accounts.size());
        auto* a = static_cast<TLAccount*>(accounts[0]);
        return a->balance().value_or(Decimal::zero()).toString() + " in " + std::to_string(a->transactions().size());
    }

    std::string settings_ = folder_.path() + "/desk/settings.plist";
};

TEST_F(SyncJourney, PairPullChangePushAndTheDeviceShowsTheChange) {
    sync().setIsSettingNewLibrary(true);
    std::string code = sync().getSyncCode();
    sync().startBonjour();

    ToolResult paired = tool({"pair", "--code", code, "--name", "Home books"});
    ASSERT_EQ(paired.exitCode, 0) << paired.output;
    EXPECT_EQ(sync().libraryName(), desktopLibrary());
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("documentName"), "Home books");
    sync().setIsSettingNewLibrary(false);

    std::string backup = folder_.path() + "/backup";
    ToolResult pulled = tool({"pull", "--out", backup});
    ASSERT_EQ(pulled.exitCode, 0) << pulled.output;
    EXPECT_EQ(readBytes(backup + "/TalloMobile2.sqlite"), readBytes(db().urlToSqliteFile()));
    EXPECT_EQ(readBytes(backup + "/TalloMobile2.fastsyncstore"), bytesOf("fast sync v1"));
    EXPECT_EQ(readBytes(backup + "/Database2.mom"), readBytes(db().urlToCurrentModel()));
    EXPECT_EQ(checkingBalance(), "0 in 0");

    addExpenseToPulledStore(backup + "/TalloMobile2.sqlite");
    writeBytes(backup + "/TalloMobile2.fastsyncstore", bytesOf("fast sync v2"));
    ToolResult pushed = tool({"push", "--store", backup + "/TalloMobile2.sqlite", "--fastsync",
                              backup + "/TalloMobile2.fastsyncstore"});
    ASSERT_EQ(pushed.exitCode, 0) << pushed.output;
    EXPECT_TRUE(runUntil([&] { return notes_.find("gotNewDatabase") != std::string::npos; }));
    EXPECT_EQ(checkingBalance(), "-42.5 in 1");
    EXPECT_EQ(readBytes(db().urlToFastSyncStore()), bytesOf("fast sync v2"));
    EXPECT_TRUE(UserDefaults::standardUserDefaults().hasKey("lastSyncDate"));
}

TEST_F(SyncJourney, AWrongCodeIsToldAndPairsNothing) {
    sync().setIsSettingNewLibrary(true);
    sync().setSyncCode("2468");
    sync().startBonjour();
    ToolResult result = tool({"pair", "--code", "2469"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("wrong code: the device refused 2469"), std::string::npos) << result.output;
    EXPECT_FALSE(sync().isLibrarySet());
}

TEST_F(SyncJourney, ADeviceNotPairedWithThisLibraryIsToldAndNothingIsWritten) {
    pairWith(kLibrary);
    std::string backup = folder_.path() + "/backup";
    ToolResult result = tool({"pull", "--out", backup});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("the device is not paired with this library"), std::string::npos) << result.output;
    EXPECT_FALSE(std::filesystem::exists(backup + "/TalloMobile2.sqlite"));
}

TEST_F(SyncJourney, ADamagedStoreIsRefusedByTheToolAndByTheDevice) {
    pairWith(kLibrary);
    ToolResult identify = tool({"pull", "--out", folder_.path() + "/unused"});
    ASSERT_EQ(identify.exitCode, 1);  // makes the tool's library identifier
    sync().stopBonjour();
    pairWith(desktopLibrary());
    Bytes old = readBytes(db().urlToSqliteFile());
    Bytes damaged = old;
    for (size_t i = 100; i < damaged.size(); i += 7) damaged[i] ^= 0x5A;
    std::string path = folder_.path() + "/damaged.sqlite";
    writeBytes(path, damaged);

    ToolResult checked = tool({"push", "--store", path});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_NE(checked.output.find("is not a sound Tallo store"), std::string::npos) << checked.output;

    ToolResult unchecked = tool({"push", "--store", path, "--no-check"});
    EXPECT_EQ(unchecked.exitCode, 0) << unchecked.output;  // sent; the device decides
    EXPECT_NE(screen_.log.find("alert(Sync failed"), std::string::npos) << screen_.log;
    EXPECT_EQ(readBytes(db().urlToSqliteFile()), old);
    RunLoop::main().runFor(1.2);
    EXPECT_EQ(accountNames(), "Checking ");
}

// A device that takes the request, sends half an answer and is gone.
class VanishingDevice : public AsyncSocketDelegate {
public:
    std::shared_ptr<AsyncSocket> listener = AsyncSocket::create(this);
    std::shared_ptr<AsyncSocket> client;
    void onSocketDidAcceptNewSocket(AsyncSocket&, const std::shared_ptr<AsyncSocket>& s) override { client = s; }
    void onSocketDidConnectToHost(AsyncSocket& s, const std::string&, uint16_t) override {
        s.readDataToData(AsyncSocket::socketMessageEndData(), -1, 0);
    }
    void onSocketDidReadData(AsyncSocket& s, Data, int32_t) override {
        Bytes answer = KeyedArchiver::archivedDataWithRootObject({{"dataFileData", Bytes(400000, 1)}});
        answer.resize(answer.size() / 2);
        s.writeData(answer, -1, 0);
        s.disconnectAfterWriting();
    }
};

TEST_F(SyncJourney, ALostConnectionDuringAPullIsToldAndWritesNoFile) {
    VanishingDevice device;
    ASSERT_TRUE(device.listener->acceptOnInterface("localhost", 0));
    std::string backup = folder_.path() + "/backup";
    ToolResult result = tool({"--host", "127.0.0.1", "--port", std::to_string(device.listener->localPort()), "pull",
                              "--out", backup},
                             false);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("the connection to the device was lost"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("nothing was written"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(backup));
}

}  // namespace
}  // namespace tallo::test
