#pragma once
// The last decoder: it takes every file and reports only the size and depth of the shell's large icon,
// with kind -1 and no picture. The icon's size is asked once, when the decoder is bound (on the thread
// that creates the loader: icons are GUI objects), and remembered.

#include "browser/ThumbDecoder.h"

class IconThumbDecoder : public ThumbDecoder {
public:
    // The large icon's edge, as the desktop draws file icons.
    static constexpr int kLargeIconSize = 32;

    bool bind(bool quiet) override;
    void unbind() override {}
    bool identify(QFile&, const QString&, const LoadRequest&) override { return true; }
    int decode(QFile& file, const QString& path, DecodeResult& result) override;
    int draw(QPainter& painter, int boxWidth, int boxHeight, DecodeResult& result) override;
    int render(imaging::PackedDib&, int, int, DecodeResult& result) override;
    void release() override {}
    bool isIconFallback() const override { return true; }

private:
    int width_ = kLargeIconSize;
    int height_ = kLargeIconSize;
    int bitCount_ = 32;
    QString lastPath_;
};
