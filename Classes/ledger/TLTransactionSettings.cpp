#include "Classes/ledger/TLTransactionSettings.h"

namespace tallo {

namespace {

bool gUseCategory = false;
bool gUsePayee = false;

}  // namespace

bool TLTransactionSettings::useCategory() { return gUseCategory; }
void TLTransactionSettings::setUseCategory(bool use) { gUseCategory = use; }
bool TLTransactionSettings::usePayee() { return gUsePayee; }
void TLTransactionSettings::setUsePayee(bool use) { gUsePayee = use; }

}  // namespace tallo
