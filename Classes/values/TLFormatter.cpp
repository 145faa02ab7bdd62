#include "Classes/values/TLFormatter.h"

#include <cstdlib>

#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

void appendCount(std::string& out, int count, const char* one, const char* many) {
    out += " " + std::to_string(count) + " " + L(count > 1 ? many : one);
}

}  // namespace

std::string TLFormatter::dateInWordsFromComponents(const DateComponents& components) {
    int years = std::abs(components.year.value_or(0));
    int months = std::abs(components.month.value_or(0));
    int days = std::abs(components.day.value_or(0));
    std::string out;
    if (years > 0) {
        appendCount(out, years, "year", "years");
        out.erase(0, 1);  // the years part has no leading space
    }
    if (months > 0) appendCount(out, months, "month", "months");
    if (days > 0) appendCount(out, days, "day", "days");
    if (out.size() > 1 && out.front() == ' ') out.erase(0, 1);
    return out;
}

std::string TLFormatter::sentenceFromWords(const std::optional<std::vector<std::string>>& words) {
    if (!words) return {};
    std::string out;
    for (const std::string& word : *words) {
        if (word.empty()) continue;
        out += " " + word;
    }
    if (!out.empty()) out.erase(0, 1);
    return out;
}

}  // namespace tallo
