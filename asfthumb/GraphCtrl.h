#ifndef STILLPICK_GRAPH_CTRL_H
#define STILLPICK_GRAPH_CTRL_H
/* The graph controller: one GStreamer pipeline in the roles of the frame grab, each element made and
 * linked by hand so that every step has its own failure:
 *
 *   filesrc → asfdemux (the ASF source) → video decoder (filter A) → videoconvert (filter B)
 *           → quilgrab (the grabber) → fakesink (the terminating sink)
 *
 * The demuxer's pads appear only once it has read the file's header, so building first brings the
 * source pair to PAUSED and holds every new pad's data back with a blocking probe; the rest of the
 * chain is then chosen for the video pad's caps and linked while nothing flows. Running the pipeline
 * lifts the probes. */

#include "quilgrab/QuilGrabTarget.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct GraphCtrl GraphCtrl;

enum {
    GRAPH_STATE_EMPTY = 0,
    GRAPH_STATE_BUILT = 2
};

/* Null when memory runs out. Starts GStreamer for the process if nobody has yet. */
GraphCtrl* graph_ctrl_create(void);

/* Makes the pipeline. 0, or -1 when GStreamer cannot be started or the pipeline not made. */
int graph_ctrl_create_graph(GraphCtrl* ctrl);

/* Builds the chain around the file at `path` with a grabber that posts to `target` (looked up by the
 * element name "quilgrab", which must be registered). 0, or -1 after removing whatever was added. */
int graph_ctrl_build(GraphCtrl* ctrl, const char* path, QuilGrabTarget* target);

/* Sets the pipeline playing and lets the data through. 0, or -1 after stopping it again. */
int graph_ctrl_run(GraphCtrl* ctrl);

/* Reads pipeline messages, waiting up to 100 ms each for at most 5 attempts, until one arrives;
 * unless it says the stream ended or failed, the pipeline is stopped. */
void graph_ctrl_settle(GraphCtrl* ctrl);

/* Stops the pipeline, unlinks and removes every element, releases the pipeline. 0, or -1 when an
 * element could not be removed. */
int graph_ctrl_clear(GraphCtrl* ctrl);

int graph_ctrl_state(const GraphCtrl* ctrl);

/* Clears what is left and frees the controller. Accepts null. */
void graph_ctrl_destroy(GraphCtrl* ctrl);

#ifdef __cplusplus
}
#endif

#endif
