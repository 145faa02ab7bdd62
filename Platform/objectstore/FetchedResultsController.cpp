#include "Platform/objectstore/FetchedResultsController.h"

namespace tallo {

FetchedResultsController::FetchedResultsController(ManagedObjectContext* context, FetchRequest request,
                                                   std::string sectionNameKeyPath)
    : context_(context), request_(std::move(request)), sectionNameKeyPath_(std::move(sectionNameKeyPath)) {
    if (context_ == nullptr) return;
    contextAlive_ = context_->lifetimeToken();
    listener_ = context_->addChangeListener([this](const std::set<const EntityDescription*>& changed) {
        if (!fetched_) return;
        const EntityDescription* entity = context_->model().entityNamed(request_.entityName);
        if (entity == nullptr) return;
        // A change to the entity itself, a relative in its hierarchy, or any
        // other entity when the list reads across relationships (its sort,
        // section or predicate may reach it) calls for a refetch. Cheap
        // enough: fetches run in memory.
        bool relevant = false;
        for (const EntityDescription* e : changed) {
            if (e->rootEntity() == entity->rootEntity() || request_.predicate || !sectionNameKeyPath_.empty()) {
                relevant = true;
            }
            for (const SortDescriptor& d : request_.sortDescriptors) {
                if (d.keyPath.find('.') != std::string::npos) relevant = true;
            }
        }
        if (!relevant) return;
        performFetch();
        if (contentDidChange_) contentDidChange_();
    });
}

FetchedResultsController::~FetchedResultsController() {
    if (!contextAlive_.expired()) context_->removeChangeListener(listener_);
}

bool FetchedResultsController::performFetch() {
    if (context_ == nullptr || contextAlive_.expired()) {
        objects_.clear();
        sections_.clear();
        return false;
    }
    objects_ = context_->executeFetchRequest(request_);
    fetched_ = true;
    buildSections();
    return true;
}

ManagedObject* FetchedResultsController::objectAtIndexPath(size_t section, size_t row) const {
    if (section >= sections_.size() || row >= sections_[section].objects.size()) return nullptr;
    return sections_[section].objects[row];
}

void FetchedResultsController::buildSections() {
    sections_.clear();
    if (sectionNameKeyPath_.empty()) {
        if (!objects_.empty()) sections_.push_back({"", objects_});
        return;
    }
    for (ManagedObject* object : objects_) {
        Value key = object->valueForKeyPath(sectionNameKeyPath_);
        std::string name = key.asString() != nullptr ? *key.asString() : key.isNull() ? "" : key.description();
        if (sections_.empty() || sections_.back().name != name) sections_.push_back({name, {}});
        sections_.back().objects.push_back(object);
    }
}

}  // namespace tallo
