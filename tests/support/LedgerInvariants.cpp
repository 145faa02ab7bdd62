#include "tests/support/LedgerInvariants.h"

#include <sstream>

#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"

namespace tallo::test {

namespace {

std::string text(const std::optional<Decimal>& value) { return value ? value->toString() : "nil"; }

}  // namespace

std::string checkLedgerInvariants() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    std::ostringstream out;
    for (ManagedObject* object : db.fetchEntityCustom("Account")) {
        auto* a = static_cast<TLAccount*>(object);
        Decimal sum = a->startingBalance().value_or(Decimal::zero());
        for (TLTransaction* t : a->transactions()) sum = sum + t->totalamountInAccountCurrency().value_or(Decimal::zero());
        std::string name = a->name().value_or("?");
        if (!(a->balance().value_or(Decimal::zero()) == sum)) {
            out << name << ": balance " << text(a->balance()) << " but opening + converted totals " << sum.toString() << "\n";
        }
        Decimal recomputed = a->getBalance();
        if (!(recomputed == sum)) {
            out << name << ": getBalance " << recomputed.toString() << " but converted totals " << sum.toString() << "\n";
        }
    }
    for (ManagedObject* object : db.fetchEntityCustom("Transaction")) {
        auto* t = static_cast<TLTransaction*>(object);
        std::string name = (t->account() ? t->account()->name().value_or("?") : std::string("no account")) + "/" +
                           t->comments().value_or(t->uuid().value_or("?"));
        if (!(t->totalamount().value_or(Decimal::zero()) == t->getTotalAmount())) {
            out << name << ": total " << text(t->totalamount()) << " but splits " << t->getTotalAmount().toString() << "\n";
        }
        TLTransaction* mirror = t->transferCopy();
        if (t->isTransfer() && mirror != nullptr) {
            Decimal together = t->totalamount().value_or(Decimal::zero()) + mirror->totalamount().value_or(Decimal::zero());
            if (!together.isEqualToNumber(Decimal::zero())) {
                out << name << ": transfer " << text(t->totalamount()) << " against mirror " << text(mirror->totalamount())
                    << "\n";
            }
            if (mirror->currency() != t->currency()) out << name << ": mirror in another currency\n";
        }
    }
    return out.str();
}

std::string checkLedgerInvariantsSaved() {
    std::string broken = checkLedgerInvariants();
    ManagedObjectContext* context = TLDatabase::sharedDatabase().context();
    if (context != nullptr && context->hasChanges()) broken += "unsaved changes\n";
    return broken;
}

}  // namespace tallo::test
