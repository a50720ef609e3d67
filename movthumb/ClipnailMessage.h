#ifndef CLIPNAIL_MESSAGE_H
#define CLIPNAIL_MESSAGE_H
/* Messages to the user. The host's KestrelMessageBox shows them when the process has one; otherwise
 * they become a trace line "MessageBox: <caption>: <text>" on standard error when KESTREL_DEBUG is
 * set, and the call carries on as if the user had answered OK. */

#ifdef __cplusplus
extern "C" {
#endif

enum {
    CLIP_MB_OK = 0x0,
    CLIP_MB_ICONERROR = 0x10,
    CLIP_IDOK = 1
};

int clip_message(void* owner, const char* text, const char* caption, unsigned style);

/* The "Can't open <path>" box, caption "Error", error icon. */
void clip_message_cannot_open(void* owner, const char* path);

#ifdef __cplusplus
}
#endif

#endif
