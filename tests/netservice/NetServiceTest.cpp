// The service record in its wire form, and one real publication through an
// Avahi daemon, browsed with tallo-sync, inside a private network namespace
// where multicast never leaves the machine.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "Platform/netservice/NetService.h"
#include "tests/support/TestEnvironment.h"

extern char** environ;

namespace tallo::test {
namespace {

using Data = NetService::Data;
Data bytes(const std::string& text) { return Data(text.begin(), text.end()); }
std::string text(const Data& data) { return std::string(data.begin(), data.end()); }

TEST(TXTRecord, EachEntryIsALengthByteAndKeyEqualsValueInKeyOrder) {
    auto data = NetService::dataFromTXTRecordDictionary(
        {{"version", bytes("2.1.1")}, {"deviceName", bytes("Anna")}, {"documentID", bytes("LIB-X")}});
    ASSERT_TRUE(data);
    EXPECT_EQ(text(*data), "\x0f" "deviceName=Anna" "\x10" "documentID=LIB-X" "\x0d" "version=2.1.1");
}

TEST(TXTRecord, ReadsBackWhatItWrote) {
    NetService::TXTRecord record{{"deviceName", bytes("Zoë's phone")}, {"lastSyncDate", bytes("3/13/11, 3:06 AM")}};
    auto data = NetService::dataFromTXTRecordDictionary(record);
    ASSERT_TRUE(data);
    EXPECT_EQ(NetService::dictionaryFromTXTRecordData(*data), record);
}

TEST(TXTRecord, RefusesEntriesPastTheirLengthByteAndBadKeys) {
    EXPECT_TRUE(NetService::dataFromTXTRecordDictionary({{"k", Data(253, 'x')}}));  // 1 + 1 + 253 = 255
    EXPECT_FALSE(NetService::dataFromTXTRecordDictionary({{"k", Data(254, 'x')}}));
    EXPECT_FALSE(NetService::dataFromTXTRecordDictionary({{"", bytes("x")}}));
    EXPECT_FALSE(NetService::dataFromTXTRecordDictionary({{"a=b", bytes("x")}}));
}

TEST(TXTRecord, RefusesWireDataWhoseLengthPointsPastTheEnd) {
    EXPECT_FALSE(NetService::dictionaryFromTXTRecordData(bytes("\x0a" "version=2")));
    NetService service("local.", "_TalloMobile2._tcp.", "device", 5000);
    ASSERT_TRUE(service.setTXTRecordData(bytes("\x03" "a=b")));
    EXPECT_FALSE(service.setTXTRecordData(bytes("\x09" "a=b")));
    EXPECT_EQ(text(service.TXTRecordData()), "\x03" "a=b");
}

TEST(TXTRecord, AnEntryWithoutEqualsSignHasAnEmptyValue) {
    auto record = NetService::dictionaryFromTXTRecordData(bytes("\x04" "flag" "\x03" "a=b"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->at("flag"), Data());
    EXPECT_EQ(text(record->at("a")), "b");
}

// Starts `argv` with its output in `log`; its process id.
pid_t start(std::vector<std::string> args, const std::string& log) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Everything of the real publication runs in a child process, which moves
// into a network namespace of its own with only the loopback interface and
// starts its own system bus and Avahi daemon there. Its exit code: 0 found,
// 77 cannot set up the namespace, others failures; its report goes to `log`.
int publishAndBrowseInPrivateNetwork(const std::string& dir) {
    std::FILE* report = std::fopen((dir + "/report.txt").c_str(), "w");
    auto say = [&](const std::string& line) { std::fprintf(report, "%s\n", line.c_str()), std::fflush(report); };
    if (unshare(CLONE_NEWNET) != 0) return say("unshare(CLONE_NEWNET) is not permitted here"), 77;
    if (std::system("ip link set lo up && ip link set lo multicast on") != 0) return say("cannot set up lo"), 77;
    std::ofstream(dir + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path="
        << dir << "/bus</listen><auth>EXTERNAL</auth>"
        << "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
           "<allow receive_sender=\"*\"/></policy></busconfig>\n";
    std::ofstream(dir + "/avahi.conf") << "[server]\nallow-interfaces=lo\nuse-ipv4=yes\nuse-ipv6=no\nenable-dbus=yes\n"
                                          "[publish]\npublish-workstation=no\npublish-hinfo=no\n";
    pid_t bus = start({"dbus-daemon", "--nofork", "--config-file=" + dir + "/bus.conf"}, dir + "/bus.log");
    if (bus < 0) return say("dbus-daemon cannot be started"), 77;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir + "/bus").c_str(), 1);
    for (int i = 0; i < 100 && access((dir + "/bus").c_str(), F_OK) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the daemon's own start-up, not a test wait
    }
    pid_t avahi = start({"avahi-daemon", "--no-drop-root", "--no-rlimits", "--no-chroot", "-f", dir + "/avahi.conf"},
                        dir + "/avahi.log");
    int result = 1;
    if (avahi < 0) {
        say("avahi-daemon cannot be started");
        result = 77;
    } else {
        // Browse until the daemon answers, publish, browse until it is seen.
        std::string browse = dir + "/browse.txt";
        auto browseOnce = [&] { return finish(start({TALLO_SYNC_PROGRAM, "browse", "--timeout", "2"}, browse)); };
        for (int i = 0; i < 40 && browseOnce() != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(250));
        NetService service("local.", "_TalloMobile2._tcp.", "3F2504E0-test-device", 52817);
        service.setTXTRecordData(*NetService::dataFromTXTRecordDictionary(
            {{"deviceName", Data{'A', 'n', 'n', 'a'}}, {"version", Data{'0', '.', '1'}}}));
        service.publish();
        service.setTXTRecordData(*NetService::dataFromTXTRecordDictionary(
            {{"deviceName", Data{'A', 'n', 'n', 'a'}}, {"version", Data{'0', '.', '1'}}, {"documentID", Data{'L', 'X'}}}));
        for (int i = 0; i < 15; ++i) {
            browseOnce();
            std::string found = readText(browse);
            if (found.find("3F2504E0-test-device") != std::string::npos && found.find("documentID") != std::string::npos) {
                say(found);
                result = 0;
                break;
            }
        }
        if (result != 0) say("not found; last browse: " + readText(browse) + "\navahi: " + readText(dir + "/avahi.log"));
        service.stop();
        kill(avahi, SIGTERM);
        finish(avahi);
    }
    kill(bus, SIGTERM);
    finish(bus);
    std::fclose(report);
    return result;
}

TEST(Publication, ATXTRecordPublishedThroughAvahiIsFoundByTallosyncBrowse) {
    if (access("/usr/sbin/avahi-daemon", X_OK) != 0) GTEST_SKIP() << "avahi-daemon is not installed (scripts/bootstrap.sh installs it)";
    TemporaryFolder folder;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(publishAndBrowseInPrivateNetwork(folder.path()));
    int code = finish(child);
    std::string report = readText(folder.path() + "/report.txt");
    if (code == 77) GTEST_SKIP() << "no private network namespace: " << report;
    ASSERT_EQ(code, 0) << report;
    EXPECT_NE(report.find("3F2504E0-test-device 127.0.0.1:52817"), std::string::npos) << report;
    EXPECT_NE(report.find("deviceName=\"Anna\" version=\"0.1\" documentID=\"LX\""), std::string::npos) << report;
}

}  // namespace
}  // namespace tallo::test
