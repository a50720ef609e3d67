#pragma once
// Where the design controls get their pictures: by number, from the resource bundles unless the creator
// hands in a lookup of its own (a bar with bitmaps of its own, or a test that draws them).

#include <QImage>

#include <functional>

namespace design {

// Picture `id`, or a null image when there is none of that number.
using BitmapLookup = std::function<QImage(int id)>;

// `lookup` itself, or the bundles' bitmaps (UiResources::bitmap) when it is empty.
BitmapLookup bitmapsOrDefault(BitmapLookup lookup);
// `lookup` itself, or the bundles' icons (UiResources::icon) when it is empty.
BitmapLookup iconsOrDefault(BitmapLookup lookup);

}  // namespace design
