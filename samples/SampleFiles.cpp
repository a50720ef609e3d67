#include "samples/SampleFiles.h"

#include "imaging/BmpFile.h"
#include "imaging/ExifKitBinding.h"
#include "imaging/PackedDib.h"
#include "siblings/Capline/Capline.h"
#include "siblings/ExifKit/ExifKit.h"
#include "siblings/QuilJpeg/QuilJpeg.h"
#include "siblings/Stillform/Stillform.h"

#include <QFile>
#include <QProcess>

#include <exiv2/exiv2.hpp>
#include <tiffio.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <stdexcept>

namespace samples {
namespace {

const char* const CameraMake = "Quilvaret";
const char* const CameraModel = "Kestrel sample card";
constexpr uint16_t PlainJpegQuality = 75; // what the program itself asks QuilJpeg for
constexpr int MovieFramesPerSecond = 15;

[[noreturn]] void fail(const QString& path, const QString& why)
{
    throw std::runtime_error((path + QStringLiteral(": ") + why).toStdString());
}

imaging::PackedDib dibOf(const QImage& picture, const QString& path)
{
    imaging::PackedDib dib = imaging::PackedDib::fromImage(picture);
    if (!dib)
        fail(path, QStringLiteral("no DIB"));
    return dib;
}

QByteArray exifDate(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1();
}

void recordShot(const QString& path, const QDateTime& shot)
{
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        const std::string date = exifDate(shot).toStdString();
        exif["Exif.Image.Make"] = CameraMake;
        exif["Exif.Image.Model"] = CameraModel;
        exif["Exif.Image.DateTime"] = date;
        exif["Exif.Photo.DateTimeOriginal"] = date;
        exif["Exif.Photo.DateTimeDigitized"] = date;
        if (exif.findKey(Exiv2::ExifKey("Exif.Photo.ExifVersion")) == exif.end())
            exif["Exif.Photo.ExifVersion"] = "48 50 50 48"; // "0220"
        image->setExifData(exif);
        image->writeMetadata();
    } catch (const std::exception& error) {
        fail(path, QString::fromLocal8Bit(error.what()));
    }
}

// Runs ffmpeg with `input` on its standard input; returns what it wrote to its standard output.
QByteArray runFfmpeg(const QStringList& arguments, const QByteArray& input, const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                                                       QStringLiteral("error"), QStringLiteral("-y")} +
                                               arguments);
    if (!ffmpeg.waitForStarted())
        fail(path, QStringLiteral("ffmpeg cannot be started"));
    ffmpeg.write(input);
    ffmpeg.closeWriteChannel();
    QByteArray output;
    while (ffmpeg.state() != QProcess::NotRunning) {
        ffmpeg.waitForReadyRead(1000);
        output += ffmpeg.readAllStandardOutput();
    }
    output += ffmpeg.readAllStandardOutput();
    if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        fail(path, QStringLiteral("ffmpeg: ") + QString::fromLocal8Bit(ffmpeg.readAllStandardError()));
    return output;
}

QByteArray rawBgr(const QImage& picture)
{
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(bgr.width()) * bgr.height() * 3);
    for (int y = 0; y < bgr.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(bgr.constScanLine(y)), static_cast<qsizetype>(bgr.width()) * 3);
    return bytes;
}

void appendBigEndian32(QByteArray& bytes, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>((value >> shift) & 0xFF));
}

void writeWhole(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(path, file.errorString());
}

} // namespace

void writeExifJpeg(const QString& path, const QImage& picture, const QDateTime& shot)
{
    imaging::PackedDib dib = dibOf(picture, path);
    ExifParams params = imaging::makeExifParams();
    params.image = dib.get();
    int32_t written = 0;
    if (Exif_OutputFromDib(&params, QFile::encodeName(path).constData(), &written) != EXIFKIT_OK)
        fail(path, QStringLiteral("Exif_OutputFromDib failed"));
    recordShot(path, shot);
}

void writePlainJpeg(const QString& path, const QImage& picture)
{
    imaging::PackedDib dib = dibOf(picture, path);
    if (JpegCoder(QFile::encodeName(path).constData(), dib.get(), PlainJpegQuality, QUILJPEG_SAMPLING_420) !=
        QUILJPEG_OK)
        fail(path, QStringLiteral("JpegCoder failed"));
}

void writeExifTiff(const QString& path, const QImage& picture, const QDateTime& shot)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        fail(path, QStringLiteral("TIFFOpen failed"));
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(rgb.width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rgb.height()));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    bool ok = true;
    for (int y = 0; y < rgb.height() && ok; ++y)
        ok = TIFFWriteScanline(tiff, const_cast<uchar*>(rgb.constScanLine(y)), static_cast<uint32_t>(y), 0) == 1;
    TIFFClose(tiff);
    if (!ok)
        fail(path, QStringLiteral("TIFFWriteScanline failed"));
    recordShot(path, shot);
}

void writeBmp(const QString& path, const QImage& picture)
{
    if (!imaging::writeBmpFile(path, dibOf(picture, path), true))
        fail(path, QStringLiteral("writeBmpFile failed"));
}

void writeDcfStill(const QString& path, const QImage& picture, const QDateTime& shot)
{
    imaging::PackedDib dib = dibOf(picture, path);
    const QByteArray date = shot.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    if (mkDCfile(QFile::encodeName(path).constData(), dib.get(), date.constData()) != STILLFORM_OK)
        fail(path, QStringLiteral("mkDCfile failed"));
}

