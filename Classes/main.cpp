// tallo: the application. At this stage it reports its version, the
// application home, locale and time zone it uses, and exits.
#include <cstdio>
#include <string>

#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/Locale.h"
#include "Platform/foundation/TimeZone.h"

namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: tallo [--home DIR] [--locale ID] [--time-zone NAME]\n"
                 "  --home DIR        the application home (default $TALLO_HOME or ~/.local/share/tallo)\n"
                 "  --locale ID       an ICU locale such as de_DE (default from LC_ALL/LC_MESSAGES/LANG)\n"
                 "  --time-zone NAME  an Olson time zone such as Europe/Berlin (default from TZ)\n");
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

}  // namespace

int main(int argc, char** argv) {
    std::string home, locale, timeZone;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (option("--home", argc, argv, i, home) || option("--locale", argc, argv, i, locale) ||
            option("--time-zone", argc, argv, i, timeZone)) {
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
    if (!locale.empty()) tallo::Locale::setCurrent(locale);
    if (!timeZone.empty() && !tallo::TimeZone::setDefault(timeZone)) {
        std::fprintf(stderr, "tallo: unknown time zone %s\n", timeZone.c_str());
        return 2;
    }
    tallo::ApplicationHome applicationHome = tallo::ApplicationHome::resolve(home);
    tallo::ApplicationHome::setCurrent(applicationHome);
    std::printf("Tallo %s\nhome: %s\nlocale: %s\ntime zone: %s\n", tallo::ApplicationHome::version(),
                applicationHome.path().c_str(), tallo::Locale::current().c_str(), tallo::TimeZone::defaultName().c_str());
    return 0;
}
