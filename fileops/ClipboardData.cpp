#include "fileops/ClipboardData.h"

#include "fileops/DuplicateNames.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace fileops::clipboard {
namespace {

// The header's fields: list offset, point x and y, "not client area", "wide", each 32 bits little-endian.
constexpr int OffsetField = 0;
constexpr int WideField = 16;

void putLe32(QByteArray& out, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((value >> shift) & 0xFF));
}

quint32 le32(const QByteArray& data, int at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | quint8(data[at + i]);
    return value;
}

QStringList narrowList(const QByteArray& block, qsizetype at)
{
    QStringList paths;
    while (at < block.size()) {
        const qsizetype end = block.indexOf('\0', at);
        const qsizetype stop = end < 0 ? block.size() : end;
        if (stop == at)
            break;  // the empty string that ends the list
        paths << platform::fileNameFromBytes(QByteArrayView(block).sliced(at, stop - at));
        at = stop + 1;
    }
    return paths;
}

QStringList wideList(const QByteArray& block, qsizetype at)
{
    QStringList paths;
    QString current;
    for (; at + 1 < block.size(); at += 2) {
        const char16_t unit = char16_t(quint8(block[at]) | (quint8(block[at + 1]) << 8));
        if (unit != 0) {
            current.append(QChar(unit));
            continue;
        }
        if (current.isEmpty())
            return paths;
        paths << current;
        current.clear();
    }
    if (!current.isEmpty())
        paths << current;
    return paths;
}

// What a list line's URI names on this machine, or nothing when it is no local file.
QString localPath(QByteArrayView line)
{
    const QUrl url = QUrl::fromEncoded(line.trimmed().toByteArray(), QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        return {};
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        return {};
    // "file://localhost/x" names /x, not a network share.
    QUrl local = url;
    local.setHost(QString());
    const QString path = local.toLocalFile();
    // "file:name" names no folder and would be taken against whatever folder the program stands in;
    // an encoded NUL would cut the path short at every system call, naming another file.
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(u'\0')))
        return {};
    return path;
}

}  // namespace

QByteArray dropFilesBlock(const QStringList& paths)
{
    QByteArray block;
    putLe32(block, DropFilesHeaderSize);
    putLe32(block, 0);  // point x
    putLe32(block, 0);  // point y
    putLe32(block, 0);  // not client area
    putLe32(block, 0);  // narrow
    for (const QString& path : paths) {
        block += QFile::encodeName(path);
        block += '\0';
    }
    block += '\0';
    return block;
}

QStringList parseDropFilesBlock(const QByteArray& block)
{
    if (block.size() < DropFilesHeaderSize)
        return {};
    const quint32 offset = le32(block, OffsetField);
    if (offset < DropFilesHeaderSize || offset >= quint32(block.size()))
        return {};
    return le32(block, WideField) != 0 ? wideList(block, offset) : narrowList(block, offset);
}

QStringList localPathsFromUriList(const QByteArray& body)
{
    QStringList paths;
    for (QByteArray line : body.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QString path = localPath(line);
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

QMimeData* makeFileMimeData(const QStringList& paths, Action action)
{
    auto* data = new QMimeData;
    QByteArray uris;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        const QUrl url = QUrl::fromLocalFile(path);
        urls << url;
        uris += url.toEncoded() + "\r\n";
    }
    // setUrls would also fill text/plain; the raw list keeps the body exactly as file managers write it.
    data->setData(QString::fromLatin1(UriListFormat), uris);
    QByteArray gnome = action == Action::Cut ? QByteArrayLiteral("cut") : QByteArrayLiteral("copy");
    for (const QUrl& url : urls)
        gnome += '\n' + url.toEncoded();
    data->setData(QString::fromLatin1(GnomeFormat), gnome);
    data->setData(QString::fromLatin1(KdeCutFormat), action == Action::Cut ? "1" : "0");
    data->setData(QString::fromLatin1(PrivateFormat), dropFilesBlock(paths));
    return data;
}

ClipboardFiles readFiles(const QMimeData* data)
{
    ClipboardFiles files;
    if (!data)
        return files;
    const QString gnomeFormat = QString::fromLatin1(GnomeFormat);
    QByteArray gnome = data->hasFormat(gnomeFormat) ? data->data(gnomeFormat) : QByteArray();
    const qsizetype firstBreak = gnome.indexOf('\n');
    const QByteArray gnomeAction = (firstBreak < 0 ? gnome : gnome.left(firstBreak)).trimmed();
    const QString kdeFormat = QString::fromLatin1(KdeCutFormat);
    files.cut = gnomeAction == "cut" || (data->hasFormat(kdeFormat) && data->data(kdeFormat).trimmed() == "1");

    const QString ownFormat = QString::fromLatin1(PrivateFormat);
    if (data->hasFormat(ownFormat)) {
        files.ours = true;
        files.paths = parseDropFilesBlock(data->data(ownFormat));
        return files;
    }
    if (firstBreak >= 0 && (gnomeAction == "cut" || gnomeAction == "copy")) {
        files.paths = localPathsFromUriList(gnome.mid(firstBreak + 1));
        return files;
    }
    const QString uriFormat = QString::fromLatin1(UriListFormat);
    if (data->hasFormat(uriFormat))
        files.paths = localPathsFromUriList(data->data(uriFormat));
    return files;
}

Qt::DropAction dropEffect(Qt::KeyboardModifiers keys, bool sameVolume)
{
    const bool control = keys.testFlag(Qt::ControlModifier);
    const bool shift = keys.testFlag(Qt::ShiftModifier);
    if (control && shift)
        return Qt::LinkAction;
    if (!sameVolume && !shift)
        return Qt::CopyAction;
    if (control)
        return Qt::CopyAction;
    return Qt::MoveAction;
}

bool onSameVolume(const QString& path, const QString& folder)
{
    struct stat first {};
    struct stat second {};
    return ::lstat(QFile::encodeName(path).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(folder).constData(), &second) == 0 && first.st_dev == second.st_dev;
}

QStringList createShortcuts(const QStringList& targets, const QString& folder)
{
    QStringList made;
    for (const QString& target : targets) {
        const QString absolute = QFileInfo(target).absoluteFilePath();
        QString name = QFileInfo(absolute).fileName();
        if (name.isEmpty())
            name = QFileInfo(QDir::cleanPath(absolute)).fileName();
        const QString link = DuplicateNames::shortcutName(folder, name);
        // symlink() never replaces: a name taken meanwhile fails instead of overwriting a file.
        if (::symlink(QFile::encodeName(absolute).constData(), QFile::encodeName(link).constData()) != 0)
            break;
        made << link;
    }
    return made;
}

}  // namespace fileops::clipboard
