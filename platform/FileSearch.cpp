#include "platform/FileSearch.h"
#include "platform/Paths.h"

#include <QFile>
#include <QStringList>

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace platform {
namespace {

bool sameChar(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

bool isDirectory(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool existsExactly(const QByteArray& path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

bool FileSearch::matches(QStringView name, QStringView pattern)
{
    if (pattern == u"*.*" || pattern == u"*")
        return true;

    // Greedy matching with one backtrack point: the last '*' seen and where its run currently ends.
    qsizetype n = 0, p = 0;
    qsizetype starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || sameChar(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

std::vector<DirEntry> FileSearch::list(const QString& folder, QStringView pattern)
{
    std::vector<DirEntry> entries;
    const QByteArray encodedFolder = QFile::encodeName(folder);
    std::unique_ptr<DIR, DirCloser> dir(::opendir(encodedFolder.constData()));
    if (!dir)
        return entries;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* raw = entry->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        const QString name = fileNameFromBytes(raw);
        if (!matches(name, pattern))
            continue;
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
            isDir = isDirectory(QFile::encodeName(joined(folder, name)));
        entries.push_back({name, isDir});
    }
    return entries;
}

QString FileSearch::resolve(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return {};
    // "." and ".." are settled as text first, so a missing folder that ".." leaves again does no harm.
    QStringList parts;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    QStringList resolved;
    for (const QString& part : parts) {
        const QString parent = QLatin1Char('/') + resolved.join(QLatin1Char('/'));
        const QString exact = joined(parent, part);
        if (existsExactly(QFile::encodeName(exact))) {
            resolved.append(part);
            continue;
        }
        bool found = false;
        for (const DirEntry& entry : list(parent, u"*")) {
            if (entry.name.size() == part.size() && entry.name.compare(part, Qt::CaseInsensitive) == 0) {
                resolved.append(entry.name);
                found = true;
                break;
            }
        }
        if (!found)
            return {};
    }
    return QLatin1Char('/') + resolved.join(QLatin1Char('/'));
}

bool FileSearch::isDir(const QString& path)
{
    const QString found = resolve(path);
    return !found.isEmpty() && isDirectory(QFile::encodeName(found));
}

} // namespace platform
