#pragma once
// A second kind of drop target: up to ten rectangles of a widget that take dropped files. Dragged
// files are accepted only over a zone; a drop in zone 0 reports each dropped path with notification
// 1524, a drop in any other zone with 1525. The launcher bar uses it so that a program dropped on one
// of its two buttons becomes that button's program.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

namespace fileops {

class DropZones : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxZones = 10;
    static constexpr int kFirstZoneNotify = 1524;
    static constexpr int kOtherZoneNotify = 1525;

    // Watches `owner`'s drag and drop events; the owner accepts drops from now on.
    explicit DropZones(QWidget* owner);

    // The zones in the owner's coordinates, in order; those past the tenth are ignored.
    void setZones(const QList<QRect>& zones);
    // Zones that follow child widgets of the owner wherever its layout puts them.
    void setZones(const QList<QWidget*>& children);
    QList<QRect> zones() const;
    // The zone holding `point` (owner's coordinates), or -1.
    int zoneAt(const QPoint& point) const;

signals:
    // One per dropped path, in the order of the drop's list.
    void notify(int code, const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner_;
    QList<QRect> zones_;
    QList<QPointer<QWidget>> children_;
};

}  // namespace fileops
