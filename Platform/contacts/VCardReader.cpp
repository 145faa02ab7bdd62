#include "Platform/contacts/VCardReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

namespace tallo {

namespace {

// ---------------------------------------------------------------------------
// Small text helpers (ASCII case rules: property and parameter names are
// ASCII, and so are the few values compared here).

char upperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = upperChar(c);
    return result;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (upperChar(a[i]) != upperChar(b[i])) return false;
    }
    return true;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool containsIgnoringCase(std::string_view text, std::string_view needle) {
    for (size_t i = 0; i + needle.size() <= text.size(); ++i) {
        if (equalsIgnoringCase(text.substr(i, needle.size()), needle)) return true;
    }
    return false;
}

// "10 MiB", "64 KiB" or "100 bytes", for the limits in messages.
std::string sizeText(size_t bytes) {
    if (bytes >= (size_t{1} << 20) && bytes % (size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

// A value quoted in a message: printable ASCII only and short, so hostile
// input cannot fill the message with junk.
std::string shown(std::string_view text) {
    std::string result;
    for (char c : text.substr(0, 20)) result += (c >= ' ' && c <= '~') ? c : '?';
    if (text.size() > 20) result += "...";
    return result;
}

std::string lineError(int line, const std::string& message) {
    return "line " + std::to_string(line) + ": " + message;
}

// ---------------------------------------------------------------------------
// Physical lines: split at CRLF, LF or a lone CR, numbered from 1, read one at
// a time so a file of millions of empty lines costs no index.

struct PhysicalLine {
    std::string_view text;
    int number = 0;
    size_t begin = 0;  // offset of the line's first character
    size_t end = 0;    // offset just past the line break
};

class LineSource {
public:
    explicit LineSource(std::string_view text) : text_(text) { scan(); }

    bool atEnd() const { return !hasLine_; }
    const PhysicalLine& peek() const { return line_; }
    int lastNumber() const { return lastNumber_; }

    PhysicalLine take() {
        PhysicalLine taken = line_;
        lastNumber_ = taken.number;
        scan();
        return taken;
    }

private:
    void scan() {
        hasLine_ = pos_ < text_.size();
        if (!hasLine_) return;
        size_t breakAt = text_.find_first_of("\r\n", pos_);
        if (breakAt == std::string_view::npos) breakAt = text_.size();
        size_t next = breakAt;
        if (next < text_.size()) next += (text_[next] == '\r' && next + 1 < text_.size() && text_[next + 1] == '\n') ? 2 : 1;
        line_ = PhysicalLine{text_.substr(pos_, breakAt - pos_), ++number_, pos_, next};
        pos_ = next;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int number_ = 0;
    int lastNumber_ = 0;
    bool hasLine_ = false;
    PhysicalLine line_;
};

// ---------------------------------------------------------------------------
// Logical lines: a property with its continuation lines joined. Three kinds
// of continuation are joined:
//   - folding: a line break followed by a space or tab (the one space or tab
//     is dropped);
//   - a quoted-printable soft break: a value ending in "=" goes on with the
//     next line (2.1);
//   - 2.1 base64 written without indentation: lines made only of base64
//     characters after a BASE64 property, up to the blank line that ends it.

bool isBlank(std::string_view text) { return trim(text).empty(); }

bool isBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
}

bool isBase64Run(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!isBase64Char(c)) return false;
    }
    return true;
}

struct LogicalLine {
    std::string text;
    int number = 0;    // of its first physical line
    size_t begin = 0;  // offsets in the text, continuation lines included
    size_t end = 0;
};

constexpr size_t kLongestHeader = 1024;

class LogicalLineReader {
public:
    explicit LogicalLineReader(std::string_view text) : source_(text) {}

    int lastNumber() const { return source_.lastNumber(); }

    bool next(LogicalLine& out) {
        while (!source_.atEnd() && isBlank(source_.peek().text)) source_.take();
        if (source_.atEnd()) return false;
        PhysicalLine first = source_.take();
        std::string_view firstText = first.text;
        while (!firstText.empty() && isSpace(firstText.front())) firstText.remove_prefix(1);
        out.text.assign(firstText);
        out.number = first.number;
        out.begin = first.begin;
        out.end = first.end;
        // The name and parameters; a longer stretch before the colon is no
        // property line anyway, and the search stays cheap on hostile lines.
        std::string_view header = firstText.substr(0, std::min(firstText.find(':'), kLongestHeader));
        bool quotedPrintable = containsIgnoringCase(header, "QUOTED-PRINTABLE");
        bool bareBase64 = containsIgnoringCase(header, "BASE64");
        while (!source_.atEnd()) {
            std::string_view next = source_.peek().text;
            if (quotedPrintable && !out.text.empty() && out.text.back() == '=') {
                out.text.pop_back();
                out.text += next;
            } else if (!next.empty() && (next.front() == ' ' || next.front() == '\t')) {
                out.text += next.substr(1);
            } else if (bareBase64 && isBase64Run(next)) {
                out.text += next;
            } else {
                break;
            }
            out.end = source_.take().end;
        }
        return true;
    }

private:
    LineSource source_;
};

// ---------------------------------------------------------------------------
// Property lines: [group.]NAME *(;PARAM[=value]) : value

struct Property {
    std::string name;                                         // upper case, without the group
    std::vector<std::pair<std::string, std::string>> params;  // upper-case name, value
    std::string_view value;                                   // into the logical line

    std::string param(std::string_view wanted) const {
        for (const auto& [name, value] : params) {
            if (name == wanted) return value;
        }
        return {};
    }
};

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
}

// 2.1 writes parameters without a name ("PHOTO;JPEG;BASE64:"); the encodings
// among them are ENCODING values, the rest are types.
std::pair<std::string, std::string> bareParam(std::string_view value) {
    std::string asUpper = upper(value);
    for (const char* encoding : {"BASE64", "B", "QUOTED-PRINTABLE", "8BIT", "7BIT"}) {
        if (asUpper == encoding) return {"ENCODING", asUpper};
    }
    return {"TYPE", std::string(value)};
}

// Reads one parameter starting after its ';'. Quoted stretches may hold ';'
// and ':'. False with `error` when the line ends inside a quote.
bool parseParam(std::string_view line, size_t& pos, Property& out, std::string& error) {
    size_t start = pos;
    while (pos < line.size() && line[pos] != '=' && line[pos] != ';' && line[pos] != ':') ++pos;
    std::string_view name = trim(line.substr(start, pos - start));
    if (pos >= line.size() || line[pos] != '=') {
        if (!name.empty()) out.params.push_back(bareParam(name));
        return true;
    }
    ++pos;
    std::string value;
    while (pos < line.size() && line[pos] != ';' && line[pos] != ':') {
        if (line[pos] == '"') {
            size_t close = line.find('"', pos + 1);
            if (close == std::string_view::npos) {
                error = "unterminated quoted parameter value";
                return false;
            }
            value += line.substr(pos + 1, close - pos - 1);
            pos = close + 1;
        } else {
            value += line[pos++];
        }
    }
    out.params.emplace_back(upper(name), value);
    return true;
}

bool parseProperty(std::string_view line, Property& out, std::string& error) {
    size_t nameEnd = line.find_first_of(";:");
    if (nameEnd == std::string_view::npos) {
        error = "property line has no ':'";
        return false;
    }
    std::string_view name = trim(line.substr(0, nameEnd));
    for (char c : name) {
        if (!isNameChar(c)) {
            error = "property name holds characters other than letters, digits and '-'";
            return false;
        }
    }
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name.remove_prefix(dot + 1);
    if (name.empty()) {
        error = "property line has no name";
        return false;
    }
    out.name = upper(name);
    size_t pos = nameEnd;
    while (pos < line.size() && line[pos] == ';') {
        ++pos;
        if (!parseParam(line, pos, out, error)) return false;
    }
    if (pos >= line.size()) {
        error = "property line has no ':'";
        return false;
    }
    out.value = line.substr(pos + 1);
    return true;
}

bool isCardMarker(const Property& property, std::string_view name) {
    return property.name == name && equalsIgnoringCase(trim(property.value), "VCARD");
}

// ---------------------------------------------------------------------------
// Value decoding.

// Splits at `separator` where it is not escaped by a backslash; the pieces
// keep their escapes.
std::vector<std::string_view> splitUnescaped(std::string_view raw, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\') {
            ++i;
        } else if (raw[i] == separator) {
            pieces.push_back(raw.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(raw.substr(start));
    return pieces;
}

// \n \N \, \; \: \\ as the text they stand for; any other backslash is kept.
std::string unescapeText(std::string_view raw) {
    std::string text;
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c != '\\' || i + 1 == raw.size()) {
            text += c;
            continue;
        }
        char next = raw[i + 1];
        if (next == 'n' || next == 'N') {
            text += '\n';
        } else if (next == ',' || next == ';' || next == ':' || next == '\\') {
            text += next;
        } else {
            text += c;
            continue;
        }
        ++i;
    }
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = upperChar(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "=C3=BC" as the bytes it stands for; an "=" not followed by two hex digits
// is kept as written (old writers were not strict).
std::string decodeQuotedPrintable(std::string_view raw) {
    std::string text;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '=' && i + 2 < raw.size() && hexValue(raw[i + 1]) >= 0 && hexValue(raw[i + 2]) >= 0) {
            text += static_cast<char>(hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2]));
            i += 2;
        } else if (raw[i] == '=' && i + 1 == raw.size()) {
            break;  // a soft break at the very end
        } else {
            text += raw[i];
        }
    }
    return text;
}

