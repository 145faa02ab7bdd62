#include "tools/gen/BookGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/currencies/TLRateRecord.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/TLMonthID.h"
#include "Platform/foundation/Clock.h"

namespace tallo {

namespace {

struct CurrencyPlan {
    const char* code;
    const char* title;
    const char* toDollars;  // one unit in USD
};
constexpr std::array<CurrencyPlan, 4> kCurrencies = {{{"USD", "US Dollar (USD)", "1"},
                                                      {"EUR", "Euro (EUR)", "1.0837"},
                                                      {"GBP", "British Pound (GBP)", "1.2654"},
                                                      {"JPY", "Japanese Yen (JPY)", "0.0067"}}};

struct AccountPlan {
    const char* name;
    int type;      // TLAccountType
    int currency;  // index into kCurrencies
    const char* opening;
    int weight;  // share of everyday transactions
};
constexpr std::array<AccountPlan, 9> kAccounts = {{{"Checking", TLAccountType::Bank, 0, "2450.00", 40},
                                                   {"Savings", TLAccountType::Bank, 0, "12000.00", 2},
                                                   {"Wallet", TLAccountType::Cash, 0, "85.40", 20},
                                                   {"Visa", TLAccountType::CreditCard, 0, "0", 25},
                                                   {"Euro Account", TLAccountType::Bank, 1, "1800.00", 8},
                                                   {"London Cash", TLAccountType::Cash, 2, "120.00", 3},
                                                   {"House", TLAccountType::Asset, 0, "310000.00", 1},
                                                   {"Brokerage", TLAccountType::Investment, 0, "25000.00", 0},
                                                   {"Mortgage", TLAccountType::Loan, 0, "-240000.00", 0}}};

const char* const kFirstNames[] = {"Ann", "Ben", "Carla", "David", "Elif", "Farid", "Greta", "Hugo", "Ines", "Jonas",
                                   "Kai", "Lena", "Marco", "Nora", "Omar", "Paula", "Quinn", "Rosa", "Sven", "Tara"};
const char* const kLastNames[] = {"Lee", "Meyer", "Novak", "Okafor", "Park", "Quist", "Rossi", "Silva", "Tanaka",
                                  "Ueda", "Vogel", "Weber", "Xu", "Young", "Zimmer"};
const char* const kCompanies[] = {"Acme Market", "Bright Energy", "City Water", "Corner Bakery", "Daily Grind",
                                  "Eastside Pharmacy", "Fresh Foods", "Green Garage", "Harbor Books", "Metro Transit",
                                  "Northwind Telecom", "Oak Insurance", "Pine Dental", "Riverside Cinema",
                                  "Summit Gym", "Union Rent", "Valley Hardware", "West Fuel"};

class Generation {
public:
    explicit Generation(const BookGenerator::Options& options)
        : options_(options), random_(options.seed), db_(TLDatabase::sharedDatabase()) {}

    void run() {
        makeCurrencies();
        makeAccounts();
        TLCategory::createDefaultCategoriesIfNeeded();
        sortCategories();
        makePayees();
        makeTransactions();
        db_.save();
    }

private:
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
    template <typename T>
    T* pick(const std::vector<T*>& list) {
        return list[static_cast<size_t>(uniform(0, static_cast<int>(list.size()) - 1))];
    }
    // An amount in cents, spread like receipts: mostly small, now and then large.
    Decimal amount(double low, double high) {
        double value = std::exp(std::uniform_real_distribution<double>(std::log(low), std::log(high))(random_));
        return Decimal(static_cast<long long>(std::llround(value * 100))).multiplyByPowerOf10(-2);
    }

    void makeCurrencies() {
        TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
        for (size_t i = 0; i < kCurrencies.size(); ++i) {
            TLCurrency* currency = center.getCurrencyByCode(kCurrencies[i].code);
            if (currency == nullptr) {
                currency = static_cast<TLCurrency*>(db_.createObjectForEntity("Currency"));
                currency->setCode(kCurrencies[i].code);
                currency->setTitle(kCurrencies[i].title);
                currency->setOrder(static_cast<int>(i));
                currency->setDefault(i == 0 && center.getDefaultCurrency() == nullptr);
            }
            currencies_.push_back(currency);
        }
        center.clearRatesCache();
        for (size_t from = 0; from < kCurrencies.size(); ++from) {
            for (size_t to = 0; to < kCurrencies.size(); ++to) {
                if (from == to) continue;
                Decimal value = *Decimal::fromString(kCurrencies[from].toDollars) /
                                *Decimal::fromString(kCurrencies[to].toDollars);
                TLRateRecord* record = center.getRateRecordFrom(currencies_[from], currencies_[to]);
                record->setOneFromInTo(value.rounded(6, RoundingMode::Plain));
            }
        }
        center.clearRatesCache();
    }

