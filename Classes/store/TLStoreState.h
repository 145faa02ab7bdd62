#pragma once
// TLStoreState: which store, in which state, a remembered answer was
// computed from — the shared store's context and its change count. Any
// change of any object, a rollback or a reload makes a state no longer
// current, so an answer kept with its state is reused only while it would
// come out the same. Main thread only.

#include <cstdint>
#include <memory>

#include "Classes/store/TLDatabase.h"

namespace tallo {

class TLStoreState {
public:
    // The shared store as it is now (a state that is never current when
    // there is no store).
    static TLStoreState current() {
        ManagedObjectContext* context = TLDatabase::sharedDatabase().context();
        TLStoreState state;
        if (context != nullptr) {
            state.context_ = context->lifetimeToken();
            state.generation_ = context->changeGeneration();
        }
        return state;
    }
    bool isCurrent() const {
        ManagedObjectContext* context = TLDatabase::sharedDatabase().context();
        return context != nullptr && !context_.expired() && context_.lock() == context->lifetimeToken() &&
               generation_ == context->changeGeneration();
    }

private:
    std::weak_ptr<void> context_;
    uint64_t generation_ = 0;
};

}  // namespace tallo
