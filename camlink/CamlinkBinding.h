#pragma once
// The eleven exports of the camcorder link library, bound together: the link is usable only when all
// of them are there.

#include "platform/Library.h"
#include "siblings/Camlink/Camlink.h"

namespace camlink {

class CamlinkBinding {
public:
    enum class Result { Bound, LibraryMissing, ExportMissing };

    CamlinkBinding() = default;
    CamlinkBinding(const CamlinkBinding&) = delete;
    CamlinkBinding& operator=(const CamlinkBinding&) = delete;

    Result bind();
    void unbind();
    bool isBound() const { return bound_; }

    decltype(&NegotiateDvcPc) negotiate = nullptr;
    decltype(&CheckConnect) checkConnect = nullptr;
    decltype(&DvcCommand) command = nullptr;
    decltype(&GetDVCData) getDvcData = nullptr;
    decltype(&GetJpegData) getJpegData = nullptr;
    decltype(&GetDVCDataV) getDvcDataV = nullptr;
    decltype(&GetDvInfoInPack) getDvInfoInPack = nullptr;
    decltype(&GetDvInfoInData) getDvInfoInData = nullptr;
    decltype(&GetIrAllData) getIrAllData = nullptr;
    decltype(&SetIrAllData) setIrAllData = nullptr;
    decltype(&ChangeSpeed) changeSpeed = nullptr;

private:
    platform::Library library_;
    bool bound_ = false;
};

}  // namespace camlink
