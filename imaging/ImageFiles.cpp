#include "imaging/ImageFiles.h"

#include "imaging/BmpFile.h"
#include "imaging/ExifKitBinding.h"
#include "imaging/ImgProbeBinding.h"
#include "imaging/QuilJpegBinding.h"
#include "imaging/SiblingMessages.h"

#include "platform/MessageBox.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace imaging {
namespace {

bool endsWith(const QString& path, const char* extension)
{
    return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

// Takes whatever DIBs an ExifKit call left in the block, so none is lost whatever the status says.
PackedDib takeFromBlock(ExifParams& params, bool thumbnail)
{
    PackedDib image = PackedDib::adopt(params.image);
    PackedDib small = PackedDib::adopt(params.thumbnail);
    params.image = params.thumbnail = nullptr;
    return thumbnail ? std::move(small) : std::move(image);
}

}  // namespace

bool saveAsJpeg(const QString& path, const PackedDib& dib, uint16_t quality, uint16_t sampling)
{
    // Checking that the file can be written without emptying it: an existing picture must survive a
    // save that fails later (the rotate command saves over the file it read).
    const QByteArray name = QFile::encodeName(path);
    bool created = false;
    int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        created = fd >= 0;
    }
    if (fd < 0) {
        showNumberedMessage(strings::kCannotOpenFile, platform::MbOk | platform::MbIconExclamation);
        return false;
    }
    ::close(fd);
    const bool saved = encodeJpegFile(path, dib, quality, sampling);
    if (!saved && created)
        ::unlink(name.constData());
    return saved;
}

PackedDib decodeImageFile(const QString& path, uint32_t flags)
{
    PackedDib picture;
    if (flags & kDecodeWithExifKit) {
        const unsigned exports = ((flags & kDecodeExifThumbnail) ? ExifKitBinding::GetThumbnail : 0u)
                                 | ((flags & kDecodeExifPrimary) ? ExifKitBinding::GetPrimaryImage : 0u);
        ExifKitBinding exifKit;
        if (exports && exifKit.bind(exports, ExifKitBinding::Messages::Program)) {
            if (flags & kDecodeExifThumbnail) {
                ExifParams params = makeExifParams();
                const int32_t status = exifKit.getThumbnail(path, params);
                picture = takeFromBlock(params, true);
                if (status != EXIFKIT_OK || !picture.isValid())
                    picture.reset();
            }
            if (!picture && (flags & kDecodeExifPrimary)) {
                ExifParams params = makeExifParams();
                const int32_t status = exifKit.getPrimaryImage(path, params);
                picture = takeFromBlock(params, false);
                if (status != EXIFKIT_OK || !picture.isValid())
                    picture.reset();
            }
        }
    }
    if (!picture && (flags & kDecodeWithQuilJpeg))
        picture = decodeJpegFile(path);
    return picture;
}

PackedDib decodePictureFile(const QString& path, const DvStillOptions& dv)
{
    if (endsWith(path, ".bmp"))
        return readBmpFile(path);
    if (endsWith(path, ".jpg"))
        return decodeImageFile(path, kPictureWindowJpegFlags);
    if (endsWith(path, ".dvf"))
        return decodeDvStill(path, dv);
    if (endsWith(path, ".tif")) {
        if (!isExifTiff(path))
            showNumberedMessage(strings::kTiffWithoutExif, platform::MbOk | platform::MbIconExclamation);
        return decodeImageFile(path, kPictureWindowTiffFlags);
    }
    return {};
}

}  // namespace imaging
