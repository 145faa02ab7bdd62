#include "Classes/shell/CDViewC.h"

#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

CDViewC::CDViewC(TableView::Style style) : TLViewC(style) {
    NotificationCenter::defaultCenter().addObserver(this, "gotNewDatabase",
                                                    [this](const Notification&) { resetFetchedResultsControllerAfterSync(); });
}

CDViewC::~CDViewC() = default;

FetchedResultsController* CDViewC::frc() {
    if (frc_) return frc_.get();
    std::string entity = getEntityName();
    if (entity.empty()) return nullptr;
    ManagedObjectContext* context = TLDatabase::sharedDatabase().context();
    if (context == nullptr) return nullptr;
    FetchRequest request;
    request.entityName = entity;
    request.predicate = getPredicate();
    request.sortDescriptors = getSortDescriptorsArray();
    request.fetchLimit = fetchLimit_;
    request.fetchOffset = fetchOffset_;
    frc_ = std::make_unique<FetchedResultsController>(context, std::move(request));
    frc_->setContentDidChange([this] { controllerDidChangeContent(); });
    return frc_.get();
}

void CDViewC::performFetch() {
    FetchedResultsController* controller = frc();
    if (controller != nullptr) controller->performFetch();
    if (isContainingRecords() || canCreateRecord) {
        tableView().setHidden(false);
        infoViewShown = false;
        if (isRootView) {
            if (isEditing()) {
                setRightBarButtonType(TLBarButtonType::Done);
            } else {
                setLeftBarButtonType(TLBarButtonType::Edit);
                setRightBarButtonType(TLBarButtonType::Add);
            }
        }
    } else if (!isEditing()) {
        tableView().setHidden(true);
        infoViewShown = true;
        if (isRootView) removeLeftBarButton();
    }
}

void CDViewC::reloadData() {
    if (!getEntityName().empty()) performFetch();
    tableView().reloadData();
}

void CDViewC::resetFetchedResultsController() { frc_.reset(); }

void CDViewC::resetFetchedResultsControllerAfterSync() { frc_.reset(); }

void CDViewC::setFetchLimit(size_t limit) {
    fetchLimit_ = limit;
    resetFetchedResultsController();
}

void CDViewC::setFetchOffset(size_t offset) {
    fetchOffset_ = offset;
    resetFetchedResultsController();
}

bool CDViewC::isContainingRecords() { return frc_ && !frc_->fetchedObjects().empty(); }

ManagedObject* CDViewC::fetchedObjectAtIndexPath(IndexPath indexPath) {
    if (!frc_ || indexPath.section < 0 || indexPath.row < 0) return nullptr;
    return frc_->objectAtIndexPath(static_cast<size_t>(indexPath.section), static_cast<size_t>(indexPath.row));
}

ManagedObject* CDViewC::createObjectForEntity(const std::string& entityName) {
    return TLDatabase::sharedDatabase().createObjectForEntity(entityName);
}

void CDViewC::deleteObject(ManagedObject* object) {
    if (object != nullptr) TLDatabase::sharedDatabase().deleteObject(object);
}

void CDViewC::deleteObjectAtIndexPath(IndexPath indexPath) { deleteObject(fetchedObjectAtIndexPath(indexPath)); }

void CDViewC::showDeleteConfirmationSheet() {
    deleteSheet = std::make_shared<ActionSheet>("", L("Cancel"), getDeleteButtonTitle());
    std::weak_ptr<ViewController> weak = weak_from_this();
    deleteSheet->clicked = [this, weak](int index) {
        if (auto alive = weak.lock()) deleteAction(index);
    };
    deleteSheet->show();
}

void CDViewC::deleteAction(int buttonIndex) {
    deleteSheet.reset();
    if (buttonIndex != 0) return;
    TLDatabase& database = TLDatabase::sharedDatabase();
    if (ManagedObject* object = getObject()) database.deleteObject(object);
    database.save();
    TLGlobal::sharedGlobal().setShouldMissDeselect(true);
    popView();
}

void CDViewC::done() {
    TLDatabase::sharedDatabase().save();
    if (isEditing()) toggleEdit();
    performFetch();
}

void CDViewC::cancel() {
    TLDatabase::sharedDatabase().rollback();
    if (isEditing()) toggleEdit();
    reloadData();
}

void CDViewC::controllerDidChangeContent() { tableView().reloadData(); }

int CDViewC::numberOfSectionsInTableView(TableView&) {
    FetchedResultsController* controller = frc();
    return controller != nullptr ? std::max<int>(1, static_cast<int>(controller->sections().size())) : 1;
}

int CDViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    FetchedResultsController* controller = frc();
    if (controller == nullptr || section < 0 || static_cast<size_t>(section) >= controller->sections().size()) return 0;
    return static_cast<int>(controller->sections()[static_cast<size_t>(section)].objects.size());
}

}  // namespace tallo
