#pragma once
// Thumbnails with information (layout 1): one wide cell per row, the picture at 128 on the left like the
// grid draws it, and the item's information lines beside it.

#include "browser/CGridRenderer.h"

class CInfoRenderer : public CGridRenderer {
public:
    explicit CInfoRenderer(const list::ListGeometry& geometry);

    void draw(QPainter& painter, const RenderContext& context) override;
};
