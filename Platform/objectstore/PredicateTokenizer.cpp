#include "Platform/objectstore/PredicateTokenizer.h"

#include <array>
#include <cstdio>

namespace tallo::predicate {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
        if (x != y) return false;
    }
    return true;
}

constexpr std::array kReservedWords = {
    "AND", "OR", "NOT", "IN", "BETWEEN", "CONTAINS", "LIKE", "BEGINSWITH", "ENDSWITH", "MATCHES",
    "SELF", "NIL", "NULL", "YES", "NO", "TRUE", "FALSE", "SUBQUERY", "TRUEPREDICATE", "FALSEPREDICATE",
    "ANY", "ALL", "NONE", "SOME", "FIRST", "LAST", "SIZE", "ANYKEY", "FUNCTION", "CAST", "FETCH",
    "CASEINSENSITIVE", "CI",
};

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A byte as it reads in an error message: 'x', or '\xC3' when not printable.
std::string shownCharacter(char c) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string("'") + c + "'";
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, "'\\x%02X'", byte);
    return buffer;
}

void appendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

class Scanner {
public:
    Scanner(std::string_view format, std::vector<Token>& tokens, std::string& error)
        : format_(format), tokens_(tokens), error_(error) {}

    bool run() {
        while (true) {
            while (i_ < format_.size() && isSpace(format_[i_])) ++i_;
            if (i_ >= format_.size()) break;
            if (!scanToken()) return false;
        }
        Token end;
        end.position = format_.size();
        tokens_.push_back(end);
        return true;
    }

private:
    char peek(size_t ahead = 0) const { return i_ + ahead < format_.size() ? format_[i_ + ahead] : '\0'; }

    bool fail(const std::string& message) {
        error_ = message;
        return false;
    }

    void add(Token::Kind kind, std::string text, size_t start) {
        Token token;
        token.kind = kind;
        token.text = std::move(text);
        token.position = start;
        token.length = i_ - start;
        tokens_.push_back(std::move(token));
    }

    bool scanToken() {
        size_t start = i_;
        char c = peek();
        if (isLetter(c)) return scanIdentifier(start, false);
        if (c == '#' && isLetter(peek(1))) {
            ++i_;
            return scanIdentifier(start, true);
        }
        if (c == '@' && isLetter(peek(1))) {
            ++i_;
            return scanIdentifier(start, false);
        }
        if (c == '$') {
            if (!isLetter(peek(1))) return fail("unexpected character '$' at " + std::to_string(start));
            ++i_;
            std::string name = word();
            add(Token::Kind::Variable, name, start);
            return true;
        }
        if (isDigit(c)) return scanNumber(start);
        if (c == '"' || c == '\'') return scanString(start);
        if (c == '%') return scanArgument(start);
        return scanSymbol(start);
    }

    std::string word() {
        size_t begin = i_;
        while (i_ < format_.size() && (isLetter(format_[i_]) || isDigit(format_[i_]))) ++i_;
        return std::string(format_.substr(begin, i_ - begin));
    }

    bool scanIdentifier(size_t start, bool escaped) {
        std::string name = format_[start] == '@' ? "@" + word() : word();
        add(Token::Kind::Identifier, name, start);
        tokens_.back().escaped = escaped;
        return true;
    }

