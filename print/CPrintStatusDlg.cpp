#include "print/CPrintStatusDlg.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CPrintStatusDlg::CPrintStatusDlg(const QString& document, const QString& printer, const QString& port, QWidget* parent)
    : QDialog(parent), page_(new QLabel(this)), cancel_(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(tr("Printing"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(document, this));
    layout->addWidget(new QLabel(port.isEmpty() ? printer : tr("%1 on %2").arg(printer, port), this));
    layout->addWidget(page_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
}

bool CPrintStatusDlg::continueWithPage(int page)
{
    page_->setText(tr("Page %1").arg(page));
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
