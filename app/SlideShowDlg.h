#pragma once
// The slide show's settings: which files the slide show gets (the selected ones or all of them) and in
// which order (the folder's sorted list, or the order shown). The four choices are the variants 0-3
// the view hands over.

#include <QDialog>

class QComboBox;

class SlideShowDlg : public QDialog {
    Q_OBJECT
public:
    enum Variant { SelectedListOrder = 0, SelectedShownOrder = 1, AllListOrder = 2, AllShownOrder = 3 };

    // `listed`, `shown` and `selected` are the view's counts; the choice starts on the selection when there
    // is one, else on everything shown.
    SlideShowDlg(int listed, int shown, int selected, QWidget* parent = nullptr);

    int variant() const;

private:
    QComboBox* variant_ = nullptr;
};
