#pragma once
// TLTransactionSettings: the two transaction settings — whether transactions
// are entered and shown by category ("use_category") and by payee
// ("use_payee") — as the ledger reads them. TLGlobal's readUserDefaults
// copies the user defaults in here at launch and after every change, so the
// values hold in memory between those reads. Both start NO. Main thread only.

namespace tallo {

class TLTransactionSettings {
public:
    static bool useCategory();
    static void setUseCategory(bool use);
    static bool usePayee();
    static void setUsePayee(bool use);
};

}  // namespace tallo
