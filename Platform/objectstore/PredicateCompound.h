#pragma once
// The logical joins of a predicate: AND and OR over two or more conditions,
// NOT, and the constant TRUEPREDICATE / FALSEPREDICATE.

#include <memory>
#include <string>
#include <vector>

#include "Platform/objectstore/PredicateNode.h"

namespace tallo::predicate {

class CompoundPredicate : public PredicateNode {
public:
    enum class Kind { And, Or, Not };
    // And/Or take two or more conditions (evaluated in order, stopping at the
    // first that decides), Not exactly one.
    CompoundPredicate(Kind kind, std::vector<std::unique_ptr<PredicateNode>> children);

    Kind kind() const { return kind_; }
    bool evaluateIn(const Scope& scope) const override;
    std::string description() const override;
    Precedence precedence() const override;
    // AND passes on the terms of its children; OR and NOT have none.
    std::vector<KeyEqualsObject> keyEqualsObjectTerms() const override;
    std::vector<KeyContainsText> keyContainsTextTerms() const override;
    std::vector<KeyBound> keyBoundTerms() const override;

private:
    Kind kind_;
    std::vector<std::unique_ptr<PredicateNode>> children_;
};

class ConstantPredicate : public PredicateNode {
public:
    explicit ConstantPredicate(bool value) : value_(value) {}
    bool evaluateIn(const Scope&) const override { return value_; }
    std::string description() const override { return value_ ? "TRUEPREDICATE" : "FALSEPREDICATE"; }

private:
    bool value_;
};

}  // namespace tallo::predicate
