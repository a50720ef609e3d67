#ifndef STILLPICK_GRABBER_PLUGIN_H
#define STILLPICK_GRABBER_PLUGIN_H
/* Registration of the grabber element for the length of a call: its plugin file is loaded into
 * GStreamer's registry before the pipeline is built and taken out again afterwards. Calls that
 * overlap share one registration; the last one out takes it out. */

#ifdef __cplusplus
extern "C" {
#endif

/* The plugin file's name inside the program's folder. */
#define STILLPICK_GRABBER_FILE "libgstquilgrab.so"

/* The folder of the running program (/proc/self/exe), without a trailing slash, in a malloc'ed
 * string; null when it cannot be read. */
char* stillpick_program_folder(void);

/* Loads `folder`/libgstquilgrab.so into the registry (GStreamer is started first if need be).
 * Returns 0, or -1 when the file is missing or is not a plugin GStreamer can load. */
int grabber_register(const char* folder);

/* Takes the registration of a successful grabber_register() back. Returns 0, or -1 when the plugin
 * was no longer in the registry. */
int grabber_unregister(void);

#ifdef __cplusplus
}
#endif

#endif
