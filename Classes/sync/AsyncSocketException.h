#pragma once
// AsyncSocketException: misuse of a socket by its owner — accepting or
// connecting without a delegate, or while the socket is already connected or
// listening. Nothing about the socket has changed when it is thrown.

#include <stdexcept>
#include <string>

namespace tallo {

class AsyncSocketException : public std::logic_error {
public:
    explicit AsyncSocketException(const std::string& reason) : std::logic_error(reason) {}
    // The exception's name, as the owner's handlers match it.
    static constexpr const char* name() { return "AsyncSocketException"; }
    std::string reason() const { return what(); }
};

}  // namespace tallo
