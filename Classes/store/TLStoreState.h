#pragma once
// TLStoreState: what a value computed from the store was computed from —
// which context, at which change generation. A cache keeps one beside its
// value and trusts the value while `matches` says the context is the same
// one (not replaced by a sync) and nothing in it changed since.

#include <cstdint>
#include <memory>

#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

struct TLStoreState {
    std::weak_ptr<void> context;
    uint64_t generation = 0;

    static TLStoreState current(const ManagedObjectContext* context) {
        if (context == nullptr) return {};
        return {context->lifetimeToken(), context->changeGeneration()};
    }
    bool matches(const ManagedObjectContext* context) const {
        return context != nullptr && !this->context.expired() && this->context.lock() == context->lifetimeToken() &&
               generation == context->changeGeneration();
    }
};

}  // namespace tallo
