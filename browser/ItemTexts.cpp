#include "browser/ItemTexts.h"

#include "browser/DateText.h"
#include "browser/FileAttributes.h"
#include "browser/FileFacts.h"
#include "browser/ShellFileInfo.h"
#include "browser/ShootingDate.h"

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

QStringList informationLines(const QString& folder, const FileItem& item)
{
    const QString path = itemPath(folder, item.name);
    const FileFacts facts = FileFacts::read(path);
    return {
        QStringLiteral("ファイル名      ") + shell::displayName(path),
        QStringLiteral("種類              ") + shell::typeName(path),
        QStringLiteral("ファイルサイズ  ") +
            bytesText(facts),
        QStringLiteral("作成日（撮影日）  ") + shootingDateText(path, DateStyle::Japanese),
        QStringLiteral("最終更新日        ") +
            (facts.found ? fileTimeText(facts.lastWrite, DateStyle::Japanese) : unknownText()),
        QStringLiteral("画像のサイズ    ") + pictureSizeText(item),
        QStringLiteral("画像の使用色数  ") + colourDepthText(item),
    };
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
