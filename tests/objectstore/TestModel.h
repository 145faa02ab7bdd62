#pragma once
// A small ledger model for the object-store tests: accounts with
// transactions (cascade), an investment sub-entity, splits, a one-to-one
// transfer mirror and a many-to-many between budgets and accounts.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo::test {

inline constexpr const char* kLedgerModel = R"(
model Ledger version 1
entity Account TLAccount
  name          string
  balance       decimal = 0
  order         integer32
  closed        boolean
  transactions  ->> Transaction.account          cascade
  budgets       ->> Budget.accounts              nullify
entity Transaction TLTransaction
  type          integer16
  totalamount   decimal
  transactionDate date
  searchString  string
  picture       data
  rate          double
  helper        boolean transient
  account       -> Account.transactions          nullify
  splits        ->> Split.transaction            cascade
  transferCopy  -> Transaction.transferCopyInverse nullify
  transferCopyInverse -> Transaction.transferCopy nullify
entity InvestmentTransaction TLInvestmentTransaction : Transaction
  shares        decimal
entity Split TLSplit
  amount        decimal
  transaction   -> Transaction.splits            nullify
entity Budget TLBudget
  name          string
  accounts      ->> Account.budgets              nullify
)";

// An entity object that records its hooks, so tests see that they ran.
class TestObject : public ManagedObject {
public:
    static std::vector<std::string>& hookLog() {
        static std::vector<std::string> log;
        return log;
    }

protected:
    void awakeFromInsert() override { hookLog().push_back("insert " + entity().name()); }
    void prepareForDeletion() override {
        // A hook may still read its relationships: they are cut after it runs.
        Value account = valueForKey("account");
        hookLog().push_back("delete " + objectIDString() + (account.isNull() ? "" : " from " + account.description()));
    }
};

inline ManagedObjectContext::ObjectFactory testFactory() {
    return [](const EntityDescription&) { return std::unique_ptr<ManagedObject>(new TestObject()); };
}

// The ledger model above, parsed once.
inline std::shared_ptr<const Model> ledgerModel() {
    static std::shared_ptr<const Model> model = [] {
        std::string error;
        auto parsed = Model::parseDeclaration(kLedgerModel, &error);
        if (!parsed) throw std::runtime_error(error);
        return parsed;
    }();
    return model;
}

}  // namespace tallo::test
