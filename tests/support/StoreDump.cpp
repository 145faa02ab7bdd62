#include "tests/support/StoreDump.h"

namespace tallo::test {

std::string dumpObject(const ManagedObject& object) {
    std::string line = object.objectIDString() + " {";
    bool first = true;
    auto add = [&](const std::string& name, const Value& value) {
        if (value.isNull()) return;
        if (const ObjectList* list = value.asObjects(); list != nullptr && list->empty()) return;
        if (!first) line += ", ";
        first = false;
        line += name + "=" + value.description();
    };
    for (const AttributeDescription* attribute : object.entity().attributes()) {
        add(attribute->name, object.valueForKey(attribute->name));
    }
    for (const RelationshipDescription* relationship : object.entity().relationships()) {
        add(relationship->name, object.valueForKey(relationship->name));
    }
    return line + "}";
}

std::string dumpContext(const ManagedObjectContext& context) {
    std::string text;
    for (const ManagedObject* object : context.allObjects()) text += dumpObject(*object) + "\n";
    return text;
}

}  // namespace tallo::test
