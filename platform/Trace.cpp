#include "platform/Trace.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {

bool traceEnabled()
{
    static const bool enabled = std::getenv("KESTREL_DEBUG") != nullptr;
    return enabled;
}

void trace(std::string_view text)
{
    if (!traceEnabled())
        return;
    static std::mutex lock;  // keeps lines of different threads whole
    std::lock_guard guard(lock);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace platform
