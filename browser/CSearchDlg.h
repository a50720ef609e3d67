#pragma once
// The view's search dialog: a name search (contains / does not contain / equals) or a date search
// (within / outside two dates), over the shown items, only the marked ones (narrowing) or adding to the
// last hits (widening). The dates start at today; an impossible date is refused with the program's
// message and the dialog stays open.

#include <QDialog>

class ItemStore;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

class CSearchDlg : public QDialog {
    Q_OBJECT
public:
    enum Page { NamePage = 0, DatePage = 1 };

    explicit CSearchDlg(QWidget* parent = nullptr);

    // The checked OK: refuses an impossible date.
    void accept() override;
    // Runs the chosen search on `store`; returns the number of hits.
    int run(ItemStore& store, const QString& folder) const;

    QTabWidget* pages() const { return pages_; }

private:
    struct DateFields {
        QSpinBox* year;
        QSpinBox* month;
        QSpinBox* day;
    };
    DateFields makeDate(QWidget* page, const QString& name);
    static bool valid(const DateFields& fields);

    QTabWidget* pages_ = nullptr;
    QLineEdit* text_ = nullptr;
    QComboBox* nameMatch_ = nullptr;
    QComboBox* dateMatch_ = nullptr;
    QComboBox* scope_ = nullptr;
    DateFields from_{};
    DateFields to_{};
};
