#pragma once
// AsyncSocketError: what a socket reports when an accept, a connect or a
// connection fails — a domain, an integer code and a description.
//
// The socket's own failures are in the domain "AsyncSocketErrorDomain" with
// the codes below and fixed English texts (localised when a table has them).
// Failures of the connection itself keep the code the system gave them, in
// the domain of where they came from: "NSPOSIXErrorDomain" (errno values:
// refused, reset, broken pipe), "kCFStreamErrorDomainNetDB" (the resolver's
// EAI_ codes and messages), "kCFStreamErrorDomainSSL" (the TLS handshake).

#include <string>

namespace tallo {

enum AsyncSocketErrorCode {
    AsyncSocketCFSocketError = -1,
    AsyncSocketNoError = 0,
    AsyncSocketCanceledError = 1,
    AsyncSocketConnectTimeoutError = 2,
    AsyncSocketReadMaxedOutError = 3,
    AsyncSocketReadTimeoutError = 4,
    AsyncSocketWriteTimeoutError = 5,
};

struct AsyncSocketError {
    static constexpr const char* kDomain = "AsyncSocketErrorDomain";
    static constexpr const char* kPOSIXDomain = "NSPOSIXErrorDomain";
    static constexpr const char* kNetDBDomain = "kCFStreamErrorDomainNetDB";
    static constexpr const char* kSSLDomain = "kCFStreamErrorDomainSSL";
    static constexpr const char* kUnlistedDomain = "CFStreamError (unlisted domain)";

    std::string domain;
    int code = 0;
    std::string description;

    // An error of the socket's own domain with its fixed text:
    // withCode(AsyncSocketReadMaxedOutError).description ==
    // "Read operation reached set maximum length".
    static AsyncSocketError withCode(AsyncSocketErrorCode code);
    // A POSIX error from an errno value, with the system's message for it.
    static AsyncSocketError fromErrno(int errnoValue);

    bool operator==(const AsyncSocketError&) const = default;
};

}  // namespace tallo
