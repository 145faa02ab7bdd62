// TLSync: the pairing code, starting and stopping the server, the service
// record it publishes, and the paired library setting.
#include <set>

#include "tests/support/TestEnvironment.h"
#include "tests/sync/SyncTestSupport.h"

namespace tallo::test {
namespace {

using PairingCode = SyncServerTest;

TEST_F(PairingCode, IsFourDecimalDigitsKeptAsTheCurrentCode) {
    std::string code = sync().getSyncCode();
    ASSERT_EQ(code.size(), 4u);
    EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
    EXPECT_EQ(sync().syncCode(), code);
    sync().resetSyncCode();
    EXPECT_EQ(sync().syncCode(), "");
}

TEST_F(PairingCode, CodesMadeInTheSameSecondDiffer) {
    // Seeding a generator with the time made every code of one second the
    // same, so a code could be guessed from the clock.
    ScopedClock frozen(Date(1300000000));
    std::set<std::string> codes;
    for (int i = 0; i < 20; ++i) codes.insert(sync().getSyncCode());
    EXPECT_GT(codes.size(), 10u);
}

TEST_F(PairingCode, EveryDigitTurnsUpInEveryPlace) {
    std::set<char> seen[4];
    for (int i = 0; i < 300; ++i) {
        std::string code = sync().getSyncCode();
        for (int place = 0; place < 4; ++place) seen[place].insert(code[place]);
    }
    for (int place = 0; place < 4; ++place) EXPECT_EQ(seen[place].size(), 10u) << "place " << place;
}

using Server = SyncServerTest;

TEST_F(Server, StartingPublishesTheServiceWithTheDeviceRecord) {
    sync().startBonjour();
    EXPECT_TRUE(sync().bonjourIsRunning());
    NetService* service = server().netService();
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->type(), "_TalloMobile2._tcp.");
    EXPECT_EQ(service->domain(), "local.");
    EXPECT_EQ(service->name(), "3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    EXPECT_NE(server().port(), 0);
    EXPECT_EQ(service->port(), server().port());
    EXPECT_TRUE(service->isPublished());
    auto record = txt();
    EXPECT_EQ(record["deviceName"], "Anna's phone");
    EXPECT_EQ(record["version"], ApplicationHome::version());
    EXPECT_EQ(record.count("documentID"), 0u);
    EXPECT_EQ(record.count("lastSyncDate"), 0u);
}

TEST_F(Server, StartingAgainOnlyRefreshesTheRecord) {
    sync().startBonjour();
    uint16_t port = server().port();
    sync().setLibraryName("LIB-X");
    sync().startBonjour();
    EXPECT_EQ(server().port(), port);
    EXPECT_EQ(MemoryBackend::published, 1);
    EXPECT_EQ(txt()["documentID"], "LIB-X");
}

TEST_F(Server, StartingPairingRemovesTheDocumentFromTheRecord) {
    pairWith("LIB-X");
    EXPECT_EQ(txt()["documentID"], "LIB-X");
    sync().setLibraryName(std::nullopt);  // the Sync screen starts pairing
    sync().setIsSettingNewLibrary(true);
    EXPECT_EQ(txt().count("documentID"), 0u);
    EXPECT_FALSE(UserDefaults::standardUserDefaults().hasKey("desktop_identifier"));
}

TEST_F(Server, PairingHidesThePairedLibraryButKeepsItUntilANewOnePairs) {
    pairWith("LIB-X");
    UserDefaults::standardUserDefaults().setDate("lastSyncDate", Date(1300000000));
    sync().updateTXTRecordData();
    EXPECT_EQ(txt().count("lastSyncDate"), 1u);
    sync().setIsSettingNewLibrary(true);
    sync().setSyncCode("4071");
    EXPECT_EQ(txt().count("documentID"), 0u);
    EXPECT_EQ(txt().count("lastSyncDate"), 0u);
    EXPECT_EQ(sync().libraryName(), "LIB-X");  // a cancel would find it here
    auto peer = connect();
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", "4071"}, {"documentID", "LIB-Y"}}),
              "{documentID=LIB-Y, type=welcome}");
    EXPECT_EQ(sync().libraryName(), "LIB-Y");
    EXPECT_FALSE(sync().isSettingNewLibrary());
    EXPECT_FALSE(UserDefaults::standardUserDefaults().hasKey("lastSyncDate"));  // LIB-X's
    EXPECT_EQ(txt()["documentID"], "LIB-Y");
}

TEST_F(Server, StoppingClosesEveryConnectionAndRestartingListensAfresh) {
    pairWith("LIB-X");
    auto peer = connect();
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"documentID", "LIB-X"}}), "{documentID=LIB-X, type=welcome}");
    sync().stopBonjour();
    EXPECT_FALSE(sync().bonjourIsRunning());
    EXPECT_EQ(sync().bonjourController(), nullptr);
    EXPECT_EQ(MemoryBackend::stopped, 1);
    EXPECT_FALSE(peer->receive());
    EXPECT_EQ(peer->failure(), sync::SyncPeer::Failure::ConnectionLost);

    sync().startBonjour();
    EXPECT_EQ(MemoryBackend::published, 2);
    auto again = connect();
    EXPECT_EQ(exchange(*again, {{"type", "secretcode"}, {"documentID", "LIB-X"}}), "{documentID=LIB-X, type=welcome}");
}

