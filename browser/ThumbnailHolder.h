#pragma once
// The cached thumbnail of one item: the picture (a 24-bit packed DIB, or nothing for unknown files)
// and the SOURCE picture's size and depth. A holder can outlive its item across a re-listing of the
// same folder, which is how thumbnails survive a refresh.

#include "browser/ItemFacts.h"
#include "imaging/PackedDib.h"

#include <cstdint>
#include <memory>

struct ThumbnailHolder {
    imaging::PackedDib dib;
    std::int32_t width = 0;     // of the source picture
    std::int32_t height = 0;    // of the source picture
    std::int32_t bitCount = 0;  // of the source picture
    bool present = false;       // a result was stored (also when dib is null)
    // What the texts show about the file, read once with the thumbnail (null until then). Kept here
    // rather than in the item so that it survives a re-listing exactly as long as the thumbnail does.
    std::shared_ptr<const ItemFacts> facts;

    // Stores a decode result: the previous picture goes, the new one (null for kind -1) is taken over.
    void store(imaging::PackedDib picture, int kind, std::int32_t sourceWidth, std::int32_t sourceHeight,
               std::int32_t sourceBitCount)
    {
        dib = kind == -1 ? imaging::PackedDib() : std::move(picture);
        width = sourceWidth;
        height = sourceHeight;
        bitCount = sourceBitCount;
        present = true;
    }

    // Forgets the picture (its item was dropped or its file changed).
    void clear()
    {
        dib = imaging::PackedDib();
        present = false;
        facts.reset();
    }

    ThumbnailHolder copy() const
    {
        ThumbnailHolder other;
        other.dib = dib.copy();
        other.width = width;
        other.height = height;
        other.bitCount = bitCount;
        other.present = present;
        other.facts = facts;
        return other;
    }
};
