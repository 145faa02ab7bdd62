#pragma once
// What tallo-import and tallo-export share: "--name VALUE" options as the
// `tallo` program reads them, and opening the store of an application home
// with the locale and time zone the command line names.

#include <string>

namespace tallo {

class TLAccount;

namespace exchange_cli {

// "--name VALUE" or "--name=VALUE"; advances `i` past a separate value.
bool option(const std::string& name, int argc, char** argv, int& i, std::string& value);

// Sets locale and time zone (when given), opens the home's store and its
// settings. False, said on standard error as `program: …`, when it cannot.
bool openHome(const char* program, const std::string& home, const std::string& locale, const std::string& timeZone);

// The account named `name` (case ignored), or nothing, said on standard error
// with the names there are.
TLAccount* accountNamed(const char* program, const std::string& name);

bool readFile(const std::string& path, std::string& text);

}  // namespace exchange_cli
}  // namespace tallo
