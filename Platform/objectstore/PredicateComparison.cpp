#include "Platform/objectstore/PredicateComparison.h"

#include <algorithm>
#include <functional>

#include "Platform/objectstore/PredicateText.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo::predicate {

namespace {

// Equality without options: nil equals only nil; numbers by value across
// their kinds, text by bytes, dates by instant (compareValues); objects by
// identity and everything else by Value's own equality.
bool valuesEqual(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (auto order = compareValues(a, b)) return *order == 0;
    return a == b;
}

int sign(std::strong_ordering order) { return order < 0 ? -1 : order > 0 ? 1 : 0; }

const char* operatorText(Operator op) {
    switch (op) {
        case Operator::Equal: return "==";
        case Operator::NotEqual: return "!=";
        case Operator::Less: return "<";
        case Operator::LessOrEqual: return "<=";
        case Operator::Greater: return ">";
        case Operator::GreaterOrEqual: return ">=";
        case Operator::Contains: return "CONTAINS";
        case Operator::BeginsWith: return "BEGINSWITH";
        case Operator::EndsWith: return "ENDSWITH";
        case Operator::Like: return "LIKE";
        case Operator::In: return "IN";
        case Operator::Between: return "BETWEEN";
    }
    return "?";
}

}  // namespace

ComparisonPredicate::ComparisonPredicate(std::unique_ptr<Expression> left, Operator op, ComparisonOptions options,
                                         std::unique_ptr<Expression> right)
    : left_(std::move(left)), op_(op), options_(options), right_(std::move(right)) {
    const Value* constant = right_->constantValue();
    if (constant == nullptr) return;
    if (const std::string* text = constant->asString(); text != nullptr && options_.any()) {
        constantRightText_ = text;
        foldedRight_ = foldText(*text, options_.foldCase, options_.foldDiacritics);
    }
    // "NOT SELF IN %@" with a long list asks once per object: sort the list
    // once so each question is a binary search.
    if (const ObjectList* objects = constant->asObjects(); objects != nullptr && op_ == Operator::In) {
        sortedRightObjects_ = *objects;
        std::sort(sortedRightObjects_->begin(), sortedRightObjects_->end(), std::less<>());
    }
}

const std::string& ComparisonPredicate::underOptions(const std::string& text, std::string& storage) const {
    if (!options_.any()) return text;
    if (&text == constantRightText_) return *foldedRight_;
    storage = foldText(text, options_.foldCase, options_.foldDiacritics);
    return storage;
}

bool ComparisonPredicate::equal(const Value& left, const Value& right) const {
    const std::string* leftText = left.asString();
    const std::string* rightText = right.asString();
    if (options_.any() && leftText != nullptr && rightText != nullptr) {
        std::string leftStorage, rightStorage;
        return underOptions(*leftText, leftStorage) == underOptions(*rightText, rightStorage);
    }
    return valuesEqual(left, right);
}

