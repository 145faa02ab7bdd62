#include "Platform/objectstore/Model.h"

#include "Platform/foundation/Failure.h"
#include "Platform/foundation/PlistSupport.h"

#include <fstream>
#include <functional>
#include <sstream>

namespace tallo {

namespace {

struct TypeName {
    AttributeType type;
    const char* name;
};
constexpr TypeName kTypeNames[] = {
    {AttributeType::String, "string"},       {AttributeType::Date, "date"},
    {AttributeType::Decimal, "decimal"},     {AttributeType::Integer16, "integer16"},
    {AttributeType::Integer32, "integer32"}, {AttributeType::Integer64, "integer64"},
    {AttributeType::Boolean, "boolean"},     {AttributeType::Double, "double"},
    {AttributeType::Data, "data"},
};

struct RuleName {
    DeleteRule rule;
    const char* name;
};
constexpr RuleName kRuleNames[] = {
    {DeleteRule::Nullify, "nullify"},
    {DeleteRule::Cascade, "cascade"},
    {DeleteRule::Deny, "deny"},
    {DeleteRule::NoAction, "noaction"},
};

std::optional<AttributeType> typeNamed(std::string_view name) {
    for (const auto& entry : kTypeNames) {
        if (name == entry.name) return entry.type;
    }
    return std::nullopt;
}

std::optional<DeleteRule> ruleNamed(std::string_view name) {
    for (const auto& entry : kRuleNames) {
        if (name == entry.name) return entry.rule;
    }
    return std::nullopt;
}

// A default value written in the declaration: numbers as decimal text,
// booleans as YES or NO, text as one word. Dates and data have no defaults.
std::optional<Value> defaultValueFor(AttributeType type, const std::string& text) {
    switch (type) {
        case AttributeType::String: return Value(text);
        case AttributeType::Decimal: {
            auto value = Decimal::fromString(text);
            if (!value || value->isNaN()) return std::nullopt;
            return Value(*value);
        }
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64: {
            auto value = Decimal::fromString(text);
            if (!value || value->isNaN() || !(Decimal(value->longLongValue()) == *value)) return std::nullopt;
            return Value(value->longLongValue());
        }
        case AttributeType::Double: {
            auto value = Decimal::fromString(text);
            if (!value || value->isNaN()) return std::nullopt;
            return Value(value->doubleValue());
        }
        case AttributeType::Boolean:
            if (text == "YES") return Value(true);
            if (text == "NO") return Value(false);
            return std::nullopt;
        case AttributeType::Date:
        case AttributeType::Data: return std::nullopt;
    }
    return std::nullopt;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string word;
    while (in >> word) out.push_back(word);
    return out;
}

bool isIdentifier(const std::string& text) {
    if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_')) return false;
    for (char c : text) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    }
    return true;
}

// ---- binary model file helpers (libplist) ----


std::optional<std::string> stringItem(plist_t dict, const char* key) {
    plist_t node = plist_dict_get_item(dict, key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    return plistString(node);
}

std::optional<uint64_t> integerItem(plist_t dict, const char* key) {
    plist_t node = plist_dict_get_item(dict, key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_UINT) return std::nullopt;
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    return value;
}

std::optional<bool> boolItem(plist_t dict, const char* key) {
    plist_t node = plist_dict_get_item(dict, key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_BOOLEAN) return std::nullopt;
    uint8_t value = 0;
    plist_get_bool_val(node, &value);
    return value != 0;
}

plist_t arrayItem(plist_t dict, const char* key) {
    plist_t node = plist_dict_get_item(dict, key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_ARRAY) return nullptr;
    return node;
}

}  // namespace

const char* attributeTypeName(AttributeType type) {
    for (const auto& entry : kTypeNames) {
        if (entry.type == type) return entry.name;
    }
    return "?";
}

const char* deleteRuleName(DeleteRule rule) {
    for (const auto& entry : kRuleNames) {
        if (entry.rule == rule) return entry.name;
    }
    return "?";
}

const EntityDescription* EntityDescription::rootEntity() const {
    const EntityDescription* entity = this;
    while (entity->parent_ != nullptr) entity = entity->parent_;
    return entity;
}

bool EntityDescription::isKindOfEntity(const EntityDescription* other) const {
    for (const EntityDescription* entity = this; entity != nullptr; entity = entity->parent_) {
        if (entity == other) return true;
    }
    return false;
}

const AttributeDescription* EntityDescription::attributeNamed(std::string_view name) const {
    auto found = attributesByName_.find(name);
    return found != attributesByName_.end() ? found->second : nullptr;
}

const RelationshipDescription* EntityDescription::relationshipNamed(std::string_view name) const {
    auto found = relationshipsByName_.find(name);
    return found != relationshipsByName_.end() ? found->second : nullptr;
}

const EntityDescription* Model::entityNamed(std::string_view name) const {
    auto found = byName_.find(name);
    return found != byName_.end() ? found->second : nullptr;
}

// Reads the declaration line by line; each kind of line has its own step.
// A step answers "" when the line was taken, or what is wrong with it.
struct Model::DeclarationParser {
    // Steps past `word` when it stands at `i`: the optional parts of a line
    // (": PARENT", "plain", "= DEFAULT", "transient").
    static bool takeWord(const std::vector<std::string>& w, size_t& i, std::string_view word) {
        if (i >= w.size() || w[i] != word) return false;
        ++i;
        return true;
    }

