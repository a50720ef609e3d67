/* Grabbers that misbehave on purpose, for the tests of the library's waits and statuses: built as
 * libgstquilgrab.so into folders of their own, each registering the element "quilgrab" under a type
 * name of its own (several may load into one test process). With TEST_GRABBER_STATUS 0 the element
 * passes frames on and never posts; otherwise it posts that status, without a frame, for the first
 * frame it sees. */

#include "quilgrab/QuilGrabTarget.h"

#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>

#define TEST_STRING2(x) #x
#define TEST_STRING(x) TEST_STRING2(x)
/* One type name per build, so that both builds can live in one process. */
#define TEST_TYPE_NAME ("KestrelTestGrab" TEST_STRING(TEST_GRABBER_STATUS))

typedef struct {
    GstBaseTransform parent;
    QuilGrabTarget* target;
    gboolean posted;
} TestGrab;

typedef struct {
    GstBaseTransformClass parent_class;
} TestGrabClass;

static void test_grab_class_init(TestGrabClass* klass);
static void test_grab_init(TestGrab* self);

static GType test_grab_get_type(void)
{
    static gsize type = 0;
    if (g_once_init_enter(&type)) {
        const GType registered = g_type_register_static_simple(
            GST_TYPE_BASE_TRANSFORM, g_intern_static_string(TEST_TYPE_NAME), sizeof(TestGrabClass),
            (GClassInitFunc)(void (*)(void))test_grab_class_init, sizeof(TestGrab),
            (GInstanceInitFunc)(void (*)(void))test_grab_init, 0);
        g_once_init_leave(&type, registered);
    }
    return type;
}

static GstStaticPadTemplate sink_template =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw,format=BGR"));
static GstStaticPadTemplate src_template =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw,format=BGR"));

static GstFlowReturn test_grab_transform_ip(GstBaseTransform* transform, GstBuffer* buffer)
{
    (void)buffer;
    TestGrab* self = (TestGrab*)transform;
    if (TEST_GRABBER_STATUS != 0 && !self->posted && self->target) {
        self->posted = TRUE;
        self->target->post(self->target, QUILGRAB_FRAME_MESSAGE, NULL, 0, TEST_GRABBER_STATUS);
    }
    return GST_FLOW_OK;
}

static void test_grab_set_property(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    (void)id;
    (void)pspec;
    ((TestGrab*)object)->target = g_value_get_pointer(value);
}

static void test_grab_get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    (void)id;
    (void)pspec;
    g_value_set_pointer(value, ((TestGrab*)object)->target);
}

static void test_grab_class_init(TestGrabClass* klass)
{
    GObjectClass* object_class = G_OBJECT_CLASS(klass);
    object_class->set_property = test_grab_set_property;
    object_class->get_property = test_grab_get_property;
    g_object_class_install_property(object_class, 1,
                                    g_param_spec_pointer("target", "Target", "Receiver", G_PARAM_READWRITE));
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element_class, &sink_template);
    gst_element_class_add_static_pad_template(element_class, &src_template);
    gst_element_class_set_static_metadata(element_class, "Test grabber", "Filter/Video", "Misbehaves", "Kestrel");
    GST_BASE_TRANSFORM_CLASS(klass)->transform_ip = test_grab_transform_ip;
    GST_BASE_TRANSFORM_CLASS(klass)->passthrough_on_same_caps = TRUE;
    GST_BASE_TRANSFORM_CLASS(klass)->transform_ip_on_passthrough = TRUE;
}

static void test_grab_init(TestGrab* self)
{
    gst_base_transform_set_in_place(GST_BASE_TRANSFORM(self), TRUE);
}

static gboolean plugin_init(GstPlugin* plugin)
{
    return gst_element_register(plugin, "quilgrab", GST_RANK_NONE, test_grab_get_type());
}

#define PACKAGE "kestrel-tests"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, quilgrab, "Kestrel test grabber", plugin_init, "1.0",
                  "Proprietary", "Kestrel", "Kestrel")
