// A simulated DV camcorder on a pseudo-terminal. Prints the port to give the program (as the preferred
// port, a device path) and serves until its standard input ends or it is interrupted.
//
//   camsim [--address HEX] [--second] [--no-tape] [--no-info] [--info HEX]
//          [--silent] [--flood] [--garble N] [--busy N] [--locate-busy N]

#include "CamcorderSimulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int)
{
    interrupted = 1;
}

int numberAfter(int& i, int argc, char** argv, int base)
{
    if (i + 1 >= argc) {
        std::fprintf(stderr, "camsim: %s needs a value\n", argv[i]);
        std::exit(2);
    }
    return static_cast<int>(std::strtol(argv[++i], nullptr, base));
}

}  // namespace

int main(int argc, char** argv)
{
    camsim::SimulatorOptions options;
    int garble = 0, busy = 0, locateBusy = 2;
    bool silent = false, flood = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!std::strcmp(arg, "--address"))
            options.address = static_cast<std::uint8_t>(numberAfter(i, argc, argv, 16));
        else if (!std::strcmp(arg, "--second"))
            options.capabilities |= 0x0004;
        else if (!std::strcmp(arg, "--no-tape"))
            options.hasTape = false;
        else if (!std::strcmp(arg, "--no-info"))
            options.answersInfo = false;
        else if (!std::strcmp(arg, "--info"))
            options.infoWord = numberAfter(i, argc, argv, 16);
        else if (!std::strcmp(arg, "--silent"))
            silent = true;
        else if (!std::strcmp(arg, "--flood"))
            flood = true;
        else if (!std::strcmp(arg, "--garble"))
            garble = numberAfter(i, argc, argv, 10);
        else if (!std::strcmp(arg, "--busy"))
            busy = numberAfter(i, argc, argv, 10);
        else if (!std::strcmp(arg, "--locate-busy"))
            locateBusy = numberAfter(i, argc, argv, 10);
        else {
            std::fprintf(stderr, "camsim: unknown option %s\n", arg);
            return 2;
        }
    }
    if (options.address == 0) {
        std::fprintf(stderr, "camsim: address 0 is reserved for link control\n");
        return 2;
    }
    camsim::CamcorderSimulator simulator(options);
    if (!simulator.start()) {
        std::perror("camsim: no pseudo-terminal");
        return 1;
    }
    simulator.setSilent(silent);
    simulator.setFlood(flood);
    simulator.garbleReplies(garble);
    simulator.busyReplies(busy);
    simulator.setLocateBusyReplies(locateBusy);
    std::printf("%s\n", simulator.portPath().toLocal8Bit().constData());
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    char buffer[256];
    while (!interrupted) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, -1) < 0)
            continue;  // a signal: look at the flag again
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            break;
    }
    simulator.stop();
    return 0;
}
