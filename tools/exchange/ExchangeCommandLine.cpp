#include "tools/exchange/ExchangeCommandLine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Classes/ledger/TLAccount.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/Locale.h"
#include "Platform/foundation/TimeZone.h"
#include "Platform/foundation/UserDefaults.h"

namespace tallo::exchange_cli {

bool option(const std::string& name, int argc, char** argv, int& i, std::string& value) {
    std::string arg = argv[i];
    if (arg == name && i + 1 < argc) {
        value = argv[++i];
        return true;
    }
    if (arg.rfind(name + "=", 0) == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

bool openHome(const char* program, const std::string& home, const std::string& locale, const std::string& timeZone) {
    if (!locale.empty()) Locale::setCurrent(locale);
    if (!timeZone.empty() && !TimeZone::setDefault(timeZone)) {
        std::fprintf(stderr, "%s: unknown time zone %s\n", program, timeZone.c_str());
        return false;
    }
    ApplicationHome applicationHome = ApplicationHome::resolve(home);
    ApplicationHome::setCurrent(applicationHome);
    std::string error;
    if (!applicationHome.prepare(&error)) {
        std::fprintf(stderr, "%s: the application home cannot be used: %s\n", program, error.c_str());
        return false;
    }
    UserDefaults::resetStandardUserDefaults(applicationHome.preferencesPath() + "/Tallo.plist");
    TLDatabase& db = TLDatabase::sharedDatabase();
    if (db.context() == nullptr || !db.hasPersistentStore()) {
        std::fprintf(stderr, "%s: the store of %s cannot be used: %s\n", program, applicationHome.path().c_str(),
                     db.storeError().c_str());
        return false;
    }
    return true;
}

TLAccount* accountNamed(const char* program, const std::string& name) {
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    std::string names;
    for (TLAccount* account : TLAccount::getAccounts()) {
        if (lower(account->name().value_or("")) == lower(name)) return account;
        names += (names.empty() ? "" : ", ") + account->name().value_or("");
    }
    std::fprintf(stderr, "%s: no account named %s (there are: %s)\n", program, name.c_str(),
                 names.empty() ? "none" : names.c_str());
    return nullptr;
}

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

}  // namespace tallo::exchange_cli
