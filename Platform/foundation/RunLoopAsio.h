#pragma once
// The io_context behind a RunLoop, for the .cpp files that put sockets on
// the loop: the platform's own (the UI server) and one class above it,
// AsyncSocket (Classes/sync), which is the platform's socket layer written
// with the system's own name and contract. Nothing else includes this:
// everything else reaches the loop through RunLoop.h.

#include <boost/asio/io_context.hpp>

#include "Platform/foundation/RunLoop.h"

namespace tallo {

inline boost::asio::io_context& asioContext(RunLoop& loop) {
    return *static_cast<boost::asio::io_context*>(loop.nativeContext());
}

}  // namespace tallo
