#include "Platform/objectstore/Predicate.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Platform/objectstore/ManagedObjectContext.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

// The part of the finance model that the system's predicates walk: accounts
// and currencies, transactions with their splits, categories with budget
// records and their monthly limits.
constexpr const char* kFinanceModel = R"(
model PredicateFinance version 1
entity Currency TLCurrency
  code            string
  default         boolean
  accounts        ->> Account.currency            nullify
  ratesTo         ->> RateRecord.currTo           nullify
  ratesFrom       ->> RateRecord.currFrom         nullify
entity RateRecord TLRateRecord
  currTo          -> Currency.ratesTo             nullify
  currFrom        -> Currency.ratesFrom           nullify
entity Account TLAccount
  name            string
  type            integer32
  order           integer32
  balance         decimal
  uuid            string
  currency        -> Currency.accounts            nullify
  transactions    ->> Transaction.account         cascade
entity Transaction TLTransaction
  name            string
  type            integer16
  transferPrimary boolean
  transactionDate date
  searchString    string
  account         -> Account.transactions         nullify
  splits          ->> Split.transaction           cascade
entity Split TLSplit
  name            string
  amount          decimal
  transaction     -> Transaction.splits           nullify
  category        -> Category.splits              nullify
  bill            -> Scheduler.splits             nullify
entity Scheduler TLScheduler
  splits          ->> Split.bill                  nullify
entity Category TLCategory
  name            string
  mastercat       -> Category.subcats             nullify
  subcats         ->> Category.mastercat          nullify
  splits          ->> Split.category              nullify
  budgetRecords   ->> BudgetRecord.category       nullify
entity BudgetRecord TLBudgetRecord
  name            string
  type            integer16
  category        -> Category.budgetRecords       nullify
  customLimits    ->> BudgetRecordCustom.record   cascade
entity BudgetRecordCustom TLBudgetRecordCustom
  name            string
  month           integer32
  global          boolean
  limit           decimal
  record          -> BudgetRecord.customLimits    nullify
)";

struct FinanceObject : ManagedObject {};

std::shared_ptr<const Model> financeModel() {
    static std::shared_ptr<const Model> model = [] {
        std::string error;
        auto parsed = Model::parseDeclaration(kFinanceModel, &error);
        EXPECT_NE(parsed, nullptr) << error;
        return parsed;
    }();
    return model;
}

Decimal D(const char* text) { return *Decimal::fromString(text); }

std::shared_ptr<const Predicate> parsed(const char* format, const std::vector<Value>& arguments = {}) {
    std::string error;
    auto predicate = Predicate::parse(format, arguments, &error);
    EXPECT_NE(predicate, nullptr) << format << ": " << error;
    return predicate;
}

// The unbudgeted-categories predicate of the budget screens for income
// (type 1): the split's transaction is not an outflow.
constexpr const char* kUnbudgetedIncome =
    "(SUBQUERY(splits, $s, $s.transaction.transactionDate BETWEEN {%@, %@} AND NOT (($s.transaction.type == 0) OR "
    "($s.transaction.type == 4) OR (($s.transaction.type == 2) AND ($s.transaction.transferPrimary == 1))) "
    ").@count > 0) AND ((budgetRecords.@count == 0) || (0 == SUBQUERY(budgetRecords, $sub, $sub.type == 1).@count))";
// The same for expenses (type 0): the direction test is not negated.
constexpr const char* kUnbudgetedExpense =
    "(SUBQUERY(splits, $s, $s.transaction.transactionDate BETWEEN {%@, %@} AND (($s.transaction.type == 0) OR "
    "($s.transaction.type == 4) OR (($s.transaction.type == 2) AND ($s.transaction.transferPrimary == 1))) "
    ").@count > 0) AND ((budgetRecords.@count == 0) || (0 == SUBQUERY(budgetRecords, $sub, $sub.type == 0).@count))";

class PredicateTest : public ::testing::Test {
protected:
    PredicateTest()
        : context(financeModel(), [](const EntityDescription&) { return std::make_unique<FinanceObject>(); }) {}

    ManagedObject* insert(const char* entity, std::initializer_list<std::pair<const char*, Value>> values) {
        ManagedObject* object = context.insertNewObjectForEntityForName(entity);
        EXPECT_NE(object, nullptr) << entity;
        for (const auto& [key, value] : values) EXPECT_TRUE(object->setValueForKey(value, key)) << key;
        return object;
    }

