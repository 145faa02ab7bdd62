// tallo-sync: the desktop side of Tallo's sync, on the command line. It finds
// devices on the local network, pairs with one by its four-digit code, pulls
// the device's store files and model (a backup) and pushes store files back
// (a restore). It keeps its own library identifier and name in a settings
// file, as a desktop library would.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/foundation/AtomicFile.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/Date.h"
#include "Platform/foundation/UUID.h"
#include "Platform/foundation/UserDefaults.h"
#include "Platform/netservice/NetServiceBrowser.h"
#include "Platform/objectstore/Model.h"
#include "Platform/objectstore/SqliteStore.h"
#include "tools/sync/SyncPeer.h"

namespace {

using tallo::ArchiveDictionary;
using tallo::sync::SyncPeer;
using Data = std::vector<uint8_t>;

constexpr const char* kServiceType = "_TalloMobile2._tcp.";

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: tallo-sync [options] browse\n"
                 "       tallo-sync [options] pair --code NNNN [--name NAME]\n"
                 "       tallo-sync [options] pull --out DIR\n"
                 "       tallo-sync [options] push --store FILE [--fastsync FILE] [--no-check]\n"
                 "options:\n"
                 "  --host HOST --port PORT  the device's address (else the service found by browsing)\n"
                 "  --service NAME           the browsed service to use when several are found\n"
                 "  --settings FILE          this library's settings (default ~/.config/tallo-sync/settings.plist)\n"
                 "  --timeout SECONDS        how long to wait for the device (default 30; browsing 3)\n");
}

struct Options {
    std::string command;
    std::string host, service, settings, code, name, out, store, fastsync;
    int port = -1;
    double timeout = -1;
    bool check = true;
};

bool parse(int argc, char** argv, Options& o) {
    std::map<std::string, std::string*> values{
        {"--host", &o.host}, {"--service", &o.service}, {"--settings", &o.settings}, {"--code", &o.code},
        {"--name", &o.name}, {"--out", &o.out},         {"--store", &o.store},       {"--fastsync", &o.fastsync}};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= argc) return false;
            value = argv[++i];
            return true;
        };
        if (values.count(arg)) {
            if (!takeValue()) return false;
            *values[arg] = value;
        } else if (arg == "--port" || arg == "--timeout") {
            if (!takeValue()) return false;
            char* end = nullptr;
            double number = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' || number < 0) return false;
            if (arg == "--port") {
                if (number < 1 || number > 65535) return false;
                o.port = static_cast<int>(number);
            } else {
                o.timeout = number;
            }
        } else if (arg == "--no-check") {
            o.check = false;
        } else if (o.command.empty() && arg.rfind("--", 0) != 0) {
            o.command = arg;
        } else {
            return false;
        }
    }
    return !o.command.empty();
}

int fail(const std::string& message) {
    std::fprintf(stderr, "tallo-sync: %s\n", message.c_str());
    return 1;
}

std::string txtText(const Data& bytes) { return std::string(bytes.begin(), bytes.end()); }

// This library: its identifier (made once) and its display name.
struct Library {
    std::string documentID;
    std::string documentName;
};

std::string defaultSettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = config && *config ? config : std::string(home ? home : ".") + "/.config";
    return (base / "tallo-sync" / "settings.plist").string();
}

std::optional<Library> loadLibrary(const Options& o, std::string& error) {
    std::string path = o.settings.empty() ? defaultSettingsPath() : o.settings;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    tallo::UserDefaults settings(path);
    Library library;
    library.documentID = settings.stringForKey("documentID");
    if (library.documentID.empty()) {
        library.documentID = tallo::UUID::createString();
        if (!settings.setString("documentID", library.documentID)) {
            error = "cannot keep the settings in " + path + ": " + settings.lastError();
            return std::nullopt;
        }
    }
    if (!o.name.empty()) settings.setString("documentName", o.name);
    library.documentName = settings.stringForKey("documentName");
    if (library.documentName.empty()) {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        library.documentName = std::string("tallo-sync on ") + host;
    }
    return library;
}

