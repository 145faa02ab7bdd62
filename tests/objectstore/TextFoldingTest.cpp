#include "Platform/objectstore/TextFolding.h"

#include <gtest/gtest.h>

namespace tallo {
namespace {

TEST(TextFolding, CaseAndAccentsFoldAsAPersonReads) {
    EXPECT_EQ(foldText("Café Müller", true, true), "cafe muller");
    EXPECT_EQ(foldText("Café Müller", true, false), "café müller");
    EXPECT_EQ(foldText("Café Müller", false, true), "Cafe Muller");
    EXPECT_EQ(foldText("STRASSE", true, false), foldText("straße", true, false));
    EXPECT_EQ(foldText("İstanbul", true, true), "istanbul");
    // An accent typed as its own mark compares like the composed letter.
    EXPECT_EQ(foldText("Cafe\u0301", true, false), foldText("Caf\u00e9", true, false));
    EXPECT_EQ(foldText("RENT 2011", true, true), "rent 2011");
}

}  // namespace
}  // namespace tallo
