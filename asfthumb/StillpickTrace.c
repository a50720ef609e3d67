#include "StillpickTrace.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void stillpick_trace(const char* line)
{
    if (!line || !getenv("KESTREL_DEBUG"))
        return;
    /* One write call per line keeps lines of different threads whole. */
    fwrite(line, 1, strlen(line), stderr);
    fflush(stderr);
}
