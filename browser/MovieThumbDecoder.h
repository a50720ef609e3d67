#pragma once
// Motion-JPEG movies (".avi", ".mov") through Clipnail: the first frame is the picture.

#include "browser/FormatThumbDecoder.h"
#include "platform/Library.h"

class MovieThumbDecoder : public FormatThumbDecoder {
public:
    MovieThumbDecoder() : FormatThumbDecoder(KindMotionJpeg) {}
    bool bind(bool quiet) override;
    void unbind() override;
    bool identify(QFile& file, const QString& path, const LoadRequest& request) override;
    int decode(QFile& file, const QString& path, DecodeResult& result) override;

private:
    enum class Container { None, Mov, Avi };
    using Clip = void* (*)(void* owner, const char* path);

    platform::Library library_;
    Clip movClip_ = nullptr;
    Clip aviClip_ = nullptr;
    Container container_ = Container::None;
};
