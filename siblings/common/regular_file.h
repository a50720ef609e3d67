#ifndef KS_REGULAR_FILE_H
#define KS_REGULAR_FILE_H
/* Opening the files the sibling libraries read. Only a regular file is opened: a FIFO would hold the
 * caller until some writer comes along, and a socket or device named like a picture is no picture. */

#ifdef __cplusplus
extern "C" {
#endif

/* Opens `path` for reading when it names a regular file (a symbolic link to one will do). The type is
 * looked at before opening, so nothing else is ever opened, and again on the open descriptor, so a name
 * pointed elsewhere in between is caught. Returns a blocking read-only descriptor (close-on-exec), or -1
 * with errno set (EINVAL for a name that is not a regular file). */
int ks_open_regular(const char* path);

#ifdef __cplusplus
}
#endif

#endif
