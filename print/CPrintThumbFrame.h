#pragma once
// The frame of the print-order dialog that shows one picture's thumbnail, fitted into the frame (never
// enlarged, so a small thumbnail stays sharp) and centred on the window colour.

#include "imaging/PackedDib.h"

#include <QFrame>
#include <QImage>

class CPrintThumbFrame : public QFrame {
public:
    explicit CPrintThumbFrame(QWidget* parent = nullptr);

    // Takes over the thumbnail (an empty one clears the frame).
    void setThumbnail(imaging::PackedDib thumbnail);
    bool hasThumbnail() const { return !thumbnail_.isNull(); }

    // The picture as drawn for the frame's current size, and where it goes in the frame.
    QImage fittedImage(QPoint* at = nullptr) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    imaging::PackedDib thumbnail_;
    mutable QImage fitted_; // made for fittedSize_ on demand; dropped on a new picture or size
    mutable QPoint fittedAt_;
};
