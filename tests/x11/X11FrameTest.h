#pragma once
// The real frame on the test's own X display, and what the tests need to see it from outside: another
// program's view of the clipboard (xclip), the processes started on this display, the screen's pixels.

#include "app/CMainFrame.h"
#include "app/CMarlin3Doc.h"
#include "app/ConfigStore.h"

#include "TempFolder.h"
#include "app/WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace x11test {

// Generous bound for anything that crosses processes on a loaded machine under a sanitizer.
inline constexpr int kWaitMs = 20000;

// What another X client reads from the clipboard as one target, through xclip.
struct ClipboardRead {
    bool offered = false;  // xclip got the target
    QByteArray data;
    QByteArray errors;  // xclip's complaint when it did not
};

// Our own process may be the owner that has to answer, so the event loop keeps running while xclip
// waits.
inline ClipboardRead readClipboard(const QString& target)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-o"), QStringLiteral("-t"), target});
    const bool started = xclip.waitForStarted(kWaitMs);
    EXPECT_TRUE(started) << "xclip could not be started: install the Debian package xclip (scripts/setup)";
    if (started) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, kWaitMs));
    }
    ClipboardRead read;
    read.offered = started && xclip.exitStatus() == QProcess::NormalExit && xclip.exitCode() == 0;
    read.data = xclip.readAllStandardOutput();
    read.errors = xclip.readAllStandardError();
    return read;
}

// How many processes of `program` run on this test's X display (their DISPLAY matches ours), so that
// other tests running the same program elsewhere do not count.
inline int processesOnThisDisplay(const QString& program)
{
    const QByteArray display = "DISPLAY=" + qgetenv("DISPLAY");
    int count = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        // An ended child nobody reaped yet keeps its /proc entry with an empty command line.
        const QByteArray argv0 = cmdline.readAll().split('\0').value(0);
        if (argv0 != QFile::encodeName(program))
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
        if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(display))
            ++count;
    }
    return count;
}

class X11Frame : public WindowTest {
protected:
    void TearDown() override
    {
        frame.reset();
        store.reset();
        WindowTest::TearDown();
    }
    // Builds, shows and activates the frame the way the program does. No window manager runs, so the
    // frame gets the input focus directly.
    CMainFrame& start()
    {
        store = std::make_unique<ConfigStore>(world.file(QStringLiteral("kestrel.conf")));
        frame = std::make_unique<CMainFrame>(*store, document);
        frame->create(false);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get(), kWaitMs));
        frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get(), kWaitMs));
        return *frame;
    }

    TempFolder world;
    CMarlin3Doc document;
    std::unique_ptr<ConfigStore> store;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace x11test