    Model& model;
    EntityDescription* current = nullptr;
    bool sawHeader = false;

    std::string line(const std::vector<std::string>& w) {
        if (w[0] == "model") return modelLine(w);
        if (w[0] == "entity") return entityLine(w);
        return propertyLine(w);
    }

    // model NAME version N
    std::string modelLine(const std::vector<std::string>& w) {
        if (sawHeader) return "a second model line";
        if (w.size() != 4 || w[2] != "version" || !isIdentifier(w[1])) return "expected 'model NAME version N'";
        model.name_ = w[1];
        try {
            model.version_ = std::stoi(w[3]);
        } catch (...) {
            return "the version must be a number";
        }
        sawHeader = true;
        return "";
    }

    // entity NAME CLASS [: PARENT] [plain]
    std::string entityLine(const std::vector<std::string>& w) {
        if (!sawHeader) return "the model line must come first";
        if (w.size() < 3 || !isIdentifier(w[1]) || !isIdentifier(w[2])) {
            return "expected 'entity NAME CLASS [: PARENT] [plain]'";
        }
        if (model.byName_.count(w[1]) != 0) return "entity " + w[1] + " declared twice";
        auto entity = std::make_unique<EntityDescription>();
        entity->name_ = w[1];
        entity->className_ = w[2];
        size_t i = 3;
        if (takeWord(w, i, ":")) {
            if (i >= w.size() || !isIdentifier(w[i])) return "expected a parent entity after ':'";
            entity->parentName_ = w[i++];
        }
        entity->plain_ = takeWord(w, i, "plain");
        if (i != w.size()) return "unexpected '" + w[i] + "'";
        current = entity.get();
        model.byName_[entity->name_] = entity.get();
        model.entities_.push_back(std::move(entity));
        return "";
    }

    std::string propertyLine(const std::vector<std::string>& w) {
        if (current == nullptr) return "a property outside an entity";
        if (!isIdentifier(w[0])) return "bad property name '" + w[0] + "'";
        if (isDeclared(w[0])) return "property " + w[0] + " declared twice";
        if (w.size() >= 2 && (w[1] == "->" || w[1] == "->>")) return relationshipLine(w);
        return attributeLine(w);
    }

    bool isDeclared(const std::string& name) const {
        if (current->attributeNamed(name) != nullptr || current->relationshipNamed(name) != nullptr) return true;
        for (const auto& own : current->ownAttributes_) {
            if (own->name == name) return true;
        }
        for (const auto& own : current->ownRelationships_) {
            if (own->name == name) return true;
        }
        return false;
    }

    // NAME -> DEST.INVERSE [RULE]   (->> for to-many)
    std::string relationshipLine(const std::vector<std::string>& w) {
        if (w.size() < 3 || w.size() > 4) return "expected 'NAME -> ENTITY.INVERSE [rule]'";
        auto dot = w[2].find('.');
        if (dot == std::string::npos || !isIdentifier(w[2].substr(0, dot)) || !isIdentifier(w[2].substr(dot + 1))) {
            return "expected ENTITY.INVERSE after the arrow";
        }
        auto relationship = std::make_unique<RelationshipDescription>();
        relationship->name = w[0];
        relationship->isToMany = w[1] == "->>";
        relationship->destinationName = w[2].substr(0, dot);
        relationship->inverseName = w[2].substr(dot + 1);
        if (w.size() == 4) {
            auto rule = ruleNamed(w[3]);
            if (!rule) return "unknown delete rule '" + w[3] + "'";
            relationship->deleteRule = *rule;
        }
        current->ownRelationships_.push_back(std::move(relationship));
        return "";
    }

