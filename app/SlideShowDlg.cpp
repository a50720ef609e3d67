#include "app/SlideShowDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

SlideShowDlg::SlideShowDlg(int listed, int shown, int selected, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("スライドショー"));
    auto* layout = new QVBoxLayout(this);
    auto* counts = new QLabel(QStringLiteral("ファイル数 : %1　表示数 : %2　選択 : %3").arg(listed).arg(shown).arg(selected), this);
    counts->setObjectName(QStringLiteral("counts"));
    layout->addWidget(counts);
    variant_ = new QComboBox(this);
    variant_->setObjectName(QStringLiteral("variant"));
    variant_->addItems({QStringLiteral("選択したファイル (名前などの並び順)"), QStringLiteral("選択したファイル (表示の順)"),
                        QStringLiteral("すべてのファイル (名前などの並び順)"), QStringLiteral("すべてのファイル (表示の順)")});
    variant_->setCurrentIndex(selected > 0 ? SelectedShownOrder : AllShownOrder);
    layout->addWidget(variant_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int SlideShowDlg::variant() const
{
    return variant_->currentIndex();
}
