#include "Classes/screens/categories/CategoryEditViewC.h"

#include <utility>

#include "Classes/controls/TLPictureCell.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/categories/CategoryAmount.h"
#include "Classes/screens/categories/NewTransactionFromPicture.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLImageRecord.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

constexpr double kPictureProcessingDelay = 1.0;

std::string nameOf(const TLCategory* category) { return category != nullptr ? category->name().value_or("") : ""; }

}  // namespace

CategoryEditViewC::CategoryEditViewC(TLCategory* edited) : category(edited) {}

ManagedObject* CategoryEditViewC::getObject() { return category; }

std::string CategoryEditViewC::getDeleteButtonTitle() {
    return isMaster() ? L("Delete Category") : L("Delete Subcategory");
}

bool CategoryEditViewC::isMaster() const { return category != nullptr && category->mastercat() == nullptr; }

Decimal CategoryEditViewC::amountForCategory(TLCategory* shown) {
    std::string key = shown->uuid().value_or("");
    if (auto cached = amountsCache.find(key); cached != amountsCache.end()) return cached->second;
    Decimal total = shown == category && amount ? *amount : shown->getTotalAmount();
    amountsCache[key] = total;
    return total;
}

void CategoryEditViewC::viewDidLoad() {
    IconCDViewC::viewDidLoad();
    nameCell_ = std::make_shared<TableViewCell>(TableViewCell::Style::Value1, "name");
    showStoredPicture();
}

void CategoryEditViewC::viewWillAppear(bool animated) {
    IconCDViewC::viewWillAppear(animated);
    // A subcategory opened from here may have been renamed, made or deleted.
    amountsCache.clear();
    if (amount && category != nullptr) amountsCache[category->uuid().value_or("")] = *amount;
    updateTitle();
    tableView().reloadData();
}

void CategoryEditViewC::prepareForMode(int mode) {
    if (mode == 1 || mode == 2) setEditing(true, false);
    // A new category is named first: the caret goes into the name.
    focusName_ = mode == 1;
    updateTitle();
    updateButtons();
}

void CategoryEditViewC::updateTitle() {
    if (viewMode == 1) {
        setTitle(isMaster() ? L("New Category") : L("New Subcategory"));
    } else if (viewMode == 2) {
        setTitle(stringWithFormat(L("Edit %@"), {nameOf(category)}));
    } else {
        setTitle(nameOf(category));
    }
}

void CategoryEditViewC::updateButtons() {
    if (isEditing()) {
        setRightBarButtonType(TLBarButtonType::Done);
        setLeftBarButtonType(TLBarButtonType::Cancel);
        // Done only while there is a name.
        if (auto& done = navigationItem().rightBarButtonItem) done->enabled = !nameOf(category).empty();
    } else {
        setRightBarButtonType(TLBarButtonType::Edit);
        setLeftBarButtonType(TLBarButtonType::Back);
    }
}

void CategoryEditViewC::setEditing(bool editing, bool animated) {
    IconCDViewC::setEditing(editing, animated);
    if (nameCell_) updateNameCell();
    tableView().reloadData();
}

void CategoryEditViewC::updateNameCell() {
    nameCell_->selectable = false;
    nameCell_->detailTextLabel() = Label{};
    if (isEditing()) {
        nameCell_->textLabel().text.clear();
        nameCell_->textField = std::make_unique<TableViewCell::TextField>();
        nameCell_->textField->text = nameOf(category);
        nameCell_->textField->placeholder = isMaster() ? L("Category Name") : L("Subcategory Name");
        nameCell_->textField->editingChanged = [this](const std::string& text) {
            category->setName(text);
            updateButtons();
        };
        return;
    }
    nameCell_->textField.reset();
    nameCell_->textLabel().text = nameOf(category);
    nameCell_->textLabel().bold = true;
    Decimal total = amountForCategory(category);
    nameCell_->detailTextLabel().text = CategoryAmount::text(total);
    nameCell_->detailTextLabel().color = CategoryAmount::color(total);
}

void CategoryEditViewC::showStoredPicture() {
    if (category == nullptr) return;
    icon.image = category->getImageSmall(false).load();
}

std::vector<CategoryEditViewC::Section> CategoryEditViewC::sections() {
    std::vector<Section> list{Section::Name};
    if (isMaster() && (showsCreateRow() || !category->subcats().empty())) list.push_back(Section::Subcategories);
    if (isEditing() && viewMode != 1) list.push_back(Section::Delete);
    return list;
}

int CategoryEditViewC::numberOfSectionsInTableView(TableView&) { return static_cast<int>(sections().size()); }

int CategoryEditViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    std::vector<Section> list = sections();
    if (section < 0 || static_cast<size_t>(section) >= list.size()) return 0;
    switch (list[static_cast<size_t>(section)]) {
        case Section::Name: return isEditing() ? 1 : 2;
        case Section::Subcategories: return static_cast<int>(category->subcats().size()) + (showsCreateRow() ? 1 : 0);
        case Section::Delete: return 1;
    }
    return 0;
}

