#include "Platform/objectstore/PredicateParser.h"

#include <charconv>

#include "Platform/objectstore/PredicateCompound.h"

namespace tallo::predicate {

namespace {

std::optional<Operator> comparisonOperator(const Token& token) {
    if (token.kind == Token::Kind::Symbol) {
        if (token.text == "==") return Operator::Equal;
        if (token.text == "!=") return Operator::NotEqual;
        if (token.text == "<") return Operator::Less;
        if (token.text == "<=") return Operator::LessOrEqual;
        if (token.text == ">") return Operator::Greater;
        if (token.text == ">=") return Operator::GreaterOrEqual;
        return std::nullopt;
    }
    if (token.isKeyword("CONTAINS")) return Operator::Contains;
    if (token.isKeyword("BEGINSWITH")) return Operator::BeginsWith;
    if (token.isKeyword("ENDSWITH")) return Operator::EndsWith;
    if (token.isKeyword("LIKE")) return Operator::Like;
    if (token.isKeyword("IN")) return Operator::In;
    if (token.isKeyword("BETWEEN")) return Operator::Between;
    return std::nullopt;
}

// Reserved words of the wider predicate language that this one does not do.
bool isUnsupportedWord(const Token& token) {
    for (const char* word : {"ANY", "ALL", "NONE", "SOME", "FIRST", "LAST", "SIZE", "ANYKEY", "FUNCTION", "CAST",
                             "FETCH", "CASEINSENSITIVE", "CI", "MATCHES"}) {
        if (token.isKeyword(word)) return true;
    }
    return false;
}

bool isIdentifierText(std::string_view text) {
    if (text.empty()) return false;
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!letter(text[0])) return false;
    for (char c : text) {
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    }
    return true;
}

// The components of a key path given as %K: "account.currency.code", with
// "@count" allowed last. Nothing when it is not a key path.
std::optional<std::vector<std::string>> keyPathComponents(std::string_view path) {
    std::vector<std::string> components;
    size_t start = 0;
    while (true) {
        size_t dot = path.find('.', start);
        std::string_view component = path.substr(start, dot == std::string_view::npos ? dot : dot - start);
        bool last = dot == std::string_view::npos;
        if (!isIdentifierText(component) && !(last && component == "@count" && !components.empty())) {
            return std::nullopt;
        }
        components.emplace_back(component);
        if (last) return components;
        start = dot + 1;
    }
}

bool isIntegerConversion(const std::string& conversion) {
    return conversion == "d" || conversion == "i" || conversion == "u" || conversion == "ld" || conversion == "lld" ||
           conversion == "lu" || conversion == "llu";
}

}  // namespace

class Parser::DepthGuard {
public:
    explicit DepthGuard(Parser& parser) : parser_(parser) { ++parser_.depth_; }
    ~DepthGuard() { --parser_.depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool tooDeep() const { return parser_.depth_ > kMaxDepth; }

private:
    Parser& parser_;
};

Parser::Parser(std::string_view format, const std::vector<Value>& arguments)
    : format_(format), arguments_(arguments) {}

std::unique_ptr<PredicateNode> Parser::parse(std::string& error) {
    if (!tokenize(format_, tokens_, error)) return nullptr;
    auto node = parseOr();
    if (node && peek().kind != Token::Kind::End) node = unexpected(peek());
    if (node && nextArgument_ < arguments_.size()) {
        node = fail("too many arguments: " + std::to_string(arguments_.size()) + " given, " +
                    std::to_string(nextArgument_) + " used");
    }
    if (!node) error = error_;
    return node;
}

std::nullptr_t Parser::fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return nullptr;
}

std::nullptr_t Parser::unexpected(const Token& token) {
    if (token.kind == Token::Kind::End) return fail("unexpected end of format" + at(token));
    return fail("unexpected token '" + std::string(format_.substr(token.position, token.length)) + "'" + at(token));
}

bool Parser::expect(std::string_view symbol) {
    if (!peek().isSymbol(symbol)) {
        unexpected(peek());
        return false;
    }
    next();
    return true;
}

// ---------------------------------------------------------------- conditions

std::unique_ptr<PredicateNode> Parser::parseOr() {
    std::vector<std::unique_ptr<PredicateNode>> children;
    while (true) {
        auto child = parseAnd();
        if (!child) return nullptr;
        children.push_back(std::move(child));
        if (!peek().isKeyword("OR") && !peek().isSymbol("||")) break;
        next();
    }
    if (children.size() == 1) return std::move(children.front());
    return std::make_unique<CompoundPredicate>(CompoundPredicate::Kind::Or, std::move(children));
}

std::unique_ptr<PredicateNode> Parser::parseAnd() {
    std::vector<std::unique_ptr<PredicateNode>> children;
    while (true) {
        auto child = parseNot();
        if (!child) return nullptr;
        children.push_back(std::move(child));
        if (!peek().isKeyword("AND") && !peek().isSymbol("&&")) break;
        next();
    }
    if (children.size() == 1) return std::move(children.front());
    return std::make_unique<CompoundPredicate>(CompoundPredicate::Kind::And, std::move(children));
}