int browse(const Options& o) {
    std::string error;
    auto services = tallo::NetServiceBrowser::browse(kServiceType, "local.", o.timeout < 0 ? 3 : o.timeout, &error);
    if (!services) return fail("cannot browse for devices: " + error);
    if (services->empty()) {
        std::printf("no Tallo device found\n");
        return 0;
    }
    for (const auto& s : *services) {
        std::printf("%s %s:%u", s.name.c_str(), s.address.c_str(), s.port);
        for (const char* key : {"deviceName", "version", "documentID", "lastSyncDate"}) {
            auto it = s.txtRecord.find(key);
            if (it != s.txtRecord.end()) std::printf(" %s=\"%s\"", key, txtText(it->second).c_str());
        }
        std::printf("\n");
    }
    return 0;
}

// The device to talk to: --host/--port, or the one browsed service (by
// --service when there are several).
bool resolveDevice(Options& o, std::string& error) {
    if (!o.host.empty() || o.port >= 0) {
        if (o.host.empty() || o.port < 0) {
            error = "give both --host and --port";
            return false;
        }
        return true;
    }
    auto services = tallo::NetServiceBrowser::browse(kServiceType, "local.", 3, &error);
    if (!services) {
        error = "no --host/--port given and cannot browse for devices: " + error;
        return false;
    }
    std::vector<tallo::ResolvedNetService> matching;
    for (const auto& s : *services) {
        if (o.service.empty() || s.name == o.service) matching.push_back(s);
    }
    if (matching.empty()) {
        error = o.service.empty() ? "no Tallo device found on the network; give --host and --port"
                                  : "no Tallo device named " + o.service + " found";
        return false;
    }
    if (matching.size() > 1) {
        error = "several Tallo devices found; choose one with --service NAME (see tallo-sync browse)";
        return false;
    }
    o.host = matching[0].address;
    o.port = matching[0].port;
    return true;
}

std::string lostMessage(const SyncPeer& peer) {
    switch (peer.failure()) {
    case SyncPeer::Failure::ConnectionLost:
        return "the connection to the device was lost (" + peer.lastError() + ")";
    case SyncPeer::Failure::TimedOut:
        return "the device did not answer (" + peer.lastError() + ")";
    default:
        return peer.lastError();
    }
}

bool connectTo(SyncPeer& peer, const Options& o, std::string& error) {
    if (peer.connect(o.host, static_cast<uint16_t>(o.port))) return true;
    error = "cannot connect to the device at " + o.host + ":" + std::to_string(o.port) + ": " + peer.lastError();
    return false;
}

const std::string* stringValue(const ArchiveDictionary& message, const char* key) {
    auto it = message.find(key);
    return it == message.end() ? nullptr : it->second.asString();
}

bool isWrongCode(const ArchiveDictionary& message) {
    const std::string* type = stringValue(message, "type");
    return type && *type == "wrongcode";
}

std::string notPaired(const Library& library) {
    return "the device is not paired with this library (" + library.documentID +
           "); pair first with: tallo-sync pair --code NNNN";
}

int pair(const Options& o, const Library& library) {
    if (o.code.size() != 4 || o.code.find_first_not_of("0123456789") != std::string::npos) {
        return fail("the pairing code is the four digits the device shows, such as --code 0427");
    }
    SyncPeer peer(o.timeout < 0 ? 30 : o.timeout);
    std::string error;
    if (!connectTo(peer, o, error)) return fail(error);
    peer.send({{"type", "secretcode"},
               {"code", o.code},
               {"documentID", library.documentID},
               {"documentName", library.documentName}});
    auto reply = peer.receive();
    if (!reply) {
        if (peer.failure() == SyncPeer::Failure::TimedOut) {
            return fail("the device did not answer: it is not showing its pairing screen, or it is paired with "
                        "another library");
        }
        return fail(lostMessage(peer));
    }
    if (isWrongCode(*reply)) return fail("wrong code: the device refused " + o.code + "; enter the code it shows now");
    const std::string* type = stringValue(*reply, "type");
    const std::string* id = stringValue(*reply, "documentID");
    if (!type || *type != "welcome" || !id || *id != library.documentID) {
        return fail("the device answered with something other than a welcome");
    }
    peer.close();
    std::printf("paired with the device at %s:%d as \"%s\" (%s)\n", o.host.c_str(), o.port,
                library.documentName.c_str(), library.documentID.c_str());
    return 0;
}

