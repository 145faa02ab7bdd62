// tallo-gen: fills the store of an application home with a generated book.
//
//   tallo-gen --home DIR --transactions N [--years Y] [--seed S]
//
// The home is made when missing; its store must not hold transactions yet,
// so a real book is never mixed with generated data.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/UserDefaults.h"
#include "tools/gen/BookGenerator.h"

namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: tallo-gen --home DIR --transactions N [--years Y] [--seed S]\n"
                 "  --home DIR         the application home to fill (made when missing)\n"
                 "  --transactions N   how many transactions the store will hold (transfer mirrors count)\n"
                 "  --years Y          over how many years up to today (default 3)\n"
                 "  --seed S           the same seed makes the same book (default 1)\n");
}

bool number(const char* text, unsigned long long& out) {
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-') return false;
    out = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tallo;
    std::string home;
    unsigned long long transactions = 0, years = 3, seed = 1;
    bool haveCount = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--home" && hasValue) {
            home = argv[++i];
        } else if (arg == "--transactions" && hasValue) {
            haveCount = number(argv[++i], transactions);
            if (!haveCount) {
                std::fprintf(stderr, "tallo-gen: --transactions wants a count, not %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--years" && hasValue) {
            if (!number(argv[++i], years) || years == 0 || years > 50) {
                std::fprintf(stderr, "tallo-gen: --years wants 1 to 50, not %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--seed" && hasValue) {
            if (!number(argv[++i], seed)) {
                std::fprintf(stderr, "tallo-gen: --seed wants a number, not %s\n", argv[i]);
                return 2;
            }
        } else {
            std::fprintf(stderr, "tallo-gen: unknown or incomplete argument %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (home.empty() || !haveCount) {
        usage(stderr);
        return 2;
    }

    ApplicationHome applicationHome(std::filesystem::absolute(home).string());
    ApplicationHome::setCurrent(applicationHome);
    UserDefaults::resetStandardUserDefaults(applicationHome.preferencesPath() + "/Tallo.plist");
    TLDatabase& db = TLDatabase::sharedDatabase();
    if (db.context() == nullptr || !db.hasPersistentStore()) {
        std::fprintf(stderr, "tallo-gen: the store of %s cannot be used: %s\n", home.c_str(), db.storeError().c_str());
        return 1;
    }
    if (!db.fetchEntityCustom("Transaction", nullptr, {}, 1).empty()) {
        std::fprintf(stderr, "tallo-gen: %s already holds transactions; choose an empty home\n", home.c_str());
        return 1;
    }

    auto started = std::chrono::steady_clock::now();
    BookGenerator::Options options;
    options.transactions = transactions;
    options.years = static_cast<int>(years);
    options.seed = static_cast<uint32_t>(seed);
    bool terminal = ::isatty(STDERR_FILENO) != 0;  // progress only where a person watches
    if (terminal) options.progress = [](size_t made) { std::fprintf(stderr, "\r%zu transactions", made); };
    BookGenerator::generate(options);
    UserDefaults::standardUserDefaults().setBool("defaultCategoriesMade", true);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (terminal) std::fprintf(stderr, "\r");
    std::printf("%zu transactions in %s (%.1f s)\n", db.fetchEntityCustom("Transaction").size(),
                db.urlToSqliteFile().c_str(), seconds);
    return 0;
}