std::unique_ptr<PredicateNode> Parser::parseNot() {
    DepthGuard guard(*this);
    if (guard.tooDeep()) return fail("nesting too deep" + at(peek()));
    if (peek().isKeyword("NOT") || peek().isSymbol("!")) {
        next();
        auto child = parseNot();
        if (!child) return nullptr;
        std::vector<std::unique_ptr<PredicateNode>> children;
        children.push_back(std::move(child));
        return std::make_unique<CompoundPredicate>(CompoundPredicate::Kind::Not, std::move(children));
    }
    if (peek().isSymbol("(")) {
        next();
        auto inner = parseOr();
        if (!inner || !expect(")")) return nullptr;
        return inner;
    }
    if (peek().isKeyword("TRUEPREDICATE")) {
        next();
        return std::make_unique<ConstantPredicate>(true);
    }
    if (peek().isKeyword("FALSEPREDICATE")) {
        next();
        return std::make_unique<ConstantPredicate>(false);
    }
    return parseComparison();
}

std::unique_ptr<PredicateNode> Parser::parseComparison() {
    auto left = parseExpression(false);
    if (!left) return nullptr;
    const Token& opToken = peek();
    auto op = comparisonOperator(opToken);
    if (!op) {
        if (isUnsupportedWord(opToken)) return fail("unsupported operator '" + opToken.text + "'" + at(opToken));
        return unexpected(opToken);
    }
    next();
    ComparisonOptions options;
    if (peek().isSymbol("[") && !parseOptions(options)) return nullptr;
    auto right = parseExpression(*op == Operator::In || *op == Operator::Between);
    if (!right) return nullptr;
    if (*op == Operator::Between && (right->asList() == nullptr || right->asList()->elements().size() != 2)) {
        return fail("BETWEEN" + at(opToken) + " needs {low, high}");
    }
    return std::make_unique<ComparisonPredicate>(std::move(left), *op, options, std::move(right));
}

bool Parser::parseOptions(ComparisonOptions& options) {
    next();  // [
    const Token& letters = peek();
    if (letters.kind != Token::Kind::Identifier || letters.escaped) {
        unexpected(letters);
        return false;
    }
    for (char c : letters.text) {
        bool* flag = (c == 'c' || c == 'C') ? &options.foldCase : (c == 'd' || c == 'D') ? &options.foldDiacritics : nullptr;
        if (flag == nullptr || *flag) {
            fail("unknown option '" + letters.text + "'" + at(letters));
            return false;
        }
        *flag = true;
    }
    next();
    return expect("]");
}

// ------------------------------------------------------------------ operands

std::unique_ptr<Expression> Parser::parseExpression(bool allowList) {
    DepthGuard guard(*this);
    if (guard.tooDeep()) return fail("nesting too deep" + at(peek()));
    const Token& token = peek();
    switch (token.kind) {
        case Token::Kind::End: return unexpected(token);
        case Token::Kind::Number: return parseNumber(false);
        case Token::Kind::String: return std::make_unique<ConstantExpression>(Value(next().text));
        case Token::Kind::Argument: return parseArgument();
        case Token::Kind::Variable: return parseVariable();
        case Token::Kind::Identifier: return parseIdentifier();
        case Token::Kind::Symbol:
            if (token.isSymbol("{")) {
                if (!allowList) return fail("a list {...}" + at(token) + " only follows IN or BETWEEN");
                return parseList();
            }
            if (token.isSymbol("-")) {
                next();
                if (peek().kind != Token::Kind::Number) return unexpected(peek());
                return parseNumber(true);
            }
            return unexpected(token);
    }
    return unexpected(token);
}

std::unique_ptr<Expression> Parser::parseList() {
    next();  // {
    std::vector<std::unique_ptr<Expression>> elements;
    if (!peek().isSymbol("}")) {
        while (true) {
            auto element = parseExpression(false);
            if (!element) return nullptr;
            elements.push_back(std::move(element));
            if (!peek().isSymbol(",")) break;
            next();
        }
    }
    if (!expect("}")) return nullptr;
    return std::make_unique<ListExpression>(std::move(elements));
}

// Whole numbers that fit 64 bits are integers; everything else ("1.5",
// "1e3", 20 digits) an exact Decimal.
std::unique_ptr<Expression> Parser::parseNumber(bool negative) {
    const Token& token = next();
    std::string text = (negative ? "-" : "") + token.text;
    if (token.text.find_first_of(".eE") == std::string::npos) {
        long long value = 0;
        auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (status == std::errc() && end == text.data() + text.size()) {
            return std::make_unique<ConstantExpression>(Value(value));
        }
    }
    auto decimal = Decimal::fromString(text);
    if (!decimal || decimal->isNaN()) return fail("number '" + text + "' out of range" + at(token));
    return std::make_unique<ConstantExpression>(Value(*decimal));
}

