#include "browser/CThumbView.h"

#include "browser/COwnerDrawListCtrl.h"
#include "browser/FileProperties.h"
#include "browser/LibraryNotices.h"
#include "browser/ListGeometry.h"
#include "browser/StandardDecoders.h"
#include "imaging/ImgProbeBinding.h"
#include "platform/MessageBox.h"
#include "platform/Names.h"
#include "platform/Shell.h"
#include "resources/UiResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kFilterCodeCount = 8;
constexpr int kSortKeyCount = 4;

// Message texts of the conversion, by string number of the resource bundle.
constexpr int kNotExifTiffText = 20500;
constexpr int kTitleCaption = 21012;
constexpr int kWriteFailedText = 20037;
constexpr int kDiskFullText = 20031;
const QString kBadFormatText = QStringLiteral("ファイルフォーマットが不正です。");

// _ImageConvert statuses the command acts on.
constexpr int kConvertOk = 0;
constexpr int kConvertBadFormat = 3;
// _GetImageFormat codes of TIFF files with Exif: the only TIFF files the converter reads.
constexpr std::uint16_t kExifTiffCodes[] = {16, 17};

bool isConvertible(const QString& name)
{
    static const char* const kExtensions[] = {".bmp", ".jpg", ".dvf", ".ttl", ".tif"};
    return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                       [&](const char* extension) { return name.endsWith(QLatin1String(extension), Qt::CaseInsensitive); });
}

int positionOf(const ItemStore& store, std::int32_t number)
{
    int position = 0;
    for (std::int32_t entry : store.displayOrder()) {
        if (entry == number)
            return position;
        ++position;
    }
    return -1;
}

}  // namespace

// The loader's way back to this view. The worker calls it from its own thread: everything is handed to
// the GUI thread as queued calls, and nothing reaches the view once it has detached.
class CThumbView::Sink : public LoaderSink {
public:
    explicit Sink(CThumbView* view) : view_(view) {}

    void detach()
    {
        std::lock_guard guard(mutex_);
        view_ = nullptr;
    }
    void setSettings(const ViewSettings& settings)
    {
        std::lock_guard guard(mutex_);
        settings_ = settings;
    }

    ViewSettings settings() override
    {
        std::lock_guard guard(mutex_);
        return settings_;
    }
    void layoutChanged() override { post([](CThumbView* view) { view->list_->layoutItems(); }); }
    void itemChanged() override { post([](CThumbView* view) { view->list_->update(); }); }
    void passCompleted(std::uint64_t passId) override
    {
        post([passId](CThumbView* view) { view->passCompleted(passId); });
    }
    // The filters probe under the store's lock, on the worker or in a command: a missing ImgProbe waits
    // for the event loop like the worker's own messages.
    ImageFormatProbe imageFormatProbe() override
    {
        return libraryImageFormatProbe([this](const LibraryMessage& message) { libraryMessage(message); });
    }
    void libraryMessage(const LibraryMessage& message) override
    {
        if (notices_.add(message))
            post([](CThumbView* view) { view->sink_->notices_.showWaiting(); });
    }

    template <typename Call>
    void post(Call call)
    {
        std::lock_guard guard(mutex_);
        if (!view_)
            return;
        // The view cannot go while the lock is held: its destructor detaches first.
        QMetaObject::invokeMethod(view_, [view = view_, call] { call(view); }, Qt::QueuedConnection);
    }

private:
    std::mutex mutex_;
    CThumbView* view_;
    ViewSettings settings_;
    LibraryNotices notices_;
};

CThumbView::CThumbView(QWidget* parent, DecoderFactory decoders, ThumbnailLoader::Timing timing)
    : QWidget(parent),
      decoders_(decoders ? std::move(decoders) : standardDecoderFactory()),
      store_(std::make_shared<ItemStore>()),
      sink_(std::make_shared<Sink>(this))
{
    setObjectName(QStringLiteral("CThumbView"));
    list_ = new COwnerDrawListCtrl(this, *store_, sink_->listLock());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    setFocusProxy(list_);
    connect(list_, &COwnerDrawListCtrl::openRequested, this, &CThumbView::openRequested);
    connect(list_, &COwnerDrawListCtrl::dragRequested, this, &CThumbView::dragRequested);
    connect(list_, &COwnerDrawListCtrl::deleteRequested, this, &CThumbView::deleteRequested);
    connect(list_, &COwnerDrawListCtrl::contextMenuRequested, this, &CThumbView::contextMenuRequested);
    connect(list_, &COwnerDrawListCtrl::selectionChanged, this, &CThumbView::figuresChanged);
    connect(list_, &COwnerDrawListCtrl::renameAccepted, this, [this](int position, const QString& name) {
        const QStringList names = displayedNames(position);
        if (!names.isEmpty())
            emit renameRequested(QDir(folder_).filePath(names.first()), name);
    });
    // A single decoded file joins the store from the GUI thread; lay out once the store is free again.
    store_->setChangedCallback([sink = sink_.get()] { sink->layoutChanged(); });
    updateSettings();
    loader_ = std::make_unique<ThumbnailLoader>(store_, sink_, decoders_, timing);
}

