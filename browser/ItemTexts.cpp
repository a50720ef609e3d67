#include "browser/ItemTexts.h"

#include "browser/DateText.h"
#include "browser/FileAttributes.h"
#include "browser/FileFacts.h"
#include "browser/ShellFileInfo.h"
#include "browser/ShootingDate.h"

#include <QHash>

namespace {

constexpr std::uint64_t kBytesPerKilobyte = 1024;

bool isUnknown(const FileItem& item)
{
    return item.kind == KindUnknown;
}

QString pictureSizeText(const FileItem& item)
{
    if (isUnknown(item))
        return QStringLiteral("W: - x H: -");
    return QStringLiteral("W: %1 x H: %2").arg(item.thumbnail->width).arg(item.thumbnail->height);
}

QString colourDepthText(const FileItem& item)
{
    if (isUnknown(item))
        return QStringLiteral("- bit color");
    return QStringLiteral("%1 bit color").arg(item.thumbnail->bitCount);
}

QString bytesText(const FileFacts& facts)
{
    return facts.found ? QStringLiteral("%1 バイト").arg(facts.size) : unknownText();
}

}  // namespace

std::uint64_t shownKilobytes(std::uint64_t bytes)
{
    return bytes < kBytesPerKilobyte ? 1 : bytes / kBytesPerKilobyte;
}

QString pictureInfoText(const FileItem& item)
{
    return pictureSizeText(item) + QStringLiteral("  ") + colourDepthText(item);
}

QString detailCellText(const QString& folder, const FileItem& item, int column)
{
    const QString path = itemPath(folder, item.name);
    switch (column) {
    case ColumnName:
        return shell::displayName(path);
    case ColumnSize: {
        const FileFacts facts = FileFacts::read(path);
        return facts.found ? QStringLiteral("%1 KB").arg(shownKilobytes(facts.size)) : unknownText();
    }
    case ColumnType:
        return shell::typeName(path);
    case ColumnModified: {
        const FileFacts facts = FileFacts::read(path);
        return facts.found ? fileTimeText(facts.lastWrite, DateStyle::Numeric) : unknownText();
    }
    case ColumnPicture:
        return pictureInfoText(item);
    default:
        return {};
    }
}

QString detailCellText(const ItemFacts& facts, const FileItem& item, int column)
{
    switch (column) {
    case ColumnName:
        return shell::displayName(item.name);
    case ColumnSize:
        return facts.found ? QStringLiteral("%1 KB").arg(shownKilobytes(facts.size)) : unknownText();
    case ColumnType:
        return facts.typeName;
    case ColumnModified:
        return facts.found ? fileTimeText(facts.lastWrite, DateStyle::Numeric) : unknownText();
    case ColumnPicture:
        return pictureInfoText(item);
    default:
        return {};
    }
}

QStringList informationLines(const QString& folder, const FileItem& item)
{
    return informationLines(readItemFacts(itemPath(folder, item.name)), item);
}

QStringList informationLines(const ItemFacts& facts, const FileItem& item)
{
    return {
        QStringLiteral("ファイル名      ") + shell::displayName(item.name),
        QStringLiteral("種類              ") + facts.typeName,
        QStringLiteral("ファイルサイズ  ") + (facts.found ? QStringLiteral("%1 バイト").arg(facts.size) : unknownText()),
        QStringLiteral("作成日（撮影日）  ") + facts.shootingDate,
        QStringLiteral("最終更新日        ") +
            (facts.found ? fileTimeText(facts.lastWrite, DateStyle::Japanese) : unknownText()),
        QStringLiteral("画像のサイズ    ") + pictureSizeText(item),
        QStringLiteral("画像の使用色数  ") + colourDepthText(item),
    };
}

ItemFacts shownFacts(const FileItem& item)
{
    if (item.thumbnail && item.thumbnail->facts)
        return *item.thumbnail->facts;
    // Type names by extension: a folder holds few extensions, and the painters ask for every visible
    // item at every repaint.
    static thread_local QHash<QString, std::pair<QString, QString>> byExtension;
    const qsizetype dot = item.name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : item.name.mid(dot).toLower();
    auto found = byExtension.constFind(extension);
    if (found == byExtension.constEnd()) {
        const QString mime = shell::mimeNameByExtension(QStringLiteral("x") + extension);
        found = byExtension.insert(extension, {mime, shell::typeNameOfMime(mime)});
    }
    ItemFacts facts;
    facts.found = true;
    facts.size = item.size;
    facts.lastWrite = item.lastWrite;
    facts.mimeName = found->first;
    facts.typeName = found->second;
    return facts;
}

FilePropertyTexts filePropertyTexts(const QString& folder, const FileItem& item)
{
    const QString path = itemPath(folder, item.name);
    const FileFacts facts = FileFacts::read(path);
    FilePropertyTexts texts;
    texts.displayName = shell::displayName(path);
    texts.typeName = shell::typeName(path);
    texts.fileName = item.name;
    texts.size = bytesText(facts);
    texts.lastWrite = facts.found ? fileTimeText(facts.lastWrite, DateStyle::Japanese) : unknownText();
    texts.shootingDate = shootingDateText(path, DateStyle::Japanese);
    texts.attributes = fileAttributes(path);
    texts.kindName = fileKindName(item.kind);
    texts.pictureSize = pictureSizeText(item);
    texts.colourDepth = colourDepthText(item);
    return texts;
}
