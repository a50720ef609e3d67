#pragma once
// ImgProbe, bound for each call and freed right after. A missing library or export is reported with
// its message (caption "DLL読み込みエラー"; "DLL 読み込みエラー" for a missing _GetExifInfo) and the call is
// not made.

#include "siblings/ImgProbe/ImgProbe.h"

#include <QString>

#include <cstdint>

namespace imaging {

// The status of a probe whose library or export is missing, and of one given no path or no target.
constexpr uint16_t kImgProbeUnavailable = 3;

// _GetImageFormat: the status, the code in *format (left alone when the call is not made).
uint16_t getImageFormat(const QString& path, uint16_t* format);

// _GetExifInfo into `info`; its dateTime holds the shooting date on status 0.
uint16_t getExifInfo(const QString& path, ImgProbeExifInfo* info);

// True when the file is an Exif TIFF (format code 16 or 17); false also when the probe cannot run.
bool isExifTiff(const QString& path);

}  // namespace imaging
