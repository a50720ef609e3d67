#pragma once
// One file of the current folder.

#include "browser/FileKind.h"
#include "browser/FileTime.h"
#include "browser/ThumbnailHolder.h"

#include <QString>

#include <cstdint>
#include <memory>

struct FileItem {
    // Flag bits.
    static constexpr std::uint32_t kSelected = 0x1;
    static constexpr std::uint32_t kSearchMark = 0x80000;  // marked by the last name search
    static constexpr std::uint32_t kCutMark = 0x100;       // offered by a cut: drawn faded until pasted

    // Load states.
    static constexpr std::int32_t kToLoad = 0;
    static constexpr std::int32_t kLoaded = 2;  // made, or given up

    QString name;  // without folder
    std::unique_ptr<ThumbnailHolder> thumbnail = std::make_unique<ThumbnailHolder>();
    std::int32_t kind = KindUnknown;
    std::uint32_t flags = 0;
    // The whole 64-bit size: files of 4 GB and more (long movies) keep their true size.
    std::uint64_t size = 0;
    FileTime lastWrite = 0;
    std::int32_t loadState = kToLoad;

    bool isSelected() const { return flags & kSelected; }
};
