#include "Platform/ui/UIFileRoot.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace tallo {

namespace {

constexpr size_t kMaxNameBytes = 200;

bool isPlainName(std::string_view relative) {
    if (relative.empty() || relative.size() > kMaxNameBytes) return false;
    for (char c : relative) {
        bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == '@' || c == '/';
        if (!plain) return false;
    }
    return relative.find("..") == std::string_view::npos && relative.front() != '.' && relative.front() != '/';
}

// Whether `path` lies below `root`, both real paths: "/srv/web/app.js" under
// "/srv/web" yes, "/srv/webx/app.js" and "/srv/web" itself no.
bool liesUnder(const std::filesystem::path& path, const std::filesystem::path& root) {
    auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end() && pathAt != path.end();
}

}  // namespace

UIFileRoot::UIFileRoot(const std::string& folder) {
    if (folder.empty()) return;
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(folder, error);
    if (!error && std::filesystem::is_directory(real, error)) root_ = real;
}

std::optional<std::filesystem::path> UIFileRoot::find(std::string_view relative) const {
    if (root_.empty() || !isPlainName(relative)) return std::nullopt;
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(root_ / std::string(relative), error);
    if (error || !liesUnder(real, root_) || !std::filesystem::is_regular_file(real, error)) return std::nullopt;
    return real;
}

std::string UIFileRoot::contentType(const std::filesystem::path& path) {
    static const std::map<std::string, std::string> kTypes = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".svg", "image/svg+xml"},
        {".png", "image/png"},
        {".ico", "image/x-icon"},
        {".json", "application/json"},
        {".webmanifest", "application/manifest+json"},
        {".woff2", "font/woff2"},
        {".woff", "font/woff"},
    };
    auto found = kTypes.find(path.extension().string());
    return found != kTypes.end() ? found->second : "application/octet-stream";
}

}  // namespace tallo
