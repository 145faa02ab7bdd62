// Sync transfers of a generated 100k-transaction book over 127.0.0.1, each
// beside a plain loopback TCP copy of the same bytes in the same run:
//   PlainCopy   the message's bytes through a blocking socket pair of threads
//   Pull        datarequest → the device maps its files, archives and sends
//               them; the desktop receives and unarchives the whole message
//               (its data values read in place)
//   Push        the desktop sends the store (archived before); the device
//               receives, unarchives (in place), writes, checks (the schema;
//               then every page and index beside every row decoded, on two
//               threads, beside the flush to disk), keeps the previous file,
//               renames it in, then reloads and reopens the store (the reload
//               sync schedules one second later is run at once here)
//   StoreOpen   opening the store afresh (the floor a reload cannot beat)
// The device runs on the main run loop as in the program; the desktop is a
// thread of plain blocking sockets. Rates are MB/s of the message bytes.

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "Classes/store/TLDatabase.h"
#include "Classes/sync/AsyncSocket.h"
#include "Classes/sync/BonjourController.h"
#include "Classes/sync/TLSync.h"
#include "Platform/foundation/KeyedArchiver.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/netservice/NetService.h"
#include "bench/BenchSupport.h"

namespace {

using namespace tallo;
using Bytes = std::vector<uint8_t>;
constexpr size_t kTransactions = 100000;
constexpr const char* kLibrary = "BENCH-LIBRARY";

class NoPublication : public NetServiceBackend {
    void publish(const NetService&) override {}
    void updateTXTRecord(const NetService&) override {}
    void stop() override {}
};

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes framed(const ArchiveDictionary& message) {
    Bytes bytes = KeyedArchiver::archivedDataWithRootObject(message, AsyncSocket::kSocketMessageEndLength);
    Bytes end = AsyncSocket::socketMessageEndData();
    bytes.insert(bytes.end(), end.begin(), end.end());
    return bytes;
}

int connectTo(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const Bytes& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Reads one message up to its terminator (the device sends one at a time).
Bytes receiveMessage(int fd) {
    Bytes end = AsyncSocket::socketMessageEndData();
    Bytes in;
    std::vector<uint8_t> buffer(1 << 20);
    for (;;) {
        ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) return {};
        in.insert(in.end(), buffer.begin(), buffer.begin() + n);
        if (in.size() >= end.size() && std::equal(end.begin(), end.end(), in.end() - end.size())) {
            in.resize(in.size() - end.size());
            return in;
        }
    }
}

// The device: the generated book, paired, its server on 127.0.0.1.
struct Device {
    Device() {
        bench::useGeneratedBook(kTransactions);
        NetService::setBackendFactory([] { return std::make_unique<NoPublication>(); });
        TLSync::resetSharedSync();
        TLSync& sync = TLSync::sharedSync();
        sync.setListeningInterface("localhost");
        sync.setLibraryName(kLibrary);
        sync.startBonjour();
        TLDatabase::sharedDatabase().context();  // the store is open, as in the program
        storeFile = readBytes(TLDatabase::sharedDatabase().urlToSqliteFile());
    }
    uint16_t port() { return TLSync::sharedSync().bonjourController()->port(); }
    // Runs the device until the desktop thread is done.
    void serveUntil(const std::atomic<bool>& done) {
        while (!done) RunLoop::main().runUntil([&] { return done.load(); }, 0.01);
    }
    Bytes storeFile;
};

Device& device() {
    static Device d;
    return d;
}

void PlainCopy(benchmark::State& state) {
    Device& d = device();
    Bytes message = framed({{"dataFileData", d.storeFile}, {"documentID", kLibrary}});
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    for (auto _ : state) {
        std::thread sender([&] {
            int fd = connectTo(ntohs(address.sin_port));
            sendAll(fd, message);
            ::close(fd);
        });
        int fd = ::accept(listener, nullptr, nullptr);
        Bytes received = receiveMessage(fd);
        benchmark::DoNotOptimize(received.data());
        ::close(fd);
        sender.join();
        if (received.size() + 30 != message.size()) state.SkipWithError("short copy");
    }
    ::close(listener);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * message.size()));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(message.size()) * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
}

void Pull(benchmark::State& state) {
    Device& d = device();
    size_t messageBytes = 0;
    for (auto _ : state) {
        std::atomic<bool> done{false};
        std::thread desktop([&] {
            int fd = connectTo(d.port());
            sendAll(fd, framed({{"type", "datarequest"}, {"documentID", kLibrary}}));
            Bytes reply = receiveMessage(fd);
            messageBytes = reply.size() + 30;
            // Read in place, as a desktop that writes the files out can.
            auto message = KeyedArchiver::unarchiveObjectWithData(reply, nullptr, KeyedArchiver::DataValues::Borrowed);
            if (!message || message->count("dataFileData") == 0) messageBytes = 0;
            ::close(fd);
            done = true;
        });
        d.serveUntil(done);
        desktop.join();
        if (messageBytes == 0) state.SkipWithError("no device data");
    }
    // The overlay's fade-out timers of each transfer.
    TLSync::sharedSync().removeScreen();
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(messageBytes) * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
}

void Push(benchmark::State& state) {
    Device& d = device();
    // The desktop's messages are made before, as PlainCopy's is: what is
    // timed is the transfer and what the device does with it.
    const Bytes store = framed({{"type", "merged"}, {"documentID", kLibrary}, {"dataFileData", d.storeFile}});
    const Bytes question = framed({{"type", "secretcode"}, {"documentID", kLibrary}});
    size_t messageBytes = 0;
    for (auto _ : state) {
        std::atomic<bool> done{false};
        std::thread desktop([&] {
            int fd = connectTo(d.port());
            messageBytes = store.size();
            sendAll(fd, store);
            // Answered once the store before it has been handled.
            sendAll(fd, question);
            auto reply = KeyedArchiver::unarchiveObjectWithData(receiveMessage(fd));
            if (!reply) messageBytes = 0;
            ::close(fd);
            done = true;
        });
        d.serveUntil(done);
        desktop.join();
        RunLoop::main().reset();  // the reload sync scheduled a second later, run now:
        TLSync::sharedSync().sendNotification();
        benchmark::DoNotOptimize(TLDatabase::sharedDatabase().context());
        if (messageBytes == 0) state.SkipWithError("the device did not answer");
    }
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(messageBytes) * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
}

void StoreOpen(benchmark::State& state) {
    device();
    for (auto _ : state) {
        TLDatabase::sharedDatabase().reloadData();
        benchmark::DoNotOptimize(TLDatabase::sharedDatabase().context());
    }
}

BENCHMARK(PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(Pull)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(Push)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(StoreOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace
