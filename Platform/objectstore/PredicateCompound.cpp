#include "Platform/objectstore/PredicateCompound.h"

namespace tallo::predicate {

CompoundPredicate::CompoundPredicate(Kind kind, std::vector<std::unique_ptr<PredicateNode>> children)
    : kind_(kind), children_(std::move(children)) {}

bool CompoundPredicate::evaluateIn(const Scope& scope) const {
    switch (kind_) {
        case Kind::Not: return !children_.front()->evaluateIn(scope);
        case Kind::And:
            for (const auto& child : children_) {
                if (!child->evaluateIn(scope)) return false;
            }
            return true;
        case Kind::Or:
            for (const auto& child : children_) {
                if (child->evaluateIn(scope)) return true;
            }
            return false;
    }
    return false;
}

Precedence CompoundPredicate::precedence() const {
    switch (kind_) {
        case Kind::And: return Precedence::And;
        case Kind::Or: return Precedence::Or;
        case Kind::Not: return Precedence::Not;
    }
    return Precedence::Primary;
}

// Every AND or OR inside another join is put in parentheses, even where
// precedence would not need them, so that "a OR (b AND c)" reads as meant.
std::string CompoundPredicate::description() const {
    auto child = [](const PredicateNode& node) {
        bool join = node.precedence() == Precedence::And || node.precedence() == Precedence::Or;
        return join ? "(" + node.description() + ")" : node.description();
    };
    if (kind_ == Kind::Not) return "NOT " + child(*children_.front());
    std::string text;
    for (const auto& node : children_) {
        if (!text.empty()) text += kind_ == Kind::And ? " AND " : " OR ";
        text += child(*node);
    }
    return text;
}

namespace {

// The terms every child of an AND gives (an OR or a NOT gives none: no one
// term holds for every object it accepts).
template <typename Term, typename Children>
std::vector<Term> termsOfAll(bool isAnd, const Children& children, std::vector<Term> (Predicate::*termsOf)() const) {
    std::vector<Term> terms;
    if (!isAnd) return terms;
    for (const auto& node : children) {
        for (Term& term : ((*node).*termsOf)()) terms.push_back(std::move(term));
    }
    return terms;
}

}  // namespace

std::vector<Predicate::KeyEqualsObject> CompoundPredicate::keyEqualsObjectTerms() const {
    std::vector<KeyEqualsObject> terms = termsOfAll(kind_ == Kind::And, children_, &Predicate::keyEqualsObjectTerms);
    for (KeyEqualsObject& term : terms) term.isWholePredicate = false;  // other conditions stand beside it
    return terms;
}

std::vector<Predicate::KeyContainsText> CompoundPredicate::keyContainsTextTerms() const {
    return termsOfAll(kind_ == Kind::And, children_, &Predicate::keyContainsTextTerms);
}

std::vector<Predicate::KeyBound> CompoundPredicate::keyBoundTerms() const {
    return termsOfAll(kind_ == Kind::And, children_, &Predicate::keyBoundTerms);
}

}  // namespace tallo::predicate
