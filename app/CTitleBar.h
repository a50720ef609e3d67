#pragma once
// The frame's own caption (bar 132): the frame has no system caption, so this bar draws one from
// bitmaps 311-313 and carries the minimise, fill-the-work-area, restore and close buttons. A double
// click on it toggles between filling the work area and the normal rectangle (not over the close
// button); dragging it moves the frame unless the frame fills the work area.

#include <QImage>
#include <QPoint>
#include <QWidget>

class CDesignButton;

class CTitleBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarId = 132;
    static constexpr int kMinimiseId = 1128;
    static constexpr int kFillId = 1129;
    static constexpr int kRestoreId = 1130;
    static constexpr int kCloseId = 1131;
    static constexpr int kHeight = 32;
    static constexpr int kDefaultWidth = 780;

    explicit CTitleBar(QWidget* parent = nullptr);

    // Shows the restore button instead of the fill button while the frame fills the work area.
    void setFilling(bool filling);
    CDesignButton* button(int childId) const;
    // The two leftmost button areas' width: with the bar's height it makes the frame's minimum size.
    int firstTwoButtonsWidth() const;

    QSize sizeHint() const override { return {kDefaultWidth, kHeight}; }
    QSize minimumSizeHint() const override { return {firstTwoButtonsWidth(), kHeight}; }

signals:
    void minimiseClicked();
    void fillClicked();
    void restoreClicked();
    void closeClicked();
    // A double click outside the close button.
    void toggleRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    CDesignButton* makeButton(int childId, int firstBitmap);
    void layoutButtons();

    // The caption's three pieces, decoded once: left end, stretched middle, right end.
    QImage left_;
    QImage middle_;
    QImage right_;
    bool filling_ = false;
    QPoint pressOffset_;
    bool pressed_ = false;
};
