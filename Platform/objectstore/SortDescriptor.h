#pragma once
// SortDescriptor: one key of a fetch's order — a key path, ascending or
// descending, compared with compare: (numbers by value, text by bytes, dates
// by time) or case-insensitively (ICU case folding). Nil sorts before every
// value when ascending.

#include <string>

namespace tallo {

struct SortDescriptor {
    enum class Comparison { Compare, CaseInsensitiveCompare };

    std::string keyPath;
    bool ascending = true;
    Comparison comparison = Comparison::Compare;
};

}  // namespace tallo
