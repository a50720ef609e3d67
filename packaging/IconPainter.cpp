// iconpaint: draws the program's icon at the sizes a desktop's icon theme asks for.
//
//   iconpaint <output folder> <size>...
//
// Writes <output folder>/<size>x<size>/apps/kestrel.png for every size. The picture is the one the
// bundles carry as icon 130, painted afresh at each size rather than scaled from the 32-pixel bitmap,
// so the large sizes stay sharp.

// The painter keeps its drawing functions private to its file; taking the file in whole gives this
// tool the very same icon without widening the generator's interface for one build step.
#include "resources/generator/BitmapPainter.cpp"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: iconpaint <output folder> <size>...\n");
        return 2;
    }
    const QString out = QDir(args[1]).absolutePath();
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool number = false;
        const int size = args[i].toInt(&number);
        if (!number || size < 8 || size > 1024) {
            std::fprintf(stderr, "iconpaint: not an icon size: %s\n", qPrintable(args[i]));
            return 2;
        }
        const QString folder = out + QStringLiteral("/%1x%1/apps").arg(size);
        const QString file = folder + QStringLiteral("/kestrel.png");
        const QImage icon = resgen::programIcon(size);
        if (!QDir().mkpath(folder) || icon.isNull() || !icon.save(file, "PNG")) {
            std::fprintf(stderr, "iconpaint: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
