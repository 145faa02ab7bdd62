#include "Classes/screens/passcode/PasscodeViewC.h"

#include "Classes/screens/passcode/PasscodeEditViewC.h"
#include "Classes/screens/passcode/TLPasscodeOperation.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

constexpr int kModalMode = 2;
const Color kDarkGrey = Color::white(1.0 / 3);
const Color kGrey = Color::white(0.5);

}  // namespace

PasscodeViewC::PasscodeViewC() : TLViewC(TableView::Style::Grouped) { setTitle(L("Passcode")); }

void PasscodeViewC::viewDidLoad() {
    setLeftBarButtonType(TLBarButtonType::Back);
    TLViewC::viewDidLoad();
}

std::shared_ptr<TableViewCell> PasscodeViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>();
    Label& text = cell->textLabel();
    text.centered = true;
    bool set = PasscodeEditViewC::isPasscodeSet();
    if (indexPath.row == 0) {
        text.text = set ? L("Change Passcode") : L("Set Passcode");
    } else {
        text.text = L("Remove Passcode");
        text.color = set ? kDarkGrey : kGrey;
        cell->selectable = set;
    }
    return cell;
}

void PasscodeViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    bool set = PasscodeEditViewC::isPasscodeSet();
    if (indexPath.row == 1 && !set) return;
    auto edit = std::make_shared<PasscodeEditViewC>();
    int operation = TLPasscodeOperation::EnterNew;
    if (indexPath.row == 0) {
        edit->setTitle(set ? L("Change Passcode") : L("Set Passcode"));
        operation = set ? TLPasscodeOperation::VerifyToChange : TLPasscodeOperation::EnterNew;
    } else {
        edit->setTitle(L("Remove Passcode"));
        operation = TLPasscodeOperation::VerifyToRemove;
    }
    PasscodeEditViewC* shown = edit.get();
    presentModalView(std::move(edit), kModalMode);
    shown->setOperation(operation);
}

void PasscodeViewC::willDismissModalView(TLNavigationViewC*) { tableView().reloadData(); }

}  // namespace tallo
