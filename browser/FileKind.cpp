#include "browser/FileKind.h"

QString fileKindName(int kind)
{
    static const char* const names[kFileKindCount] = {
        "BITMAP フォーマット",     "JPEG フォーマット",        "DVF フォーマット",
        "DCF フォーマット",        "TTL フォーマット",         "ASF フォーマット",
        "Exif - TIFF フォーマット", "Exif - TIFF フォーマット", "JPEG フォーマット(Exif)",
        "Motion-JPEG フォーマット",
    };
    if (kind < 0 || kind >= kFileKindCount)
        return {};
    return QString::fromUtf8(names[kind]);
}
