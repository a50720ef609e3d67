// The codec libraries missing one at a time (or present without their exports): every binding shows
// its message and caption, or stays silent where the program must, and the operation fails cleanly.

#include "imaging/ImagingTestSupport.h"

#include "imaging/CaplineBinding.h"
#include "imaging/DvStillDecoder.h"
#include "imaging/ExifKitBinding.h"
#include "imaging/ImageFiles.h"
#include "imaging/ImgProbeBinding.h"
#include "imaging/ImgShiftBinding.h"
#include "imaging/QuilJpegBinding.h"
#include "imaging/Rotation.h"
#include "imaging/StillformBinding.h"
#include "imaging/TurnkitBinding.h"

using namespace imaging;
using namespace imagingtest;

namespace {

struct Expected {
    const char* text;
    QString caption;
    unsigned style;
};

void expectMessages(const MessageLog& log, const std::vector<Expected>& expected)
{
    ASSERT_EQ(log.records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log.records[i].text, QString::fromUtf8(expected[i].text));
        EXPECT_EQ(log.records[i].caption, expected[i].caption);
        EXPECT_EQ(log.records[i].style, expected[i].style);
        EXPECT_EQ(log.records[i].owner, nullptr);
    }
}

const QString kError = QStringLiteral("エラー");
const unsigned kTaskModal = platform::MbOk | platform::MbTaskModal;
const unsigned kExclamation = platform::MbOk | platform::MbIconExclamation;

QString realExifJpeg()
{
    return QString::fromStdString(siblingtest::realJpegs("orientation").back());
}

}  // namespace

TEST(BindingFailure, EverythingPresentSaysNothing)
{
    LibraryFolder folder;
    MessageLog log;
    EXPECT_FALSE(decodeJpegFile(QString::fromStdString(fixture("jfif.jpg"))).isNull());
    ExifKitBinding exifKit;
    EXPECT_TRUE(exifKit.bind(ExifKitBinding::CheckFormat | ExifKitBinding::GetThumbnail | ExifKitBinding::GetPrimaryImage,
                             ExifKitBinding::Messages::Program));
    uint16_t format = 0;
    EXPECT_EQ(getImageFormat(realExifJpeg(), &format), IMGPROBE_OK);
    JpegDecoderBinding jpeg;
    StillformBinding still;
    CaplineBinding title;
    EXPECT_TRUE(jpeg.bind());
    EXPECT_TRUE(still.bind());
    EXPECT_TRUE(title.bind());
    EXPECT_TRUE(log.records.empty());
}

TEST(BindingFailure, QuilJpeg)
{
    QTemporaryDir dir;
    const QString target = copyFixture(dir, "jfif.jpg", QStringLiteral("keep.jpg"));
    const QByteArray before = readFile(target.toStdString());
    const PackedDib picture = makeDib({8, 8, 24, 0, false, 0}, 1);
    {
        LibraryFolder folder(QStringLiteral("QuilJpeg"));
        MessageLog log;
        EXPECT_TRUE(decodeJpegFile(target).isNull());
        EXPECT_FALSE(saveAsJpeg(target, picture));
        JpegDecoderBinding kept;
        EXPECT_FALSE(kept.bind());
        expectMessages(log, {{"QuilJpeg.DLLがありません。", applicationTitle(), kExclamation},
                             {"QuilJpeg.DLLがありません。", applicationTitle(), kExclamation},
                             {"QuilJpeg.dll がロードできません。", kError, kTaskModal}});
        EXPECT_EQ(readFile(target.toStdString()), before) << "a failed save leaves the file alone";
    }
    {
        LibraryFolder folder(QStringLiteral("QuilJpeg"), true);
        MessageLog log;
        EXPECT_TRUE(decodeJpegFile(target).isNull());
        EXPECT_FALSE(saveAsJpeg(dir.filePath(QStringLiteral("new.jpg")), picture));
        JpegDecoderBinding kept;
        EXPECT_FALSE(kept.bind());
        expectMessages(log, {{"QuilJpeg.dll の情報を取得できません。", applicationTitle(), kTaskModal},
                             {"QuilJpeg.dll の情報を取得できません。", applicationTitle(), kTaskModal}});
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("new.jpg")))) << "the file made for the check is gone";
    }
}

TEST(BindingFailure, ExifKit)
{
    QTemporaryDir dir;
    const QString tiff = copyFixture(dir, "exif2.tif");
    const QString exif = copyFixture(dir, "exif.jpg");
    const QByteArray before = readFile(exif.toStdString());
    for (const bool exportless : {false, true}) {
        SCOPED_TRACE(exportless);
        LibraryFolder folder(QStringLiteral("ExifKit"), exportless);
        MessageLog log;
        EXPECT_TRUE(decodeImageFile(tiff, kPictureWindowTiffFlags).isNull());
        ExifKitBinding kept;
        EXPECT_FALSE(kept.bind(ExifKitBinding::CheckFormat | ExifKitBinding::GetThumbnail | ExifKitBinding::GetPrimaryImage,
                               ExifKitBinding::Messages::ThumbnailDecoder));
        EXPECT_EQ(kept.checkFormat(exif), kExifKitUnavailable);
        // Orientation and encoding steps fail without a word.
        EXPECT_TRUE(rotateJpeg(exif, kTurn90).isEmpty());
        const char* text = exportless ? "ExifKit.dll の情報を取得できません。" : "ExifKit.dll がロードできません。";
        expectMessages(log, {{text, applicationTitle(), platform::MbOk}, {text, kError, kTaskModal}});
        EXPECT_EQ(readFile(exif.toStdString()), before);
    }
}