    // The names of the candidates that satisfy the predicate, in order: "Cash, Visa".
    static std::string matching(const char* format, const std::vector<Value>& arguments,
                                const std::vector<ManagedObject*>& candidates) {
        auto predicate = parsed(format, arguments);
        if (!predicate) return "(no predicate)";
        std::string names;
        for (const ManagedObject* candidate : candidates) {
            if (!predicate->evaluate(candidate)) continue;
            if (!names.empty()) names += ", ";
            Value name = candidate->valueForKey("name");
            names += name.asString() ? *name.asString() : candidate->objectIDString();
        }
        return names;
    }

    ManagedObjectContext context;
};

// ------------------------------------------------------------------ parsing

TEST_F(PredicateTest, EverySystemPredicateParsesToItsCanonicalText) {
    ManagedObject* usd = insert("Currency", {{"code", "USD"}});
    ManagedObject* eur = insert("Currency", {{"code", "EUR"}});
    ManagedObject* cash = insert("Account", {{"name", "Cash"}});
    ManagedObject* visa = insert("Account", {{"name", "Visa"}});
    ManagedObject* record = insert("BudgetRecord", {});
    ManagedObject* food = insert("Category", {{"name", "Food"}});
    Date march1(1298955600), march31(1301630399);
    struct Case {
        const char* format;
        std::vector<Value> arguments;
        const char* description;
    };
    const Case cases[] = {
        {"type != 20", {}, "type != 20"},
        {"default == YES", {}, "default == YES"},
        {"name like[cd] %@", {"gro*"}, "name LIKE[cd] \"gro*\""},
        {"category == nil && type == 0", {}, "category == nil AND type == 0"},
        {"uuid <> %@", {"TL-A-Account-1"}, "uuid != \"TL-A-Account-1\""},
        {"code == \"%@\"", {"USD"}, "code == \"USD\""},
        {"currFrom == %@ AND currTo == %@", {usd, eur}, "currFrom == Currency#1 AND currTo == Currency#2"},
        {"currTo == %@ && currFrom != NULL", {usd}, "currTo == Currency#1 AND currFrom != nil"},
        {"scheduledBill == %@", {record}, "scheduledBill == BudgetRecord#1"},
        {"(record == %@) && (month > %d) && (global == 1)", {record, 24135},
         "record == BudgetRecord#1 AND month > 24135 AND global == 1"},
        {"(record == %@) && (month == %d)", {record, 24135}, "record == BudgetRecord#1 AND month == 24135"},
        {"(record == %@) && (month <= %d) && (global == 1)", {record, 24135},
         "record == BudgetRecord#1 AND month <= 24135 AND global == 1"},
        {"(transaction.transactionDate BETWEEN {%@, %@}) && (category == %@) && (bill == nil)",
         {march1, march31, food},
         "transaction.transactionDate BETWEEN {@1298955600.000, @1301630399.000} AND category == Category#1 AND "
         "bill == nil"},
        {"category.mastercat == nil", {}, "category.mastercat == nil"},
        {"category.mastercat != nil", {}, "category.mastercat != nil"},
        {"category.mastercat == %@", {food}, "category.mastercat == Category#1"},
        {"mastercat == NULL", {}, "mastercat == nil"},
        {"account == %@", {cash}, "account == Account#1"},
        {"(account == %@) AND (searchString contains[cd] %@)", {cash, "café"},
         "account == Account#1 AND searchString CONTAINS[cd] \"café\""},
        {"NOT SELF IN %@", {ObjectList{cash, visa}}, "NOT SELF IN [Account#1, Account#2]"},
        {kUnbudgetedIncome, {march1, march31},
         "SUBQUERY(splits, $s, $s.transaction.transactionDate BETWEEN {@1298955600.000, @1301630399.000} AND "
         "NOT ($s.transaction.type == 0 OR $s.transaction.type == 4 OR ($s.transaction.type == 2 AND "
         "$s.transaction.transferPrimary == 1))).@count > 0 AND (budgetRecords.@count == 0 OR "
         "0 == SUBQUERY(budgetRecords, $sub, $sub.type == 1).@count)"},
        {kUnbudgetedExpense, {march1, march31},
         "SUBQUERY(splits, $s, $s.transaction.transactionDate BETWEEN {@1298955600.000, @1301630399.000} AND "
         "($s.transaction.type == 0 OR $s.transaction.type == 4 OR ($s.transaction.type == 2 AND "
         "$s.transaction.transferPrimary == 1))).@count > 0 AND (budgetRecords.@count == 0 OR "
         "0 == SUBQUERY(budgetRecords, $sub, $sub.type == 0).@count)"},
    };
    for (const Case& c : cases) {
        auto predicate = parsed(c.format, c.arguments);
        if (predicate) {
            EXPECT_EQ(predicate->description(), c.description) << c.format;
        }
    }
}