    bool scanNumber(size_t start) {
        while (isDigit(peek())) ++i_;
        if (peek() == '.' && isDigit(peek(1))) {
            ++i_;
            while (isDigit(peek())) ++i_;
        }
        if ((peek() == 'e' || peek() == 'E') &&
            (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
            i_ += 2;
            while (isDigit(peek())) ++i_;
        }
        add(Token::Kind::Number, std::string(format_.substr(start, i_ - start)), start);
        return true;
    }

    bool scanString(size_t start) {
        char quote = format_[i_++];
        std::string text;
        while (true) {
            if (i_ >= format_.size()) return fail("unterminated string at " + std::to_string(start));
            char c = format_[i_++];
            if (c == quote) break;
            if (c != '\\') {
                text += c;
                continue;
            }
            if (i_ >= format_.size()) return fail("unterminated string at " + std::to_string(start));
            if (!scanEscape(text)) return false;
        }
        std::string_view raw = format_.substr(start + 1, i_ - start - 2);
        if (raw == "%@") {
            add(Token::Kind::Argument, "@", start);
            tokens_.back().quotedArgument = true;
        } else {
            add(Token::Kind::String, std::move(text), start);
        }
        return true;
    }

    // After a backslash inside a string. Unknown escapes keep their
    // backslash, so a like pattern can say "\*" for a literal star.
    bool scanEscape(std::string& text) {
        size_t at = i_ - 1;
        char c = format_[i_++];
        switch (c) {
            case 'n': text += '\n'; return true;
            case 't': text += '\t'; return true;
            case 'r': text += '\r'; return true;
            case '"': case '\'': text += c; return true;
            case '\\': text += '\\'; return true;
            case 'u': {
                unsigned codePoint = 0;
                for (int k = 0; k < 4; ++k) {
                    char h = peek();
                    int digit = isDigit(h) ? h - '0' : (h >= 'a' && h <= 'f') ? h - 'a' + 10
                                                     : (h >= 'A' && h <= 'F') ? h - 'A' + 10 : -1;
                    if (digit < 0) return fail("bad \\u escape at " + std::to_string(at));
                    codePoint = codePoint * 16 + static_cast<unsigned>(digit);
                    ++i_;
                }
                if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return fail("bad \\u escape at " + std::to_string(at));
                appendUtf8(text, codePoint);
                return true;
            }
            default:
                text += '\\';
                text += c;
                return true;
        }
    }

    bool scanArgument(size_t start) {
        ++i_;
        std::string conversion;
        if (peek() == '@' || peek() == 'K' || peek() == 'd' || peek() == 'i' || peek() == 'u' || peek() == 'f') {
            conversion = peek();
            ++i_;
        } else if (format_.substr(i_, 3) == "lld" || format_.substr(i_, 3) == "llu") {
            conversion = format_.substr(i_, 3);
            i_ += 3;
        } else if (format_.substr(i_, 2) == "ld" || format_.substr(i_, 2) == "lu" || format_.substr(i_, 2) == "lf") {
            conversion = format_.substr(i_, 2);
            i_ += 2;
        } else {
            std::string shown = i_ < format_.size() ? std::string(1, format_[i_]) : "";
            return fail("unknown format '%" + shown + "' at " + std::to_string(start));
        }
        add(Token::Kind::Argument, conversion, start);
        return true;
    }

    bool scanSymbol(size_t start) {
        static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kTwoCharacter = {{
            {"==", "=="}, {"!=", "!="}, {"<>", "!="}, {"<=", "<="}, {"=<", "<="},
            {">=", ">="}, {"=>", ">="}, {"&&", "&&"}, {"||", "||"},
        }};
        std::string_view two = format_.substr(i_, 2);
        for (const auto& [written, meaning] : kTwoCharacter) {
            if (two == written) {
                i_ += 2;
                add(Token::Kind::Symbol, std::string(meaning), start);
                return true;
            }
        }
        char c = format_[i_];
        if (c == '=') {
            ++i_;
            add(Token::Kind::Symbol, "==", start);
            return true;
        }
        if (std::string_view("<>!(){},.[]-").find(c) != std::string_view::npos) {
            ++i_;
            add(Token::Kind::Symbol, std::string(1, c), start);
            return true;
        }
        return fail("unexpected character " + shownCharacter(c) + " at " + std::to_string(start));
    }

    std::string_view format_;
    std::vector<Token>& tokens_;
    std::string& error_;
    size_t i_ = 0;
};

}  // namespace

bool Token::isKeyword(std::string_view keyword) const {
    return kind == Kind::Identifier && !escaped && equalsIgnoringCase(text, keyword);
}

bool tokenize(std::string_view format, std::vector<Token>& tokens, std::string& error) {
    tokens.clear();
    return Scanner(format, tokens, error).run();
}

bool isReservedWord(std::string_view word) {
    for (const char* reserved : kReservedWords) {
        if (equalsIgnoringCase(word, reserved)) return true;
    }
    return false;
}

}  // namespace tallo::predicate
