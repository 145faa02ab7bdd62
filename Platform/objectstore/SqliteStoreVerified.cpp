// The record of a store file as the store last left it: a line beside the
// file ("<file>-verified") naming its device, inode, size, modification time
// and SQLite's file change counter (bytes 24–27 of the header, raised by
// every commit). It is written without syncing: a record lost or torn by a
// crash only means the next open checks the file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "Platform/objectstore/SqliteStoreInternal.h"

namespace tallo::sqlite_store_detail {

namespace {

std::string recordPath(const std::string& path) { return path + "-verified"; }

std::optional<std::string> fingerprint(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    unsigned char counter[4] = {};
    bool ok = ::fstat(fd, &info) == 0 && ::pread(fd, counter, sizeof counter, 24) == static_cast<ssize_t>(sizeof counter);
    ::close(fd);
    if (!ok) return std::nullopt;
    uint32_t changes = (uint32_t{counter[0]} << 24) | (uint32_t{counter[1]} << 16) | (uint32_t{counter[2]} << 8) | counter[3];
    char line[160];
    std::snprintf(line, sizeof line, "%ju %ju %jd %jd.%09ld %u\n", static_cast<uintmax_t>(info.st_dev),
                  static_cast<uintmax_t>(info.st_ino), static_cast<intmax_t>(info.st_size),
                  static_cast<intmax_t>(info.st_mtim.tv_sec), info.st_mtim.tv_nsec, changes);
    return std::string(line);
}

}  // namespace

bool isUnchangedSinceVerified(const std::string& path) {
    std::optional<std::string> now = fingerprint(path);
    if (!now) return false;
    int fd = ::open(recordPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char recorded[200];
    ssize_t length = ::read(fd, recorded, sizeof recorded);
    ::close(fd);
    return length > 0 && std::string(recorded, static_cast<size_t>(length)) == *now;
}

void recordVerified(const std::string& path) { recordVerifiedAs(path, path); }

void recordVerifiedAs(const std::string& file, const std::string& path) {
    std::optional<std::string> now = fingerprint(file);
    if (!now) return forgetVerified(path);
    int fd = ::open(recordPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    bool whole = ::write(fd, now->data(), now->size()) == static_cast<ssize_t>(now->size());
    ::close(fd);
    if (!whole) forgetVerified(path);
}

void forgetVerified(const std::string& path) { ::unlink(recordPath(path).c_str()); }

}  // namespace tallo::sqlite_store_detail