void writeTitle(const QString& path, int width, int height, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    CaplineTitle title{};
    title.width = static_cast<uint16_t>(width);
    title.height = static_cast<uint16_t>(height);
    title.background[0] = 20, title.background[1] = 40, title.background[2] = 90;
    title.foreground[0] = 250, title.foreground[1] = 220, title.foreground[2] = 120;
    title.alignment = 0;
    title.fontSize = 0;
    title.text = utf8.constData();
    if (TitleEncoder(QFile::encodeName(path).constData(), &title) != CAPLINE_OK)
        fail(path, QStringLiteral("TitleEncoder failed"));
}

void writeDvStill(const QString& path, const QImage& picture, DvSystem system)
{
    // A DV frame is 720 pixels wide whatever the system; its pixels are narrower or wider than square.
    const bool is525 = system == DvSystem::System525;
    const QSize frameSize(720, is525 ? 480 : 576);
    const int sequences = is525 ? 10 : 12;
    constexpr int BlockBytes = 80;
    constexpr int SequenceBlocks = 150;
    constexpr int FirstAudioBlock = 6; // the frame file leaves it out of every DIF sequence

    const QImage frame = picture.scaled(frameSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QByteArray dv = runFfmpeg(
        {QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"), QStringLiteral("bgr24"),
         QStringLiteral("-s"), QStringLiteral("%1x%2").arg(frameSize.width()).arg(frameSize.height()),
         QStringLiteral("-r"), is525 ? QStringLiteral("30000/1001") : QStringLiteral("25"), QStringLiteral("-i"),
         QStringLiteral("pipe:0"), QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-pix_fmt"),
         is525 ? QStringLiteral("yuv411p") : QStringLiteral("yuv420p"), QStringLiteral("-c:v"),
         QStringLiteral("dvvideo"), QStringLiteral("-f"), QStringLiteral("dv"), QStringLiteral("pipe:1")},
        rawBgr(frame), path);
    if (dv.size() != sequences * SequenceBlocks * BlockBytes)
        fail(path, QStringLiteral("unexpected DV frame size %1").arg(dv.size()));

    const quint32 dataBytes = static_cast<quint32>(sequences * (SequenceBlocks - 1) * BlockBytes);
    constexpr quint32 HeaderBytes = 32;
    QByteArray file("DVF 1.00");
    file.append(is525 ? "SD5" : "SD6");
    file.append('\0');
    appendBigEndian32(file, dataBytes + HeaderBytes);
    appendBigEndian32(file, dataBytes);
    appendBigEndian32(file, HeaderBytes);
    file.append(QByteArray(8, '\0'));
    for (int s = 0; s < sequences; ++s) {
        const qsizetype start = static_cast<qsizetype>(s) * SequenceBlocks * BlockBytes;
        file.append(dv.mid(start, FirstAudioBlock * BlockBytes));
        file.append(
            dv.mid(start + (FirstAudioBlock + 1) * BlockBytes, (SequenceBlocks - FirstAudioBlock - 1) * BlockBytes));
    }
    writeWhole(path, file);
}

void writeMovie(const QString& path, MovieKind kind, int frames, const std::function<QImage(int)>& frame,
                const QDateTime& created)
{
    QByteArray raw;
    QSize size;
    for (int i = 0; i < frames; ++i) {
        const QImage picture = frame(i);
        size = picture.size();
        raw += rawBgr(picture);
    }
    QStringList arguments{QStringLiteral("-f"),        QStringLiteral("rawvideo"),
                          QStringLiteral("-pix_fmt"),  QStringLiteral("bgr24"),
                          QStringLiteral("-s"),        QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                          QStringLiteral("-r"),        QString::number(MovieFramesPerSecond),
                          QStringLiteral("-i"),        QStringLiteral("pipe:0"),
                          QStringLiteral("-f"),        QStringLiteral("lavfi"),
                          QStringLiteral("-i"),        QStringLiteral("sine=frequency=440:sample_rate=11025"),
                          QStringLiteral("-shortest"), QStringLiteral("-c:v"),
                          QStringLiteral("mjpeg"),     QStringLiteral("-pix_fmt"),
                          QStringLiteral("yuvj422p"),  QStringLiteral("-q:v"),
                          QStringLiteral("3"),         QStringLiteral("-c:a"),
                          QStringLiteral("pcm_u8"),    QStringLiteral("-ac"),
                          QStringLiteral("1")};
    if (kind == MovieKind::Avi) {
        arguments << QStringLiteral("-vtag") << QStringLiteral("mjpg") << QStringLiteral("-f") << QStringLiteral("avi");
    } else {
        arguments << QStringLiteral("-vtag") << QStringLiteral("jpeg") << QStringLiteral("-metadata")
                  << QStringLiteral("creation_time=") + created.toUTC().toString(Qt::ISODate) << QStringLiteral("-f")
                  << QStringLiteral("mov");
    }
    arguments << path;
    runFfmpeg(arguments, raw, path);
}

void setFileTime(const QString& path, const QDateTime& time)
{
    const timespec when{static_cast<time_t>(time.toSecsSinceEpoch()), 0};
    const timespec times[2] = {when, when};
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0)
        fail(path, QStringLiteral("cannot set its time"));
}

} // namespace samples
