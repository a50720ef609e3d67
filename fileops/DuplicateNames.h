#pragma once
// The names the file commands give to copies that would otherwise land on an existing file, and to
// shortcuts. Each function returns the first candidate that does not exist yet.

#include <QString>
#include <QStringList>

#include <functional>

namespace fileops {

class DuplicateNames {
public:
    using Exists = std::function<bool(const QString& path)>;

    // "<folder>/コピー ～ <name>", then "<folder>/コピー (2) ～ <name>", (3) and so on.
    static QString copyName(const QString& folder, const QString& name, const Exists& exists = {});

    // The plain "<folder>/<name>" when free, else the copyName() sequence.
    static QString duplicateName(const QString& folder, const QString& name, const Exists& exists = {});

    // "<folder>/<name>へのショートカット", then "… (2)" from 2 on.
    static QString shortcutName(const QString& folder, const QString& name, const Exists& exists = {});

    // The destination list of a copy or move into `folder`: each source's file name joined to the
    // folder. Only a copy into the source's own folder (compared without regard to case) is renamed,
    // so that it never overwrites its own source; copies elsewhere keep their names.
    static QStringList copyDestinations(const QStringList& sources, const QString& folder, bool isCopy,
                                        const Exists& exists = {});
};

} // namespace fileops
