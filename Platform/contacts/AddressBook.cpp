#include "Platform/contacts/AddressBook.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <tuple>
#include <utility>

#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/UUID.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

namespace fs = std::filesystem;

namespace {

bool isVCardFile(const fs::directory_entry& entry) {
    std::string name = entry.path().filename().string();
    if (name.empty() || name.front() == '.') return false;  // hidden, or a save in progress
    std::string extension = entry.path().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::error_code code;
    return (extension == ".vcf" || extension == ".vcard") && entry.is_regular_file(code);
}

// Reads at most `limit` bytes: enough for the reader to refuse an oversize
// file by its own rule without holding all of it in memory.
bool readPrefix(const fs::path& path, size_t limit, std::string& text, std::string& error) {
    std::error_code code;
    uintmax_t size = fs::file_size(path, code);
    std::ifstream in(path, std::ios::binary);
    if (code || !in) {
        error = code ? code.message() : std::strerror(errno);
        return false;
    }
    text.resize(static_cast<size_t>(std::min<uintmax_t>(size, limit)));
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        error = "read error";
        return false;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    return true;
}

bool writeFile(const fs::path& path, std::string_view data, std::string& error) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (out) out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (out) out.flush();
        if (out) return true;
    }
    error = "cannot write " + path.string() + ": " + std::strerror(errno);
    return false;
}

}  // namespace

std::string AddressBook::defaultFolder() {
    return (fs::path(ApplicationHome::current().documentsPath()) / "Contacts").string();
}

AddressBook::AddressBook(std::string folder, VCardReader::Limits limits)
    : folder_(std::move(folder)), limits_(limits) {}

bool AddressBook::load() {
    people_.clear();
    identifiers_.clear();
    errors_.clear();
    std::error_code code;
    if (!fs::exists(folder_, code)) return true;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder_, code), end; !code && it != end; it.increment(code)) {
        if (isVCardFile(*it)) files.push_back(it->path());
    }
    if (code) {
        errors_.push_back("cannot read the folder " + folder_ + ": " + code.message());
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) readFile(file.string());
    sortPeople();
    return errors_.empty();
}

void AddressBook::readFile(const std::string& path) {
    std::string name = fs::path(path).filename().string();
    std::string text;
    std::string error;
    if (!readPrefix(path, limits_.maxTextBytes + 1, text, error)) {
        errors_.push_back(name + ": cannot be read: " + error);
        return;
    }
    VCardReader::Result result = VCardReader::read(text, limits_);
    for (const std::string& error : result.errors) errors_.push_back(name + ": " + error);
    adopt(std::move(result.people));
}

const Person* AddressBook::personWithIdentifier(std::string_view identifier) const {
    for (const Person& person : people_) {
        if (person.identifier == identifier) return &person;
    }
    return nullptr;
}

AddressBook::Added AddressBook::addCardData(std::string_view data) {
    Added added;
    VCardReader::Result result = VCardReader::read(data, limits_);
    added.errors = std::move(result.errors);
    if (added.errors.empty() && result.people.empty()) added.errors.push_back("the data holds no card of a person");
    if (!added.errors.empty()) return added;

    std::error_code code;
    fs::create_directories(folder_, code);
    if (code) {
        added.errors.push_back("cannot create the folder " + folder_ + ": " + code.message());
        return added;
    }
    // Written under a hidden name and renamed, so load() never sees half a file.
    std::string name = UUID::createString() + ".vcf";
    fs::path partial = fs::path(folder_) / ("." + name + ".part");
    std::string error;
    if (!writeFile(partial, data, error)) {
        fs::remove(partial, code);
        added.errors.push_back(error);
        return added;
    }
    fs::rename(partial, fs::path(folder_) / name, code);
    if (code) {
        fs::remove(partial, code);
        added.errors.push_back("cannot save the card in " + folder_ + ": " + code.message());
        return added;
    }
    added.identifiers = adopt(std::move(result.people));
    sortPeople();
    return added;
}

std::vector<std::string> AddressBook::adopt(std::vector<Person> people) {
    std::vector<std::string> identifiers;
    for (Person& person : people) {
        std::string base = person.identifier;
        for (int copy = 2; identifiers_.count(person.identifier) != 0; ++copy) {
            person.identifier = base + "-" + std::to_string(copy);
        }
        identifiers_.insert(person.identifier);
        identifiers.push_back(person.identifier);
        people_.push_back(std::move(person));
    }
    return identifiers;
}

void AddressBook::sortPeople() {
    struct Entry {
        bool unnamed;
        std::string key;
        size_t index;
    };
    std::vector<Entry> entries;
    entries.reserve(people_.size());
    for (size_t i = 0; i < people_.size(); ++i) {
        std::string name = people_[i].displayName();
        entries.push_back(Entry{name.empty(), foldText(name, true, true), i});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.unnamed, a.key) < std::tie(b.unnamed, b.key);
    });
    std::vector<Person> sorted;
    sorted.reserve(people_.size());
    for (const Entry& entry : entries) sorted.push_back(std::move(people_[entry.index]));
    people_ = std::move(sorted);
}

}  // namespace tallo
