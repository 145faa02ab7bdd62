#pragma once
// The inside of a parsed predicate: every condition is a PredicateNode,
// evaluated in a Scope that says what SELF and each SUBQUERY variable are.

#include <string>
#include <vector>

#include "Platform/objectstore/Predicate.h"

namespace tallo::predicate {

// What names mean while a condition is evaluated: SELF, and the object the
// innermost SUBQUERY variable is bound to. Variables further out are reached
// through `outer`, one step per enclosing SUBQUERY. Lives on the stack.
struct Scope {
    const ManagedObject* self = nullptr;
    const ManagedObject* variable = nullptr;
    const Scope* outer = nullptr;

    // The object of the variable `depth` SUBQUERY levels out (0 = innermost).
    const ManagedObject* variableAt(int depth) const {
        const Scope* scope = this;
        for (int i = 0; i < depth && scope != nullptr; ++i) scope = scope->outer;
        return scope != nullptr ? scope->variable : nullptr;
    }
};

// How tightly a condition binds when written out: an OR inside an AND needs
// parentheses, a comparison never does.
enum class Precedence { Or, And, Not, Primary };

class PredicateNode : public Predicate {
public:
    virtual bool evaluateIn(const Scope& scope) const = 0;
    virtual Precedence precedence() const { return Precedence::Primary; }

    bool evaluate(const ManagedObject* object) const final {
        Scope scope;
        scope.self = object;
        return evaluateIn(scope);
    }
    std::vector<KeyEqualsObject> keyEqualsObjectTerms() const override { return {}; }
    std::vector<KeyContainsText> keyContainsTextTerms() const override { return {}; }
    std::vector<KeyBound> keyBoundTerms() const override { return {}; }
};

}  // namespace tallo::predicate
