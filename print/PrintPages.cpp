#include "print/PrintPages.h"

#include "browser/ShellFileInfo.h"
#include "imaging/DibConvert.h"
#include "imaging/DibResampler.h"
#include "imaging/FitRect.h"
#include "imaging/PackedDib.h"
#include "print/FullPictureLoader.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace print {

namespace {

// 96 tenths of a point.
constexpr double kCaptionPointSize = 9.6;
const char16_t kCaptionFace[] = u"ＭＳ Ｐゴシック";
// The resampled copy of a picture stays below this many pixels; a larger fitted rectangle (a
// high-resolution printer) lets the device stretch the copy the rest of the way.
constexpr long long kMaxDrawPixels = 16LL * 1000 * 1000;

QRect toQRect(const imaging::FitRectangle& r, const QPoint& origin)
{
    return QRect(origin.x() + r.left, origin.y() + r.top, r.width(), r.height());
}

}  // namespace

PrintEntry makePrintEntry(const QString& path, bool hasImage, const QImage& thumbnail)
{
    return PrintEntry{path, shell::displayName(path), hasImage, thumbnail, hasImage ? QIcon() : shell::fileIcon(path)};
}

QFont captionFont()
{
    QFont font(QString::fromUtf16(kCaptionFace));
    font.setPointSizeF(kCaptionPointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

CaptionMetrics captionMetrics(const QFont& font, QPaintDevice* device)
{
    const QFontMetrics metrics(font, device);
    CaptionMetrics out;
    out.ascent = metrics.ascent();
    out.descent = metrics.descent();
    out.height = metrics.height();
    // The room above the letters inside the line: the line height less the em size in device units.
    const int em = static_cast<int>(std::lround(font.pointSizeF() * (device ? device->logicalDpiY() : 96) / 72.0));
    out.internalLeading = std::max(0, metrics.height() - em);
    out.externalLeading = std::max(0, metrics.leading());
    return out;
}

bool drawFittedPicture(QPainter& painter, const imaging::PackedDib& picture, const QRect& box)
{
    if (!picture.isValid())
        return false;
    imaging::FitRectangle fitted;
    if (imaging::FitRect(picture.width(), picture.height(), box.width(), box.height(), true, fitted) != 0)
        return false;
    // The copy is made at the printed size in device dots, but never larger than the picture itself:
    // more dots would hold no more detail, only bytes, and the device enlarges the copy to the box.
    int width = std::min(fitted.width(), picture.width());
    int height = std::min(fitted.height(), picture.height());
    const long long pixels = static_cast<long long>(width) * height;
    if (pixels > kMaxDrawPixels) {
        const double shrink = std::sqrt(static_cast<double>(kMaxDrawPixels) / static_cast<double>(pixels));
        width = std::max(1, static_cast<int>(width * shrink));
        height = std::max(1, static_cast<int>(height * shrink));
    }
    imaging::PackedDib target = imaging::PackedDib::blank(width, height, 24);
    // The copy starts at its own corner; the fitted offset only places it on the page.
    const imaging::FitRectangle corner{0, 0, width, height};
    if (!target || imaging::resampleDib(picture, target, corner, /*smooth=*/true) != imaging::kResampleOk)
        return false;
    const QImage image = target.toImage();
    if (image.isNull())
        return false;
    painter.drawImage(toQRect(fitted, box.topLeft()), image);
    return true;
}

bool drawSinglePicturePage(QPainter& painter, const QRect& page, const QString& path, FullPictureLoader& loader)
{
    const imaging::PackedDib picture = loader.load(path);
    return drawFittedPicture(painter, picture, page);
}

IndexSheetPainter::IndexSheetPainter(const IndexLayout& layout, const QVector<PrintEntry>& entries, SheetMode mode,
                                     FullPictureLoader* loader)
    : layout_(layout), entries_(entries), mode_(mode), loader_(loader)
{
}

int IndexSheetPainter::drawPage(QPainter& painter, const QRect& page, int firstItem)
{
    painter.fillRect(page, Qt::white);
    if (!layout_.canPrint() || firstItem < 0)
        return firstItem;
    painter.save();
    painter.setFont(captionFont());
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    int index = firstItem;
    for (int cell = 0; cell < layout_.cellsPerPage() && index < entries_.size(); ++cell, ++index)
        drawCell(painter, layout_.cell(cell), entries_.at(index));
    painter.restore();
    return index;
}

void IndexSheetPainter::drawCell(QPainter& painter, const IndexCell& cell, const PrintEntry& entry)
{
    if (entry.hasImage) {
        // A picture that cannot be decoded leaves its box empty; the name still tells which file it was.
        if (mode_ == SheetMode::Preview) {
            if (!entry.thumbnail.isNull())
                drawFittedPicture(painter, imaging::PackedDib::fromImage(entry.thumbnail), cell.picture);
        } else if (loader_) {
            drawFittedPicture(painter, loader_->load(entry.path), cell.picture);
        }
    } else {
        drawIcon(painter, cell.picture, entry);
    }
    // Plain text: an "&" in a file name is printed, never taken for a mnemonic.
    painter.drawText(cell.caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, entry.displayName);
}

QRect IndexSheetPainter::iconRect(const QRect& pictureBox) const
{
    const int square = layout_.iconSquare();
    imaging::FitRectangle fitted;
    if (imaging::FitRect(square, square, pictureBox.width(), pictureBox.height(), false, fitted) != 0)
        return {};
    return toQRect(fitted, pictureBox.topLeft());
}

void IndexSheetPainter::drawIcon(QPainter& painter, const QRect& box, const PrintEntry& entry)
{
    const QRect square = iconRect(box);
    if (square.isEmpty() || entry.icon.isNull())
        return;
    // The icon is made at the desktop's large icon size and stretched over the square, on screen and
    // on paper alike; printers take pictures, not icons, so printing first puts it on white.
    if (mode_ == SheetMode::Preview) {
        painter.drawPixmap(square, entry.icon.pixmap(shell::kLargeIconSize));
        return;
    }
    const QImage image = imaging::iconToDib(entry.icon, shell::kLargeIconSize).toImage();
    if (!image.isNull())
        painter.drawImage(square, image);
}

}  // namespace print
