#pragma once
// The rename dialog of a file (the new name in control 1003) and the one call the frame makes to
// rename a file through it.
//
// OK checks the typed name before the dialog closes: trailing dots are dropped; names with a character
// that a camera card's file system refuses, empty names and bare extensions (".jpg") are refused with a
// message and the dialog stays open; a changed extension is asked about when the old one has a program
// that opens it, and answering no keeps the dialog open too. Cancel leaves the old name.

#include <QDialog>
#include <QString>

#include <functional>

class QLineEdit;
class QPushButton;

namespace fileops {

class RenameDialog : public QDialog {
    Q_OBJECT
public:
    // Tells whether a file of this name has a program that opens it (DefaultApplications by default).
    using OpenCommandLookup = std::function<bool(const QString& fileName)>;

    static constexpr int TemplateId = 109;
    static constexpr int NameEditId = 1003;

    explicit RenameDialog(const QString& oldName, QWidget* parent = nullptr, OpenCommandLookup lookup = {});

    // The accepted new name; the old name unless the dialog ended with OK.
    QString newName() const { return newName_; }

    // The checks of OK on `typed`: the name to use, or an empty text when the dialog must stay open (the
    // reason was already shown, with `owner` as the message boxes' parent).
    static QString checkedName(QWidget* owner, const QString& oldName, const QString& typed,
                               const OpenCommandLookup& lookup);

private:
    void confirm();

    QString oldName_;
    QString newName_;
    OpenCommandLookup lookup_;
    QLineEdit* edit_ = nullptr;
};

// Shows the rename dialog for the file at `path` and renames it through the file operation service,
// never over another file (a taken name is refused with a message). Returns the new path, or an empty
// text when nothing was renamed: cancelled, the name unchanged, or the rename failed (already reported).
QString renameWithDialog(QWidget* owner, const QString& path, RenameDialog::OpenCommandLookup lookup = {});

// The same checks and rename for a name typed elsewhere (the thumbnail list's edit box): a refused name
// shows its message and renames nothing. Returns the new path, or an empty text as above.
QString renameChecked(QWidget* owner, const QString& path, const QString& typed,
                      RenameDialog::OpenCommandLookup lookup = {});

} // namespace fileops
