#pragma once
// Model: the entities of the store — their attributes with types,
// relationships with destination, to-one or to-many, inverse and delete rule,
// and sub-entities. It is declared once in a text resource and compiled at
// build time into the binary model file (a binary property list) that the
// store loads at start and sync sends to the desktop.
//
// The declaration, one property a line, '#' starts a comment:
//
//     model Database2 version 1
//     entity Account TLAccount
//       name          string
//       balance       decimal
//       type          integer32
//       currency      -> Currency.accounts       nullify
//       transactions  ->> Transaction.account    cascade
//     entity InvestmentTransaction TLInvestmentTransaction : Transaction
//       shares        decimal
//     entity ImageRecord TLImageRecord plain
//
// "->" is to-one, "->>" to-many; the target names the destination entity and
// the inverse relationship; the delete rule is nullify, cascade, deny or
// noaction (default nullify). "plain" marks a class whose generated accessor
// class derives straight from ManagedObject instead of TLManagedObject.
// Attribute types: string, date, decimal, integer16, integer32, integer64,
// boolean, double, data. An attribute may declare the value a new object
// starts with ("= 0", "= YES", "= 1.5"; dates and data have none) and may
// end in "transient" (kept in memory, never stored):
//       oneFromInTo   decimal = 1
//       automatic     boolean = YES
//
// A sub-entity has every property of its parent first, then its own; a
// property's `slot` is its position in the object's storage and is the same
// in the parent and every sub-entity.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Platform/objectstore/Value.h"

namespace tallo {

enum class AttributeType { String, Date, Decimal, Integer16, Integer32, Integer64, Boolean, Double, Data };
enum class DeleteRule { Nullify, Cascade, Deny, NoAction };

const char* attributeTypeName(AttributeType type);
const char* deleteRuleName(DeleteRule rule);

class EntityDescription;

struct AttributeDescription {
    std::string name;
    AttributeType type = AttributeType::String;
    bool isTransient = false;
    // The value a new object starts with (nil when none is declared).
    std::optional<Value> defaultValue;
    std::string defaultText;
    int slot = 0;  // index into the object's attribute and to-one values
};

struct RelationshipDescription {
    std::string name;
    std::string destinationName;
    std::string inverseName;
    bool isToMany = false;
    DeleteRule deleteRule = DeleteRule::Nullify;
    const EntityDescription* destination = nullptr;  // resolved by the model
    const RelationshipDescription* inverse = nullptr;
    const EntityDescription* owner = nullptr;  // the entity that declares it
    // To-one: index into the object's values. To-many: index into its sets.
    int slot = 0;
    // A to-many whose inverse is to-many too is kept in a join table.
    bool isManyToMany() const { return isToMany && inverse != nullptr && inverse->isToMany; }
};

class EntityDescription {
public:
    const std::string& name() const { return name_; }
    const std::string& className() const { return className_; }
    bool isPlain() const { return plain_; }
    const EntityDescription* superentity() const { return parent_; }
    const std::vector<const EntityDescription*>& subentities() const { return children_; }
    // The entity whose table holds this one's rows (itself when it has no parent).
    const EntityDescription* rootEntity() const;
    // This entity or one of its (indirect) sub-entities.
    bool isKindOfEntity(const EntityDescription* other) const;

    // All properties, inherited ones first.
    const std::vector<const AttributeDescription*>& attributes() const { return attributes_; }
    const std::vector<const RelationshipDescription*>& relationships() const { return relationships_; }
    const AttributeDescription* attributeNamed(std::string_view name) const;
    const RelationshipDescription* relationshipNamed(std::string_view name) const;
    // Slots: attributes and to-one relationships share `valueSlotCount`
    // values; to-many relationships have `setSlotCount` sets.
    int valueSlotCount() const { return valueSlots_; }
    int setSlotCount() const { return setSlots_; }
    // Where an object keeps a value slot: attributes in one array, to-one
    // targets (plain pointers, most of them nil) in another, so a nil
    // relationship costs 8 bytes rather than a whole Value.
    int attributeCount() const { return attributeCount_; }
    int toOneCount() const { return toOneCount_; }
    bool isToOneSlot(int slot) const { return slotIsToOne_[static_cast<size_t>(slot)]; }
    int storageIndex(int slot) const { return slotIndex_[static_cast<size_t>(slot)]; }
    // The to-one relationship kept in a value slot (nullptr for an attribute's).
    const RelationshipDescription* toOneAtSlot(int slot) const { return toOneAtSlot_[static_cast<size_t>(slot)]; }

private:
    friend class Model;
    std::string name_;
    std::string className_;
    std::string parentName_;
    bool plain_ = false;
    const EntityDescription* parent_ = nullptr;
    std::vector<const EntityDescription*> children_;
    std::vector<std::unique_ptr<AttributeDescription>> ownAttributes_;
    std::vector<std::unique_ptr<RelationshipDescription>> ownRelationships_;
    std::vector<const AttributeDescription*> attributes_;
    std::vector<const RelationshipDescription*> relationships_;
    // By name, for the lookups every key-value access makes.
    std::unordered_map<std::string_view, const AttributeDescription*> attributesByName_;
    std::unordered_map<std::string_view, const RelationshipDescription*> relationshipsByName_;
    int valueSlots_ = 0;
    int setSlots_ = 0;
    int attributeCount_ = 0;
    int toOneCount_ = 0;
    std::vector<bool> slotIsToOne_;
    std::vector<int> slotIndex_;
    std::vector<const RelationshipDescription*> toOneAtSlot_;
};

class Model {
public:
    // Reads the text declaration; on error answers nothing and says where
    // ("line 12: unknown attribute type 'decmal'"). Checks that every
    // destination exists and every inverse names a relationship back.
    static std::shared_ptr<const Model> parseDeclaration(std::string_view text, std::string* error = nullptr);
    // Reads a binary model file; broken or foreign data is an error, never a crash.
    static std::shared_ptr<const Model> fromModelData(const Bytes& data, std::string* error = nullptr);
    static std::shared_ptr<const Model> loadFile(const std::string& path, std::string* error = nullptr);
    // The binary model file.
    Bytes modelData() const;

    const std::string& name() const { return name_; }
    int version() const { return version_; }
    // A text that changes whenever an entity, property, type or relationship
    // changes; stores record it to recognise their model.
    const std::string& versionHash() const { return versionHash_; }

    const std::vector<std::unique_ptr<EntityDescription>>& entities() const { return entities_; }
    const EntityDescription* entityNamed(std::string_view name) const;

    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

private:
    struct DeclarationParser;  // one line of the declaration at a time
    Model() = default;
    // After parsing: parents, slots, inverses and the version hash, in that
    // order; false with the reason when the declaration does not hold.
    bool resolve(std::string* error);
    bool linkParents(std::string* error);
    void layOut(EntityDescription* entity);
    bool linkInverses(std::string* error);
    void computeVersionHash();

    std::string name_;
    int version_ = 1;
    std::string versionHash_;
    std::vector<std::unique_ptr<EntityDescription>> entities_;
    std::map<std::string, EntityDescription*, std::less<>> byName_;
};

}  // namespace tallo
