#include "GrabContext.h"

#include <errno.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum {
    QUIT_MESSAGE = 0x12,   /* ends the message loop, like a quit message ends a Windows thread's loop */
    DIB_HEADER_SIZE = 40
};

typedef struct Message Message;
struct Message {
    Message* next;
    unsigned id;
    void* block;
    size_t size;
    int32_t status;
};

struct GrabContext {
    QuilGrabTarget target; /* first member: the grabber's post() finds the context from it */
    pthread_mutex_t lock;
    pthread_cond_t queue_changed;
    pthread_cond_t frame_changed;
    Message* head;
    Message* tail;
    int frame_event; /* auto-reset: cleared by the wait that sees it */
    int closed;      /* the caller has stopped waiting: later frames are dropped */
    void* picture;
    size_t picture_size;
    int32_t status;
    int flip;
    pthread_t thread;
    Message quit; /* kept ready, so that ending the thread never depends on memory */
};

static uint32_t get_u32(const uint8_t* at)
{
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

static void enqueue(GrabContext* context, Message* message)
{
    pthread_mutex_lock(&context->lock);
    if (context->tail)
        context->tail->next = message;
    else
        context->head = message;
    context->tail = message;
    pthread_cond_signal(&context->queue_changed);
    pthread_mutex_unlock(&context->lock);
}

static void post_message(QuilGrabTarget* target, unsigned id, void* block, size_t size, int32_t status)
{
    GrabContext* context = (GrabContext*)target;
    Message* message = calloc(1, sizeof *message);
    if (!message) {
        /* The frame is lost; still wake the caller, with the status of a frame that could not be copied. */
        free(block);
        pthread_mutex_lock(&context->lock);
        if (!context->closed)
            context->status = 3;
        context->frame_event = 1;
        pthread_cond_broadcast(&context->frame_changed);
        pthread_mutex_unlock(&context->lock);
        return;
    }
    message->id = id;
    message->block = block;
    message->size = size;
    message->status = status;
    enqueue(context, message);
}

/* Copies the frame of a frame message into a block of its own. The copy covers the header and the
 * image the header describes, which must lie within the block the grabber sent. */
static void *copy_frame(const Message* message, size_t* size)
{
    const uint8_t* dib = message->block;
    if (!dib || message->size < DIB_HEADER_SIZE)
        return NULL;
    const uint64_t header = get_u32(dib);
    const uint64_t image = get_u32(dib + 20);
    if (header < DIB_HEADER_SIZE || header + image > message->size)
        return NULL;
    void* copy = calloc(1, (size_t)(header + image));
    if (!copy)
        return NULL;
    memcpy(copy, dib, (size_t)(header + image));
    *size = (size_t)(header + image);
    return copy;
}

static void handle_frame(GrabContext* context, Message* message)
{
    void* copy = NULL;
    size_t copy_size = 0;
    int32_t status = message->status;
    if (status == 0) {
        copy = copy_frame(message, &copy_size);
        if (!copy)
            status = 3;
    }
    pthread_mutex_lock(&context->lock);
    if (context->closed) {
        pthread_mutex_unlock(&context->lock);
        free(copy);
        return;
    }
    if (copy) {
        free(context->picture); /* a grabber posts once; a second frame replaces the first */
        context->picture = copy;
        context->picture_size = copy_size;
    }
    context->status = status;
    context->frame_event = 1;
    pthread_cond_broadcast(&context->frame_changed);
    pthread_mutex_unlock(&context->lock);
}

static void* message_loop(void* argument)
{
    GrabContext* context = argument;
    for (;;) {
        pthread_mutex_lock(&context->lock);
        while (!context->head)
            pthread_cond_wait(&context->queue_changed, &context->lock);
        Message* message = context->head;
        context->head = message->next;
        if (!context->head)
            context->tail = NULL;
        pthread_mutex_unlock(&context->lock);

        if (message == &context->quit)
            return NULL;
        if (message->id == QUILGRAB_FRAME_MESSAGE)
            handle_frame(context, message);
        free(message->block);
        free(message);
    }
}

GrabContext* grab_context_start(int flip)
{
    GrabContext* context = calloc(1, sizeof *context);
    if (!context)
        return NULL;
    context->target.post = post_message;
    context->flip = flip;
    pthread_condattr_t attributes;
    if (pthread_condattr_init(&attributes) != 0) {
        free(context);
        return NULL;
    }
    /* Time-outs are measured on the monotonic clock, so a clock change cannot stretch the wait. */
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    const int have_lock = pthread_mutex_init(&context->lock, NULL) == 0;
    const int have_queue = have_lock && pthread_cond_init(&context->queue_changed, NULL) == 0;
    const int have_frame = have_queue && pthread_cond_init(&context->frame_changed, &attributes) == 0;
    pthread_condattr_destroy(&attributes);
    if (have_frame && pthread_create(&context->thread, NULL, message_loop, context) == 0)
        return context;
    if (have_frame)
        pthread_cond_destroy(&context->frame_changed);
    if (have_queue)
        pthread_cond_destroy(&context->queue_changed);
    if (have_lock)
        pthread_mutex_destroy(&context->lock);
    free(context);
    return NULL;
}

QuilGrabTarget* grab_context_target(GrabContext* context)
{
    return &context->target;
}

int grab_context_wait_frame(GrabContext* context, unsigned milliseconds, int32_t timeout_status)
{
    struct timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000u;
    deadline.tv_nsec += (long)(milliseconds % 1000u) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&context->lock);
    int result = 0;
    while (!context->frame_event && result != ETIMEDOUT)
        result = pthread_cond_timedwait(&context->frame_changed, &context->lock, &deadline);
    const int set = context->frame_event;
    context->frame_event = 0;
    if (!set)
        context->status = timeout_status;
    context->closed = 1;
    pthread_mutex_unlock(&context->lock);
    return set;
}

int32_t grab_context_status(GrabContext* context)
{
    pthread_mutex_lock(&context->lock);
    const int32_t status = context->status;
    pthread_mutex_unlock(&context->lock);
    return status;
}

void grab_context_set_status(GrabContext* context, int32_t status)
{
    pthread_mutex_lock(&context->lock);
    context->status = status;
    pthread_mutex_unlock(&context->lock);
}

void* grab_context_take_picture(GrabContext* context, size_t* size)
{
    pthread_mutex_lock(&context->lock);
    void* picture = context->picture;
    if (size)
        *size = context->picture_size;
    context->picture = NULL;
    context->picture_size = 0;
    pthread_mutex_unlock(&context->lock);
    return picture;
}

void grab_context_put_picture(GrabContext* context, void* picture, size_t size)
{
    pthread_mutex_lock(&context->lock);
    free(context->picture);
    context->picture = picture;
    context->picture_size = size;
    pthread_mutex_unlock(&context->lock);
}

int grab_context_flip(const GrabContext* context)
{
    return context->flip;
}

void grab_context_end(GrabContext* context)
{
    if (!context)
        return;
    context->quit.id = QUIT_MESSAGE;
    enqueue(context, &context->quit);
    pthread_join(context->thread, NULL);
    /* The thread stopped at the quit message; anything queued behind it arrived too late. */
    for (Message* message = context->head; message;) {
        Message* next = message->next;
        if (message != &context->quit) {
            free(message->block);
            free(message);
        }
        message = next;
    }
    free(context->picture);
    pthread_cond_destroy(&context->frame_changed);
    pthread_cond_destroy(&context->queue_changed);
    pthread_mutex_destroy(&context->lock);
    free(context);
}
