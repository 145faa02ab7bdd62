#include "Classes/controls/BudgetFieldCell.h"

#include "Classes/budgets/TLBudgetField.h"
#include "Classes/controls/TLAmountColor.h"
#include "Classes/controls/TLFitText.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/values/DecimalCorvane.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

constexpr double kNameSize = 16;
constexpr double kAmountSize = 15;
constexpr double kMasterWidth = 240;
constexpr double kSubcategoryWidth = 200;

std::string money(const Decimal& value) { return TLCurrencyCenter::sharedCenter().currencyStringFromNumber(value); }

}  // namespace

BudgetFieldCell::BudgetFieldCell() : TableViewCell(Style::Default, "field") {}

std::string BudgetFieldCell::sectionAmountText(const Decimal& amount, int recordsType) {
    return money(recordsType == TLBudgetRecordType::Expense ? negative(amount) : amount);
}

Color BudgetFieldCell::sectionColor(int recordsType) {
    return recordsType == TLBudgetRecordType::Expense ? TLAmountColor::negative() : TLAmountColor::positive();
}

void BudgetFieldCell::setField(const TLBudgetField& field, bool editing) {
    TLCategory* category = field.category();
    bool master = category == nullptr || category->mastercat() == nullptr;
    indented = !master;
    std::string name = category != nullptr ? category->name().value_or("") : "";
    amountLabel.text = sectionAmountText(field.amount(), field.type());
    amountLabel.color = sectionColor(field.type());
    limitText.clear();
    hintText.clear();
    noteText.clear();
    addMark = false;
    nameLabel().bold = master;
    nameLabel().fontSize = kNameSize;
    if (field.budgetRecord() != nullptr) {
        std::string star = field.showAsterisk() ? "*" : "";
        nameLabel().text = name;
        nameLabel().color = TLAmountColor::zero();
        limitText = stringWithFormat(L("of %@"), {star + money(field.limit())});
        hintText = field.amount() < field.limit() ? L("Left") : L("Over");
        noteText = editing ? star + money(field.limit()) : money(absolute(field.amount() - field.limit()));
        return;
    }
    nameLabel().color = Color::white(0.6);
    nameLabel().text = TLFitText::fitText(name, {kNameSize, master}, amountLabel.text, {kAmountSize, false},
                                          master ? kMasterWidth : kSubcategoryWidth);
    addMark = editing;
}

void BudgetFieldCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    TableViewCell::render(row, context, suffix);
    if (!amountLabel.text.empty()) row.set("value", amountLabel.text);
    if (amountLabel.color) row.set("valueColor", amountLabel.color->css());
    if (!limitText.empty()) row.set("limit", limitText);
    if (!hintText.empty()) row.set("hint", hintText);
    if (!noteText.empty()) row.set("note", noteText);
    if (addMark) row.set("addMark", true);
    if (indented) row.set("indent", true);
}

}  // namespace tallo
