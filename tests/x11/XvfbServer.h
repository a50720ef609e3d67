#pragma once
// A private X server for one test process: Xvfb picks a free display number itself (-displayfd), so
// tests running side by side never collide, and it writes that number back only once it accepts
// connections. The server dies with the object, and with the test process should that crash first
// (parent-death signal), so no stray servers pile up on a CI machine.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

class XvfbServer {
public:
    // Long enough for a loaded 2-core CI machine under a sanitizer; Xvfb is up in well under a second.
    static constexpr int kStartTimeoutMs = 20000;

    XvfbServer() = default;
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts the server with one 1024x768 true-colour screen. False with error() filled in when Xvfb is
    // missing or does not come up in time.
    bool start()
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return fail(std::string("pipe: ") + std::strerror(errno));
        const pid_t child = fork();
        if (child < 0) {
            close(ends[0]);
            close(ends[1]);
            return fail(std::string("fork: ") + std::strerror(errno));
        }
        if (child == 0) {
            // Only async-signal-safe calls between fork and exec.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int writeEnd = dup(ends[1]);  // the duplicate survives exec
            const int quiet = open("/dev/null", O_WRONLY);
            if (quiet >= 0) {
                dup2(quiet, STDOUT_FILENO);
                dup2(quiet, STDERR_FILENO);
            }
            char fdText[16];
            std::snprintf(fdText, sizeof fdText, "%d", writeEnd);
            execlp("Xvfb", "Xvfb", "-displayfd", fdText, "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        pid_ = child;
        close(ends[1]);
        std::string number;
        bool ended = false;
        while (!ended) {
            pollfd wait{ends[0], POLLIN, 0};
            const int ready = poll(&wait, 1, kStartTimeoutMs);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;
            char buffer[32];
            const ssize_t got = read(ends[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t i = 0; i < got && !ended; ++i) {
                if (buffer[i] == '\n')
                    ended = true;
                else
                    number += buffer[i];
            }
        }
        close(ends[0]);
        if (!ended || number.empty()) {
            const int status = stop();
            if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
                return fail("Xvfb is not installed (Debian package xvfb; scripts/setup installs it)");
            return fail("Xvfb did not report a display within " + std::to_string(kStartTimeoutMs / 1000) + " s");
        }
        display_ = ":" + number;
        return true;
    }

    // The DISPLAY value of the running server, e.g. ":3".
    const std::string& display() const { return display_; }
    const std::string& error() const { return error_; }

    // Ends the server and returns its wait status (0 when none ran).
    int stop()
    {
        if (pid_ <= 0)
            return 0;
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        display_.clear();
        return status;
    }

private:
    bool fail(const std::string& text)
    {
        error_ = text;
        return false;
    }

    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
};
