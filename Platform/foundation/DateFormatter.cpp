#include "Platform/foundation/DateFormatter.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "Platform/foundation/Locale.h"
#include "Platform/foundation/TimeZone.h"

namespace tallo {

namespace {

icu::DateFormat::EStyle icuStyle(DateStyle style) {
    switch (style) {
        case DateStyle::Short: return icu::DateFormat::kShort;
        case DateStyle::Medium: return icu::DateFormat::kMedium;
        case DateStyle::Long: return icu::DateFormat::kLong;
        case DateStyle::Full: return icu::DateFormat::kFull;
        case DateStyle::None: break;
    }
    return icu::DateFormat::kNone;
}

// Always the Gregorian calendar, like Calendar: a locale whose default is
// another calendar (th_TH, Buddhist) must still read "2011" in
// "yyyy-MM-dd" as the Gregorian year.
icu::Locale gregorianLocale(const std::string& identifier) {
    icu::Locale locale(identifier.c_str());
    UErrorCode status = U_ZERO_ERROR;
    locale.setKeywordValue("calendar", "gregorian", status);
    return locale;
}

}  // namespace

struct DateFormatter::Impl {
    std::string locale = Locale::current();
    std::string timeZone = TimeZone::defaultName();
    DateStyle dateStyle = DateStyle::Short;
    DateStyle timeStyle = DateStyle::None;
    std::optional<std::string> pattern;  // wins over the styles while set

    // Built on first use after a change, so a run of setters builds once.
    mutable std::unique_ptr<icu::DateFormat> format;

    // Both styles None and no pattern: the formatter shows nothing.
    bool showsNothing() const {
        return !pattern && dateStyle == DateStyle::None && timeStyle == DateStyle::None;
    }

    icu::DateFormat* icuFormat() const {
        if (!format) format = build();
        return format.get();
    }

    std::unique_ptr<icu::DateFormat> build() const {
        icu::Locale icuLocale = gregorianLocale(locale);
        std::unique_ptr<icu::DateFormat> made;
        if (pattern) {
            UErrorCode status = U_ZERO_ERROR;
            made = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(*pattern), icuLocale,
                                                           status);
            if (U_FAILURE(status)) made.reset();
        } else {
            made.reset(icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle), icuStyle(timeStyle), icuLocale));
        }
        if (!made) return nullptr;
        made->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone)));
        // Strict: the text must follow the pattern, and fields must be in
        // range (no 30 February). A wall-clock time skipped by a
        // daylight-saving change names no instant and is refused as well.
        made->setLenient(false);
        return made;
    }

    void changed() { format.reset(); }
};

DateFormatter::DateFormatter() : impl_(std::make_unique<Impl>()) {}

DateFormatter::~DateFormatter() = default;

void DateFormatter::setDateStyle(DateStyle style) {
    impl_->dateStyle = style;
    impl_->pattern.reset();
    impl_->changed();
}

void DateFormatter::setTimeStyle(DateStyle style) {
    impl_->timeStyle = style;
    impl_->pattern.reset();
    impl_->changed();
}

void DateFormatter::setDateFormat(const std::string& pattern) {
    impl_->pattern = pattern;
    impl_->changed();
}

void DateFormatter::setLocale(const std::string& localeIdentifier) {
    impl_->locale = localeIdentifier;
    impl_->changed();
}

void DateFormatter::setTimeZone(const std::string& timeZoneName) {
    impl_->timeZone = timeZoneName;
    impl_->changed();
}

std::string DateFormatter::stringFromDate(Date date) const {
    if (impl_->showsNothing()) return {};
    icu::DateFormat* format = impl_->icuFormat();
    if (format == nullptr) return {};
    icu::UnicodeString text;
    format->format(date.timeIntervalSince1970() * 1000.0, text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::optional<Date> DateFormatter::dateFromString(std::string_view text) const {
    if (impl_->showsNothing()) return std::nullopt;
    icu::DateFormat* format = impl_->icuFormat();
    if (format == nullptr || text.empty()) return std::nullopt;
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), text.size()));
    icu::ParsePosition position(0);
    UDate millis = format->parse(unicode, position);
    // A match of only the beginning ("2001-01-02 00:00:00" of
    // "2001-01-02 00:00:00 +0000") is no match.
    if (position.getErrorIndex() >= 0 || position.getIndex() != unicode.length()) return std::nullopt;
    return Date(millis / 1000.0);
}

}  // namespace tallo
