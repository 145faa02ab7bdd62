#include "Classes/screens/payees/PayeeEditViewC.h"

#include "Classes/controls/TLPictureCell.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/screens/categories/CategoryAmount.h"
#include "Classes/screens/categories/SelectCategoryViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLImageRecord.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

constexpr std::array<const char*, 3> kNameTitles = {"First", "Last", "Company"};

}  // namespace

PayeeEditViewC::PayeeEditViewC(TLPayee* edited) : payee(edited) {}

ManagedObject* PayeeEditViewC::getObject() { return payee; }

std::string PayeeEditViewC::getDeleteButtonTitle() { return L("Delete Payee"); }

bool PayeeEditViewC::hasAnyName() const {
    return payee != nullptr && (!payee->firstname().value_or("").empty() || !payee->lastname().value_or("").empty() ||
                                !payee->company().value_or("").empty());
}

void PayeeEditViewC::viewDidLoad() {
    IconCDViewC::viewDidLoad();
    makeNameCells();
    showStoredPicture();
}

void PayeeEditViewC::makeNameCells() {
    for (size_t i = 0; i < nameCells_.size(); ++i) {
        auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value2, "field");
        cell->textLabel().text = L(kNameTitles[i]);
        cell->selectable = false;
        cell->textField = std::make_unique<TableViewCell::TextField>();
        cell->textField->placeholder = L(kNameTitles[i]);
        cell->textField->editingChanged = [this, i](const std::string& text) {
            if (i == 0) payee->setFirstname(text);
            if (i == 1) payee->setLastname(text);
            if (i == 2) payee->setCompany(text);
            updateButtons();
        };
        nameCells_[i] = cell;
    }
}

void PayeeEditViewC::prepareForMode(int mode) {
    if (mode == 1 || mode == 2) setEditing(true, false);
    updateTitle();
    updateButtons();
}

void PayeeEditViewC::updateTitle() {
    setTitle(viewMode == 1 ? L("New Payee") : viewMode == 2 ? L("Edit Payee") : L("Payee"));
}

void PayeeEditViewC::updateButtons() {
    if (isEditing()) {
        setRightBarButtonType(TLBarButtonType::Done);
        setLeftBarButtonType(TLBarButtonType::Cancel);
        if (auto& done = navigationItem().rightBarButtonItem) done->enabled = hasAnyName();
    } else {
        setRightBarButtonType(TLBarButtonType::Edit);
        setLeftBarButtonType(TLBarButtonType::Back);
    }
}

void PayeeEditViewC::setEditing(bool editing, bool animated) {
    IconCDViewC::setEditing(editing, animated);
    tableView().reloadData();
}

void PayeeEditViewC::showStoredPicture() {
    if (payee != nullptr) icon.image = payee->getImageSmall(false).load();
}

std::vector<PayeeEditViewC::Section> PayeeEditViewC::sections() {
    std::vector<Section> list{Section::Names};
    if (isEditing() || (payee != nullptr && payee->category() != nullptr)) list.push_back(Section::Category);
    if (isEditing() && viewMode != 1) list.push_back(Section::Delete);
    return list;
}

int PayeeEditViewC::numberOfSectionsInTableView(TableView&) { return static_cast<int>(sections().size()); }

int PayeeEditViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    std::vector<Section> list = sections();
    if (section < 0 || static_cast<size_t>(section) >= list.size()) return 0;
    if (list[static_cast<size_t>(section)] == Section::Names) return isEditing() ? 3 : 1;
    return 1;
}