CThumbView::~CThumbView()
{
    sink_->detach();
    loader_->setEnabled(false);
    loader_->stop();
}

std::mutex& CThumbView::listLock()
{
    return sink_->listLock();
}

int CThumbView::layout() const
{
    return list_->layout();
}

int CThumbView::thumbnailSize() const
{
    return list::kThumbnailSizes[static_cast<std::size_t>(list_->sizeIndex())];
}

void CThumbView::updateSettings()
{
    sink_->setSettings({list_ ? thumbnailSize() : kThumbnailBox, sortKey_, sortDirection_, filter_});
}

QString CThumbView::resolveDesktopName(const QString& path)
{
    const QString desktop = platform::Shell::desktopFolder();
    const QString name = QFileInfo(desktop).fileName();
    if (!name.isEmpty() && platform::sameNameNoCase(path, name))
        return desktop;
    return path;
}

void CThumbView::openFolder(const QString& folder)
{
    loader_->stop();
    QString path = resolveDesktopName(folder);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const bool sameFolder = !folder_.isEmpty() && platform::sameNameNoCase(path, folder_);
    {
        std::lock_guard list(sink_->listLock());
        if (sameFolder)
            store_->clearForRelisting();
        else
            store_->clear(true);
    }
    list_->setFolder(path);
    list_->resetPositions(!sameFolder);
    // The selected and marked filters belong to the folder they were made in.
    if (filter_ == FilterSelected || filter_ == FilterMarked)
        emit allFilesFilterRequested();
    else
        list_->layoutItems();
    folder_ = path;
    updateSettings();
    LoadRequest request;
    request.folder = path;
    request.boxWidth = kThumbnailBox;
    request.boxHeight = kThumbnailBox;
    request.keepListingData = 1;
    loader_->setEnabled(true);
    loader_->start(request);
}

QStringList CThumbView::displayedNames(int which) const
{
    QStringList names;
    std::lock_guard guard(*store_);
    int position = 0;
    for (const std::int32_t number : store_->displayOrder()) {
        const FileItem* item = store_->find(number);
        const bool wanted = which == kAllDisplayed || (which == kSelectedOnly ? item && item->isSelected() : position == which);
        if (item && wanted)
            names << item->name;
        ++position;
    }
    return names;
}

QStringList CThumbView::slideShowPaths(bool all, bool shownOrder) const
{
    QStringList paths;
    std::lock_guard guard(*store_);
    auto take = [&](const FileItem* item) {
        if (item && (all || item->isSelected()))
            paths << QDir(folder_).filePath(item->name);
    };
    if (shownOrder) {
        for (const std::int32_t number : store_->displayOrder())
            take(store_->find(number));
    } else {
        for (const auto& [number, item] : store_->items())
            take(item.get());
    }
    return paths;
}

void CThumbView::markCut(const QStringList& paths)
{
    {
        std::lock_guard list(sink_->listLock());
        std::lock_guard guard(*store_);
        for (auto& [number, item] : store_->items()) {
            const bool cut = paths.contains(QDir(folder_).filePath(item->name));
            item->flags = cut ? item->flags | FileItem::kCutMark : item->flags & ~FileItem::kCutMark;
        }
    }
    list_->update();
}

QHash<QString, QImage> CThumbView::thumbnailsOf(const QStringList& names) const
{
    const QSet<QString> wanted(names.begin(), names.end());
    QHash<QString, QImage> thumbnails;
    std::lock_guard list(sink_->listLock());
    std::lock_guard guard(*store_);
    for (const std::int32_t number : store_->displayOrder()) {
        const FileItem* item = store_->find(number);
        if (item && wanted.contains(item->name) && item->thumbnail && item->thumbnail->present && item->thumbnail->dib)
            thumbnails.insert(item->name, item->thumbnail->dib.toImage());
    }
    return thumbnails;
}

QStringList CThumbView::selectedNames() const
{
    return displayedNames(kSelectedOnly);
}

QStringList CThumbView::selectedPaths() const
{
    QStringList paths;
    for (const QString& name : selectedNames())
        paths << QDir(folder_).filePath(name);
    return paths;
}

CThumbView::Figures CThumbView::figures() const
{
    Figures figures;
    std::lock_guard guard(*store_);
    figures.listed = int(store_->size());
    for (const std::int32_t number : store_->displayOrder()) {
        const FileItem* item = store_->find(number);
        if (!item)
            continue;
        ++figures.displayed;
        if (item->isSelected())
            ++figures.selected;
    }
    return figures;
}