TEST(PredicateSyntax, DescriptionParsesBackToTheSameCondition) {
    const char* formats[] = {
        "a == 1 OR (b = 2 AND NOT c => 3)",
        "a == 1 || b == 2 && c =< 3",
        "!(a <> 1) && TRUEPREDICATE",
        "name CONTAINS[c] 'say \"hi\"' OR name ENDSWITH[d] \"a\\\\b\"",
        "balance BETWEEN {-1.50, 2e3}",
        "type IN {0, 4, \"two\", nil, YES}",
        "SUBQUERY(splits, $s, $s.amount > -3 AND SUBQUERY($s.tags, $t, $t.name BEGINSWITH $s.name).@count == 0)"
        ".@count == 0",
        "#in == 1 AND a.#between != NO",
        "transactions.@count >= 123456789012345678901234",
        "FALSEPREDICATE OR name LIKE[cd] 'Gro?er*s'",
    };
    for (const char* format : formats) {
        auto first = Predicate::parse(format);
        ASSERT_NE(first, nullptr) << format;
        std::string error;
        auto second = Predicate::parse(first->description(), {}, &error);
        ASSERT_NE(second, nullptr) << first->description() << ": " << error;
        EXPECT_EQ(second->description(), first->description()) << format;
    }
    // Equivalent spellings come out the same.
    EXPECT_EQ(Predicate::parse("a <> 1 && b => 2 and not c =< 3 || d = nil")->description(),
              "(a != 1 AND b >= 2 AND NOT c <= 3) OR d == nil");
}

TEST(PredicateSyntax, ArgumentsAreSubstitutedByTheirConversion) {
    struct Case {
        const char* format;
        std::vector<Value> arguments;
        const char* description;
    };
    const Case cases[] = {
        // The month ID of March 2011 as a Decimal still substitutes as an integer.
        {"month <= %d", {D("24134")}, "month <= 24134"},
        {"month <= %ld AND month > %lld AND month != %u", {24134, 24100, 1}, "month <= 24134 AND month > 24100 AND month != 1"},
        {"%K == %@", {"account.currency.code", "EUR"}, "account.currency.code == \"EUR\""},
        {"%K.@count > %d", {"splits", 1}, "splits.@count > 1"},
        {"rate > %f", {1.5}, "rate > 1.5"},
        {"name == %@ AND code == '%@'", {nullptr, "USD"}, "name == nil AND code == \"USD\""},
        {"name == \"100%\"", {}, "name == \"100%\""},
    };
    for (const Case& c : cases) {
        auto predicate = parsed(c.format, c.arguments);
        if (predicate) {
            EXPECT_EQ(predicate->description(), c.description) << c.format;
        }
    }
}

