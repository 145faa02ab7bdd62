#pragma once
// TLManagedObject: the common base of the stored entity classes. It gives
// every object its unique identifier and copies attribute values and to-many
// relationships between objects, on which transfers and schedules rest.
//
// An identifier reads "TL-A-<entity>-<yyyy-MMdd-hhmmss>-<UUID>", the time on
// the 12-hour clock without AM/PM in the device's time zone, so a split made
// at 15:07:42 on 9 March 2011 is "TL-A-Split-2011-0309-030742-" followed by
// 36 characters of a new UUID (and one made at 03:07:42 reads alike).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/objectstore/ManagedObject.h"

namespace tallo {

class TLManagedObject : public ManagedObject {
public:
    using KeyList = std::optional<std::vector<std::string>>;

    virtual std::string generateUniqueID() const;

    // Copies every attribute of `source`, then every relationship (to-one:
    // the same target; to-many: the same objects, which through the inverses
    // move to this object), leaving out `exceptKeys`. Callers always except
    // "uuid", and every to-many key whose objects must not move.
    void copyValuesFromObject(const ManagedObject* source, const KeyList& exceptKeys);
    // Copies the objects `source` holds under the to-many `key`: moves them to
    // this object, or (dublicate) inserts copies of them made with
    // copyValuesFromObject(…, exceptKeys). Unless `merge`, the objects this
    // object held under the key are deleted first — but only when the source
    // has objects to copy: an empty source changes nothing.
    void copyRelationFromObject(ManagedObject* source, const std::string& key, const KeyList& exceptKeys,
                                bool dublicate, bool merge);
    // Whether the entity has an attribute or relationship of that name.
    bool containsAttributeWithName(std::string_view name) const;

protected:
    TLManagedObject() = default;
};

}  // namespace tallo
