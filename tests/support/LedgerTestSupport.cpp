#include "tests/support/LedgerTestSupport.h"

#include "tests/support/LedgerInvariants.h"

namespace tallo::test {

std::string LedgerTest::checkBooks() { return checkLedgerInvariants(); }

}  // namespace tallo::test
