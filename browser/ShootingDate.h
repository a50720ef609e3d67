#pragma once
// When a picture was taken: the date the file records where the program can read one, else the file's
// creation time.
//
//   ".jpg", ".tif"   the Exif shooting date, through ImgProbe's _GetExifInfo
//   ".mov", ".avi"   the movie's creation time, through Clipnail's GetMovCreateTime (an AVI records
//                    none, so it always falls back)
//   ".dvf"           the date in the DV information the main frame keeps for the file, asked through
//                    the source the frame registers with setDvShootingDateSource()
//
// Extensions are compared on the last four characters of the path, without regard to case.

#include "browser/DateText.h"
#include "browser/ItemFacts.h"

#include <QString>

#include <functional>
#include <optional>

// Answers the DV recording date the frame keeps for a ".dvf" file, or nothing.
using DvShootingDateSource = std::function<std::optional<CalendarTime>(const QString& path)>;

// Installs (or, with an empty source, removes) the frame's DV dates. Called on the GUI thread.
// The source itself is asked from the loader's worker thread as well (it reads the facts of the ".dvf"
// items it passes), so it must answer safely from any thread.
void setDvShootingDateSource(DvShootingDateSource source);

// The date recorded in the file, or nothing (other kinds, nothing recorded, a library missing, no
// regular file). A missing ImgProbe is told to `notice`, or shown at once when it is empty.
std::optional<CalendarTime> recordedShootingDate(const QString& path, const LibraryMessageFn& notice = {});

// The shooting date as text in `style`; "(不明)" when the file is gone or no date converts.
QString shootingDateText(const QString& path, DateStyle style, const LibraryMessageFn& notice = {});
