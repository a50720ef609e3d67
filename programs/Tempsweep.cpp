// Tempsweep -delay<ms>: waits, then removes the program's own temporary leftovers older than the delay.

#include "programs/TempSweep.h"

#include "platform/Paths.h"

#include <QCoreApplication>
#include <QTimer>

namespace {
// Without a delay on the command line the files of a program closing right now are given this long.
constexpr int DefaultDelayMs = 5000;
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int delay = programs::delayFromArguments(app.arguments().mid(1), DefaultDelayMs);
    QTimer::singleShot(delay, &app, [delay] {
        programs::sweepTemporaryFiles(platform::tempFolder(),
                                      QDateTime::currentDateTime().addMSecs(-qint64(delay)));
        QCoreApplication::quit();
    });
    return app.exec();
}
