// The Sync settings and the pairing screen, used as a person does through
// Settings, with the real desktop peer (tallo-sync, another process) typing
// the code it reads off the rendered screen — over 127.0.0.1 only.

#include "Classes/screens/sync/SyncEditViewC.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "Classes/screens/settings/SettingsViewC.h"
#include "Classes/sync/BonjourController.h"
#include "Classes/sync/TLSync.h"
#include "Platform/netservice/NetService.h"
#include "tests/shell/ScreenTestSupport.h"
#include "tools/sync/SyncPeer.h"

extern char** environ;

namespace tallo::test {
namespace {

// Nothing is published on the network: the record is only kept.
class KeptService : public NetServiceBackend {
public:
    void publish(const NetService&) override {}
    void updateTXTRecord(const NetService&) override {}
    void stop() override {}
};

// The code the pairing screen shows: its boxes' digits in order.
std::string shownCode(const SceneNode& node) {
    if (node.kind() == "passcodefield") {
        const auto* text = node.property("text");
        return text != nullptr ? std::get<std::string>(*text) : "_";
    }
    std::string code;
    for (const SceneNode& child : node.children()) code += shownCode(child);
    return code;
}

class SyncScreens : public ScreenTest {
protected:
    SyncScreens() {
        TLSync::resetSharedSync();
        NetService::setBackendFactory([] { return std::make_unique<KeptService>(); });
        TLSync& s = sync();
        s.setListeningInterface("localhost");
        s.setDeviceName("Anna's phone");
        s.setDeviceIdentifier("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
        auto settings = std::make_shared<SettingsViewC>();
        settings->isRootView = true;
        app().setRootViewController(std::make_shared<NavigationController>(settings));
    }
    ~SyncScreens() override {
        TLSync::resetSharedSync();
        NetService::setBackendFactory({});
    }
    TLSync& sync() { return TLSync::sharedSync(); }
    UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }
    std::string title() {
        SceneNode shown = app().render();
        const SceneNode* bar = shown.findKind("navbar");
        return bar == nullptr ? "" : std::get<std::string>(*bar->property("title"));
    }
    std::map<std::string, std::string> txt() {
        std::map<std::string, std::string> out;
        BonjourController* server = sync().bonjourController();
        if (server == nullptr || server->netService() == nullptr) return out;
        auto record = NetService::dictionaryFromTXTRecordData(server->netService()->TXTRecordData());
        if (record) {
            for (const auto& [key, value] : *record) out[key] = std::string(value.begin(), value.end());
        }
        return out;
    }
    // A device paired with the library LIB-X ("Old books"), synced once, its
    // server running as after a launch.
    void pairedWithOldBooks() {
        auto* checking = static_cast<TLAccount*>(db().createObjectForEntity("Account"));
        checking->setName("Checking");
        db().save();
        sync().setLibraryName("LIB-X");
        defaults().setString("documentName", "Old books");
        defaults().setDate("lastSyncDate", localDate(2011, 3, 1, 9));
        sync().applicationDidFinishLaunching();
    }
    std::string exchange(sync::SyncPeer& peer, const ArchiveDictionary& message) {
        peer.send(message);
        auto reply = peer.receive();
        if (!reply) return "nothing";
        std::string out;
        for (const auto& [key, value] : *reply) out += key + " ";
        return out;
    }

    // tallo-sync with `args` against the device's server; the run loop
    // serves the device meanwhile. Its exit code, its output in `output`.
    int desktop(std::vector<std::string> args, std::string& output) {
        std::vector<std::string> all{TALLO_SYNC_PROGRAM, "--settings", desktopSettings_, "--timeout", "10", "--host",
                                     "127.0.0.1", "--port", std::to_string(sync().bonjourController()->port())};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::string log = folder_.path() + "/desktop.log";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = 0;
        int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 1000 && !ended; ++i) {
            ended = RunLoop::main().runUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 0.02);
        }
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        std::ifstream in(log);
        output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string desktopLibrary() { return UserDefaults(desktopSettings_).stringForKey("documentID"); }

