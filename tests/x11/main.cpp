// The tests of this folder run against a real X server of their own, so that the clipboard is shared
// with other programs and windows really reach a screen.

#include "QtTestMain.h"
#include "XvfbServer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    // Listing the cases (ctest's discovery) needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            return runQtTests(argc, argv);
    }
    XvfbServer server;
    if (!server.start()) {
        std::fprintf(stderr, "FAILED: these tests need a virtual X display: %s\n", server.error().c_str());
        return 1;
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    // An X authority file of the user's could refer to another server of the same number.
    unsetenv("XAUTHORITY");
    return runQtTests(argc, argv, "xcb");
}
