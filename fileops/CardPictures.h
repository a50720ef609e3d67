#pragma once
// Turning pasted pictures into what a camera would have written: an Exif JPEG under a camera name.
//
// Pictures are BMP, JPEG, DV still (.dvf) and title (.ttl) files, and TIFFs that carry Exif data. A
// picture that is already an Exif JPEG goes onto the card as it is; any other is converted through
// ImgShift into a 24-bit BMP and written anew by ExifKit. Everything else is copied unchanged by the
// ordinary file operation.

#include "imaging/ExifKitBinding.h"
#include "imaging/ImgShiftBinding.h"
#include "media/CameraFolders.h"

#include <QString>

namespace fileops {

// A paste gives camera names only in a card's image folder: "DCIM/<DCF folder>" or an old "IMnnxxxx"
// folder right below a drive root, nothing deeper.
inline bool isCardImageFolder(const QString& folder)
{
    return media::isCameraFolder(folder);
}

// True when `path` is a picture a paste into a card converts: ".bmp", ".jpg", ".dvf" or ".ttl" (its last
// four characters, any case), or ".tif" that ExifKit recognises as Exif. `exif` needs CheckFormat bound.
bool isCardPicture(const QString& path, const imaging::ExifKitBinding& exif);

// A name made from `pattern`: with "%lu" in it, random numbers are put in its place until a name is
// found that no file has; the file is created empty on the spot, so the name stays ours. Without "%lu"
// the pattern is the name. Empty when no file can be created there.
QString uniqueNameFromPattern(const QString& pattern);

// Makes an Exif JPEG of `source` (a private temporary copy, which it never changes). On success
// `output` is the source itself when that is already an Exif JPEG, else a new file "KESTRELDSC<n>.jpg"
// beside the converted picture, which the caller owns. Intermediate files are removed either way. False
// when ExifKit or ImgShift is missing or the picture cannot be read or written; no message is shown
// for those, but an unreadable BMP shows string 20014 as every BMP reading does.
bool convertToExifJpeg(const QString& source, QString* output,
                       const imaging::DvFilterSettings& dvSettings = imaging::DvFilterSettings());

} // namespace fileops