    // NAME TYPE [= DEFAULT] [transient]
    std::string attributeLine(const std::vector<std::string>& w) {
        if (w.size() < 2) return "expected 'NAME TYPE [= DEFAULT] [transient]'";
        auto type = typeNamed(w[1]);
        if (!type) return "unknown attribute type '" + w[1] + "'";
        auto attribute = std::make_unique<AttributeDescription>();
        attribute->name = w[0];
        attribute->type = *type;
        size_t i = 2;
        if (takeWord(w, i, "=")) {
            if (i >= w.size()) return "expected a default value after '='";
            auto value = defaultValueFor(*type, w[i]);
            if (!value) return "'" + w[i] + "' is not a " + attributeTypeName(*type) + " default";
            attribute->defaultValue = *value;
            attribute->defaultText = w[i++];
        }
        attribute->isTransient = takeWord(w, i, "transient");
        if (i != w.size()) return "unexpected '" + w[i] + "'";
        current->ownAttributes_.push_back(std::move(attribute));
        return "";
    }
};

std::shared_ptr<const Model> Model::parseDeclaration(std::string_view text, std::string* error) {
    auto fail = [&](int line, const std::string& message) -> std::shared_ptr<const Model> {
        if (error != nullptr) *error = "line " + std::to_string(line) + ": " + message;
        return nullptr;
    };
    std::shared_ptr<Model> model(new Model());
    DeclarationParser parser{*model};
    std::istringstream in{std::string(text)};
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        std::vector<std::string> w = words(line);
        if (w.empty()) continue;
        if (std::string problem = parser.line(w); !problem.empty()) return fail(number, problem);
    }
    if (!parser.sawHeader) return fail(number, "no model line");
    if (!model->resolve(error)) return nullptr;
    return model;
}

bool Model::resolve(std::string* error) {
    if (!linkParents(error)) return false;
    for (auto& entity : entities_) {
        if (entity->parent_ == nullptr) layOut(entity.get());
    }
    if (!linkInverses(error)) return false;
    computeVersionHash();
    return true;
}

bool Model::linkParents(std::string* error) {
    for (auto& entity : entities_) {
        if (entity->parentName_.empty()) continue;
        auto found = byName_.find(entity->parentName_);
        if (found == byName_.end()) return failWith(error, "entity " + entity->name_ + ": unknown parent " + entity->parentName_);
        entity->parent_ = found->second;
        found->second->children_.push_back(entity.get());
    }
    for (auto& entity : entities_) {
        int depth = 0;
        for (const EntityDescription* e = entity.get(); e != nullptr; e = e->parent_) {
            if (++depth > static_cast<int>(entities_.size())) return failWith(error, "entity " + entity->name_ + ": inheritance cycle");
        }
    }
    return true;
}

// Slots: parents first, so an inherited property has the same slot in every
// sub-entity; then the entity's own attributes and relationships; then its
// children.
void Model::layOut(EntityDescription* entity) {
    if (const EntityDescription* parent = entity->parent_) {
        entity->attributes_ = parent->attributes_;
        entity->relationships_ = parent->relationships_;
        entity->valueSlots_ = parent->valueSlots_;
        entity->setSlots_ = parent->setSlots_;
        entity->attributeCount_ = parent->attributeCount_;
        entity->toOneCount_ = parent->toOneCount_;
        entity->slotIsToOne_ = parent->slotIsToOne_;
        entity->slotIndex_ = parent->slotIndex_;
        entity->toOneAtSlot_ = parent->toOneAtSlot_;
    }
    for (auto& attribute : entity->ownAttributes_) {
        attribute->slot = entity->valueSlots_++;
        entity->slotIsToOne_.push_back(false);
        entity->slotIndex_.push_back(entity->attributeCount_++);
        entity->toOneAtSlot_.push_back(nullptr);
        entity->attributes_.push_back(attribute.get());
    }
    for (auto& relationship : entity->ownRelationships_) {
        relationship->owner = entity;
        if (relationship->isToMany) {
            relationship->slot = entity->setSlots_++;
        } else {
            relationship->slot = entity->valueSlots_++;
            entity->slotIsToOne_.push_back(true);
            entity->slotIndex_.push_back(entity->toOneCount_++);
            entity->toOneAtSlot_.push_back(relationship.get());
        }
        entity->relationships_.push_back(relationship.get());
    }
    for (const AttributeDescription* attribute : entity->attributes_) entity->attributesByName_[attribute->name] = attribute;
    for (const RelationshipDescription* relationship : entity->relationships_) {
        entity->relationshipsByName_[relationship->name] = relationship;
    }
    for (const EntityDescription* child : entity->children_) layOut(const_cast<EntityDescription*>(child));
}

