#include "StreamingThreads.h"

#include <pthread.h>
#include <stdlib.h>

typedef struct Worker Worker;
struct Worker {
    Worker* next;
    pthread_t thread;
    GstTaskPoolFunction function;
    void* data;
};

typedef struct {
    GstTaskPool parent;
    pthread_mutex_t lock;
    Worker* workers; /* started and not yet joined */
} StillpickTaskPool;

typedef struct {
    GstTaskPoolClass parent_class;
} StillpickTaskPoolClass;

GType stillpick_task_pool_get_type(void);
G_DEFINE_TYPE(StillpickTaskPool, stillpick_task_pool, GST_TYPE_TASK_POOL)

static void* run_worker(void* argument)
{
    Worker* worker = argument;
    worker->function(worker->data);
    return NULL;
}

static void take_out(StillpickTaskPool* pool, Worker* worker)
{
    pthread_mutex_lock(&pool->lock);
    for (Worker** link = &pool->workers; *link; link = &(*link)->next) {
        if (*link == worker) {
            *link = worker->next;
            break;
        }
    }
    pthread_mutex_unlock(&pool->lock);
}

static void pool_prepare(GstTaskPool* pool, GError** error)
{
    (void)pool;
    (void)error;
}

static gpointer pool_push(GstTaskPool* base, GstTaskPoolFunction function, gpointer data, GError** error)
{
    StillpickTaskPool* pool = (StillpickTaskPool*)base;
    Worker* worker = calloc(1, sizeof *worker);
    if (!worker) {
        g_set_error(error, G_THREAD_ERROR, G_THREAD_ERROR_AGAIN, "no memory for a streaming thread");
        return NULL;
    }
    worker->function = function;
    worker->data = data;
    pthread_mutex_lock(&pool->lock);
    const int started = pthread_create(&worker->thread, NULL, run_worker, worker) == 0;
    if (started) {
        worker->next = pool->workers;
        pool->workers = worker;
    }
    pthread_mutex_unlock(&pool->lock);
    if (!started) {
        free(worker);
        g_set_error(error, G_THREAD_ERROR, G_THREAD_ERROR_AGAIN, "cannot start a streaming thread");
        return NULL;
    }
    return worker;
}

static void pool_join(GstTaskPool* base, gpointer id)
{
    Worker* worker = id;
    if (!worker)
        return;
    take_out((StillpickTaskPool*)base, worker);
    pthread_join(worker->thread, NULL);
    free(worker);
}

/* A handle nobody will join stays listed, to be joined when the pool is cleaned up. */
static void pool_dispose_handle(GstTaskPool* base, gpointer id)
{
    (void)base;
    (void)id;
}

static void pool_cleanup(GstTaskPool* base)
{
    StillpickTaskPool* pool = (StillpickTaskPool*)base;
    for (;;) {
        pthread_mutex_lock(&pool->lock);
        Worker* worker = pool->workers;
        if (worker)
            pool->workers = worker->next;
        pthread_mutex_unlock(&pool->lock);
        if (!worker)
            return;
        pthread_join(worker->thread, NULL);
        free(worker);
    }
}

static void pool_finalize(GObject* object)
{
    StillpickTaskPool* pool = (StillpickTaskPool*)object;
    pool_cleanup(GST_TASK_POOL(object));
    pthread_mutex_destroy(&pool->lock);
    G_OBJECT_CLASS(stillpick_task_pool_parent_class)->finalize(object);
}

static void stillpick_task_pool_class_init(StillpickTaskPoolClass* klass)
{
    GstTaskPoolClass* pool_class = GST_TASK_POOL_CLASS(klass);
    pool_class->prepare = pool_prepare;
    pool_class->push = pool_push;
    pool_class->join = pool_join;
    pool_class->dispose_handle = pool_dispose_handle;
    pool_class->cleanup = pool_cleanup;
    G_OBJECT_CLASS(klass)->finalize = pool_finalize;
}

static void stillpick_task_pool_init(StillpickTaskPool* pool)
{
    pthread_mutex_init(&pool->lock, NULL);
    pool->workers = NULL;
}

GstTaskPool* stillpick_streaming_threads_new(void)
{
    GstTaskPool* pool = g_object_new(stillpick_task_pool_get_type(), NULL);
    if (pool)
        gst_object_ref_sink(pool);
    return pool;
}

void stillpick_streaming_threads_end(GstTaskPool* pool)
{
    if (!pool)
        return;
    gst_task_pool_cleanup(pool);
    gst_object_unref(pool);
}
