#include "fileops/DefaultApplications.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QHash>
#include <QMimeDatabase>

namespace fileops {

namespace {

using KeyFile = DefaultApplications::KeyFile;

// Association lists and desktop entries are small; anything much larger is not one.
constexpr qint64 MaxKeyFileBytes = 4 * 1024 * 1024;

KeyFile readKeyFile(const QString& path)
{
    // A pipe or device put in place of a list must not hang the rename dialog.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxKeyFileBytes)
        return {};
    return DefaultApplications::parseKeyFile(file.read(MaxKeyFileBytes));
}

QStringList splitList(const QString& value)
{
    QStringList items;
    for (const QString& item : value.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
    return items;
}

QString environmentFolder(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() || !QDir::isAbsolutePath(value) ? fallback : value;
}

QStringList environmentFolders(const char* variable, const QStringList& fallback)
{
    QStringList folders;
    for (const QString& folder : qEnvironmentVariable(variable).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder))
            folders << folder;
    return folders.isEmpty() ? fallback : folders;
}

QString configHome()
{
    return environmentFolder("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"));
}

QString dataHome()
{
    return environmentFolder("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
}

QStringList dataFolders()
{
    return environmentFolders("XDG_DATA_DIRS", {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
}

// The file of a desktop entry id: "a-b.desktop" may also live at "a/b.desktop".
QString desktopEntryPath(const QString& id)
{
    if (id.contains(QLatin1Char('/')) || id.startsWith(QLatin1Char('.')))
        return {};
    for (const QString& folder : DefaultApplications::applicationFolders()) {
        QString candidate = folder + QLatin1Char('/') + id;
        if (QFileInfo(candidate).isFile())
            return candidate;
        QString nested = id;
        for (qsizetype dash = nested.indexOf(QLatin1Char('-')); dash > 0; dash = nested.indexOf(QLatin1Char('-'))) {
            nested[dash] = QLatin1Char('/');
            candidate = folder + QLatin1Char('/') + nested;
            if (QFileInfo(candidate).isFile())
                return candidate;
        }
    }
    return {};
}

// An entry counts when it can actually start something.
bool usable(const QString& id)
{
    const QString path = desktopEntryPath(id);
    if (path.isEmpty())
        return false;
    const auto entry = readKeyFile(path).value(QStringLiteral("Desktop Entry"));
    if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true"))
        return false;
    return !entry.value(QStringLiteral("Exec")).isEmpty();
}

}  // namespace

QStringList DefaultApplications::command(const QString& id)
{
    const QString path = desktopEntryPath(id);
    if (path.isEmpty())
        return {};
    const auto entry = readKeyFile(path).value(QStringLiteral("Desktop Entry"));
    if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true"))
        return {};
    QStringList words = QProcess::splitCommand(entry.value(QStringLiteral("Exec")));
    // Field codes stand for the files or the entry; the caller appends the file itself.
    words.removeIf([](const QString& word) { return word.size() == 2 && word.startsWith(QLatin1Char('%')); });
    if (words.isEmpty())
        return {};
    const QString program = words.first().contains(QLatin1Char('/')) ? words.first()
                                                                    : QStandardPaths::findExecutable(words.first());
    const QFileInfo info(program);
    if (program.isEmpty() || !info.isFile() || !info.isExecutable())
        return {};
    words[0] = info.absoluteFilePath();
    return words;
}

namespace {

QStringList typeAndAliases(const QString& mimeType)
{
    QStringList names{mimeType};
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    if (type.isValid()) {
        if (!names.contains(type.name()))
            names << type.name();
        names << type.aliases();
    }
    return names;
}

} // namespace

DefaultApplications::KeyFile DefaultApplications::parseKeyFile(const QByteArray& text)
{
    KeyFile entries;
    QString section;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || section.isEmpty())
            continue;
        const QString key = line.left(equals).trimmed();
        if (key.isEmpty())
            continue;
        auto& keys = entries[section];
        if (!keys.contains(key))
            keys.insert(key, line.mid(equals + 1).trimmed());
    }
    return entries;
}

QStringList DefaultApplications::listFiles()
{
    QStringList files{configHome() + QStringLiteral("/mimeapps.list")};
    for (const QString& folder : environmentFolders("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")}))
        files << folder + QStringLiteral("/mimeapps.list");
    files << dataHome() + QStringLiteral("/applications/mimeapps.list");
    for (const QString& folder : dataFolders())
        files << folder + QStringLiteral("/applications/mimeapps.list");
    return files;
}

QStringList DefaultApplications::applicationFolders()
{
    QStringList folders{dataHome() + QStringLiteral("/applications")};
    for (const QString& folder : dataFolders())
        folders << folder + QStringLiteral("/applications");
    return folders;
}

QString DefaultApplications::mimeTypeOf(const QString& fileName)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() ? type.name() : QString();
}

QString DefaultApplications::applicationFor(const QString& mimeType)
{
    if (mimeType.isEmpty())
        return {};
    const QStringList names = typeAndAliases(mimeType);
    QStringList removed;
    QStringList added;
    for (const QString& list : listFiles()) {
        const KeyFile entries = readKeyFile(list);
        for (const QString& name : names) {
            for (const QString& id : splitList(entries.value(QStringLiteral("Default Applications")).value(name)))
                if (!removed.contains(id) && usable(id))
                    return id;
            for (const QString& id : splitList(entries.value(QStringLiteral("Added Associations")).value(name)))
                if (!removed.contains(id))
                    added << id;
            removed << splitList(entries.value(QStringLiteral("Removed Associations")).value(name));
        }
    }
    for (const QString& id : added)
        if (!removed.contains(id) && usable(id))
            return id;

    for (const QString& folder : applicationFolders()) {
        const KeyFile cache = readKeyFile(folder + QStringLiteral("/mimeinfo.cache"));
        for (const QString& name : names)
            for (const QString& id : splitList(cache.value(QStringLiteral("MIME Cache")).value(name)))
                if (!removed.contains(id) && usable(id))
                    return id;
        // Without a cache (a folder nobody ran the cache tool on) the entries speak for themselves.
        if (QFileInfo::exists(folder + QStringLiteral("/mimeinfo.cache")))
            continue;
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString id = QDir(folder).relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-'));
            const auto entry = readKeyFile(path).value(QStringLiteral("Desktop Entry"));
            const QStringList types = splitList(entry.value(QStringLiteral("MimeType")));
            for (const QString& name : names)
                if (types.contains(name) && !removed.contains(id) && usable(id))
                    return id;
        }
    }
    return {};
}

bool DefaultApplications::hasOpenCommand(const QString& fileName)
{
    return !applicationFor(mimeTypeOf(fileName)).isEmpty();
}

} // namespace fileops