    void makeAccounts() {
        int order = static_cast<int>(TLAccount::getAccounts().size());
        for (const AccountPlan& plan : kAccounts) {
            auto* account = static_cast<TLAccount*>(db_.createObjectForEntity("Account"));
            account->setName(plan.name);
            account->setLowercaseName(std::string(plan.name));
            account->setType(plan.type);
            account->setOrder(order++);
            account->setCurrency(currencies_[static_cast<size_t>(plan.currency)]);
            account->changeStartingBalanceTo(*Decimal::fromString(plan.opening));
            if (plan.type == TLAccountType::CreditCard) account->setCcLimit(*Decimal::fromString("-5000"));
            accounts_.push_back(account);
            for (int w = 0; w < plan.weight; ++w) everyday_.push_back(account);
        }
    }

    void sortCategories() {
        for (ManagedObject* object : db_.fetchEntityCustom("Category")) {
            auto* category = static_cast<TLCategory*>(object);
            if (category->getDefaultTransactionType() == TLTransactionType::Income) {
                income_.push_back(category);
            } else {
                expense_.push_back(category);
            }
        }
        if (expense_.empty()) expense_.push_back(nullptr);
        if (income_.empty()) income_.push_back(nullptr);
    }

    void makePayees() {
        for (const char* company : kCompanies) {
            auto* payee = static_cast<TLPayee*>(db_.createObjectForEntity("Payee"));
            payee->setCompany(company);
            payee->setIscompany(true);
            payee->setRepresentationString(payee->getRepresentationString());
            payee->setCategory(pick(expense_));
            payees_.push_back(payee);
        }
        for (const char* first : kFirstNames) {
            for (int i = 0; i < 3; ++i) {
                auto* payee = static_cast<TLPayee*>(db_.createObjectForEntity("Payee"));
                payee->setNamesFromString(std::string(first) + " " + kLastNames[static_cast<size_t>(uniform(0, 14))]);
                payees_.push_back(payee);
            }
        }
    }

    TLTransaction* begin(TLAccount* account, int type, Date date) {
        auto* t = static_cast<TLTransaction*>(db_.createObjectForEntity("Transaction"));
        t->setAccount(account);
        t->copyCurrencyFromAccount();
        if (type == TLTransactionType::Transfer) t->setTransferPrimary(true);
        t->changeTypeTo(type);
        t->setTransactionDate(date);
        t->setCreationDate(date);
        return t;
    }
    void addSplit(TLTransaction* t, TLCategory* category, const Decimal& value) {
        auto* split = static_cast<TLSplit*>(db_.createObjectForEntity("Split"));
        split->setTransaction(t);
        split->setCategory(category);
        split->changeAmountTo(value);
    }
    void finish(TLTransaction* t) {
        t->setSearchString(t->getSearchString());
        ++made_;
        if (options_.progress && made_ % 10000 == 0) options_.progress(made_);
    }

    void expense(Date date) {
        TLAccount* account = pick(everyday_);
        TLTransaction* t = begin(account, TLTransactionType::Expense, date);
        t->setPayee(pick(payees_));
        int splits = chance(0.15) ? uniform(2, 4) : 1;
        double season = seasonOf(date);
        for (int i = 0; i < splits; ++i) addSplit(t, pick(expense_), amount(1.5 * season, 400 * season));
        if (chance(0.04)) {  // bought abroad: the amount is in another currency at today's rate
            TLCurrency* foreign = currencies_[static_cast<size_t>(uniform(1, 3))];
            if (foreign != account->currency()) {
                t->changeCurrencyTo(foreign);
                TLRateRecord* record = TLCurrencyCenter::sharedCenter().getRateRecordFrom(foreign, account->currency());
                t->setValueToRateRecordToAccount(record->oneFromInTo().value_or(Decimal::one()));
            }
        }
        finish(t);
    }

    // Spending follows the year: December's presents, the summer's holidays,
    // a quiet January and February.
    static double seasonOf(Date date) {
        switch (TLMonthID::month(TLMonthID::fromDate(date))) {
            case 12: return 1.8;
            case 11: return 1.25;
            case 7:
            case 8: return 1.3;
            case 1: return 0.8;
            case 2: return 0.85;
            default: return 1.0;
        }
    }

