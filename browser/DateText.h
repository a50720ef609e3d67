#pragma once
// The date texts of the details list, the information lines and the properties sheet.
//
// File times are FILETIME ticks in UTC and are shown in local time. Dates recorded inside a file (an
// Exif shooting date, a movie's creation time, the DV date the frame keeps) are calendar values
// without a time zone and are shown as recorded.

#include "browser/FileTime.h"

#include <QString>

#include <optional>

// A calendar date and time of day, whole seconds.
struct CalendarTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // True when every field is within its range (years 1601 to 30827, the span file times can show).
    bool isValid() const;
    bool operator==(const CalendarTime&) const = default;
};

enum class DateStyle {
    Numeric,   // "2001/02/03 04:05:06": the details list's date column
    Japanese,  // "2001年02月03日  04:05:06": the information lines and the properties sheet
};

// The text shown for anything the program cannot tell: a missing file, a time it cannot convert.
QString unknownText();

// The local calendar time of a file time; nothing for 0 and for times the system cannot convert.
std::optional<CalendarTime> localCalendarTime(FileTime utc);

// The text of a calendar time in `style`. "(不明)" for nothing, for fields out of range, and for
// 1601-01-01 09:00:00: a zero file time converted to Japanese local time is what a file system that
// keeps no time reports, so it is no date at all.
QString calendarText(const std::optional<CalendarTime>& time, DateStyle style);

// A file time as local time in `style`, or "(不明)" as above.
QString fileTimeText(FileTime utc, DateStyle style);
