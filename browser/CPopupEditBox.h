#pragma once
// The list's edit box: a borderless text field laid over a cell. It is created hidden with the list,
// draws its text in the list's selection blue, and hides itself - giving the focus back to the list -
// when it loses the focus or Escape is pressed; Return hands the text over.

#include "browser/CListRenderer.h"

#include <QTextEdit>

class CPopupEditBox : public QTextEdit {
    Q_OBJECT
public:
    static constexpr int kControlId = 2007;
    static constexpr QRgb kTextColour = CListRenderer::fromColorref(0xFF0000);

    explicit CPopupEditBox(QWidget* list);

    // Shows the box over `rect` of the list with `text` selected, and takes the focus.
    void edit(const QRect& rect, const QString& text);

signals:
    void accepted(const QString& text);
    void cancelled();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void close(bool accept);
};
