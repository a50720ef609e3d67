#include "GrabberPlugin.h"

#include <gst/gst.h>

#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static pthread_mutex_t registration_lock = PTHREAD_MUTEX_INITIALIZER;
static int registration_users;      /* calls between register and unregister */
static GstPlugin* registered;       /* the loaded plugin while registration_users > 0 */

char* stillpick_program_folder(void)
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return NULL;
    buffer[length] = '\0';
    char* slash = strrchr(buffer, '/');
    if (!slash)
        return NULL;
    *slash = '\0';
    return strdup(buffer[0] ? buffer : "/");
}

int grabber_register(const char* folder)
{
    if (!folder)
        return -1;
    const size_t length = strlen(folder) + 1 + strlen(STILLPICK_GRABBER_FILE) + 1;
    char* path = malloc(length);
    if (!path)
        return -1;
    snprintf(path, length, "%s/%s", folder, STILLPICK_GRABBER_FILE);

    int result = -1;
    pthread_mutex_lock(&registration_lock);
    if (registration_users > 0) {
        ++registration_users;
        result = 0;
    } else if (access(path, R_OK) == 0 && gst_init_check(NULL, NULL, NULL)) {
        GError* error = NULL;
        registered = gst_plugin_load_file(path, &error);
        g_clear_error(&error);
        if (registered) {
            registration_users = 1;
            result = 0;
        }
    }
    pthread_mutex_unlock(&registration_lock);
    free(path);
    return result;
}

int grabber_unregister(void)
{
    int result = 0;
    pthread_mutex_lock(&registration_lock);
    if (registration_users == 0) {
        result = -1; /* nothing registered */
    } else if (--registration_users == 0) {
        GstRegistry* registry = gst_registry_get();
        GstPlugin* listed = gst_registry_lookup(registry, gst_plugin_get_filename(registered));
        if (listed) {
            gst_registry_remove_plugin(registry, listed);
            gst_object_unref(listed);
        } else {
            result = -1;
        }
        gst_object_unref(registered);
        registered = NULL;
    }
    pthread_mutex_unlock(&registration_lock);
    return result;
}
