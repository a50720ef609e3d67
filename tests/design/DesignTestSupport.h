#pragma once
// Helpers for the design-control tests: solid bitmaps by number, mouse input delivered through the
// window the way the platform delivers it (so implicit grabs, enter and leave all happen), pixel reads.

#include "design/DesignBitmaps.h"

#include <QColor>
#include <QImage>
#include <QMap>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

class BitmapTable {
public:
    BitmapTable& add(int id, QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        images_.insert(id, image);
        return *this;
    }
    design::BitmapLookup lookup() const
    {
        return [images = images_](int id) { return images.value(id); };
    }

private:
    QMap<int, QImage> images_;
};

inline QPoint inWindow(QWidget* widget, QPoint point)
{
    return widget->mapTo(widget->window(), point);
}

inline void pressOn(QWidget* widget, QPoint point)
{
    QTest::mousePress(widget->window()->windowHandle(), Qt::LeftButton, {}, inWindow(widget, point));
}

inline void releaseOn(QWidget* widget, QPoint point)
{
    QTest::mouseRelease(widget->window()->windowHandle(), Qt::LeftButton, {}, inWindow(widget, point));
}

inline void moveOn(QWidget* widget, QPoint point)
{
    QTest::mouseMove(widget->window()->windowHandle(), inWindow(widget, point));
}

inline QRgb pixelOf(QWidget* widget, QPoint point)
{
    return widget->grab().toImage().pixel(point) & 0xFFFFFF;
}

inline QRgb rgb(QColor colour)
{
    return colour.rgb() & 0xFFFFFF;
}

// Shows `top` and waits until it is the active window.
inline void showActive(QWidget& top)
{
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    top.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&top));
}

// Generous bounds for anything that waits on the controls' own timers on a busy machine.
constexpr int kWaitMs = 5000;
