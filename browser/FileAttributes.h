#pragma once
// The four attributes the properties sheet shows, in the bit layout of the FAT directory entry (which
// is also the Windows attribute word).
//
// On a FAT volume (a camera card) they are the entry's real attribute bits, asked of the kernel's FAT
// driver. Other Linux file systems have no such bits, so they are read the way a Linux user sees them:
// read-only when the owner may not write the file, hidden when the name starts with a dot, never
// archive or system.

#include <QString>

#include <cstdint>
#include <optional>

namespace fileattr {
constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kHidden = 0x2;
constexpr std::uint32_t kSystem = 0x4;
constexpr std::uint32_t kArchive = 0x20;
}  // namespace fileattr

// The attribute bits of the file at `path`, or nothing when the file cannot be examined.
std::optional<std::uint32_t> fileAttributes(const QString& path);
