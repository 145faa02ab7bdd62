#pragma once
// For Platform .cpp files only: the io_context behind a RunLoop.

#include <boost/asio/io_context.hpp>

#include "Platform/foundation/RunLoop.h"

namespace tallo {

inline boost::asio::io_context& asioContext(RunLoop& loop) {
    return *static_cast<boost::asio::io_context*>(loop.nativeContext());
}

}  // namespace tallo
