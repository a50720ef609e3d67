#ifndef STILLPICK_GRAB_CONTEXT_H
#define STILLPICK_GRAB_CONTEXT_H
/* The grab context of one call: the library's own message thread, which receives the grabber's frame
 * message, copies the frame and sets the frame event; and the picture and status it leaves for the
 * caller. The caller reads them only after the event was set (or the wait timed out), under the same
 * lock the thread writes them with. */

#include "quilgrab/QuilGrabTarget.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct GrabContext GrabContext;

/* Starts the message thread and makes the frame event (clear). Null when either cannot be made. */
GrabContext* grab_context_start(int flip);

/* The grabber posts through this target; it stays valid until grab_context_end(). */
QuilGrabTarget* grab_context_target(GrabContext* context);

/* Waits for the frame event (auto-reset) up to `milliseconds`. Returns 1 when it was set; on time-out
 * the status becomes `timeout_status`. Either way the wait is over: a frame message that arrives
 * later is dropped, so the outcome the caller saw stays the outcome. */
int grab_context_wait_frame(GrabContext* context, unsigned milliseconds, int32_t timeout_status);

/* 0, the grabber's status, or 3 when the frame could not be copied. */
int32_t grab_context_status(GrabContext* context);
void grab_context_set_status(GrabContext* context, int32_t status);

/* Takes the picture out of the context (null when there is none); the caller owns it. */
void* grab_context_take_picture(GrabContext* context, size_t* size);

/* Puts a picture (back) into the context, which then owns it. */
void grab_context_put_picture(GrabContext* context, void* picture, size_t size);

int grab_context_flip(const GrabContext* context);

/* Posts the quit message, waits for the thread to end, frees whatever is left (a picture nobody took,
 * messages that arrived too late). Accepts null. */
void grab_context_end(GrabContext* context);

#ifdef __cplusplus
}
#endif

#endif