TEST(PredicateSyntax, BrokenFormatsSayWhatIsWrongAndWhere) {
    std::string deep(150, '(');
    deep += "a == 1" + std::string(150, ')');
    struct Case {
        std::string format;
        std::vector<Value> arguments;
        const char* error;
    };
    const Case cases[] = {
        {"category == nil AMD type == 0", {}, "unexpected token 'AMD' at 16"},
        {"category == nil && type == 0 type == 1", {}, "unexpected token 'type' at 29"},
        {"name == %@", {}, "missing argument for %@ at 8"},
        {"record == %@ && month > %d", {nullptr}, "missing argument for %d at 24"},
        {"type == 1", {5}, "too many arguments: 1 given, 0 used"},
        {"name == %@", {"a", "b"}, "too many arguments: 2 given, 1 used"},
        {"searchString == \"Café Müller", {}, "unterminated string at 16"},
        {"name == 'it\\'s", {}, "unterminated string at 8"},
        {"", {}, "unexpected end of format at 0"},
        {"type == ", {}, "unexpected end of format at 8"},
        {"(type == 1", {}, "unexpected end of format at 10"},
        {"type == 1)", {}, "unexpected token ')' at 9"},
        {"type ~ 1", {}, "unexpected character '~' at 5"},
        {"type == 1 ; x", {}, "unexpected character ';' at 10"},
        {"type == %x", {}, "unknown format '%x' at 8"},
        {"month > %d", {"May"}, "argument 1 for %d at 8 is not a number"},
        {"%K == 1", {"not a key"}, "argument 1 for %K at 0 is not a key path"},
        {"code == \"%@\"", {5}, "argument 1 for \"%@\" at 8 is not text"},
        {"name like[x] 'a'", {}, "unknown option 'x' at 10"},
        {"name like[cc] 'a'", {}, "unknown option 'cc' at 10"},
        {"date BETWEEN {1}", {}, "BETWEEN at 5 needs {low, high}"},
        {"date BETWEEN %@", {5}, "BETWEEN at 5 needs {low, high}"},
        {"type == {1, 2}", {}, "a list {...} at 8 only follows IN or BETWEEN"},
        {"SUBQUERY(splits, s, s.amount > 0).@count > 0", {}, "SUBQUERY at 0 needs a $variable, not 's'"},
        {"SUBQUERY(splits, $s, $x.amount > 0).@count > 0", {}, "unknown variable '$x' at 21"},
        {"$s.type == 0", {}, "unknown variable '$s' at 0"},
        {"ANY splits.amount > 0", {}, "unsupported 'ANY' at 0"},
        {"name MATCHES 'a.*'", {}, "unsupported operator 'MATCHES' at 5"},
        {"splits.@sum.amount > 0", {}, "unsupported key path operator '@sum' at 7"},
        {"budgetRecords.@count.type == 0", {}, "unexpected token '.' at 20"},
        {"type == -x", {}, "unexpected token 'x' at 9"},
        {"balance > 1e999", {}, "number '1e999' out of range at 10"},
        {"name == \"\\u00\"", {}, "bad \\u escape at 9"},
        {"NOT", {}, "unexpected end of format at 3"},
        {"type AND 1", {}, "unexpected token 'AND' at 5"},
        {deep, {}, "nesting too deep at 100"},
    };
    for (const Case& c : cases) {
        std::string error = "untouched";
        EXPECT_EQ(Predicate::parse(c.format, c.arguments, &error), nullptr) << c.format;
        EXPECT_EQ(error, c.error) << c.format;
    }
}

TEST_F(PredicateTest, FetchesLearnWhichToOneKeyIsPinnedToAnObject) {
    ManagedObject* cash = insert("Account", {{"name", "Cash"}});
    ManagedObject* record = insert("BudgetRecord", {});
    auto terms = [](const char* format, const std::vector<Value>& arguments) {
        std::string text;
        for (const auto& term : parsed(format, arguments)->keyEqualsObjectTerms()) {
            text += (text.empty() ? "" : ", ") + term.key + " == " + term.object->objectIDString();
        }
        return text;
    };
    EXPECT_EQ(terms("(account == %@) AND (searchString contains[cd] %@)", {cash, "cafe"}), "account == Account#1");
    EXPECT_EQ(terms("(record == %@) && (month <= %d) && (global == 1)", {record, 24134}),
              "record == BudgetRecord#1");
    EXPECT_EQ(terms("%@ == account AND (type == 1 AND record == %@)", {cash, record}),
              "account == Account#1, record == BudgetRecord#1");
    // Nothing a fetch could start from: an OR, a NOT, a longer key path, nil,
    // a folded comparison, or a text.
    EXPECT_EQ(terms("account == %@ OR type == 1", {cash}), "");
    EXPECT_EQ(terms("NOT account == %@", {cash}), "");
    EXPECT_EQ(terms("account.currency == %@", {cash}), "");
    EXPECT_EQ(terms("category == %@", {nullptr}), "");
    EXPECT_EQ(terms("account ==[c] %@", {cash}), "");
    EXPECT_EQ(terms("uuid == %@", {"TL-A-1"}), "");
}

