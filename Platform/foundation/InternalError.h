#pragma once
// InternalError: a broken precondition inside the program ("Decimal is nil,
// can't push!"). It is reported on standard error with its fixed message and
// the operation that met it is not performed; the program goes on. Tests read
// the last report to see that a precondition was caught.

#include <string>

namespace tallo {

class InternalError {
public:
    static void report(const std::string& message);
    static std::string last();
    static void clearLast();
};

}  // namespace tallo
