#include "platform/Names.h"

namespace platform {

int compareNoCase(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive);
}

QString foldedName(const QString& name)
{
    return name.toCaseFolded();
}

}  // namespace platform
