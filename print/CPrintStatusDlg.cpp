#include "print/CPrintStatusDlg.h"

#include "resources/UiResources.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

enum StringId {
    TitlePrinting = 21061,
    TextPrinterOnPort = 21062,
    TextPage = 21063,
    TextCancel = 21064,
};

}  // namespace

CPrintStatusDlg::CPrintStatusDlg(const QString& document, const QString& printer, const QString& port, QWidget* parent)
    : QDialog(parent), page_(new QLabel(this)), cancel_(new QPushButton(UiResources::string(TextCancel), this))
{
    setWindowTitle(UiResources::string(TitlePrinting));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(document, this));
    layout->addWidget(new QLabel(port.isEmpty() ? printer : UiResources::string(TextPrinterOnPort).arg(printer, port), this));
    layout->addWidget(page_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
}

bool CPrintStatusDlg::continueWithPage(int page)
{
    page_->setText(UiResources::string(TextPage).arg(page));
    QCoreApplication::processEvents();
    return !cancelled_;
}

QString CPrintStatusDlg::pageText() const
{
    return page_->text();
}

void CPrintStatusDlg::reject()
{
    // Escape and the close box cancel; the loop ends the document and closes the window.
    cancelled_ = true;
}
