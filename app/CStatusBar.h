#pragma once
// The status bar (138): three panes with the view's figures - files listed, files shown, files
// selected out of those shown - on the house ground.

#include <QImage>
#include <QWidget>

class CStatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarId = 138;
    static constexpr int kHeight = 20;
    // Pane texts and fonts.
    static constexpr int kListedString = 1500;
    static constexpr int kShownString = 1501;
    static constexpr int kSelectedString = 1502;
    static constexpr int kFontPixels = 12;
    // The right end's bitmap stands this far in from the edge.
    static constexpr int kRightEndInset = 12;

    explicit CStatusBar(QWidget* parent = nullptr);

    // Copies the three figures and repaints the panes whose figure changed.
    void setFigures(int listed, int shown, int selected);
    int figure(int pane) const { return figures_[pane]; }
    // The text of pane 0, 1 or 2 as drawn.
    QString paneText(int pane) const;
    QRect paneRect(int pane) const;

    QSize sizeHint() const override { return {400, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int figures_[3] = {0, 0, 0};
    // Decoded once: the three panes, the piece after them, the stretched rest, the right end.
    QImage panes_[3];
    QImage afterPanes_;
    QImage rest_;
    QImage rightEnd_;
};
