// Feeds arbitrary bytes to the print-order reader. Besides staying in bounds, the reader must keep its
// promises: no line longer than 255 characters, and no picture path outside the card.

#include "print/DpofReader.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

constexpr size_t MaxInput = 1 << 16; // a print order of 999 jobs is well below this
const QString Root = QStringLiteral("/card/");

void checkPicture(const QString& path)
{
    if (path.isEmpty())
        return;
    if (!path.startsWith(Root) || path.contains(QLatin1String("/../")) || path.endsWith(QLatin1String("/..")))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > MaxInput)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const print::dpof::Content content = print::dpof::parse(bytes, Root);
    if (content.jobs.size() != content.typeLines.size())
        __builtin_trap();
    for (const QByteArray& line : content.lines) {
        if (line.size() > print::dpof::MaxLineLength)
            __builtin_trap();
        if (const auto picture = print::dpof::imageSource(line, Root))
            checkPicture(*picture);
    }
    for (const print::PrintJob& job : content.jobs)
        checkPicture(job.imagePath);
    for (const print::dpof::CarriedJob& job : print::dpof::carriedJobs(content)) {
        for (const QByteArray& line : job.lines) {
            if (print::dpof::isImageSourceLine(line))
                checkPicture(print::dpof::imageSource(line, Root).value_or(QString()));
        }
    }
    return 0;
}
