#include "Platform/foundation/Bundle.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace tallo {

namespace {

std::mutex gMutex;
std::string gPath;

}  // namespace

std::string Bundle::resourcePath() {
    std::lock_guard lock(gMutex);
    if (gPath.empty()) {
        const char* env = std::getenv("TALLO_RESOURCES");
        gPath = (env != nullptr && *env != '\0') ? env : TALLO_SOURCE_RESOURCES;
    }
    return gPath;
}

void Bundle::setResourcePath(const std::string& path) {
    std::lock_guard lock(gMutex);
    gPath = path;
}

std::optional<std::string> Bundle::pathForResource(const std::string& name, const std::string& type) {
    std::filesystem::path file = std::filesystem::path(resourcePath()) / (type.empty() ? name : name + "." + type);
    std::error_code code;
    if (!std::filesystem::is_regular_file(file, code)) return std::nullopt;
    return file.string();
}

}  // namespace tallo
