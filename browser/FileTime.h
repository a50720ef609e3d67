#pragma once
// File times in the FILETIME form: 100-nanosecond ticks since 1601-01-01 UTC. The browser keeps every
// time this way so that its comparisons and date texts do not depend on the file system's clock type.

#include <cstdint>
#include <ctime>

using FileTime = std::uint64_t;

// Ticks between 1601-01-01 and the Unix epoch.
inline constexpr FileTime kUnixEpochTicks = 116444736000000000ULL;
inline constexpr FileTime kTicksPerSecond = 10000000ULL;

inline FileTime fileTimeFromTimespec(const std::timespec& ts)
{
    const std::int64_t ticks = static_cast<std::int64_t>(ts.tv_sec) * static_cast<std::int64_t>(kTicksPerSecond) +
                               ts.tv_nsec / 100 + static_cast<std::int64_t>(kUnixEpochTicks);
    return ticks < 0 ? 0 : static_cast<FileTime>(ticks);
}

inline std::timespec timespecFromFileTime(FileTime time)
{
    const std::int64_t sinceEpoch = static_cast<std::int64_t>(time) - static_cast<std::int64_t>(kUnixEpochTicks);
    std::int64_t seconds = sinceEpoch / static_cast<std::int64_t>(kTicksPerSecond);
    std::int64_t rest = sinceEpoch % static_cast<std::int64_t>(kTicksPerSecond);
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    return std::timespec{static_cast<std::time_t>(seconds), static_cast<long>(rest * 100)};
}
