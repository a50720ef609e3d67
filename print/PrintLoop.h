#pragma once
// The printing loop both layouts share: one document on a printer, page by page, with a poll between
// pages that can abort it.

#include <QRect>

#include <functional>

class QPainter;
class QPrinter;

namespace print {

// What a layout gives the loop.
class PageSource {
public:
    virtual ~PageSource() = default;
    // The pages the print dialog offers.
    virtual int maxPage() const = 0;
    // Whether 1-based `page` has anything to print; the loop stops at the first page without.
    virtual bool hasPage(int page) const = 0;
    // Draws `page` onto `painter`, whose device area is `pageRect`.
    virtual void drawPage(QPainter& painter, const QRect& pageRect, int page) = 0;
};

enum class PrintOutcome {
    Printed,      // the document was finished
    Nothing,      // no page to print: no document was started
    StartFailed,  // the printer refused the document
    Aborted,      // cancelled between pages, or a page could not be started; the document was discarded
};

// The pages to print: from the larger of `first` and `minimum` to the smaller of `last` and `maximum`.
// A dialog that leaves the range at 0 means every page.
struct PageRange {
    int first = 0;
    int last = 0;
    bool isEmpty() const { return first > last; }
};
PageRange clampPageRange(int first, int last, int minimum, int maximum);

// Called before each page with its number; false aborts the document.
using PagePoll = std::function<bool(int page)>;

PrintOutcome runPrintLoop(QPrinter& printer, PageSource& source, PageRange range, const PagePoll& poll = {});

}  // namespace print
