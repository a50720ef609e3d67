#pragma once
// One of the frame's bitmap-skinned bars: a white strip (bitmap 335 stretched) with a row of bitmap
// buttons. Each button carries its child id as object name and reports its id when clicked; the frame
// decides what the id means (most re-send a frame command).

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

class CDesignButton;

class CButtonBar : public QWidget {
    Q_OBJECT
public:
    // Space around and between the buttons.
    static constexpr int kMargin = 2;
    static constexpr int kSpacing = 1;

    CButtonBar(int barId, QWidget* parent = nullptr);

    int barId() const { return barId_; }
    // Adds the button with child id `childId` drawn from its four bitmaps, after the ones added so far.
    CDesignButton* addButton(int childId);
    // Adds any other control (the size drop-down) after the buttons added so far.
    void addControl(QWidget* control);
    CDesignButton* button(int childId) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void buttonClicked(int childId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutControls();

    int barId_;
    QImage ground_;  // the bar's background, decoded once
    std::vector<QWidget*> controls_;
};