std::shared_ptr<TableViewCell> PayeeEditViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    Section section = sections()[static_cast<size_t>(indexPath.section)];
    if (section == Section::Names && isEditing()) {
        auto& cell = nameCells_[static_cast<size_t>(indexPath.row)];
        std::optional<std::string> names[] = {payee->firstname(), payee->lastname(), payee->company()};
        cell->textField->text = names[indexPath.row].value_or("");
        return cell;
    }
    auto cell = std::make_shared<TLPictureCell>(TableViewCell::Style::Value1, "cell");
    if (section == Section::Names) {
        cell->textLabel().text = payee->representationString().value_or("");
        cell->textLabel().bold = true;
        if (!payee->iscompany().value_or(false)) cell->detailTextLabel().text = payee->company().value_or("");
        cell->selectable = false;
        return cell;
    }
    if (section == Section::Delete) {
        cell->textLabel().text = getDeleteButtonTitle();
        cell->textLabel().color = Color{184 / 255.0, 62 / 255.0, 68 / 255.0};
        return cell;
    }
    TLCategory* category = payee->category();
    if (isEditing()) {
        cell->textLabel().text = L("Category");
        cell->detailTextLabel().text = category != nullptr ? category->name().value_or("") : L("None");
        cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
        return cell;
    }
    cell->setPicture(category->getImageSmall(true));
    cell->textLabel().text = category->name().value_or("");
    Decimal total = category->getTotalAmount();
    cell->detailTextLabel().text = CategoryAmount::text(total);
    cell->detailTextLabel().color = CategoryAmount::color(total);
    cell->selectable = false;
    return cell;
}

bool PayeeEditViewC::tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) {
    std::vector<Section> list = sections();
    return isEditing() && static_cast<size_t>(indexPath.section) < list.size() &&
           list[static_cast<size_t>(indexPath.section)] == Section::Category && payee->category() != nullptr;
}

void PayeeEditViewC::tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath) {
    payee->setCategory(nullptr);
    tableView().reloadData();
}

void PayeeEditViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    IconCDViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (!isEditing()) return;
    Section section = sections()[static_cast<size_t>(indexPath.section)];
    if (section == Section::Category) return chooseCategory();
    if (section == Section::Delete) showDeleteConfirmationSheet();
}

void PayeeEditViewC::chooseCategory() {
    auto chooser = std::make_shared<SelectCategoryViewC>();
    if (payee->category() != nullptr) chooser->selectedCategoriesArray.push_back(payee->category());
    pushView(chooser, 0);
}

void PayeeEditViewC::willPopNextView(TLNavigationViewC* next) {
    auto* chooser = dynamic_cast<SelectCategoryViewC*>(next);
    if (chooser != nullptr && !chooser->isCanceled && chooser->category != nullptr) payee->setCategory(chooser->category);
    tableView().reloadData();
}

void PayeeEditViewC::rightAction() {
    if (isEditing()) return doneAction();
    toggleEdit();
    updateButtons();
}

void PayeeEditViewC::leftAction() {
    if (isEditing()) return cancelAction();
    popView();
}

void PayeeEditViewC::doneAction() {
    if (!hasAnyName()) return;
    payee->initializeNilNames();
    payee->setIscompany(payee->getIsCompanyFromNames());
    payee->setRepresentationString(payee->getRepresentationString());
    TLDatabase::sharedDatabase().save();
    if (viewMode == 1) return popView();
    setEditing(false, workAnimated);
    updateButtons();
}

void PayeeEditViewC::cancelAction() {
    TLDatabase& database = TLDatabase::sharedDatabase();
    if (viewMode == 1) {
        database.deleteObject(payee);
        payee = nullptr;
        TLGlobal::sharedGlobal().setShouldMissDeselect(true);
        return popView();
    }
    database.rollback();
    showStoredPicture();
    setEditing(false, workAnimated);
    updateButtons();
}

void PayeeEditViewC::useImage(const Image& image) {
    IconCDViewC::useImage(image);
    if (payee == nullptr || !icon.image) return;
    processingImage = true;
    TLImageRecord* record = payee->imageRecord();
    if (record == nullptr) {
        record = static_cast<TLImageRecord*>(TLDatabase::sharedDatabase().createObjectForEntity("ImageRecord"));
        payee->setImageRecord(record);
    }
    record->setContent(icon.image->encodePNG());
    processingImage = false;
}

void PayeeEditViewC::deleteImage() {
    if (payee != nullptr && payee->imageRecord() != nullptr) {
        TLDatabase::sharedDatabase().deleteObject(payee->imageRecord());
        payee->setImageRecord(nullptr);
    }
    IconCDViewC::deleteImage();
    showStoredPicture();
}

bool PayeeEditViewC::keyPressed(const std::string& key) {
    if (!isEditing()) return false;
    if (key == "Escape") {
        cancelAction();
        return true;
    }
    if (key != "Enter" || !hasAnyName()) return false;
    doneAction();
    return true;
}

}  // namespace tallo
