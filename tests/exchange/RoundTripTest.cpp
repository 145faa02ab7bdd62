// Leaving and coming back: a generated book exported to QIF, account by
// account, and imported into an empty book with the same accounts, gives the
// same balances, the same transactions with the same parts, and the same
// transfers (each entered once, its second side known as a duplicate).
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "Classes/exchange/TLBookExporter.h"
#include "Classes/exchange/TLImportPreview.h"
#include "Classes/exchange/TLImportRowState.h"
#include "Platform/foundation/Calendar.h"
#include "Platform/import/QifReader.h"
#include "tests/support/LedgerInvariants.h"
#include "tests/support/LedgerTestSupport.h"
#include "tools/gen/BookGenerator.h"

namespace tallo::test {
namespace {

struct AccountPlan {
    std::string name;
    int type;
    std::string code;
    Decimal opening;
    Decimal balance;
    std::string qif;
};

// Each transaction of the book as "account date total parts" in sorted
// order, parts in the account's currency; transfers as "account date total
// [other account]".
std::vector<std::string> transactionsOf(TLDatabase& db) {
    std::vector<std::string> lines;
    for (ManagedObject* o : db.fetchEntityCustom("Transaction")) {
        auto* t = static_cast<TLTransaction*>(o);
        DateComponents d = Calendar::current().components(kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay,
                                                          *t->transactionDate());
        std::string line = t->account()->name().value_or("") + " " + std::to_string(*d.year) + "-" +
                           std::to_string(*d.month) + "-" + std::to_string(*d.day) + " " +
                           t->totalamountInAccountCurrency()->toString();
        if (t->isTransfer()) {
            TLTransaction* other = t->transferCopy() != nullptr ? t->transferCopy() : t->transferCopyInverse();
            line += " [" + other->account()->name().value_or("") + "]";
        } else {
            std::vector<std::string> parts;
            for (TLSplit* s : t->getOrderedSplit()) {
                std::string filed = s->category() == nullptr ? "-" : s->category()->name().value_or("");
                if (s->category() != nullptr && s->category()->mastercat() != nullptr) {
                    filed = s->category()->mastercat()->name().value_or("") + ":" + filed;
                }
                parts.push_back(filed + "=" + t->convertedToAccountCurrency(*s->amount()).toString());
            }
            std::sort(parts.begin(), parts.end());
            for (const std::string& p : parts) line += " " + p;
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

class RoundTripTest : public LedgerTest {};

TEST_F(RoundTripTest, QifExportImportedIntoAnEmptyBookGivesTheSameBook) {
    BookGenerator::Options options;
    options.transactions = 800;
    options.years = 1;
    options.seed = 11;
    BookGenerator::generate(options);
    std::vector<AccountPlan> plans;
    for (ManagedObject* o : db().fetchEntityCustom("Account")) {
        auto* a = static_cast<TLAccount*>(o);
        plans.push_back({*a->name(), *a->type(), *a->currency()->code(), *a->startingBalance(), *a->balance(),
                         TLBookExporter::qif(a)});
    }
    std::vector<std::string> before = transactionsOf(db());
    size_t transfersBefore = std::count_if(before.begin(), before.end(), [](auto& l) { return l.back() == ']'; });
    ASSERT_GT(transfersBefore, 20u);

    // An empty book in a new home, the same accounts typed in again.
    TemporaryFolder second;
    ApplicationHome::setCurrent(ApplicationHome(second.path()));
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
    std::map<std::string, TLCurrency*> currencies;
    for (const AccountPlan& plan : plans) {
        if (currencies.count(plan.code) == 0) currencies[plan.code] = currency(plan.code.c_str(), plan.code == "USD");
        TLAccount* a = account(plan.name.c_str(), currencies[plan.code], plan.type);
        a->changeStartingBalanceTo(plan.opening);
    }
    db().save();
    int duplicates = 0;
    for (const AccountPlan& plan : plans) {
        StatementResult read = QifReader::read(plan.qif);
        ASSERT_TRUE(read.ok()) << plan.name << ": " << read.error;
        TLAccount* into = nullptr;
        for (ManagedObject* o : db().fetchEntityCustom("Account")) {
            if (static_cast<TLAccount*>(o)->name() == plan.name) into = static_cast<TLAccount*>(o);
        }
        TLImportPreview preview(read.statement, into);
        duplicates += preview.count(TLImportRowState::Duplicate);
        TLImportPreview::Outcome outcome = preview.confirm();
        ASSERT_TRUE(outcome.ok()) << plan.name << ": " << outcome.error;
    }
    EXPECT_EQ(checkLedgerInvariantsSaved(), "");
    EXPECT_EQ(static_cast<size_t>(duplicates), transfersBefore / 2);  // the second side of each transfer
    for (const AccountPlan& plan : plans) {
        for (ManagedObject* o : db().fetchEntityCustom("Account")) {
            auto* a = static_cast<TLAccount*>(o);
            if (a->name() == plan.name) {
                EXPECT_EQ(*a->balance(), plan.balance) << plan.name;
            }
        }
    }
    // Compared as the lines one side has and the other lacks, so a failure reads at a glance.
    std::vector<std::string> after = transactionsOf(db()), lost, gained;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(lost));
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(gained));
    EXPECT_EQ(lost, std::vector<std::string>{});
    EXPECT_EQ(gained, std::vector<std::string>{});
    EXPECT_EQ(after.size(), before.size());
}

}  // namespace
}  // namespace tallo::test
