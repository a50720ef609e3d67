#include "trace.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

void ks_trace(const char* format, ...)
{
    if (!getenv("KESTREL_DEBUG"))
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fprintf(stderr, "%s\r\n", line);
}
