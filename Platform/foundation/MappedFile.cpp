#include "Platform/foundation/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tallo {

std::optional<MappedFile> MappedFile::open(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<MappedFile> {
        if (error != nullptr) *error = path + ": " + why;
        return std::nullopt;
    };
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail("not a regular file");
    }
    size_t size = static_cast<size_t>(status.st_size);
    if (size == 0) {
        ::close(fd);
        return MappedFile(nullptr, 0);
    }
    // Populated at once: the sender reads every page straight after.
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    int mapError = errno;
    ::close(fd);
    if (mapping == MAP_FAILED) return fail(std::strerror(mapError));
    return MappedFile(static_cast<const uint8_t*>(mapping), size);
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        if (data_ != nullptr) ::munmap(const_cast<uint8_t*>(data_), size_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MappedFile::~MappedFile() {
    if (data_ != nullptr) ::munmap(const_cast<uint8_t*>(data_), size_);
}

}  // namespace tallo
