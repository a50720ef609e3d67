#include "MovTime.h"

enum {
    FIRST_YEAR = 1601,  /* the FILETIME epoch */
    LAST_YEAR = 30827,  /* the last year a SYSTEMTIME conversion accepts */
    MOVIE_EPOCH_YEAR = 1904
};

static const uint64_t ticks_per_second = 10000000u; /* FILETIME counts 100-nanosecond intervals */
static const uint64_t ticks_per_millisecond = 10000u;
static const uint64_t seconds_per_day = 86400u;
static const uint64_t largest_file_time = 0x7FFFFFFFFFFFFFFFull;

static int is_leap(int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

static unsigned days_in_month(int64_t year, unsigned month)
{
    static const unsigned days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

/* Days from 1970-01-01 to the given date of the proleptic Gregorian calendar (eras of 400 years). */
static int64_t days_from_civil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t year_of_era = year - era * 400;
    const int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

static void civil_from_days(int64_t days, int64_t* year, unsigned* month, unsigned* day)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t day_of_era = days - era * 146097;
    const int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t shifted_month = (5 * day_of_year + 2) / 153;
    *day = (unsigned)(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    *month = (unsigned)(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    *year = year_of_era + era * 400 + (*month <= 2);
}

int clip_system_to_file_time(const ClipnailSystemTime* time, uint64_t* file_time)
{
    if (time->wYear < FIRST_YEAR || time->wYear > LAST_YEAR || time->wMonth < 1 || time->wMonth > 12 ||
        time->wDay < 1 || time->wDay > days_in_month(time->wYear, time->wMonth) || time->wHour > 23 ||
        time->wMinute > 59 || time->wSecond > 59 || time->wMilliseconds > 999)
        return 0;
    const uint64_t days = (uint64_t)(days_from_civil(time->wYear, time->wMonth, time->wDay) -
                                     days_from_civil(FIRST_YEAR, 1, 1));
    const uint64_t seconds = days * seconds_per_day + time->wHour * 3600u + time->wMinute * 60u + time->wSecond;
    *file_time = seconds * ticks_per_second + time->wMilliseconds * ticks_per_millisecond;
    return 1;
}

int clip_file_to_system_time(uint64_t file_time, ClipnailSystemTime* time)
{
    if (file_time > largest_file_time)
        return 0;
    const uint64_t seconds = file_time / ticks_per_second;
    const uint64_t days = seconds / seconds_per_day;
    const uint64_t second_of_day = seconds % seconds_per_day;
    int64_t year;
    unsigned month, day;
    civil_from_days((int64_t)days + days_from_civil(FIRST_YEAR, 1, 1), &year, &month, &day);
    time->wYear = (uint16_t)year;
    time->wMonth = (uint16_t)month;
    time->wDay = (uint16_t)day;
    time->wDayOfWeek = (uint16_t)((days + 1) % 7); /* 1601-01-01 was a Monday */
    time->wHour = (uint16_t)(second_of_day / 3600u);
    time->wMinute = (uint16_t)(second_of_day / 60u % 60u);
    time->wSecond = (uint16_t)(second_of_day % 60u);
    time->wMilliseconds = (uint16_t)(file_time % ticks_per_second / ticks_per_millisecond);
    return 1;
}

int clip_time_from_1904(uint64_t seconds, ClipnailSystemTime* time)
{
    const ClipnailSystemTime epoch = {MOVIE_EPOCH_YEAR, 1, 5, 1, 0, 0, 0, 0}; /* a Friday */
    *time = epoch;
    uint64_t start, offset, sum;
    if (!clip_system_to_file_time(time, &start))
        return 0;
    if (__builtin_mul_overflow(seconds, ticks_per_second, &offset) || __builtin_add_overflow(start, offset, &sum))
        return 0;
    return clip_file_to_system_time(sum, time);
}
