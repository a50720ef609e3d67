#pragma once
/* Debug lines of the sibling libraries: written to standard error only when KESTREL_DEBUG is set in the
 * environment, so a library never prints in normal use. Lines end in CR LF like the program's own. */

#ifdef __cplusplus
extern "C" {
#endif

void ks_trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

#ifdef __cplusplus
}
#endif
