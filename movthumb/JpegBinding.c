#include "JpegBinding.h"

#include "ClipnailMessage.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

typedef void* (*JpegDecoderFunction)(const char* path, int32_t* width, int32_t* height);

/* Loads the library from `folder`, which may be null. */
static void* open_in(const char* folder)
{
    char path[PATH_MAX];
    if (!folder || snprintf(path, sizeof path, "%s/%s", folder, CLIP_DECODER_LIBRARY) >= (int)sizeof path)
        return NULL;
    return access(path, F_OK) == 0 ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : NULL;
}

static void* open_decoder_library(const char* pinned_folder)
{
    if (pinned_folder)
        return open_in(pinned_folder);
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    void* library = NULL;
    if (length > 0) {
        program[length] = '\0';
        char* slash = strrchr(program, '/');
        if (slash) {
            *slash = '\0';
            library = open_in(program[0] ? program : "/");
        }
    }
    return library ? library : dlopen(CLIP_DECODER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
}

void* clip_decode_jpeg(void* owner, const char* path, const char* pinned_folder)
{
    void* library = open_decoder_library(pinned_folder);
    if (!library) {
        clip_message(owner, "Not exist QuilJpeg.dll", "Error", CLIP_MB_OK | CLIP_MB_ICONERROR);
        return NULL;
    }
    JpegDecoderFunction decode = (JpegDecoderFunction)dlsym(library, "JpegDecoder");
    if (!decode) {
        clip_message(owner, "Not exist JpegDecoder function", "Error", CLIP_MB_OK | CLIP_MB_ICONERROR);
        dlclose(library);
        return NULL;
    }
    int32_t width = 0, height = 0; /* the decoder wants somewhere to put them; the DIB says it all */
    void* picture = decode(path, &width, &height);
    dlclose(library);
    return picture;
}
