#include "fileops/BackupDialog.h"

#include "fileops/BackupScan.h"
#include "fileops/FileOperationRunner.h"
#include "fileops/ProgressDialog.h"
#include "platform/MessageBox.h"
#include "platform/Volumes.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace fileops {

namespace {

// What can be typed: the 260-character path buffer less room for the "\IM000000.jpg" that follows.
constexpr int MaxDestinationLength = 246;

const char* const BackingUpText = "バックアップ中...";

QString stripTrailingSlashes(QString path)
{
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

void errorBox(QWidget* owner, const QString& text)
{
    platform::messageBox(owner, text, QStringLiteral("エラー"), platform::MbOk | platform::MbIconStop);
}

} // namespace

BackupDialog::BackupDialog(const QString& cardRoot, const QString& destination, QWidget* parent)
    : QDialog(parent), cardRoot_(cardRoot), destination_(destination)
{
    setWindowTitle(QStringLiteral("バックアップ"));

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("1000"));
    edit_->setMaxLength(MaxDestinationLength);
    browseButton_ = new QPushButton(QStringLiteral("参照..."), this);
    browseButton_->setObjectName(QStringLiteral("1001"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("1002"));
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("1"));
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton_->setObjectName(QStringLiteral("2"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("バックアップ先フォルダ:"), this), 0, 0, 1, 2);
    grid->addWidget(edit_, 1, 0);
    grid->addWidget(browseButton_, 1, 1);
    grid->addWidget(status_, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    grid->addLayout(buttons, 3, 0, 1, 2);

    picker_ = [](QWidget* owner, const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    };

    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { okButton_->setEnabled(!text.isEmpty()); });
    connect(browseButton_, &QPushButton::clicked, this, &BackupDialog::browse);
    connect(okButton_, &QPushButton::clicked, this, &BackupDialog::runBackup);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    edit_->setText(destination.left(MaxDestinationLength));
    okButton_->setEnabled(!edit_->text().isEmpty());
}

void BackupDialog::browse()
{
    const QString chosen = picker_(this, QStringLiteral("バックアップ先フォルダの選択："), edit_->text());
    if (!chosen.isEmpty())
        edit_->setText(chosen);
}

void BackupDialog::setControlsEnabled(bool enabled)
{
    okButton_->setEnabled(enabled && !edit_->text().isEmpty());
    cancelButton_->setEnabled(enabled);
    browseButton_->setEnabled(enabled);
    edit_->setEnabled(enabled);
}

void BackupDialog::showStatus(const QString& text)
{
    status_->setText(text);
    status_->repaint(); // the scan and the copy hold the event loop; show the text before they start
}

void BackupDialog::runBackup()
{
    const QString destination = stripTrailingSlashes(edit_->text());
    if (destination.isEmpty()) {
        errorBox(this, QStringLiteral("バックアップ先フォルダが指定されていません"));
        return;
    }
    // A relative destination would depend on the program's working folder.
    if (!QDir::isAbsolutePath(destination)) {
        errorBox(this, QStringLiteral("バックアップ先フォルダの指定が正しくありません"));
        return;
    }
    if (!platform::Volumes::freeSpace(platform::Volumes::driveRootOf(destination))) {
        errorBox(this, QStringLiteral("デバイスの準備ができていません"));
        return;
    }

    setControlsEnabled(false);
    showStatus(QStringLiteral("ファイル検索中..."));
    const BackupPlan plan = BackupScan::scan(cardRoot_, destination);
    if (!plan.foundFolder || plan.sources.isEmpty()) {
        platform::messageBox(this, QStringLiteral("バックアップするファイルが見つかりませんでした"),
                             QStringLiteral("報告"), platform::MbOk | platform::MbIconInformation);
        setControlsEnabled(true);
        showStatus(QString());
        return;
    }

    showStatus(QString::fromUtf8(BackingUpText));
    FileOperation copy;
    copy.kind = OperationKind::Copy;
    copy.sources = plan.sources;
    copy.destinations = plan.targets;
    copy.multipleDestinations = true;
    copy.allowUndo = true;
    copy.progressTitle = QString::fromUtf8(BackingUpText);
    copy.verifyCopies = true;
    ProgressDialog progress(this);
    FileOperationRunner runner(&progress, this);
    if (writer_)
        runner.setWriter(writer_);
    const OperationResult result = runner.run(copy);

    setControlsEnabled(true);
    if (!result.succeeded()) {
        showStatus(QString());
        return;
    }
    platform::messageBox(this, QStringLiteral("バックアップが完了しました"), QStringLiteral("完了"),
                         platform::MbOk | platform::MbIconInformation);
    destination_ = destination;
    accept();
}

} // namespace fileops