TEST_F(PredicateTest, FetchesLearnWhichTextAKeyMustContain) {
    ManagedObject* cash = insert("Account", {{"name", "Cash"}});
    auto terms = [](const char* format, const std::vector<Value>& arguments) {
        std::string text;
        for (const auto& term : parsed(format, arguments)->keyContainsTextTerms()) {
            text += (text.empty() ? "" : ", ") + term.key + " contains[" + (term.foldCase ? "c" : "") +
                    (term.foldDiacritics ? "d" : "") + "] " + term.text;
        }
        return text;
    };
    EXPECT_EQ(terms("(account == %@) AND (searchString contains[cd] %@)", {cash, "Café"}),
              "searchString contains[cd] Café");
    EXPECT_EQ(terms("name contains 'Ca' AND (memo contains[c] 'rent' AND type == 1)", {}),
              "name contains[] Ca, memo contains[c] rent");
    // Nothing every match must satisfy: an OR, a NOT, a key path, a text on
    // the left, another operator.
    EXPECT_EQ(terms("name contains 'a' OR type == 1", {}), "");
    EXPECT_EQ(terms("NOT name contains 'a'", {}), "");
    EXPECT_EQ(terms("account.name contains 'a'", {}), "");
    EXPECT_EQ(terms("'Cash' contains name", {}), "");
    EXPECT_EQ(terms("name beginswith 'Ca'", {}), "");
    EXPECT_EQ(terms("name contains %@", {cash}), "") << "an object is no text";
}

// --------------------------------------------------------------- evaluation

TEST_F(PredicateTest, AccountListsLeaveOutHiddenAccountsAndNilTypesStayIn) {
    std::vector<ManagedObject*> accounts = {
        insert("Account", {{"name", "Checking"}, {"type", 0}, {"balance", D("1200.50")}}),
        insert("Account", {{"name", "Visa"}, {"type", 2}, {"balance", D("-310.99")}}),
        insert("Account", {{"name", "Hidden"}, {"type", 20}, {"balance", D("0")}}),
        insert("Account", {{"name", "Untyped"}}),
    };
    EXPECT_EQ(matching("type != 20", {}, accounts), "Checking, Visa, Untyped");
    EXPECT_EQ(matching("type == 20", {}, accounts), "Hidden");
    EXPECT_EQ(matching("type == nil", {}, accounts), "Untyped");
    // Orderings with nil are false either way round.
    EXPECT_EQ(matching("type < 5", {}, accounts), "Checking, Visa");
    EXPECT_EQ(matching("type >= 5", {}, accounts), "Hidden");
    EXPECT_EQ(matching("type BETWEEN {0, 2}", {}, accounts), "Checking, Visa");
    // Numbers compare by value whatever their kind: a Decimal balance against
    // an integer, a double and a decimal literal.
    EXPECT_EQ(matching("balance > 1200", {}, accounts), "Checking");
    EXPECT_EQ(matching("balance < %@", {-310.5}, accounts), "Visa");
    EXPECT_EQ(matching("balance == 1200.5", {}, accounts), "Checking");
    EXPECT_EQ(matching("balance <= 0 AND balance >= -310.99", {}, accounts), "Visa, Hidden");
}

TEST_F(PredicateTest, TheDefaultCurrencyIsFoundByItsBooleanAndByItsCode) {
    std::vector<ManagedObject*> currencies = {
        insert("Currency", {{"code", "USD"}, {"default", false}}),
        insert("Currency", {{"code", "EUR"}, {"default", true}}),
        insert("Currency", {{"code", "GBP"}}),
    };
    auto codes = [&](const char* format, const std::vector<Value>& arguments) {
        auto predicate = parsed(format, arguments);
        std::string text;
        for (const ManagedObject* currency : currencies) {
            Value code = currency->valueForKey("code");
            if (predicate->evaluate(currency)) text += *code.asString() + " ";
        }
        return text;
    };
    EXPECT_EQ(codes("default == YES", {}), "EUR ");
    EXPECT_EQ(codes("default == 1", {}), "EUR ");
    EXPECT_EQ(codes("default == NO", {}), "USD ");
    EXPECT_EQ(codes("code == \"%@\"", {"GBP"}), "GBP ");
    EXPECT_EQ(codes("%K == %@", {"code", "USD"}), "USD ");
    EXPECT_EQ(codes("code ==[c] 'usd' OR code IN {'GBP', 'JPY'}", {}), "USD GBP ");
    EXPECT_EQ(codes("code < 'F'", {}), "EUR ");
}

