#include "design/DesignBitmaps.h"

#include "resources/UiResources.h"

namespace design {

BitmapLookup bitmapsOrDefault(BitmapLookup lookup)
{
    if (lookup)
        return lookup;
    return [](int id) { return UiResources::bitmap(id); };
}

BitmapLookup iconsOrDefault(BitmapLookup lookup)
{
    if (lookup)
        return lookup;
    return [](int id) { return UiResources::icon(id); };
}

}  // namespace design
