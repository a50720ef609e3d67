#include "platform/Threads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

bool lowerThisThreadsShare()
{
    // On Linux a nice value belongs to a thread, named by its thread id.
    const id_t thread = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, thread);
    if (now == -1 && errno != 0)
        return false;
    constexpr int kLower = 4;
    constexpr int kLowest = 19;
    return ::setpriority(PRIO_PROCESS, thread, std::min(now + kLower, kLowest)) == 0;
}

}  // namespace platform
