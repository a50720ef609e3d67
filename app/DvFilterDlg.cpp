#include "app/DvFilterDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

DvFilterDlg::DvFilterDlg(int mode, const Margins& margins, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("DV フィルタ"));
    auto* form = new QFormLayout(this);
    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("mode"));
    mode_->addItems({QStringLiteral("なし"), QStringLiteral("インターレース除去"), QStringLiteral("ノイズ除去")});
    mode_->setCurrentIndex(std::clamp(mode, 0, mode_->count() - 1));
    form->addRow(QStringLiteral("フィルタ:"), mode_);
    auto spin = [this, form](const char* name, const QString& label, int value) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(0, kMaxMargin);
        box->setValue(value);
        form->addRow(label, box);
        return box;
    };
    left_ = spin("left", QStringLiteral("左端:"), margins.left);
    top_ = spin("top", QStringLiteral("上端:"), margins.top);
    right_ = spin("right", QStringLiteral("右端:"), margins.right);
    bottom_ = spin("bottom", QStringLiteral("下端:"), margins.bottom);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

int DvFilterDlg::mode() const
{
    return mode_->currentIndex();
}

DvFilterDlg::Margins DvFilterDlg::margins() const
{
    return {left_->value(), top_->value(), right_->value(), bottom_->value()};
}
