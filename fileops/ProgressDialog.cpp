#include "fileops/ProgressDialog.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

namespace fileops {

namespace {

// Byte counts pass 2^31; the bar works in thousandths instead.
constexpr int BarSteps = 1000;

} // namespace

ProgressDialog::ProgressDialog(QWidget* owner) : owner_(owner) {}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::open(const QString& text)
{
    text_ = text;
    dialog_ = std::make_unique<QProgressDialog>(owner_);
    dialog_->setWindowTitle(text);
    dialog_->setLabelText(text);
    dialog_->setCancelButtonText(QStringLiteral("キャンセル"));
    dialog_->setRange(0, BarSteps);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(0);
    dialog_->setValue(0);
    dialog_->show();
    QCoreApplication::processEvents();
}

void ProgressDialog::setItem(const QString& name)
{
    if (dialog_)
        dialog_->setLabelText(text_ + QLatin1Char('\n') + name);
}

void ProgressDialog::setProgress(qint64 done, qint64 total)
{
    if (!dialog_)
        return;
    const int value = total > 0 ? static_cast<int>(std::clamp<qint64>(done * BarSteps / total, 0, BarSteps)) : 0;
    dialog_->setValue(value);
}

bool ProgressDialog::cancelRequested()
{
    if (!dialog_)
        return false;
    QCoreApplication::processEvents();
    return dialog_->wasCanceled();
}

void ProgressDialog::close()
{
    if (dialog_)
        dialog_->close();
    dialog_.reset();
}

} // namespace fileops
