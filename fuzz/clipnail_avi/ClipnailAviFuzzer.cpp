// Fuzzes the AVI walk and the frame writer. Each input is tried as a whole file and as the contents of
// the "movi" and "hdrl" lists of an otherwise well-formed Motion-JPEG AVI, so that mutations reach the
// chunk scans and not only the file check. A frame must never lie outside the file.

#include "AviScan.h"
#include "FrameWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& out, const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void appendLe32(Bytes& out, uint32_t v)
{
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    append(out, b, 4);
}

Bytes list(const char* type, const Bytes& contents)
{
    Bytes out;
    append(out, "LIST", 4);
    appendLe32(out, uint32_t(contents.size() + 4));
    append(out, type, 4);
    append(out, contents.data(), contents.size());
    return out;
}

Bytes videoHeader()
{
    Bytes strh;
    append(strh, "strh", 4);
    appendLe32(strh, 56);
    append(strh, "vidsmjpg", 8);
    strh.resize(strh.size() + 48);
    return list("strl", strh);
}

Bytes riff(const Bytes& hdrl, const Bytes& movi)
{
    Bytes body;
    append(body, "AVI ", 4);
    const Bytes a = list("hdrl", hdrl);
    const Bytes b = list("movi", movi);
    append(body, a.data(), a.size());
    append(body, b.data(), b.size());
    Bytes out;
    append(out, "RIFF", 4);
    appendLe32(out, uint32_t(body.size()));
    append(out, body.data(), body.size());
    return out;
}

void walk(const uint8_t* data, size_t size, int sink)
{
    ClipSource source;
    clip_source_memory(&source, data, size);
    AviScan scan;
    if (avi_scan(&source, &scan) != 0)
        return;
    if (scan.frame.offset > size || scan.frame.size > size - scan.frame.offset)
        __builtin_trap();
    clip_find_start_of_image(&source, &scan.frame);
    clip_write_avi_jpeg(&source, &scan.frame, sink);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (size > (1u << 20))
        return 0;
    walk(data, size, sink);
    const Bytes input(data, data + size);
    const Bytes inMovi = riff(videoHeader(), input);
    walk(inMovi.data(), inMovi.size(), sink);
    const Bytes inHeader = riff(input, Bytes{'0', '0', 'd', 'c', 4, 0, 0, 0, 0xFF, 0xD8, 0xFF, 0xD9});
    walk(inHeader.data(), inHeader.size(), sink);
    return 0;
}
