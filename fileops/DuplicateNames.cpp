#include "fileops/DuplicateNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace fileops {

namespace {

bool onDisk(const QString& path)
{
    // A dangling symbolic link still occupies the name.
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

QString trimmedFolder(const QString& folder)
{
    QString out = folder;
    while (out.size() > 1 && out.endsWith(QLatin1Char('/')))
        out.chop(1);
    return out;
}

QString join(const QString& folder, const QString& name)
{
    const QString base = trimmedFolder(folder);
    return base.endsWith(QLatin1Char('/')) ? base + name : base + QLatin1Char('/') + name;
}

// Numbered candidates start at 2: the unnumbered form counts as the first.
constexpr unsigned long FirstNumber = 2;

} // namespace

QString DuplicateNames::copyName(const QString& folder, const QString& name, const Exists& exists)
{
    const Exists& test = exists ? exists : Exists(onDisk);
    QString candidate = join(folder, QStringLiteral("コピー ～ ") + name);
    for (unsigned long n = FirstNumber; test(candidate); ++n)
        candidate = join(folder, QStringLiteral("コピー (%1) ～ ").arg(n) + name);
    return candidate;
}

QString DuplicateNames::duplicateName(const QString& folder, const QString& name, const Exists& exists)
{
    const Exists& test = exists ? exists : Exists(onDisk);
    const QString plain = join(folder, name);
    return test(plain) ? copyName(folder, name, test) : plain;
}

QString DuplicateNames::shortcutName(const QString& folder, const QString& name, const Exists& exists)
{
    const Exists& test = exists ? exists : Exists(onDisk);
    QString candidate = join(folder, name + QStringLiteral("へのショートカット"));
    for (unsigned long n = FirstNumber; test(candidate); ++n)
        candidate = join(folder, name + QStringLiteral("へのショートカット (%1)").arg(n));
    return candidate;
}

QStringList DuplicateNames::copyDestinations(const QStringList& sources, const QString& folder, bool isCopy,
                                             const Exists& exists)
{
    const Exists& test = exists ? exists : Exists(onDisk);
    const QString target = trimmedFolder(QDir::cleanPath(folder));
    QStringList out;
    QSet<QString> taken; // names handed out earlier in this list count as taken too
    for (const QString& source : sources) {
        const QFileInfo info(source);
        const QString sourceFolder = trimmedFolder(QDir::cleanPath(info.absolutePath()));
        if (isCopy && sourceFolder.compare(target, Qt::CaseInsensitive) == 0) {
            const auto busy = [&](const QString& path) { return taken.contains(path) || test(path); };
            const QString name = copyName(target, info.fileName(), busy);
            taken.insert(name);
            out << name;
        } else {
            out << join(target, info.fileName());
        }
    }
    return out;
}

} // namespace fileops
