// tallo: the application. At this stage it reports its version and the
// application home it uses, and exits.
#include <cstdio>
#include <string>

#include "Platform/foundation/ApplicationHome.h"

int main(int argc, char** argv) {
    std::string homeArgument;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--home" && i + 1 < argc) {
            homeArgument = argv[++i];
        } else if (arg.rfind("--home=", 0) == 0) {
            homeArgument = arg.substr(7);
        } else if (arg == "--help" || arg == "-h") {
            std::printf("usage: tallo [--home DIR]\n");
            return 0;
        } else {
            std::fprintf(stderr, "tallo: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    tallo::ApplicationHome home = tallo::ApplicationHome::resolve(homeArgument);
    std::printf("Tallo %s\nhome: %s\n", tallo::ApplicationHome::version(), home.path().c_str());
    return 0;
}
