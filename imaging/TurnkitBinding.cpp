#include "imaging/TurnkitBinding.h"

#include "platform/Library.h"
#include "siblings/Turnkit/Turnkit.h"

namespace imaging {

PackedDib turnDib(const PackedDib& dib, int direction)
{
    if (!dib.isValid())
        return {};
    platform::Library library(QStringLiteral("Turnkit"));
    const char* name = direction == kTurn270 ? "_DoTurnkit270" : direction == kTurn90 ? "_DoTurnkit90" : "_DoTurnkit180";
    auto turn = library.function<decltype(&_DoTurnkit90)>(name);
    if (!turn)
        return {};
    PackedDib turned = PackedDib::adopt(turn(dib.get()));
    return turned.isValid() ? std::move(turned) : PackedDib();
}

}  // namespace imaging
