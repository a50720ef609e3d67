#pragma once
// The two print layouts as page sources for the printing loop.

#include "print/FullPictureLoader.h"
#include "print/IndexLayout.h"
#include "print/PrintLoop.h"
#include "print/PrintPages.h"

#include <QVector>

namespace print {

// One selected picture per page: page n prints entry n.
class SinglePictureJob : public PageSource {
public:
    SinglePictureJob(QVector<PrintEntry> entries, DecoderFactory decoders);
    int maxPage() const override { return entries_.size(); }
    bool hasPage(int page) const override { return page >= 1 && page <= entries_.size(); }
    void drawPage(QPainter& painter, const QRect& pageRect, int page) override;
    // Pages whose picture could not be decoded (they stay empty).
    int emptyPages() const { return emptyPages_; }

private:
    QVector<PrintEntry> entries_;
    FullPictureLoader loader_;
    int emptyPages_ = 0;
};

// The index sheet: every listed file in cells, columns x rows a page.
class IndexSheetJob : public PageSource {
public:
    // `layout` was made for the printer this job prints on.
    IndexSheetJob(const IndexLayout& layout, QVector<PrintEntry> entries, SheetMode mode, DecoderFactory decoders);
    int maxPage() const override { return layout_.pagesOffered(entries_.size()); }
    bool hasPage(int page) const override;
    void drawPage(QPainter& painter, const QRect& pageRect, int page) override;
    // The index after the last item drawn so far.
    int nextItem() const { return nextItem_; }
    const IndexLayout& layout() const { return layout_; }

private:
    IndexLayout layout_;
    QVector<PrintEntry> entries_;
    FullPictureLoader loader_;
    SheetMode mode_;
    int nextItem_ = 0;
};

// The index layout for the device `printer` paints on, with the caption font measured there.
IndexLayout indexLayoutFor(QPaintDevice* device);

}  // namespace print
