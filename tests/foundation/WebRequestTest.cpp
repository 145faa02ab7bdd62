#include "Platform/foundation/WebRequest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "tests/support/LocalHttpServer.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

using Answer = test::LocalHttpServer::Answer;

constexpr const char* kQuote = "\"EURUSD=X\",1.4321,\"6/3/2011\"\r\n";

WebRequest requestTo(const std::string& url, double timeout = 5) {
    WebRequest request;
    request.url = url;
    request.timeoutSeconds = timeout;
    return request;
}

TEST(WebRequest, AWholeAnswerComesBackAsSentWithTheQueryUntouched) {
    test::LocalHttpServer server([](const std::string&) { return Answer{Answer::Kind::Respond, 200, kQuote}; });
    WebRequest request = requestTo(server.baseURL() + "/d/quotes.csv?s=EURUSD=X+&f=sl1d1&e=.csv");
    request.ignoreCaches = true;
    WebResponse response = sendSynchronousRequest(request);
    ASSERT_TRUE(response.body) << response.error;
    EXPECT_EQ(*response.body, kQuote);
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_EQ(response.error, "");
    ASSERT_EQ(server.targets().size(), 1u);
    EXPECT_EQ(server.targets()[0], "/d/quotes.csv?s=EURUSD=X+&f=sl1d1&e=.csv");
    std::vector<std::string> headers = server.headers()[0];
    EXPECT_NE(std::find(headers.begin(), headers.end(), "Cache-Control: no-cache"), headers.end());
}

TEST(WebRequest, AnEmptyAnswerIsStillAnAnswer) {
    test::LocalHttpServer server([](const std::string&) { return Answer{Answer::Kind::Respond, 200, ""}; });
    WebResponse response = sendSynchronousRequest(requestTo(server.baseURL() + "/"));
    ASSERT_TRUE(response.body) << response.error;
    EXPECT_EQ(*response.body, "");
}

// An error page, a silent server, a dropped connection, a body past the
// limit, a closed port: none gives a body, each says why.
TEST(WebRequest, FailuresGiveNoBodyAndAReason) {
    test::LocalHttpServer server([](const std::string& target) {
        if (target == "/busy") return Answer{Answer::Kind::Respond, 503, "Service Unavailable"};
        if (target == "/silent") return Answer{Answer::Kind::Hang};
        if (target == "/drop") return Answer{Answer::Kind::Close};
        return Answer{Answer::Kind::Respond, 200, std::string(5000, 'x')};
    });

    WebResponse busy = sendSynchronousRequest(requestTo(server.baseURL() + "/busy"));
    EXPECT_FALSE(busy.body);
    EXPECT_EQ(busy.statusCode, 503);
    EXPECT_EQ(busy.error, "HTTP status 503");

    WebResponse silent = sendSynchronousRequest(requestTo(server.baseURL() + "/silent", 0.2));
    EXPECT_FALSE(silent.body);
    EXPECT_EQ(silent.statusCode, 0);
    EXPECT_NE(silent.error.find("imeout"), std::string::npos) << silent.error;

    WebResponse dropped = sendSynchronousRequest(requestTo(server.baseURL() + "/drop"));
    EXPECT_FALSE(dropped.body);
    EXPECT_NE(dropped.error, "");

    WebRequest limited = requestTo(server.baseURL() + "/long");
    limited.maximumBodyBytes = 4096;
    WebResponse tooLong = sendSynchronousRequest(limited);
    EXPECT_FALSE(tooLong.body);
    EXPECT_EQ(tooLong.error, "answer longer than 4096 bytes");
    limited.maximumBodyBytes = 5000;  // exactly the limit is fine
    EXPECT_TRUE(sendSynchronousRequest(limited).body);

    std::string closedPort;
    {
        test::LocalHttpServer gone([](const std::string&) { return Answer{}; });
        closedPort = gone.baseURL();
    }
    WebResponse refused = sendSynchronousRequest(requestTo(closedPort + "/"));
    EXPECT_FALSE(refused.body);
    EXPECT_NE(refused.error, "");
}

TEST(WebRequest, ACancelEndsARequestThatWouldWaitForItsTimeout) {
    test::LocalHttpServer server([](const std::string&) { return Answer{Answer::Kind::Hang}; });
    WebRequest request = requestTo(server.baseURL() + "/", 600);
    request.shouldCancel = [] { return true; };
    WebResponse response = sendSynchronousRequest(request);
    EXPECT_FALSE(response.body);
    EXPECT_EQ(response.error, "cancelled");
}

// The address comes from the command line: it must not be a way to read
// the person's files.
TEST(WebRequest, OnlyHttpIsSpoken) {
    test::TemporaryFolder folder;
    std::string path = folder.path() + "/secret.txt";
    std::ofstream(path) << "passcode 1234";
    WebResponse response = sendSynchronousRequest(requestTo("file://" + path));
    EXPECT_FALSE(response.body);
    EXPECT_NE(response.error, "");
}

}  // namespace
}  // namespace tallo
