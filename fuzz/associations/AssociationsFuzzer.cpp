// Feeds arbitrary text to the reader of association lists and desktop entries. Besides staying in
// bounds, what it gives must be usable as read: no empty section or key, no key with an '=' in it, no
// blanks around keys and values.

#include "fileops/DefaultApplications.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr size_t MaxInput = 1 << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > MaxInput)
        return 0;
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto entries = fileops::DefaultApplications::parseKeyFile(text);
    for (auto section = entries.cbegin(); section != entries.cend(); ++section) {
        if (section.key().isEmpty())
            __builtin_trap();
        for (auto entry = section.value().cbegin(); entry != section.value().cend(); ++entry) {
            if (entry.key().isEmpty() || entry.key().contains(QLatin1Char('=')) ||
                entry.key() != entry.key().trimmed() || entry.value() != entry.value().trimmed())
                __builtin_trap();
        }
    }
    return 0;
}
