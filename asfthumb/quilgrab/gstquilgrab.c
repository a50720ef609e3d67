/* The frame grabber element "quilgrab": a pass-through video filter that accepts 24-bit BGR frames,
 * copies the first one into a packed DIB and posts it to the thread behind its "target" property
 * (see QuilGrabTarget.h). Only the first frame is wanted, so the element ends the stream right after
 * handing it over; the pipeline then drains instead of decoding the rest of the movie for nobody. */

#include "QuilGrabTarget.h"

#include <gst/gst.h>
#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

#include <stdlib.h>
#include <string.h>

#define QUILGRAB_DIB_HEADER_SIZE 40u
#define QUILGRAB_BITS_PER_PIXEL 24u
/* Frames beyond this many pixels are no camera movie's; the library refuses to build for them, and the
 * grabber does not copy one either if a stream changes its size on the way. */
#define QUILGRAB_MAX_PIXELS ((uint64_t)64 * 1024 * 1024)

typedef struct _GstQuilGrab {
    GstVideoFilter parent;
    QuilGrabTarget* target; /* written before the pipeline runs, read by the streaming thread */
    gboolean posted;        /* touched by the streaming thread only */
} GstQuilGrab;

typedef struct _GstQuilGrabClass {
    GstVideoFilterClass parent_class;
} GstQuilGrabClass;

GType gst_quil_grab_get_type(void);
#define GST_TYPE_QUIL_GRAB (gst_quil_grab_get_type())
#define GST_QUIL_GRAB(obj) (G_TYPE_CHECK_INSTANCE_CAST((obj), GST_TYPE_QUIL_GRAB, GstQuilGrab))

G_DEFINE_TYPE(GstQuilGrab, gst_quil_grab, GST_TYPE_VIDEO_FILTER)

enum { PROP_0, PROP_TARGET };

static GstStaticPadTemplate sink_template =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE("BGR")));
static GstStaticPadTemplate src_template =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE("BGR")));

static void post_to_target(GstQuilGrab* self, void* block, size_t size, int32_t status)
{
    QuilGrabTarget* target;
    GST_OBJECT_LOCK(self);
    target = self->target;
    GST_OBJECT_UNLOCK(self);
    if (target && target->post)
        target->post(target, QUILGRAB_FRAME_MESSAGE, block, size, status);
    else
        free(block);
}

static void put_u16(uint8_t* at, uint16_t value)
{
    at[0] = (uint8_t)value;
    at[1] = (uint8_t)(value >> 8);
}

static void put_u32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (uint8_t)(value >> (8 * i));
}

/* Builds the packed DIB of one BGR frame: the DIB's rows run bottom line first, the frame's top line
 * first, and both pad each row to 4 bytes (GStreamer's own stride may be wider). */
static uint8_t* make_dib(const GstVideoFrame* frame, size_t* size_out, int32_t* status)
{
    const guint width = GST_VIDEO_FRAME_WIDTH(frame);
    const guint height = GST_VIDEO_FRAME_HEIGHT(frame);
    const gint stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
    const uint8_t* pixels = GST_VIDEO_FRAME_PLANE_DATA(frame, 0);
    const uint64_t row_bytes = (((uint64_t)width * QUILGRAB_BITS_PER_PIXEL + 31u) / 32u) * 4u;
    const uint64_t image_size = row_bytes * height;

    if (width == 0 || height == 0 || (uint64_t)width * height > QUILGRAB_MAX_PIXELS || stride < 0 ||
        (uint64_t)stride < (uint64_t)width * 3u || image_size > UINT32_MAX - QUILGRAB_DIB_HEADER_SIZE) {
        *status = QUILGRAB_STATUS_BAD_FRAME;
        return NULL;
    }
    const size_t size = QUILGRAB_DIB_HEADER_SIZE + (size_t)image_size;
    uint8_t* dib = calloc(1, size);
    if (!dib) {
        *status = QUILGRAB_STATUS_NO_MEMORY;
        return NULL;
    }
    put_u32(dib + 0, QUILGRAB_DIB_HEADER_SIZE);
    put_u32(dib + 4, width);
    put_u32(dib + 8, height); /* positive: bottom-up */
    put_u16(dib + 12, 1);
    put_u16(dib + 14, QUILGRAB_BITS_PER_PIXEL);
    put_u32(dib + 16, 0); /* BI_RGB */
    put_u32(dib + 20, (uint32_t)image_size);
    for (guint y = 0; y < height; ++y) {
        const uint8_t* from = pixels + (size_t)y * (size_t)stride;
        uint8_t* to = dib + QUILGRAB_DIB_HEADER_SIZE + (size_t)(height - 1 - y) * (size_t)row_bytes;
        memcpy(to, from, (size_t)width * 3u);
    }
    *size_out = size;
    *status = 0;
    return dib;
}

