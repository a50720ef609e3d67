#pragma once
// The list control's renderers: one per layout (the thumbnail grid, thumbnails with information, the
// details list). The list paints every pixel itself into an off-screen image; it fills the image with
// its background and hands the painter and a RenderContext to the current renderer.
//
// The list holds its lock and the store's lock for the whole draw, so the item pointers of the context
// stay valid and no thumbnail is half written while it is drawn.

#include "browser/FileItem.h"

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QPainter;
class QRect;

struct RenderContext {
    QString folder;                       // the current folder, for the items' paths
    std::vector<const FileItem*> items;   // the displayed items in display order; flags carry selection
    int topItem = 0;                      // display position of the first visible cell or row
    QSize clientSize;                     // the list's client area
    QFont captionFont = defaultCaptionFont();
    QColor captionColour = QColor::fromRgb(kCaptionColour);  // text of names and cells

    static constexpr int kCaptionPixels = 12;
    static constexpr QRgb kCaptionColour = qRgb(74, 167, 100);
    // "ＭＳ Ｐゴシック" at 12 pixels.
    static QFont defaultCaptionFont();

    // The caption font's height: its pixel size when it was given in pixels, else the measured height.
    int captionHeight() const;
};

class CListRenderer {
public:
    virtual ~CListRenderer() = default;

    // Draws the visible cells onto the list's off-screen image.
    virtual void draw(QPainter& painter, const RenderContext& context) = 0;
    // A notification from the list (its meaning is the renderer's).
    virtual void notify(int event, int value, const RenderContext& context)
    {
        (void)event;
        (void)value;
        (void)context;
    }

    // A Windows COLORREF (0x00BBGGRR) as a colour: the program's colours are kept in that form.
    static constexpr QRgb fromColorref(std::uint32_t colorref)
    {
        return qRgb(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                    static_cast<int>((colorref >> 16) & 0xFF));
    }

    // Information lines beside a thumbnail.
    static constexpr int kInformationLineHeight = 20;
    static constexpr int kInformationInset = 16;  // from the cell's left and right edges

    // Draws the information lines of one cell: each line 20 pixels high, from the cell's left + 16 to its
    // right − 16, the first at `top`, in the painter's font and pen.
    static void drawInformationLines(QPainter& painter, const QRect& cell, int top, const QStringList& lines);
};
