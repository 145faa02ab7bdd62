#include "Classes/store/TLManagedObject.h"

#include <algorithm>
#include <memory>

#include "Platform/foundation/Clock.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/InternalError.h"
#include "Platform/foundation/Locale.h"
#include "Platform/foundation/UUID.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

namespace {

// One formatter for every identifier: making one per insert would dominate
// the cost of generating a large book. Rebuilt when locale or zone change.
std::string identifierTime() {
    thread_local std::unique_ptr<DateFormatter> formatter;
    thread_local unsigned generation = 0;
    if (!formatter || generation != Locale::generation()) {
        formatter = std::make_unique<DateFormatter>();
        formatter->setDateFormat("yyyy-MMdd-hhmmss");
        generation = Locale::generation();
    }
    return formatter->stringFromDate(Clock::now());
}

bool excepted(const TLManagedObject::KeyList& exceptKeys, const std::string& key) {
    return exceptKeys && std::find(exceptKeys->begin(), exceptKeys->end(), key) != exceptKeys->end();
}

}  // namespace

std::string TLManagedObject::generateUniqueID() const {
    return "TL-A-" + entity().name() + "-" + identifierTime() + "-" + UUID::createString();
}

void TLManagedObject::copyValuesFromObject(const ManagedObject* source, const KeyList& exceptKeys) {
    if (source == nullptr) return;
    // Read everything first, then write: writing a to-many moves objects
    // away from the source.
    std::vector<std::pair<std::string, Value>> values;
    for (const AttributeDescription* attribute : source->entity().attributes()) {
        if (!excepted(exceptKeys, attribute->name)) values.emplace_back(attribute->name, source->valueForKey(attribute->name));
    }
    for (const RelationshipDescription* relationship : source->entity().relationships()) {
        if (!excepted(exceptKeys, relationship->name)) {
            values.emplace_back(relationship->name, source->valueForKey(relationship->name));
        }
    }
    for (const auto& [key, value] : values) {
        if (!setValueForKey(value, key)) {
            InternalError::report("cannot copy " + key + " from " + source->objectIDString() + " to " + objectIDString());
        }
    }
}

void TLManagedObject::copyRelationFromObject(ManagedObject* source, const std::string& key, const KeyList& exceptKeys,
                                             bool dublicate, bool merge) {
    if (source == nullptr) return;
    const RelationshipDescription* relationship = source->entity().relationshipNamed(key);
    if (relationship == nullptr || !relationship->isToMany) {
        InternalError::report("no to-many relationship " + key + " in " + source->entity().name());
        return;
    }
    const std::string& inverseName = relationship->inverse->name;
    Value held = source->valueForKey(key);
    ObjectList objects = held.asObjects() != nullptr ? *held.asObjects() : ObjectList{};
    if (objects.empty()) return;
    ManagedObjectContext* context = managedObjectContext();
    if (!merge) {
        Value mine = valueForKey(key);
        ObjectList doomed = mine.asObjects() != nullptr ? *mine.asObjects() : ObjectList{};
        for (ManagedObject* object : doomed) context->deleteObject(object);
    }
    std::string entityName = objects.back()->entity().name();
    for (ManagedObject* object : objects) {
        if (!dublicate) {
            object->setValueForKey(this, inverseName);
            continue;
        }
        ManagedObject* copy = context->insertNewObjectForEntityForName(entityName);
        if (auto* managed = dynamic_cast<TLManagedObject*>(copy)) managed->copyValuesFromObject(object, exceptKeys);
        copy->setValueForKey(this, inverseName);
    }
    context->processPendingChanges();
}

bool TLManagedObject::containsAttributeWithName(std::string_view name) const {
    return entity().attributeNamed(name) != nullptr || entity().relationshipNamed(name) != nullptr;
}

}  // namespace tallo
