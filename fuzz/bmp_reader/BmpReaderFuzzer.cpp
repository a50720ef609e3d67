// The program's BMP reader on hostile files: whatever it accepts must be a DIB whose every byte lies
// inside its block; the siblings' reader (used by ImgShift) gets the same bytes.

#include "siblings/FuzzInput.h"

#include "BmpFile.h"
#include "imaging/BmpFile.h"

#include <QString>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile file(data, size);
    if (!file.ok())
        return 0;
    const imaging::PackedDib dib = imaging::readBmpFile(QString::fromStdString(file.path()));
    if (dib) {
        if (!dib.isValid() || dib.totalBytes() > dib.capacity())
            std::abort();
        // Touch every pixel row: a reader that lied about sizes shows up under the sanitizer.
        volatile uint8_t sum = 0;
        for (int y = 0; y < dib.height(); ++y)
            sum = static_cast<uint8_t>(sum + dib.row(y)[dib.rowBytes() - 1]);
    }
    void* sibling = ks::readBmpMemory(data, size, nullptr);
    std::free(sibling);
    return 0;
}
