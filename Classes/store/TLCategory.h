#pragma once
// TLCategory: a master category or a subcategory of the two-level tree.

#include "Classes/store/TLCategoryAcc.h"

namespace tallo {

class TLCategory : public TLCategoryAcc {
protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
