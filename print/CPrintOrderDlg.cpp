#include "print/CPrintOrderDlg.h"

#include "platform/MessageBox.h"
#include "print/CPrintProgressDlg.h"
#include "print/CPrintThumbFrame.h"
#include "resources/UiResources.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum StringId {
    CaptionPrintOrder = 21012,
    TitlePrintOrder = 21050, // the dialog's title and the large-order question's caption
    MsgLargeOrder = 21051,
    MsgNothingToOrder = 21052,
};

constexpr int OkId = 1; // the dialog's default push buttons keep their usual numbers
constexpr int CancelId = 2;
constexpr int ThumbnailBox = 160; // room for a 128-pixel thumbnail inside the frame's border

QString id(int control)
{
    return QString::number(control);
}

QToolButton* arrowButton(Qt::ArrowType arrow, const char* name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setObjectName(QLatin1String(name));
    button->setAutoRepeat(true);
    return button;
}

} // namespace

CPrintOrderDlg::CPrintOrderDlg(const QString& cardFolder, const QStringList& files, ThumbnailSource thumbnails,
                               QWidget* parent, std::shared_ptr<print::OrderFileIo> io)
    : QDialog(parent), cardFolder_(cardFolder), order_(io ? std::move(io) : std::make_shared<print::OrderFileIo>()),
      thumbnails_(std::move(thumbnails))
{
    setObjectName(id(kTemplateId));
    setWindowTitle(UiResources::string(TitlePrintOrder));
    buildControls();

    order_.setCardPath(cardFolder_);
    if (!order_.load())
        return; // the user has been told why
    list_ = order_.editedList(files);
    if (list_.pictures.empty()) {
        platform::messageBox(parent, UiResources::string(MsgNothingToOrder), UiResources::string(CaptionPrintOrder),
                             platform::MbOk);
        return;
    }
    {
        const QSignalBlocker filling(pictures_);
        for (const print::EditedPicture& picture : list_.pictures)
            pictures_->addItem(QFileInfo(picture.path).fileName());
        pictures_->setCurrentIndex(0);
    }
    open_ = true;
    showPicture(0);
}

CPrintOrderDlg::~CPrintOrderDlg() = default;