static GstFlowReturn gst_quil_grab_transform_frame_ip(GstVideoFilter* filter, GstVideoFrame* frame)
{
    GstQuilGrab* self = GST_QUIL_GRAB(filter);
    if (self->posted)
        return GST_FLOW_EOS;
    size_t size = 0;
    int32_t status = 0;
    uint8_t* dib = make_dib(frame, &size, &status);
    self->posted = TRUE;
    post_to_target(self, dib, dib ? size : 0, status);
    return GST_FLOW_EOS;
}

static gboolean gst_quil_grab_start(GstBaseTransform* transform)
{
    GST_QUIL_GRAB(transform)->posted = FALSE;
    return TRUE;
}

static void gst_quil_grab_set_property(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    GstQuilGrab* self = GST_QUIL_GRAB(object);
    if (id == PROP_TARGET) {
        GST_OBJECT_LOCK(self);
        self->target = g_value_get_pointer(value);
        GST_OBJECT_UNLOCK(self);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

static void gst_quil_grab_get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    GstQuilGrab* self = GST_QUIL_GRAB(object);
    if (id == PROP_TARGET) {
        GST_OBJECT_LOCK(self);
        g_value_set_pointer(value, self->target);
        GST_OBJECT_UNLOCK(self);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

static void gst_quil_grab_class_init(GstQuilGrabClass* klass)
{
    GObjectClass* object_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseTransformClass* transform_class = GST_BASE_TRANSFORM_CLASS(klass);
    GstVideoFilterClass* filter_class = GST_VIDEO_FILTER_CLASS(klass);

    object_class->set_property = gst_quil_grab_set_property;
    object_class->get_property = gst_quil_grab_get_property;
    g_object_class_install_property(
        object_class, PROP_TARGET,
        g_param_spec_pointer("target", "Target", "QuilGrabTarget that receives the first frame",
                             G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS));

    gst_element_class_add_static_pad_template(element_class, &sink_template);
    gst_element_class_add_static_pad_template(element_class, &src_template);
    gst_element_class_set_static_metadata(element_class, "Kestrel frame grabber", "Filter/Video",
                                          "Hands the first video frame over as a packed DIB", "Kestrel");

    transform_class->start = gst_quil_grab_start;
    transform_class->passthrough_on_same_caps = TRUE;
    transform_class->transform_ip_on_passthrough = TRUE;
    filter_class->transform_frame_ip = gst_quil_grab_transform_frame_ip;
}

static void gst_quil_grab_init(GstQuilGrab* self)
{
    gst_base_transform_set_in_place(GST_BASE_TRANSFORM(self), TRUE);
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), TRUE);
}

static gboolean plugin_init(GstPlugin* plugin)
{
    return gst_element_register(plugin, "quilgrab", GST_RANK_NONE, GST_TYPE_QUIL_GRAB);
}

#define PACKAGE "kestrel"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, quilgrab, "Kestrel frame grabber", plugin_init, "1.0",
                  "Proprietary", "Kestrel", "Kestrel")
