#pragma once
// The window shown while a document prints: the document, the printer and its port, the page being
// printed, and a cancel control. Printing runs on the user-interface thread, so the loop asks the
// window between pages; the question first handles the pending input, so a click on cancel is seen.

#include <QDialog>

class QLabel;
class QPushButton;

class CPrintStatusDlg : public QDialog {
public:
    CPrintStatusDlg(const QString& document, const QString& printer, const QString& port, QWidget* parent = nullptr);

    // Shows `page` and answers whether printing may go on.
    bool continueWithPage(int page);
    bool isCancelled() const { return cancelled_; }
    QString pageText() const;
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void reject() override;

private:
    QLabel* page_;
    QPushButton* cancel_;
    bool cancelled_ = false;
};
