// What a person waits for while typing an amount: keypad digit entry and the
// formatting of the amount shown after every key. Each beside the same work
// done with double, so the cost of exactness reads as one ratio.

#include <benchmark/benchmark.h>
#include <unicode/numfmt.h>

#include <cmath>
#include <memory>

#include "Classes/values/TLCurrencyFormatter.h"
#include "Classes/values/TLDecimalInput.h"
#include "Platform/foundation/Locale.h"

namespace {

using tallo::Decimal;

// Typing "1234.56" and clearing, on the keypad model.
void KeypadEntryDecimal(benchmark::State& state) {
    tallo::TLDecimalInput input;
    input.setCurrCode("USD");
    for (auto _ : state) {
        input.clearC();
        for (int digit : {1, 2, 3, 4}) input.push(digit);
        input.point();
        input.push(5);
        input.push(6);
        benchmark::DoNotOptimize(input.decimal());
    }
    state.SetItemsProcessed(state.iterations() * 6);  // digits per second
}

// The same keys on a double: value × 10 + digit, then digit / 10^scale.
void KeypadEntryDouble(benchmark::State& state) {
    for (auto _ : state) {
        double value = 0;
        benchmark::DoNotOptimize(value);
        for (int digit : {1, 2, 3, 4}) value = value * 10 + digit;
        int scale = 0;
        for (int digit : {5, 6}) value += digit / std::pow(10.0, ++scale);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations() * 6);
}

void FormatAmountDecimal(benchmark::State& state) {
    tallo::Locale::setCurrent("en_US");
    tallo::TLCurrencyFormatter formatter;
    Decimal amount = *Decimal::fromString("-1234.56");
    for (auto _ : state) {
        benchmark::DoNotOptimize(amount);
        std::string text = formatter.currencyStringFromNumber(amount, "USD");
        benchmark::DoNotOptimize(text);
    }
}

// ICU's own currency formatter on a double, with the code set the same way.
void FormatAmountDouble(benchmark::State& state) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> formatter(icu::NumberFormat::createCurrencyInstance(icu::Locale("en_US"), status));
    double amount = -1234.56;
    for (auto _ : state) {
        benchmark::DoNotOptimize(amount);
        formatter->setCurrency(u"USD", status);
        icu::UnicodeString text;
        formatter->format(amount, text);
        std::string utf8;
        text.toUTF8String(utf8);
        benchmark::DoNotOptimize(utf8);
    }
}

}  // namespace

BENCHMARK(KeypadEntryDecimal)->Name("KeypadEntry/Decimal");
BENCHMARK(KeypadEntryDouble)->Name("KeypadEntry/double");
BENCHMARK(FormatAmountDecimal)->Name("FormatAmount/Decimal");
BENCHMARK(FormatAmountDouble)->Name("FormatAmount/double");
