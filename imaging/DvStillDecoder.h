#pragma once
// DV stills (".dvf" frame files) through Vistra32's dvcdec: the decode flags from the DV picture options,
// the three buffers the decoder works in, and the binding the DV thumbnail decoder keeps.

#include "imaging/PackedDib.h"
#include "imaging/SiblingMessages.h"

#include "DvDecode/Vistra32.h"
#include "platform/Library.h"

#include <QIODevice>
#include <QString>

#include <cstdint>

namespace imaging {

// The DV picture options: the file's attributes a (picture shape, a 16-bit value) and c (field order, a
// 2-bit mode), the document's attribute b (its "ToolDvFilterMode"), and the document's crop margins
// ("WakuDelLine": left, top, right, bottom).
struct DvStillOptions {
    bool given = false;  // false: no DV settings at all
    int a = 1;
    int b = 0;
    int c = 0;
    int cropLeft = 0;
    int cropTop = 0;
    int cropRight = 0;
    int cropBottom = 0;

    static DvStillOptions none() { return {}; }
    static DvStillOptions from(int a, int b, int c, int left, int top, int right, int bottom)
    {
        return {true, a, b, c, left, top, right, bottom};
    }
};

// The request's mode word for `options`: 0x4000121 without settings; else a base by a (1 0x4000120,
// 2 0x4000180, 3 0x4000140, other 0x4000110) plus the de-interlacing by b and c.
uint32_t dvDecodeFlags(const DvStillOptions& options);
// The request's verticalTrim and horizontalTrim: top | bottom << 16 and left | right << 16; zero
// without settings.
uint32_t dvVerticalTrim(const DvStillOptions& options);
uint32_t dvHorizontalTrim(const DvStillOptions& options);

class DvDecoderBinding {
public:
    DvDecoderBinding() = default;
    // A binding stays where it was made: its export addresses belong to its library handle.
    DvDecoderBinding(const DvDecoderBinding&) = delete;
    DvDecoderBinding& operator=(const DvDecoderBinding&) = delete;

    // Binds Vistra32 and dvcdec. A missing library shows "Vistra32.dll がありません。" (application title,
    // exclamation) for the program's own decodes, "Vistra32.dll がロードできません。" (caption "エラー",
    // task-modal) for the thumbnail decoder; a missing export is silent.
    bool bind(BindingUse use);
    void unbind();
    bool isBound() const { return decode_ != nullptr; }

    // One dvcdec call. Calls through any binding are serialised: the decoder keeps process-wide state.
    uint32_t decode(const DvDecodeRequest& request) const;
    // Where the bound decoder lives: a work area filled through one library instance is only reused
    // with the same instance.
    const void* identity() const { return reinterpret_cast<const void*>(decode_); }

private:
    platform::Library library_;
    decltype(&dvcdec) decode_ = nullptr;
};

// Decodes the DV still in the open `file` (read from its start): the frame length is the big-endian
// value at byte 12 of the 32-byte header; the output block (1,296,040 bytes) is zero-filled, the work area
// (450,560 bytes) is the calling thread's own, kept with its tables between calls of one mode. A frame length larger than the file, or below the header's size, fails. With `kept` null
// Vistra32 is bound for this call only (program messages). An allocation failure shows string 20050.
PackedDib decodeDvStill(QIODevice& file, const DvStillOptions& options, const DvDecoderBinding* kept = nullptr);

// The same for a path. A file that cannot be opened shows string 20014 (exclamation) and gives nothing.
PackedDib decodeDvStill(const QString& path, const DvStillOptions& options, const DvDecoderBinding* kept = nullptr);

}  // namespace imaging
