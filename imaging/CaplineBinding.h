#pragma once
// Capline for the title thumbnail decoder, which keeps the library bound for its life. Binding is
// silent: without Capline title files simply show as unknown files.

#include "imaging/PackedDib.h"

#include "platform/Library.h"
#include "siblings/Capline/Capline.h"

#include <QByteArray>

namespace imaging {

// The flags the program passes to the title export: a 24-bit DIB with smooth glyph edges.
constexpr int32_t kTitleDecoderFlags = 1025;

class CaplineBinding {
public:
    CaplineBinding() = default;
    // A binding stays where it was made: its export addresses belong to its library handle.
    CaplineBinding(const CaplineBinding&) = delete;
    CaplineBinding& operator=(const CaplineBinding&) = delete;

    // Binds Capline and its title export, looked for as "TitleDecrder" first and "TitleDecoder" second.
    bool bind();
    void unbind();
    bool isBound() const { return decode_ != nullptr; }

    // Draws the title card of a whole .ttl file; empty when unbound or the export answers other than 0.
    PackedDib decode(const QByteArray& file, int* width = nullptr, int* height = nullptr) const;

private:
    platform::Library library_;
    decltype(&TitleDecoder) decode_ = nullptr;
};

}  // namespace imaging
