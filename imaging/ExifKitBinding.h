#pragma once
// ExifKit as the program binds it. The decoding exports report a missing library or export (in the
// program's words or the thumbnail decoder's); encoding, orientation and copy steps bind it quietly and
// only fail.

#include "imaging/PackedDib.h"
#include "imaging/SiblingMessages.h"

#include "platform/Library.h"
#include "siblings/ExifKit/ExifKit.h"

#include <QString>

#include <cstdint>

namespace imaging {

// What the binding answers for a call whose export is not bound.
constexpr int32_t kExifKitUnavailable = -1;

// A parameter block ready for a call: size set, everything else zero.
ExifParams makeExifParams();

class ExifKitBinding {
public:
    enum Export : unsigned {
        CheckFormat = 1u << 0,
        GetThumbnail = 1u << 1,
        GetPrimaryImage = 1u << 2,
        OutputFromDib = 1u << 3,
        SetOrientation = 1u << 4,
    };
    enum class Messages {
        Program,           // "ExifKit.dll がロードできません。" / "の情報を取得できません。", application title
        ThumbnailDecoder,  // the same texts, caption "エラー", task-modal
        None,              // encoding, orientation and copy steps: no message
    };

    ExifKitBinding() = default;
    // A binding stays where it was made: its export addresses belong to its library handle.
    ExifKitBinding(const ExifKitBinding&) = delete;
    ExifKitBinding& operator=(const ExifKitBinding&) = delete;

    // Loads ExifKit and finds every export in `exports`, and those of `optional` it has. False (after
    // its message, if any) when the library or one of `exports` is missing; the library is then freed.
    bool bind(unsigned exports, Messages messages, unsigned optional = 0);
    void unbind();
    bool isBound() const { return library_.isLoaded(); }

    // The exports; kExifKitUnavailable when not bound. DIBs the library puts into the block belong to the
    // caller of these functions.
    int32_t checkFormat(const QString& path) const;
    int32_t getThumbnail(const QString& path, ExifParams& params) const;
    int32_t getPrimaryImage(const QString& path, ExifParams& params) const;
    int32_t outputFromDib(ExifParams& params, const QString& path, int32_t* written) const;
    int32_t setOrientation(const QString& path, int32_t direction, ExifParams& params) const;

private:
    platform::Library library_;
    decltype(&Exif_CheckFormat) checkFormat_ = nullptr;
    decltype(&Exif_GetThumbnail) getThumbnail_ = nullptr;
    decltype(&Exif_GetPrimaryImage) getPrimaryImage_ = nullptr;
    decltype(&Exif_OutputFromDib) outputFromDib_ = nullptr;
    decltype(&Exif_SetOrientation) setOrientation_ = nullptr;
};

}  // namespace imaging
