#include "QtTestMain.h"

#include "platform/Fonts.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    // The controls' trace lines are part of what the tests check; the switch is read once, so it must be
    // on before the first line is written.
    setenv("KESTREL_DEBUG", "1", 1);
    return runQtTests(argc, argv);
}
