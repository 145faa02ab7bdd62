// The sync server's answers to the desktop's messages, over real sockets on
// 127.0.0.1: pairing, identification, the device's data, the desktop's data
// and the framing of messages on one connection.
#include <sys/socket.h>

#include <chrono>

#include "tests/sync/SyncTestSupport.h"

namespace tallo::test {
namespace {

using Pairing = SyncServerTest;

TEST_F(Pairing, TheShownCodeWithADocumentPairsTheLibraryAndClosesThePairingScreen) {
    sync().startBonjour();
    sync().setSyncEditViewC(&screen_);
    sync().setIsSettingNewLibrary(true);
    sync().setSyncCode("4071");
    EXPECT_EQ(txt().count("documentID"), 0u);
    auto peer = connect();

    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", "4071"}, {"documentID", "LIB-X"}, {"documentName", "Home books"}}),
              "{documentID=LIB-X, type=welcome}");
    EXPECT_EQ(sync().libraryName(), "LIB-X");
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("documentName"), "Home books");
    EXPECT_EQ(txt()["documentID"], "LIB-X");
    EXPECT_EQ(screen_.log, "popView ");
}

TEST_F(Pairing, ACodeWithALeadingZeroMustBeSentWithAllFourDigits) {
    sync().startBonjour();
    sync().setSyncCode("0427");
    auto peer = connect();
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", "427"}, {"documentID", "LIB-X"}}), "{type=wrongcode}");
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", "0427"}, {"documentID", "LIB-X"}}),
              "{documentID=LIB-X, type=welcome}");
    // Without a name the identifier is the display name.
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("documentName"), "LIB-X");
}

TEST_F(Pairing, CodesOfAnotherLengthOrOneWrongDigitAreRefused) {
    sync().startBonjour();
    sync().setSyncCode("5318");
    auto peer = connect();
    for (const char* code : {"531", "53180", "5319", ""}) {
        EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", code}, {"documentID", "LIB-X"}}), "{type=wrongcode}")
            << code;
    }
    EXPECT_FALSE(sync().isLibrarySet());
}

TEST_F(Pairing, NoCodeShownRefusesEveryCode) {
    sync().startBonjour();
    auto peer = connect();
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", "0000"}, {"documentID", "LIB-X"}}), "{type=wrongcode}");
}

TEST_F(Pairing, TheRightCodeWithoutADocumentGetsNoAnswerAndPairsNothing) {
    sync().startBonjour();
    sync().setSyncCode("7702");
    auto peer = connect();
    peer->send({{"type", "secretcode"}, {"code", "7702"}});
    // The next message's answer comes first: the one before had none.
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", "7702"}, {"documentID", "LIB-Z"}}),
              "{documentID=LIB-Z, type=welcome}");
}

TEST_F(Pairing, EveryThirdWrongCodeShowsANewOneAndTheTenthEndsThePairing) {
    sync().startBonjour();
    sync().setSyncEditViewC(&screen_);
    sync().setIsSettingNewLibrary(true);
    sync().setSyncCode("4071");
    auto peer = connect();
    auto tryCode = [&](const char* code) {
        return exchange(*peer, {{"type", "secretcode"}, {"code", code}, {"documentID", "LIB-X"}});
    };
    EXPECT_EQ(tryCode("0000"), "{type=wrongcode}");
    EXPECT_EQ(tryCode("1111"), "{type=wrongcode}");
    EXPECT_EQ(sync().syncCode(), "4071");
    EXPECT_EQ(tryCode("2222"), "{type=wrongcode}");
    std::string second = sync().syncCode();
    EXPECT_EQ(screen_.log, "code(" + second + ") ");
    EXPECT_EQ(second.size(), 4u);
    for (int i = sync().wrongCodeCount(); i < 9; ++i) {
        std::string wrong = sync().syncCode() == "5555" ? "6666" : "5555";
        EXPECT_EQ(tryCode(wrong.c_str()), "{type=wrongcode}");
    }
    EXPECT_EQ(sync().wrongCodeCount(), 9);
    EXPECT_FALSE(sync().hasPairingEnded());
    std::string last = sync().syncCode() == "5555" ? "6666" : "5555";
    EXPECT_EQ(tryCode(last.c_str()), "{type=wrongcode}");
    EXPECT_TRUE(sync().hasPairingEnded());
    EXPECT_TRUE(screen_.log.ends_with("pairingEnded ")) << screen_.log;
    // Ended: even the code that was shown last pairs nothing.
    EXPECT_EQ(sync().syncCode(), "");
    EXPECT_EQ(tryCode(second.c_str()), "{type=wrongcode}");
    EXPECT_FALSE(sync().isLibrarySet());
    // Opening the pairing again starts afresh.
    sync().setIsSettingNewLibrary(false);
    sync().setIsSettingNewLibrary(true);
    sync().setSyncCode("3141");
    EXPECT_EQ(sync().wrongCodeCount(), 0);
    EXPECT_EQ(tryCode("3141"), "{documentID=LIB-X, type=welcome}");
}

