#include "GraphCtrl.h"

#include "StreamingThreads.h"

#include <gst/gst.h>

#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string.h>
#include <time.h>

enum {
    MAX_SOURCE_PADS = 32,         /* an ASF file holds at most 127 streams; the first 32 are plenty */
    HEADER_WAIT_MS = 5000,        /* how long the demuxer may take to read the header and show its pads */
    HEADER_POLL_MS = 20,          /* between looks at the bus for an error while the header is read */
    EVENT_WAIT_MS = 100,          /* each wait for a pipeline message after the frame */
    EVENT_ATTEMPTS = 5,           /* waits before giving up on a message */
    LINK_ATTEMPTS = 2,            /* a connection tries the first pad pair and one more */
    RELEASE_WAIT_MS = 1000        /* how long a released pipeline may stay in another thread's hands */
};

/* The largest picture a stream may declare: far beyond any camera movie, and what a decoder may
 * allocate for it (about 200 MB of 24-bit frame) is still bearable. Larger ones are damaged or hostile. */
#define STILLPICK_MAX_PIXELS ((guint64)64 * 1024 * 1024)

struct GraphCtrl {
    GstElement* graph;   /* the pipeline */
    GstElement* reader;  /* filesrc: the file behind the ASF source */
    GstElement* source;  /* asfdemux */
    GstElement* filter_a;
    GstElement* filter_b;
    GstElement* grabber;
    GstElement* sink;
    GstTaskPool* threads; /* the pipeline's streaming threads, all joined when the graph is cleared */
    int state;
    int file;             /* the movie, opened and checked by us; filesrc reads it through /proc/self/fd */

    /* The demuxer's pads, filled in by its streaming thread. */
    pthread_mutex_t lock;
    GstPad* pads[MAX_SOURCE_PADS];
    gulong probes[MAX_SOURCE_PADS];
    int pad_count;
    int no_more_pads;
};

GraphCtrl* graph_ctrl_create(void)
{
    GraphCtrl* ctrl = calloc(1, sizeof *ctrl);
    if (!ctrl)
        return NULL;
    if (pthread_mutex_init(&ctrl->lock, NULL) != 0) {
        free(ctrl);
        return NULL;
    }
    ctrl->file = -1;
    return ctrl;
}

/* Every streaming task the pipeline creates runs in the call's own threads. The request comes as a
 * stream-status message, handled on the thread that is about to start the task. */
static GstBusSyncReply on_sync_message(GstBus* bus, GstMessage* message, gpointer user_data)
{
    (void)bus;
    GraphCtrl* ctrl = user_data;
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_STREAM_STATUS)
        return GST_BUS_PASS;
    GstStreamStatusType type;
    GstElement* owner = NULL;
    gst_message_parse_stream_status(message, &type, &owner);
    const GValue* object = gst_message_get_stream_status_object(message);
    if (type == GST_STREAM_STATUS_TYPE_CREATE && object && G_VALUE_HOLDS(object, GST_TYPE_TASK))
        gst_task_set_pool(GST_TASK(g_value_get_object(object)), ctrl->threads);
    return GST_BUS_PASS;
}

int graph_ctrl_create_graph(GraphCtrl* ctrl)
{
    GError* error = NULL;
    if (!gst_init_check(NULL, NULL, &error)) {
        g_clear_error(&error);
        return -1;
    }
    ctrl->threads = stillpick_streaming_threads_new();
    ctrl->graph = ctrl->threads ? gst_pipeline_new(NULL) : NULL;
    if (!ctrl->graph)
        return -1;
    gst_object_ref_sink(ctrl->graph);
    GstBus* bus = gst_element_get_bus(ctrl->graph);
    gst_bus_set_sync_handler(bus, on_sync_message, ctrl, NULL);
    gst_object_unref(bus);
    return 0;
}

/* Keeps a reference of our own to every element, so that clearing can take them out of the pipeline
 * one by one and still release them itself. */
static GstElement* make_element(const char* factory)
{
    GstElement* element = gst_element_factory_make(factory, NULL);
    if (element)
        gst_object_ref_sink(element);
    return element;
}