    std::string desktopSettings_ = folder_.path() + "/desk/settings.plist";
};

TEST_F(SyncScreens, AFirstPairingWithTheDesktopTypingTheCodeItReadsOffTheScreen) {
    tap("row:0:2");  // Settings → Sync
    EXPECT_EQ(title(), "Sync");
    std::string unpaired = scene();
    EXPECT_TRUE(has(unpaired, "row#row:0:0 style=\"default\" text=\"Set Library\"")) << unpaired;
    EXPECT_FALSE(has(unpaired, "row#row:0:1")) << unpaired;
    EXPECT_FALSE(sync().bonjourIsRunning());

    tap("row:0:0");
    std::string pairing = scene();
    EXPECT_EQ(title(), "Set Library");
    EXPECT_TRUE(has(pairing, "button#nav:left title=\"Cancel\"")) << pairing;
    EXPECT_TRUE(has(pairing, "dialog action=\"Code\" frame=\"0,0,320,200\" message=\"To set a library, open Tallo on "
                             "your computer and select \\\"Anna's phone\\\" in Devices list.\""))
        << pairing;
    std::string code = shownCode(app().render());
    ASSERT_EQ(code, sync().syncCode());
    ASSERT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
    RunLoop::main().advance(5);  // the digits stay readable
    EXPECT_EQ(shownCode(app().render()), code);
    EXPECT_TRUE(sync().isSettingNewLibrary());
    EXPECT_TRUE(sync().bonjourIsRunning());
    EXPECT_EQ(txt().count("documentID"), 0u);

    std::string output;
    ASSERT_EQ(desktop({"pair", "--code", code, "--name", "Home books"}, output), 0) << output;
    // Paired: the pairing screen and the Sync screen are gone.
    EXPECT_EQ(title(), "Settings");
    EXPECT_EQ(sync().libraryName(), desktopLibrary());
    EXPECT_FALSE(sync().isSettingNewLibrary());
    EXPECT_EQ(sync().syncEditViewC(), nullptr);
    EXPECT_EQ(txt()["documentID"], desktopLibrary());

    tap("row:0:2");
    std::string paired = scene();
    EXPECT_TRUE(has(paired, "row#row:0:0 style=\"default\" text=\"Home books\" textBold=yes")) << paired;
    EXPECT_TRUE(has(paired, "row#row:0:1 style=\"default\" text=\"Set New Library\"")) << paired;
}

TEST_F(SyncScreens, CancellingSetNewLibraryKeepsTheOldLibraryAndItsServer) {
    pairedWithOldBooks();
    uint16_t port = sync().bonjourController()->port();
    tap("row:0:2");
    std::string before = scene();
    EXPECT_TRUE(has(before, "text=\"Old books\"")) << before;
    tap("row:0:1");  // Set New Library
    // Pairing: the service offers the device to any library, but nothing
    // of the old pairing is forgotten yet.
    EXPECT_EQ(txt().count("documentID"), 0u);
    EXPECT_EQ(txt().count("lastSyncDate"), 0u);
    EXPECT_EQ(sync().libraryName(), "LIB-X");

    tap("nav:left");  // Cancel
    EXPECT_EQ(title(), "Settings");
    EXPECT_EQ(sync().libraryName(), "LIB-X");
    EXPECT_EQ(defaults().stringForKey("documentName"), "Old books");
    EXPECT_TRUE(defaults().dateValue("lastSyncDate"));
    EXPECT_FALSE(sync().isSettingNewLibrary());
    EXPECT_TRUE(sync().bonjourIsRunning());
    ASSERT_NE(sync().bonjourController(), nullptr);
    EXPECT_EQ(sync().bonjourController()->port(), port);
    EXPECT_EQ(txt()["documentID"], "LIB-X");
    EXPECT_EQ(txt().count("lastSyncDate"), 1u);

    // The old desktop is still welcome and still gets the device's data.
    sync::SyncPeer oldDesktop(5);
    ASSERT_TRUE(oldDesktop.connect("127.0.0.1", port)) << oldDesktop.lastError();
    EXPECT_EQ(exchange(oldDesktop, {{"type", "secretcode"}, {"documentID", "LIB-X"}, {"documentName", "Old books"}}), "documentID type ");
    EXPECT_EQ(exchange(oldDesktop, {{"type", "datarequest"}, {"documentID", "LIB-X"}}),
              "dataFileData documentID modelData ");
    tap("row:0:2");
    EXPECT_TRUE(has(scene(), "text=\"Old books\"")) << scene();
}

TEST_F(SyncScreens, ANewLibraryReplacesTheOldOneOnlyOnceItHasPaired) {
    pairedWithOldBooks();
    tap("row:0:2");
    tap("row:0:1");
    std::string code = shownCode(app().render());
    std::string output;
    ASSERT_EQ(desktop({"pair", "--code", code, "--name", "New books"}, output), 0) << output;
    EXPECT_EQ(sync().libraryName(), desktopLibrary());
    EXPECT_EQ(defaults().stringForKey("documentName"), "New books");
    EXPECT_FALSE(defaults().dateValue("lastSyncDate"));  // that was the old library's
    EXPECT_EQ(title(), "Settings");
}

TEST_F(SyncScreens, CancellingAFirstPairingLeavesTheDeviceUnpairedAndItsServerStopped) {
    tap("row:0:2");
    tap("row:0:0");
    EXPECT_TRUE(sync().bonjourIsRunning());
    tap("nav:left");
    EXPECT_EQ(title(), "Settings");
    EXPECT_FALSE(sync().isLibrarySet());
    EXPECT_FALSE(sync().bonjourIsRunning());
    EXPECT_EQ(sync().syncCode(), "");
}

TEST_F(SyncScreens, EveryThirdWrongCodeShowsANewCodeAndTheTenthEndsThePairing) {
    tap("row:0:2");
    tap("row:0:0");
    for (int i = 0; i < TLSync::kWrongCodesBeforeNewCode; ++i) sync().wrongCodeReceived();
    std::string second = shownCode(app().render());
    EXPECT_EQ(second, sync().syncCode());
    EXPECT_EQ(second.size(), 4u);
    for (int i = sync().wrongCodeCount(); i < TLSync::kWrongCodesEndingPairing; ++i) sync().wrongCodeReceived();
    std::string ended = scene();
    EXPECT_EQ(shownCode(app().render()), "____");
    EXPECT_TRUE(has(ended, "message=\"Too many wrong codes: pairing has ended. Cancel, then choose Set New Library "
                           "to pair.\""))
        << ended;
    // Opened again: a new code, and pairing works again.
    tap("nav:left");
    tap("row:0:2");
    tap("row:0:0");
    EXPECT_EQ(shownCode(app().render()), sync().syncCode());
    EXPECT_FALSE(sync().hasPairingEnded());
}

}  // namespace
}  // namespace tallo::test
