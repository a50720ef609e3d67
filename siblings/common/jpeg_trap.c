#include "jpeg_trap.h"

#include "jpeg_io.h"
#include "trace.h"

static void trap_error_exit(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    ks_trace("libjpeg: %s", text);
    ks_jpeg_trap_jump(cinfo, KS_JPEG_BAD_DATA);
}

static void trap_output_message(j_common_ptr cinfo)
{
    (void)cinfo;
}

static void trap_emit_message(j_common_ptr cinfo, int level)
{
    if (level < 0)
        cinfo->err->num_warnings++;
}

struct jpeg_error_mgr* ks_jpeg_trap_init(KsJpegTrap* trap)
{
    struct jpeg_error_mgr* err = jpeg_std_error(&trap->base);
    err->error_exit = trap_error_exit;
    err->output_message = trap_output_message;
    err->emit_message = trap_emit_message;
    trap->status = KS_JPEG_BAD_DATA;
    return err;
}

void ks_jpeg_trap_jump(j_common_ptr cinfo, int status)
{
    KsJpegTrap* trap = (KsJpegTrap*)cinfo->err;
    trap->status = status;
    longjmp(trap->jump, 1);
}
