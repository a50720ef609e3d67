// Time to a 128 x 128 thumbnail of real camera JPEGs, the two ways the browser makes them (the embedded
// Exif thumbnail, or a full decode), each followed by the smoothing resampler as the decoders' Render
// does; side by side with vipsthumbnail on the same files in the same run.
//
// vipsthumbnail runs once over all files (repeated), so its process start is spread over many pictures;
// it writes libvips' own format to keep JPEG encoding out of its time. Both ends are single-threaded
// (--vips-concurrency=1). Ratios above 1 mean Kestrel is slower.

#include "imaging/DibResampler.h"
#include "imaging/ExifKitBinding.h"
#include "imaging/FitRect.h"
#include "imaging/QuilJpegBinding.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kBox = 128;          // the thumbnail box of the browser
constexpr int kRepetitions = 15;   // median of this many timings per file and way
constexpr int kVipsRounds = 10;    // times each file is handed to vipsthumbnail

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// What a decoder's Render does with its kept picture: fit, allocate the thumbnail, resample smoothly.
bool renderThumbnail(const imaging::PackedDib& picture, bool enlarge)
{
    imaging::FitRectangle fitted;
    if (!picture || imaging::FitRect(picture.width(), picture.height(), kBox, kBox, enlarge, fitted) != 0)
        return false;
    imaging::PackedDib target = imaging::PackedDib::blank(fitted.width(), fitted.height(), 24);
    const imaging::FitRectangle corner{0, 0, fitted.width(), fitted.height()};
    return target && imaging::resampleDib(picture, target, corner, true) == imaging::kResampleOk;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KESTREL_TESTDATA_DIR "/realworld");
    QStringList files;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
            files << path;
    }
    files.sort();
    if (files.isEmpty()) {
        std::fprintf(stderr, "no JPEG files under %s\n", qPrintable(root));
        return 1;
    }

    imaging::ExifKitBinding exifKit;
    imaging::JpegDecoderBinding jpeg;
    if (!exifKit.bind(imaging::ExifKitBinding::GetThumbnail, imaging::ExifKitBinding::Messages::None) || !jpeg.bind()) {
        std::fprintf(stderr, "ExifKit or QuilJpeg cannot be loaded\n");
        return 1;
    }

    double embeddedTotal = 0, fullTotal = 0;
    int embeddedCount = 0;
    std::printf("%-28s %10s %10s\n", "file", "embedded", "full");
    for (const QString& path : files) {
        std::vector<double> embedded, full;
        for (int i = 0; i < kRepetitions; ++i) {
            auto start = Clock::now();
            ExifParams params = imaging::makeExifParams();
            const bool hasThumbnail = exifKit.getThumbnail(path, params) == EXIFKIT_OK;
            const imaging::PackedDib thumbnail = imaging::PackedDib::adopt(params.thumbnail);
            if (hasThumbnail && renderThumbnail(thumbnail, true))
                embedded.push_back(millisecondsSince(start));
            start = Clock::now();
            if (renderThumbnail(jpeg.decode(path), false))
                full.push_back(millisecondsSince(start));
        }
        const double e = median(embedded), f = median(full);
        fullTotal += f;
        if (!embedded.empty()) {
            embeddedTotal += e;
            ++embeddedCount;
        }
        std::printf("%-28s %10s %8.2fms\n", qPrintable(QFileInfo(path).fileName().left(28)),
                    embedded.empty() ? "-" : qPrintable(QStringLiteral("%1ms").arg(e, 0, 'f', 2)), f);
    }

    QTemporaryDir out;
    QStringList arguments{QStringLiteral("--vips-concurrency=1"), QStringLiteral("-s"), QStringLiteral("%1x%1").arg(kBox),
                          QStringLiteral("-o"), out.path() + QStringLiteral("/%s.v")};
    for (int round = 0; round < kVipsRounds; ++round)
        arguments += files;
    const auto start = Clock::now();
    const int status = QProcess::execute(QStringLiteral("vipsthumbnail"), arguments);
    const double vipsPerFile = millisecondsSince(start) / (files.size() * kVipsRounds);
    if (status != 0) {
        std::fprintf(stderr, "vipsthumbnail failed (%d)\n", status);
        return 1;
    }

    const double fullPerFile = fullTotal / files.size();
    std::printf("\nper picture, %lld files:\n", static_cast<long long>(files.size()));
    std::printf("  vipsthumbnail                   %8.2f ms\n", vipsPerFile);
    std::printf("  full decode + smoothing         %8.2f ms   ratio %.2f\n", fullPerFile, fullPerFile / vipsPerFile);
    if (embeddedCount > 0) {
        const double embeddedPerFile = embeddedTotal / embeddedCount;
        std::printf("  embedded thumbnail (%2d files)   %8.2f ms   ratio %.2f\n", embeddedCount, embeddedPerFile,
                    embeddedPerFile / vipsPerFile);
    }
    return 0;
}
