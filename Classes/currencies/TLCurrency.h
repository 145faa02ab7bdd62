#pragma once
// TLCurrency: a currency of the book, one of which is the default.

#include "Classes/store/TLCurrencyAcc.h"

namespace tallo {

class TLCurrency : public TLCurrencyAcc {
public:
    // The default currency of `context` ("default == YES"), or nothing.
    static TLCurrency* fetchDefaultCurrency(ManagedObjectContext* context);

protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