bool Model::linkInverses(std::string* error) {
    for (auto& entity : entities_) {
        for (auto& relationship : entity->ownRelationships_) {
            std::string where = entity->name_ + "." + relationship->name;
            auto destination = byName_.find(relationship->destinationName);
            if (destination == byName_.end()) return failWith(error, where + ": unknown entity " + relationship->destinationName);
            relationship->destination = destination->second;
            const RelationshipDescription* inverse = destination->second->relationshipNamed(relationship->inverseName);
            if (inverse == nullptr) {
                return failWith(error, where + ": " + relationship->destinationName + " has no relationship " + relationship->inverseName);
            }
            if (inverse->destinationName != entity->name_ || inverse->inverseName != relationship->name) {
                return failWith(error, where + ": the inverse " + relationship->destinationName + "." + inverse->name +
                            " does not point back");
            }
            relationship->inverse = inverse;
        }
    }
    return true;
}

// The version hash: every entity, property, type and rule, in order, as
// FNV-1a of 64 bits in hex — stable across runs and machines.
void Model::computeVersionHash() {
    std::string canonical = name_ + ";";
    for (const auto& entity : entities_) {
        canonical += entity->name_ + ":" + entity->className_ + ":" + entity->parentName_ + (entity->plain_ ? ":plain" : "") + "{";
        for (const auto& a : entity->ownAttributes_) {
            canonical += a->name + " " + attributeTypeName(a->type) + (a->defaultValue ? " = " + a->defaultText : "") +
                         (a->isTransient ? " transient" : "") + ";";
        }
        for (const auto& r : entity->ownRelationships_) {
            canonical += r->name + (r->isToMany ? " ->> " : " -> ") + r->destinationName + "." + r->inverseName + " " +
                         deleteRuleName(r->deleteRule) + ";";
        }
        canonical += "}";
    }
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : canonical) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    versionHash_ = text;
}

Bytes Model::modelData() const {
    PlistPtr root(plist_new_dict());
    plist_dict_set_item(root.get(), "name", plist_new_string(name_.c_str()));
    plist_dict_set_item(root.get(), "version", plist_new_uint(static_cast<uint64_t>(version_)));
    plist_dict_set_item(root.get(), "versionHash", plist_new_string(versionHash_.c_str()));
    plist_t entities = plist_new_array();
    for (const auto& entity : entities_) {
        plist_t e = plist_new_dict();
        plist_dict_set_item(e, "name", plist_new_string(entity->name_.c_str()));
        plist_dict_set_item(e, "className", plist_new_string(entity->className_.c_str()));
        plist_dict_set_item(e, "parent", plist_new_string(entity->parentName_.c_str()));
        plist_dict_set_item(e, "plain", plist_new_bool(entity->plain_ ? 1 : 0));
        plist_t attributes = plist_new_array();
        for (const auto& a : entity->ownAttributes_) {
            plist_t item = plist_new_dict();
            plist_dict_set_item(item, "name", plist_new_string(a->name.c_str()));
            plist_dict_set_item(item, "type", plist_new_string(attributeTypeName(a->type)));
            plist_dict_set_item(item, "transient", plist_new_bool(a->isTransient ? 1 : 0));
            if (a->defaultValue) plist_dict_set_item(item, "default", plist_new_string(a->defaultText.c_str()));
            plist_array_append_item(attributes, item);
        }
        plist_dict_set_item(e, "attributes", attributes);
        plist_t relationships = plist_new_array();
        for (const auto& r : entity->ownRelationships_) {
            plist_t item = plist_new_dict();
            plist_dict_set_item(item, "name", plist_new_string(r->name.c_str()));
            plist_dict_set_item(item, "destination", plist_new_string(r->destinationName.c_str()));
            plist_dict_set_item(item, "inverse", plist_new_string(r->inverseName.c_str()));
            plist_dict_set_item(item, "toMany", plist_new_bool(r->isToMany ? 1 : 0));
            plist_dict_set_item(item, "deleteRule", plist_new_string(deleteRuleName(r->deleteRule)));
            plist_array_append_item(relationships, item);
        }
        plist_dict_set_item(e, "relationships", relationships);
        plist_array_append_item(entities, e);
    }
    plist_dict_set_item(root.get(), "entities", entities);
    char* encoded = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &encoded, &length);
    Bytes data(encoded, encoded + length);
    plist_to_bin_free(encoded);
    return data;
}

namespace {

// A name that can stand as one word of the declaration: a word with white
// space or '#' in it could smuggle extra declarations into the rebuilt text.
bool isWord(const std::optional<std::string>& text) {
    if (!text) return false;
    for (char c : *text) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == '#') return false;
    }
    return true;
}

