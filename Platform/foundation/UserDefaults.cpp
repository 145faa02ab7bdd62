#include "Platform/foundation/UserDefaults.h"

#include "Platform/foundation/PlistSupport.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "Platform/foundation/ApplicationHome.h"

namespace tallo {

namespace fs = std::filesystem;

namespace {


std::unique_ptr<UserDefaults>& standardSlot() {
    static std::unique_ptr<UserDefaults> slot;
    return slot;
}

std::optional<UserDefaults::Value> valueFromNode(plist_t node) {
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return UserDefaults::Value(value != 0);
        }
        case PLIST_UINT: {
            uint64_t value = 0;
            plist_get_uint_val(node, &value);
            // Integers are written as their 64-bit two's complement.
            return UserDefaults::Value(static_cast<long long>(value));
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return UserDefaults::Value(value);
        }
        case PLIST_STRING: {
            // Text that is not UTF-8 could not be written back readably: it
            // reads as absent rather than poisoning the next save.
            std::string text = plistString(node);
            if (!isValidUtf8(text)) return std::nullopt;
            return UserDefaults::Value(std::move(text));
        }
        case PLIST_DATE: {
            int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            return UserDefaults::Value(Date::fromReferenceDate(sec + usec / 1e6));
        }
        case PLIST_DATA: {
            char* bytes = nullptr;
            uint64_t length = 0;
            plist_get_data_val(node, &bytes, &length);
            UserDefaults::Data value(bytes, bytes + length);
            std::free(bytes);
            return UserDefaults::Value(value);
        }
        default:
            return std::nullopt;  // arrays and dictionaries are not settings we keep
    }
}

plist_t nodeFromValue(const UserDefaults::Value& value) {
    struct Visitor {
        plist_t operator()(bool v) const { return plist_new_bool(v ? 1 : 0); }
        plist_t operator()(long long v) const { return plist_new_uint(static_cast<uint64_t>(v)); }
        plist_t operator()(double v) const { return plist_new_real(v); }
        plist_t operator()(const std::string& v) const { return plist_new_string(v.c_str()); }
        plist_t operator()(Date v) const {
            double since = v.timeIntervalSinceReferenceDate();
            double whole = std::floor(since);
            return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>(std::lround((since - whole) * 1e6)));
        }
        plist_t operator()(const UserDefaults::Data& v) const {
            return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
        }
    };
    return std::visit(Visitor{}, value);
}

// Writes `bytes` to `path` through a temporary file in the same folder,
// flushed to disk before it is renamed over the old file.
bool writeAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    std::error_code code;
    fs::create_directories(fs::path(path).parent_path(), code);
    std::string temporary = path + ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = "cannot write " + temporary + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(temporary.c_str());
            return false;
        }
        written += static_cast<size_t>(n);
    }
    bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

UserDefaults& UserDefaults::standardUserDefaults() {
    auto& slot = standardSlot();
    if (!slot) {
        auto home = ApplicationHome::current();
        slot = std::make_unique<UserDefaults>((fs::path(home.preferencesPath()) / "Tallo.plist").string());
    }
    return *slot;
}

void UserDefaults::resetStandardUserDefaults(const std::string& plistPath) {
    standardSlot() = std::make_unique<UserDefaults>(plistPath);
}

UserDefaults::UserDefaults(std::string plistPath) : path_(std::move(plistPath)) { load(); }

void UserDefaults::load() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;  // no file yet: empty defaults
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string bytes = buffer.str();
    plist_t root = nullptr;
    bool readable = !bytes.empty() && bytes.size() <= UINT32_MAX &&
                    !binaryListHasStringWithNul(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (readable) plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (root == nullptr || plist_get_node_type(root) != PLIST_DICT) {
        damaged_ = true;
        lastError_ = path_ + " is not a property-list dictionary; it is kept as " + path_ + ".damaged";
        std::fprintf(stderr, "tallo: %s\n", lastError_.c_str());
        return;
    }
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(root, &iter);
    while (true) {
        char* key = nullptr;
        plist_t node = nullptr;
        plist_dict_next_item(root, iter, &key, &node);
        if (key == nullptr) break;
        if (auto value = valueFromNode(node)) values_[key] = *value;
        std::free(key);
    }
    std::free(iter);
}

bool UserDefaults::hasKey(const std::string& key) const { return values_.count(key) != 0; }

template <typename T>
static std::optional<T> getAs(const std::map<std::string, UserDefaults::Value>& values, const std::string& key) {
    auto found = values.find(key);
    if (found == values.end()) return std::nullopt;
    if (const T* value = std::get_if<T>(&found->second)) return *value;
    return std::nullopt;
}

std::optional<bool> UserDefaults::boolValue(const std::string& key) const {
    auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    if (const bool* value = std::get_if<bool>(&found->second)) return *value;
    if (const long long* value = std::get_if<long long>(&found->second)) return *value != 0;
    return std::nullopt;
}

std::optional<long long> UserDefaults::integerValue(const std::string& key) const {
    auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    if (const long long* value = std::get_if<long long>(&found->second)) return *value;
    if (const bool* value = std::get_if<bool>(&found->second)) return *value ? 1 : 0;
    return std::nullopt;
}

std::optional<double> UserDefaults::doubleValue(const std::string& key) const {
    auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    if (const double* value = std::get_if<double>(&found->second)) return *value;
    if (const long long* value = std::get_if<long long>(&found->second)) return static_cast<double>(*value);
    return std::nullopt;
}

std::optional<std::string> UserDefaults::stringValue(const std::string& key) const {
    return getAs<std::string>(values_, key);
}
std::optional<Date> UserDefaults::dateValue(const std::string& key) const { return getAs<Date>(values_, key); }
std::optional<UserDefaults::Data> UserDefaults::dataValue(const std::string& key) const {
    return getAs<Data>(values_, key);
}

bool UserDefaults::setBool(const std::string& key, bool value) { return set(key, value); }
bool UserDefaults::setInteger(const std::string& key, long long value) { return set(key, value); }
bool UserDefaults::setDouble(const std::string& key, double value) { return set(key, value); }
bool UserDefaults::setString(const std::string& key, const std::string& value) { return set(key, value); }
bool UserDefaults::setDate(const std::string& key, Date value) { return set(key, value); }
bool UserDefaults::setData(const std::string& key, const Data& value) { return set(key, value); }

bool UserDefaults::removeObjectForKey(const std::string& key) {
    if (values_.erase(key) == 0) return true;
    return synchronize();
}

bool UserDefaults::set(const std::string& key, Value value) {
    values_[key] = std::move(value);
    return synchronize();
}

bool UserDefaults::synchronize() {
    if (damaged_) {
        std::error_code code;
        fs::rename(path_, path_ + ".damaged", code);
        if (code) {
            lastError_ = "cannot keep the damaged " + path_ + ": " + code.message();
            return false;
        }
        damaged_ = false;
    }
    PlistPtr root(plist_new_dict());
    for (const auto& [key, value] : values_) plist_dict_set_item(root.get(), key.c_str(), nodeFromValue(value));
    // Binary form: it keeps dates to the microsecond (the XML form keeps
    // whole seconds) and is what the platform's own preferences use.
    char* encoded = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &encoded, &length);
    std::string bytes(encoded, length);
    plist_to_bin_free(encoded);
    std::string error;
    if (!writeAtomically(path_, bytes, error)) {
        lastError_ = error;
        return false;
    }
    lastError_.clear();
    return true;
}

}  // namespace tallo
