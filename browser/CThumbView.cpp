#include "browser/CThumbView.h"

#include "browser/StandardDecoders.h"
#include "browser/ThumbnailLoader.h"
#include "platform/Names.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>

#include <mutex>

namespace {
// Space around a thumbnail in its cell, and the height of the name line below it.
constexpr int kCellMargin = 8;
constexpr int kCaptionHeight = 18;
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
    void layoutChanged() override { post([](CThumbView* view) { view->update(); }); }
    void itemChanged() override { post([](CThumbView* view) { view->update(); }); }
    void passCompleted(std::uint64_t passId) override
    {
        post([passId](CThumbView* view) { view->passCompleted(passId); });
    }
    ImageFormatProbe imageFormatProbe() override { return libraryImageFormatProbe(); }

private:
    template <typename Call>
    void post(Call call)
    {
        std::lock_guard guard(mutex_);
        if (!view_)
            return;
        // The view cannot go while the lock is held: its destructor detaches first.
        QMetaObject::invokeMethod(view_, [view = view_, call] { call(view); }, Qt::QueuedConnection);
    }

    std::mutex mutex_;
    CThumbView* view_;
    ViewSettings settings_;
};

CThumbView::CThumbView(QWidget* parent)
    : QWidget(parent), store_(std::make_shared<ItemStore>()), sink_(std::make_shared<Sink>(this))
{
    setObjectName(QStringLiteral("CThumbView"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    sink_->setSettings({thumbnailSize_, sortKey_, sortDirection_, filter_});
    // The decoders bind their libraries now, once for the view's life.
    loader_ = std::make_unique<ThumbnailLoader>(store_, sink_, standardDecoderFactory());
}

CThumbView::~CThumbView()
{
    sink_->detach();
    loader_->stop();
}

void CThumbView::setThumbnailSize(int pixels)
{
    thumbnailSize_ = pixels;
    sink_->setSettings({thumbnailSize_, sortKey_, sortDirection_, filter_});
    update();
}

void CThumbView::setSortKey(int key)
{
    sortKey_ = key;
    resortAndFilter();
}

void CThumbView::toggleSortDirection()
{
    sortDirection_ = toggledDirection(sortDirection_);
    resortAndFilter();
}

void CThumbView::setFilter(int code)
{
    if (code < FilterAll || code > FilterTtl)
        return;
    filter_ = code;
    resortAndFilter();
}

void CThumbView::resortAndFilter()
{
    sink_->setSettings({thumbnailSize_, sortKey_, sortDirection_, filter_});
    if (folder_.isEmpty())
        return;
    sortItems(*store_, sortKey_, sortDirection_, folder_);
    filterItems(*store_, filter_, folder_, sink_->imageFormatProbe());
    update();
}

void CThumbView::openFolder(const QString& folder)
{
    QString path = folder;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    loader_->setEnabled(false);
    loader_->stop();
    if (platform::sameNameNoCase(path, folder_))
        store_->clearForRelisting();
    else
        store_->clear(true);
    folder_ = path;
    loader_->setEnabled(true);
    LoadRequest request;
    request.folder = path;
    request.boxWidth = kThumbnailBox;
    request.boxHeight = kThumbnailBox;
    loader_->start(request);
    update();
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
        update();
}

void CThumbView::paintEvent(QPaintEvent* event)
{
    // Everything is painted into one off-screen picture and copied to the screen in one go.
    QImage canvas(size(), QImage::Format_RGB32);
    canvas.fill(QColor::fromRgb(kBackground));
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    const int cellWidth = thumbnailSize_ + 2 * kCellMargin;
    const int cellHeight = thumbnailSize_ + 2 * kCellMargin + kCaptionHeight;
    const int columns = std::max(1, width() / cellWidth);
    QFileIconProvider icons;
    {
        std::lock_guard list(sink_->listLock());
        std::lock_guard guard(*store_);
        int index = 0;
        for (std::int32_t number : store_->displayOrder()) {
            const FileItem* item = store_->find(number);
            if (!item)
                continue;
            const QRect cell((index % columns) * cellWidth, (index / columns) * cellHeight, cellWidth, cellHeight);
            ++index;
            if (cell.top() > height())
                break;
            const QRect box(cell.left() + kCellMargin, cell.top() + kCellMargin, thumbnailSize_, thumbnailSize_);
            const QImage thumbnail = item->thumbnail->dib ? item->thumbnail->dib.toImage() : QImage();
            if (!thumbnail.isNull()) {
                // Thumbnails are made for the 128-pixel box; smaller display sizes scale them down.
                const QSize fitted = (thumbnail.size() * thumbnailSize_ / kThumbnailBox).boundedTo(box.size());
                const QRect target(box.left() + (box.width() - fitted.width()) / 2,
                                   box.top() + (box.height() - fitted.height()) / 2, fitted.width(), fitted.height());
                painter.drawImage(target, thumbnail);
            } else if (item->thumbnail->present) {
                const QIcon icon = icons.icon(QFileInfo(folder_ + QLatin1Char('/') + item->name));
                icon.paint(&painter, QRect(box.center() - QPoint(16, 16), QSize(32, 32)));
            }
            painter.setPen(QColor::fromRgb(kCaption));
            const QRect caption(cell.left(), box.bottom() + 4, cell.width(), kCaptionHeight);
            painter.drawText(caption, Qt::AlignHCenter | Qt::AlignVCenter,
                             painter.fontMetrics().elidedText(item->name, Qt::ElideMiddle, caption.width() - 4));
        }
    }
    painter.end();
    QPainter(this).drawImage(event->rect(), canvas, event->rect());
}
