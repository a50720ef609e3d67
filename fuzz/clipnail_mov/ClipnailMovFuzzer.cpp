// Fuzzes the QuickTime walk and the creation time. Each input is tried as a whole file, as the
// contents of "moov", and as the sample tables of a video track, so that mutations reach every scan.
// A frame must never lie outside the file.

#include "FrameWriter.h"
#include "MovScan.h"
#include "MovTime.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes atom(const char* type, const Bytes& contents)
{
    const uint32_t size = uint32_t(contents.size() + 8);
    Bytes out = {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)};
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

Bytes join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void walk(const Bytes& file, int sink)
{
    ClipSource source;
    clip_source_memory(&source, file.data(), file.size());
    MovScan scan;
    if (mov_scan(&source, &scan) == 0) {
        if (scan.frame.offset > file.size() || scan.frame.size > file.size() - scan.frame.offset)
            __builtin_trap();
        clip_write_frame(&source, &scan.frame, sink);
    }
    uint64_t seconds = 0;
    if (mov_scan_top_level(&source, &scan) == 0 && mov_creation_seconds(&source, &scan, &seconds) == 0) {
        ClipnailSystemTime time;
        clip_time_from_1904(seconds, &time);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (size > (1u << 20))
        return 0;
    const Bytes input(data, data + size);
    walk(input, sink);
    const Bytes mdat = atom("mdat", Bytes{0xFF, 0xD8, 0xFF, 0xD9});
    walk(join(mdat, atom("moov", input)), sink);
    const Bytes minf = atom("minf", join(atom("vmhd", Bytes(12)), atom("stbl", input)));
    walk(join(mdat, atom("moov", atom("trak", atom("mdia", minf)))), sink);
    return 0;
}
