#pragma once
// SearchConnector: one result of a search in the category chooser — a
// master category and those of its subcategories whose names hold the
// typed text. A master that matches itself lists only its matching
// subcategories too; one that does not match is a result only through them.

#include <vector>

namespace tallo {

class TLCategory;

struct SearchConnector {
    TLCategory* category = nullptr;
    std::vector<TLCategory*> subcatsArray;
};

}  // namespace tallo
