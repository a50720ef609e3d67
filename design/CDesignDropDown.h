#pragma once
// A drop-down list drawn from bitmaps: a text box with a drop button at its right, and a list that slides
// open in a pop-up frame below the control.
//
// The box is the text-area bitmap followed by the button-area bitmap (the control takes their combined
// width and the text part's height); the drop button is drawn over the button area in its normal,
// pressed or highlighted bitmap, and the text in white, centred in the text area.
//
// The button lights up under the cursor (hover timer, 100 ms, as long as the cursor stays on it), a
// press on it shows the highlighted bitmap and the release the pressed one and opens the list. The list
// is one line per item; it opens by growing its visible part step by step, then takes the mouse. A choice
// becomes the text and is reported to the owner as a command with notification code 1 and this control's
// identifier; the keyboard focus then goes back to the owner. A press outside the list closes it.

#include "design/DesignBitmaps.h"

#include <QBasicTimer>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>

class CDesignDropList;

class CDesignDropDown : public QWidget {
    Q_OBJECT
public:
    static constexpr int kListId = 7005;
    // The list's size before it is first opened; opening gives it the height of its lines.
    static constexpr int kListWidth = 100;
    static constexpr int kListHeight = 83;
    // Number the hover timer is known by while it runs, and its period.
    static constexpr int kHoverTimerId = 100;
    static constexpr int kHoverPeriodMs = 100;
    // Number of the timer that slides the list open; the list opens in kSlideSteps steps, one per tick.
    static constexpr int kSlideTimerId = 1;
    static constexpr int kSlideStepMs = 15;
    static constexpr int kSlideSteps = 8;
    // Notification code of the command sent on a choice.
    static constexpr int kSelectionChanged = 1;
    static constexpr int kFontPixels = 12;
    // The style bit that shows the control when it is created.
    static constexpr int kStyleVisible = 0x10000000;

    enum ButtonState { ButtonNormal = 0, ButtonPressed = 1, ButtonHighlighted = 2 };

    CDesignDropDown(QWidget* owner, int id, design::BitmapLookup lookup = {});
    ~CDesignDropDown() override;

    // Builds the pop-up frame and the list. On failure it writes the reason to the trace, deletes itself
    // (later, so the caller may still read the result) and returns false.
    bool create(const QString& text, int style, const QRect& rect);

    // Loads the box and button bitmaps by number and sizes the control to the box. False when any is
    // missing; those found are kept.
    bool setBitmaps(int textPart, int buttonPart, int buttonNormal, int buttonPressed, int buttonHighlighted);

    int addString(const QString& text);
    void resetContent();
    int count() const;
    QString string(int index) const;
    int currentSelection() const;
    void setCurrentSelection(int index);

    int id() const { return id_; }
    QWidget* owner() const { return owner_; }
    QString text() const { return text_; }
    void setText(const QString& text);
    QRect textRect() const { return textRect_; }
    QRect buttonRect() const { return buttonRect_; }
    int buttonState() const { return buttonState_; }
    // kHoverTimerId while the hover timer runs, else 0.
    int hoverTimer() const { return hoverTimer_.isActive() ? kHoverTimerId : 0; }
    QWidget* popupFrame() const { return popup_; }
    CDesignDropList* list() const { return list_; }

    // Slides the list open with its top-left corner at `screenPoint`. An empty list does not open.
    void openList(const QPoint& screenPoint);
    // True from the end of the slide until the list closes.
    bool isListOpen() const { return listOpen_; }

signals:
    void command(int controlId, int notificationCode);
    // The list has slid fully open and holds the mouse.
    void listOpened();

protected:
    // How the parts come into being; each returns null (or false) when it cannot.
    virtual QWidget* makePopupFrame();
    virtual CDesignDropList* allocateList();
    virtual bool createList(CDesignDropList& list, QWidget& frame);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool fail(const char* trace);
    void setButtonState(int state);
    void slide();
    void choose(int row);

    design::BitmapLookup lookup_;
    QPointer<QWidget> owner_;
    int id_;
    QString text_;
    QFont font_;
    QImage textPart_;
    QImage buttonPart_;
    QImage buttonNormal_;
    QImage buttonPressed_;
    QImage buttonHighlighted_;
    QRect textRect_;
    QRect buttonRect_;
    int buttonState_ = ButtonNormal;
    QPoint cursor_;  // last mouse position seen over the control
    QBasicTimer hoverTimer_;
    QBasicTimer slideTimer_;
    QWidget* popup_ = nullptr;
    CDesignDropList* list_ = nullptr;
    int revealed_ = 0;
    bool listOpen_ = false;
};