TEST(BindingFailure, ImgProbe)
{
    const QString file = realExifJpeg();
    const QString probeCaption = QStringLiteral("DLL読み込みエラー");
    {
        LibraryFolder folder(QStringLiteral("ImgProbe"));
        MessageLog log;
        uint16_t format = 77;
        ImgProbeExifInfo info{};
        EXPECT_EQ(getImageFormat(file, &format), kImgProbeUnavailable);
        EXPECT_EQ(format, 77) << "the call was not made";
        EXPECT_EQ(getExifInfo(file, &info), kImgProbeUnavailable);
        EXPECT_FALSE(isExifTiff(QString::fromStdString(fixture("exif2.tif"))));
        expectMessages(log, {{"ImgProbe.DLLがありません。", probeCaption, platform::MbOk},
                             {"ImgProbe.DLL がありません。", probeCaption, platform::MbOk},
                             {"ImgProbe.DLLがありません。", probeCaption, platform::MbOk}});
    }
    {
        LibraryFolder folder(QStringLiteral("ImgProbe"), true);
        MessageLog log;
        uint16_t format = 77;
        ImgProbeExifInfo info{};
        EXPECT_EQ(getImageFormat(file, &format), kImgProbeUnavailable);
        EXPECT_EQ(getExifInfo(file, &info), kImgProbeUnavailable);
        expectMessages(log, {{"ImgProbe.DLLのロードに失敗しました。", probeCaption, platform::MbOk},
                             {"ImgProbe.DLL のロードに失敗しました。", QStringLiteral("DLL 読み込みエラー"), platform::MbOk}});
    }
    MessageLog log;
    uint16_t format = 0;
    EXPECT_EQ(getImageFormat(QString(), &format), kImgProbeUnavailable) << "no path: no call";
    EXPECT_TRUE(log.records.empty());
}

TEST(BindingFailure, SilentLibraries)
{
    QTemporaryDir dir;
    const QString jpeg = copyFixture(dir, "jfif.jpg");
    const QString bmp = dir.filePath(QStringLiteral("p.bmp"));
    QFile::copy(QString::fromStdString(fixture("palette8.bmp")), bmp);
    const QByteArray bmpBefore = readFile(bmp.toStdString());
    for (const bool exportless : {false, true}) {
        SCOPED_TRACE(exportless);
        MessageLog log;
        {
            LibraryFolder folder(QStringLiteral("ImgShift"), exportless);
            QString output;
            EXPECT_EQ(convertImage(jpeg, output, 0, DvFilterSettings{}), exportless ? kImgShiftExportMissing : kImgShiftLibraryMissing);
        }
        {
            LibraryFolder folder(QStringLiteral("Turnkit"), exportless);
            EXPECT_TRUE(turnDib(makeDib({4, 4, 24, 0, false, 0}, 1), kTurn90).isNull());
            EXPECT_FALSE(rotateFile(bmp, kTurn90, DvStillOptions::none()).refresh);
        }
        {
            LibraryFolder folder(QStringLiteral("Capline"), exportless);
            CaplineBinding title;
            EXPECT_FALSE(title.bind());
        }
        EXPECT_TRUE(log.records.empty());
        EXPECT_EQ(readFile(bmp.toStdString()), bmpBefore);
    }
}

TEST(BindingFailure, StillformAndVistra32)
{
    {
        LibraryFolder folder(QStringLiteral("Stillform"));
        MessageLog log;
        StillformBinding still;
        EXPECT_FALSE(still.bind());
        EXPECT_TRUE(still.decode(QByteArray(64, 'x')).isNull());
        expectMessages(log, {{"Stillform.dll がロードできません。", kError, kTaskModal}});
    }
    {
        LibraryFolder folder(QStringLiteral("Stillform"), true);
        MessageLog log;
        StillformBinding still;
        EXPECT_FALSE(still.bind());
        EXPECT_TRUE(log.records.empty());
    }
    {
        QTemporaryDir dir;
        const QString frame = dir.filePath(QStringLiteral("frame.dvf"));
        QFile file(frame);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("DVF 1.00SD5\0\0\0\0\x40", 16) + QByteArray(64, '\0'));
        file.close();
        LibraryFolder folder(QStringLiteral("Vistra32"));
        MessageLog log;
        EXPECT_TRUE(decodeDvStill(frame, DvStillOptions::none()).isNull());
        DvDecoderBinding kept;
        EXPECT_FALSE(kept.bind(BindingUse::ThumbnailDecoder));
        expectMessages(log, {{"Vistra32.dll がありません。", applicationTitle(), kExclamation},
                             {"Vistra32.dll がロードできません。", kError, kTaskModal}});
    }
    {
        LibraryFolder folder(QStringLiteral("Vistra32"), true);
        MessageLog log;
        DvDecoderBinding kept;
        EXPECT_FALSE(kept.bind(BindingUse::ThumbnailDecoder));
        EXPECT_FALSE(kept.bind(BindingUse::Program));
        EXPECT_TRUE(log.records.empty());
    }
}
