#pragma once
// A thumbnail decoder for one kind of file. The loader owns one of each, asks them in priority order
// which one takes a file, lets it decode the file and render the picture into the thumbnail.
//
// Between identify() and release() a decoder holds facts about one file (the kept picture and the like);
// the loader calls it for one file at a time, from one thread at a time.

#include "browser/DecodeResult.h"
#include "browser/LoadRequest.h"
#include "imaging/PackedDib.h"

#include <QFile>
#include <QString>

class QPainter;

class ThumbDecoder {
public:
    virtual ~ThumbDecoder() = default;

    // Binds the decoder's library; false when the decoder cannot work. Unless `quiet`, a missing library
    // shows the decoder's message.
    virtual bool bind(bool quiet) = 0;
    virtual void unbind() = 0;
    // True when the decoder takes the open file (`path` is its full path).
    virtual bool identify(QFile& file, const QString& path, const LoadRequest& request) = 0;
    // 0 on success: fills width, height, bit count and kind and keeps the picture.
    virtual int decode(QFile& file, const QString& path, DecodeResult& result) = 0;
    // 0 on success: draws the kept picture fitted into the box onto `painter`.
    virtual int draw(QPainter& painter, int boxWidth, int boxHeight, DecodeResult& result) = 0;
    // 0 on success: resamples the kept picture into `target`, a 24-bit packed DIB of the fitted size.
    virtual int render(imaging::PackedDib& target, int boxWidth, int boxHeight, DecodeResult& result) = 0;
    virtual void release() = 0;

    // True for the last decoder, which only reports the file's icon.
    virtual bool isIconFallback() const { return false; }
};
