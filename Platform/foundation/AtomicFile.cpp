#include "Platform/foundation/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace tallo {

namespace fs = std::filesystem;

int writeNewFile(const std::string& path, std::string_view bytes, std::string& error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return -1;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = "cannot write " + path + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(path.c_str());
            return -1;
        }
        written += static_cast<size_t>(n);
    }
    return fd;
}

void syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    std::error_code code;
    fs::create_directories(fs::path(path).parent_path(), code);
    std::string temporary = path + ".tmp";
    int fd = writeNewFile(temporary, bytes, error);
    if (fd < 0) return false;
    bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace tallo
