#pragma once
// MappedFile: a whole file mapped read-only into memory, for sending it
// without reading it into a buffer first (the file's pages come straight
// from the page cache). The file must not be shortened by anyone while it is
// mapped; map only files this program alone writes, and not while it writes
// them. Movable, not copyable; unmapped when destroyed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tallo {

class MappedFile {
public:
    // The mapping of the file at `path`, or nothing (with `error`) when it
    // cannot be opened, is not a regular file, or cannot be mapped. An empty
    // file maps to zero bytes.
    static std::optional<MappedFile> open(const std::string& path, std::string* error = nullptr);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    MappedFile(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace tallo
