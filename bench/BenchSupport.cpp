#include "bench/BenchSupport.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/UserDefaults.h"
#include "tools/gen/BookGenerator.h"

namespace tallo::bench {

namespace {

std::string& rootPath() {
    static std::string path;  // made before the exit handler is registered, so it outlives it
    return path;
}

void removeRoot() {
    if (std::getenv("TALLO_BENCH_KEEP") != nullptr) {
        std::fprintf(stderr, "books kept in %s\n", rootPath().c_str());
        return;
    }
    std::error_code ignored;
    std::filesystem::remove_all(rootPath(), ignored);
}

}  // namespace

double heapInUseMiB() { return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0); }

std::string benchRoot() {
    static bool made = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tallo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        rootPath() = pattern;
        std::atexit(removeRoot);
        return true;
    }();
    (void)made;
    return rootPath();
}

void useGeneratedBook(size_t n) {
    static std::set<size_t> made;
    std::string home = benchRoot() + "/generated-" + std::to_string(n);
    ApplicationHome::setCurrent(ApplicationHome(home));
    UserDefaults::resetStandardUserDefaults(home + "/Tallo.plist");
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
    if (made.count(n) != 0) return;
    BookGenerator::Options options;
    options.transactions = n;
    BookGenerator::generate(options);
    made.insert(n);
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
}

}  // namespace tallo::bench
