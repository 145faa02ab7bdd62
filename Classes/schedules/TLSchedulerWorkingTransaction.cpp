#include "Classes/schedules/TLSchedulerWorkingTransaction.h"

#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/UserDefaults.h"
#include "Platform/objectstore/Predicate.h"

namespace tallo {

void TLSchedulerWorkingTransaction::remember(const TLTransaction* transaction) {
    if (transaction == nullptr) return;
    std::string uuid = transaction->uuid().value_or("");
    if (uuid.empty() || uuid == remembered()) return;
    UserDefaults::standardUserDefaults().setString(kDefaultsKey, uuid);
}

std::string TLSchedulerWorkingTransaction::remembered() {
    return UserDefaults::standardUserDefaults().stringForKey(kDefaultsKey);
}

bool TLSchedulerWorkingTransaction::removeLeftover() {
    std::string uuid = remembered();
    if (uuid.empty()) return false;
    TLDatabase& db = TLDatabase::sharedDatabase();
    if (db.context() == nullptr) return false;
    std::vector<ManagedObject*> found =
        db.fetchEntityCustom(TLTransaction::kEntityName, Predicate::parse("uuid == %@", {Value(uuid)}));
    for (ManagedObject* object : found) {
        auto* leftover = static_cast<TLTransaction*>(object);
        // Read back from the file it is an ordinary transaction again; as
        // the editor's it never moved a balance, so its removal moves none.
        leftover->isSchedulerHelper_ = true;
        leftover->deleteTransactionWithTransferCopy(true);
    }
    // Forgotten only once the deletion is in the file: a read-only store
    // drops it for this run, and the next launch looks again.
    db.save();
    if (db.isReadOnly()) return !found.empty();
    UserDefaults::standardUserDefaults().removeObjectForKey(kDefaultsKey);
    return !found.empty();
}

}  // namespace tallo
