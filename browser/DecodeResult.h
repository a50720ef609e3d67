#pragma once
// One file's decode outcome, filled by the loader and the decoders.

#include "browser/FileTime.h"
#include "browser/ItemFacts.h"
#include "imaging/PackedDib.h"

#include <QString>

#include <cstdint>
#include <memory>

class ItemStore;

struct DecodeResult {
    static constexpr std::int32_t kFromDecoder = 1;
    static constexpr std::int32_t kFromIcon = 0;
    static constexpr std::int32_t kEmpty = -1;

    std::int32_t fromDecoder = kEmpty;
    QString name;
    imaging::PackedDib thumbnail;  // 24-bit packed DIB, or null
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitCount = 0;
    std::int32_t kind = -1;
    std::uint64_t size = 0;
    FileTime lastWrite = 0;
    ItemStore* store = nullptr;
    std::int32_t enlarge = 0;  // the picture wants scaling up to the box when smaller
    std::shared_ptr<const ItemFacts> facts;  // read with a single file's decode; null in a pass
};
