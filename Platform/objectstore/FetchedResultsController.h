#pragma once
// FetchedResultsController: the fetch a list screen keeps. It fetches once,
// refetches by itself when the context reports changes to its entity (or a
// sub-entity, or the entity its sort or section key reaches), and tells its
// owner the content changed. Objects can be grouped into sections by a key
// path: consecutive objects with the same value form one section, so the
// request should sort by that key first.
//
// A controller outliving its context (the store was reloaded) answers no
// objects and never touches the dead context; list screens drop theirs on
// "gotNewDatabase" and make new ones.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/objectstore/FetchRequest.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

class FetchedResultsController {
public:
    struct Section {
        std::string name;  // the key's value as text ("" without a section key)
        std::vector<ManagedObject*> objects;
    };

    FetchedResultsController(ManagedObjectContext* context, FetchRequest request, std::string sectionNameKeyPath = {});
    ~FetchedResultsController();
    FetchedResultsController(const FetchedResultsController&) = delete;
    FetchedResultsController& operator=(const FetchedResultsController&) = delete;

    // Fetches now; false when the context is gone.
    bool performFetch();
    const std::vector<ManagedObject*>& fetchedObjects() const { return objects_; }
    const std::vector<Section>& sections() const { return sections_; }
    ManagedObject* objectAtIndexPath(size_t section, size_t row) const;
    const FetchRequest& fetchRequest() const { return request_; }
    // Changing the request (a search) takes effect at the next performFetch.
    FetchRequest& mutableFetchRequest() { return request_; }

    // Called after every automatic refetch.
    void setContentDidChange(std::function<void()> callback) { contentDidChange_ = std::move(callback); }

private:
    void buildSections();

    ManagedObjectContext* context_;
    std::weak_ptr<void> contextAlive_;
    FetchRequest request_;
    std::string sectionNameKeyPath_;
    std::vector<ManagedObject*> objects_;
    std::vector<Section> sections_;
    std::function<void()> contentDidChange_;
    int listener_ = 0;
    bool fetched_ = false;
};

}  // namespace tallo