// "  name type [= default] [transient]\n", or "" with `problem` set.
std::string attributeDeclaration(plist_t a, std::string& problem) {
    if (plist_get_node_type(a) != PLIST_DICT) return problem = "attribute is not a dictionary", "";
    auto attributeName = stringItem(a, "name");
    auto type = stringItem(a, "type");
    auto transient = boolItem(a, "transient");
    auto defaultText = stringItem(a, "default");
    if (!isWord(attributeName) || !isWord(type) || !transient) return problem = "attribute is incomplete", "";
    if (defaultText && (defaultText->empty() || !isWord(defaultText))) return problem = "attribute default is not one word", "";
    return "  " + *attributeName + " " + *type + (defaultText ? " = " + *defaultText : "") + (*transient ? " transient" : "") +
           "\n";
}

// "  name -> Destination.inverse rule\n", or "" with `problem` set.
std::string relationshipDeclaration(plist_t r, std::string& problem) {
    if (plist_get_node_type(r) != PLIST_DICT) return problem = "relationship is not a dictionary", "";
    auto relationshipName = stringItem(r, "name");
    auto destination = stringItem(r, "destination");
    auto inverse = stringItem(r, "inverse");
    auto toMany = boolItem(r, "toMany");
    auto rule = stringItem(r, "deleteRule");
    if (!isWord(relationshipName) || !isWord(destination) || !isWord(inverse) || !toMany || !isWord(rule)) {
        return problem = "relationship is incomplete", "";
    }
    return "  " + *relationshipName + (*toMany ? " ->> " : " -> ") + *destination + "." + *inverse + " " + *rule + "\n";
}

// An entity's lines of the declaration, or "" with `problem` set.
std::string entityDeclaration(plist_t e, uint32_t index, std::string& problem) {
    if (plist_get_node_type(e) != PLIST_DICT) return problem = "entity " + std::to_string(index) + " is not a dictionary", "";
    auto entityName = stringItem(e, "name");
    auto className = stringItem(e, "className");
    auto parent = stringItem(e, "parent");
    auto plain = boolItem(e, "plain");
    plist_t attributes = arrayItem(e, "attributes");
    plist_t relationships = arrayItem(e, "relationships");
    if (!isWord(entityName) || !isWord(className) || !isWord(parent) || !plain || attributes == nullptr ||
        relationships == nullptr) {
        return problem = "entity " + std::to_string(index) + " is incomplete", "";
    }
    std::string text = "entity " + *entityName + " " + *className + (parent->empty() ? "" : " : " + *parent) +
                       (*plain ? " plain" : "") + "\n";
    for (uint32_t j = 0; j < plist_array_get_size(attributes); ++j) {
        text += attributeDeclaration(plist_array_get_item(attributes, j), problem);
        if (!problem.empty()) return "";
    }
    for (uint32_t j = 0; j < plist_array_get_size(relationships); ++j) {
        text += relationshipDeclaration(plist_array_get_item(relationships, j), problem);
        if (!problem.empty()) return "";
    }
    return text;
}

}  // namespace

// The declaration text is rebuilt from the file and read with the one
// parser, so both forms obey the same checks.
std::shared_ptr<const Model> Model::fromModelData(const Bytes& data, std::string* error) {
    auto fail = [&](const std::string& message) -> std::shared_ptr<const Model> {
        if (error != nullptr) *error = "not a model file: " + message;
        return nullptr;
    };
    if (data.size() < 8 || std::string(data.begin(), data.begin() + 6) != "bplist") return fail("not a binary property list");
    if (binaryListHasStringWithNul(data.data(), data.size())) return fail("text with a NUL character");
    plist_t rootNode = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(data.data()), static_cast<uint32_t>(data.size()), &rootNode);
    PlistPtr root(rootNode);
    if (rootNode == nullptr || plist_get_node_type(rootNode) != PLIST_DICT) return fail("no dictionary");
    auto name = stringItem(rootNode, "name");
    auto version = integerItem(rootNode, "version");
    plist_t entities = arrayItem(rootNode, "entities");
    if (!name || !version || entities == nullptr) return fail("name, version or entities missing");
    std::string text = "model " + *name + " version " + std::to_string(*version) + "\n";
    std::string problem;
    for (uint32_t i = 0; i < plist_array_get_size(entities); ++i) {
        text += entityDeclaration(plist_array_get_item(entities, i), i, problem);
        if (!problem.empty()) return fail(problem);
    }
    std::string parseError;
    auto model = parseDeclaration(text, &parseError);
    if (!model) return fail(parseError);
    return model;
}

std::shared_ptr<const Model> Model::loadFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error != nullptr) *error = "cannot read " + path;
        return nullptr;
    }
    Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return fromModelData(data, error);
}

}  // namespace tallo
