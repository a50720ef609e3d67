#pragma once
// Drawing the pages of the two print layouts onto a painter in device units: one picture per page, or
// an index sheet of cells with pictures (or file icons) and file names.

#include "print/IndexLayout.h"

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVector>

class QPainter;
class QPaintDevice;

namespace imaging {
class PackedDib;
}

namespace print {

class FullPictureLoader;

// One file of a print job, copied from the view when the job starts.
struct PrintEntry {
    QString path;         // full path
    QString displayName;  // the caption
    bool hasImage = false;  // the view found a picture in the file
    QImage thumbnail;     // the view's thumbnail, for the preview
    QIcon icon;           // the file's large icon, for files without picture
};

// An entry for the file at `path`, named and iconed as the desktop shows it. Needs a QApplication.
PrintEntry makePrintEntry(const QString& path, bool hasImage, const QImage& thumbnail = QImage());

// The caption font: 9.6 points of the program's Japanese proportional face (the nearest installed face
// stands in when it is missing).
QFont captionFont();
// The caption font's measures on `device`.
CaptionMetrics captionMetrics(const QFont& font, QPaintDevice* device);

// Draws `picture` fitted into `box` (enlarging allowed) and centred in it. The picture is resampled to
// the box's size in device units when that is smaller than the picture, else handed over at its own
// size for the device to enlarge. False when the picture or the box is empty, or the resampler refuses
// the picture.
bool drawFittedPicture(QPainter& painter, const imaging::PackedDib& picture, const QRect& box);

// The single-picture layout: the picture of `path` fitted into `page`. False when it cannot be decoded;
// the page then stays empty.
bool drawSinglePicturePage(QPainter& painter, const QRect& page, const QString& path, FullPictureLoader& loader);

enum class SheetMode { Preview, Print };

class IndexSheetPainter {
public:
    // `loader` decodes full pictures when printing; the preview uses the entries' thumbnails.
    IndexSheetPainter(const IndexLayout& layout, const QVector<PrintEntry>& entries, SheetMode mode,
                      FullPictureLoader* loader);

    // Fills `page` white and draws the cells of the items from `firstItem` on. Returns the index after
    // the last item drawn.
    int drawPage(QPainter& painter, const QRect& page, int firstItem);

    // The square a file without picture gets inside `pictureBox`.
    QRect iconRect(const QRect& pictureBox) const;

private:
    void drawCell(QPainter& painter, const IndexCell& cell, const PrintEntry& entry);
    void drawIcon(QPainter& painter, const QRect& box, const PrintEntry& entry);

    const IndexLayout& layout_;
    const QVector<PrintEntry>& entries_;
    SheetMode mode_;
    FullPictureLoader* loader_;
};

}  // namespace print
