#pragma once
// CDViewC: a table screen bound to a fetch of stored entities. Each list
// says what it fetches through the hooks (entity, predicate, sort); the
// fetched-results controller is built on first use from them and kept until
// the fetch definition changes (limit, offset, reset) or the store is
// replaced ("gotNewDatabase": the next use builds it on the new store).
//
// performFetch shows the table when there are records (or the list can
// create one, canCreateRecord) and otherwise, outside editing, the
// empty-state texts instead; a root list also gets its buttons: "Edit" and
// add, "Done" while editing, no left button when empty.
//
// A detail screen built on it deletes its object through a confirmation
// sheet ("Cancel" and the destructive getDeleteButtonTitle): the object is
// deleted, the store saved, the list below told not to touch its selected
// row (TLGlobal::shouldMissDeselect), and the screen closed.

#include <memory>
#include <string>
#include <vector>

#include "Classes/shell/TLViewC.h"
#include "Platform/objectstore/FetchedResultsController.h"
#include "Platform/ui/AlertView.h"

namespace tallo {

class CDViewC : public TLViewC {
public:
    explicit CDViewC(TableView::Style style = TableView::Style::Plain);
    ~CDViewC() override;

    // Hooks. An empty entity name means no fetch.
    virtual std::string getEntityName() { return {}; }
    virtual std::shared_ptr<const Predicate> getPredicate() { return nullptr; }
    virtual std::vector<SortDescriptor> getSortDescriptorsArray() { return {}; }
    // The object a detail screen edits.
    virtual ManagedObject* getObject() { return nullptr; }
    virtual std::string getDeleteButtonTitle() { return {}; }

    bool canCreateRecord = false;
    std::shared_ptr<ActionSheet> deleteSheet;

    // Nothing for an empty entity name or without a store.
    FetchedResultsController* frc();
    void performFetch();
    virtual void reloadData();
    // Drops the controller; the next use builds it anew.
    void resetFetchedResultsController();
    void resetFetchedResultsControllerAfterSync();
    size_t fetchLimit() const { return fetchLimit_; }
    size_t fetchOffset() const { return fetchOffset_; }
    void setFetchLimit(size_t limit);
    void setFetchOffset(size_t offset);
    bool isContainingRecords();
    // The fetched object of a row, or nothing.
    ManagedObject* fetchedObjectAtIndexPath(IndexPath indexPath);

    ManagedObject* createObjectForEntity(const std::string& entityName);
    void deleteObject(ManagedObject* object);
    void deleteObjectAtIndexPath(IndexPath indexPath);
    void showDeleteConfirmationSheet();
    // The delete sheet's answer: button 0 deletes getObject and closes.
    virtual void deleteAction(int buttonIndex);
    // Saves, leaves editing, fetches again.
    virtual void done();
    // Undoes every unsaved change, leaves editing, reloads.
    virtual void cancel();

    // Called when the store changed what the list fetches (the controller
    // fetched again by itself): reloads the table.
    virtual void controllerDidChangeContent();

    // Table defaults: the controller's sections and objects.
    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;

private:
    std::unique_ptr<FetchedResultsController> frc_;
    size_t fetchLimit_ = 0;
    size_t fetchOffset_ = 0;
};

}  // namespace tallo
