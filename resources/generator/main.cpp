// resgen: writes the contents of the two resource bundles and their .qrc lists.
//
//   resgen <source folder> <output folder> [--without-layouts]
//
// The output folder receives Uibase/ and Uires/ with the generated files and Uibase.qrc / Uires.qrc,
// which also list the hand-written sources (string tables, menus) by absolute path.

#include "BitmapPainter.h"
#include "LayoutTables.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

struct QrcEntry {
    QString alias;  // path inside the bundle
    QString file;   // file on disk
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "resgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writeImage(const QString& path, const QImage& image)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (image.isNull() || !image.save(path, "PNG")) {
        std::fprintf(stderr, "resgen: cannot draw %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writeQrc(const QString& path, const QVector<QrcEntry>& entries)
{
    QByteArray text = "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource>\n";
    for (const QrcEntry& entry : entries) {
        text += "  <file alias=\"" + entry.alias.toUtf8() + "\">" + entry.file.toHtmlEscaped().toUtf8() +
                "</file>\n";
    }
    text += "</qresource>\n</RCC>\n";
    return writeFile(path, text);
}

// Menus live in the source folder as menus/<number>.menu.
QVector<QrcEntry> menuEntries(const QString& source)
{
    QVector<QrcEntry> entries;
    QDirIterator it(source + QStringLiteral("/menus"), {QStringLiteral("*.menu")}, QDir::Files);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries.push_back({QStringLiteral("MENU/") + info.completeBaseName(), info.absoluteFilePath()});
    }
    return entries;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: resgen <source folder> <output folder> [--without-layouts]\n");
        return 2;
    }
    const QString source = QDir(args[1]).absolutePath();
    const QString out = QDir(args[2]).absolutePath();
    const bool withLayouts = !args.contains(QStringLiteral("--without-layouts"));
    bool ok = true;

    QVector<QrcEntry> uires{{QStringLiteral("STRINGTABLE"), source + QStringLiteral("/strings-uires.tsv")}};
    for (const auto& [number, paint] : resgen::uiresBitmaps()) {
        const QString file = out + QStringLiteral("/Uires/BITMAP/%1.png").arg(number);
        ok = writeImage(file, paint()) && ok;
        uires.push_back({QStringLiteral("BITMAP/%1").arg(number), file});
    }
    if (withLayouts) {
        for (const resgen::LayoutTable& table : resgen::layoutTables()) {
            const QString file = out + QStringLiteral("/Uires/LAYOUT_DATA/%1").arg(table.number);
            ok = writeFile(file, resgen::encodeLayout(table)) && ok;
            uires.push_back({QStringLiteral("LAYOUT_DATA/%1").arg(table.number), file});
        }
    }

    QVector<QrcEntry> uibase{{QStringLiteral("STRINGTABLE"), source + QStringLiteral("/strings-uibase.tsv")}};
    uibase += menuEntries(source);
    for (const auto& [number, paint] : resgen::uibaseIcons()) {
        const QString file = out + QStringLiteral("/Uibase/ICON/%1.png").arg(number);
        ok = writeImage(file, paint()) && ok;
        uibase.push_back({QStringLiteral("ICON/%1").arg(number), file});
    }

    ok = writeQrc(out + QStringLiteral("/Uires.qrc"), uires) && ok;
    ok = writeQrc(out + QStringLiteral("/Uibase.qrc"), uibase) && ok;
    return ok ? 0 : 1;
}
