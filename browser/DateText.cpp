#include "browser/DateText.h"

#include <ctime>

namespace {

// The span of calendar years a file time can be shown in.
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;
// File times from 2^63 ticks on have no calendar form.
constexpr FileTime kFirstUnconvertibleTicks = FileTime(1) << 63;
// What a zero file time looks like in Japanese local time (UTC+9).
constexpr CalendarTime kZeroTimeInJapan{1601, 1, 1, 9, 0, 0};

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}  // namespace

bool CalendarTime::isValid() const
{
    return year >= kFirstYear && year <= kLastYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
           second >= 0 && second <= 59;
}

QString unknownText()
{
    return QStringLiteral("(不明)");
}

std::optional<CalendarTime> localCalendarTime(FileTime utc)
{
    if (utc == 0 || utc >= kFirstUnconvertibleTicks)
        return std::nullopt;
    const std::timespec moment = timespecFromFileTime(utc);
    std::tm local{};
    if (!localtime_r(&moment.tv_sec, &local))
        return std::nullopt;
    CalendarTime time{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour,        local.tm_min,     local.tm_sec};
    // A leap second is shown as the last ordinary second of its minute.
    if (time.second == 60)
        time.second = 59;
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QString calendarText(const std::optional<CalendarTime>& time, DateStyle style)
{
    if (!time || !time->isValid() || *time == kZeroTimeInJapan)
        return unknownText();
    const QString year = QStringLiteral("%1").arg(time->year, 4, 10, QLatin1Char('0'));
    const QString clock = twoDigits(time->hour) + QLatin1Char(':') + twoDigits(time->minute) + QLatin1Char(':') +
                          twoDigits(time->second);
    if (style == DateStyle::Numeric) {
        return year + QLatin1Char('/') + twoDigits(time->month) + QLatin1Char('/') + twoDigits(time->day) +
               QLatin1Char(' ') + clock;
    }
    return year + QStringLiteral("年") + twoDigits(time->month) + QStringLiteral("月") + twoDigits(time->day) +
           QStringLiteral("日  ") + clock;
}

QString fileTimeText(FileTime utc, DateStyle style)
{
    return calendarText(localCalendarTime(utc), style);
}
