#include "app/CStatusBar.h"

#include "resources/BarBitmaps.h"
#include "resources/UiResources.h"

#include <QPainter>

namespace {
constexpr int kPaneBitmaps[3] = {barbitmaps::kStatusPane1, barbitmaps::kStatusPane2, barbitmaps::kStatusPane3};
// Text starts this far inside its pane.
constexpr int kTextInset = 8;
}  // namespace

CStatusBar::CStatusBar(QWidget* parent) : QWidget(parent)
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
    int x = 0;
    for (int i = 0; i < pane; ++i)
        x += UiResources::bitmap(kPaneBitmaps[i]).width();
    const QImage image = UiResources::bitmap(kPaneBitmaps[pane]);
    return QRect(x, 0, image.isNull() ? 150 : image.width(), height());
}

void CStatusBar::paintEvent(QPaintEvent*)
{
    using namespace barbitmaps;
    QPainter painter(this);
    painter.fillRect(rect(), QColor(68, 68, 68));
    QFont font(QStringLiteral("ＭＳＰゴシック"));
    font.setPixelSize(kFontPixels);
    painter.setFont(font);
    int x = 0;
    for (int pane = 0; pane < 3; ++pane) {
        const QRect box = paneRect(pane);
        const QImage image = UiResources::bitmap(kPaneBitmaps[pane]);
        if (!image.isNull())
            painter.drawImage(box.topLeft(), image);
        painter.setPen(Qt::white);
        painter.drawText(box.adjusted(kTextInset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, paneText(pane));
        x = box.right() + 1;
    }
    const QImage after = UiResources::bitmap(kStatusAfterPanes);
    const QImage rest = UiResources::bitmap(kStatusRest);
    const QImage end = UiResources::bitmap(kStatusRightEnd);
    if (!after.isNull()) {
        painter.drawImage(x, 0, after);
        x += after.width();
    }
    const int endX = width() - kRightEndInset - end.width();
    if (!rest.isNull() && endX > x)
        painter.drawImage(QRect(x, 0, endX - x, height()), rest);
    if (!end.isNull())
        painter.drawImage(endX, 0, end);
}
