#include "Platform/objectstore/ManagedObject.h"

#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

ManagedObject::ManagedObject() = default;
ManagedObject::~ManagedObject() = default;

std::string ManagedObject::objectIDString() const { return entity_->name() + "#" + std::to_string(primaryKey_); }

void ManagedObject::willChange() {
    if (hollow_) refill();
    if (context_ != nullptr) context_->noteChange(this);
}

void ManagedObject::refill() const {
    if (context_ != nullptr) context_->refillValues(const_cast<ManagedObject*>(this));
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

void ManagedObject::readSet(int setSlot) const {
    if (context_ != nullptr) context_->readSet(const_cast<ManagedObject*>(this), setSlot);
}

// A set not read yet is left alone: when it is read, it takes the changed
// objects' present state into account.
void ManagedObject::linkOneSide(const RelationshipDescription& relationship, ManagedObject* target) {
    willChange();
    if (relationship.isToMany) {
        if (target != nullptr && !isSetUnread(relationship.slot)) sets_[static_cast<size_t>(relationship.slot)].insert(target);
    } else {
        toOnes_[static_cast<size_t>(entity_->storageIndex(relationship.slot))] = target;
    }
}

void ManagedObject::unlinkOneSide(const RelationshipDescription& relationship, ManagedObject* target) {
    willChange();
    if (relationship.isToMany) {
        if (!isSetUnread(relationship.slot)) sets_[static_cast<size_t>(relationship.slot)].erase(target);
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
    if (const AttributeDescription* attribute = entity_->attributeNamed(key)) return setAttributeForKey(*attribute, value);
    const RelationshipDescription* relationship = entity_->relationshipNamed(key);
    if (relationship == nullptr) return false;
    return relationship->isToMany ? setToManyForKey(*relationship, value) : setToOneForKey(*relationship, value);
}

namespace {

// The value as the attribute stores it: text, dates and bytes only as they
// are; numbers, decimals and flags converted where they can be.
std::optional<Value> storedForm(AttributeType type, const Value& value) {
    switch (type) {
        case AttributeType::String: return value.kind() == Value::Kind::String ? std::optional(value) : std::nullopt;
        case AttributeType::Date: return value.kind() == Value::Kind::Date ? std::optional(value) : std::nullopt;
        case AttributeType::Data: return value.kind() == Value::Kind::Data ? std::optional(value) : std::nullopt;
        case AttributeType::Decimal:
            if (auto decimal = value.asDecimal()) return Value(*decimal);
            return std::nullopt;
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64:
            if (auto integer = value.asInteger()) return Value(*integer);
            return std::nullopt;
        case AttributeType::Boolean:
            if (auto flag = value.asBool()) return Value(*flag);
            return std::nullopt;
        case AttributeType::Double:
            if (auto number = value.asDouble()) return Value(*number);
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

bool ManagedObject::setAttributeForKey(const AttributeDescription& attribute, const Value& value) {
    if (value.isNull()) {
        setAttributeValue(attribute.slot, Value());
        return true;
    }
    std::optional<Value> stored = storedForm(attribute.type, value);
    if (!stored) return false;
    setAttributeValue(attribute.slot, std::move(*stored));
    return true;
}

bool ManagedObject::fitsRelationship(const RelationshipDescription& relationship, const ManagedObject* object) const {
    return object != nullptr && object->context_ == context_ && object->entity_->isKindOfEntity(relationship.destination);
}

bool ManagedObject::setToOneForKey(const RelationshipDescription& relationship, const Value& value) {
    ManagedObject* target = value.asObject();
    if (!value.isNull() && !fitsRelationship(relationship, target)) return false;
    setToOne(relationship, target);
    return true;
}

// The set becomes exactly the list: what is not in it leaves, what is new
// joins; nothing changes when one object does not fit.
bool ManagedObject::setToManyForKey(const RelationshipDescription& relationship, const Value& value) {
    ObjectList wanted;
    if (const ObjectList* list = value.asObjects()) {
        wanted = *list;
    } else if (!value.isNull()) {
        return false;
    }
    for (const ManagedObject* object : wanted) {
        if (!fitsRelationship(relationship, object)) return false;
    }
    ObjectSet keep;
    for (ManagedObject* object : wanted) keep.insert(object);
    ObjectList current = toMany(relationship.slot).objects();
    for (ManagedObject* object : current) {
        if (!keep.contains(object)) removeToMany(relationship, object);
    }
    for (ManagedObject* object : wanted) addToMany(relationship, object);
    return true;
}

}  // namespace tallo
