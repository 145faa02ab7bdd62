#include "Platform/foundation/Locale.h"

#include <unicode/locid.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace tallo {

namespace {

std::mutex gMutex;
std::string gCurrent;  // empty until first asked
std::atomic<unsigned> gGeneration{1};

// "de_DE.UTF-8@euro" → "de_DE"; "C"/"POSIX"/"" → "".
std::string identifierFromPosix(const char* value) {
    if (value == nullptr) return {};
    std::string text(value);
    auto cut = text.find_first_of(".@");
    if (cut != std::string::npos) text.resize(cut);
    if (text == "C" || text == "POSIX") return {};
    return text;
}

void applyToIcu(const std::string& identifier) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale(identifier.c_str()), status);
}

}  // namespace

std::string Locale::fromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            std::string id = identifierFromPosix(value);
            return id.empty() ? "en_US" : id;
        }
    }
    return "en_US";
}

std::string Locale::current() {
    std::lock_guard lock(gMutex);
    if (gCurrent.empty()) {
        gCurrent = fromEnvironment();
        applyToIcu(gCurrent);
    }
    return gCurrent;
}

void Locale::setCurrent(const std::string& identifier) {
    std::lock_guard lock(gMutex);
    gCurrent = identifier.empty() ? std::string("en_US") : identifier;
    applyToIcu(gCurrent);
    ++gGeneration;
}

std::string Locale::currentLanguage() {
    std::string id = current();
    return icu::Locale(id.c_str()).getLanguage();
}

unsigned Locale::generation() { return gGeneration; }

// TimeZone shares the generation counter so caches watch one number.
void bumpLocaleGeneration() { ++gGeneration; }

}  // namespace tallo
