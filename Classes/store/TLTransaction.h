#pragma once
// TLTransaction: an expense, income or transfer in one account, with its splits.

#include "Classes/store/TLTransactionAcc.h"

namespace tallo {

class TLTransaction : public TLTransactionAcc {
public:
    // Set on the temporary transaction through which a schedule is edited:
    // its amount changes must not touch any balance. Not stored.
    bool isSchedulerHelper_ = false;
    bool imageLoaded_ = false;
    // The chosen other account of a transfer not yet given its mirror.
    TLAccount* transferAccount_ = nullptr;

protected:
    // Created and dated now, type 0, in the default currency, with a new identifier.
    void awakeFromInsert() override;
    // Transient state starts afresh whenever the object is loaded.
    void awakeFromFetch() override;
};

}  // namespace tallo