std::unique_ptr<Expression> Parser::parseArgument() {
    const Token& token = next();
    std::string written = token.quotedArgument ? "\"%@\"" : "%" + token.text;
    if (nextArgument_ >= arguments_.size()) return fail("missing argument for " + written + at(token));
    const Value& argument = arguments_[nextArgument_++];
    std::string which = "argument " + std::to_string(nextArgument_) + " for " + written + at(token);
    const std::string& conversion = token.text;
    if (token.quotedArgument) {
        if (argument.asString() == nullptr) return fail(which + " is not text");
        return std::make_unique<ConstantExpression>(argument);
    }
    if (conversion == "@") return std::make_unique<ConstantExpression>(argument);
    if (conversion == "K") {
        auto components = argument.asString() ? keyPathComponents(*argument.asString()) : std::nullopt;
        if (!components) return fail(which + " is not a key path");
        if (components->back() != "@count" && !parseKeyPathTail(*components)) return nullptr;
        return std::make_unique<KeyPathExpression>(std::move(*components));
    }
    if (!argument.isNumber()) return fail(which + " is not a number");
    if (isIntegerConversion(conversion)) return std::make_unique<ConstantExpression>(Value(*argument.asInteger()));
    return std::make_unique<ConstantExpression>(Value(*argument.asDouble()));
}

std::unique_ptr<Expression> Parser::parseVariable() {
    const Token& token = next();
    for (size_t i = variables_.size(); i-- > 0;) {
        if (variables_[i] != token.text) continue;
        std::vector<std::string> components;
        if (!parseKeyPathTail(components)) return nullptr;
        int depth = static_cast<int>(variables_.size() - 1 - i);
        return std::make_unique<KeyPathExpression>(std::move(components), depth, token.text);
    }
    return fail("unknown variable '$" + token.text + "'" + at(token));
}

std::unique_ptr<Expression> Parser::parseSubquery() {
    const Token& start = next();  // SUBQUERY
    if (!expect("(")) return nullptr;
    auto collection = parseExpression(false);
    if (!collection || !expect(",")) return nullptr;
    if (peek().kind != Token::Kind::Variable) {
        if (peek().kind == Token::Kind::End) return unexpected(peek());
        return fail("SUBQUERY" + at(start) + " needs a $variable, not '" +
                    std::string(format_.substr(peek().position, peek().length)) + "'");
    }
    std::string variable = next().text;
    if (!expect(",")) return nullptr;
    variables_.push_back(variable);
    auto condition = parseOr();
    variables_.pop_back();
    if (!condition || !expect(")")) return nullptr;
    bool counted = false;
    if (peek().isSymbol(".")) {
        next();
        if (!(peek().kind == Token::Kind::Identifier && peek().text == "@count")) return unexpected(peek());
        next();
        counted = true;
    }
    return std::make_unique<SubqueryExpression>(std::move(collection), std::move(variable), std::move(condition),
                                                counted);
}

std::unique_ptr<Expression> Parser::parseIdentifier() {
    const Token& token = peek();
    if (token.isKeyword("SUBQUERY")) return parseSubquery();
    if (token.isKeyword("NIL") || token.isKeyword("NULL")) {
        next();
        return std::make_unique<ConstantExpression>(Value());
    }
    if (token.isKeyword("YES") || token.isKeyword("TRUE")) {
        next();
        return std::make_unique<ConstantExpression>(Value(true));
    }
    if (token.isKeyword("NO") || token.isKeyword("FALSE")) {
        next();
        return std::make_unique<ConstantExpression>(Value(false));
    }
    std::vector<std::string> components;
    if (token.isKeyword("SELF")) {
        next();
    } else if (isUnsupportedWord(token)) {
        return fail("unsupported '" + token.text + "'" + at(token));
    } else if ((!token.escaped && isReservedWord(token.text)) || token.text.front() == '@') {
        return unexpected(token);
    } else {
        components.push_back(next().text);
    }
    if (!parseKeyPathTail(components)) return nullptr;
    return std::make_unique<KeyPathExpression>(std::move(components));
}

bool Parser::parseKeyPathTail(std::vector<std::string>& components) {
    while (peek().isSymbol(".")) {
        if (!components.empty() && components.back() == "@count") {
            unexpected(peek());
            return false;
        }
        next();
        const Token& key = peek();
        if (key.kind != Token::Kind::Identifier) {
            unexpected(key);
            return false;
        }
        if (key.text.front() == '@' && key.text != "@count") {
            fail("unsupported key path operator '" + key.text + "'" + at(key));
            return false;
        }
        components.push_back(next().text);
    }
    return true;
}

}  // namespace tallo::predicate
