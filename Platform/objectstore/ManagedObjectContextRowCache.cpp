// ManagedObjectContext, the bound on memory: the clean rows of tables read on
// demand keep their values only up to a limit of rows. Past it, the values of
// the rows least recently used are dropped at the next turn of the main run
// loop, when no caller can hold a reference into them, and read again from
// the store when next used. Which rows go is decided as a clock does: rows
// wait in the order their values came in; a row whose values were used since
// its last turn gets one more round, any other loses its values.

#include <map>

#include "Platform/foundation/RunLoop.h"
#include "Platform/objectstore/ManagedObjectContextInternal.h"

namespace tallo {

namespace {

bool hasTransientAttributes(const EntityDescription& entity) {
    for (const AttributeDescription* attribute : entity.attributes()) {
        if (attribute->isTransient) return true;
    }
    return false;
}

}  // namespace

void ManagedObjectContext::Impl::noteHeld(ManagedObject& object) {
    heldRows.push_back({object.entity().rootEntity(), object.primaryKey()});
    postTrimIfOver();
}

void ManagedObjectContext::Impl::postTrimIfOver() {
    if (heldRows.size() <= cleanRowLimit || !trimTicket.expired()) return;
    // One trim waits at a time; the ticket dies with the task, run or dropped.
    auto ticket = std::make_shared<int>(0);
    trimTicket = ticket;
    std::weak_ptr<void> alive = owner->lifetimeToken();
    ManagedObjectContext* context = owner;
    RunLoop::main().post([alive, context, ticket] {
        if (alive.lock()) context->trimCleanRows();
    });
}

void ManagedObjectContext::Impl::fillValues(ManagedObject& object, std::vector<Value>& values) {
    const EntityDescription& entity = object.entity();
    object.values_.resize(static_cast<size_t>(entity.attributeCount()));
    for (const AttributeDescription* attribute : entity.attributes()) {
        auto slot = static_cast<size_t>(attribute->slot);
        if (attribute->isTransient || slot >= values.size()) continue;  // a transient value was never dropped
        object.values_[static_cast<size_t>(entity.storageIndex(attribute->slot))] = std::move(values[slot]);
    }
    object.hollow_ = false;
    object.used_ = false;
    --tableOf(entity).hollowCount;
    noteHeld(object);
}

void ManagedObjectContext::refillValues(ManagedObject* object) { impl_->refill({object}); }

void ManagedObjectContext::setCleanRowLimit(size_t rows) {
    impl_->cleanRowLimit = std::max<size_t>(rows, 1);
    impl_->postTrimIfOver();
}

size_t ManagedObjectContext::cleanRowLimit() const { return impl_->cleanRowLimit; }

size_t ManagedObjectContext::cleanRowsHeld() const {
    size_t held = 0;
    for (const auto& [root, table] : impl_->tables) {
        if (table.onDemand) held += table.objects.size() - table.hollowCount;
    }
    return held;
}

size_t ManagedObjectContext::trimCleanRows() {
    Impl& impl = *impl_;
    if (impl.heldRows.size() <= impl.cleanRowLimit) return 0;
    const size_t target = impl.cleanRowLimit - impl.cleanRowLimit / 8;
    std::map<const EntityDescription*, bool> transient;
    size_t dropped = 0;
    // Each row comes round at most twice (once to lose its mark of use), and
    // a changed row waits for its next turn: the look is bounded.
    size_t turns = 2 * impl.heldRows.size();
    while (impl.heldRows.size() > target && turns-- > 0) {
        ObjectKey key = impl.heldRows.front();
        impl.heldRows.pop_front();
        ManagedObject* object = impl.find(key.root, key.primaryKey);
        if (object == nullptr || object->hollow_) continue;  // freed, or its values dropped already
        bool clean = object->state_ == ManagedObject::State::Saved && object->snapshot_ == nullptr && !object->deleted_;
        if (!clean || object->used_) {
            object->used_ = false;
            impl.heldRows.push_back(key);
            continue;
        }
        auto known = transient.find(&object->entity());
        if (known == transient.end()) known = transient.emplace(&object->entity(), hasTransientAttributes(object->entity())).first;
        if (known->second) {
            // Transient values live only in memory: they stay, the rest go.
            for (const AttributeDescription* attribute : object->entity().attributes()) {
                if (!attribute->isTransient) object->values_[static_cast<size_t>(object->entity().storageIndex(attribute->slot))] = Value();
            }
        } else {
            std::vector<Value>().swap(object->values_);
        }
        object->hollow_ = true;
        ++impl.tableOf(object->entity()).hollowCount;
        ++dropped;
    }
    return dropped;
}

}  // namespace tallo