    TLCategory* categoryNamed(const std::vector<TLCategory*>& among, const char* name) {
        for (TLCategory* category : among) {
            if (category != nullptr && category->name() == name) return category;
        }
        return among.front();
    }

    // The month's salary into the first account on its first day, raised by
    // 3% every twelve months; its size follows the book's density so that a
    // month's income and expenses stay alike whatever the book's size.
    void salary(Date date, uint32_t monthsIn) {
        double perMonth = static_cast<double>(options_.transactions) / (options_.years * 12.0);
        double yearly = std::pow(1.03, static_cast<double>(monthsIn / 12));
        long long hundreds = std::max(10LL, std::llround(perMonth * 0.34 * yearly));
        TLTransaction* t = begin(accounts_[0], TLTransactionType::Income, date);
        t->setComments("salary");
        addSplit(t, categoryNamed(income_, "Salary"), Decimal(hundreds * 100));
        finish(t);
    }

    // Now and then a large purchase: furniture, a computer, a repair, a trip.
    void largePurchase(Date date, size_t which) {
        struct Purchase {
            const char* category;
            const char* amount;
        };
        static constexpr std::array<Purchase, 5> kPurchases = {{{"Furniture", "2450.00"},
                                                                 {"Equipment", "1899.00"},
                                                                 {"Maintenance", "1249.99"},
                                                                 {"Flights", "3200.00"},
                                                                 {"Repairs", "980.00"}}};
        const Purchase& purchase = kPurchases[which % kPurchases.size()];
        TLTransaction* t = begin(accounts_[0], TLTransactionType::Expense, date);
        addSplit(t, categoryNamed(expense_, purchase.category), *Decimal::fromString(purchase.amount));
        finish(t);
    }

    void income(Date date) {
        TLAccount* account = chance(0.8) ? accounts_[0] : pick(everyday_);
        TLTransaction* t = begin(account, TLTransactionType::Income, date);
        t->setPayee(pick(payees_));
        addSplit(t, pick(income_), amount(20, 1500));  // beside the salary: refunds, interest, a bonus
        finish(t);
    }

    void transfer(Date date) {
        TLAccount* from = pick(everyday_);
        TLAccount* to = pick(everyday_);
        if (from == to) to = accounts_[1];  // to savings
        if (from == to) to = accounts_[0];
        TLTransaction* t = begin(from, TLTransactionType::Transfer, date);
        t->setComments(to == accounts_[3] ? "card payment" : "transfer");
        addSplit(t, nullptr, amount(20, 1500));
        t->transferToAccount(to);
        finish(t);
        finish(t->transferCopy());
    }

    void makeTransactions() {
        double end = Clock::now().timeIntervalSince1970();
        double start = end - options_.years * 365.2425 * 86400.0;
        uint32_t firstMonth = TLMonthID::fromDate(Date(start));
        uint32_t paidMonth = 0;
        while (made_ < options_.transactions) {
            // Entered in date order, as a person would over the years.
            double at = start + (end - start) * static_cast<double>(made_) / static_cast<double>(options_.transactions);
            Date date(at + uniform(0, 3600));
            // The first entry of a month brings its salary, and every fifth
            // month a large purchase; neither draws from the random sequence,
            // so the rest of the book is the one the seed always made.
            uint32_t month = TLMonthID::fromDate(date);
            if (month != paidMonth && options_.transactions - made_ >= 4) {
                paidMonth = month;
                salary(date, month - firstMonth);
                if ((month - firstMonth) % 5 == 2) largePurchase(date, (month - firstMonth) / 5);
            }
            int kind = uniform(0, 99);
            if (kind < 80 || options_.transactions - made_ < 2) {
                expense(date);
            } else if (kind < 90) {
                income(date);
            } else {
                transfer(date);
            }
        }
    }

    const BookGenerator::Options& options_;
    std::mt19937 random_;
    TLDatabase& db_;
    std::vector<TLCurrency*> currencies_;
    std::vector<TLAccount*> accounts_;
    std::vector<TLAccount*> everyday_;
    std::vector<TLCategory*> expense_;
    std::vector<TLCategory*> income_;
    std::vector<TLPayee*> payees_;
    size_t made_ = 0;
};

}  // namespace

void BookGenerator::generate(const Options& options) { Generation(options).run(); }

}  // namespace tallo
