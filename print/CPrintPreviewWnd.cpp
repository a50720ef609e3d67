#include "print/CPrintPreviewWnd.h"

#include "resources/UiResources.h"

#include <QAction>
#include <QPrintPreviewWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

enum StringId {
    TitlePreview = 21065,
    ActionPrint = 21066,
    ActionNextPage = 21067,
    ActionPreviousPage = 21068,
    ActionZoomIn = 21069,
    ActionZoomOut = 21070,
    ActionClose = 21071,
};

}  // namespace

CPrintPreviewWnd::CPrintPreviewWnd(QPrinter* printer, PagePainter paint, QWidget* parent)
    : QDialog(parent), preview_(new QPrintPreviewWidget(printer, this))
{
    setWindowTitle(UiResources::string(TitlePreview));
    auto* bar = new QToolBar(this);
    print_ = bar->addAction(UiResources::string(ActionPrint), this, [this] {
        printRequested_ = true;
        accept();
    });
    bar->addAction(UiResources::string(ActionNextPage), preview_, [this] { preview_->setCurrentPage(preview_->currentPage() + 1); });
    bar->addAction(UiResources::string(ActionPreviousPage), preview_, [this] { preview_->setCurrentPage(preview_->currentPage() - 1); });
    bar->addAction(UiResources::string(ActionZoomIn), preview_, &QPrintPreviewWidget::zoomIn);
    bar->addAction(UiResources::string(ActionZoomOut), preview_, &QPrintPreviewWidget::zoomOut);
    bar->addAction(UiResources::string(ActionClose), this, &QDialog::reject);
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
