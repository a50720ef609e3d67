#pragma once
// The picture-format question a print order asks of the ImgProbe library: which DPOF format text
// ("EXIF2 -J" and the like) a picture gets, and whether a TIFF is an Exif TIFF.
//
// The library is bound on the first question and kept for the life of the probe, so a save of 999 jobs
// binds it once and a missing library is reported once (imaging's per-call binding would report it for
// every job).

#include "platform/Library.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace print {

class ImageFormatProbe {
public:
    // The format code of `path` (found without regard to case), or nothing when the library, its export
    // or the answer is missing.
    std::optional<std::uint16_t> format(const QString& path);

    // "JFIF" for codes 6 and 7, "EXIF1 -J" for 8, "EXIF2 -J" for 9, "EXIF2 -T" for 16 and 17, else empty.
    static QByteArray formatText(std::uint16_t code);

    static bool isExifTiff(std::uint16_t code) { return code == ExifTiff2 || code == ExifTiff1; }

    static constexpr std::uint16_t ExifTiff2 = 16;
    static constexpr std::uint16_t ExifTiff1 = 17;

private:
    using GetImageFormat = std::uint16_t (*)(const char*, std::uint16_t*);

    bool bind();

    platform::Library library_;
    GetImageFormat getImageFormat_ = nullptr;
    bool tried_ = false;
};

} // namespace print
