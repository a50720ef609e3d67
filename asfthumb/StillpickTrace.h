#ifndef STILLPICK_TRACE_H
#define STILLPICK_TRACE_H
/* Developer trace lines: written unchanged to standard error when KESTREL_DEBUG is set, else dropped. */
void stillpick_trace(const char* line);
#endif
