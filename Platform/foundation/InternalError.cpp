#include "Platform/foundation/InternalError.h"

#include <cstdio>
#include <mutex>

namespace tallo {

namespace {
std::mutex gMutex;
std::string gLast;
}  // namespace

void InternalError::report(const std::string& message) {
    {
        std::lock_guard lock(gMutex);
        gLast = message;
    }
    std::fprintf(stderr, "tallo: internal error: %s\n", message.c_str());
}

std::string InternalError::last() {
    std::lock_guard lock(gMutex);
    return gLast;
}

void InternalError::clearLast() {
    std::lock_guard lock(gMutex);
    gLast.clear();
}

}  // namespace tallo
