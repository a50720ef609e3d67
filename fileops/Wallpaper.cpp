#include "fileops/Wallpaper.h"

#include "platform/MessageBox.h"
#include "resources/UiResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

namespace fileops {

const QString Wallpaper::FileName = QStringLiteral("MRL_WALL.BMP");
const QString Wallpaper::FailureMessage = QString::fromUtf8("デスクトップの壁紙を設定できませんでした。");

namespace {

constexpr int ApplicationTitleId = 21012;
const QString WorkFolderPattern = QStringLiteral("/kestrel-wall-XXXXXX");

bool hasEnding(const QString& path, const char* ending)
{
    return path.right(4).compare(QLatin1String(ending), Qt::CaseInsensitive) == 0;
}

QString tool(const char* name)
{
    return QStandardPaths::findExecutable(QLatin1String(name));
}

// A JavaScript string literal of `text` for the Plasma shell's script.
QString scriptString(const QString& text)
{
    QString quoted = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'"' || c == u'\\')
            quoted += u'\\';
        if (c.unicode() < 0x20) {
            quoted += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
            continue;
        }
        quoted += c;
    }
    return quoted + u'"';
}

std::vector<Wallpaper::Command> gsettings(const QString& schema, const QStringList& keys, const QString& value)
{
    const QString program = tool("gsettings");
    if (program.isEmpty())
        return {};
    std::vector<Wallpaper::Command> commands;
    for (const QString& key : keys)
        commands.push_back({program, {QStringLiteral("set"), schema, key, value}});
    return commands;
}

std::vector<Wallpaper::Command> xfce(const QString& file)
{
    const QString program = tool("xfconf-query");
    if (program.isEmpty())
        return {};
    // Every monitor and workspace has its own "last-image" property.
    QProcess list;
    list.start(program, {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")});
    if (!list.waitForFinished(Wallpaper::ToolTimeoutMs) || list.exitStatus() != QProcess::NormalExit ||
        list.exitCode() != 0)
        return {};
    std::vector<Wallpaper::Command> commands;
    for (const QByteArray& line : list.readAllStandardOutput().split('\n')) {
        const QString property = QString::fromUtf8(line.trimmed());
        if (property.startsWith(u'/') && property.endsWith(QLatin1String("/last-image")))
            commands.push_back({program, {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"),
                                          property, QStringLiteral("-s"), file}});
    }
    return commands;
}

std::vector<Wallpaper::Command> plasma(const QString& file)
{
    const QString script =
        QStringLiteral("desktops().forEach(function(d){d.wallpaperPlugin=\"org.kde.image\";"
                       "d.currentConfigGroup=[\"Wallpaper\",\"org.kde.image\",\"General\"];"
                       "d.writeConfig(\"Image\",%1);});")
            .arg(scriptString(QUrl::fromLocalFile(file).toString()));
    for (const char* name : {"qdbus", "qdbus6", "qdbus-qt5"}) {
        const QString program = tool(name);
        if (!program.isEmpty())
            return {{program,
                     {QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                      QStringLiteral("org.kde.PlasmaShell.evaluateScript"), script}}};
    }
    const QString program = tool("dbus-send");
    if (program.isEmpty())
        return {};
    return {{program,
             {QStringLiteral("--session"), QStringLiteral("--dest=org.kde.plasmashell"),
              QStringLiteral("--type=method_call"), QStringLiteral("/PlasmaShell"),
              QStringLiteral("org.kde.PlasmaShell.evaluateScript"), QStringLiteral("string:") + script}}};
}

// Puts `from` in place as the wallpaper by rename, within the data folder.
bool replaceWallpaper(const QString& from, const QString& wallpaper)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(wallpaper).constData()) == 0;
}

// Copies `source` to `target` through a temporary file beside it, so the target is whole or untouched.
bool copyInto(const QString& source, const QString& target)
{
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    char buffer[1 << 16];
    for (;;) {
        const qint64 got = in.read(buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (out.write(buffer, got) != got)
            return false;
    }
    return out.commit();
}

}  // namespace

