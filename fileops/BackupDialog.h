#pragma once
// The backup dialog: copies every camera picture and movie of a card into one flat folder under
// running numbers (see BackupScan), through the file operation service.
//
// The frame hands in the card root and the last destination and, when the dialog ends with OK, takes
// destination() back to remember it.
//
// Every copy is read back from the destination once it is flushed and compared with the card's file;
// a copy that differs is removed, named in a message, and the run stops there without the completion
// message. Copies finished before it stay, so a second run numbers on after them.

#include "fileops/FileOperationRunner.h"

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace fileops {

class BackupDialog : public QDialog {
    Q_OBJECT
public:
    // Shows a folders-only picker; returns the chosen folder or an empty text when the user cancelled.
    using FolderPicker = std::function<QString(QWidget* owner, const QString& title, const QString& start)>;

    BackupDialog(const QString& cardRoot, const QString& destination, QWidget* parent = nullptr);

    // The destination as last accepted (trailing slashes stripped); the initial one until then.
    QString destination() const { return destination_; }

    void setFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }

    // The write seam of the copies (see FileOperationRunner::setWriter); tests damage or fail writes.
    void setWriter(FileOperationRunner::Writer writer) { writer_ = std::move(writer); }

private:
    void browse();
    void runBackup();
    void setControlsEnabled(bool enabled);
    void showStatus(const QString& text);

    QString cardRoot_;
    QString destination_;
    FolderPicker picker_;
    FileOperationRunner::Writer writer_;
    QLineEdit* edit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace fileops
