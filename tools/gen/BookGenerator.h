#pragma once
// BookGenerator: fills the store of the current application home with a
// realistic book for demos, benchmarks and tests — currencies with rates,
// accounts of every kind in several currencies, the default categories,
// payees, and years of expenses, income, split transactions, foreign
// purchases and transfers ending today. Everything is entered through the
// ledger operations, so every balance, total and transfer pair holds exactly
// as if a person had typed it. The same seed gives the same book.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tallo {

class BookGenerator {
public:
    struct Options {
        size_t transactions = 10000;  // stored transactions, transfer mirrors included
        int years = 3;                 // spread over this many years up to now
        uint32_t seed = 1;
        // Called now and then with the number made so far.
        std::function<void(size_t)> progress;
    };

    // Generates into TLDatabase::sharedDatabase() and saves. The store should
    // be empty: currencies and categories already there are used as found.
    static void generate(const Options& options);
};

}  // namespace tallo
