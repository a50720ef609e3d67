#pragma once
// Exif JPEG and Exif TIFF files through ExifKit: the embedded thumbnail when the view allows it, else the
// primary picture. The reported size is the Exif pixel dimensions, and small pictures are enlarged to
// the box.

#include "browser/FormatThumbDecoder.h"
#include "imaging/ExifKitBinding.h"

class ExifFileThumbDecoder : public FormatThumbDecoder {
public:
    ExifFileThumbDecoder() : FormatThumbDecoder(KindExifJpeg) {}
    bool bind(bool quiet) override;
    void unbind() override { exif_.unbind(); }
    bool identify(QFile& file, const QString& path, const LoadRequest& request) override;
    int decode(QFile& file, const QString& path, DecodeResult& result) override;

    // The middle of `thumbnail` in the shape of a shapeWidth x shapeHeight picture: the bands a camera
    // puts around a picture of another shape are cut away. Returned as it came when the shapes agree to
    // a pixel, and for pictures of less than 8 bits.
    static imaging::PackedDib cropToShape(imaging::PackedDib thumbnail, int shapeWidth, int shapeHeight);
    static constexpr int kShapeTolerance = 1;

protected:
    QSize reportedSize() const override { return exifSize_; }
    bool enlarges() const override { return true; }

private:
    imaging::ExifKitBinding exif_;
    bool useEmbedded_ = true;
    QSize exifSize_;
};
