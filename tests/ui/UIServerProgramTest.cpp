// The real program's interface server out of file descriptors: run with a
// limit of 64, held by a hundred connections that never ask anything, it
// must wait for descriptors instead of retrying accept in a loop that takes
// a whole core, and answer the page again once the connections are gone.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

constexpr rlim_t kDescriptorLimit = 64;
constexpr int kHeldConnections = 100;

// The `tallo` program, started with its own home and a descriptor limit,
// stopped with SIGTERM when the test ends.
class LimitedProgram {
public:
    explicit LimitedProgram(const std::string& home) {
        int out[2];
        if (::pipe(out) != 0) return;
        std::string log = home + "/stderr.log";
        std::vector<std::string> args = {TALLO_PROGRAM, "--home", home, "--port", "0", "--quote-service", "none"};
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            rlimit limit{kDescriptorLimit, kDescriptorLimit};
            ::setrlimit(RLIMIT_NOFILE, &limit);
            ::dup2(out[1], 1);
            int err = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (err >= 0) ::dup2(err, 2);
            ::close_range(3, ~0U, 0);  // the test's own descriptors count for nothing
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        output_ = out[0];
    }
    ~LimitedProgram() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) ::close(output_);
    }

    pid_t pid() const { return pid_; }

    // The port from the line "open http://127.0.0.1:<port>/"; 0 when none
    // came within `seconds`.
    int port(double seconds) {
        std::string text;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            size_t at = text.find("open http://127.0.0.1:");
            if (at != std::string::npos && text.find('/', at + 22) != std::string::npos) return std::stoi(text.substr(at + 22));
            pollfd ready{output_, POLLIN, 0};
            if (::poll(&ready, 1, 100) <= 0) continue;
            char chunk[256];
            ssize_t n = ::read(output_, chunk, sizeof chunk);
            if (n <= 0) return 0;
            text.append(chunk, static_cast<size_t>(n));
        }
        return 0;
    }

    size_t openDescriptors() const {
        std::error_code error;
        auto entries = std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error);
        return error ? 0 : static_cast<size_t>(std::distance(entries, std::filesystem::directory_iterator()));
    }

    // User and system CPU time so far.
    double cpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        // After the name: state is field 3, utime field 14, stime field 15.
        for (int number = 3; number <= 15 && fields >> field; ++number) {
            if (number >= 14) ticks += std::stod(field);
        }
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

int connectTo(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The status line of a GET / answered within `seconds`, or "" for none.
std::string statusOfPage(int port, int seconds) {
    int fd = connectTo(port);
    if (fd < 0) return "";
    timeval timeout{seconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string ask = "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n";
    std::string answer;
    if (::write(fd, ask.data(), ask.size()) == static_cast<ssize_t>(ask.size())) {
        char chunk[1024];
        ssize_t n;
        while ((n = ::read(fd, chunk, sizeof chunk)) > 0) answer.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return answer.substr(0, answer.find("\r\n"));
}

TEST(UIServerProgram, OutOfFileDescriptorsItWaitsInsteadOfSpinningAndAnswersAgainWhenTheyAreFree) {
    test::TemporaryFolder home;
    LimitedProgram program(home.path());
    ASSERT_GT(program.pid(), 0);
    int port = program.port(30);
    ASSERT_GT(port, 0) << "the program did not start; see " << home.path() << "/stderr.log";

    // A connection that goes away unasked, and the page: the program has met
    // a closed connection before it runs out. (Without descriptors the
    // sanitizers' first check of a new error category finds no pipe to probe
    // memory with and stops the program.)
    ::close(connectTo(port));
    ASSERT_EQ(statusOfPage(port, 10), "HTTP/1.1 200 OK");

    std::vector<int> held;
    for (int i = 0; i < kHeldConnections; ++i) {
        int fd = connectTo(port);
        if (fd >= 0) held.push_back(fd);
    }
    ASSERT_EQ(held.size(), static_cast<size_t>(kHeldConnections));
    // Every descriptor in use: accepting fails with EMFILE from here on. The
    // launch may still hold a few of its own for a moment (the store read on
    // a thread): the count is taken once it stays at the limit.
    auto full = [&] {
        if (program.openDescriptors() != kDescriptorLimit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return program.openDescriptors() == kDescriptorLimit;
    };
    auto start = std::chrono::steady_clock::now();
    while (!full() && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(program.openDescriptors(), kDescriptorLimit);

    // Measuring the program's CPU time over real time needs real time to pass.
    double cpuBefore = program.cpuSeconds();
    auto wallBefore = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    double cpu = program.cpuSeconds() - cpuBefore;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    EXPECT_LT(cpu, 0.3 * wall) << cpu << " s of CPU in " << wall << " s";

    for (int fd : held) ::close(fd);
    EXPECT_EQ(statusOfPage(port, 10), "HTTP/1.1 200 OK");
}

}  // namespace
}  // namespace tallo