TEST_F(Server, AProgramThatExitsWithTheServerRunningEndsCleanly) {
    // The shared server is destroyed among the exit handlers; its sockets
    // were once closed on a run loop already gone (a use after free that
    // corrupted the heap of every program ending with sync running).
    EXPECT_EXIT(
        {
            pairWith("LIB-X");
            auto peer = connect();
            exchange(*peer, {{"type", "secretcode"}, {"documentID", "LIB-X"}});
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(Server, TheLibraryIsSetOnlyByANonEmptyIdentifier) {
    sync().setLibraryName("");
    EXPECT_FALSE(sync().isLibrarySet());
    sync().setLibraryName("LIB-X");
    EXPECT_TRUE(sync().isLibrarySet());
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("desktop_identifier"), "LIB-X");
    sync().setLibraryName(std::nullopt);
    EXPECT_FALSE(sync().libraryName());
}

TEST_F(Server, TheControllerKeepsItsOwnCopyOfTheLibrary) {
    pairWith("LIB-X");
    // Removing the default (pairing started) does not unpair the running
    // server: its copy changes only with a new pairing.
    sync().setLibraryName(std::nullopt);
    auto peer = connect();
    EXPECT_EQ(exchange(*peer, {{"type", "datarequest"}, {"documentID", "LIB-Y"}}), "{type=wrongcode}");
    EXPECT_EQ(server().libraryName(), "LIB-X");
}

using Lifecycle = SyncServerTest;

TEST_F(Lifecycle, TheServerStartsAtLaunchOnlyWithAPairedLibrary) {
    sync().applicationDidFinishLaunching();
    EXPECT_FALSE(sync().bonjourIsRunning());
    sync().setLibraryName("LIB-X");
    sync().applicationDidFinishLaunching();
    EXPECT_TRUE(sync().bonjourIsRunning());
}

TEST_F(Lifecycle, SwitchedOffNothingListensOrIsPublishedEvenWhenPaired) {
    sync().setSwitchedOff(true);
    sync().setLibraryName("LIB-X");
    sync().applicationDidFinishLaunching();
    sync().startBonjour();
    EXPECT_FALSE(sync().bonjourIsRunning());
    EXPECT_EQ(sync().bonjourController(), nullptr);
    EXPECT_EQ(MemoryBackend::published, 0);
}

TEST_F(Lifecycle, AnIdleServerStopsInTheBackgroundAndComesBackOnANewListener) {
    pairWith("LIB-X");
    auto peer = connect();
    sync().applicationDidEnterBackground();
    EXPECT_FALSE(sync().bonjourIsRunning());
    EXPECT_FALSE(peer->receive());  // its connection went with it
    sync().applicationWillEnterForeground();
    ASSERT_TRUE(sync().bonjourIsRunning());
    EXPECT_EQ(MemoryBackend::published, 2);
    auto again = connect();
    EXPECT_EQ(exchange(*again, {{"type", "secretcode"}, {"documentID", "LIB-X"}}), "{documentID=LIB-X, type=welcome}");
}

TEST_F(Lifecycle, AServerReceivingAMessageKeepsRunningInTheBackground) {
    pairWith("LIB-X");
    auto peer = connect();
    Bytes message = KeyedArchiver::archivedDataWithRootObject({{"type", "secretcode"}, {"documentID", "LIB-X"}});
    peer->sendBytes(Bytes(message.begin(), message.begin() + message.size() / 2));
    ASSERT_TRUE(runUntil([&] { return sync().isSyncing(); }));
    sync().applicationDidEnterBackground();
    EXPECT_TRUE(sync().bonjourIsRunning());
    Bytes rest(message.begin() + message.size() / 2, message.end());
    Bytes end = AsyncSocket::socketMessageEndData();
    rest.insert(rest.end(), end.begin(), end.end());
    peer->sendBytes(rest);
    EXPECT_EQ(describe(peer->receive()), "{documentID=LIB-X, type=welcome}");
}

TEST_F(Lifecycle, AServerStoppedBeforeTheBackgroundStaysStopped) {
    sync().applicationDidEnterBackground();
    sync().applicationWillEnterForeground();
    EXPECT_FALSE(sync().bonjourIsRunning());
}

}  // namespace
}  // namespace tallo::test
