#include "Platform/foundation/ApplicationHome.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>

namespace tallo {

namespace fs = std::filesystem;

ApplicationHome ApplicationHome::resolve(const std::string& commandLineHome) {
    if (!commandLineHome.empty()) return ApplicationHome(fs::absolute(commandLineHome).string());
    if (const char* env = std::getenv("TALLO_HOME"); env != nullptr && *env != '\0') {
        return ApplicationHome(fs::absolute(env).string());
    }
    const char* userHome = std::getenv("HOME");
    fs::path base = (userHome != nullptr && *userHome != '\0') ? fs::path(userHome) : fs::current_path();
    return ApplicationHome((base / ".local" / "share" / "tallo").string());
}

std::string ApplicationHome::documentsPath() const { return (fs::path(path_) / "Documents").string(); }
std::string ApplicationHome::preferencesPath() const {
    return (fs::path(path_) / "Library" / "Preferences").string();
}
std::string ApplicationHome::cachesPath() const { return (fs::path(path_) / "Library" / "Caches").string(); }

bool ApplicationHome::createFolders(std::string* error) const {
    for (const std::string& folder : {documentsPath(), preferencesPath(), cachesPath()}) {
        std::error_code code;
        fs::create_directories(folder, code);
        if (code) {
            if (error != nullptr) *error = "cannot create " + folder + ": " + code.message();
            return false;
        }
    }
    return true;
}

bool ApplicationHome::prepare(std::string* error) const {
    auto refuse = [error](const std::string& message) {
        if (error != nullptr) *error = message;
        return false;
    };
    const fs::path home(path_);
    for (const fs::path& folder : {home, home / "Documents", home / "Library", fs::path(preferencesPath()), fs::path(cachesPath())}) {
        std::error_code code;
        fs::file_status status = fs::status(folder, code);
        if (fs::exists(status) && !fs::is_directory(status)) return refuse(folder.string() + " is a file, not a folder");
    }
    for (const fs::path& file : {fs::path(documentsPath()) / "TalloMobile2.sqlite", fs::path(documentsPath()) / "TalloMobile2.fastsyncstore",
                                 fs::path(documentsPath()) / "Calendar.ics", fs::path(preferencesPath()) / "Tallo.plist"}) {
        std::error_code code;
        fs::file_status status = fs::status(file, code);
        if (fs::is_directory(status)) return refuse(file.string() + " is a folder, not a file");
        if (fs::exists(status) && !fs::is_regular_file(status)) return refuse(file.string() + " is not a plain file");
    }
    return createFolders(error);
}

namespace {
std::mutex gCurrentMutex;
std::optional<ApplicationHome> gCurrent;
}  // namespace

ApplicationHome ApplicationHome::current() {
    std::lock_guard lock(gCurrentMutex);
    if (!gCurrent) gCurrent = resolve();
    return *gCurrent;
}

void ApplicationHome::setCurrent(const ApplicationHome& home) {
    std::lock_guard lock(gCurrentMutex);
    gCurrent = home;
}

const char* ApplicationHome::version() { return TALLO_VERSION; }

}  // namespace tallo