bool writeFile(const std::filesystem::path& path, const Data& bytes, std::string& error) {
    return tallo::writeFileAtomically(path.string(), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                      error);
}

int pull(const Options& o, const Library& library) {
    if (o.out.empty()) return fail("pull needs --out DIR");
    SyncPeer peer(o.timeout < 0 ? 30 : o.timeout);
    std::string error;
    if (!connectTo(peer, o, error)) return fail(error);
    peer.send({{"type", "datarequest"}, {"documentID", library.documentID}});
    auto reply = peer.receive();
    if (!reply) return fail(lostMessage(peer) + "; nothing was written");
    if (isWrongCode(*reply)) return fail(notPaired(library));
    const std::map<std::string, const char*> files{{"dataFileData", "TalloMobile2.sqlite"},
                                                   {"fastSyncData", "TalloMobile2.fastsyncstore"},
                                                   {"modelData", "Database2.mom"}};
    if (reply->count("dataFileData") == 0 || reply->at("dataFileData").asData() == nullptr) {
        return fail("the device sent no store file; nothing was written");
    }
    peer.close();
    std::error_code ec;
    std::filesystem::create_directories(o.out, ec);
    for (const auto& [key, name] : files) {
        auto it = reply->find(key);
        if (it == reply->end() || it->second.asData() == nullptr) continue;
        if (!writeFile(std::filesystem::path(o.out) / name, *it->second.asData(), error)) return fail(error);
        std::printf("%s: %zu bytes\n", name, it->second.asData()->size());
    }
    return 0;
}

std::optional<Data> readFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    return Data(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int push(const Options& o, const Library& library) {
    if (o.store.empty()) return fail("push needs --store FILE");
    std::string error;
    if (o.check) {
        auto modelPath = tallo::Bundle::pathForResource("Database2", "mom");
        auto model = modelPath ? tallo::Model::loadFile(*modelPath, &error) : nullptr;
        if (!model) return fail("cannot load the model to check the store (" + error + "); --no-check skips the check");
        if (!tallo::SqliteStore::checkStoreFile(o.store, *model, &error)) {
            return fail(o.store + " is not a sound Tallo store: " + error + "; nothing was sent");
        }
    }
    auto store = readFile(o.store, error);
    if (!store) return fail(error);
    std::optional<Data> fastsync;
    if (!o.fastsync.empty() && !(fastsync = readFile(o.fastsync, error))) return fail(error);

    SyncPeer peer(o.timeout < 0 ? 30 : o.timeout);
    if (!connectTo(peer, o, error)) return fail(error);
    ArchiveDictionary data{{"type", "desktopdata"},
                           {"documentID", library.documentID},
                           {"dataFileData", std::move(*store)},
                           {"lastSyncDate", tallo::Date::now()}};
    if (fastsync) data["fastSyncData"] = std::move(*fastsync);
    peer.send(data);
    data.clear();
    // The device answers the store with nothing, or "wrongcode" when it is
    // not paired with us. The identification after it is answered with
    // "welcome" once the store before it has been handled, so its answer
    // tells that the device took the store.
    peer.send({{"type", "secretcode"},
               {"code", ""},
               {"documentID", library.documentID},
               {"documentName", library.documentName}});
    auto reply = peer.receive();
    if (!reply) return fail(lostMessage(peer) + "; the device keeps its data");
    if (isWrongCode(*reply)) return fail(notPaired(library));
    peer.close();
    std::printf("pushed %s to the device at %s:%d\n", o.store.c_str(), o.host.c_str(), o.port);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        usage(stdout);
        return 0;
    }
    if (!parse(argc, argv, o)) {
        usage(stderr);
        return 2;
    }
    if (o.command == "browse") return browse(o);
    if (o.command != "pair" && o.command != "pull" && o.command != "push") {
        std::fprintf(stderr, "tallo-sync: unknown command %s\n", o.command.c_str());
        usage(stderr);
        return 2;
    }
    std::string error;
    auto library = loadLibrary(o, error);
    if (!library) return fail(error);
    if (!resolveDevice(o, error)) return fail(error);
    if (o.command == "pair") return pair(o, *library);
    if (o.command == "pull") return pull(o, *library);
    return push(o, *library);
}
