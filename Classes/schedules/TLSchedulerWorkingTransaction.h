#pragma once
// TLSchedulerWorkingTransaction: remembers which transaction the schedule
// editor is working on, outside the store, so that a copy left in the store
// file is recognised and removed.
//
// The editor's working transaction books nothing (isSchedulerHelper_), yet
// it is saved with the store while the editor is open, and any other save
// (autopay on return, a payment made from the editor) writes it too. When
// the program ends before the editor deletes it — killed, or the store
// reloaded by a sync — the file holds a transaction that looks real but
// never moved its account's balance. Its identifier is kept in the user
// defaults ("schedulerWorkingTransaction") from the moment it is made, so:
//
//   launch, or a store just reloaded:  removeLeftover deletes the
//       transaction of that identifier, if the store has it, without
//       touching any balance, saves, and forgets the identifier.
//
// The identifier is written before the transaction can reach the file, and
// forgotten only once the store no longer holds it, so no window between
// the two leaves an unrecognised copy. Main thread only.

#include <string>

namespace tallo {

class TLTransaction;

class TLSchedulerWorkingTransaction {
public:
    static constexpr const char* kDefaultsKey = "schedulerWorkingTransaction";

    // Notes `transaction` (not nothing) as the editor's working transaction.
    static void remember(const TLTransaction* transaction);
    // The identifier noted and not yet cleared up ("" when none).
    static std::string remembered();
    // Deletes the noted transaction from the store, if it is there, and
    // saves; then forgets it. True when one was deleted.
    static bool removeLeftover();
};

}  // namespace tallo
