#pragma once
// NetServiceBrowser: finds the DNS-SD services of one type on the local
// network through the Avahi daemon and resolves each to an address, a port
// and its TXT record. Used by the desktop side of sync to find devices.
//
// browse() waits until the daemon has answered with everything it knows and
// every found service is resolved, or until `timeoutSeconds` passed; a
// service that does not resolve in that time is left out. Blocking; call it
// where waiting is fine (a command-line tool).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/netservice/NetService.h"

namespace tallo {

struct ResolvedNetService {
    std::string name;
    std::string type;
    std::string domain;
    std::string hostName;  // "tallo-box.local"
    std::string address;   // numeric, "192.168.1.20" or "fe80::1%2"
    uint16_t port = 0;
    NetService::TXTRecord txtRecord;
};

class NetServiceBrowser {
public:
    // The services found, sorted by name; nothing with `error` set when the
    // daemon cannot be reached ("the Avahi daemon is not running").
    static std::optional<std::vector<ResolvedNetService>> browse(const std::string& type, const std::string& domain,
                                                                 double timeoutSeconds, std::string* error = nullptr);
};

}  // namespace tallo
