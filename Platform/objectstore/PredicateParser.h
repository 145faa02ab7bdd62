#pragma once
// Recursive-descent parser from a predicate format and its arguments to the
// tree of conditions and operands. The grammar is the one in Predicate.h.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/objectstore/PredicateComparison.h"
#include "Platform/objectstore/PredicateExpression.h"
#include "Platform/objectstore/PredicateNode.h"
#include "Platform/objectstore/PredicateTokenizer.h"

namespace tallo::predicate {

class Parser {
public:
    Parser(std::string_view format, const std::vector<Value>& arguments);
    // The condition, or nullptr with `error` saying what is wrong where.
    std::unique_ptr<PredicateNode> parse(std::string& error);

private:
    // Deeper nesting than this is refused, so that no format, however
    // hostile, can run the parser, the evaluation or the description out of stack.
    static constexpr int kMaxDepth = 100;
    class DepthGuard;

    std::unique_ptr<PredicateNode> parseOr();
    std::unique_ptr<PredicateNode> parseAnd();
    std::unique_ptr<PredicateNode> parseNot();
    std::unique_ptr<PredicateNode> parseComparison();
    bool parseOptions(ComparisonOptions& options);

    std::unique_ptr<Expression> parseExpression(bool allowList);
    std::unique_ptr<Expression> parseList();
    std::unique_ptr<Expression> parseNumber(bool negative);
    std::unique_ptr<Expression> parseArgument();
    std::unique_ptr<Expression> parseVariable();
    std::unique_ptr<Expression> parseSubquery();
    std::unique_ptr<Expression> parseIdentifier();
    // Reads ".key.key.@count" after a key path's start into `components`.
    bool parseKeyPathTail(std::vector<std::string>& components);

    const Token& peek() const { return tokens_[index_]; }
    const Token& next() { return tokens_[index_ < tokens_.size() - 1 ? index_++ : index_]; }
    bool expect(std::string_view symbol);
    // Record the first error; they answer nullptr so that the parse
    // functions can `return fail(...)`.
    std::nullptr_t fail(std::string message);
    std::nullptr_t unexpected(const Token& token);
    std::string at(const Token& token) const { return " at " + std::to_string(token.position); }

    std::string_view format_;
    const std::vector<Value>& arguments_;
    size_t nextArgument_ = 0;
    std::vector<Token> tokens_;
    size_t index_ = 0;
    std::vector<std::string> variables_;  // SUBQUERY variables in scope, innermost last
    int depth_ = 0;
    std::string error_;
};

}  // namespace tallo::predicate
