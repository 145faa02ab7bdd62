#include "Classes/sync/AsyncSocketError.h"

#include <cstring>

#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

const char* englishText(AsyncSocketErrorCode code) {
    switch (code) {
        case AsyncSocketCFSocketError: return "General CFSocket error";
        case AsyncSocketCanceledError: return "Connection canceled";
        case AsyncSocketConnectTimeoutError: return "Attempt to connect to host timed out";
        case AsyncSocketReadMaxedOutError: return "Read operation reached set maximum length";
        case AsyncSocketReadTimeoutError: return "Read operation timed out";
        case AsyncSocketWriteTimeoutError: return "Write operation timed out";
        case AsyncSocketNoError: break;
    }
    return "";
}

}  // namespace

AsyncSocketError AsyncSocketError::withCode(AsyncSocketErrorCode code) {
    return {kDomain, code, L(englishText(code))};
}

AsyncSocketError AsyncSocketError::fromErrno(int errnoValue) {
    return {kPOSIXDomain, errnoValue, std::strerror(errnoValue)};
}

}  // namespace tallo
