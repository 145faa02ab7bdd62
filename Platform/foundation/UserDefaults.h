#pragma once
// UserDefaults: the person's settings, a binary property-list file read once
// at start and written whole on every change, atomically (a temporary file
// renamed over the old one), so a crash never leaves half a file.
//
// Absent keys read as absent: the optional getters answer nothing, and the
// plain getters answer false, 0 or "" as a caller reading a setting expects.
// A value of another type reads as absent (a string asked for as a date).
//
// A file that cannot be read as a property list is reported (lastError) and
// kept: it is renamed to "<file>.damaged" before the first write, so the
// person's old settings are never silently destroyed.
//
// Main thread only.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/foundation/Date.h"

namespace tallo {

class UserDefaults {
public:
    using Data = std::vector<uint8_t>;
    using Value = std::variant<bool, long long, double, std::string, Date, Data>;

    // The program's defaults: "<home>/Library/Preferences/Tallo.plist" of the
    // current application home (ApplicationHome::current), opened on first use.
    static UserDefaults& standardUserDefaults();
    // Points the standard defaults at another file (the launch with --home,
    // and tests), dropping what was loaded.
    static void resetStandardUserDefaults(const std::string& plistPath);

    // Reads `plistPath`; a missing file is empty defaults.
    explicit UserDefaults(std::string plistPath);

    bool hasKey(const std::string& key) const;
    std::optional<bool> boolValue(const std::string& key) const;
    std::optional<long long> integerValue(const std::string& key) const;
    std::optional<double> doubleValue(const std::string& key) const;
    std::optional<std::string> stringValue(const std::string& key) const;
    std::optional<Date> dateValue(const std::string& key) const;
    std::optional<Data> dataValue(const std::string& key) const;

    bool boolForKey(const std::string& key) const { return boolValue(key).value_or(false); }
    long long integerForKey(const std::string& key) const { return integerValue(key).value_or(0); }
    std::string stringForKey(const std::string& key) const { return stringValue(key).value_or(""); }

    // Each setter writes the file; false (and lastError) when it cannot,
    // with the value still set in memory.
    bool setBool(const std::string& key, bool value);
    bool setInteger(const std::string& key, long long value);
    bool setDouble(const std::string& key, double value);
    bool setString(const std::string& key, const std::string& value);
    bool setDate(const std::string& key, Date value);
    bool setData(const std::string& key, const Data& value);
    bool removeObjectForKey(const std::string& key);

    // Writes the file now (setters already do).
    bool synchronize();

    const std::string& path() const { return path_; }
    const std::string& lastError() const { return lastError_; }

private:
    bool set(const std::string& key, Value value);
    void load();

    std::string path_;
    std::map<std::string, Value> values_;
    std::string lastError_;
    bool damaged_ = false;
};

}  // namespace tallo
