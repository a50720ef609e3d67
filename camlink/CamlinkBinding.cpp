#include "camlink/CamlinkBinding.h"

namespace camlink {

CamlinkBinding::Result CamlinkBinding::bind()
{
    unbind();
    library_ = platform::Library(QStringLiteral("Camlink"));
    if (!library_.isLoaded())
        return Result::LibraryMissing;
    negotiate = library_.function<decltype(negotiate)>("NegotiateDvcPc");
    checkConnect = library_.function<decltype(checkConnect)>("CheckConnect");
    command = library_.function<decltype(command)>("DvcCommand");
    getDvcData = library_.function<decltype(getDvcData)>("GetDVCData");
    getJpegData = library_.function<decltype(getJpegData)>("GetJpegData");
    getDvcDataV = library_.function<decltype(getDvcDataV)>("GetDVCDataV");
    getDvInfoInPack = library_.function<decltype(getDvInfoInPack)>("GetDvInfoInPack");
    getDvInfoInData = library_.function<decltype(getDvInfoInData)>("GetDvInfoInData");
    getIrAllData = library_.function<decltype(getIrAllData)>("GetIrAllData");
    setIrAllData = library_.function<decltype(setIrAllData)>("SetIrAllData");
    changeSpeed = library_.function<decltype(changeSpeed)>("ChangeSpeed");
    bound_ = negotiate && checkConnect && command && getDvcData && getJpegData && getDvcDataV && getDvInfoInPack &&
             getDvInfoInData && getIrAllData && setIrAllData && changeSpeed;
    if (!bound_) {
        unbind();
        return Result::ExportMissing;
    }
    return Result::Bound;
}

void CamlinkBinding::unbind()
{
    bound_ = false;
    negotiate = nullptr;
    checkConnect = nullptr;
    command = nullptr;
    getDvcData = nullptr;
    getJpegData = nullptr;
    getDvcDataV = nullptr;
    getDvInfoInPack = nullptr;
    getDvInfoInData = nullptr;
    getIrAllData = nullptr;
    setIrAllData = nullptr;
    changeSpeed = nullptr;
    library_.unload();
}

}  // namespace camlink
