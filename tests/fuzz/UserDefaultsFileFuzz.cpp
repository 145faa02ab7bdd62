// The settings file may be damaged or edited by hand: whatever it holds,
// reading it gives settings or a reported error, never a crash.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Platform/foundation/UserDefaults.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char path[] = "/tmp/tallo-defaults-fuzz-XXXXXX";
    int fd = ::mkstemp(path);
    if (fd < 0) return 0;
    if (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
    ::close(fd);
    {
        tallo::UserDefaults defaults(path);
        (void)defaults.stringValue("default_currency_code");
        (void)defaults.boolValue("use_payee");
        (void)defaults.dateValue("lastSyncDate");
    }
    ::unlink(path);
    return 0;
}
