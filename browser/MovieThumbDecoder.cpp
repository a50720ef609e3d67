#include "browser/MovieThumbDecoder.h"

#include "browser/RegularFile.h"

#include "platform/MessageBox.h"

bool MovieThumbDecoder::bind(bool quiet)
{
    library_ = platform::Library(QStringLiteral("Clipnail"));
    if (!library_) {
        if (!quiet) {
            platform::messageBox(nullptr, QStringLiteral("Clipnail.dll がロードできませんでした。"),
                                 QStringLiteral("error"), platform::MbOk | platform::MbTaskModal);
        }
        return false;
    }
    movClip_ = library_.function<Clip>("DoMovClipnail");
    aviClip_ = library_.function<Clip>("DoAviClipnail");
    if (!movClip_ || !aviClip_) {
        unbind();
        return false;
    }
    return true;
}

void MovieThumbDecoder::unbind()
{
    movClip_ = aviClip_ = nullptr;
    library_.unload();
}

bool MovieThumbDecoder::identify(QFile&, const QString& path, const LoadRequest&)
{
    container_ = endsWith(path, ".mov") ? Container::Mov : endsWith(path, ".avi") ? Container::Avi : Container::None;
    return container_ != Container::None;
}

int MovieThumbDecoder::decode(QFile&, const QString& path, DecodeResult& result)
{
    // Clipnail opens the path itself: it must still be the regular file the loader opened.
    if (!isRegularFile(path))
        return 1;
    const QByteArray name = QFile::encodeName(path);
    void* frame = container_ == Container::Mov ? movClip_(nullptr, name.constData()) : aviClip_(nullptr, name.constData());
    return keep(imaging::PackedDib::adopt(frame), result);
}
