#pragma once
// Stillform for the .dcf thumbnail decoder, which keeps the library bound for its life.

#include "imaging/PackedDib.h"

#include "platform/Library.h"
#include "siblings/Stillform/Stillform.h"

#include <QByteArray>

namespace imaging {

class StillformBinding {
public:
    StillformBinding() = default;
    // A binding stays where it was made: its export addresses belong to its library handle.
    StillformBinding(const StillformBinding&) = delete;
    StillformBinding& operator=(const StillformBinding&) = delete;

    // Binds Stillform and mkDCbmp. A missing library shows "Stillform.dll がロードできません。" (caption
    // "エラー", task-modal); a missing export is silent. False when either is missing.
    bool bind();
    void unbind();
    bool isBound() const { return decode_ != nullptr; }

    // Decodes a whole .dcf file into a packed DIB in a zero-filled 19,624-byte block; empty when unbound,
    // out of memory, or when mkDCbmp answers other than 0.
    PackedDib decode(const QByteArray& file) const;

private:
    platform::Library library_;
    decltype(&mkDCbmp) decode_ = nullptr;
};

}  // namespace imaging
