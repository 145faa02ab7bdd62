#include "Platform/objectstore/ManagedObject.h"

#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

ManagedObject::ManagedObject() = default;
ManagedObject::~ManagedObject() = default;

std::string ManagedObject::objectIDString() const { return entity_->name() + "#" + std::to_string(primaryKey_); }

void ManagedObject::willChange() {
    if (context_ != nullptr) context_->noteChange(this);
}

void ManagedObject::setAttributeValue(int slot, Value value) {
    willChange();
    values_[static_cast<size_t>(entity_->storageIndex(slot))] = std::move(value);
}

std::optional<std::string> ManagedObject::stringAt(int slot) const {
    if (const std::string* text = attributeValue(slot).asString()) return *text;
    return std::nullopt;
}
std::optional<Decimal> ManagedObject::decimalAt(int slot) const { return attributeValue(slot).asDecimal(); }
std::optional<Date> ManagedObject::dateAt(int slot) const { return attributeValue(slot).asDate(); }
std::optional<long long> ManagedObject::integerAt(int slot) const { return attributeValue(slot).asInteger(); }
std::optional<bool> ManagedObject::boolAt(int slot) const { return attributeValue(slot).asBool(); }
std::optional<double> ManagedObject::doubleAt(int slot) const { return attributeValue(slot).asDouble(); }
std::optional<Bytes> ManagedObject::dataAt(int slot) const {
    if (const Bytes* data = attributeValue(slot).asData()) return *data;
    return std::nullopt;
}

void ManagedObject::linkOneSide(const RelationshipDescription& relationship, ManagedObject* target) {
    willChange();
    if (relationship.isToMany) {
        if (target != nullptr) sets_[static_cast<size_t>(relationship.slot)].insert(target);
    } else {
        toOnes_[static_cast<size_t>(entity_->storageIndex(relationship.slot))] = target;
    }
}

void ManagedObject::unlinkOneSide(const RelationshipDescription& relationship, ManagedObject* target) {
    willChange();
    if (relationship.isToMany) {
        sets_[static_cast<size_t>(relationship.slot)].erase(target);
    } else if (toOne(relationship.slot) == target) {
        toOnes_[static_cast<size_t>(entity_->storageIndex(relationship.slot))] = nullptr;
    }
}

void ManagedObject::setToOne(const RelationshipDescription& relationship, ManagedObject* target) {
    ManagedObject* old = toOne(relationship.slot);
    if (old == target) return;
    const RelationshipDescription& inverse = *relationship.inverse;
    if (old != nullptr) old->unlinkOneSide(inverse, this);
    if (target != nullptr && !inverse.isToMany) {
        // One-to-one: the target leaves its previous partner.
        ManagedObject* previous = target->toOne(inverse.slot);
        if (previous != nullptr && previous != this) previous->unlinkOneSide(relationship, target);
    }
    linkOneSide(relationship, target);
    if (target != nullptr) target->linkOneSide(inverse, this);
}

void ManagedObject::addToMany(const RelationshipDescription& relationship, ManagedObject* object) {
    if (object == nullptr || toMany(relationship.slot).contains(object)) return;
    const RelationshipDescription& inverse = *relationship.inverse;
    if (!inverse.isToMany) {
        // The object moves here from its previous owner.
        ManagedObject* previous = object->toOne(inverse.slot);
        if (previous != nullptr && previous != this) previous->unlinkOneSide(relationship, object);
    }
    linkOneSide(relationship, object);
    object->linkOneSide(inverse, this);
}

void ManagedObject::removeToMany(const RelationshipDescription& relationship, ManagedObject* object) {
    if (object == nullptr || !toMany(relationship.slot).contains(object)) return;
    unlinkOneSide(relationship, object);
    object->unlinkOneSide(*relationship.inverse, this);
}

Value ManagedObject::valueForKey(std::string_view key) const {
    if (const AttributeDescription* attribute = entity_->attributeNamed(key)) return attributeValue(attribute->slot);
    if (const RelationshipDescription* relationship = entity_->relationshipNamed(key)) {
        if (relationship->isToMany) return Value(toMany(relationship->slot).objects());
        return Value(toOne(relationship->slot));
    }
    return Value();
}

Value ManagedObject::valueForKeyPath(std::string_view keyPath) const {
    const ManagedObject* object = this;
    while (true) {
        size_t dot = keyPath.find('.');
        std::string_view key = keyPath.substr(0, dot);
        if (dot == std::string_view::npos) return object->valueForKey(key);
        std::string_view rest = keyPath.substr(dot + 1);
        const RelationshipDescription* relationship = object->entity_->relationshipNamed(key);
        if (relationship == nullptr) return Value();
        if (relationship->isToMany) {
            if (rest == "@count") return Value(static_cast<long long>(object->toMany(relationship->slot).size()));
            return Value();
        }
        object = object->toOne(relationship->slot);
        if (object == nullptr) return Value();
        keyPath = rest;
    }
}

bool ManagedObject::setValueForKey(const Value& value, std::string_view key) {
    if (const AttributeDescription* attribute = entity_->attributeNamed(key)) {
        if (value.isNull()) {
            setAttributeValue(attribute->slot, Value());
            return true;
        }
        switch (attribute->type) {
            case AttributeType::String:
            case AttributeType::Date:
            case AttributeType::Data: {
                // Text, dates and bytes are taken only as they are.
                Value::Kind wanted = attribute->type == AttributeType::String ? Value::Kind::String
                                     : attribute->type == AttributeType::Date ? Value::Kind::Date
                                                                              : Value::Kind::Data;
                if (value.kind() != wanted) return false;
                setAttributeValue(attribute->slot, value);
                return true;
            }
            case AttributeType::Decimal: {
                auto decimal = value.asDecimal();
                if (!decimal) return false;
                setAttributeValue(attribute->slot, *decimal);
                return true;
            }
            case AttributeType::Integer16:
            case AttributeType::Integer32:
            case AttributeType::Integer64: {
                auto integer = value.asInteger();
                if (!integer) return false;
                setAttributeValue(attribute->slot, *integer);
                return true;
            }
            case AttributeType::Boolean: {
                auto flag = value.asBool();
                if (!flag) return false;
                setAttributeValue(attribute->slot, *flag);
                return true;
            }
            case AttributeType::Double: {
                auto number = value.asDouble();
                if (!number) return false;
                setAttributeValue(attribute->slot, *number);
                return true;
            }
        }
        return false;
    }
    const RelationshipDescription* relationship = entity_->relationshipNamed(key);
    if (relationship == nullptr) return false;
    auto fits = [&](const ManagedObject* object) {
        return object != nullptr && object->context_ == context_ && object->entity_->isKindOfEntity(relationship->destination);
    };
    if (!relationship->isToMany) {
        ManagedObject* target = value.asObject();
        if (!value.isNull() && !fits(target)) return false;
        setToOne(*relationship, target);
        return true;
    }
    ObjectList wanted;
    if (const ObjectList* list = value.asObjects()) {
        wanted = *list;
    } else if (!value.isNull()) {
        return false;
    }
    for (const ManagedObject* object : wanted) {
        if (!fits(object)) return false;
    }
    ObjectSet keep;
    for (ManagedObject* object : wanted) keep.insert(object);
    ObjectList current = toMany(relationship->slot).objects();
    for (ManagedObject* object : current) {
        if (!keep.contains(object)) removeToMany(*relationship, object);
    }
    for (ManagedObject* object : wanted) addToMany(*relationship, object);
    return true;
}

}  // namespace tallo
