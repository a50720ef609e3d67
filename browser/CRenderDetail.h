#pragma once
// The details list (layout 2): one row per displayed item under a column header.
//
// A row is caption height + 4 pixels high; rows are 3 pixels apart and start 20 pixels below the top,
// under the 16-pixel header. The widths of the five columns live in one table: the header is built
// from it, the rows are drawn from it, and the notifications keep the two in step.

#include "browser/CListRenderer.h"
#include "browser/DetailColumns.h"

#include <QPointer>
#include <QRect>

class CHeaderCtrlEx;
class QWidget;

class CRenderDetail : public CListRenderer {
public:
    // Notification events.
    enum Event {
        ListResized = 0,    // the header follows the list's width
        WidthsChanged = 1,  // the user dragged a column edge: the table takes the header's widths
        FitColumn = 2,      // value = column: fit it to the widest text of the displayed items
    };

    static constexpr int kHeaderId = 5000;        // child id of the header (its objectName)
    static constexpr int kHeaderHeight = 16;
    static constexpr int kScrollBarWidth = 19;    // the header leaves room for the list's scroll bar
    static constexpr int kTopMargin = 20;         // the first row sits under the header
    static constexpr int kRowGap = 3;
    static constexpr int kRowPadding = 4;         // row height = caption height + 4
    static constexpr QRgb kRowColour = qRgb(47, 47, 47);
    static constexpr QRgb kSelectionColour = fromColorref(0xFF0000);  // blue
    static constexpr int kSelectionPenWidth = 6;
    static constexpr int kIconSize = 16;
    static constexpr int kNameLeft = 18;          // the name starts right of the icon
    static constexpr int kNameRightInset = 2;     // ... and ends this far inside column 0
    static constexpr int kColumnGap = 4;          // between one column's text and the next
    static constexpr int kFitIconRoom = 20;       // added to the widest name: the icon
    static constexpr int kFitTextRoom = 4;        // added to the widest text of the other columns
    static constexpr int kMinFitWidth = 12;

    // Makes the header as a visible child of `list` and inserts the five columns.
    explicit CRenderDetail(QWidget* list);
    ~CRenderDetail() override;
    CRenderDetail(const CRenderDetail&) = delete;
    CRenderDetail& operator=(const CRenderDetail&) = delete;

    void draw(QPainter& painter, const RenderContext& context) override;
    void notify(int event, int value, const RenderContext& context) override;

    // The text of `column` for `item`.
    QString text(const QString& folder, const FileItem& item, int column) const;

    const ColumnWidths& widths() const { return widths_; }
    CHeaderCtrlEx* header() const { return header_; }

    // The rectangle of the row at display position `position` (relative to the context's top item).
    QRect rowRect(int position, const RenderContext& context) const;
    // The text rectangle of `column` within `row`.
    QRect columnRect(int column, const QRect& row) const;

private:
    void drawRow(QPainter& painter, const RenderContext& context, const FileItem& item, const QRect& row) const;
    void placeHeader(const QSize& clientSize);
    void readWidthsFromHeader();

    QPointer<QWidget> list_;
    QPointer<CHeaderCtrlEx> header_;
    ColumnWidths widths_ = initialColumnWidths();
    bool settingHeader_ = false;  // the header echoes our own width changes; they need no reading back
};
