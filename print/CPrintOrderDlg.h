#pragma once
// The print-order dialog: the user picks, for each of the selected pictures, whether and how often it is
// printed; OK writes the card's print order.
//
// The dialog edits a copy of the quantities (the edited list) and touches the order itself only on OK:
// a cancel leaves the card as it was. Opening can fail (the order cannot be read, or none of the
// pictures can be ordered); the user has then been told, and exec() returns at once.
//
// After a save that failed or was cancelled the dialog stays open with the user's quantities, so that
// nothing typed is lost; the card holds the previous order.
//
// Controls carry their ids as object names: 1070 (the pictures' names), 1072 / 1073 (print / do not
// print), 1074 (quantity), 1076 (total copies), 1009 (thumbnail frame), 1 and 2 (OK, cancel); the
// spinners' arrows are "quantityUp", "quantityDown", "pictureUp", "pictureDown", and the command that
// sets the quantity on every picture is "setAll".

#include "imaging/PackedDib.h"
#include "print/OrderFileIo.h"
#include "print/PrintOrder.h"

#include <QDialog>

#include <functional>
#include <memory>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;
class CPrintThumbFrame;

class CPrintOrderDlg : public QDialog {
public:
    static constexpr int kTemplateId = 105;
    static constexpr int kThumbnailId = 1009;
    static constexpr int kPictureListId = 1070;
    static constexpr int kPrintId = 1072;
    static constexpr int kDoNotPrintId = 1073;
    static constexpr int kQuantityId = 1074;
    static constexpr int kTotalId = 1076;
    static constexpr int kQuantityDigits = 3; // the file writes quantities as three digits

    // The thumbnail of a picture, or an empty DIB when there is none yet.
    using ThumbnailSource = std::function<imaging::PackedDib(const QString& path)>;

    // `cardFolder` is the current folder on the card, `files` the selected files there (full paths).
    // Opens at once: loads the order and builds the edited list, telling the user of refused files.
    CPrintOrderDlg(const QString& cardFolder, const QStringList& files, ThumbnailSource thumbnails = {},
                   QWidget* parent = nullptr, std::shared_ptr<print::OrderFileIo> io = {});
    ~CPrintOrderDlg() override;

    // False when opening failed; exec() then returns Rejected without showing the dialog.
    bool isOpen() const { return open_; }
    int exec() override;

    const print::EditedList& editedList() const { return list_; }
    const print::PrintOrder& order() const { return order_; }
    int shownPicture() const;

    // The OK command: merge, ask about a large order, save with the progress window, revalidate, close.
    // Also what the OK button does.
    void onOk();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // A new picture: its thumbnail and its controls. After an edit only the controls change.
    void showPicture(int index);
    void refreshControls();
    void refreshTotal();
    void choosePrinting(bool print);
    void quantityEdited(const QString& text);
    void quantityFinished();
    void stepQuantity(int step);
    void stepPicture(int step);
    void setQuantityOfAll();

    QString cardFolder_;
    print::PrintOrder order_;
    print::EditedList list_;
    ThumbnailSource thumbnails_;
    bool open_ = false;

    QComboBox* pictures_ = nullptr;
    QRadioButton* print_ = nullptr;
    QRadioButton* doNotPrint_ = nullptr;
    QButtonGroup* printChoice_ = nullptr;
    QLineEdit* quantity_ = nullptr;
    QToolButton* quantityUp_ = nullptr;
    QToolButton* quantityDown_ = nullptr;
    QLabel* total_ = nullptr;
    CPrintThumbFrame* thumbnail_ = nullptr;
};