TEST_F(Pairing, AWrongCodeIsAnsweredOnlyAfterAPause) {
    sync().setWrongCodeDelay(0.3);
    sync().startBonjour();
    sync().setSyncCode("4071");
    auto peer = connect();
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", "1234"}, {"documentID", "LIB-X"}}), "{type=wrongcode}");
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));
    // The connection is read again after the pause: the right code pairs.
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", "4071"}, {"documentID", "LIB-X"}}),
              "{documentID=LIB-X, type=welcome}");
}

using PairedDevice = SyncServerTest;

TEST_F(PairedDevice, ThePairedIdentifierAloneIsWelcomedWhateverTheCode) {
    pairWith(kLibrary);
    auto peer = connect();
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"code", ""}, {"documentID", kLibrary}}),
              std::string("{documentID=") + kLibrary + ", type=welcome}");
}

TEST_F(PairedDevice, AnotherLibraryGetsNoAnswerAndChangesNoSetting) {
    pairWith(kLibrary);
    UserDefaults::standardUserDefaults().setString("documentName", "Home books");
    auto peer = connect();
    peer->send({{"type", "secretcode"}, {"code", "1234"}, {"documentID", "LIB-Y"}, {"documentName", "Office books"}});
    peer->send({{"type", "secretcode"}, {"code", "1234"}, {"documentID", ""}, {"documentName", "Empty"}});
    peer->send({{"type", "datarequest"}, {"documentID", kLibrary}});
    auto first = peer->receive();  // the device data: nothing came before it
    ASSERT_TRUE(first);
    EXPECT_EQ(first->count("dataFileData"), 1u);
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("documentName"), "Home books");
    EXPECT_EQ(sync().libraryName(), kLibrary);
    // The paired library itself may rename itself.
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"documentID", kLibrary}, {"documentName", "Family books"}}),
              std::string("{documentID=") + kLibrary + ", type=welcome}");
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("documentName"), "Family books");
}

TEST_F(PairedDevice, ADataRequestOnAFreshConnectionSendsTheStoreFilesAndModel) {
    pairWith(kLibrary);
    auto peer = connect();
    peer->send({{"type", "datarequest"}, {"documentID", kLibrary}});
    auto data = peer->receive();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->count("type"), 0u);
    EXPECT_EQ(*data->at("documentID").asString(), kLibrary);
    EXPECT_EQ(*data->at("dataFileData").asData(), readBytes(db().urlToSqliteFile()));
    EXPECT_EQ(*data->at("fastSyncData").asData(), bytesOf("fast sync v1"));
    EXPECT_EQ(*data->at("modelData").asData(), readBytes(db().urlToCurrentModel()));
    // The transfer is under way: overlay up, no dimming, searches told.
    EXPECT_EQ(screen_.log, "idleOff show ");
    EXPECT_EQ(notes_, "syncDidStart ");
    EXPECT_NE(server().syncSocket(), nullptr);
}

TEST_F(PairedDevice, AFileThatCannotBeReadIsLeftOutOfTheDeviceData) {
    pairWith(kLibrary);
    std::filesystem::remove(db().urlToFastSyncStore());
    auto peer = connect();
    peer->send({{"type", "datarequest"}, {"documentID", kLibrary}});
    auto data = peer->receive();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->count("fastSyncData"), 0u);
    EXPECT_EQ(data->count("dataFileData"), 1u);
}

