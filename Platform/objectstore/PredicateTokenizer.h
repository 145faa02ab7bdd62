#pragma once
// Splits a predicate format into tokens, each with its byte position for
// error messages.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tallo::predicate {

struct Token {
    enum class Kind {
        End,         // after the last token; position = length of the format
        Identifier,  // a key or keyword: "type", "AND", "@count"; `escaped` when written "#name"
        Variable,    // "$s": text "s"
        Number,      // "20", "1.5", "1e3" as written
        String,      // the text between the quotes, escapes resolved
        Argument,    // %@ %K %d %i %u %ld %lld %lu %llu %f %lf, and a quoted "%@": text is the conversion
        Symbol,      // == != < <= > >= && || ! ( ) { } , . [ ] - ("=" "<>" "=<" "=>" arrive as == != <= >=)
    };
    Kind kind = Kind::End;
    std::string text;
    size_t position = 0;
    size_t length = 0;
    bool escaped = false;         // Identifier: written with '#', so never a keyword
    bool quotedArgument = false;  // Argument: written as "%@" in quotes

    bool isSymbol(std::string_view symbol) const { return kind == Kind::Symbol && text == symbol; }
    // Identifier equal to the keyword, ignoring case; never an escaped one.
    bool isKeyword(std::string_view keyword) const;
};

// Tokens of `format`, always ending in an End token. False with `error`
// ("unterminated string at 20") when the format cannot be split.
bool tokenize(std::string_view format, std::vector<Token>& tokens, std::string& error);

// Words of the predicate language that cannot name a key unless written "#word".
bool isReservedWord(std::string_view word);

}  // namespace tallo::predicate
