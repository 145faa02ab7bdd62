#pragma once
// The small book of the report tests, on 15 March 2011 12:00 in New York
// (daylight saving began there on 13 March):
//
//   Checking   $1,000 opening   Feb: salary 2,500 (1st), groceries 50 (20th)
//                               Mar: salary 2,500 (1st), groceries 82.40 (3rd),
//                                    300 sent to Savings filed under Food (5th),
//                                    restaurants 45.10 (9th), Food 10 (10th),
//                                    fuel 60 (12th), uncategorised 7.25 (14th)
//   Savings    $500 opening     Mar: 300 from Checking (5th)
//   Euro card  €100 opening     Mar: restaurants €20 (11th); €1 = $1.3071
//
// March's spending: Food 163.642 (groceries 82.40, restaurants 45.10 +
// 26.142, Food itself 10), Car 60, uncategorised 7.25: 230.892 in all.

#include "tests/budgets/BudgetTestSupport.h"

namespace tallo::test {

// `Base` is the fixture the book is kept in: the budget tests' or the
// screen tests'; either stands on the clock of 15 March 2011.
template <typename Base>
class ReportBook : public Base {
protected:
    ReportBook() {
        usd = this->currency("USD", true);
        eur = this->currency("EUR");
        this->rate(eur, usd, "1.3071");
        TLCurrencyCenter::sharedCenter().clearRatesCache();
        checking = this->account("Checking", usd, TLAccountType::Bank, 0);
        savings = this->account("Savings", usd, TLAccountType::Bank, 1);
        euroCard = this->account("Euro card", eur, TLAccountType::CreditCard, 2);
        checking->changeStartingBalanceTo(D("1000"));
        savings->changeStartingBalanceTo(D("500"));
        euroCard->changeStartingBalanceTo(D("100"));
        food = this->category("Food");
        groceries = this->category("Groceries", food);
        restaurants = this->category("Restaurants", food);
        car = this->category("Car");
        fuel = this->category("Fuel", car);
        salary = this->category("Salary");

        on(2, 1, this->transaction(checking, TLTransactionType::Income, {"2500"}, salary));
        on(2, 20, this->transaction(checking, TLTransactionType::Expense, {"50"}, groceries));
        on(3, 1, this->transaction(checking, TLTransactionType::Income, {"2500"}, salary));
        on(3, 3, this->transaction(checking, TLTransactionType::Expense, {"82.40"}, groceries));
        on(3, 5, this->transaction(checking, TLTransactionType::Transfer, {"300"}, food))->transferToAccount(savings);
        on(3, 9, this->transaction(checking, TLTransactionType::Expense, {"45.10"}, restaurants));
        on(3, 10, this->transaction(checking, TLTransactionType::Expense, {"10"}, food));
        on(3, 11, this->transaction(euroCard, TLTransactionType::Expense, {"20"}, restaurants));
        on(3, 12, this->transaction(checking, TLTransactionType::Expense, {"60"}, fuel));
        on(3, 14, this->transaction(checking, TLTransactionType::Expense, {"7.25"}));
    }
    // `t` dated at noon on that day of 2011.
    static TLTransaction* on(int monthNumber, int day, TLTransaction* t) {
        t->setTransactionDate(localDate(2011, monthNumber, day, 12));
        return t;
    }

    TLCurrency* usd;
    TLCurrency* eur;
    TLAccount* checking;
    TLAccount* savings;
    TLAccount* euroCard;
    TLCategory* food;
    TLCategory* groceries;
    TLCategory* restaurants;
    TLCategory* car;
    TLCategory* fuel;
    TLCategory* salary;
};

using ReportBookTest = ReportBook<BudgetTest>;

}  // namespace tallo::test
