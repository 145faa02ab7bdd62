#pragma once
// Predicate: a condition on stored objects, parsed once from a format string
// with arguments, then evaluated on many objects.
//
//   Predicate::parse("account == %@ AND searchString contains[cd] %@", {account, "café"})
//
// Grammar (case-insensitive keywords):
//   or-expr   := and-expr (("OR" | "||") and-expr)*
//   and-expr  := not-expr (("AND" | "&&") not-expr)*
//   not-expr  := ("NOT" | "!") not-expr | "(" or-expr ")" | comparison | "TRUEPREDICATE" | "FALSEPREDICATE"
//   comparison:= expr op expr | expr "BETWEEN" "{" expr "," expr "}" | expr "IN" expr
//   op        := == = != <> < <= =< > >= => | contains | like | beginswith | endswith
//                each operator may carry [c], [d] or [cd]
//   expr      := key-path | "SELF" | "$var" key-path-tail | %@ | %d | %K | number | "text" | 'text'
//                | nil | NULL | YES | NO | TRUE | FALSE | "{" expr, ... "}"
//                | key-path ".@count" | "SUBQUERY(" expr "," "$var" "," or-expr ")" [".@count"]
// A key that is also a keyword is written with '#' ("#in"). A list "{...}"
// may only follow IN or BETWEEN. ANY, ALL, MATCHES and the other reserved
// words of the wider predicate language are refused as unsupported.
//
// Arguments: %@ takes the next argument as a value (an object, text, number,
// date, a list of objects); %d (also %i, %u, %ld, %lu, %lld, %llu) takes the
// next as an integer, %f (%lf) as a double, %K as a key path. Number literals
// are integers when whole and 64-bit, exact Decimals otherwise ("1.50",
// "2e3"). A quoted "%@" takes the next argument too, which must be text:
// "code == \"%@\"" with "USD" is code == "USD". Every argument must be used:
// too few or too many is an error.
//
// SUBQUERY(collection, $x, condition) is the list of the collection's objects
// for which the condition holds; inside it $x (and SELF) is that object.
//
// [c] folds case, [d] folds diacritics (foldText of TextFolding.h), so
// "café" contains[cd] "CAFE"; on operands that are not text they change
// nothing. like takes * and ? wildcards (\* and \? match themselves).
// Comparisons with nil: only == and != are true or false; an ordering, a
// string operator or BETWEEN with nil is false. IN asks whether the left
// value is one of a list of objects, equals one of a "{...}" list, or is a
// substring of a text.
//
// A malformed format is a programming error: parse answers nothing and says
// where, counting bytes from 0 ("unexpected token 'AMD' at 12", "missing
// argument for %@ at 8", "unterminated string at 20"), never a predicate
// that silently matches nothing.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/objectstore/Value.h"

namespace tallo {

class ManagedObject;

class Predicate {
public:
    virtual ~Predicate() = default;

    static std::shared_ptr<const Predicate> parse(std::string_view format, const std::vector<Value>& arguments = {},
                                                  std::string* error = nullptr);

    // Whether `object` satisfies the condition (SELF is the object).
    virtual bool evaluate(const ManagedObject* object) const = 0;
    // The condition written back in canonical form, arguments substituted:
    // account == Account#3 AND searchString CONTAINS[cd] "café"
    // Without object, date or data arguments the text parses back to the same
    // condition and the same description.
    virtual std::string description() const = 0;

    // For fetches: the top-level (or AND-joined) terms "key == object" where
    // key is a single key and object a constant object, so a fetch can start
    // from that object's inverse set instead of scanning every row.
    struct KeyEqualsObject {
        std::string key;
        ManagedObject* object;
        // The predicate is this one term and nothing else: every object of
        // the inverse set satisfies it, so no evaluation is needed.
        bool isWholePredicate = false;
    };
    virtual std::vector<KeyEqualsObject> keyEqualsObjectTerms() const = 0;

    // For fetches: the top-level (or AND-joined) terms "key contains text"
    // where key is a single key and text a constant text, with their [c]/[d]
    // folding, so a store can narrow its rows before objects are made. Every
    // object the predicate accepts satisfies each of them.
    struct KeyContainsText {
        std::string key;
        std::string text;  // as written, not folded
        bool foldCase = false;
        bool foldDiacritics = false;
    };
    virtual std::vector<KeyContainsText> keyContainsTextTerms() const = 0;

    // For fetches: the top-level (or AND-joined) terms that bound a single
    // key by a constant, unfolded: "key >= value", "value > key", and
    // "key BETWEEN {low, high}" as two bounds. Every object the predicate
    // accepts lies within each of them.
    struct KeyBound {
        std::string key;
        Value value;
        bool lower = false;  // key above value (else below)
        bool inclusive = false;
    };
    virtual std::vector<KeyBound> keyBoundTerms() const = 0;
};

}  // namespace tallo
