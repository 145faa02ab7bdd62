#pragma once
// failWith: how a layer that meets the outside world reports a failure
// through its optional message: the message goes to `error` when the caller
// asked for one (non-null), and the answer is false.
//
//   if (!exists) return failWith(error, path + ": no such file");

#include <string>

namespace tallo {

inline bool failWith(std::string* error, std::string message) {
    if (error != nullptr) *error = std::move(message);
    return false;
}

}  // namespace tallo