static GstPadProbeReturn hold_data(GstPad* pad, GstPadProbeInfo* info, gpointer user_data)
{
    (void)pad;
    (void)info;
    (void)user_data;
    return GST_PAD_PROBE_OK; /* a blocking probe: the data waits until the probe is removed */
}

static void on_pad_added(GstElement* element, GstPad* pad, gpointer user_data)
{
    (void)element;
    GraphCtrl* ctrl = user_data;
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC)
        return;
    pthread_mutex_lock(&ctrl->lock);
    if (ctrl->pad_count < MAX_SOURCE_PADS) {
        const int index = ctrl->pad_count++;
        ctrl->pads[index] = gst_object_ref(pad);
        ctrl->probes[index] = gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST, hold_data,
            NULL, NULL);
    }
    pthread_mutex_unlock(&ctrl->lock);
}

static void on_no_more_pads(GstElement* element, gpointer user_data)
{
    (void)element;
    GraphCtrl* ctrl = user_data;
    pthread_mutex_lock(&ctrl->lock);
    ctrl->no_more_pads = 1;
    pthread_mutex_unlock(&ctrl->lock);
}

static void release_probes(GraphCtrl* ctrl)
{
    pthread_mutex_lock(&ctrl->lock);
    for (int i = 0; i < ctrl->pad_count; ++i) {
        if (ctrl->probes[i]) {
            gst_pad_remove_probe(ctrl->pads[i], ctrl->probes[i]);
            ctrl->probes[i] = 0;
        }
    }
    pthread_mutex_unlock(&ctrl->lock);
}

/* Waits until the demuxer has shown all its pads. Fails on a pipeline error (not an ASF file, a file
 * that cannot be read) and when the header takes too long. */
