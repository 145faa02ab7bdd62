#pragma once
// UUID: a new random (version 4) identifier in its standard text form, 36
// characters of upper-case hexadecimal digits in groups of 8-4-4-4-12:
// "0B5B4C2E-9F4A-4D0B-8E21-3A6C1F7D9B10". Drawn from the operating system's
// random source.

#include <string>

namespace tallo {

class UUID {
public:
    static std::string createString();
};

}  // namespace tallo
