#pragma once
// The operands of a predicate's comparisons: constants (literals and
// arguments), key paths from SELF or from a SUBQUERY variable, "{...}"
// lists, and SUBQUERY itself. Each gives a Value for an object.

#include <memory>
#include <string>
#include <vector>

#include "Platform/objectstore/PredicateNode.h"
#include "Platform/objectstore/Value.h"

namespace tallo::predicate {

class ListExpression;

class Expression {
public:
    virtual ~Expression() = default;
    virtual Value evaluate(const Scope& scope) const = 0;
    virtual std::string description() const = 0;

    // The value when it is fixed at parse time (a literal or an argument).
    virtual const Value* constantValue() const { return nullptr; }
    // The elements when this is a "{...}" list.
    virtual const ListExpression* asList() const { return nullptr; }
    // The key when this is a single key of SELF ("account", not "account.name").
    virtual const std::string* singleKeyOfSelf() const { return nullptr; }
};

class ConstantExpression : public Expression {
public:
    explicit ConstantExpression(Value value) : value_(std::move(value)) {}
    Value evaluate(const Scope&) const override { return value_; }
    std::string description() const override;
    const Value* constantValue() const override { return &value_; }

private:
    Value value_;
};

// A key path written as components ("transaction", "type"), read from SELF
// or, when `variableDepth` is set, from the object a SUBQUERY variable is
// bound to. No components means the object itself. A last component "@count"
// counts a to-many relationship.
class KeyPathExpression : public Expression {
public:
    static constexpr int kSelf = -1;
    KeyPathExpression(std::vector<std::string> components, int variableDepth = kSelf, std::string variableName = {});
    Value evaluate(const Scope& scope) const override;
    std::string description() const override;
    const std::string* singleKeyOfSelf() const override;

private:
    std::vector<std::string> components_;
    std::string path_;  // the components joined with '.', as valueForKeyPath takes them
    int variableDepth_;
    std::string variableName_;
};

class ListExpression : public Expression {
public:
    explicit ListExpression(std::vector<std::unique_ptr<Expression>> elements) : elements_(std::move(elements)) {}
    // A list of objects when every element is an object, otherwise nil.
    Value evaluate(const Scope& scope) const override;
    std::string description() const override;
    const ListExpression* asList() const override { return this; }
    const std::vector<std::unique_ptr<Expression>>& elements() const { return elements_; }

private:
    std::vector<std::unique_ptr<Expression>> elements_;
};

// SUBQUERY(collection, $variable, condition): the objects of the collection
// for which the condition holds, or with `counted` just how many there are.
class SubqueryExpression : public Expression {
public:
    SubqueryExpression(std::unique_ptr<Expression> collection, std::string variable,
                       std::unique_ptr<PredicateNode> condition, bool counted);
    Value evaluate(const Scope& scope) const override;
    std::string description() const override;

private:
    template <typename Visit>
    void forEachMatch(const Scope& scope, Visit visit) const;

    std::unique_ptr<Expression> collection_;
    std::string variable_;
    std::unique_ptr<PredicateNode> condition_;
    bool counted_;
};

// Text written back as a literal that parses to the same text: "say \"hi\"".
std::string quotedText(const std::string& text);

}  // namespace tallo::predicate
