#pragma once
// TransactionSettingsViewC: whether transactions are entered and shown by
// category, by payee, both or neither. Each switch writes its user default
// ("use_category", "use_payee") and has TLGlobal read them again, so the
// change holds at once everywhere.

#include "Classes/shell/TLViewC.h"

namespace tallo {

class TransactionSettingsViewC : public TLViewC {
public:
    TransactionSettingsViewC();

    void viewDidLoad() override;
    void createHeaderAndFooter() override;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return 2; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;

    void categoryAction(bool on);
    void payeeAction(bool on);

private:
    std::shared_ptr<TableViewCell> categoryCell_;
    std::shared_ptr<TableViewCell> payeeCell_;
};

}  // namespace tallo
