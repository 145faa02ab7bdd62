#include "Platform/foundation/UserDefaults.h"

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/AtomicFile.h"
#include "Platform/foundation/PropertyList.h"

namespace tallo {

namespace fs = std::filesystem;

namespace {


std::unique_ptr<UserDefaults>& standardSlot() {
    static std::unique_ptr<UserDefaults> slot;
    return slot;
}

// A setting from its property-list form. Arrays, dictionaries and
// references are not settings this program keeps: they read as absent.
std::optional<UserDefaults::Value> valueFromList(const PropertyList& item) {
    if (const bool* v = item.asBool()) return UserDefaults::Value(*v);
    if (const long long* v = item.asInteger()) return UserDefaults::Value(*v);
    if (const double* v = item.asReal()) return UserDefaults::Value(*v);
    if (const std::string* v = item.asString()) return UserDefaults::Value(*v);
    if (const Date* v = item.asDate()) return UserDefaults::Value(*v);
    if (const PropertyList::Data* v = item.asData()) return UserDefaults::Value(*v);
    return std::nullopt;
}

PropertyList listFromValue(const UserDefaults::Value& value) {
    return std::visit([](const auto& v) { return PropertyList(v); }, value);
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
    // A temporary file left by a write that never finished: the file itself
    // still holds the last complete settings.
    std::error_code ignored;
    fs::remove(path_ + ".tmp", ignored);
    if (!fs::exists(path_)) return;  // no file yet: empty defaults
    std::string error;
    auto list = PropertyList::readFile(path_, &error);
    const PropertyList::Dictionary* entries = list ? list->asDictionary() : nullptr;
    if (entries == nullptr) {
        damaged_ = true;
        lastError_ = path_ + " is not a property-list dictionary; it is kept as " + path_ + ".damaged";
        std::fprintf(stderr, "tallo: %s\n", lastError_.c_str());
        return;
    }
    for (const auto& [key, item] : *entries) {
        if (auto value = valueFromList(item)) values_[key] = *value;
    }
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
    // Binary form: it keeps dates to the microsecond (the XML form keeps
    // whole seconds) and is what the platform's own preferences use.
    PropertyList::Dictionary entries;
    for (const auto& [key, value] : values_) entries.emplace(key, listFromValue(value));
    std::vector<uint8_t> encoded = PropertyList(std::move(entries)).binaryData();
    std::string bytes(encoded.begin(), encoded.end());
    std::string error;
    if (!writeFileAtomically(path_, bytes, error)) {
        lastError_ = error;
        return false;
    }
    lastError_.clear();
    return true;
}

}  // namespace tallo