TEST_F(PairedDevice, MessagesWithoutThePairedIdentifierAreAnsweredWithWrongCode) {
    pairWith(kLibrary);
    auto peer = connect();
    EXPECT_EQ(exchange(*peer, {{"type", "datarequest"}, {"documentID", "LIB-Y"}}), "{type=wrongcode}");
    EXPECT_EQ(exchange(*peer, {{"type", "datarequest"}}), "{type=wrongcode}");
    EXPECT_EQ(exchange(*peer, {{"type", "merged"}, {"documentID", ""}, {"dataFileData", bytesOf("x")}}),
              "{type=wrongcode}");
    EXPECT_EQ(screen_.log, "");
}

TEST_F(PairedDevice, DesktopDataWithoutAStoreFileIsIgnored) {
    pairWith(kLibrary);
    UserDefaults::standardUserDefaults().setDate("lastSyncDate", Date(1300000000));
    Bytes before = readBytes(db().urlToSqliteFile());
    auto peer = connect();
    peer->send({{"type", "merged"}, {"documentID", kLibrary}, {"fastSyncData", bytesOf("fast sync v2")}});
    EXPECT_EQ(exchange(*peer, {{"type", "secretcode"}, {"documentID", kLibrary}}),
              std::string("{documentID=") + kLibrary + ", type=welcome}");
    EXPECT_EQ(readBytes(db().urlToSqliteFile()), before);
    EXPECT_EQ(readBytes(db().urlToFastSyncStore()), bytesOf("fast sync v1"));
    EXPECT_TRUE(UserDefaults::standardUserDefaults().hasKey("lastSyncDate"));
}

using Framing = SyncServerTest;

TEST_F(Framing, TwoMessagesInOneWriteAreBothAnsweredInOrder) {
    pairWith(kLibrary);
    auto peer = connect();
    Bytes both = framed({{"type", "datarequest"}, {"documentID", "LIB-Y"}});
    Bytes second = framed({{"type", "secretcode"}, {"documentID", kLibrary}});
    both.insert(both.end(), second.begin(), second.end());
    peer->sendBytes(both);
    EXPECT_EQ(describe(peer->receive()), "{type=wrongcode}");
    EXPECT_EQ(describe(peer->receive()), std::string("{documentID=") + kLibrary + ", type=welcome}");
}

TEST_F(Framing, BytesThatAreNotAMessageAreSkippedAndTheConnectionReadsOn) {
    pairWith(kLibrary);
    auto peer = connect();
    Bytes garbage = bytesOf("bplist00 this is no keyed archive");
    Bytes end = AsyncSocket::socketMessageEndData();
    garbage.insert(garbage.end(), end.begin(), end.end());
    peer->sendBytes(garbage);
    EXPECT_EQ(exchange(*peer, {{"type", "datarequest"}, {"documentID", "LIB-Y"}}), "{type=wrongcode}");
}

TEST_F(Framing, AMessageLongerThanTheMaximumClosesOnlyThatConnection) {
    pairWith(kLibrary);
    sync().setMaximumMessageLength(64 * 1024);
    auto flooding = connect();
    flooding->sendBytes(Bytes(200 * 1024, 'A'));  // no terminator in sight
    EXPECT_FALSE(flooding->receive());
    EXPECT_EQ(flooding->failure(), sync::SyncPeer::Failure::ConnectionLost);
    EXPECT_TRUE(runUntil([&] { return server().clients().empty(); }));
    auto next = connect();
    EXPECT_EQ(exchange(*next, {{"type", "secretcode"}, {"documentID", kLibrary}}),
              std::string("{documentID=") + kLibrary + ", type=welcome}");
}

TEST_F(Framing, ServerIsSyncingOnlyWhileAMessageIsHalfReceived) {
    pairWith(kLibrary);
    auto peer = connect();
    Bytes message = framed({{"type", "merged"}, {"documentID", kLibrary}, {"dataFileData", Bytes(300000, 7)}});
    Bytes half(message.begin(), message.begin() + 150000);
    peer->sendBytes(half);
    EXPECT_TRUE(runUntil([&] { return sync().isSyncing(); }));
    // The shell keeps the server running in the background while this holds.
    peer->sendBytes(Bytes(message.begin() + 150000, message.end()));
    EXPECT_TRUE(runUntil([&] { return !sync().isSyncing(); }));
}

}  // namespace
}  // namespace tallo::test