std::optional<int> ComparisonPredicate::order(const Value& left, const Value& right) const {
    const std::string* leftText = left.asString();
    const std::string* rightText = right.asString();
    if (options_.any() && leftText != nullptr && rightText != nullptr) {
        std::string leftStorage, rightStorage;
        int order = underOptions(*leftText, leftStorage).compare(underOptions(*rightText, rightStorage));
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    auto order = compareValues(left, right);
    if (!order) return std::nullopt;
    return sign(*order);
}

bool ComparisonPredicate::isOneOf(const Value& left, const ObjectList& objects) const {
    if (left.kind() != Value::Kind::Object) return false;
    ManagedObject* object = left.asObject();
    if (sortedRightObjects_) {  // `objects` is the constant right side
        return std::binary_search(sortedRightObjects_->begin(), sortedRightObjects_->end(), object, std::less<>());
    }
    return std::find(objects.begin(), objects.end(), object) != objects.end();
}

bool ComparisonPredicate::textOperation(const Value& left, const Value& right) const {
    // A to-many relationship contains an object.
    if (op_ == Operator::Contains && left.asObjects() != nullptr) {
        return right.kind() == Value::Kind::Object && std::find(left.asObjects()->begin(), left.asObjects()->end(),
                                                                right.asObject()) != left.asObjects()->end();
    }
    const std::string* leftText = left.asString();
    const std::string* rightText = right.asString();
    if (leftText == nullptr || rightText == nullptr) return false;
    std::string leftStorage, rightStorage;
    std::string_view text = underOptions(*leftText, leftStorage);
    std::string_view pattern = underOptions(*rightText, rightStorage);
    switch (op_) {
        case Operator::Contains: return text.find(pattern) != std::string_view::npos;
        case Operator::BeginsWith: return text.starts_with(pattern);
        case Operator::EndsWith: return text.ends_with(pattern);
        case Operator::Like: return wildcardMatch(text, pattern);
        default: return false;
    }
}

bool ComparisonPredicate::isIn(const Value& left, const Scope& scope) const {
    if (const ListExpression* list = right_->asList()) {
        for (const auto& element : list->elements()) {
            if (equal(left, element->evaluate(scope))) return true;
        }
        return false;
    }
    Value evaluated;
    const Value* right = right_->constantValue();
    if (right == nullptr) {
        evaluated = right_->evaluate(scope);
        right = &evaluated;
    }
    if (const ObjectList* objects = right->asObjects()) return isOneOf(left, *objects);
    // A text "in" a text is a substring of it.
    const std::string* leftText = left.asString();
    const std::string* rightText = right->asString();
    if (leftText == nullptr || rightText == nullptr) return false;
    std::string leftStorage, rightStorage;
    return underOptions(*rightText, rightStorage).find(underOptions(*leftText, leftStorage)) != std::string::npos;
}

bool ComparisonPredicate::isBetween(const Value& left, const Scope& scope) const {
    const auto& bounds = right_->asList()->elements();
    auto low = order(left, bounds[0]->evaluate(scope));
    if (!low || *low < 0) return false;
    auto high = order(left, bounds[1]->evaluate(scope));
    return high && *high <= 0;
}

bool ComparisonPredicate::evaluateIn(const Scope& scope) const {
    Value left = left_->evaluate(scope);
    if (op_ == Operator::In) return isIn(left, scope);
    if (op_ == Operator::Between) return isBetween(left, scope);

    Value evaluated;
    const Value* right = right_->constantValue();
    if (right == nullptr) {
        evaluated = right_->evaluate(scope);
        right = &evaluated;
    }
    switch (op_) {
        case Operator::Equal: return equal(left, *right);
        case Operator::NotEqual: return !equal(left, *right);
        case Operator::Less: { auto o = order(left, *right); return o && *o < 0; }
        case Operator::LessOrEqual: { auto o = order(left, *right); return o && *o <= 0; }
        case Operator::Greater: { auto o = order(left, *right); return o && *o > 0; }
        case Operator::GreaterOrEqual: { auto o = order(left, *right); return o && *o >= 0; }
        default: return textOperation(left, *right);
    }
}

std::string ComparisonPredicate::description() const {
    std::string op = operatorText(op_);
    if (options_.any()) op += std::string("[") + (options_.foldCase ? "c" : "") + (options_.foldDiacritics ? "d" : "") + "]";
    return left_->description() + " " + op + " " + right_->description();
}

std::vector<Predicate::KeyEqualsObject> ComparisonPredicate::keyEqualsObjectTerms() const {
    if (op_ != Operator::Equal || options_.any()) return {};
    auto term = [](const Expression& key, const Expression& object) -> std::vector<KeyEqualsObject> {
        const std::string* name = key.singleKeyOfSelf();
        const Value* value = object.constantValue();
        if (name == nullptr || value == nullptr || value->kind() != Value::Kind::Object) return {};
        return {KeyEqualsObject{*name, value->asObject(), true}};
    };
    auto terms = term(*left_, *right_);
    return terms.empty() ? term(*right_, *left_) : terms;
}

std::vector<Predicate::KeyContainsText> ComparisonPredicate::keyContainsTextTerms() const {
    if (op_ != Operator::Contains) return {};
    const std::string* name = left_->singleKeyOfSelf();
    const Value* value = right_->constantValue();
    if (name == nullptr || value == nullptr || value->asString() == nullptr) return {};
    return {KeyContainsText{*name, *value->asString(), options_.foldCase, options_.foldDiacritics}};
}

std::vector<Predicate::KeyBound> ComparisonPredicate::keyBoundTerms() const {
    if (options_.any()) return {};
    if (op_ == Operator::Between) {
        const std::string* name = left_->singleKeyOfSelf();
        const ListExpression* list = right_->asList();
        if (name == nullptr || list == nullptr || list->elements().size() != 2) return {};
        const Value* low = list->elements()[0]->constantValue();
        const Value* high = list->elements()[1]->constantValue();
        if (low == nullptr || high == nullptr) return {};
        return {KeyBound{*name, *low, true, true}, KeyBound{*name, *high, false, true}};
    }
    bool lower = op_ == Operator::Greater || op_ == Operator::GreaterOrEqual;
    bool upper = op_ == Operator::Less || op_ == Operator::LessOrEqual;
    if (!lower && !upper) return {};
    bool inclusive = op_ == Operator::GreaterOrEqual || op_ == Operator::LessOrEqual;
    if (const std::string* name = left_->singleKeyOfSelf()) {
        if (const Value* value = right_->constantValue()) return {KeyBound{*name, *value, lower, inclusive}};
    }
    if (const std::string* name = right_->singleKeyOfSelf()) {  // value < key bounds the key from below
        if (const Value* value = left_->constantValue()) return {KeyBound{*name, *value, upper, inclusive}};
    }
    return {};
}

}  // namespace tallo::predicate
