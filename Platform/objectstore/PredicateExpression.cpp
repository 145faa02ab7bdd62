#include "Platform/objectstore/PredicateExpression.h"

#include "Platform/objectstore/ManagedObject.h"
#include "Platform/objectstore/PredicateTokenizer.h"

namespace tallo::predicate {

namespace {

Value objectValue(const ManagedObject* object) {
    // Values hold objects for reading; a predicate never changes them.
    return Value(const_cast<ManagedObject*>(object));
}

}  // namespace

std::string quotedText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\n': quoted += "\\n"; break;
            case '\t': quoted += "\\t"; break;
            case '\r': quoted += "\\r"; break;
            default: quoted += c;
        }
    }
    return quoted + "\"";
}

// ------------------------------------------------------------------ constant

std::string ConstantExpression::description() const {
    if (const std::string* text = value_.asString()) return quotedText(*text);
    return value_.description();
}

// ------------------------------------------------------------------ key path

KeyPathExpression::KeyPathExpression(std::vector<std::string> components, int variableDepth, std::string variableName)
    : components_(std::move(components)), variableDepth_(variableDepth), variableName_(std::move(variableName)) {
    for (const auto& component : components_) {
        if (!path_.empty()) path_ += '.';
        path_ += component;
    }
}

Value KeyPathExpression::evaluate(const Scope& scope) const {
    const ManagedObject* base = variableDepth_ == kSelf ? scope.self : scope.variableAt(variableDepth_);
    if (base == nullptr) return Value();
    if (components_.empty()) return objectValue(base);
    if (components_.size() == 1) return base->valueForKey(path_);
    return base->valueForKeyPath(path_);
}

std::string KeyPathExpression::description() const {
    std::string text = variableDepth_ == kSelf ? "" : "$" + variableName_;
    if (variableDepth_ == kSelf && (components_.empty() || components_.front().front() == '@')) text = "SELF";
    for (const auto& component : components_) {
        if (!text.empty()) text += '.';
        if (isReservedWord(component)) text += '#';
        text += component;
    }
    return text;
}

const std::string* KeyPathExpression::singleKeyOfSelf() const {
    if (variableDepth_ != kSelf || components_.size() != 1 || components_[0] == "@count") return nullptr;
    return &components_[0];
}

// ---------------------------------------------------------------------- list

Value ListExpression::evaluate(const Scope& scope) const {
    ObjectList objects;
    for (const auto& element : elements_) {
        Value value = element->evaluate(scope);
        if (value.kind() != Value::Kind::Object) return Value();
        objects.push_back(value.asObject());
    }
    return Value(std::move(objects));
}

std::string ListExpression::description() const {
    std::string text = "{";
    for (size_t i = 0; i < elements_.size(); ++i) {
        if (i > 0) text += ", ";
        text += elements_[i]->description();
    }
    return text + "}";
}

// ------------------------------------------------------------------ subquery

SubqueryExpression::SubqueryExpression(std::unique_ptr<Expression> collection, std::string variable,
                                       std::unique_ptr<PredicateNode> condition, bool counted)
    : collection_(std::move(collection)),
      variable_(std::move(variable)),
      condition_(std::move(condition)),
      counted_(counted) {}

template <typename Visit>
void SubqueryExpression::forEachMatch(const Scope& scope, Visit visit) const {
    Value collection = collection_->evaluate(scope);
    const ObjectList* objects = collection.asObjects();
    if (objects == nullptr) return;
    for (ManagedObject* object : *objects) {
        Scope inner;
        inner.self = object;
        inner.variable = object;
        inner.outer = &scope;
        if (condition_->evaluateIn(inner)) visit(object);
    }
}

Value SubqueryExpression::evaluate(const Scope& scope) const {
    if (counted_) {
        long long count = 0;
        forEachMatch(scope, [&count](ManagedObject*) { ++count; });
        return Value(count);
    }
    ObjectList matches;
    forEachMatch(scope, [&matches](ManagedObject* object) { matches.push_back(object); });
    return Value(std::move(matches));
}

std::string SubqueryExpression::description() const {
    return "SUBQUERY(" + collection_->description() + ", $" + variable_ + ", " + condition_->description() + ")" +
           (counted_ ? ".@count" : "");
}

}  // namespace tallo::predicate
