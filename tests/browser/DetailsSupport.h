#pragma once
// Helpers of the details, texts and properties tests: a fixed time zone, items made by hand, pictures
// with Exif dates written by the exiv2 tool, and the real camera files.

#include "browser/FileItem.h"
#include "browser/FileTime.h"
#include "imaging/PackedDib.h"

#include "TempFolder.h"

#include "TestData.h"

#include <QDateTime>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace details {

// A real camera file or folder of the test data, e.g. "jpeg_exif/Canon IXUS.jpg".
inline QString realWorld(const char* relative)
{
    return QString::fromStdString(testdata::realWorld(relative));
}

// Japanese local time as a plain offset: 09:00 exactly at every date, also in 1601, where the zone
// database would give Tokyo's local mean time instead.
inline void useJapaneseTime()
{
    setenv("TZ", "JST-9", 1);
    tzset();
}

inline std::unique_ptr<FileItem> makeItem(const QString& name, int kind = KindUnknown, int width = 0, int height = 0,
                                          int bitCount = 0)
{
    auto item = std::make_unique<FileItem>();
    item->name = name;
    item->kind = kind;
    item->thumbnail->width = width;
    item->thumbnail->height = height;
    item->thumbnail->bitCount = bitCount;
    item->thumbnail->present = kind != KindUnknown;
    return item;
}

inline FileTime ticksOf(const QDateTime& moment)
{
    return static_cast<FileTime>(moment.toMSecsSinceEpoch()) * 10000 + kUnixEpochTicks;
}

// Runs a tool of the machine; false (with its output in the failure message) when it fails.
inline bool runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAll().toStdString();
        return false;
    }
    return true;
}

// A small JPEG whose Exif data record `shot` ("YYYY:MM:DD HH:MM:SS") as the shooting date.
inline QString writeExifJpeg(const TempFolder& folder, const QString& name, const QString& shot)
{
    const QString path = folder.file(name);
    QImage picture(32, 24, QImage::Format_RGB32);
    picture.fill(qRgb(200, 40, 40));
    EXPECT_TRUE(picture.save(path, "JPEG"));
    runTool(QStringLiteral("exiv2"), {QStringLiteral("-M"), QStringLiteral("set Exif.Photo.DateTimeOriginal Ascii ") + shot,
                                      QStringLiteral("-M"), QStringLiteral("set Exif.Image.DateTime Ascii ") + shot,
                                      path});
    return path;
}

// The same for a TIFF picture (made by ffmpeg).
inline QString writeExifTiff(const TempFolder& folder, const QString& name, const QString& shot)
{
    const QString path = folder.file(name);
    runTool(QStringLiteral("ffmpeg"), {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                                       QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-f"),
                                       QStringLiteral("lavfi"), QStringLiteral("-i"),
                                       QStringLiteral("color=c=blue:s=16x16"), QStringLiteral("-frames:v"),
                                       QStringLiteral("1"), QStringLiteral("-f"), QStringLiteral("image2"),
                                       QStringLiteral("-c:v"), QStringLiteral("tiff"), path});
    runTool(QStringLiteral("exiv2"), {QStringLiteral("-M"), QStringLiteral("set Exif.Photo.DateTimeOriginal Ascii ") + shot,
                                      path});
    return path;
}

// The shooting date exiv2 reads from a file ("YYYY:MM:DD HH:MM:SS"), the oracle for real camera files.
inline QString exivShootingDate(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("exiv2"), {QStringLiteral("-K"), QStringLiteral("Exif.Photo.DateTimeOriginal"),
                                            QStringLiteral("-Pv"), path});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// "YYYY:MM:DD HH:MM:SS" in the Japanese date form of the information lines.
inline QString japaneseForm(const QString& exifDate)
{
    return exifDate.mid(0, 4) + QStringLiteral("年") + exifDate.mid(5, 2) + QStringLiteral("月") + exifDate.mid(8, 2) +
           QStringLiteral("日  ") + exifDate.mid(11, 8);
}

}  // namespace details
