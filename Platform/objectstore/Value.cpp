#include "Platform/objectstore/Value.h"

#include <cmath>
#include <cstdio>

#include "Platform/objectstore/ManagedObject.h"

namespace tallo {

bool Value::isNumber() const {
    switch (kind()) {
        case Kind::Bool:
        case Kind::Integer:
        case Kind::Double:
        case Kind::Decimal: return true;
        default: return false;
    }
}

std::optional<bool> Value::asBool() const {
    if (auto i = asInteger()) return *i != 0;
    return std::nullopt;
}

std::optional<long long> Value::asInteger() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_) ? 1 : 0;
        case Kind::Integer: return std::get<long long>(v_);
        case Kind::Double: {
            double d = std::get<double>(v_);
            if (!std::isfinite(d)) return std::nullopt;
            return static_cast<long long>(d);
        }
        case Kind::Decimal: {
            const Decimal& d = std::get<Decimal>(v_);
            if (d.isNaN()) return std::nullopt;
            return d.longLongValue();
        }
        default: return std::nullopt;
    }
}

std::optional<double> Value::asDouble() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_) ? 1.0 : 0.0;
        case Kind::Integer: return static_cast<double>(std::get<long long>(v_));
        case Kind::Double: return std::get<double>(v_);
        case Kind::Decimal: return std::get<Decimal>(v_).doubleValue();
        default: return std::nullopt;
    }
}

std::optional<Decimal> Value::asDecimal() const {
    switch (kind()) {
        case Kind::Bool: return Decimal(std::get<bool>(v_) ? 1 : 0);
        case Kind::Integer: return Decimal(std::get<long long>(v_));
        case Kind::Double: {
            // The shortest text that reads back as the same double.
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", std::get<double>(v_));
            for (int precision = 1; precision <= 17; ++precision) {
                char shorter[40];
                std::snprintf(shorter, sizeof shorter, "%.*g", precision, std::get<double>(v_));
                if (std::strtod(shorter, nullptr) == std::get<double>(v_)) {
                    return Decimal::fromString(shorter);
                }
            }
            return Decimal::fromString(text);
        }
        case Kind::Decimal: return std::get<Decimal>(v_);
        default: return std::nullopt;
    }
}

std::optional<Date> Value::asDate() const {
    if (const Date* date = std::get_if<Date>(&v_)) return *date;
    return std::nullopt;
}

ManagedObject* Value::asObject() const {
    if (ManagedObject* const* object = std::get_if<ManagedObject*>(&v_)) return *object;
    return nullptr;
}

std::string Value::description() const {
    switch (kind()) {
        case Kind::Null: return "nil";
        case Kind::Bool: return std::get<bool>(v_) ? "YES" : "NO";
        case Kind::Integer: return std::to_string(std::get<long long>(v_));
        case Kind::Double: {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", std::get<double>(v_));
            return text;
        }
        case Kind::Decimal: return std::get<Decimal>(v_).toString();
        case Kind::String: return "\"" + std::get<std::string>(v_) + "\"";
        case Kind::Date: {
            char text[40];
            std::snprintf(text, sizeof text, "@%.3f", std::get<Date>(v_).timeIntervalSince1970());
            return text;
        }
        case Kind::Data: {
            static const char* digits = "0123456789abcdef";
            std::string out = "<";
            for (uint8_t byte : std::get<Bytes>(v_)) {
                out += digits[byte >> 4];
                out += digits[byte & 15];
            }
            return out + ">";
        }
        case Kind::Object: return std::get<ManagedObject*>(v_)->objectIDString();
        case Kind::Objects: {
            std::string out = "[";
            for (const ManagedObject* object : std::get<ObjectList>(v_)) {
                if (out.size() > 1) out += ", ";
                out += object->objectIDString();
            }
            return out + "]";
        }
    }
    return "?";
}

bool operator==(const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) return compareValues(a, b) == std::strong_ordering::equal;
    return a.v_ == b.v_;
}

std::optional<std::strong_ordering> compareValues(const Value& a, const Value& b) {
    using Kind = Value::Kind;
    if (a.isNumber() && b.isNumber()) {
        // Exact when either side is a Decimal or both are integers; doubles
        // against doubles compare as doubles.
        if (a.kind() == Kind::Double && b.kind() == Kind::Double) {
            double x = *a.asDouble(), y = *b.asDouble();
            if (std::isnan(x) || std::isnan(y)) return std::nullopt;
            return x < y ? std::strong_ordering::less : x > y ? std::strong_ordering::greater : std::strong_ordering::equal;
        }
        if (a.kind() != Kind::Decimal && b.kind() != Kind::Decimal && a.kind() != Kind::Double &&
            b.kind() != Kind::Double) {
            return *a.asInteger() <=> *b.asInteger();
        }
        Decimal x = *a.asDecimal(), y = *b.asDecimal();
        if (x.isNaN() || y.isNaN()) return std::nullopt;
        return x.compare(y);
    }
    if (a.kind() != b.kind()) return std::nullopt;
    switch (a.kind()) {
        case Kind::String: return a.asString()->compare(*b.asString()) <=> 0;
        case Kind::Date: {
            double x = a.asDate()->timeIntervalSince1970(), y = b.asDate()->timeIntervalSince1970();
            return x < y ? std::strong_ordering::less : x > y ? std::strong_ordering::greater : std::strong_ordering::equal;
        }
        case Kind::Data: return *a.asData() <=> *b.asData();
        default: return std::nullopt;
    }
}

}  // namespace tallo
