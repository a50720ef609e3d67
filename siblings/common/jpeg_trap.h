#pragma once
/* libjpeg's fatal errors end in error_exit, which must not return. Here it jumps back to the setjmp of
 * the function that started the libjpeg call, inside this library, with a status for the caller. Messages
 * are never printed. */

#include <setjmp.h>
#include <stdio.h>

/* jpeglib.h first: jerror.h lists some codes only when jconfig.h says the coder exists. */
#include <jpeglib.h>
#include <jerror.h>

typedef struct KsJpegTrap {
    struct jpeg_error_mgr base;  /* first, so that cinfo->err points at the trap */
    jmp_buf jump;
    int status;
} KsJpegTrap;

/* Sets the trap up (status KS_JPEG_BAD_DATA until a jump says otherwise) and returns the error manager. */
struct jpeg_error_mgr* ks_jpeg_trap_init(KsJpegTrap* trap);

/* Leaves the current libjpeg work for the trap's setjmp with `status`. */
void ks_jpeg_trap_jump(j_common_ptr cinfo, int status) __attribute__((noreturn));
