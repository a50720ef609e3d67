#pragma once
// The properties of one file: a modal sheet with a general page (name, type, size, dates, attributes)
// and an image page (kind, picture size, colour depth, thumbnail).
//
// The sheet keeps its own copy of the item, thumbnail included, taken when it was opened: the loader may
// go on changing the item in the store (or the store may drop it) while the sheet is open. Nothing is
// written back; the attribute check boxes only show.
//
// Controls carry their ids as object names: the general page ("107") has 1011 (large icon), 1014
// (display name), 1015 (type name), 1016 (file name), 1017 (size), 1018 (last write), 1019 (shooting
// date), 1020..1023 (read-only, hidden, archive, system); the image page ("108") has 1014 (display
// name), 1015 (kind name), 1013 (picture size), 3005 (colour depth), 3002 (thumbnail).

#include "browser/FileItem.h"
#include "browser/ItemTexts.h"

#include <QDialog>

class QTabWidget;

class CFilePropSheet : public QDialog {
public:
    static constexpr int kGeneralPageId = 107;
    static constexpr int kImagePageId = 108;

    // Control ids.
    static constexpr int kIconId = 1011;
    static constexpr int kPictureSizeId = 1013;
    static constexpr int kDisplayNameId = 1014;
    static constexpr int kTypeNameId = 1015;  // on the image page: the kind name
    static constexpr int kFileNameId = 1016;
    static constexpr int kSizeId = 1017;
    static constexpr int kLastWriteId = 1018;
    static constexpr int kShootingDateId = 1019;
    static constexpr int kReadOnlyId = 1020;
    static constexpr int kHiddenId = 1021;
    static constexpr int kArchiveId = 1022;
    static constexpr int kSystemId = 1023;
    static constexpr int kThumbnailId = 3002;
    static constexpr int kColourDepthId = 3005;

    // Takes over `copy` (a copy of the store's item, made by the caller under the locks) and builds both
    // pages from it and from the file at `folder`.
    CFilePropSheet(const QString& folder, FileItem copy, QWidget* parent = nullptr);

    const FileItem& item() const { return item_; }
    QTabWidget* pages() const { return pages_; }
    QWidget* generalPage() const;
    QWidget* imagePage() const;

    // A copy of `item` with its own thumbnail block.
    static FileItem copyItem(const FileItem& item);

private:
    QWidget* buildGeneralPage(const QString& path, const FilePropertyTexts& texts);
    QWidget* buildImagePage(const FilePropertyTexts& texts);

    FileItem item_;
    QTabWidget* pages_;
};
