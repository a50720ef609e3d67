#pragma once
// The progress window of a print-order save: a text line, the picture being written, a percentage, a
// bar and a cancel control.
//
// The save runs on the user-interface thread, so the window only learns of a click on cancel when the
// save asks: cancelRequested() handles the pending input first, then answers. The window never stops
// the save itself; what a cancel leaves on the card is the save's business.

#include "fileops/Progress.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class CPrintProgressDlg : public QDialog, public fileops::Progress {
public:
    explicit CPrintProgressDlg(QWidget* parent = nullptr);

    using QDialog::open;

    void open(const QString& text) override;
    void setItem(const QString& name) override;
    void setProgress(qint64 done, qint64 total) override;
    bool cancelRequested() override;
    void close() override;

    QPushButton* cancelButton() const { return cancel_; }
    QString text() const;
    QString percentText() const;
    int barValue() const;

protected:
    // Escape and the window's close box ask for a cancel too; the save closes the window.
    void reject() override;

private:
    QLabel* text_;
    QLabel* item_;
    QLabel* percent_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    bool cancelled_ = false;
};
