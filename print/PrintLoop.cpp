#include "print/PrintLoop.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace print {

PageRange clampPageRange(int first, int last, int minimum, int maximum)
{
    if (first <= 0 && last <= 0)
        return {minimum, maximum};
    return {std::max(first, minimum), std::min(last, maximum)};
}

PrintOutcome runPrintLoop(QPrinter& printer, PageSource& source, PageRange range, const PagePoll& poll)
{
    // Starting a document commits the printer to paper; a job with no page never starts one.
    if (range.isEmpty() || !source.hasPage(range.first))
        return PrintOutcome::Nothing;
    QPainter painter;
    if (!painter.begin(&printer))
        return PrintOutcome::StartFailed;
    const QRect pageRect(0, 0, printer.width(), printer.height());
    for (int page = range.first; page <= range.last && source.hasPage(page); ++page) {
        if ((poll && !poll(page)) || (page > range.first && !printer.newPage())) {
            printer.abort();
            painter.end();
            return PrintOutcome::Aborted;
        }
        source.drawPage(painter, pageRect, page);
    }
    if (!painter.end())
        return PrintOutcome::Aborted;
    return PrintOutcome::Printed;
}

}  // namespace print