QString Wallpaper::wallpaperFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + FileName;
}

Wallpaper::Desktop Wallpaper::currentDesktop()
{
    const QString names = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    for (const QString& entry : names.split(u':', Qt::SkipEmptyParts)) {
        const QString name = entry.trimmed().toLower();
        if (name == QLatin1String("gnome") || name == QLatin1String("unity") || name == QLatin1String("budgie") ||
            name == QLatin1String("pantheon") || name == QLatin1String("gnome-classic"))
            return Desktop::Gnome;
        if (name == QLatin1String("x-cinnamon") || name == QLatin1String("cinnamon"))
            return Desktop::Cinnamon;
        if (name == QLatin1String("mate"))
            return Desktop::Mate;
        if (name == QLatin1String("xfce"))
            return Desktop::Xfce;
        if (name == QLatin1String("kde"))
            return Desktop::Plasma;
    }
    return Desktop::None;
}

std::vector<Wallpaper::Command> Wallpaper::commandsFor(Desktop desktop, const QString& file)
{
    const QString uri = QUrl::fromLocalFile(file).toString();
    switch (desktop) {
    case Desktop::Gnome:
        return gsettings(QStringLiteral("org.gnome.desktop.background"),
                         {QStringLiteral("picture-uri"), QStringLiteral("picture-uri-dark")}, uri);
    case Desktop::Cinnamon:
        return gsettings(QStringLiteral("org.cinnamon.desktop.background"), {QStringLiteral("picture-uri")}, uri);
    case Desktop::Mate:
        return gsettings(QStringLiteral("org.mate.background"), {QStringLiteral("picture-filename")}, file);
    case Desktop::Xfce:
        return xfce(file);
    case Desktop::Plasma:
        return plasma(file);
    case Desktop::None:
        break;
    }
    return {};
}

bool Wallpaper::runTool(const Command& command)
{
    QProcess process;
    process.start(command.program, command.arguments);
    return process.waitForFinished(ToolTimeoutMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

Wallpaper::Result Wallpaper::set(const QString& picture, QWidget* owner, const imaging::DvFilterSettings& dvSettings)
{
    const bool isBmp = hasEnding(picture, ".bmp");
    const bool converts = hasEnding(picture, ".jpg") || hasEnding(picture, ".dvf") || hasEnding(picture, ".ttl");
    if (!isBmp && !converts)
        return Result::NotAPicture;

    const QString file = wallpaperFile();
    const std::vector<Command> commands = commandsFor(currentDesktop(), file);
    if (commands.empty()) {
        platform::messageBox(owner, FailureMessage, UiResources::string(ApplicationTitleId),
                             platform::MbOk | platform::MbIconExclamation);
        return Result::NoDesktop;
    }

    if (isBmp) {
        copyInto(picture, file);
    } else {
        // Converted in a private folder beside the wallpaper, so the final step is a rename.
        QTemporaryDir work(QFileInfo(file).absolutePath() + WorkFolderPattern);
        const QString copy = work.filePath(QFileInfo(picture).fileName());
        QString converted;
        if (work.isValid() && QFile::copy(picture, copy) &&
            imaging::convertImage(copy, converted, IMGSHIFT_MODE_BMP, dvSettings) == IMGSHIFT_OK)
            replaceWallpaper(converted, file);
    }
    if (!QFileInfo::exists(file)) {
        platform::messageBox(owner, FailureMessage, UiResources::string(ApplicationTitleId),
                             platform::MbOk | platform::MbIconExclamation);
        return Result::NoFile;
    }
    for (const Command& command : commands) {
        if (!runTool(command)) {
            platform::messageBox(owner, FailureMessage, UiResources::string(ApplicationTitleId),
                                 platform::MbOk | platform::MbIconExclamation);
            return Result::DesktopFailed;
        }
    }
    return Result::Set;
}

}  // namespace fileops
