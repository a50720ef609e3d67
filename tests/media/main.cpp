// The folder tree tests run inside a QApplication (widgets, icons, message boxes) with the Uires bundle
// bound, as the program binds it, for the new-folder name and the message texts.

#include "QtTestMain.h"

#include "resources/UiResources.h"

int main(int argc, char** argv)
{
    UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR));
    return runQtTests(argc, argv);
}
