#include "print/PageJobs.h"

#include <QPaintDevice>

namespace print {

SinglePictureJob::SinglePictureJob(QVector<PrintEntry> entries, DecoderFactory decoders)
    : entries_(std::move(entries)), loader_(std::move(decoders))
{
}

void SinglePictureJob::drawPage(QPainter& painter, const QRect& pageRect, int page)
{
    if (!hasPage(page))
        return;
    if (!drawSinglePicturePage(painter, pageRect, entries_.at(page - 1).path, loader_))
        ++emptyPages_;
}

IndexSheetJob::IndexSheetJob(const IndexLayout& layout, QVector<PrintEntry> entries, SheetMode mode,
                             DecoderFactory decoders)
    : layout_(layout), entries_(std::move(entries)), loader_(std::move(decoders)), mode_(mode)
{
}

bool IndexSheetJob::hasPage(int page) const
{
    // A page's items follow from its number, so a range that starts on a later page prints that page's
    // items rather than the first page's again.
    return layout_.canPrint() && page >= 1 && layout_.firstItemOfPage(page) < entries_.size();
}

void IndexSheetJob::drawPage(QPainter& painter, const QRect& pageRect, int page)
{
    IndexSheetPainter sheet(layout_, entries_, mode_, &loader_);
    nextItem_ = sheet.drawPage(painter, pageRect, layout_.firstItemOfPage(page));
}

IndexLayout indexLayoutFor(QPaintDevice* device)
{
    return IndexLayout(device->logicalDpiX(), device->logicalDpiY(), device->width(), device->height(),
                       captionMetrics(captionFont(), device));
}

}  // namespace print
