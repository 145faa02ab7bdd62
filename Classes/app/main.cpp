// tallo: the application. It opens the store of the application home, runs
// the launch, and serves its interface to a browser on this machine until it
// is stopped; `--info` only reports version, home, locale and time zone.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <variant>

#include "Classes/app/CalendarSubscription.h"
#include "Classes/app/TalloMobile2AppDelegate.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/sync/TLSync.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/Locale.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/TimeZone.h"
#include "Platform/foundation/UserDefaults.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/UIServer.h"

namespace {

constexpr int kDefaultPort = 8321;

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: tallo [--home DIR] [--locale ID] [--time-zone NAME] [--port N] [--address IP]\n"
                 "             [--quote-service URL] [--no-sync] [--sync-address IP] [--sync-port N] [--info]\n"
                 "  --home DIR            the application home (default $TALLO_HOME or ~/.local/share/tallo)\n"
                 "  --locale ID           an ICU locale such as de_DE (default from LC_ALL/LC_MESSAGES/LANG)\n"
                 "  --time-zone NAME      an Olson time zone such as Europe/Berlin (default from TZ)\n"
                 "  --port N              the browser interface's port (default %d; 0: any free port)\n"
                 "  --address IP          listen there instead of 127.0.0.1\n"
                 "  --quote-service URL   where exchange rates are downloaded from (none: no download)\n"
                 "  --no-sync             never start the sync server, even with a paired library\n"
                 "  --sync-address IP     the sync server listens there only (default: every interface)\n"
                 "  --sync-port N         the sync server's port (default 0: any free port)\n"
                 "  --info                print version, home, locale and time zone, and exit\n",
                 kDefaultPort);
}

// "--name VALUE" or "--name=VALUE"; advances `i` past a separate value.
bool option(const std::string& name, int argc, char** argv, int& i, std::string& value) {
    std::string arg = argv[i];
    if (arg == name && i + 1 < argc) {
        value = argv[++i];
        return true;
    }
    if (arg.rfind(name + "=", 0) == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

// A port number of the command line, or nothing (said on standard error).
std::optional<uint16_t> portNumber(const char* option, const std::string& text) {
    char* end = nullptr;
    long number = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || number < 0 || number > 65535) {
        std::fprintf(stderr, "tallo: %s wants 0 to 65535, not %s\n", option, text.c_str());
        return std::nullopt;
    }
    return static_cast<uint16_t>(number);
}

void stopOnSignal(int) { tallo::RunLoop::main().stop(); }

// What the command line asks for.
struct Arguments {
    std::string home, locale, timeZone, address = "127.0.0.1", quoteService, syncAddress;
    uint16_t port = kDefaultPort;
    uint16_t syncPort = 0;
    bool infoOnly = false, noSync = false;
};

// The arguments, or the exit status when the command line ends the program
// here (0 for --help, 2 for a mistake, said on standard error).
std::variant<Arguments, int> parseArguments(int argc, char** argv) {
    Arguments a;
    std::string port = std::to_string(kDefaultPort);
    std::string syncPort = "0";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (option("--home", argc, argv, i, a.home) || option("--locale", argc, argv, i, a.locale) ||
            option("--time-zone", argc, argv, i, a.timeZone) || option("--port", argc, argv, i, port) ||
            option("--address", argc, argv, i, a.address) || option("--quote-service", argc, argv, i, a.quoteService) ||
            option("--sync-address", argc, argv, i, a.syncAddress) || option("--sync-port", argc, argv, i, syncPort)) {
            continue;
        }
        if (arg == "--info" || arg == "--no-sync") {
            (arg == "--info" ? a.infoOnly : a.noSync) = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        std::fprintf(stderr, "tallo: unknown argument %s\n", arg.c_str());
        usage(stderr);
        return 2;
    }
    std::optional<uint16_t> uiPort = portNumber("--port", port);
    std::optional<uint16_t> desktopPort = portNumber("--sync-port", syncPort);
    if (!uiPort || !desktopPort) return 2;
    a.port = *uiPort;
    a.syncPort = *desktopPort;
    return a;
}

// The home made ready, the settings read and the store opened; false (the
// reason said) when the program cannot go on without losing something.
bool openHome(const tallo::ApplicationHome& home) {
    using namespace tallo;
    std::string error;
    if (!home.prepare(&error)) {
        std::fprintf(stderr, "tallo: the application home cannot be used: %s\n", error.c_str());
        return false;
    }
    UserDefaults::resetStandardUserDefaults(home.preferencesPath() + "/Tallo.plist");
    // The store opens before anything is shown: one that cannot be used (and
    // has no loadable store from before a sync beside it) is left as it is,
    // the opening has said why, and the program ends instead of starting
    // without the data.
    return TLDatabase::sharedDatabase().hasPersistentStore();
}

// Launches the application and serves its page until a signal stops it.
int serve(const Arguments& a, const tallo::ApplicationHome& home) {
    using namespace tallo;
    TLCurrencyCenter::sharedCenter().setQuoteServiceURL(a.quoteService);
    TLSync& sync = TLSync::sharedSync();
    sync.setSwitchedOff(a.noSync);
    if (!a.syncAddress.empty()) sync.setListeningInterface(a.syncAddress);
    sync.setListeningPort(a.syncPort);
    TalloMobile2AppDelegate appDelegate;
    appDelegate.downloadRates = [] { TLCurrencyCenter::sharedCenter().downloadRatesOfActiveCurrencies(); };
    Application& application = Application::sharedApplication();
    application.setDelegate(&appDelegate);
    application.launch(appDelegate.tabBarController());

    UIServer server(application);
    UIServer::Options options;
    options.address = a.address;
    options.port = a.port;
    const char* web = std::getenv("TALLO_WEB");
    options.webRoot = web != nullptr ? web : TALLO_WEB_ROOT;
    options.resourceRoot = Bundle::resourcePath();
    options.publishedFiles.push_back(CalendarSubscription::publishedFile());
    std::string error;
    if (!server.start(options, &error)) {
        std::fprintf(stderr, "tallo: %s\n", error.c_str());
        return 1;
    }
    std::printf("Tallo %s on %s\nopen %s\ncalendar %s%s\n", ApplicationHome::version(), home.path().c_str(),
                server.url().c_str(), server.url().c_str(), CalendarSubscription::kPath + 1);
    std::fflush(stdout);
    std::signal(SIGINT, stopOnSignal);
    std::signal(SIGTERM, stopOnSignal);
    RunLoop::main().run();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tallo;
    auto parsed = parseArguments(argc, argv);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    const Arguments& a = std::get<Arguments>(parsed);
    if (!a.locale.empty()) Locale::setCurrent(a.locale);
    if (!a.timeZone.empty() && !TimeZone::setDefault(a.timeZone)) {
        std::fprintf(stderr, "tallo: unknown time zone %s\n", a.timeZone.c_str());
        return 2;
    }
    ApplicationHome home = ApplicationHome::resolve(a.home);
    ApplicationHome::setCurrent(home);
    if (a.infoOnly) {
        std::printf("Tallo %s\nhome: %s\nlocale: %s\ntime zone: %s\n", ApplicationHome::version(), home.path().c_str(),
                    Locale::current().c_str(), TimeZone::defaultName().c_str());
        return 0;
    }
    if (!openHome(home)) return 1;
    return serve(a, home);
}
