#include "browser/CPopupEditBox.h"

#include <QKeyEvent>

CPopupEditBox::CPopupEditBox(QWidget* list) : QTextEdit(list)
{
    setObjectName(QString::number(kControlId));
    setAcceptRichText(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setTextColor(QColor::fromRgb(kTextColour));
    QPalette colours = palette();
    colours.setColor(QPalette::Text, QColor::fromRgb(kTextColour));
    setPalette(colours);
    hide();
}

void CPopupEditBox::edit(const QRect& rect, const QString& text)
{
    setGeometry(rect);
    setPlainText(text);
    selectAll();
    show();
    raise();
    setFocus();
}

void CPopupEditBox::close(bool accept)
{
    if (isHidden())
        return;
    const QString text = toPlainText();
    hide();
    if (parentWidget())
        parentWidget()->setFocus();
    if (accept)
        emit accepted(text);
    else
        emit cancelled();
}

void CPopupEditBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close(false);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        close(true);
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void CPopupEditBox::focusOutEvent(QFocusEvent* event)
{
    QTextEdit::focusOutEvent(event);
    // Leaving the box is not a decision about its text: it counts as cancelled.
    close(false);
}
