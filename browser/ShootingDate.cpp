#include "browser/ShootingDate.h"

#include "browser/FileFacts.h"
#include "browser/RegularFile.h"
#include "imaging/ImgProbeBinding.h"
#include "movthumb/Clipnail.h"
#include "platform/Library.h"
#include "platform/MessageBox.h"

#include <QFile>

#include <mutex>

namespace {

std::mutex& dvSourceLock()
{
    static std::mutex lock;
    return lock;
}

DvShootingDateSource& dvSource()
{
    static DvShootingDateSource source;
    return source;
}

bool extensionIs(const QString& path, QLatin1String extension)
{
    return path.size() >= extension.size() && path.right(extension.size()).compare(extension, Qt::CaseInsensitive) == 0;
}

// "YYYY:MM:DD HH:MM:SS": the numbers stand at character offsets 0, 5, 8, 11, 14 and 17.
std::optional<CalendarTime> parseExifDate(const char* text, std::size_t capacity)
{
    struct Field {
        int offset;
        int digits;
    };
    static constexpr Field fields[6] = {{0, 4}, {5, 2}, {8, 2}, {11, 2}, {14, 2}, {17, 2}};
    int values[6] = {};
    for (int i = 0; i < 6; ++i) {
        int value = 0;
        for (int d = 0; d < fields[i].digits; ++d) {
            const std::size_t at = static_cast<std::size_t>(fields[i].offset + d);
            if (at >= capacity || text[at] < '0' || text[at] > '9')
                return std::nullopt;
            value = value * 10 + (text[at] - '0');
        }
        values[i] = value;
    }
    const CalendarTime time{values[0], values[1], values[2], values[3], values[4], values[5]};
    if (!time.isValid())
        return std::nullopt;
    return time;
}

std::optional<CalendarTime> exifShootingDate(const QString& path, const LibraryMessageFn& notice)
{
    imaging::ProbeMessageReport report;
    if (notice) {
        report = [&notice](const char* text, const char* caption) {
            notice(LibraryMessage{QStringLiteral("ImgProbe"), QString::fromUtf8(text), QString::fromUtf8(caption),
                                  platform::MbOk});
        };
    }
    ImgProbeExifInfo info{};
    if (imaging::getExifInfo(path, &info, report) != IMGPROBE_OK)
        return std::nullopt;
    return parseExifDate(info.dateTime, sizeof info.dateTime);
}

// A QuickTime creation time of 0 comes back as the first second of 1904: the movie records no time.
constexpr CalendarTime kQuickTimeZero{1904, 1, 1, 0, 0, 0};

std::optional<CalendarTime> movieCreationDate(const QString& path)
{
    // Bound for the call and freed right after. Without the library the file's own time serves.
    platform::Library clipnail(QStringLiteral("Clipnail"));
    auto created = clipnail.function<decltype(&GetMovCreateTime)>("GetMovCreateTime");
    if (!created)
        return std::nullopt;
    ClipnailSystemTime recorded{};
    if (created(nullptr, QFile::encodeName(path).constData(), &recorded) == 0)
        return std::nullopt;
    const CalendarTime time{recorded.wYear, recorded.wMonth, recorded.wDay,
                            recorded.wHour, recorded.wMinute, recorded.wSecond};
    if (!time.isValid() || time == kQuickTimeZero)
        return std::nullopt;
    return time;
}

std::optional<CalendarTime> dvShootingDate(const QString& path)
{
    DvShootingDateSource source;
    {
        std::lock_guard guard(dvSourceLock());
        source = dvSource();
    }
    if (!source)
        return std::nullopt;
    const std::optional<CalendarTime> time = source(path);
    if (!time || !time->isValid())
        return std::nullopt;
    return time;
}

}  // namespace

void setDvShootingDateSource(DvShootingDateSource source)
{
    std::lock_guard guard(dvSourceLock());
    dvSource() = std::move(source);
}

std::optional<CalendarTime> recordedShootingDate(const QString& path, const LibraryMessageFn& notice)
{
    // The libraries open the path themselves, and a pipe would hold them for ever.
    const bool picture = extensionIs(path, QLatin1String(".jpg")) || extensionIs(path, QLatin1String(".tif"));
    const bool movie = extensionIs(path, QLatin1String(".mov")) || extensionIs(path, QLatin1String(".avi"));
    if ((picture || movie) && !isRegularFile(path))
        return std::nullopt;
    if (picture)
        return exifShootingDate(path, notice);
    if (movie)
        return movieCreationDate(path);
    if (extensionIs(path, QLatin1String(".dvf")))
        return dvShootingDate(path);
    return std::nullopt;
}

QString shootingDateText(const QString& path, DateStyle style, const LibraryMessageFn& notice)
{
    // A file that is gone is not probed: the movie library would report it with a message at every
    // repaint.
    const FileFacts facts = FileFacts::read(path);
    if (!facts.found)
        return unknownText();
    if (const std::optional<CalendarTime> recorded = recordedShootingDate(path, notice))
        return calendarText(recorded, style);
    return fileTimeText(facts.creation, style);
}
