#include "fileops/DropZones.h"

#include "fileops/ClipboardData.h"

#include <QDropEvent>
#include <QWidget>

namespace fileops {

DropZones::DropZones(QWidget* owner) : QObject(owner), owner_(owner)
{
    owner_->setAcceptDrops(true);
    owner_->installEventFilter(this);
}

void DropZones::setZones(const QList<QRect>& zones)
{
    children_.clear();
    zones_ = zones.mid(0, kMaxZones);
}

void DropZones::setZones(const QList<QWidget*>& children)
{
    zones_.clear();
    children_.clear();
    for (QWidget* child : children.mid(0, kMaxZones))
        children_ << child;
}

QList<QRect> DropZones::zones() const
{
    if (children_.isEmpty())
        return zones_;
    QList<QRect> zones;
    for (const QPointer<QWidget>& child : children_)
        zones << (child && child->isVisible() ? child->geometry() : QRect());
    return zones;
}

int DropZones::zoneAt(const QPoint& point) const
{
    const QList<QRect> all = zones();
    for (int i = 0; i < all.size(); ++i) {
        if (all[i].contains(point))
            return i;
    }
    return -1;
}

bool DropZones::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched != owner_ || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList paths = clipboard::readFiles(drop->mimeData()).paths;
    // Files are welcome wherever they enter: an ignored entry would hold back every later move, so the
    // moves that follow (one always follows the entry) decide where they may land.
    const bool inZone = type == QEvent::DragEnter || zoneAt(drop->position().toPoint()) >= 0;
    if (!inZone || paths.isEmpty()) {
        drop->ignore();
        return true;
    }
    // Nothing is copied or moved: the source keeps its files whatever keys are held.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        const int zone = zoneAt(drop->position().toPoint());
        const int code = zone == 0 ? kFirstZoneNotify : kOtherZoneNotify;
        for (const QString& path : paths)
            emit notify(code, path);
    }
    return true;
}

}  // namespace fileops
