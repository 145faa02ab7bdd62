#pragma once
// One comparison of a predicate: left operand, operator with its [c]/[d]
// options, right operand ("searchString CONTAINS[cd] \"cafe\"").

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/objectstore/PredicateExpression.h"
#include "Platform/objectstore/PredicateNode.h"

namespace tallo::predicate {

enum class Operator {
    Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual,
    Contains, BeginsWith, EndsWith, Like, In, Between,
};

struct ComparisonOptions {
    bool foldCase = false;
    bool foldDiacritics = false;
    bool any() const { return foldCase || foldDiacritics; }
};

class ComparisonPredicate : public PredicateNode {
public:
    // For Between, `right` is a list of two; for In it may be any list.
    ComparisonPredicate(std::unique_ptr<Expression> left, Operator op, ComparisonOptions options,
                        std::unique_ptr<Expression> right);

    bool evaluateIn(const Scope& scope) const override;
    std::string description() const override;
    std::vector<KeyEqualsObject> keyEqualsObjectTerms() const override;
    std::vector<KeyContainsText> keyContainsTextTerms() const override;
    std::vector<KeyBound> keyBoundTerms() const override;

private:
    bool equal(const Value& left, const Value& right) const;
    std::optional<int> order(const Value& left, const Value& right) const;
    bool textOperation(const Value& left, const Value& right) const;
    bool isIn(const Value& left, const Scope& scope) const;
    bool isBetween(const Value& left, const Scope& scope) const;
    bool isOneOf(const Value& left, const ObjectList& objects) const;
    // `text` as the options see it: itself without options, the form folded
    // at parse time for the constant right side, otherwise folded into `storage`.
    const std::string& underOptions(const std::string& text, std::string& storage) const;

    std::unique_ptr<Expression> left_;
    Operator op_;
    ComparisonOptions options_;
    std::unique_ptr<Expression> right_;
    const std::string* constantRightText_ = nullptr;  // the text inside the constant right value
    std::optional<std::string> foldedRight_;         // that text under the options
    std::optional<ObjectList> sortedRightObjects_;  // constant right list of objects, by address
};

}  // namespace tallo::predicate
