#pragma once
// Date: an absolute instant, seconds since 1970-01-01 00:00:00 UTC as a
// double. Keyed archives count from 2001-01-01 00:00:00 UTC (the reference
// date); the conversions are here. Day, month and year of a date are always
// asked of a Calendar, never of the Date.

#include <compare>

namespace tallo {

class Date {
public:
    // Seconds from 1970 to the 2001 reference date.
    static constexpr double kReferenceDateOffset = 978307200.0;

    constexpr Date() = default;
    constexpr explicit Date(double secondsSince1970) : seconds_(secondsSince1970) {}
    static constexpr Date fromReferenceDate(double secondsSince2001) {
        return Date(secondsSince2001 + kReferenceDateOffset);
    }
    // The injectable clock's now (see Clock).
    static Date now();

    constexpr double timeIntervalSince1970() const { return seconds_; }
    constexpr double timeIntervalSinceReferenceDate() const { return seconds_ - kReferenceDateOffset; }
    constexpr double timeIntervalSinceDate(Date other) const { return seconds_ - other.seconds_; }
    constexpr Date addingTimeInterval(double seconds) const { return Date(seconds_ + seconds); }

    friend constexpr bool operator==(Date a, Date b) { return a.seconds_ == b.seconds_; }
    friend constexpr auto operator<=>(Date a, Date b) { return a.seconds_ <=> b.seconds_; }

private:
    double seconds_ = 0;
};

}  // namespace tallo
