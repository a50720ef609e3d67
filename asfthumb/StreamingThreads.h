#ifndef STILLPICK_STREAMING_THREADS_H
#define STILLPICK_STREAMING_THREADS_H
/* A GStreamer task pool that gives every streaming task a thread of its own and joins them all when it
 * is cleaned up. GStreamer's default pool hands finished threads back to a process-wide pool where
 * they idle on; a call that must leave nothing behind runs its pipeline's tasks here instead. */

#include <gst/gst.h>

G_BEGIN_DECLS

/* A new, prepared pool; null when memory runs out. Release it with stillpick_streaming_threads_end(). */
GstTaskPool* stillpick_streaming_threads_new(void);

/* Joins every thread the pool started (the pipeline must have stopped its tasks) and drops the pool. */
void stillpick_streaming_threads_end(GstTaskPool* pool);

G_END_DECLS

#endif
