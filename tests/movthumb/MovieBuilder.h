#pragma once
// Builds small AVI and QuickTime files in memory, piece by piece, so that scan tests can place every
// byte where a case needs it (a tag across a window boundary, a size that lies, an atom inside data).

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace movietest {

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes text(const char* s)
{
    return Bytes(s, s + std::strlen(s));
}

inline Bytes le32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

inline Bytes be32(uint32_t v)
{
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

inline Bytes be64(uint64_t v)
{
    return be32(uint32_t(v >> 32)) + be32(uint32_t(v));
}

inline Bytes filler(size_t n, uint8_t value = 0)
{
    return Bytes(n, value);
}

// ---- AVI ----

inline Bytes chunk(const char* id, const Bytes& data)
{
    Bytes out = text(id) + le32(uint32_t(data.size())) + data;
    if (data.size() % 2)
        out.push_back(0);  // chunks are padded to even sizes
    return out;
}

inline Bytes list(const char* type, const Bytes& contents)
{
    return text("LIST") + le32(uint32_t(contents.size() + 4)) + text(type) + contents;
}

inline Bytes riffAvi(const Bytes& contents)
{
    return text("RIFF") + le32(uint32_t(contents.size() + 4)) + text("AVI ") + contents;
}

inline Bytes streamHeader(const char* type, const char* handler)
{
    // Both are four bytes that may include NULs.
    return chunk("strh", Bytes(type, type + 4) + Bytes(handler, handler + 4) + filler(48));
}

// A JPEG-like frame: start-of-image, some bytes, end-of-image.
inline Bytes frameBytes(size_t size, uint8_t seed = 1)
{
    Bytes out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = uint8_t(seed + i * 7);
    if (size >= 4) {
        out[0] = 0xFF;
        out[1] = 0xD8;
        out[size - 2] = 0xFF;
        out[size - 1] = 0xD9;
    }
    return out;
}

inline Bytes aviWithHandler(const char* handler, const Bytes& movi)
{
    const Bytes header = list("hdrl", chunk("avih", filler(56)) +
                                          list("strl", streamHeader("vids", handler) + chunk("strf", filler(40))) +
                                          list("strl", streamHeader("auds", "\0\0\0\0") + chunk("strf", filler(16))));
    return riffAvi(header + list("movi", movi));
}

// ---- QuickTime ----

inline Bytes atom(const char* type, const Bytes& contents)
{
    return be32(uint32_t(contents.size() + 8)) + text(type) + contents;
}

inline Bytes sampleDescription(const char* format)
{
    const Bytes entry = text(format) + filler(6) + Bytes{0, 1} + filler(70);
    return atom("stsd", filler(4) + be32(1) + be32(uint32_t(entry.size() + 4)) + entry);
}

inline Bytes sampleSizes(uint32_t constant, const std::vector<uint32_t>& table)
{
    Bytes body = filler(4) + be32(constant) + be32(uint32_t(table.size()));
    if (constant == 0)
        for (uint32_t size : table)
            body = body + be32(size);
    return atom("stsz", body);
}

inline Bytes chunkOffsets(const std::vector<uint32_t>& offsets)
{
    Bytes body = filler(4) + be32(uint32_t(offsets.size()));
    for (uint32_t offset : offsets)
        body = body + be32(offset);
    return atom("stco", body);
}

inline Bytes mediaInfo(const char* header, const Bytes& tables)
{
    return atom("minf", atom(header, filler(12)) + atom("stbl", tables));
}

inline Bytes track(const Bytes& minf)
{
    return atom("trak", atom("tkhd", filler(84)) + atom("mdia", atom("mdhd", filler(24)) + minf));
}

inline Bytes movieHeader(uint32_t creation)
{
    return atom("mvhd", filler(4) + be32(creation) + be32(creation) + filler(88));
}

}  // namespace movietest
