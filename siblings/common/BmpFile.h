#pragma once
// BMP files for the sibling libraries. Reading accepts uncompressed bottom-up pictures of every DIB depth
// with a 40-byte header or a V4/V5 header (normalised to 40 bytes, masks kept); writing stores a packed
// DIB behind the 14-byte file header.

#include <cstddef>
#include <string>

namespace ks {

enum class BmpStatus { Ok, OpenFailed, BadFormat, NoMemory };

// A packed DIB (malloc'ed, caller frees) or null with the reason in status.
void* readBmpFile(const std::string& path, BmpStatus* status);

// Same from bytes in memory (the whole file, file header included).
void* readBmpMemory(const unsigned char* data, std::size_t size, BmpStatus* status);

// The file image (file header + packed DIB) of a valid packed DIB; empty when the DIB is not valid.
std::string bmpFileImage(const void* dib);

// A new 24-bit bottom-up DIB with the picture of any valid DIB; null when invalid or out of memory.
void* convertDibTo24(const void* dib);

}  // namespace ks