bool isValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            auto follow = static_cast<unsigned char>(text[i + k]);
            if ((follow & 0xC0) != 0x80) return false;
            code = (code << 6) | (follow & 0x3F);
        }
        static constexpr std::array<uint32_t, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

// Old 2.1 writers used the system's 8-bit character set; Latin-1 is the best
// guess for text that is not UTF-8, and it keeps every name valid UTF-8.
std::string toValidUtf8(std::string text) {
    if (isValidUtf8(text)) return text;
    std::string converted;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            converted += c;
        } else {
            converted += static_cast<char>(0xC0 | (byte >> 6));
            converted += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return converted;
}

// A name for a one-line field: control characters become spaces, the ends
// are trimmed, and nothing left means no name.
std::optional<std::string> cleanName(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    std::string_view trimmed = trim(text);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

std::string decodeText(std::string_view raw, bool quotedPrintable) {
    std::string text = unescapeText(raw);
    if (quotedPrintable) text = decodeQuotedPrintable(text);
    return toValidUtf8(std::move(text));
}

// A name component that may list several values ("Ann,Marie" in 4.0): the
// values joined by spaces.
std::optional<std::string> decodeNameComponent(std::string_view raw, bool quotedPrintable) {
    std::string joined;
    for (std::string_view piece : splitUnescaped(raw, ',')) {
        std::optional<std::string> value = cleanName(decodeText(piece, quotedPrintable));
        if (!value) continue;
        if (!joined.empty()) joined += ' ';
        joined += *value;
    }
    if (joined.empty()) return std::nullopt;
    return joined;
}

enum class Base64Outcome { decoded, invalid, tooLarge };

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Standard base64; whitespace anywhere is skipped (folded lines), the final
// padding may be missing. Stops as soon as the output passes `maxBytes`.
Base64Outcome decodeBase64(std::string_view text, size_t maxBytes, std::vector<uint8_t>& out) {
    out.clear();
    uint32_t bits = 0;
    int bitCount = 0;
    size_t digits = 0;
    size_t padding = 0;
    for (char c : text) {
        if (isSpace(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        int value = base64Value(c);
        if (value < 0 || padding > 0) return Base64Outcome::invalid;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        bitCount += 6;
        ++digits;
        if (bitCount >= 8) {
            bitCount -= 8;
            if (out.size() == maxBytes) return Base64Outcome::tooLarge;
            out.push_back(static_cast<uint8_t>(bits >> bitCount));
            bits &= (1u << bitCount) - 1;
        }
    }
    if (digits % 4 == 1 || padding > 2) return Base64Outcome::invalid;
    if (padding > 0 && (digits + padding) % 4 != 0) return Base64Outcome::invalid;
    return Base64Outcome::decoded;
}

bool isShowablePicture(const std::vector<uint8_t>& bytes) {
    static constexpr std::array<uint8_t, 8> kPng{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bool png = bytes.size() >= kPng.size() && std::equal(kPng.begin(), kPng.end(), bytes.begin());
    bool jpeg = bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
    return png || jpeg;
}

// FNV-1a over the card's text: a stable identifier for a card without a UID.
std::string derivedIdentifier(std::string_view cardText) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : cardText) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "vcard-%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

// ---------------------------------------------------------------------------
// One card while it is read.

struct CardDraft {
    int beginLine = 0;
    size_t beginOffset = 0;
    std::optional<std::string> uid, firstName, lastName, organization, formattedName;
    bool organizationKind = false;
    bool group = false;
    std::optional<std::vector<uint8_t>> picture;
    std::string error;  // the first error, "" while the card is good
};

class CardFields {
public:
    CardFields(CardDraft& card, const VCardReader::Limits& limits) : card_(card), limits_(limits) {}

    // Takes one property into the card; "" or the reason the card is broken.
    std::string apply(const Property& p) {
        bool quotedPrintable = upper(p.param("ENCODING")) == "QUOTED-PRINTABLE";
        if (p.name == "VERSION") return checkVersion(p.value);
        if (p.name == "N") return readName(p.value, quotedPrintable);
        if (p.name == "FN") card_.formattedName = cleanName(decodeText(p.value, quotedPrintable));
        if (p.name == "ORG") card_.organization = cleanName(decodeText(splitUnescaped(p.value, ';')[0], quotedPrintable));
        if (p.name == "UID") card_.uid = cleanName(decodeText(p.value, quotedPrintable));
        if (p.name == "KIND") readKind(trim(p.value));
        if (p.name == "X-ADDRESSBOOKSERVER-KIND") readKind(trim(p.value));
        if (p.name == "X-ABSHOWAS" && equalsIgnoringCase(trim(p.value), "COMPANY")) card_.organizationKind = true;
        if (p.name == "PHOTO" && !card_.picture) return readPhoto(p);
        return {};
    }

private:
    static std::string checkVersion(std::string_view value) {
        value = trim(value);
        if (value == "2.1" || value == "3.0" || value == "4.0") return {};
        return "vCard version \"" + shown(value) + "\" is not read (2.1, 3.0 and 4.0 are)";
    }

    std::string readName(std::string_view value, bool quotedPrintable) {
        std::vector<std::string_view> parts = splitUnescaped(value, ';');
        card_.lastName = decodeNameComponent(parts[0], quotedPrintable);
        card_.firstName = parts.size() > 1 ? decodeNameComponent(parts[1], quotedPrintable) : std::nullopt;
        return {};
    }

    void readKind(std::string_view value) {
        if (equalsIgnoringCase(value, "org") || equalsIgnoringCase(value, "organization")) card_.organizationKind = true;
        if (equalsIgnoringCase(value, "group")) card_.group = true;
    }

    std::string readPhoto(const Property& p) {
        std::string encoding = upper(p.param("ENCODING"));
        std::string_view data;
        if (encoding == "B" || encoding == "BASE64") {
            data = p.value;
        } else {
            std::string_view uri = trim(p.value);
            if (!startsWithIgnoringCase(uri, "data:")) return {};  // a link: nothing is fetched
            size_t comma = uri.find(',');
            if (comma == std::string_view::npos) return "PHOTO is a data URI without ','";
            std::string_view header = uri.substr(0, comma);
            if (!containsIgnoringCase(header, ";base64")) return {};  // percent-encoded data: not used
            data = uri.substr(comma + 1);
        }
        std::vector<uint8_t> bytes;
        switch (decodeBase64(data, limits_.maxPictureBytes, bytes)) {
            case Base64Outcome::invalid: return "PHOTO is not valid base64";
            case Base64Outcome::tooLarge: return "PHOTO is larger than " + sizeText(limits_.maxPictureBytes);
            case Base64Outcome::decoded: break;
        }
        if (isShowablePicture(bytes)) card_.picture = std::move(bytes);
        return {};
    }

    CardDraft& card_;
    const VCardReader::Limits& limits_;
};

Person makePerson(CardDraft&& card, std::string_view cardText) {
    Person person;
    person.identifier = card.uid ? *card.uid : derivedIdentifier(cardText);
    person.firstName = std::move(card.firstName);
    person.lastName = std::move(card.lastName);
    person.organization = std::move(card.organization);
    person.picture = std::move(card.picture);
    bool namesPerson = person.firstName || person.lastName;
    // FN stands in for the names only when N gives none and FN is not just
    // the organization's name again (as writers put it on company cards).
    const auto& fn = card.formattedName;
    if (!namesPerson && fn && fn != person.organization) {
        size_t space = fn->rfind(' ');
        if (space == std::string::npos) {
            person.firstName = *fn;
        } else {
            person.firstName = cleanName(fn->substr(0, space));
            person.lastName = cleanName(fn->substr(space + 1));
        }
        namesPerson = true;
    }
    bool organization = card.organizationKind || (!namesPerson && person.organization);
    person.kind = organization ? Person::kOrganization : Person::kPerson;
    return person;
}

// ---------------------------------------------------------------------------
// The reader: cards one after another, each kept or refused on its own.

class Reader {
public:
    Reader(std::string_view text, const VCardReader::Limits& limits)
        : text_(text), limits_(limits), lines_(text) {}

    VCardReader::Result run() {
        LogicalLine line;
        while (!stopped_ && lines_.next(line)) {
            Property property;
            std::string error;
            bool parsed = parseProperty(line.text, property, error);
            if (!card_) {
                outsideCard(line, parsed ? &property : nullptr);
            } else if (parsed && isCardMarker(property, "BEGIN")) {
                refuse(lineError(line.number, "END:VCARD missing for the card that began on line " +
                                                  std::to_string(card_->beginLine)));
                begin(line);
            } else if (parsed && isCardMarker(property, "END")) {
                finish(line.end);
            } else if (card_->error.empty()) {
                if (parsed) error = CardFields(*card_, limits_).apply(property);
                if (!error.empty()) card_->error = lineError(line.number, error);
            }
        }
        if (card_ && !stopped_) {
            refuse(lineError(lines_.lastNumber(), "END:VCARD missing for the card that began on line " +
                                                      std::to_string(card_->beginLine)));
        }
        if (suppressedErrors_ > 0) {
            result_.errors.push_back("and " + std::to_string(suppressedErrors_) + " more errors");
        }
        return std::move(result_);
    }

private:
    // Between cards only BEGIN:VCARD belongs. A stretch of anything else is
    // reported once, at its first line; an END:VCARD closes the stretch
    // (it is the end of the card whose BEGIN was unreadable).
    void outsideCard(const LogicalLine& line, const Property* property) {
        if (property && isCardMarker(*property, "BEGIN")) {
            inJunk_ = false;
            begin(line);
        } else if (property && isCardMarker(*property, "END")) {
            if (!inJunk_) addError(lineError(line.number, "END:VCARD without BEGIN:VCARD"));
            inJunk_ = false;
        } else {
            if (!inJunk_) addError(lineError(line.number, "expected BEGIN:VCARD"));
            inJunk_ = true;
        }
    }

    void begin(const LogicalLine& line) {
        if (cardsBegun_ == limits_.maxCards) {
            addError(lineError(line.number, "more than " + std::to_string(limits_.maxCards) +
                                                " cards; the rest is not read"));
            stopped_ = true;
            return;
        }
        ++cardsBegun_;
        card_.emplace();
        card_->beginLine = line.number;
        card_->beginOffset = line.begin;
    }

    void finish(size_t end) {
        if (!card_->error.empty()) {
            refuse(card_->error);
            return;
        }
        if (!card_->group) {
            std::string_view cardText = text_.substr(card_->beginOffset, end - card_->beginOffset);
            result_.people.push_back(makePerson(std::move(*card_), cardText));
        }
        card_.reset();
    }

    // Drops the open card, reporting its own first error when it has one.
    void refuse(const std::string& error) {
        addError(card_->error.empty() ? error : card_->error);
        card_.reset();
    }

    void addError(std::string error) {
        if (result_.errors.size() < limits_.maxErrors) {
            result_.errors.push_back(std::move(error));
        } else {
            ++suppressedErrors_;
        }
    }

    std::string_view text_;
    const VCardReader::Limits& limits_;
    LogicalLineReader lines_;
    VCardReader::Result result_;
    std::optional<CardDraft> card_;
    size_t cardsBegun_ = 0;
    size_t suppressedErrors_ = 0;
    bool inJunk_ = false;
    bool stopped_ = false;
};

}  // namespace

VCardReader::Result VCardReader::read(std::string_view text, const Limits& limits) {
    if (text.size() > limits.maxTextBytes) {
        return Result{{}, {"the vCard data is larger than " + sizeText(limits.maxTextBytes)}};
    }
    if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
        return Result{{}, {"the vCard data is UTF-16 text; only UTF-8 (or 8-bit) text is read"}};
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return Reader(text, limits).run();
}

}  // namespace tallo
