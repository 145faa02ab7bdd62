// Text a person types or a stored file carries, read as an amount or a date:
// either a value or nothing, never a crash; an amount read back formats and
// reads again as the same value.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Classes/values/CVDates.h"
#include "Classes/values/TLCurrencyFormatter.h"
#include "Platform/foundation/Locale.h"
#include "Platform/foundation/TimeZone.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool pinned = [] {
        tallo::Locale::setCurrent("en_US");
        tallo::TimeZone::setDefault("America/New_York");
        return true;
    }();
    (void)pinned;
    std::string text(reinterpret_cast<const char*>(data), size);
    tallo::TLCurrencyFormatter formatter;
    tallo::Decimal amount = formatter.decimalNumberFromCurrencyString(text, "USD");
    if (!amount.isNaN()) {
        formatter.currencyFormatter().setMaximumFractionDigits(40);
        formatter.currencyFormatter().setMinimumFractionDigits(0);
        std::string shown = formatter.currencyFormatter().stringFromNumber(amount);
        auto again = formatter.currencyFormatter().numberFromString(shown);
        if (!again || !(*again == amount)) std::abort();
    }
    (void)tallo::CVDates::dateFromObject(text);
    return 0;
}
