#include "Classes/screens/settings/TransactionSettingsViewC.h"

#include "Classes/shell/TLGlobal.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/UserDefaults.h"

namespace tallo {

namespace {

std::shared_ptr<TableViewCell> switchCell(const std::string& title, std::function<void(bool)> action) {
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "switch");
    cell->textLabel().text = title;
    cell->textLabel().bold = true;
    cell->textLabel().fontSize = 16;
    cell->selectable = false;
    cell->switchControl = std::make_unique<TableViewCell::Switch>();
    cell->switchControl->valueChanged = std::move(action);
    return cell;
}

}  // namespace

TransactionSettingsViewC::TransactionSettingsViewC() : TLViewC(TableView::Style::Grouped) {
    setTitle(L("Transaction Settings"));
}

void TransactionSettingsViewC::viewDidLoad() {
    categoryCell_ = switchCell(L("Category"), [this](bool on) { categoryAction(on); });
    payeeCell_ = switchCell(L("Payee"), [this](bool on) { payeeAction(on); });
    TLGlobal& global = TLGlobal::sharedGlobal();
    categoryCell_->switchControl->on = global.useCategory();
    payeeCell_->switchControl->on = global.usePayee();
    setLeftBarButtonType(TLBarButtonType::Back);
    TLViewC::viewDidLoad();
}

void TransactionSettingsViewC::createHeaderAndFooter() {
    tableView().footerNodes().push_back(
        footerText(L("Select if transaction entering should be based on categories, payees, both, or neither."), 14, false));
}

std::shared_ptr<TableViewCell> TransactionSettingsViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    return indexPath.row == 0 ? categoryCell_ : payeeCell_;
}

void TransactionSettingsViewC::categoryAction(bool on) {
    UserDefaults::standardUserDefaults().setBool("use_category", on);
    TLGlobal::sharedGlobal().readUserDefaults();
}

void TransactionSettingsViewC::payeeAction(bool on) {
    UserDefaults::standardUserDefaults().setBool("use_payee", on);
    TLGlobal::sharedGlobal().readUserDefaults();
}

}  // namespace tallo
