// Kestrel: a browser for the memory cards of digital still cameras.

#include "app/CKestrelApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();

    CKestrelApp app;
    switch (app.initInstance(arguments)) {
    case CKestrelApp::Start::Fail:
        return 1;
    case CKestrelApp::Start::EndQuiet:
        return app.exitInstance();
    case CKestrelApp::Start::Run:
        break;
    }
    const int status = QApplication::exec();
    app.exitInstance();
    return status;
}
