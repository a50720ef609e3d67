#include "app/CStatusBar.h"

#include "resources/BarBitmaps.h"
#include "resources/UiResources.h"

#include <QPainter>

namespace {
constexpr int kPaneBitmaps[3] = {barbitmaps::kStatusPane1, barbitmaps::kStatusPane2, barbitmaps::kStatusPane3};
// Text starts this far inside its pane.
constexpr int kTextInset = 8;
}  // namespace

CStatusBar::CStatusBar(QWidget* parent)
    : QWidget(parent),
      panes_{UiResources::bitmap(kPaneBitmaps[0]), UiResources::bitmap(kPaneBitmaps[1]), UiResources::bitmap(kPaneBitmaps[2])},
      afterPanes_(UiResources::bitmap(barbitmaps::kStatusAfterPanes)),
      rest_(UiResources::bitmap(barbitmaps::kStatusRest)),
      rightEnd_(UiResources::bitmap(barbitmaps::kStatusRightEnd))
{
    setObjectName(QString::number(kBarId));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedHeight(kHeight);
}

void CStatusBar::setFigures(int listed, int shown, int selected)
{
    const int next[3] = {listed, shown, selected};
    for (int pane = 0; pane < 3; ++pane) {
        // The third pane shows "selected / shown", so it changes with either.
        const bool changed = figures_[pane] != next[pane] || (pane == 2 && figures_[1] != next[1]);
        if (changed)
            update(paneRect(pane));
    }
    for (int pane = 0; pane < 3; ++pane)
        figures_[pane] = next[pane];
}

QString CStatusBar::paneText(int pane) const
{
    switch (pane) {
    case 0:
        return UiResources::string(kListedString) + QString::number(figures_[0]);
    case 1:
        return UiResources::string(kShownString) + QString::number(figures_[1]);
    default:
        return UiResources::string(kSelectedString) + QString::number(figures_[2]) + QStringLiteral("/ ") +
               QString::number(figures_[1]);
    }
}

QRect CStatusBar::paneRect(int pane) const
{
    // A pane without its bitmap keeps this width.
    constexpr int kPlainPaneWidth = 150;
    auto paneWidth = [this](int i) { return panes_[i].isNull() ? kPlainPaneWidth : panes_[i].width(); };
    int x = 0;
    for (int i = 0; i < pane; ++i)
        x += paneWidth(i);
    return QRect(x, 0, paneWidth(pane), height());
}

void CStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(68, 68, 68));
    QFont font(QStringLiteral("ＭＳＰゴシック"));
    font.setPixelSize(kFontPixels);
    painter.setFont(font);
    int x = 0;
    for (int pane = 0; pane < 3; ++pane) {
        const QRect box = paneRect(pane);
        if (!panes_[pane].isNull())
            painter.drawImage(box.topLeft(), panes_[pane]);
        painter.setPen(Qt::white);
        painter.drawText(box.adjusted(kTextInset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, paneText(pane));
        x = box.right() + 1;
    }
    if (!afterPanes_.isNull()) {
        painter.drawImage(x, 0, afterPanes_);
        x += afterPanes_.width();
    }
    const int endX = width() - kRightEndInset - rightEnd_.width();
    if (!rest_.isNull() && endX > x)
        painter.drawImage(QRect(x, 0, endX - x, height()), rest_);
    if (!rightEnd_.isNull())
        painter.drawImage(endX, 0, rightEnd_);
}