std::shared_ptr<TableViewCell> CategoryEditViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    Section section = sections()[static_cast<size_t>(indexPath.section)];
    if (section == Section::Name && indexPath.row == 0) {
        updateNameCell();
        if (nameCell_->textField && std::exchange(focusName_, false)) nameCell_->textField->becomeFirstResponder();
        return nameCell_;
    }
    auto cell = std::make_shared<TLPictureCell>(TableViewCell::Style::Value1, "cell");
    if (section == Section::Name) {
        cell->textLabel().text = L("New Transaction");
        cell->imageName = "add_new.png";
        cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
        return cell;
    }
    if (section == Section::Delete) {
        cell->textLabel().text = getDeleteButtonTitle();
        cell->textLabel().color = Color{184 / 255.0, 62 / 255.0, 68 / 255.0};
        return cell;
    }
    int row = indexPath.row - (showsCreateRow() ? 1 : 0);
    if (row < 0) {
        cell->textLabel().text = L("Create Subcategory");
        return cell;
    }
    std::vector<TLCategory*> subcats = category->getOrderedSubcats();
    if (static_cast<size_t>(row) >= subcats.size()) return cell;
    TLCategory* sub = subcats[static_cast<size_t>(row)];
    cell->setPicture(sub->getImageSmall(true));
    cell->textLabel().text = nameOf(sub);
    Decimal total = amountForCategory(sub);
    cell->detailTextLabel().text = CategoryAmount::text(total);
    cell->detailTextLabel().color = CategoryAmount::color(total);
    if (!isEditing()) cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    return cell;
}

bool CategoryEditViewC::tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) {
    std::vector<Section> list = sections();
    return static_cast<size_t>(indexPath.section) < list.size() &&
           list[static_cast<size_t>(indexPath.section)] == Section::Subcategories && showsCreateRow() && indexPath.row == 0;
}

void CategoryEditViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    IconCDViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    Section section = sections()[static_cast<size_t>(indexPath.section)];
    if (section == Section::Delete) return deleteCategoryAction();
    if (section == Section::Name) {
        if (indexPath.row == 1) startNewTransaction();
        return;
    }
    int row = indexPath.row - (showsCreateRow() ? 1 : 0);
    if (row < 0) return createSubcategory();
    if (isEditing()) return;
    std::vector<TLCategory*> subcats = category->getOrderedSubcats();
    if (static_cast<size_t>(row) >= subcats.size()) return;
    auto next = std::make_shared<CategoryEditViewC>(subcats[static_cast<size_t>(row)]);
    next->amount = amountForCategory(subcats[static_cast<size_t>(row)]);
    pushView(next, 0);
}

void CategoryEditViewC::createSubcategory() {
    auto* sub = static_cast<TLCategory*>(TLDatabase::sharedDatabase().createObjectForEntity("Category"));
    sub->setMastercat(category);
    pushView(std::make_shared<CategoryEditViewC>(sub), 1);
}

void CategoryEditViewC::startNewTransaction() {
    TLTransaction* transaction = NewTransactionFromPicture::fromCategory(category);
    if (transaction == nullptr) return;
    amountsCache.erase(category->uuid().value_or(""));
    amount.reset();
    TLWizard::activeWizard().beginWithInitiator(this, TLWizard::Initiator::CategoryList, transaction);
}

void CategoryEditViewC::rightAction() {
    if (isEditing()) return doneAction();
    toggleEdit();
    updateTitle();
    updateButtons();
}

void CategoryEditViewC::leftAction() {
    if (isEditing()) return cancelAction();
    popView();
}

void CategoryEditViewC::doneAction() {
    TLDatabase& database = TLDatabase::sharedDatabase();
    if (viewMode == 1) {
        if (nameOf(category).empty()) category->setName(L("No name"));
        database.save();
        return popView();
    }
    setEditing(false, workAnimated);
    database.save();
    updateTitle();
    updateButtons();
}

void CategoryEditViewC::cancelAction() {
    TLDatabase& database = TLDatabase::sharedDatabase();
    if (viewMode == 1) {
        database.deleteObject(category);
        category = nullptr;
        TLGlobal::sharedGlobal().setShouldMissDeselect(true);
        return popView();
    }
    database.rollback();
    amountsCache.clear();
    showStoredPicture();
    setEditing(false, workAnimated);
    updateTitle();
    updateButtons();
}

void CategoryEditViewC::deleteCategoryAction() {
    // A picture still being scaled would land on a deleted category.
    if (processingImage) return performAfterDelay(kPictureProcessingDelay, [this] { showDeleteConfirmationSheet(); });
    showDeleteConfirmationSheet();
}

void CategoryEditViewC::useImage(const Image& image) {
    IconCDViewC::useImage(image);
    if (category == nullptr || !icon.image) return;
    processingImage = true;
    TLImageRecord* record = category->imageRecord();
    if (record == nullptr) {
        record = static_cast<TLImageRecord*>(TLDatabase::sharedDatabase().createObjectForEntity("ImageRecord"));
        category->setImageRecord(record);
    }
    record->setContent(icon.image->encodePNG());
    processingImage = false;
}

void CategoryEditViewC::deleteImage() {
    if (category != nullptr && category->imageRecord() != nullptr) {
        TLDatabase::sharedDatabase().deleteObject(category->imageRecord());
        category->setImageRecord(nullptr);
    }
    // What the category shows without a picture of its own.
    IconCDViewC::deleteImage();
    showStoredPicture();
}

bool CategoryEditViewC::keyPressed(const std::string& key) {
    if (!isEditing()) return false;
    if (key == "Escape") {
        cancelAction();
        return true;
    }
    if (key != "Enter" || nameOf(category).empty()) return false;
    doneAction();
    return true;
}

}  // namespace tallo