TEST_F(PredicateTest, SearchMatchesTextWithAndWithoutCaseAndAccents) {
    ManagedObject* cafe = insert("Transaction", {{"name", "Cafe"}, {"searchString", "Café Müller groceries"}});
    ManagedObject* street = insert("Transaction", {{"name", "Street"}, {"searchString", "Lange Straße 5"}});
    ManagedObject* blank = insert("Transaction", {{"name", "Blank"}});
    std::vector<ManagedObject*> all = {cafe, street, blank};
    struct Case {
        const char* format;
        const char* argument;
        const char* matches;
    };
    const Case cases[] = {
        {"searchString contains[cd] %@", "cafe muller", "Cafe"},
        {"searchString contains[cd] %@", "CAFÉ MÜLLER", "Cafe"},
        {"searchString contains[c] %@", "cafe muller", ""},    // the accents still count
        {"searchString contains[c] %@", "CAFÉ", "Cafe"},
        {"searchString contains[d] %@", "cafe", ""},           // the case still counts
        {"searchString contains[d] %@", "Cafe Muller", "Cafe"},
        {"searchString contains %@", "Café", "Cafe"},
        {"searchString contains %@", "café", ""},
        {"searchString contains[c] %@", "STRASSE", "Street"},  // full case folding: ß is ss
        {"searchString beginswith[c] %@", "café m", "Cafe"},
        {"searchString beginswith %@", "groceries", ""},
        {"searchString endswith %@", "groceries", "Cafe"},
        {"searchString endswith[cd] %@", "STRASSE 5", "Street"},
        {"searchString like %@", "Caf? *", "Cafe"},
        {"searchString like %@", "Café", ""},                  // like matches the whole text
        {"searchString like[cd] %@", "*muller*", "Cafe"},
        {"searchString like[c] %@", "lange stra?e ?", ""},     // folded ß is two letters: ?? not ?
        {"searchString like[c] %@", "lange stra??e ?", "Street"},
        {"%@ IN searchString", "Müller", "Cafe"},
        {"searchString == %@", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(matching(c.format, {c.argument}, all), c.matches) << c.format << " " << c.argument;
    }
}

TEST_F(PredicateTest, CategoryNamesMatchWithWildcardsAsTyped) {
    std::vector<ManagedObject*> categories = {
        insert("Category", {{"name", "Groceries"}}),
        insert("Category", {{"name", "Gas & Fuel"}}),
        insert("Category", {{"name", "Café"}}),
        insert("Category", {{"name", "5*3 Club"}}),
    };
    const char* format = "name like[cd] %@";
    EXPECT_EQ(matching(format, {"groceries"}, categories), "Groceries");
    EXPECT_EQ(matching(format, {"G*"}, categories), "Groceries, Gas & Fuel");
    EXPECT_EQ(matching(format, {"g?s*"}, categories), "Gas & Fuel");
    EXPECT_EQ(matching(format, {"CAFE"}, categories), "Café");
    EXPECT_EQ(matching(format, {"caf?"}, categories), "Café");
    EXPECT_EQ(matching(format, {"*"}, categories), "Groceries, Gas & Fuel, Café, 5*3 Club");
    EXPECT_EQ(matching(format, {"*e*e*"}, categories), "Groceries");
    EXPECT_EQ(matching(format, {"Groc"}, categories), "");
    EXPECT_EQ(matching(format, {"5\\*3*"}, categories), "5*3 Club");
    EXPECT_EQ(matching(format, {"5\\*"}, categories), "");
}

TEST_F(PredicateTest, SelectionListsLeaveOutTheObjectsAlreadyChosen) {
    std::vector<ManagedObject*> accounts;
    for (const char* name : {"Cash", "Checking", "Savings", "Visa"}) accounts.push_back(insert("Account", {{"name", name}}));
    EXPECT_EQ(matching("NOT SELF IN %@", {ObjectList{accounts[3], accounts[1]}}, accounts), "Cash, Savings");
    EXPECT_EQ(matching("SELF IN %@", {ObjectList{accounts[3], accounts[1]}}, accounts), "Checking, Visa");
    EXPECT_EQ(matching("NOT SELF IN %@", {ObjectList{}}, accounts), "Cash, Checking, Savings, Visa");
    EXPECT_EQ(matching("SELF == %@ OR SELF IN {%@}", {accounts[0], accounts[2]}, accounts), "Cash, Savings");
    EXPECT_EQ(matching("SELF != %@", {accounts[0]}, accounts), "Checking, Savings, Visa");
}

TEST_F(PredicateTest, KeyPathsFollowToOneRelationshipsAndCountToManyOnes) {
    ManagedObject* eur = insert("Currency", {{"code", "EUR"}});
    ManagedObject* giro = insert("Account", {{"name", "Giro"}, {"currency", eur}});
    ManagedObject* cash = insert("Account", {{"name", "Cash"}});
    ManagedObject* rent = insert("Transaction", {{"name", "Rent"}, {"account", giro}});
    ManagedObject* coffee = insert("Transaction", {{"name", "Coffee"}, {"account", cash}});
    ManagedObject* orphan = insert("Transaction", {{"name", "Orphan"}});
    for (int i = 0; i < 2; ++i) insert("Split", {{"transaction", rent}});
    insert("Split", {{"transaction", coffee}});
    std::vector<ManagedObject*> transactions = {rent, coffee, orphan};
    EXPECT_EQ(matching("account.currency.code == 'EUR'", {}, transactions), "Rent");
    EXPECT_EQ(matching("account.currency == nil", {}, transactions), "Coffee, Orphan");
    EXPECT_EQ(matching("account.currency.code != 'EUR'", {}, transactions), "Coffee, Orphan");
    EXPECT_EQ(matching("splits.@count > 1", {}, transactions), "Rent");
    EXPECT_EQ(matching("splits.@count == 0", {}, transactions), "Orphan");
    EXPECT_EQ(matching("account.transactions.@count == 1", {}, transactions), "Rent, Coffee");
    // A to-many relationship contains an object.
    EXPECT_EQ(matching("transactions CONTAINS %@", {coffee}, {giro, cash}), "Cash");
    EXPECT_EQ(matching("%@ IN transactions", {rent}, {giro, cash}), "Giro");
}

TEST_F(PredicateTest, BudgetLimitsOfARecordAreFoundByMonth) {
    // Limits for months 100 (from then on: 50), 103 (that month only: 80)
    // and 105 (from then on: 60).
    ManagedObject* record = insert("BudgetRecord", {{"type", 0}});
    ManagedObject* other = insert("BudgetRecord", {{"type", 0}});
    std::vector<ManagedObject*> limits = {
        insert("BudgetRecordCustom", {{"name", "100"}, {"record", record}, {"month", 100}, {"global", true}, {"limit", D("50")}}),
        insert("BudgetRecordCustom", {{"name", "103"}, {"record", record}, {"month", 103}, {"global", false}, {"limit", D("80")}}),
        insert("BudgetRecordCustom", {{"name", "105"}, {"record", record}, {"month", 105}, {"global", true}, {"limit", D("60")}}),
        insert("BudgetRecordCustom", {{"name", "other"}, {"record", other}, {"month", 104}, {"global", true}}),
    };
    const char* exact = "(record == %@) && (month == %d)";
    const char* upTo = "(record == %@) && (month <= %d) && (global == 1)";
    EXPECT_EQ(matching(exact, {record, 103}, limits), "103");
    EXPECT_EQ(matching(exact, {record, 104}, limits), "");
    EXPECT_EQ(matching(upTo, {record, 104}, limits), "100");
    EXPECT_EQ(matching(upTo, {record, 105}, limits), "100, 105");
    EXPECT_EQ(matching(upTo, {record, 99}, limits), "");
    EXPECT_EQ(matching("(record == %@) && (month > %d) && (global == 1)", {record, 100}, limits), "105");
}

TEST_F(PredicateTest, UnbudgetedCategoriesAreThoseActiveInTheMonthWithoutARecordOfTheType) {
    Date february20 = test::localDate(2011, 2, 20);
    Date march1 = test::localDate(2011, 3, 1);
    Date march15 = test::localDate(2011, 3, 15, 12);
    Date march31End = test::localDate(2011, 3, 31, 23, 59, 59);
    auto transaction = [&](int type, bool transferPrimary, Date date) {
        return insert("Transaction", {{"type", type}, {"transferPrimary", transferPrimary}, {"transactionDate", date}});
    };
    auto category = [&](const char* name, ManagedObject* on, std::vector<int> recordTypes) {
        ManagedObject* c = insert("Category", {{"name", name}});
        insert("Split", {{"category", c}, {"transaction", on}});
        for (int type : recordTypes) insert("BudgetRecord", {{"type", type}, {"category", c}});
        return c;
    };
    std::vector<ManagedObject*> categories = {
        category("Salary", transaction(1, false, march15), {}),
        category("Groceries", transaction(0, false, march1), {0}),   // already budgeted
        category("Dining", transaction(0, false, march31End), {1}),  // only an income record
        category("Transfer Out", transaction(2, true, march15), {}),
        category("Transfer In", transaction(2, false, march15), {}),
        category("Stocks", transaction(4, false, march15), {}),
        category("Last Month", transaction(0, false, february20), {}),
        category("Bonus", transaction(1, false, march15), {1}),
    };
    EXPECT_EQ(matching(kUnbudgetedExpense, {march1, march31End}, categories), "Dining, Transfer Out, Stocks");
    EXPECT_EQ(matching(kUnbudgetedIncome, {march1, march31End}, categories), "Salary, Transfer In");
    // The amount of one category in the month: its splits, outside templates.
    ManagedObject* salary = categories[0];
    Value salarySplits = salary->valueForKey("splits");
    std::vector<ManagedObject*> splits = *salarySplits.asObjects();
    ManagedObject* template_ = insert("Split", {{"name", "template"}, {"category", salary}, {"bill", insert("Scheduler", {})}});
    splits.push_back(template_);
    splits.front()->setValueForKey(Value("paid"), "name");
    const char* amountSplits = "(transaction.transactionDate BETWEEN {%@, %@}) && (category == %@) && (bill == nil)";
    EXPECT_EQ(matching(amountSplits, {march1, march31End, salary}, splits), "paid");
    // An interval missing either end selects nothing.
    EXPECT_EQ(matching(amountSplits, {nullptr, march31End, salary}, splits), "");
    EXPECT_EQ(matching(amountSplits, {march1, nullptr, salary}, splits), "");
}

TEST_F(PredicateTest, NestedSubqueriesSeeTheVariablesOfTheOuterOnes) {
    ManagedObject* giro = insert("Account", {{"name", "Giro"}});
    ManagedObject* cash = insert("Account", {{"name", "Cash"}});
    ManagedObject* rent = insert("Transaction", {{"type", 0}, {"account", giro}});
    ManagedObject* refund = insert("Transaction", {{"type", 1}, {"account", cash}});
    insert("Split", {{"amount", D("950")}, {"transaction", rent}});
    insert("Split", {{"amount", D("20")}, {"transaction", refund}});
    insert("Split", {{"amount", D("300")}, {"transaction", refund}});
    // Accounts with an expense that has a split over 100: the inner condition
    // reads both $s (its own) and $t (the outer one).
    const char* format =
        "SUBQUERY(transactions, $t, SUBQUERY($t.splits, $s, $s.amount > %@ AND $t.type == 0).@count > 0).@count > 0";
    EXPECT_EQ(matching(format, {100}, {giro, cash}), "Giro");
    EXPECT_EQ(matching(format, {1000}, {giro, cash}), "");
    // SELF inside a subquery is the element.
    EXPECT_EQ(matching("SUBQUERY(transactions, $t, SELF.type == 1).@count == 1", {}, {giro, cash}), "Cash");
}

TEST_F(PredicateTest, AFetchOfARegisterSearchFindsOnlyThatAccountsMatches) {
    ManagedObject* giro = insert("Account", {{"name", "Giro"}});
    ManagedObject* cash = insert("Account", {{"name", "Cash"}});
    insert("Transaction", {{"name", "a"}, {"account", giro}, {"searchString", "Café Müller groceries"}});
    insert("Transaction", {{"name", "b"}, {"account", cash}, {"searchString", "Cafe Muller lunch"}});
    insert("Transaction", {{"name", "c"}, {"account", giro}, {"searchString", "Rent March"}});
    insert("Transaction", {{"name", "d"}, {"account", giro}, {"searchString", "CAFE MULLER dinner"}});
    FetchRequest request;
    request.entityName = "Transaction";
    request.predicate = parsed("(account == %@) AND (searchString contains[cd] %@)", {giro, "café müller"});
    std::string names;
    for (const ManagedObject* found : context.executeFetchRequest(request)) {
        Value name = found->valueForKey("name");
        names += *name.asString();
    }
    EXPECT_EQ(names, "ad");
}

}  // namespace
}  // namespace tallo
