/* The export: one picture from an ASF movie, through a pipeline built for this call alone. */

#include "Stillpick.h"

#include "DibFlip.h"
#include "GrabContext.h"
#include "GrabberPlugin.h"
#include "GraphCtrl.h"
#include "StillpickTrace.h"

#include <stdlib.h>
#include <string.h>

enum {
    FRAME_WAIT_MS = 5000 /* a first frame takes a few milliseconds; five seconds means none is coming */
};

/* Set by tests only (see StillpickSetTestSeam). */
static char* seam_grabber_folder;
static int seam_force_flip;

void StillpickSetTestSeam(const StillpickTestSeam* seam)
{
    free(seam_grabber_folder);
    seam_grabber_folder = seam && seam->grabberFolder ? strdup(seam->grabberFolder) : NULL;
    seam_force_flip = seam ? seam->forceFlip != 0 : 0;
}

/* Whether the installed decoders deliver frames upside down. Every GStreamer decoder hands frames top
 * line first and the grabber turns them into bottom-up rows itself, so on this platform none does. */
static int decoder_needs_flip(void)
{
    return seam_force_flip;
}

static int register_grabber(void)
{
    char* folder = seam_grabber_folder ? strdup(seam_grabber_folder) : stillpick_program_folder();
    const int result = grabber_register(folder);
    free(folder);
    return result;
}

/* Replaces the context's picture by its upside-down copy. Returns 0, or -1 when the copy failed (the
 * picture is then gone). */
static int flip_picture(GrabContext* context)
{
    size_t size = 0;
    void* picture = grab_context_take_picture(context, &size);
    if (!picture)
        return 0;
    size_t flipped_size = 0;
    void* flipped = stillpick_flip_dib(picture, size, &flipped_size);
    free(picture);
    if (!flipped)
        return -1;
    grab_context_put_picture(context, flipped, flipped_size);
    return 0;
}

/* Builds, runs, waits and clears. Returns the status so far (0, 3, 19 or 20). */
static int32_t grab(GrabContext* context, const char* path)
{
    GraphCtrl* ctrl = graph_ctrl_create();
    if (!ctrl) {
        stillpick_trace("Not GraphCtrl\r\n");
        return STILLPICK_NO_CONTEXT;
    }
    int32_t status = STILLPICK_OK;
    if (graph_ctrl_create_graph(ctrl) != 0) {
        stillpick_trace("Not Init Filter\r\n");
        status = STILLPICK_NO_GRABBER;
    } else if (graph_ctrl_build(ctrl, path, grab_context_target(context)) != 0) {
        stillpick_trace("Not Graph Builder\r\n");
        status = STILLPICK_NO_GRAPH;
    } else if (graph_ctrl_run(ctrl) != 0) {
        stillpick_trace("Not Play\r\n");
        status = STILLPICK_NO_GRAPH;
    } else {
        grab_context_wait_frame(context, FRAME_WAIT_MS, STILLPICK_NO_FRAME);
        graph_ctrl_settle(ctrl);
    }
    if (graph_ctrl_clear(ctrl) != 0) {
        stillpick_trace("Cannot ClearGraph\r\n");
        if (status == STILLPICK_OK)
            status = STILLPICK_NO_CONTEXT;
    }
    graph_ctrl_destroy(ctrl);
    if (status != STILLPICK_OK)
        return status;

    if (grab_context_flip(context) && flip_picture(context) != 0)
        grab_context_set_status(context, STILLPICK_NO_CONTEXT);
    return grab_context_status(context);
}

int32_t _GetASFThumbnail(const char* path, void** picture)
{
    if (!picture)
        return STILLPICK_NO_CONTEXT;
    GrabContext* context = grab_context_start(decoder_needs_flip());
    if (!context) {
        stillpick_trace("Not GraphCtrl\r\n");
        return STILLPICK_NO_CONTEXT;
    }

    int32_t status;
    if (register_grabber() != 0) {
        status = STILLPICK_NO_GRABBER;
    } else {
        status = grab(context, path ? path : "");
        if (status == STILLPICK_OK) {
            /* A picture goes out only with success, so that no caller has to free one on failure. */
            void* result = grab_context_take_picture(context, NULL);
            if (result)
                *picture = result;
            else
                status = STILLPICK_NO_FRAME;
        }
        if (grabber_unregister() != 0)
            stillpick_trace("Can't UnInstall\r\n");
    }
    grab_context_end(context);
    return status;
}
