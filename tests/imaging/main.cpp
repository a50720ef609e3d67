// The image adapter tests run inside a QApplication (icons, message boxes) with the Uires bundle bound,
// the application named as the program names itself.

#include "QtTestMain.h"

#include "resources/UiResources.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrel"));
    UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR));
    return runQtTests(argc, argv);
}
