#include "browser/CThumbView.h"

#include <QPaintEvent>
#include <QPainter>

CThumbView::CThumbView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CThumbView"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CThumbView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor::fromRgb(kBackground));
}
