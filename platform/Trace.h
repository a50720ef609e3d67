#pragma once
// Developer trace lines. They go to standard error, unchanged, when KESTREL_DEBUG is set in the
// environment, and nowhere otherwise.

#include <string_view>

namespace platform {

bool traceEnabled();
void trace(std::string_view text);

}  // namespace platform
