#include "app/CButtonBar.h"

#include "design/CDesignButton.h"
#include "resources/BarBitmaps.h"
#include "resources/UiResources.h"

#include <QPainter>

CButtonBar::CButtonBar(int barId, QWidget* parent)
    : QWidget(parent), barId_(barId), ground_(UiResources::bitmap(barbitmaps::kBarGround))
{
    setObjectName(QString::number(barId));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CDesignButton* CButtonBar::addButton(int childId)
{
    using namespace barbitmaps;
    auto* button = new CDesignButton(this);
    button->setObjectName(QString::number(childId));
    button->setFocusPolicy(Qt::NoFocus);
    button->setBitmaps(barbitmaps::button(childId, Normal), barbitmaps::button(childId, Pressed),
                       barbitmaps::button(childId, Highlighted), barbitmaps::button(childId, Disabled));
    button->sizeToContent();
    connect(button, &CDesignButton::clicked, this, [this, childId] { emit buttonClicked(childId); });
    addControl(button);
    return button;
}

void CButtonBar::addControl(QWidget* control)
{
    control->setParent(this);
    controls_.push_back(control);
    layoutControls();
    updateGeometry();
}

CDesignButton* CButtonBar::button(int childId) const
{
    return findChild<CDesignButton*>(QString::number(childId), Qt::FindDirectChildrenOnly);
}

QSize CButtonBar::sizeHint() const
{
    int width = kMargin;
    int height = 0;
    for (const QWidget* control : controls_) {
        width += control->width() + kSpacing;
        height = std::max(height, control->height());
    }
    return {width + kMargin, height + 2 * kMargin};
}

void CButtonBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!ground_.isNull())
        painter.drawImage(rect(), ground_);
}

void CButtonBar::resizeEvent(QResizeEvent*)
{
    layoutControls();
}

void CButtonBar::layoutControls()
{
    int x = kMargin;
    for (QWidget* control : controls_) {
        control->move(x, (height() - control->height()) / 2);
        x += control->width() + kSpacing;
    }
}
