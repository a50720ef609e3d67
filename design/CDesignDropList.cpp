#include "design/CDesignDropList.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CDesignDropList::CDesignDropList(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

int CDesignDropList::addString(const QString& text)
{
    items_.append(text);
    update();
    return count() - 1;
}

void CDesignDropList::resetContent()
{
    items_.clear();
    current_ = -1;
    update();
}

void CDesignDropList::setCurrentRow(int row)
{
    current_ = row >= 0 && row < count() ? row : -1;
    update();
}

int CDesignDropList::itemHeight() const
{
    return fontMetrics().height();
}

int CDesignDropList::rowAt(const QPoint& point) const
{
    if (!rect().contains(point))
        return -1;
    const int row = point.y() / itemHeight();
    return row < count() ? row : -1;
}

QRect CDesignDropList::rowRect(int row) const
{
    return QRect(0, row * itemHeight(), width(), itemHeight());
}

void CDesignDropList::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(kGround));
    painter.setPen(Qt::white);
    for (int row = 0; row < count(); ++row) {
        const QRect line = rowRect(row);
        if (row == current_)
            painter.fillRect(line, QColor(kChosenGround));
        painter.drawText(line.adjusted(kTextIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         items_[row]);
    }
}

void CDesignDropList::dismiss()
{
    if (mouseGrabber() == this)
        releaseMouse();
    window()->hide();
}

void CDesignDropList::mousePressEvent(QMouseEvent* event)
{
    // While the list holds the mouse every press comes here, wherever it is on the screen.
    if (!window()->geometry().contains(event->globalPosition().toPoint())) {
        pressedInside_ = false;
        dismiss();
        return;
    }
    pressedInside_ = true;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        setCurrentRow(row);
}

void CDesignDropList::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressedInside_)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0 && row != current_)
        setCurrentRow(row);
}

void CDesignDropList::mouseReleaseEvent(QMouseEvent* event)
{
    if (!pressedInside_)
        return;
    pressedInside_ = false;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        emit chosen(row);
}

void CDesignDropList::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        setCurrentRow(current_ > 0 ? current_ - 1 : 0);
        break;
    case Qt::Key_Down:
        setCurrentRow(current_ + 1 < count() ? current_ + 1 : count() - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current_ >= 0)
            emit chosen(current_);
        break;
    case Qt::Key_Escape:
        dismiss();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
