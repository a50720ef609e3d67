#include "print/CPrintProgressDlg.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int FullBar = 100; // the bar counts per cent, as the percentage text does
constexpr int CancelId = 2;  // the cancel control keeps the number every dialog gives it

} // namespace

CPrintProgressDlg::CPrintProgressDlg(QWidget* parent)
    : QDialog(parent), text_(new QLabel(this)), item_(new QLabel(this)), percent_(new QLabel(this)),
      bar_(new QProgressBar(this)), cancel_(new QPushButton(QStringLiteral("キャンセル"), this))
{
    setWindowModality(Qt::WindowModal);
    text_->setObjectName(QStringLiteral("text"));
    item_->setObjectName(QStringLiteral("item"));
    percent_->setObjectName(QStringLiteral("percent"));
    bar_->setObjectName(QStringLiteral("bar"));
    cancel_->setObjectName(QString::number(CancelId));
    bar_->setRange(0, FullBar);
    bar_->setTextVisible(false);

    auto* row = new QHBoxLayout;
    row->addWidget(bar_, 1);
    row->addWidget(percent_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(item_);
    layout->addLayout(row);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);

    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
    setProgress(0, 0);
}

void CPrintProgressDlg::open(const QString& text)
{
    cancelled_ = false;
    text_->setText(text);
    item_->clear();
    setProgress(0, 0);
    show();
}

void CPrintProgressDlg::setItem(const QString& name)
{
    item_->setText(name);
}

void CPrintProgressDlg::setProgress(qint64 done, qint64 total)
{
    const qint64 percent = total > 0 ? std::clamp<qint64>(done * FullBar / total, 0, FullBar) : 0;
    bar_->setValue(static_cast<int>(percent));
    percent_->setText(QStringLiteral("%1%").arg(percent));
}

bool CPrintProgressDlg::cancelRequested()
{
    // The window is modal to its owner, so the click on cancel is the only input that gets through.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return cancelled_;
}

void CPrintProgressDlg::reject()
{
    cancelled_ = true;
}

void CPrintProgressDlg::close()
{
    hide();
}

QString CPrintProgressDlg::text() const
{
    return text_->text();
}

QString CPrintProgressDlg::percentText() const
{
    return percent_->text();
}

int CPrintProgressDlg::barValue() const
{
    return bar_->value();
}
