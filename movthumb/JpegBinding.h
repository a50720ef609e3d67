#ifndef CLIPNAIL_JPEG_BINDING_H
#define CLIPNAIL_JPEG_BINDING_H
/* QuilJpeg, bound for one decode: libQuilJpeg.so is loaded from the program's folder (the folder of
 * /proc/self/exe), else along the loader path, its JpegDecoder looked up by name, called, and the
 * library unloaded again. */

#ifdef __cplusplus
extern "C" {
#endif

#define CLIP_DECODER_LIBRARY "libQuilJpeg.so"

/* Decodes the JPEG file at `path` into a packed DIB. When the library or its export is missing, the
 * user is told ("Not exist QuilJpeg.dll" / "Not exist JpegDecoder function", owned by `owner`) and
 * null is returned. `pinned_folder`, when not null, is the only folder the library is looked for in. */
void* clip_decode_jpeg(void* owner, const char* path, const char* pinned_folder);

#ifdef __cplusplus
}
#endif

#endif
