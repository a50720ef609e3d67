#include "app/CAboutDlg.h"

#include "app/Commands.h"
#include "resources/UiResources.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Texts of the dialog in the string table: title, then three lines.
constexpr int kTitle = res::AboutDialog;
constexpr int kFirstLine = res::AboutDialog + 1;
constexpr int kLineCount = 3;
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QString::number(res::AboutDialog));
    setWindowTitle(UiResources::string(kTitle));
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(UiResources::icon(res::DocumentTemplate)));
    icon->setAlignment(Qt::AlignTop);
    auto* lines = new QVBoxLayout;
    for (int i = 0; i < kLineCount; ++i)
        lines->addWidget(new QLabel(UiResources::string(kFirstLine + i), this));
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(lines, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}
