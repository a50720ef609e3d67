#pragma once
// ImgProbe, bound for each call and freed right after. A missing library or export is reported with
// its message (caption "DLL読み込みエラー"; "DLL 読み込みエラー" for a missing _GetExifInfo) and the call is
// not made.

#include "siblings/ImgProbe/ImgProbe.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace imaging {

// The status of a probe whose library or export is missing, and of one given no path or no target.
constexpr uint16_t kImgProbeUnavailable = 3;

// Where a missing library's or export's message goes instead of a box (text and caption, UTF-8): for
// callers that may not show one where they are (a worker thread, a paint, under a lock).
using ProbeMessageReport = std::function<void(const char* text, const char* caption)>;

// _GetImageFormat: the status, the code in *format (left alone when the call is not made).
uint16_t getImageFormat(const QString& path, uint16_t* format, const ProbeMessageReport& report = {});

// _GetExifInfo into `info`; its dateTime holds the shooting date on status 0.
uint16_t getExifInfo(const QString& path, ImgProbeExifInfo* info, const ProbeMessageReport& report = {});

// True when the file is an Exif TIFF (format code 16 or 17); false also when the probe cannot run.
bool isExifTiff(const QString& path);

}  // namespace imaging
