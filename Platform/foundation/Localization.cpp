#include "Platform/foundation/Localization.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/Locale.h"

namespace tallo {

namespace {

// A small recursive-descent reader over the table text, tracking the line for
// error messages.
class StringsReader {
public:
    explicit StringsReader(std::string_view text) : text_(text) {}

    std::optional<std::map<std::string, std::string>> read(std::string* error) {
        std::map<std::string, std::string> table;
        while (true) {
            if (!skipSpaceAndComments()) return fail(error);
            if (atEnd()) return table;
            std::string key, value;
            if (!readQuoted(key)) return fail(error);
            if (!skipSpaceAndComments()) return fail(error);
            if (!expect('=', "expected '=' after the key")) return fail(error);
            if (!skipSpaceAndComments()) return fail(error);
            if (!readQuoted(value)) return fail(error);
            if (!skipSpaceAndComments()) return fail(error);
            if (!expect(';', "expected ';' after the value")) return fail(error);
            table[std::move(key)] = std::move(value);
        }
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

    void advance() {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
    }

    bool setError(const std::string& message) {
        message_ = "line " + std::to_string(line_) + ": " + message;
        return false;
    }

    std::nullopt_t fail(std::string* error) const {
        if (error != nullptr) *error = message_;
        return std::nullopt;
    }

    bool skipSpaceAndComments() {
        while (!atEnd()) {
            char c = peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                advance();
            } else if (c == '/' && peek(1) == '*') {
                advance();
                advance();
                while (!atEnd() && !(peek() == '*' && peek(1) == '/')) advance();
                if (atEnd()) return setError("unterminated comment");
                advance();
                advance();
            } else if (c == '/' && peek(1) == '/') {
                while (!atEnd() && peek() != '\n') advance();
            } else {
                return true;
            }
        }
        return true;
    }

    bool expect(char wanted, const char* message) {
        if (atEnd() || peek() != wanted) return setError(message);
        advance();
        return true;
    }

    bool readQuoted(std::string& out) {
        if (atEnd() || peek() != '"') return setError("expected a quoted string");
        advance();
        while (!atEnd() && peek() != '"') {
            char c = peek();
            if (c == '\n') return setError("line break inside a quoted string");
            if (c == '\\') {
                advance();
                if (atEnd()) break;
                switch (peek()) {
                    case '"': out += '"'; break;
                    case '\\': out += '\\'; break;
                    case 'n': out += '\n'; break;
                    case 't': out += '\t'; break;
                    default: return setError(std::string("unknown escape \\") + peek());
                }
                advance();
            } else {
                out += c;
                advance();
            }
        }
        if (atEnd()) return setError("unterminated quoted string");
        advance();
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
    std::string message_;
};

struct Cache {
    std::mutex mutex;
    unsigned generation = 0;
    std::string resources;
    std::map<std::string, std::string> table;
};

Cache& cache() {
    static Cache instance;
    return instance;
}

std::map<std::string, std::string> loadTable(const std::string& resources, const std::string& language) {
    if (language.empty() || language == "en") return {};
    auto file = std::filesystem::path(resources) / (language + ".lproj") / "Localizable.strings";
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string error;
    auto table = Localization::parseStringsTable(buffer.str(), &error);
    if (!table) {
        std::fprintf(stderr, "tallo: ignoring broken string table %s (%s)\n", file.c_str(), error.c_str());
        return {};
    }
    return *table;
}

}  // namespace

std::optional<std::map<std::string, std::string>> Localization::parseStringsTable(std::string_view text,
                                                                                 std::string* error) {
    return StringsReader(text).read(error);
}

namespace {

// The entry of `key` in the current language's table, if there is one.
std::optional<std::string> lookUp(const std::string& key) {
    Cache& c = cache();
    std::lock_guard lock(c.mutex);
    std::string resources = Bundle::resourcePath();
    if (c.generation != Locale::generation() || c.resources != resources) {
        c.table = loadTable(resources, Locale::currentLanguage());
        c.generation = Locale::generation();
        c.resources = resources;
    }
    auto found = c.table.find(key);
    if (found == c.table.end()) return std::nullopt;
    return found->second;
}

}  // namespace

std::string Localization::localizedString(std::string_view english) {
    return lookUp(std::string(english)).value_or(std::string(english));
}

std::string Localization::localizedString(std::string_view english, std::string_view sense) {
    std::string key(english);
    key.append("|").append(sense);
    return lookUp(key).value_or(std::string(english));
}

void Localization::reload() {
    Cache& c = cache();
    std::lock_guard lock(c.mutex);
    c.generation = 0;
}

}  // namespace tallo
