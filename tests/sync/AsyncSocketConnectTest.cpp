#include <cerrno>
#include <regex>

#include "Classes/sync/AsyncSocket.h"
#include "tests/sync/SocketTestSupport.h"

namespace tallo::test {
namespace {

using ConnectTest = SocketTest;

TEST_F(ConnectTest, AcceptAndConnectReportInTheirOrder) {
    auto listener = listen();
    auto socket = connectClient(listener);
    // The listener's delegate hears of the new socket and chooses its run
    // loop before that socket asks whether to connect.
    EXPECT_EQ(log.find("server:accept server:runLoop server:willConnect"), log.find("server:"));
    EXPECT_NE(log.find("server:willConnect server:connect(127.0.0.1)"), std::string::npos) << log;
    EXPECT_NE(log.find("client:willConnect"), std::string::npos) << log;
    EXPECT_LT(log.find("client:willConnect"), log.find("client:connect(127.0.0.1)")) << log;

    auto& accepted = *server.accepted.back();
    EXPECT_EQ(socket->connectedHost(), "127.0.0.1");
    EXPECT_EQ(socket->connectedPort(), listener->localPort());
    EXPECT_EQ(accepted.connectedPort(), socket->localPort());
    EXPECT_EQ(accepted.localPort(), listener->localPort());
    EXPECT_TRUE(socket->isIPv4());
    EXPECT_FALSE(socket->isIPv6());
    EXPECT_EQ(accepted.delegate(), &server);
    EXPECT_TRUE(socket->flags() & (AsyncSocket::flagDidStart | AsyncSocket::flagReadStreamOpened |
                                   AsyncSocket::flagWriteStreamOpened));
}

TEST_F(ConnectTest, ALocalListenerTakesOnePortForIPv4AndIPv6) {
    auto listener = listen();
    ASSERT_NE(listener->localPort(), 0);
    EXPECT_TRUE(listener->isIPv4());
    EXPECT_TRUE(listener->isIPv6());
    EXPECT_EQ(listener->localHost(), "127.0.0.1");
    EXPECT_FALSE(listener->isConnected());  // a listener has no streams

    // The same port answers on ::1.
    auto socket = AsyncSocket::create(&client);
    ASSERT_TRUE(socket->connectToHost("::1", listener->localPort()));
    ASSERT_TRUE(runUntil([&] { return socket->isConnected() && !server.accepted.empty() &&
                                      server.accepted.back()->isConnected(); }));
    EXPECT_EQ(socket->connectedHost(), "::1");
    EXPECT_TRUE(socket->isIPv6());
    EXPECT_TRUE(server.accepted.back()->isIPv6());
    EXPECT_EQ(server.accepted.back()->localPort(), listener->localPort());
}

TEST_F(ConnectTest, AListenerOnANumericAddressListensThereOnly) {
    auto listener = AsyncSocket::create(&server);
    ASSERT_TRUE(listener->acceptOnInterface("::1", 0));
    EXPECT_FALSE(listener->isIPv4());
    EXPECT_TRUE(listener->isIPv6());
    EXPECT_EQ(listener->localHost(), "::1");
}

TEST_F(ConnectTest, ConnectingToARawAddressUsesItsFamily) {
    auto listener = listen();
    auto address = listener->localAddress();  // the IPv4 listener's sockaddr_in
    ASSERT_TRUE(address);
    EXPECT_EQ(address->size(), sizeof(sockaddr_in));

    auto socket = AsyncSocket::create(&client);
    ASSERT_TRUE(socket->connectToAddress(*address, 5));
    ASSERT_TRUE(runUntil([&] { return socket->isConnected(); }));
    EXPECT_EQ(socket->connectedAddress(), address);
    EXPECT_EQ(socket->connectedHost(), "127.0.0.1");

    AsyncSocketError error;
    auto other = AsyncSocket::create(&client);
    EXPECT_FALSE(other->connectToAddress(Data{2, 0, 1}, -1, &error));  // too short for any address
    EXPECT_EQ(error.code, AsyncSocketCFSocketError);
    EXPECT_EQ(error.description, "General CFSocket error");
}

TEST_F(ConnectTest, MisuseThrowsTheNamedExceptionAndChangesNothing) {
    auto idle = AsyncSocket::create();
    try {
        idle->acceptOnPort(0);
        FAIL() << "accepting without a delegate must throw";
    } catch (const AsyncSocketException& e) {
        EXPECT_STREQ(AsyncSocketException::name(), "AsyncSocketException");
        EXPECT_EQ(e.reason(), "Attempting to accept without a delegate. Set a delegate first.");
    }
    try {
        idle->connectToHost("127.0.0.1", 9);
        FAIL() << "connecting without a delegate must throw";
    } catch (const AsyncSocketException& e) {
        EXPECT_EQ(e.reason(), "Attempting to connect without a delegate. Set a delegate first.");
    }
    EXPECT_EQ(idle->flags(), AsyncSocket::flagPreBuffering);

    auto listener = listen();
    uint16_t port = listener->localPort();
    try {
        listener->acceptOnInterface("localhost", 0);
        FAIL();
    } catch (const AsyncSocketException& e) {
        EXPECT_EQ(e.reason(), "Attempting to accept while connected or accepting connections. Disconnect first.");
    }
    try {
        listener->connectToHost("127.0.0.1", port);
        FAIL();
    } catch (const AsyncSocketException& e) {
        EXPECT_EQ(e.reason(), "Attempting to connect while connected or accepting connections. Disconnect first.");
    }
    EXPECT_EQ(listener->localPort(), port);  // still listening where it was
    auto socket = connectClient(listener);
    EXPECT_TRUE(socket->isConnected());
    // A connection that is still being made counts as well.
    auto connecting = AsyncSocket::create(&client);
    ASSERT_TRUE(connecting->connectToHost("127.0.0.1", port));
    EXPECT_THROW(connecting->connectToHost("127.0.0.1", port), AsyncSocketException);
}

TEST_F(ConnectTest, ARefusingDelegateCancelsTheAttempt) {
    auto listener = listen();
    client.refuseConnect = true;
    auto socket = AsyncSocket::create(&client);
    AsyncSocketError error;
    EXPECT_FALSE(socket->connectToHost("127.0.0.1", listener->localPort(), -1, &error));
    EXPECT_EQ(error, (AsyncSocketError{"AsyncSocketErrorDomain", 1, "Connection canceled"}));
    EXPECT_EQ(log, "client:willConnect ");  // it never started: no disconnect reports

    // An accepted connection the server refuses is dropped; the peer sees the end.
    server.refuseConnect = true;
    RawPeer peer(listener->localPort());
    EXPECT_TRUE(runUntil([&] { return peer.ended(); }));
    EXPECT_EQ(log.find("server:disconnect"), std::string::npos);
}

TEST_F(ConnectTest, ARefusedConnectionReportsThePOSIXError) {
    uint16_t port;
    {
        auto listener = listen();
        port = listener->localPort();
    }  // nothing listens there any more
    auto socket = AsyncSocket::create(&client);
    ASSERT_TRUE(socket->connectToHost("127.0.0.1", port));
    ASSERT_TRUE(runUntil([&] { return client.disconnected; }));
    ASSERT_TRUE(client.error);
    EXPECT_EQ(client.error->domain, "NSPOSIXErrorDomain");
    EXPECT_EQ(client.error->code, ECONNREFUSED);
    EXPECT_EQ(log, "client:willConnect client:willDisconnect(NSPOSIXErrorDomain " + std::to_string(ECONNREFUSED) +
                       ") client:disconnect ");
    EXPECT_EQ(socket->flags(), AsyncSocket::flagPreBuffering);
}

TEST_F(ConnectTest, ThePeersCleanEndClosesWithoutAnError) {
    auto listener = listen();
    auto peer = connectPeer(listener);
    auto& accepted = *server.accepted.back();
    accepted.readDataToData(AsyncSocket::CRLFData(), -1, 1);
    peer->close();
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_FALSE(server.error);
    EXPECT_NE(log.find("server:willDisconnect(none) server:disconnect"), std::string::npos) << log;
}

TEST_F(ConnectTest, AnAcceptedSocketNobodyKeepsIsClosed) {
    auto listener = listen();
    server.keepAccepted = false;
    RawPeer peer(listener->localPort());
    EXPECT_TRUE(runUntil([&] { return peer.ended(); }));
    EXPECT_NE(log.find("server:accept"), std::string::npos);
    EXPECT_EQ(log.find("server:disconnect"), std::string::npos);  // destroyed, not closed by error
}

TEST_F(ConnectTest, DisconnectingTellsTheDelegateAndTheSocketCanConnectAgain) {
    auto listener = listen();
    auto socket = connectClient(listener);
    socket->disconnect();
    EXPECT_TRUE(client.disconnected);
    EXPECT_EQ(log.find("client:willDisconnect"), std::string::npos);  // no error path
    EXPECT_FALSE(socket->isConnected());
    EXPECT_EQ(socket->flags(), AsyncSocket::flagPreBuffering);
    EXPECT_EQ(socket->connectedHost(), std::nullopt);

    client.disconnected = false;
    ASSERT_TRUE(socket->connectToHost("127.0.0.1", listener->localPort()));
    EXPECT_TRUE(runUntil([&] { return socket->isConnected(); }));
}

TEST_F(ConnectTest, DescriptionSaysWhereTheSocketIsAndWhatItDoes) {
    auto idle = AsyncSocket::create(&client);
    EXPECT_TRUE(std::regex_match(idle->description(),
                                 std::regex("<AsyncSocket 0x[0-9a-f]+ local nowhere remote nowhere has queued 0 reads 0 "
                                            "writes, no current read, no current write, read stream \\(nil\\) not open, "
                                            "write stream \\(nil\\) not open, not connected>")))
        << idle->description();

    auto listener = listen();
    auto socket = connectClient(listener);
    std::string port = std::to_string(listener->localPort());
    std::string local = std::to_string(socket->localPort());
    EXPECT_NE(listener->description().find(" local 127.0.0.1/::1 " + port + " "), std::string::npos)
        << listener->description();
    socket->readDataToLength(10, -1, 1);
    socket->writeData(bytes("abc"), -1, 2);  // written at once on the next pass
    socket->disconnectAfterReadingAndWriting();
    RunLoop::main().runPending();
    EXPECT_TRUE(std::regex_match(socket->description(),
                                 std::regex("<AsyncSocket 0x[0-9a-f]+ local 127.0.0.1 " + local + " remote 127.0.0.1 " +
                                            port +
                                            " has queued 0 reads 0 writes, currently read 10 bytes \\(0% done\\), "
                                            "no current write, read stream 0x[0-9a-f]+ open, write stream 0x[0-9a-f]+ "
                                            "open, will disconnect after reads & writes>")))
        << socket->description();
}

}  // namespace
}  // namespace tallo::test
