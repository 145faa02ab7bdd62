// What exact amounts cost: each operation on Decimal beside the same work on
// double and on boost's 50-digit decimal float, with the amounts of an
// everyday case (a balance of 1234.56 converted at a rate of 1.0837), so
// Decimal/double and Decimal/cpp_dec_float_50 read as one ratio each.
//
// Inputs go through DoNotOptimize every iteration, so the compiler can
// neither fold the operation into a constant nor hoist it out of the loop.

#include <benchmark/benchmark.h>

// g++ 12 sees a false overlap in cpp_dec_float's str() once it is inlined.
#pragma GCC diagnostic ignored "-Wrestrict"
#include <boost/multiprecision/cpp_dec_float.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "Classes/values/TLDecNumHand2Places.h"
#include "Platform/foundation/Decimal.h"

namespace {

using tallo::Decimal;
using Float50 = boost::multiprecision::cpp_dec_float_50;

Decimal decimal(const char* text) { return *Decimal::fromString(text); }

// ----------------------------------------------------------------- add

void AddDecimal(benchmark::State& state) {
    Decimal balance = decimal("1234.56");
    Decimal amount = decimal("89.99");
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(amount);
        Decimal sum = balance + amount;
        benchmark::DoNotOptimize(sum);
    }
}

void AddDouble(benchmark::State& state) {
    double balance = 1234.56;
    double amount = 89.99;
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(amount);
        double sum = balance + amount;
        benchmark::DoNotOptimize(sum);
    }
}

void AddFloat50(benchmark::State& state) {
    Float50 balance("1234.56");
    Float50 amount("89.99");
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(amount);
        Float50 sum = balance + amount;
        benchmark::DoNotOptimize(sum);
    }
}

// ------------------------------------------------------------ multiply

void MultiplyDecimal(benchmark::State& state) {
    Decimal balance = decimal("1234.56");
    Decimal rate = decimal("1.0837");
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        Decimal product = balance * rate;
        benchmark::DoNotOptimize(product);
    }
}

void MultiplyDouble(benchmark::State& state) {
    double balance = 1234.56;
    double rate = 1.0837;
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        double product = balance * rate;
        benchmark::DoNotOptimize(product);
    }
}

void MultiplyFloat50(benchmark::State& state) {
    Float50 balance("1234.56");
    Float50 rate("1.0837");
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        Float50 product = balance * rate;
        benchmark::DoNotOptimize(product);
    }
}

// ------------------------------------------- divide, two places upward

void DivideTwoPlacesDecimal(benchmark::State& state) {
    tallo::DecimalBehavior* behavior = tallo::TLDecNumHand2Places::sharedInstance();
    Decimal balance = decimal("1234.56");
    Decimal rate = decimal("1.0837");
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        Decimal quotient = balance.divide(rate, behavior);
        benchmark::DoNotOptimize(quotient);
    }
}

void DivideTwoPlacesDouble(benchmark::State& state) {
    double balance = 1234.56;
    double rate = 1.0837;
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        double quotient = std::ceil(balance / rate * 100.0) / 100.0;
        benchmark::DoNotOptimize(quotient);
    }
}

void DivideTwoPlacesFloat50(benchmark::State& state) {
    Float50 balance("1234.56");
    Float50 rate("1.0837");
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        Float50 quotient = ceil(balance / rate * 100) / 100;
        benchmark::DoNotOptimize(quotient);
    }
}

// The same division kept to 38 significant digits: the long-division path.
void DivideFullDecimal(benchmark::State& state) {
    Decimal balance = decimal("1234.56");
    Decimal rate = decimal("1.0837");
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        Decimal quotient = balance / rate;
        benchmark::DoNotOptimize(quotient);
    }
}

void DivideFullDouble(benchmark::State& state) {
    double balance = 1234.56;
    double rate = 1.0837;
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        double quotient = balance / rate;
        benchmark::DoNotOptimize(quotient);
    }
}

