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
    std::string fileName = type.empty() ? name : name + "." + type;
    // Resources made by the build (the compiled model) live in the build
    // tree, next to the program, after the source tree's own resources.
    for (const std::string& folder : {resourcePath(), std::string(TALLO_BUILD_RESOURCES)}) {
        std::filesystem::path file = std::filesystem::path(folder) / fileName;
        std::error_code code;
        if (std::filesystem::is_regular_file(file, code)) return file.string();
    }
    return std::nullopt;
}

}  // namespace tallo