int CThumbView::dropVanishedSelected()
{
    loader_->stop();
    int dropped = 0;
    {
        std::lock_guard list(sink_->listLock());
        std::lock_guard guard(*store_);
        std::vector<std::int32_t> gone;
        for (const std::int32_t number : store_->displayOrder()) {
            const FileItem* item = store_->find(number);
            if (item && item->isSelected() && !QFileInfo::exists(QDir(folder_).filePath(item->name)))
                gone.push_back(number);
        }
        for (const std::int32_t number : gone)
            dropped += store_->remove(number);
    }
    openFolder(folder_);
    emit figuresChanged();
    return dropped;
}

bool CThumbView::startRename()
{
    return list_->editCurrentName();
}

void CThumbView::stopLoading()
{
    loader_->setEnabled(false);
    loader_->stop();
}

bool CThumbView::isLoading() const
{
    return loader_->isRunning();
}

void CThumbView::passCompleted(std::uint64_t passId)
{
    if (passId == loader_->currentPass())
        list_->layoutItems();
    emit figuresChanged();
}

void CThumbView::setSortKey(int key)
{
    if (key < 0 || key >= kSortKeyCount)
        return;
    sortKey_ = key;
    updateSettings();
    if (folder_.isEmpty())
        return;
    loader_->stop();
    sortItems(*store_, sortKey_, sortDirection_, folder_);
    openFolder(folder_);
}

void CThumbView::toggleSortDirection()
{
    sortDirection_ = toggledDirection(sortDirection_);
    updateSettings();
    if (folder_.isEmpty())
        return;
    loader_->stop();
    sortItems(*store_, sortKey_, sortDirection_, folder_);
    openFolder(folder_);
}

void CThumbView::setFilter(int code)
{
    if (code < 0 || code >= kFilterCodeCount)
        return;
    filter_ = code;
    updateSettings();
    if (!folder_.isEmpty())
        filterItems(*store_, filter_, folder_, sink_->imageFormatProbe());
    list_->layoutItems();
    emit figuresChanged();
}

void CThumbView::setThumbnailSize(int pixels)
{
    const int index = list::sizeIndexOf(pixels);
    if (index < 0)
        return;
    list_->setSizeIndex(index);
    updateSettings();
}

void CThumbView::setLayout(int layout)
{
    list_->setLayout(layout);
}

void CThumbView::refresh()
{
    {
        std::lock_guard guard(*store_);
        store_->setFlags(0, FileItem::kSearchMark);
        if (filter_ == FilterMarked)
            store_->displayOrder().clear();
    }
    list_->layoutItems();
}

void CThumbView::selectAll()
{
    list_->selectAll();
}

void CThumbView::showProperties()
{
    ::showProperties(this, *store_, &sink_->listLock(), folder_, list_->currentItem());
}

void CThumbView::convertSelected(int mode)
{
    const QString caption = UiResources::string(kTitleCaption);
    const QString extension = mode == 0 ? QStringLiteral(".bmp") : QStringLiteral(".jpg");
    std::vector<std::int32_t> numbers;
    {
        std::lock_guard guard(*store_);
        numbers.assign(store_->displayOrder().begin(), store_->displayOrder().end());
    }
    for (std::int32_t number : numbers) {
        QString name;
        {
            std::lock_guard guard(*store_);
            const FileItem* item = store_->find(number);
            if (!item || !item->isSelected() || !isConvertible(item->name))
                continue;
            name = item->name;
        }
        const QString source = folder_ + QLatin1Char('/') + name;
        if (name.endsWith(QLatin1String(".tif"), Qt::CaseInsensitive)) {
            std::uint16_t format = 0;
            imaging::getImageFormat(source, &format);
            if (std::find(std::begin(kExifTiffCodes), std::end(kExifTiffCodes), format) == std::end(kExifTiffCodes)) {
                platform::messageBox(this, UiResources::string(kNotExifTiffText), caption, platform::MbIconExclamation);
                break;
            }
        }
        QString output = folder_ + QLatin1Char('/') + name.left(name.size() - 4) + extension;
        // A picture already in the wanted format would be written over itself.
        if (platform::sameNameNoCase(output, source))
            continue;
        const bool existedBefore = QFileInfo::exists(output);
        const int status = imaging::convertImage(source, output, mode, dvFilter_);
        if (status == kConvertOk) {
            DecodeResult result;
            if (ThumbnailLoader::decodeSingleFile(output, decoders_, result, kThumbnailBox, kThumbnailBox) == 0) {
                std::lock_guard list(sink_->listLock());
                std::lock_guard guard(*store_);
                const int position = positionOf(*store_, number);
                const int end = static_cast<int>(store_->displayOrder().size());
                store_->addDecoded(result, position < 0 ? end : position + 1);
            }
        } else if (status == kConvertBadFormat) {
            platform::messageBox(this, kBadFormatText, caption, platform::MbIconExclamation);
        } else if (status == imaging::kImgShiftLibraryMissing) {
            platform::messageBox(this, UiResources::string(mode == 1 ? kWriteFailedText : kDiskFullText), caption,
                                 platform::MbIconExclamation);
            // Only a file this command may have begun is removed; one that was there before stays.
            if (!existedBefore)
                QFile::remove(output);
            break;
        }
    }
    list_->layoutItems();
}
