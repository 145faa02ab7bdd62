#include "Platform/foundation/NumberFormatter.h"

#include <unicode/fieldpos.h>
#include <unicode/fmtable.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/parsepos.h>
#include <unicode/ucurr.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "Platform/foundation/Locale.h"

namespace tallo {

namespace {

// What ICU takes for "no currency": it shows as the generic sign "¤".
constexpr const char* kNoCurrency = "XXX";

bool isCurrencyCodeShape(const std::string& code) {
    return code.size() == 3 && std::all_of(code.begin(), code.end(), [](unsigned char c) {
               return std::isalpha(c) != 0;
           });
}

// ICU wants the code as three UTF-16 units and a terminator.
std::array<char16_t, 4> icuCurrency(const std::string& code) {
    const std::string& usable = isCurrencyCodeShape(code) ? code : std::string(kNoCurrency);
    return {static_cast<char16_t>(usable[0]), static_cast<char16_t>(usable[1]), static_cast<char16_t>(usable[2]),
            u'\0'};
}

UNumberFormatStyle icuStyle(NumberStyle style) {
    switch (style) {
        case NumberStyle::Currency: return UNUM_CURRENCY;
        case NumberStyle::Percent: return UNUM_PERCENT;
        case NumberStyle::None:
        case NumberStyle::Decimal: break;
    }
    return UNUM_DECIMAL;
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

// ICU hands parsed numbers back as decimal text, large ones in scientific
// form ("1.2345678901234567890123456789012E+29"); Decimal reads the
// exponent in lower case.
std::optional<Decimal> decimalFromIcuText(std::string text) {
    std::replace(text.begin(), text.end(), 'E', 'e');
    return Decimal::fromString(text);
}

}  // namespace

struct NumberFormatter::Impl {
    std::string locale;
    NumberStyle style = NumberStyle::None;
    std::string currencyCode;
    int minimumDigits = 0;
    int maximumDigits = 0;

    // The ICU formatter for `locale` and `style`, made on first use; the
    // code and the digits are applied to it lazily too (`applied` false), so
    // a caller that sets the code before every call pays for no rebuild.
    mutable std::unique_ptr<icu::NumberFormat> format;
    mutable bool applied = false;

    void resetFractionDigits() {
        switch (style) {
            case NumberStyle::Currency:
                minimumDigits = maximumDigits = NumberFormatter::fractionDigitsForCurrency(currencyCode);
                break;
            case NumberStyle::Decimal:
                minimumDigits = 0;
                maximumDigits = 3;
                break;
            case NumberStyle::None:
            case NumberStyle::Percent:
                minimumDigits = maximumDigits = 0;
                break;
        }
        applied = false;
    }

