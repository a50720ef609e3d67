#pragma once
// The thumbnail grid (layout 0): a frame bitmap behind every cell, a tiled border along the top and left
// edges, each picture fitted into its cell with a drop shadow (or the file's icon while it has none), the
// display name below it and a blue frame around the selected cells.
//
// Thumbnails are stored for a 128-pixel box; smaller sizes are drawn from the same picture, resampled
// without smoothing, so a size change never decodes again.

#include "browser/CListRenderer.h"
#include "browser/ListGeometry.h"
#include "imaging/PackedDib.h"

#include <QImage>
#include <QRect>

class CGridRenderer : public CListRenderer {
public:
    // Bitmaps of the resource bundle: the cell frames by size index, the border tiles and the shadow.
    static constexpr int kFrameBitmap128 = 500;  // ... 504 for 32
    static constexpr int kBorderCornerBitmap = 505;   // 4 x 4
    static constexpr int kBorderTopBitmap = 506;      // 124 x 4
    static constexpr int kBorderLeftBitmap = 507;     // 4 x 124
    static constexpr int kShadowBottomBitmap = 508;   // 124 x 7
    static constexpr int kShadowCornerBitmap = 509;   // 7 x 7
    static constexpr int kShadowRightBitmap = 510;    // 7 x 124
    static constexpr int kBorderWidth = 4;
    static constexpr int kBorderTile = 124;
    static constexpr int kShadowWidth = 7;
    static constexpr int kIconSize = 32;
    static constexpr int kSelectionPen = 3;
    static constexpr QRgb kSelectionColour = fromColorref(0xFF0000);  // blue

    // `geometry` is the list's own and is read at every draw, so it follows layout and size changes.
    explicit CGridRenderer(const list::ListGeometry& geometry);

    void draw(QPainter& painter, const RenderContext& context) override;

    // Loads the frame bitmap of `sizeIndex` (a null image when the bundle has none).
    void setSizeIndex(int sizeIndex);

    // The picture of one item inside `picture`: its icon when it has no thumbnail yet (kind -1 or not
    // loaded), else the thumbnail fitted without enlarging, with its shadow.
    void drawPicture(QPainter& painter, const RenderContext& context, const FileItem& item, const QRect& picture) const;
    // Draws `dib` fitted into `target`: copied 1:1 when it already has the fitted size, else resampled
    // (no smoothing) to that size first. Nothing is drawn for a DIB that cannot be read.
    static void drawBlock(QPainter& painter, const imaging::PackedDib& dib, const QRect& target);
    // The selection frame: a 3-pixel ring just outside `cell`.
    static void drawSelection(QPainter& painter, const QRect& cell);
    // The display positions whose cells are at least partly visible.
    static int lastVisible(const list::ListGeometry& geometry, const RenderContext& context, int columns);

protected:
    const list::ListGeometry& geometry_;
    QImage frame_;  // the cell frame of the current size

private:
    void drawBorder(QPainter& painter, const QSize& client) const;
    void drawShadow(QPainter& painter, const QRect& drawn) const;

    QImage borderCorner_;
    QImage borderTop_;
    QImage borderLeft_;
    QImage shadowBottom_;
    QImage shadowCorner_;
    QImage shadowRight_;
};
