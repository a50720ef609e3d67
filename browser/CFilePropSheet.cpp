#include "browser/CFilePropSheet.h"

#include "browser/FileAttributes.h"
#include "browser/FileFacts.h"
#include "browser/ShellFileInfo.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The thumbnail area of the image page: the loader's thumbnail box.
constexpr int kThumbnailBox = 128;

QString id(int control)
{
    return QString::number(control);
}

QLabel* field(int control, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(id(control));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QFrame* separator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A check box that shows a state and cannot be changed.
QCheckBox* attributeBox(int control, const QString& text, bool checked)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(id(control));
    box->setChecked(checked);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

}  // namespace

FileItem CFilePropSheet::copyItem(const FileItem& item)
{
    FileItem copy;
    copy.name = item.name;
    copy.kind = item.kind;
    copy.flags = item.flags;
    copy.size = item.size;
    copy.lastWrite = item.lastWrite;
    copy.loadState = item.loadState;
    if (item.thumbnail)
        *copy.thumbnail = item.thumbnail->copy();
    return copy;
}

CFilePropSheet::CFilePropSheet(const QString& folder, FileItem copy, QWidget* parent)
    : QDialog(parent), item_(std::move(copy)), pages_(new QTabWidget(this))
{
    setWindowTitle(QStringLiteral("ファイルのプロパティ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    const QString path = itemPath(folder, item_.name);
    const FilePropertyTexts texts = filePropertyTexts(folder, item_);
    pages_->addTab(buildGeneralPage(path, texts), QStringLiteral("全般"));
    pages_->addTab(buildImagePage(texts), QStringLiteral("画像"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
}

QWidget* CFilePropSheet::generalPage() const
{
    return pages_->widget(0);
}

QWidget* CFilePropSheet::imagePage() const
{
    return pages_->widget(1);
}

QWidget* CFilePropSheet::buildGeneralPage(const QString& path, const FilePropertyTexts& texts)
{
    auto* page = new QWidget;
    page->setObjectName(id(kGeneralPageId));

    auto* icon = new QLabel;
    icon->setObjectName(id(kIconId));
    icon->setFixedSize(shell::kLargeIconSize, shell::kLargeIconSize);
    icon->setPixmap(shell::fileIcon(path).pixmap(shell::kLargeIconSize, shell::kLargeIconSize));
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(field(kDisplayNameId, texts.displayName), 1);

    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("種類:"), field(kTypeNameId, texts.typeName));
    facts->addRow(QStringLiteral("ファイル名:"), field(kFileNameId, texts.fileName));
    facts->addRow(QStringLiteral("サイズ:"), field(kSizeId, texts.size));
    auto* dates = new QFormLayout;
    dates->addRow(QStringLiteral("更新日時:"), field(kLastWriteId, texts.lastWrite));
    dates->addRow(QStringLiteral("作成日（撮影日）:"), field(kShootingDateId, texts.shootingDate));

    // Attributes that cannot be read leave every box clear.
    const std::uint32_t bits = texts.attributes.value_or(0);
    auto* attributes = new QHBoxLayout;
    attributes->addWidget(attributeBox(kReadOnlyId, QStringLiteral("読み取り専用"), bits & fileattr::kReadOnly));
    attributes->addWidget(attributeBox(kHiddenId, QStringLiteral("隠しファイル"), bits & fileattr::kHidden));
    attributes->addWidget(attributeBox(kArchiveId, QStringLiteral("アーカイブ"), bits & fileattr::kArchive));
    attributes->addWidget(attributeBox(kSystemId, QStringLiteral("システム"), bits & fileattr::kSystem));
    auto* attributeRow = new QFormLayout;
    attributeRow->addRow(QStringLiteral("属性:"), attributes);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(separator());
    layout->addLayout(facts);
    layout->addWidget(separator());
    layout->addLayout(dates);
    layout->addWidget(separator());
    layout->addLayout(attributeRow);
    layout->addStretch(1);
    return page;
}

QWidget* CFilePropSheet::buildImagePage(const FilePropertyTexts& texts)
{
    auto* page = new QWidget;
    page->setObjectName(id(kImagePageId));

    auto* picture = new QLabel;
    picture->setObjectName(id(kThumbnailId));
    picture->setFixedSize(kThumbnailBox, kThumbnailBox);
    picture->setAlignment(Qt::AlignCenter);
    // The sheet's own copy of the thumbnail: it stays valid whatever the loader does meanwhile.
    if (item_.thumbnail && item_.thumbnail->dib) {
        const QImage image = item_.thumbnail->dib.toImage();
        if (!image.isNull())
            picture->setPixmap(QPixmap::fromImage(image));
    }

    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("ファイル名:"), field(kDisplayNameId, texts.displayName));
    facts->addRow(QStringLiteral("種類:"), field(kTypeNameId, texts.kindName));
    facts->addRow(QStringLiteral("画像のサイズ:"), field(kPictureSizeId, texts.pictureSize));
    facts->addRow(QStringLiteral("画像の使用色数:"), field(kColourDepthId, texts.colourDepth));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(separator());
    layout->addLayout(facts);
    layout->addStretch(1);
    return page;
}