void CPrintOrderDlg::buildControls()
{
    pictures_ = new QComboBox(this);
    pictures_->setObjectName(id(kPictureListId));

    print_ = new QRadioButton(QStringLiteral("プリントする"), this);
    print_->setObjectName(id(kPrintId));
    doNotPrint_ = new QRadioButton(QStringLiteral("プリントしない"), this);
    doNotPrint_->setObjectName(id(kDoNotPrintId));
    printChoice_ = new QButtonGroup(this);
    printChoice_->addButton(print_, kPrintId);
    printChoice_->addButton(doNotPrint_, kDoNotPrintId);

    quantity_ = new QLineEdit(this);
    quantity_->setObjectName(id(kQuantityId));
    quantity_->setMaxLength(kQuantityDigits);
    // Digits only: a letter or a sign would make no quantity.
    quantity_->setValidator(new QIntValidator(0, print::EditedList::MaxQuantity, quantity_));
    quantityUp_ = arrowButton(Qt::UpArrow, "quantityUp", this);
    quantityDown_ = arrowButton(Qt::DownArrow, "quantityDown", this);
    auto* setAll = new QPushButton(QStringLiteral("すべてに設定"), this);
    setAll->setObjectName(QStringLiteral("setAll"));

    total_ = new QLabel(this);
    total_->setObjectName(id(kTotalId));
    total_->setFrameStyle(QFrame::Sunken | QFrame::Panel);
    total_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    thumbnail_ = new CPrintThumbFrame(this);
    thumbnail_->setObjectName(id(kThumbnailId));
    thumbnail_->setFixedSize(ThumbnailBox, ThumbnailBox);

    auto* pictureUp = arrowButton(Qt::UpArrow, "pictureUp", this);
    auto* pictureDown = arrowButton(Qt::DownArrow, "pictureDown", this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(id(OkId));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(id(CancelId));

    auto* pictureRow = new QHBoxLayout;
    pictureRow->addWidget(pictures_, 1);
    auto* pictureSpin = new QVBoxLayout;
    pictureSpin->setSpacing(0);
    pictureSpin->addWidget(pictureUp);
    pictureSpin->addWidget(pictureDown);
    pictureRow->addLayout(pictureSpin);

    auto* quantityRow = new QHBoxLayout;
    quantityRow->addWidget(new QLabel(QStringLiteral("枚数:"), this));
    quantityRow->addWidget(quantity_);
    auto* quantitySpin = new QVBoxLayout;
    quantitySpin->setSpacing(0);
    quantitySpin->addWidget(quantityUp_);
    quantitySpin->addWidget(quantityDown_);
    quantityRow->addLayout(quantitySpin);
    quantityRow->addWidget(setAll);

    auto* choice = new QGroupBox(QStringLiteral("プリント指定"), this);
    auto* choiceLayout = new QVBoxLayout(choice);
    choiceLayout->addWidget(print_);
    choiceLayout->addLayout(quantityRow);
    choiceLayout->addWidget(doNotPrint_);

    auto* totalRow = new QHBoxLayout;
    totalRow->addWidget(new QLabel(QStringLiteral("合計枚数:"), this));
    totalRow->addWidget(total_, 1);

    auto* right = new QVBoxLayout;
    right->addLayout(pictureRow);
    right->addWidget(choice);
    right->addLayout(totalRow);
    right->addStretch(1);

    auto* body = new QHBoxLayout;
    body->addWidget(thumbnail_, 0, Qt::AlignTop);
    body->addLayout(right, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);

    connect(pictures_, &QComboBox::currentIndexChanged, this, [this](int index) { showPicture(index); });
    connect(print_, &QRadioButton::clicked, this, [this] { choosePrinting(true); });
    connect(doNotPrint_, &QRadioButton::clicked, this, [this] { choosePrinting(false); });
    connect(quantity_, &QLineEdit::textEdited, this, [this](const QString& text) { quantityEdited(text); });
    connect(quantity_, &QLineEdit::editingFinished, this, [this] { quantityFinished(); });
    // The field does not report the end of editing when it is left empty; its focus leaving does.
    quantity_->installEventFilter(this);
    connect(quantityUp_, &QToolButton::clicked, this, [this] { stepQuantity(+1); });
    connect(quantityDown_, &QToolButton::clicked, this, [this] { stepQuantity(-1); });
    connect(pictureUp, &QToolButton::clicked, this, [this] { stepPicture(-1); });
    connect(pictureDown, &QToolButton::clicked, this, [this] { stepPicture(+1); });
    connect(setAll, &QPushButton::clicked, this, [this] { setQuantityOfAll(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { onOk(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool CPrintOrderDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == quantity_ && event->type() == QEvent::FocusOut)
        quantityFinished();
    return QDialog::eventFilter(watched, event);
}

int CPrintOrderDlg::exec()
{
    return open_ ? QDialog::exec() : Rejected;
}

int CPrintOrderDlg::shownPicture() const
{
    return pictures_->currentIndex();
}

void CPrintOrderDlg::showPicture(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= list_.pictures.size())
        return;
    const QString& path = list_.pictures[static_cast<size_t>(index)].path;
    thumbnail_->setThumbnail(thumbnails_ ? thumbnails_(path) : imaging::PackedDib());
    refreshControls();
}

void CPrintOrderDlg::refreshControls()
{
    const int index = shownPicture();
    if (index < 0 || static_cast<size_t>(index) >= list_.pictures.size())
        return;
    const bool printing = list_.pictures[static_cast<size_t>(index)].quantity > 0;
    (printing ? print_ : doNotPrint_)->setChecked(true);
    quantity_->setText(QString::number(list_.pictures[static_cast<size_t>(index)].quantity));
    quantity_->setEnabled(printing);
    quantityUp_->setEnabled(printing);
    quantityDown_->setEnabled(printing);
    refreshTotal();
}

void CPrintOrderDlg::refreshTotal()
{
    total_->setText(QString::number(list_.totalCopies));
}

void CPrintOrderDlg::choosePrinting(bool print)
{
    const int index = shownPicture();
    if (index < 0)
        return;
    list_.setPrinting(static_cast<size_t>(index), print);
    refreshControls();
    if (print)
        quantity_->setFocus();
}

void CPrintOrderDlg::quantityEdited(const QString& text)
{
    const int index = shownPicture();
    bool number = false;
    const int typed = text.toInt(&number);
    // While the field is empty there is no quantity yet; the picture keeps the one it had.
    if (index < 0 || !number)
        return;
    list_.setQuantity(static_cast<size_t>(index), typed);
    refreshTotal();
}

void CPrintOrderDlg::quantityFinished()
{
    // The field shows what the picture holds again (an emptied field its previous quantity); a picture
    // left at no copies is a picture not printed, and the buttons say so.
    refreshControls();
}

void CPrintOrderDlg::stepQuantity(int step)
{
    const int index = shownPicture();
    if (index < 0 || !print_->isChecked())
        return;
    const std::int32_t quantity = list_.pictures[static_cast<size_t>(index)].quantity;
    list_.setQuantity(static_cast<size_t>(index),
                      std::clamp(quantity + step, print::EditedList::MinQuantity, print::EditedList::MaxQuantity));
    refreshControls();
}

void CPrintOrderDlg::stepPicture(int step)
{
    if (pictures_->count() == 0)
        return;
    pictures_->setCurrentIndex(std::clamp(shownPicture() + step, 0, pictures_->count() - 1));
}

void CPrintOrderDlg::setQuantityOfAll()
{
    bool number = false;
    const int typed = quantity_->text().toInt(&number);
    if (!number || list_.pictures.empty())
        return;
    list_.setQuantityOfAll(typed);
    refreshControls();
}

void CPrintOrderDlg::onOk()
{
    if (!open_)
        return;
    const auto confirmLargeOrder = [this] {
        return platform::messageBox(this, UiResources::string(MsgLargeOrder), UiResources::string(TitlePrintOrder),
                                    platform::MbYesNo | platform::MbIconExclamation) == platform::IdYes;
    };
    if (!order_.merge(list_, confirmLargeOrder))
        return;

    CPrintProgressDlg progress(this);
    if (!order_.save(&progress))
        return; // told, or cancelled; the card holds the previous order
    order_.revalidate(cardFolder_);
    accept();
}
