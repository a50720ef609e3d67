#pragma once
// What the seven format decoders share: the kept picture, its rendering into the thumbnail through the
// program's one resampler, its drawing onto a painter, and the name tests of identify().

#include "browser/FileKind.h"
#include "browser/ThumbDecoder.h"
#include "imaging/PackedDib.h"

class FormatThumbDecoder : public ThumbDecoder {
public:
    // Fits the kept picture into the box (enlarging only when the decoder asks for it), resamples it
    // smoothly into the target's top-left corner and reports the picture's size, depth and kind.
    int render(imaging::PackedDib& target, int boxWidth, int boxHeight, DecodeResult& result) override;
    int draw(QPainter& painter, int boxWidth, int boxHeight, DecodeResult& result) override;
    void release() override { picture_ = imaging::PackedDib(); }

    // The part of the name from its last "." equals `extension`, whatever the case.
    static bool extensionIs(const QString& path, const char* extension);
    // The last four characters of the path are `ending` (".jpg"), whatever the case.
    static bool endsWith(const QString& path, const char* ending);

protected:
    explicit FormatThumbDecoder(int kind) : kind_(kind) {}

    // What render() reports as the source's size: the picture's own unless a decoder knows better.
    virtual QSize reportedSize() const { return QSize(picture_.width(), picture_.height()); }
    virtual bool enlarges() const { return false; }

    // Keeps a decoded picture and reports it: its own size and depth, or `size` with the depth left 0
    // (known once rendered) when the library told the size. 0, or 1 when the picture is not a valid DIB.
    int keep(imaging::PackedDib picture, DecodeResult& result, QSize size = QSize());

    imaging::PackedDib picture_;
    int kind_;
};
