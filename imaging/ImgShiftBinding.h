#pragma once
// ImgShift, bound for one conversion and freed right after. It shows no message when missing: the
// caller gets the statuses below and decides what to say.

#include "siblings/ImgShift/ImgShift.h"

#include <QString>

#include <cstdint>

namespace imaging {

constexpr uint16_t kImgShiftExportMissing = 6;
constexpr uint16_t kImgShiftLibraryMissing = 7;

// The DV picture options handed to SetDvFilter before a conversion.
struct DvFilterSettings {
    int32_t attributeA = 1;    // the source file's attribute a, 1 when it has none
    int32_t attributesBC = 0;  // b x 256 + c
    ImgShiftRect crop{5, 0, 5, 0};
};

// SetDvFilter (when the library has it) with `settings`, then _ImageConvert of `source` with `mode`.
// `output` holds the wanted output path, or is empty for "beside the source"; on status 0 it receives
// the path written. Returns _ImageConvert's status, kImgShiftExportMissing or kImgShiftLibraryMissing.
uint16_t convertImage(const QString& source, QString& output, int32_t mode, const DvFilterSettings& settings);

}  // namespace imaging
