#pragma once
// What the folder tree keeps for each of its items: the place it shows and where that place sits.

#include "platform/Shell.h"

#include <QString>

namespace media {

struct FolderItem {
    // The folder that contains the place (empty for the desktop, and for the volumes, whose parent is
    // the computer).
    QString parentFolder;
    // The place itself: display name, parsing path, attribute bits.
    platform::ShellItem place;
    // Whether the item's children have been listed (the first expansion lists them; refresh keeps them
    // in step only for items listed once).
    bool expandedOnce = false;

    quint32 attributes() const { return place.attributes; }
};

}  // namespace media
