#pragma once
// The DV filter dialog: the filter mode and the four frame-line margins applied to DV stills.

#include <QDialog>

class QComboBox;
class QSpinBox;

class DvFilterDlg : public QDialog {
    Q_OBJECT
public:
    struct Margins {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };
    // Margins run from 0 to this many lines or pixels.
    static constexpr int kMaxMargin = 64;

    DvFilterDlg(int mode, const Margins& margins, QWidget* parent = nullptr);

    int mode() const;
    Margins margins() const;

private:
    QComboBox* mode_ = nullptr;
    QSpinBox* left_ = nullptr;
    QSpinBox* top_ = nullptr;
    QSpinBox* right_ = nullptr;
    QSpinBox* bottom_ = nullptr;
};
