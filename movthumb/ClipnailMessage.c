#include "ClipnailMessage.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef int (*MessageBoxFunction)(void* owner, const char* text, const char* caption, unsigned style);

static const char message_box_export[] = "KestrelMessageBox";

int clip_message(void* owner, const char* text, const char* caption, unsigned style)
{
    /* Looked up at every call: the host may have loaded its platform layer after this library. */
    MessageBoxFunction show = (MessageBoxFunction)dlsym(RTLD_DEFAULT, message_box_export);
    if (show)
        return show(owner, text, caption, style);
    if (getenv("KESTREL_DEBUG")) {
        fprintf(stderr, "MessageBox: %s: %s\n", caption, text);
        fflush(stderr);
    }
    return CLIP_IDOK;
}

void clip_message_cannot_open(void* owner, const char* path)
{
    static const char format[] = "Can't open %s";
    const char* shown = path ? path : "";
    const size_t length = sizeof format + strlen(shown);
    char* text = malloc(length);
    if (!text) {
        clip_message(owner, "Can't open ", "Error", CLIP_MB_OK | CLIP_MB_ICONERROR);
        return;
    }
    snprintf(text, length, format, shown);
    clip_message(owner, text, "Error", CLIP_MB_OK | CLIP_MB_ICONERROR);
    free(text);
}
