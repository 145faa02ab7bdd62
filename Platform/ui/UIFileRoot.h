#pragma once
// UIFileRoot: the files one folder may serve (the browser client's folder,
// the pictures). A request names a file by a plain relative name
// ("app.js", "fonts/Inter.woff2", "Auto@2x.png"): letters, digits and
// "-_.@/", no "..", not starting with "." or "/". It is served only if it
// is a regular file whose real path, every symbolic link resolved, lies
// inside the folder's real path: a link in the folder to "/" or to a file
// elsewhere serves nothing, a link to another file of the folder serves
// that file.
//
// Any thread; the folder's real path is taken once, when the root is made
// (a folder that does not exist then serves nothing).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tallo {

class UIFileRoot {
public:
    UIFileRoot() = default;  // serves nothing
    explicit UIFileRoot(const std::string& folder);

    // The file's real path, or nothing when the name may not be served.
    std::optional<std::filesystem::path> find(std::string_view relative) const;

    // The Content-Type a browser needs for a file, by its extension
    // (".woff2": "font/woff2"); "application/octet-stream" for others.
    static std::string contentType(const std::filesystem::path& path);

private:
    std::filesystem::path root_;  // real path; empty: serves nothing
};

}  // namespace tallo
