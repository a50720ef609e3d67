#include "print/CPrintPreviewWnd.h"

#include <QAction>
#include <QPrintPreviewWidget>
#include <QToolBar>
#include <QVBoxLayout>

CPrintPreviewWnd::CPrintPreviewWnd(QPrinter* printer, PagePainter paint, QWidget* parent)
    : QDialog(parent), preview_(new QPrintPreviewWidget(printer, this))
{
    setWindowTitle(tr("Print Preview"));
    auto* bar = new QToolBar(this);
    print_ = bar->addAction(tr("&Print..."), this, [this] {
        printRequested_ = true;
        accept();
    });
    bar->addAction(tr("&Next Page"), preview_, [this] { preview_->setCurrentPage(preview_->currentPage() + 1); });
    bar->addAction(tr("Pre&v Page"), preview_, [this] { preview_->setCurrentPage(preview_->currentPage() - 1); });
    bar->addAction(tr("Zoom &In"), preview_, &QPrintPreviewWidget::zoomIn);
    bar->addAction(tr("Zoom &Out"), preview_, &QPrintPreviewWidget::zoomOut);
    bar->addAction(tr("&Close"), this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(preview_);
    connect(preview_, &QPrintPreviewWidget::paintRequested, this, [paint](QPrinter* target) {
        if (paint)
            paint(target);
    });
    preview_->fitInView();
    resize(800, 900);
}

int CPrintPreviewWnd::pageCount() const
{
    return preview_->pageCount();
}
