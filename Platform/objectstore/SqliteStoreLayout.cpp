// SqliteStore, the layout: which table and column holds each entity's
// properties, and which table each many-to-many pair, as the model gives it.

#include "Platform/objectstore/SqliteStoreInternal.h"

namespace tallo::sqlite_store_detail {

namespace {

Storage storageOf(AttributeType type) {
    switch (type) {
        case AttributeType::String:
        case AttributeType::Decimal: return Storage::Text;
        case AttributeType::Date:
        case AttributeType::Double: return Storage::Real;
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64:
        case AttributeType::Boolean: return Storage::Integer;
        case AttributeType::Data: return Storage::Blob;
    }
    return Storage::Text;
}

// A many-to-many pair is kept from one side: the relationship whose owner
// entity name sorts first, or within one entity, whose name does. The context
// reports join changes from the same side; the other side is accepted too.
bool isStoredSide(const RelationshipDescription& relationship) {
    const RelationshipDescription& inverse = *relationship.inverse;
    if (relationship.owner->name() != inverse.owner->name()) return relationship.owner->name() < inverse.owner->name();
    return relationship.name <= inverse.name;
}

}  // namespace

// A column for one property: Z<NAME>, shared with a same-named property of
// another entity of the hierarchy when both store the same type; otherwise
// Z<ENTITY>_<NAME> (numbered further if even that is taken).
size_t StoreLayout::columnFor(TableLayout& table, const std::vector<Field>& taken, const EntityDescription& entity,
                              const std::string& property, Storage storage) {
    auto usable = [&](const std::string& name, size_t* index) -> int {  // 1 use existing, 0 free, -1 taken
        if (name == kPrimaryKeyColumn || name == kEntityColumn) return -1;
        for (size_t i = 0; i < table.columns.size(); ++i) {
            if (table.columns[i].name != name) continue;
            bool usedByThisEntity = false;
            for (const Field& field : taken) usedByThisEntity = usedByThisEntity || field.column == i;
            if (usedByThisEntity || table.columns[i].storage != storage) return -1;
            *index = i;
            return 1;
        }
        return 0;
    };
    std::string candidates[] = {"Z" + upper(property), "Z" + upper(entity.name()) + "_" + upper(property)};
    for (int attempt = 0;; ++attempt) {
        std::string name = attempt < 2 ? candidates[attempt] : candidates[1] + std::to_string(attempt);
        size_t index = 0;
        int verdict = usable(name, &index);
        if (verdict == 1) return index;
        if (verdict == 0) {
            table.columns.push_back({name, storage, false});
            return table.columns.size() - 1;
        }
    }
}

bool StoreLayout::addEntity(const EntityDescription* entity, size_t tableIndex, const std::vector<Field>& inherited,
                            std::string* error) {
    const EntityDescription* parent = entity->superentity();
    size_t firstAttribute = parent != nullptr ? parent->attributes().size() : 0;
    size_t firstRelationship = parent != nullptr ? parent->relationships().size() : 0;
    EntityLayout entry{entity, tableIndex, inherited, nullptr, nullptr};
    TableLayout& table = tables[tableIndex];
    for (size_t i = firstAttribute; i < entity->attributes().size(); ++i) {
        const AttributeDescription* attribute = entity->attributes()[i];
        if (attribute->isTransient) continue;
        size_t column = columnFor(table, entry.fields, *entity, attribute->name, storageOf(attribute->type));
        entry.fields.push_back({column, attribute->slot, attribute, nullptr});
    }
    for (size_t i = firstRelationship; i < entity->relationships().size(); ++i) {
        const RelationshipDescription* relationship = entity->relationships()[i];
        if (relationship->isToMany) {
            if (!relationship->isManyToMany() || !isStoredSide(*relationship)) continue;
            JoinLayout join{"Z_" + upper(entity->name()) + "_" + upper(relationship->name), relationship, 0, 0,
                          nullptr, nullptr, nullptr, nullptr, nullptr};
            if (!tableNames_.insert(join.name).second) return fail(error, "two tables would be named " + join.name);
            joinOf[relationship] = joins.size();
            joinOf[relationship->inverse] = joins.size();
            joins.push_back(std::move(join));
            continue;
        }
        size_t column = columnFor(table, entry.fields, *entity, relationship->name, Storage::Integer);
        table.columns[column].indexed = true;
        entry.fields.push_back({column, relationship->slot, nullptr, relationship});
    }
    std::vector<Field> fields = entry.fields;
    entityIndex[entity] = entities.size();
    table.entities.push_back(entities.size());
    entities.push_back(std::move(entry));
    for (const EntityDescription* child : entity->subentities()) {
        if (!addEntity(child, tableIndex, fields, error)) return false;
    }
    return true;
}

bool StoreLayout::build(const Model& model, std::string* error) {
    tableNames_ = {kMetadataTable};
    for (const auto& entity : model.entities()) {
        if (entity->superentity() != nullptr) continue;
        TableLayout table{"Z" + upper(entity->name()), entity.get(), {}, {}, nullptr, nullptr};
        if (!tableNames_.insert(table.name).second) return fail(error, "two tables would be named " + table.name);
        tableOfRoot[entity.get()] = tables.size();
        tables.push_back(std::move(table));
        if (!addEntity(entity.get(), tables.size() - 1, {}, error)) return false;
    }
    for (JoinLayout& join : joins) {
        join.ownerTable = tableOfRoot.at(join.relationship->owner->rootEntity());
        join.targetTable = tableOfRoot.at(join.relationship->destination->rootEntity());
    }
    return true;
}

bool StoreLayout::addOrderedIndexes(const std::vector<SqliteStoreOptions::OrderedIndex>& indexes, std::string* error) {
    for (const SqliteStoreOptions::OrderedIndex& index : indexes) {
        const EntityLayout* entry = nullptr;
        for (const EntityLayout& candidate : entities) {
            if (candidate.entity->name() == index.entity) entry = &candidate;
        }
        if (entry == nullptr) return fail(error, "no entity " + index.entity + " to index");
        const ColumnLayout* first = nullptr;
        const ColumnLayout* second = nullptr;
        const TableLayout& table = tables[entry->table];
        for (const Field& field : entry->fields) {
            if (field.toOne != nullptr && field.toOne->name == index.toOne) first = &table.columns[field.column];
            if (field.attribute != nullptr && field.attribute->name == index.attribute) second = &table.columns[field.column];
        }
        if ((first == nullptr && !index.toOne.empty()) || second == nullptr) {
            return fail(error, index.entity + " stores no " + (second != nullptr ? index.toOne : index.attribute) + " to index");
        }
        if (first == nullptr) {
            orderedIndexes.push_back({entry->table, table.name + "_" + second->name + "_INDEX", {second->name}});
        } else {
            orderedIndexes.push_back(
                {entry->table, table.name + "_" + first->name + "_" + second->name + "_INDEX", {first->name, second->name}});
        }
    }
    return true;
}

}  // namespace tallo::sqlite_store_detail
