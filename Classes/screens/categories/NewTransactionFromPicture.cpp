#include "Classes/screens/categories/NewTransactionFromPicture.h"

#include <memory>

#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Localization.h"
#include "Platform/ui/AlertView.h"

namespace tallo {

namespace {

// The last transaction made here while the store held no unsaved change:
// taking it back is then a rollback, which leaves nothing touched behind.
TLTransaction* gMadeOnSavedStore = nullptr;

// The account a new transaction goes to, or nothing after telling why.
TLAccount* accountForNewTransaction() {
    if (TLAccount::getAccounts().empty()) {
        std::make_shared<AlertView>(L("No accounts"), L("You must have an account to add transaction."), L("Close"))->show();
        return nullptr;
    }
    TLAccount* account = TLAccount::getDefaultAccount();
    if (account == nullptr) {
        std::make_shared<AlertView>(L("No supported accounts"), L("You must have a supported account to add transaction."),
                                    L("Close"))
            ->show();
    }
    return account;
}

TLTransaction* insertTransaction(TLAccount* account) {
    TLDatabase& database = TLDatabase::sharedDatabase();
    bool saved = !database.context()->hasChanges();
    auto* transaction = static_cast<TLTransaction*>(database.createObjectForEntity("Transaction"));
    gMadeOnSavedStore = saved ? transaction : nullptr;
    transaction->setAccount(account);
    transaction->copyCurrencyFromAccount();
    return transaction;
}

void addSplit(TLTransaction* transaction, TLCategory* category) {
    auto* split = static_cast<TLSplit*>(TLDatabase::sharedDatabase().createObjectForEntity("Split"));
    split->setTransaction(transaction);
    split->setCategory(category);
}

}  // namespace

TLTransaction* NewTransactionFromPicture::fromCategory(TLCategory* category) {
    TLAccount* account = accountForNewTransaction();
    if (account == nullptr) return nullptr;
    TLTransaction* transaction = insertTransaction(account);
    addSplit(transaction, category);
    return transaction;
}

TLTransaction* NewTransactionFromPicture::fromPayee(TLPayee* payee) {
    TLAccount* account = accountForNewTransaction();
    if (account == nullptr) return nullptr;
    TLTransaction* transaction = insertTransaction(account);
    transaction->setPayee(payee);
    if (payee != nullptr && payee->category() != nullptr) addSplit(transaction, payee->category());
    return transaction;
}

void NewTransactionFromPicture::discard(TLTransaction* transaction) {
    if (transaction == nullptr) return;
    TLDatabase& database = TLDatabase::sharedDatabase();
    if (transaction == gMadeOnSavedStore) {
        gMadeOnSavedStore = nullptr;
        return database.rollback();
    }
    // Other unsaved changes stay: only what was made here goes.
    for (TLSplit* split : transaction->splits().toVector()) database.deleteObject(split);
    database.deleteObject(transaction);
}

}  // namespace tallo
