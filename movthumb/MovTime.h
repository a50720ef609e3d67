#ifndef CLIPNAIL_MOV_TIME_H
#define CLIPNAIL_MOV_TIME_H
/* Calendar arithmetic for the creation time: the Windows pair of a SYSTEMTIME record and a FILETIME
 * count (100-nanosecond intervals since 1601-01-01 00:00:00), with the same limits. */

#include "Clipnail.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Fails (0) for fields outside their ranges or years outside 1601..30827; the day of the week is
 * not looked at. */
int clip_system_to_file_time(const ClipnailSystemTime* time, uint64_t* file_time);

/* Fails (0) for counts of 2^63 and more, as Windows does; fills every field, the day of the week too. */
int clip_file_to_system_time(uint64_t file_time, ClipnailSystemTime* time);

/* Sets *time to 1904-01-01 00:00:00.000 plus `seconds`. Returns 0 when a conversion fails or the
 * product or the sum overflows 64 bits; *time then holds 1904-01-01 or is left as the failed
 * conversion left it. */
int clip_time_from_1904(uint64_t seconds, ClipnailSystemTime* time);

#ifdef __cplusplus
}
#endif

#endif