static int wait_for_pads(GraphCtrl* ctrl)
{
    GstBus* bus = gst_element_get_bus(ctrl->graph);
    const gint64 deadline = g_get_monotonic_time() + (gint64)HEADER_WAIT_MS * 1000;
    int result = -1;
    for (;;) {
        pthread_mutex_lock(&ctrl->lock);
        const int done = ctrl->no_more_pads;
        pthread_mutex_unlock(&ctrl->lock);
        if (done) {
            result = 0;
            break;
        }
        GstMessage* message = gst_bus_timed_pop_filtered(bus, (GstClockTime)HEADER_POLL_MS * GST_MSECOND,
                                                         GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
        if (message) {
            gst_message_unref(message);
            break;
        }
        if (g_get_monotonic_time() > deadline)
            break;
    }
    gst_object_unref(bus);
    return result;
}

/* The caps a pad carries, or else the caps it could carry. */
static GstCaps* caps_of(GstPad* pad)
{
    GstCaps* caps = gst_pad_get_current_caps(pad);
    return caps ? caps : gst_pad_query_caps(pad, NULL);
}

/* The media-type test for the source's output: a pad that carries video of some kind. */
static int carries_video(GstPad* pad)
{
    GstCaps* caps = caps_of(pad);
    int video = 0;
    if (caps && !gst_caps_is_any(caps) && !gst_caps_is_empty(caps))
        video = g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
    if (caps)
        gst_caps_unref(caps);
    return video;
}

/* Filter A: the best-ranked decoder installed for the video pad's caps. */
static GstElement* make_decoder_for(GstPad* pad)
{
    GstCaps* caps = caps_of(pad);
    if (!caps)
        return NULL;
    GList* decoders = gst_element_factory_list_get_elements(
        GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO, GST_RANK_MARGINAL);
    GList* fitting = gst_element_factory_list_filter(decoders, caps, GST_PAD_SINK, FALSE);
    fitting = g_list_sort(fitting, gst_plugin_feature_rank_compare_func);
    GstElement* decoder = NULL;
    for (GList* item = fitting; item && !decoder; item = item->next) {
        decoder = gst_element_factory_create(GST_ELEMENT_FACTORY(item->data), NULL);
        if (decoder)
            gst_object_ref_sink(decoder);
    }
    gst_plugin_feature_list_free(fitting);
    gst_plugin_feature_list_free(decoders);
    gst_caps_unref(caps);
    return decoder;
}

typedef enum { LINK_OK, LINK_NO_OUTPUT, LINK_FAILED } LinkResult;

/* Pads of one direction of an element, in the element's own order, each with a reference. */
static int list_pads(GstElement* element, GstPadDirection direction, GstPad** pads, int capacity)
{
    int count = 0;
    GST_OBJECT_LOCK(element);
    GList* list = direction == GST_PAD_SRC ? element->srcpads : element->sinkpads;
    for (; list && count < capacity; list = list->next)
        pads[count++] = gst_object_ref(GST_PAD(list->data));
    GST_OBJECT_UNLOCK(element);
    return count;
}

static void unref_pads(GstPad** pads, int count)
{
    for (int i = 0; i < count; ++i)
        gst_object_unref(pads[i]);
}

/* Connects an upstream element to a downstream one: the first free output pad (that carries video,
 * when asked) with the first free input pad, then the next pair once more when that fails. */
static LinkResult connect_elements(GraphCtrl* ctrl, GstElement* up, GstElement* down, int video_only)
{
    GstPad* outputs[MAX_SOURCE_PADS];
    GstPad* inputs[MAX_SOURCE_PADS];
    int output_count = 0;
    if (up == ctrl->source) {
        pthread_mutex_lock(&ctrl->lock);
        for (int i = 0; i < ctrl->pad_count; ++i)
            outputs[output_count++] = gst_object_ref(ctrl->pads[i]);
        pthread_mutex_unlock(&ctrl->lock);
    } else {
        output_count = list_pads(up, GST_PAD_SRC, outputs, MAX_SOURCE_PADS);
    }
    const int input_count = list_pads(down, GST_PAD_SINK, inputs, MAX_SOURCE_PADS);

    LinkResult result = output_count == 0 ? LINK_NO_OUTPUT : LINK_FAILED;
    int attempts = 0;
    for (int o = 0; o < output_count && result != LINK_OK && attempts < LINK_ATTEMPTS; ++o) {
        if (gst_pad_is_linked(outputs[o]) || (video_only && !carries_video(outputs[o])))
            continue;
        for (int i = 0; i < input_count; ++i) {
            if (gst_pad_is_linked(inputs[i]))
                continue;
            ++attempts;
            if (GST_PAD_LINK_SUCCESSFUL(gst_pad_link(outputs[o], inputs[i])))
                result = LINK_OK;
            break;
        }
    }
    unref_pads(outputs, output_count);
    unref_pads(inputs, input_count);
    return result;
}

static void unlink_all(GstElement* element)
{
    GstPad* pads[MAX_SOURCE_PADS];
    for (int direction = 0; direction < 2; ++direction) {
        const int count = list_pads(element, direction ? GST_PAD_SINK : GST_PAD_SRC, pads, MAX_SOURCE_PADS);
        for (int i = 0; i < count; ++i) {
            GstPad* peer = gst_pad_get_peer(pads[i]);
            if (peer) {
                if (GST_PAD_DIRECTION(pads[i]) == GST_PAD_SRC)
                    gst_pad_unlink(pads[i], peer);
                else
                    gst_pad_unlink(peer, pads[i]);
                gst_object_unref(peer);
            }
        }
        unref_pads(pads, count);
    }
}

/* Takes one element out of the pipeline (when `take_out`) and drops our reference. Returns -1 when
 * the pipeline would not give it up. */
static int remove_element(GraphCtrl* ctrl, GstElement** slot, int take_out)
{
    GstElement* element = *slot;
    if (!element)
        return 0;
    int result = 0;
    if (take_out && GST_OBJECT_PARENT(element) == GST_OBJECT(ctrl->graph)) {
        unlink_all(element);
        if (!gst_bin_remove(GST_BIN(ctrl->graph), element))
            result = -1;
    }
    gst_element_set_state(element, GST_STATE_NULL);
    gst_object_unref(element);
    *slot = NULL;
    return result;
}

static void close_movie(GraphCtrl* ctrl)
{
    if (ctrl->file >= 0)
        close(ctrl->file);
    ctrl->file = -1;
}

static void release_pads(GraphCtrl* ctrl)
{
    pthread_mutex_lock(&ctrl->lock);
    for (int i = 0; i < ctrl->pad_count; ++i) {
        if (ctrl->probes[i])
            gst_pad_remove_probe(ctrl->pads[i], ctrl->probes[i]);
        gst_object_unref(ctrl->pads[i]);
        ctrl->pads[i] = NULL;
        ctrl->probes[i] = 0;
    }
    ctrl->pad_count = 0;
    ctrl->no_more_pads = 0;
    pthread_mutex_unlock(&ctrl->lock);
}

/* Removes every element in the order the chain is taken apart: sink first, source last. After the
 * first element the pipeline refuses to give up, the rest stay inside it and go with the pipeline. */
static int remove_all(GraphCtrl* ctrl)
{
    if (ctrl->graph)
        gst_element_set_state(ctrl->graph, GST_STATE_NULL);
    GstElement** order[] = {&ctrl->sink, &ctrl->grabber, &ctrl->filter_b, &ctrl->filter_a, &ctrl->source,
                            &ctrl->reader};
    int result = 0;
    for (size_t i = 0; i < sizeof order / sizeof order[0]; ++i) {
        if (remove_element(ctrl, order[i], result == 0) != 0)
            result = -1;
    }
    release_pads(ctrl);
    close_movie(ctrl);
    return result;
}

static int add_element(GraphCtrl* ctrl, GstElement* element)
{
    return element && gst_bin_add(GST_BIN(ctrl->graph), element) ? 0 : -1;
}

/* Opens the movie for filesrc. Only a regular file will do: filesrc opens its location blocking, so a
 * FIFO would hold the call before any of its time limits starts, and opening a device may do
 * something. The type is looked at before opening, and the open descriptor checked again, so a name
 * pointed elsewhere in between cannot slip through; filesrc then opens that very file. Returns 0 and
 * the location to hand over, or -1. */
static int open_movie(GraphCtrl* ctrl, const char* path, char* location, size_t capacity)
{
    struct stat info;
    if (!*path || stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        snprintf(location, capacity, "/proc/self/fd/%d", fd) >= (int)capacity) {
        close(fd);
        return -1;
    }
    ctrl->file = fd;
    return 0;
}


static int build_source(GraphCtrl* ctrl, const char* path)
{
    char location[64];
    if (open_movie(ctrl, path, location, sizeof location) != 0)
        return -1;
    ctrl->reader = make_element("filesrc");
    ctrl->source = make_element("asfdemux");
    if (!ctrl->reader || !ctrl->source)
        return -1;
    g_object_set(ctrl->reader, "location", location, NULL);
    g_signal_connect(ctrl->source, "pad-added", G_CALLBACK(on_pad_added), ctrl);
    g_signal_connect(ctrl->source, "no-more-pads", G_CALLBACK(on_no_more_pads), ctrl);
    if (add_element(ctrl, ctrl->reader) != 0 || add_element(ctrl, ctrl->source) != 0 ||
        !gst_element_link(ctrl->reader, ctrl->source))
        return -1;
    /* Reading the header is what opening the file means here: it fails for a missing or empty path
     * and for a file that is not ASF. */
    if (gst_element_set_state(ctrl->graph, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return -1;
    return wait_for_pads(ctrl);
}

/* Whether the picture a pad declares is small enough to be decoded at all. A pad that declares no
 * size is left to the decoder. */
static int declared_size_acceptable(GstPad* pad)
{
    GstCaps* caps = caps_of(pad);
    int acceptable = 1;
    if (caps && !gst_caps_is_any(caps) && !gst_caps_is_empty(caps)) {
        const GstStructure* structure = gst_caps_get_structure(caps, 0);
        gint width = 0, height = 0;
        if (gst_structure_get_int(structure, "width", &width) && gst_structure_get_int(structure, "height", &height))
            acceptable = width > 0 && height > 0 && (guint64)width * (guint64)height <= STILLPICK_MAX_PIXELS;
    }
    if (caps)
        gst_caps_unref(caps);
    return acceptable;
}

static GstPad* first_video_pad(GraphCtrl* ctrl)
{
    GstPad* video = NULL;
    pthread_mutex_lock(&ctrl->lock);
    for (int i = 0; i < ctrl->pad_count && !video; ++i) {
        if (carries_video(ctrl->pads[i]))
            video = gst_object_ref(ctrl->pads[i]);
    }
    pthread_mutex_unlock(&ctrl->lock);
    return video;
}

int graph_ctrl_build(GraphCtrl* ctrl, const char* path, QuilGrabTarget* target)
{
    if (!ctrl || !ctrl->graph)
        return -1;
    int ok = build_source(ctrl, path ? path : "") == 0;

    GstPad* video = ok ? first_video_pad(ctrl) : NULL;
    if (video) {
        /* A picture too large to decode is refused before a decoder allocates anything for it. */
        if (declared_size_acceptable(video))
            ctrl->filter_a = make_decoder_for(video);
        else
            ok = 0;
        gst_object_unref(video);
    }
    if (ok) {
        ctrl->filter_b = make_element("videoconvert");
        ctrl->grabber = make_element("quilgrab");
        ctrl->sink = make_element("fakesink");
        ok = add_element(ctrl, ctrl->filter_a) == 0 && add_element(ctrl, ctrl->filter_b) == 0 &&
             add_element(ctrl, ctrl->grabber) == 0 && add_element(ctrl, ctrl->sink) == 0;
    }
    if (ok) {
        g_object_set(ctrl->grabber, "target", (gpointer)target, NULL);
        /* The decoded frames are not shown anywhere: the sink takes them as fast as they come. */
        g_object_set(ctrl->sink, "sync", FALSE, NULL);
        /* The source must hand its video to filter A; further down an element without an output is
         * the end of the chain and not an error. */
        ok = connect_elements(ctrl, ctrl->source, ctrl->filter_a, 1) == LINK_OK;
        const LinkResult ab = ok ? connect_elements(ctrl, ctrl->filter_a, ctrl->filter_b, 0) : LINK_FAILED;
        ok = ok && ab != LINK_FAILED;
        const LinkResult bg = ok ? connect_elements(ctrl, ctrl->filter_b, ctrl->grabber, 0) : LINK_FAILED;
        ok = ok && bg != LINK_FAILED;
        const LinkResult gs = ok ? connect_elements(ctrl, ctrl->grabber, ctrl->sink, 0) : LINK_FAILED;
        ok = ok && gs != LINK_FAILED;
    }
    /* The new elements join the source pair in PAUSED, downstream first, so that each is ready before
     * data can reach it. */
    GstElement* joining[] = {ctrl->sink, ctrl->grabber, ctrl->filter_b, ctrl->filter_a};
    for (size_t i = 0; ok && i < sizeof joining / sizeof joining[0]; ++i)
        ok = gst_element_sync_state_with_parent(joining[i]);
    if (!ok) {
        remove_all(ctrl);
        return -1;
    }
    ctrl->state = GRAPH_STATE_BUILT;
    return 0;
}

int graph_ctrl_run(GraphCtrl* ctrl)
{
    if (!ctrl || ctrl->state != GRAPH_STATE_BUILT)
        return -1;
    if (gst_element_set_state(ctrl->graph, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(ctrl->graph, GST_STATE_READY);
        return -1;
    }
    release_probes(ctrl);
    return 0;
}

void graph_ctrl_settle(GraphCtrl* ctrl)
{
    if (!ctrl || !ctrl->graph)
        return;
    GstBus* bus = gst_element_get_bus(ctrl->graph);
    GstMessage* message = NULL;
    for (int attempt = 0; attempt < EVENT_ATTEMPTS && !message; ++attempt)
        message = gst_bus_timed_pop(bus, (GstClockTime)EVENT_WAIT_MS * GST_MSECOND);
    const int ended = message && (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS ||
                                  GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR);
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    if (!ended)
        gst_element_set_state(ctrl->graph, GST_STATE_READY);
}

/* Watches for the pipeline object to be finalized. Shared by the waiting caller and the finalize
 * notification, so that whichever of the two comes last frees it: a pipeline still held elsewhere
 * when the wait gives up may be finalized after the controller is gone. Every watch is guarded by one
 * process-wide lock made before any of them, so that the notification, which may run on a thread of
 * GStreamer's own, never touches a watch before the caller has finished setting it up. */
typedef struct ReleaseWatch {
    int released;
    int holders;
} ReleaseWatch;

static pthread_mutex_t release_lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t release_changed;
static pthread_once_t release_once = PTHREAD_ONCE_INIT;
static int release_ready;

static void make_release_condition(void)
{
    pthread_condattr_t attributes;
    if (pthread_condattr_init(&attributes) != 0)
        return;
    if (pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC) == 0 &&
        pthread_cond_init(&release_changed, &attributes) == 0)
        release_ready = 1;
    pthread_condattr_destroy(&attributes);
}

/* Called with release_lock held. */
static void drop_watch(ReleaseWatch* watch)
{
    if (--watch->holders == 0)
        free(watch);
}

static void on_graph_finalized(gpointer user_data, GObject* gone)
{
    (void)gone;
    ReleaseWatch* watch = user_data;
    pthread_mutex_lock(&release_lock);
    watch->released = 1;
    pthread_cond_broadcast(&release_changed);
    drop_watch(watch);
    pthread_mutex_unlock(&release_lock);
}

/* Drops our reference to the pipeline and waits, for a bounded time, until it is really gone: a bin
 * that finished a state change in the background may hold it (and its bus, with the bus's file
 * descriptors) a moment longer on a thread of GStreamer's own. */
static void release_graph(GraphCtrl* ctrl)
{
    pthread_once(&release_once, make_release_condition);
    ReleaseWatch* watch = release_ready ? calloc(1, sizeof *watch) : NULL;
    if (!watch) {
        /* Without a watch the pipeline is simply let go. */
        gst_object_unref(ctrl->graph);
        ctrl->graph = NULL;
        return;
    }
    pthread_mutex_lock(&release_lock);
    watch->holders = 2;
    pthread_mutex_unlock(&release_lock);
    g_object_weak_ref(G_OBJECT(ctrl->graph), on_graph_finalized, watch);
    gst_object_unref(ctrl->graph);
    ctrl->graph = NULL;

    struct timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += RELEASE_WAIT_MS / 1000;
    deadline.tv_nsec += (long)(RELEASE_WAIT_MS % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&release_lock);
    int result = 0;
    while (!watch->released && result == 0)
        result = pthread_cond_timedwait(&release_changed, &release_lock, &deadline);
    drop_watch(watch);
    pthread_mutex_unlock(&release_lock);
}

int graph_ctrl_clear(GraphCtrl* ctrl)
{
    if (!ctrl)
        return 0;
    const int result = remove_all(ctrl);
    if (ctrl->graph) {
        GstBus* bus = gst_element_get_bus(ctrl->graph);
        gst_bus_set_sync_handler(bus, NULL, NULL, NULL);
        gst_object_unref(bus);
        release_graph(ctrl);
    }
    /* The pipeline has stopped every task; what is left is to wait for their threads to return. */
    stillpick_streaming_threads_end(ctrl->threads);
    ctrl->threads = NULL;
    ctrl->state = GRAPH_STATE_EMPTY;
    return result;
}

int graph_ctrl_state(const GraphCtrl* ctrl)
{
    return ctrl ? ctrl->state : GRAPH_STATE_EMPTY;
}

void graph_ctrl_destroy(GraphCtrl* ctrl)
{
    if (!ctrl)
        return;
    graph_ctrl_clear(ctrl);
    pthread_mutex_destroy(&ctrl->lock);
    free(ctrl);
}