void DivideFullFloat50(benchmark::State& state) {
    Float50 balance("1234.56");
    Float50 rate("1.0837");
    for (auto _ : state) {
        benchmark::DoNotOptimize(balance);
        benchmark::DoNotOptimize(rate);
        Float50 quotient = balance / rate;
        benchmark::DoNotOptimize(quotient);
    }
}

// ------------------------------------------ round to two places upward

void RoundTwoPlacesDecimal(benchmark::State& state) {
    tallo::DecimalBehavior* behavior = tallo::TLDecNumHand2Places::sharedInstance();
    Decimal product = decimal("1337.892672");
    for (auto _ : state) {
        benchmark::DoNotOptimize(product);
        Decimal rounded = product.round(behavior);
        benchmark::DoNotOptimize(rounded);
    }
}

void RoundTwoPlacesDouble(benchmark::State& state) {
    double product = 1337.892672;
    for (auto _ : state) {
        benchmark::DoNotOptimize(product);
        double rounded = std::ceil(product * 100.0) / 100.0;
        benchmark::DoNotOptimize(rounded);
    }
}

void RoundTwoPlacesFloat50(benchmark::State& state) {
    Float50 product("1337.892672");
    for (auto _ : state) {
        benchmark::DoNotOptimize(product);
        Float50 rounded = ceil(product * 100) / 100;
        benchmark::DoNotOptimize(rounded);
    }
}

// ------------------------------------------- text, as amounts are stored

void TextRoundTripDecimal(benchmark::State& state) {
    std::string text = "-1337.89";
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        std::string again = Decimal::fromString(text)->toString();
        benchmark::DoNotOptimize(again);
    }
}

void TextRoundTripDouble(benchmark::State& state) {
    std::string text = "-1337.89";
    char buffer[32];
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        std::snprintf(buffer, sizeof buffer, "%.17g", std::strtod(text.c_str(), nullptr));
        std::string again = buffer;
        benchmark::DoNotOptimize(again);
    }
}

void TextRoundTripFloat50(benchmark::State& state) {
    std::string text = "-1337.89";
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        std::string again = Float50(text).str();
        benchmark::DoNotOptimize(again);
    }
}

BENCHMARK(AddDecimal)->Name("Add/Decimal");
BENCHMARK(AddDouble)->Name("Add/double");
BENCHMARK(AddFloat50)->Name("Add/cpp_dec_float_50");
BENCHMARK(MultiplyDecimal)->Name("Multiply/Decimal");
BENCHMARK(MultiplyDouble)->Name("Multiply/double");
BENCHMARK(MultiplyFloat50)->Name("Multiply/cpp_dec_float_50");
BENCHMARK(DivideTwoPlacesDecimal)->Name("DivideTwoPlacesUp/Decimal");
BENCHMARK(DivideTwoPlacesDouble)->Name("DivideTwoPlacesUp/double");
BENCHMARK(DivideTwoPlacesFloat50)->Name("DivideTwoPlacesUp/cpp_dec_float_50");
BENCHMARK(DivideFullDecimal)->Name("Divide38Digits/Decimal");
BENCHMARK(DivideFullDouble)->Name("Divide38Digits/double");
BENCHMARK(DivideFullFloat50)->Name("Divide38Digits/cpp_dec_float_50");
BENCHMARK(RoundTwoPlacesDecimal)->Name("RoundTwoPlacesUp/Decimal");
BENCHMARK(RoundTwoPlacesDouble)->Name("RoundTwoPlacesUp/double");
BENCHMARK(RoundTwoPlacesFloat50)->Name("RoundTwoPlacesUp/cpp_dec_float_50");
BENCHMARK(TextRoundTripDecimal)->Name("TextRoundTrip/Decimal");
BENCHMARK(TextRoundTripDouble)->Name("TextRoundTrip/double");
BENCHMARK(TextRoundTripFloat50)->Name("TextRoundTrip/cpp_dec_float_50");

}  // namespace
