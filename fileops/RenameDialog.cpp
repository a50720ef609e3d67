#include "fileops/RenameDialog.h"

#include "fileops/DefaultApplications.h"
#include "fileops/FileOperationRunner.h"
#include "platform/MessageBox.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fileops {

namespace {

const char* const Caption = "名前の変更";
// The characters a camera card's file system (and the program's file lists) cannot hold in a name.
const char* const ForbiddenCharacters = "\\/:,;*?\"<>|";
const char* const ForbiddenText = "ファイル名には次の文字は使えません。\n"
                                  "               \\ / : , ; * ? \" < > |";
const char* const EmptyText = "ファイル名を入力してください。";
const char* const ExtensionQuestion = "拡張子を変更すると、ファイルが使えなくなる可能性があります。\n\n変更しますか?";

// From the last dot on, dot included; empty without a dot.
QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

void refuse(QWidget* owner, const char* text)
{
    platform::messageBox(owner, QString::fromUtf8(text), QString::fromUtf8(Caption),
                         platform::MbOk | platform::MbIconStop);
}

} // namespace

RenameDialog::RenameDialog(const QString& oldName, QWidget* parent, OpenCommandLookup lookup)
    : QDialog(parent), oldName_(oldName), newName_(oldName),
      lookup_(lookup ? std::move(lookup) : OpenCommandLookup(&DefaultApplications::hasOpenCommand))
{
    setObjectName(QString::number(TemplateId));
    setWindowTitle(QString::fromUtf8(Caption));

    edit_ = new QLineEdit(oldName, this);
    edit_->setObjectName(QString::number(NameEditId));
    // Select the name without its extension, which is what one usually changes.
    const qsizetype dot = oldName.lastIndexOf(QLatin1Char('.'));
    edit_->setSelection(0, dot > 0 ? int(dot) : int(oldName.size()));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("2"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("新しい名前:"), this));
    layout->addWidget(edit_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &RenameDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString RenameDialog::checkedName(QWidget* owner, const QString& oldName, const QString& typed,
                                  const OpenCommandLookup& lookup)
{
    QString name = typed;
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    const QString forbidden = QString::fromLatin1(ForbiddenCharacters);
    for (const QChar c : name) {
        // A NUL would cut the name short in every path the system builds from it.
        if (forbidden.contains(c) || c.isNull()) {
            refuse(owner, ForbiddenText);
            return {};
        }
    }
    if (name.isEmpty() || name.lastIndexOf(QLatin1Char('.')) == 0) {
        refuse(owner, EmptyText);
        return {};
    }
    const QString oldExtension = extensionOf(oldName);
    if (extensionOf(name).compare(oldExtension, Qt::CaseInsensitive) != 0 && !oldExtension.isEmpty() && lookup &&
        lookup(oldName)) {
        const int answer = platform::messageBox(owner, QString::fromUtf8(ExtensionQuestion), QString::fromUtf8(Caption),
                                                platform::MbYesNo | platform::MbIconExclamation);
        if (answer != platform::IdYes)
            return {};
    }
    return name;
}

void RenameDialog::confirm()
{
    const QString name = checkedName(this, oldName_, edit_->text(), lookup_);
    if (name.isEmpty())
        return;
    newName_ = name;
    accept();
}

namespace {

QString renameTo(QWidget* owner, const QString& path, const QString& newName)
{
    if (newName.isEmpty() || newName == QFileInfo(path).fileName())
        return {};
    FileOperation rename;
    rename.kind = OperationKind::Rename;
    rename.sources << path;
    rename.destinations << newName;
    rename.allowUndo = true;
    const OperationResult result = FileOperationRunner(nullptr, owner).run(rename);
    return result.succeeded() && !result.files.empty() ? result.files.front().destination : QString();
}

} // namespace

QString renameWithDialog(QWidget* owner, const QString& path, RenameDialog::OpenCommandLookup lookup)
{
    RenameDialog dialog(QFileInfo(path).fileName(), owner, std::move(lookup));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return renameTo(owner, path, dialog.newName());
}

QString renameChecked(QWidget* owner, const QString& path, const QString& typed, RenameDialog::OpenCommandLookup lookup)
{
    if (!lookup)
        lookup = &DefaultApplications::hasOpenCommand;
    return renameTo(owner, path, RenameDialog::checkedName(owner, QFileInfo(path).fileName(), typed, lookup));
}

} // namespace fileops
