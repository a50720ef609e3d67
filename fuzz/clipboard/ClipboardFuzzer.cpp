// Feeds arbitrary bytes to the readers of the file lists that arrive by clipboard and drop. The first
// byte picks the reader:
//
//   0  the dropped-files block alone
//   1  a URI list body alone
//   2  mime data: the second byte says which of the four formats are present, the rest holds their
//      bodies in the order private block, GNOME list, URI list, KDE cut mark, split at 0x1E
//
// Besides staying in bounds, what comes out must be usable as paths: none empty, none holding a NUL
// (the file system would stop reading there and act on another file), and those from URI lists
// absolute (a relative one would be taken against whatever folder the program stands in). A block
// rebuilt from what was read must read back the same after one round, and mime data must be read from
// the format the rules put first.

#include "fileops/ClipboardData.h"

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace fc = fileops::clipboard;

namespace {

constexpr size_t MaxInput = 1 << 16;

void checkPaths(const QStringList& paths, bool mustBeAbsolute)
{
    for (const QString& path : paths) {
        if (path.isEmpty() || path.contains(QChar(u'\0')))
            __builtin_trap();
        if (mustBeAbsolute && !path.startsWith(QLatin1Char('/')))
            __builtin_trap();
    }
}

void checkBlock(const QByteArray& block)
{
    const QStringList first = fc::parseDropFilesBlock(block);
    checkPaths(first, false);
    if (first.isEmpty())
        return;
    // Reading a wide block or a narrow one in another encoding may change a character once (to the
    // replacement character); after that the narrow form must be stable.
    const QStringList second = fc::parseDropFilesBlock(fc::dropFilesBlock(first));
    if (second.size() != first.size())
        __builtin_trap();
    if (fc::parseDropFilesBlock(fc::dropFilesBlock(second)) != second)
        __builtin_trap();
}

void checkMimeData(std::uint8_t present, const QByteArray& rest)
{
    const QList<QByteArray> parts = rest.split('\x1e');
    const char* formats[] = {fc::PrivateFormat, fc::GnomeFormat, fc::UriListFormat, fc::KdeCutFormat};
    QMimeData data;
    for (int i = 0; i < 4; ++i) {
        if (present & (1u << i))
            data.setData(QString::fromLatin1(formats[i]), i < parts.size() ? parts[i] : QByteArray());
    }
    const fc::ClipboardFiles files = fc::readFiles(&data);
    const bool ours = data.hasFormat(QString::fromLatin1(fc::PrivateFormat));
    if (files.ours != ours)
        __builtin_trap();
    if (ours) {
        checkPaths(files.paths, false);
        if (files.paths != fc::parseDropFilesBlock(data.data(QString::fromLatin1(fc::PrivateFormat))))
            __builtin_trap();
    } else {
        checkPaths(files.paths, true);
    }
    // A list with no "cut" in either cut format is a copy.
    const QByteArray gnome = data.data(QString::fromLatin1(fc::GnomeFormat));
    const QByteArray kde = data.data(QString::fromLatin1(fc::KdeCutFormat));
    if (files.cut && !gnome.contains("cut") && !kde.contains('1'))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 || size > MaxInput)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    switch (data[0] % 3) {
    case 0:
        checkBlock(rest);
        break;
    case 1:
        checkPaths(fc::localPathsFromUriList(rest), true);
        break;
    default:
        checkMimeData(data[1], rest.mid(1));
        break;
    }
    // The null answer for no data.
    if (!fc::readFiles(nullptr).paths.isEmpty())
        __builtin_trap();
    return 0;
}