    icu::NumberFormat* icuFormat() const {
        if (!format) {
            UErrorCode status = U_ZERO_ERROR;
            format.reset(icu::NumberFormat::createInstance(icu::Locale(locale.c_str()), icuStyle(style), status));
            if (U_FAILURE(status)) format.reset();
            if (!format) return nullptr;
            format->setRoundingMode(icu::NumberFormat::kRoundHalfEven);
            // Parsing takes the formatter's own output and what a person
            // would type for it ("1.234,50 €" with an ordinary space), but
            // the whole text must be read (see numberFromString).
            format->setLenient(true);
            if (style == NumberStyle::None) format->setGroupingUsed(false);
            applied = false;
        }
        if (!applied) {
            UErrorCode status = U_ZERO_ERROR;
            std::array<char16_t, 4> code = icuCurrency(currencyCode);
            format->setCurrency(code.data(), status);
            // Maximum first: ICU lowers the minimum to a smaller maximum, and
            // the pair kept here already has minimum ≤ maximum.
            format->setMaximumFractionDigits(maximumDigits);
            format->setMinimumFractionDigits(minimumDigits);
            applied = true;
        }
        return format.get();
    }
};

NumberFormatter::NumberFormatter() : NumberFormatter(Locale::current()) {}

NumberFormatter::NumberFormatter(const std::string& localeIdentifier) : impl_(std::make_unique<Impl>()) {
    impl_->locale = localeIdentifier;
    impl_->currencyCode = currencyCodeForLocale(localeIdentifier);
    impl_->resetFractionDigits();
}

NumberFormatter::~NumberFormatter() = default;

void NumberFormatter::setNumberStyle(NumberStyle style) {
    impl_->style = style;
    impl_->format.reset();
    impl_->resetFractionDigits();
}

NumberStyle NumberFormatter::numberStyle() const { return impl_->style; }

void NumberFormatter::setCurrencyCode(const std::string& isoCode) {
    if (impl_->currencyCode != isoCode) {
        impl_->currencyCode = isoCode;
        impl_->applied = false;
    }
    if (impl_->style == NumberStyle::Currency) {
        int digits = fractionDigitsForCurrency(isoCode);
        if (impl_->minimumDigits != digits || impl_->maximumDigits != digits) impl_->resetFractionDigits();
    }
}

const std::string& NumberFormatter::currencyCode() const { return impl_->currencyCode; }

void NumberFormatter::setMaximumFractionDigits(int digits) {
    impl_->maximumDigits = std::max(digits, 0);
    impl_->minimumDigits = std::min(impl_->minimumDigits, impl_->maximumDigits);
    impl_->applied = false;
}

int NumberFormatter::maximumFractionDigits() const { return impl_->maximumDigits; }

void NumberFormatter::setMinimumFractionDigits(int digits) {
    impl_->minimumDigits = std::max(digits, 0);
    impl_->maximumDigits = std::max(impl_->maximumDigits, impl_->minimumDigits);
    impl_->applied = false;
}

int NumberFormatter::minimumFractionDigits() const { return impl_->minimumDigits; }

const std::string& NumberFormatter::localeIdentifier() const { return impl_->locale; }

std::string NumberFormatter::stringFromNumber(const Decimal& number) const {
    if (number.isNaN()) return "NaN";
    icu::NumberFormat* format = impl_->icuFormat();
    if (format == nullptr) return number.toString();
    // The decimal goes to ICU as its exact text: a double would turn
    // 0.1 + 0.2 into 0.30000000000000004 and lose digits past the 15th.
    UErrorCode status = U_ZERO_ERROR;
    std::string digits = number.toString();
    icu::Formattable value(icu::StringPiece(digits.data(), static_cast<int32_t>(digits.size())), status);
    icu::UnicodeString text;
    icu::FieldPosition ignored;
    format->format(value, text, ignored, status);
    if (U_FAILURE(status)) return digits;
    return toUtf8(text);
}

std::optional<Decimal> NumberFormatter::numberFromString(std::string_view text) const {
    icu::NumberFormat* format = impl_->icuFormat();
    if (format == nullptr || text.empty()) return std::nullopt;
    icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    icu::Formattable value;
    icu::ParsePosition position(0);
    format->parse(unicode, value, position);
    // "12abc" reads as 12 up to the "a": only a number that is the whole
    // text counts.
    if (position.getErrorIndex() >= 0 || position.getIndex() != unicode.length()) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    icu::StringPiece digits = value.getDecimalNumber(status);
    if (U_FAILURE(status)) return std::nullopt;
    return decimalFromIcuText(std::string(digits.data(), static_cast<size_t>(digits.size())));
}

std::string NumberFormatter::currencyCodeForLocale(const std::string& localeIdentifier) {
    auto lookUp = [](const char* identifier) -> std::string {
        UErrorCode status = U_ZERO_ERROR;
        std::array<UChar, 4> buffer{};
        int32_t length = ucurr_forLocale(identifier, buffer.data(), static_cast<int32_t>(buffer.size()), &status);
        if (U_FAILURE(status) || length != 3) return {};
        return std::string{static_cast<char>(buffer[0]), static_cast<char>(buffer[1]), static_cast<char>(buffer[2])};
    };
    std::string code = lookUp(localeIdentifier.c_str());
    if (code.empty()) {
        // A language alone ("de") names no region; take its likely one ("de_DE").
        icu::Locale likely(localeIdentifier.c_str());
        UErrorCode status = U_ZERO_ERROR;
        likely.addLikelySubtags(status);
        if (U_SUCCESS(status)) code = lookUp(likely.getName());
    }
    return code.empty() ? std::string(kNoCurrency) : code;
}

int NumberFormatter::fractionDigitsForCurrency(const std::string& isoCode) {
    if (!isCurrencyCodeShape(isoCode)) return 2;
    UErrorCode status = U_ZERO_ERROR;
    std::array<char16_t, 4> code = icuCurrency(isoCode);
    int32_t digits = ucurr_getDefaultFractionDigits(code.data(), &status);
    return U_FAILURE(status) ? 2 : digits;
}

}  // namespace tallo
