#pragma once
// QuilJpeg as the program uses it: one-shot decodes and saves that bind the library for the call only,
// and the JPEG thumbnail decoder's binding that keeps it.

#include "imaging/PackedDib.h"

#include "platform/Library.h"
#include "siblings/QuilJpeg/QuilJpeg.h"

#include <QString>

#include <cstdint>

namespace imaging {

// Decodes a JPEG file with JpegDecoder. A missing library shows "QuilJpeg.DLLがありません。" (exclamation),
// a missing export "QuilJpeg.dll の情報を取得できません。" (task-modal), both captioned by the application's
// title; the result is then empty, as it is when the decoder fails.
PackedDib decodeJpegFile(const QString& path, int* width = nullptr, int* height = nullptr);

// Writes `dib` as a JPEG file with JpegCoder (quality, sampling: the program passes 75 and 1). The same
// messages as decodeJpegFile when the library or JpegCoder is missing. True when the file was written.
bool encodeJpegFile(const QString& path, const PackedDib& dib, uint16_t quality, uint16_t sampling);

class JpegDecoderBinding {
public:
    JpegDecoderBinding() = default;
    // A binding stays where it was made: its export addresses belong to its library handle.
    JpegDecoderBinding(const JpegDecoderBinding&) = delete;
    JpegDecoderBinding& operator=(const JpegDecoderBinding&) = delete;

    // Binds QuilJpeg and JpegDecoder for the decoder's life. A missing library shows "QuilJpeg.dll が
    // ロードできません。" (caption "エラー", task-modal); a missing export is silent. False when either is missing.
    bool bind();
    void unbind();
    bool isBound() const { return decoder_ != nullptr; }

    // JpegDecoder on `path`; empty when unbound or when the decode fails.
    PackedDib decode(const QString& path, int* width = nullptr, int* height = nullptr) const;

private:
    platform::Library library_;
    decltype(&JpegDecoder) decoder_ = nullptr;
};

}  // namespace imaging
