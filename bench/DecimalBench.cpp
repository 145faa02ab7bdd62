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
#include <type_traits>

#include "Classes/values/TLDecNumHand2Places.h"
#include "Platform/foundation/Decimal.h"

namespace {

using tallo::Decimal;
using Float50 = boost::multiprecision::cpp_dec_float_50;

Decimal decimal(const char* text) { return *Decimal::fromString(text); }

// The three number types, each with the amounts of the everyday case.
struct DecimalKind {
    using Number = Decimal;
    static Number of(const char* text) { return decimal(text); }
};
struct DoubleKind {
    using Number = double;
    static Number of(const char* text) { return std::strtod(text, nullptr); }
};
struct Float50Kind {
    using Number = Float50;
    static Number of(const char* text) { return Float50(text); }
};

// One operation on two amounts, timed: both inputs and the result go
// through DoNotOptimize every iteration.
template <typename Kind, typename Operation>
void timeBinary(benchmark::State& state, const char* left, const char* right, Operation operation) {
    typename Kind::Number a = Kind::of(left);
    typename Kind::Number b = Kind::of(right);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        auto result = operation(a, b);
        benchmark::DoNotOptimize(result);
    }
}

template <typename Kind, typename Operation>
void timeUnary(benchmark::State& state, const char* text, Operation operation) {
    typename Kind::Number a = Kind::of(text);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        auto result = operation(a);
        benchmark::DoNotOptimize(result);
    }
}

// A balance plus an amount, a balance times a rate, a balance divided by a
// rate (rounded up to two places, or kept to 38 digits: the long-division
// path), and a product rounded up to two places.
template <typename Kind>
void Add(benchmark::State& state) {
    timeBinary<Kind>(state, "1234.56", "89.99", [](const auto& a, const auto& b) { return a + b; });
}

template <typename Kind>
void Multiply(benchmark::State& state) {
    timeBinary<Kind>(state, "1234.56", "1.0837", [](const auto& a, const auto& b) { return a * b; });
}

template <typename Kind>
void Divide38Digits(benchmark::State& state) {
    timeBinary<Kind>(state, "1234.56", "1.0837", [](const auto& a, const auto& b) { return a / b; });
}

// Upward to two places: the behaviour of Decimal, ceil of hundredths for the others.
template <typename Kind>
auto twoPlacesUp(const typename Kind::Number& value) {
    if constexpr (std::is_same_v<Kind, DecimalKind>) {
        return value.round(tallo::TLDecNumHand2Places::sharedInstance());
    } else if constexpr (std::is_same_v<Kind, DoubleKind>) {
        return std::ceil(value * 100.0) / 100.0;
    } else {
        return Float50(ceil(value * 100) / 100);
    }
}

template <typename Kind>
void DivideTwoPlacesUp(benchmark::State& state) {
    if constexpr (std::is_same_v<Kind, DecimalKind>) {
        tallo::DecimalBehavior* behavior = tallo::TLDecNumHand2Places::sharedInstance();
        timeBinary<Kind>(state, "1234.56", "1.0837", [behavior](const Decimal& a, const Decimal& b) { return a.divide(b, behavior); });
    } else {
        timeBinary<Kind>(state, "1234.56", "1.0837", [](const auto& a, const auto& b) { return twoPlacesUp<Kind>(a / b); });
    }
}

template <typename Kind>
void RoundTwoPlacesUp(benchmark::State& state) {
    timeUnary<Kind>(state, "1337.892672", [](const auto& a) { return twoPlacesUp<Kind>(a); });
}

// Text in and out, as amounts are stored.
template <typename Kind>
std::string roundTrip(const std::string& text) {
    if constexpr (std::is_same_v<Kind, DecimalKind>) {
        return Decimal::fromString(text)->toString();
    } else if constexpr (std::is_same_v<Kind, DoubleKind>) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", std::strtod(text.c_str(), nullptr));
        return buffer;
    } else {
        return Float50(text).str();
    }
}

template <typename Kind>
void TextRoundTrip(benchmark::State& state) {
    std::string text = "-1337.89";
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        std::string again = roundTrip<Kind>(text);
        benchmark::DoNotOptimize(again);
    }
}

#define TALLO_COMPARE(Operation)                                                    \
    BENCHMARK(Operation<DecimalKind>)->Name(#Operation "/Decimal");                 \
    BENCHMARK(Operation<DoubleKind>)->Name(#Operation "/double");                   \
    BENCHMARK(Operation<Float50Kind>)->Name(#Operation "/cpp_dec_float_50")

TALLO_COMPARE(Add);
TALLO_COMPARE(Multiply);
TALLO_COMPARE(DivideTwoPlacesUp);
TALLO_COMPARE(Divide38Digits);
TALLO_COMPARE(RoundTwoPlacesUp);
TALLO_COMPARE(TextRoundTrip);

}  // namespace
