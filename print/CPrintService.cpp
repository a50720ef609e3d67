#include "print/CPrintService.h"

#include "platform/MessageBox.h"
#include "print/CPrintPreviewWnd.h"
#include "print/CPrintStatusDlg.h"
#include "resources/UiResources.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

namespace print {

namespace {

// Keeps the main window disabled while a job runs, and enables it again on every way out.
class WindowDisabler {
public:
    explicit WindowDisabler(QWidget* window) : window_(window)
    {
        if (window_)
            window_->setEnabled(false);
    }
    ~WindowDisabler()
    {
        if (window_)
            window_->setEnabled(true);
    }
    WindowDisabler(const WindowDisabler&) = delete;
    WindowDisabler& operator=(const WindowDisabler&) = delete;

private:
    QWidget* window_;
};

bool runPrintDialog(QPrinter& printer, QWidget* parent, int maxPage,
                    QAbstractPrintDialog::PrintDialogOptions options)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(options);
    dialog.setMinMax(1, std::max(1, maxPage));
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

QString titleAfterPreview(const QString& folder)
{
    QString title = UiResources::string(kTitlePrefixString);
    if (!folder.isEmpty()) {
        const int cut = std::max(folder.lastIndexOf(QLatin1Char('/')), folder.lastIndexOf(QLatin1Char('\\')));
        title += folder.mid(cut + 1);
    }
    return title;
}

CPrintService::CPrintService(DecoderFactory decoders)
    : decoders_(std::move(decoders)), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
}

CPrintService::~CPrintService() = default;

bool CPrintService::printerSetup(QWidget* parent)
{
    // The dialog writes its choices into the printer only when accepted: a cancel keeps the old ones.
    QPrintDialog dialog(printer_.get(), parent);
    dialog.setOptions(dialogOptions_);
    return dialog.exec() == QDialog::Accepted;
}

std::unique_ptr<PageSource> CPrintService::makeJob(PrintLayout layout, const QVector<PrintEntry>& entries)
{
    if (layout == PrintLayout::SinglePicture)
        return std::make_unique<SinglePictureJob>(entries, decoders_);
    return std::make_unique<IndexSheetJob>(indexLayoutFor(printer_.get()), entries, SheetMode::Print, decoders_);
}

PrintOutcome CPrintService::printWithoutDialog(PrintLayout layout, const QString& title,
                                               const QVector<PrintEntry>& entries, const PagePoll& poll)
{
    printer_->setDocName(title.left(kMaxDocumentName));
    auto job = makeJob(layout, entries);
    const PageRange range = clampPageRange(printer_->fromPage(), printer_->toPage(), 1, job->maxPage());
    return runPrintLoop(*printer_, *job, range, poll);
}

PrintOutcome CPrintService::print(PrintLayout layout, QWidget* mainWindow, const QString& title,
                                  const QVector<PrintEntry>& entries)
{
    if (entries.isEmpty())
        return PrintOutcome::Nothing;
    if (layout == PrintLayout::IndexSheet && !indexLayoutFor(printer_.get()).canPrint())
        return PrintOutcome::Nothing;
    auto probe = makeJob(layout, entries);
    if (!runPrintDialog(*printer_, mainWindow, probe->maxPage(), dialogOptions_))
        return PrintOutcome::Nothing;
    probe.reset();
    WindowDisabler disabled(mainWindow);
    CPrintStatusDlg status(title.left(kMaxDocumentName), printer_->printerName(),
                           printer_->outputFileName(), mainWindow);
    status.show();
    const PrintOutcome outcome = printWithoutDialog(
        layout, title, entries, [&status](int page) { return status.continueWithPage(page); });
    status.hide();
    if (outcome == PrintOutcome::StartFailed)
        platform::messageBox(mainWindow, UiResources::string(kStartFailedString),
                             UiResources::string(kMessageCaptionString), platform::MbOk | platform::MbIconExclamation);
    return outcome;
}

PrintOutcome CPrintService::printSingle(QWidget* mainWindow, const QString& title, const QVector<PrintEntry>& selected)
{
    QVector<PrintEntry> pictures;
    for (const PrintEntry& entry : selected)
        if (entry.hasImage)
            pictures.push_back(entry);
    return print(PrintLayout::SinglePicture, mainWindow, title, pictures);
}

PrintOutcome CPrintService::printIndex(QWidget* mainWindow, const QString& title, const QVector<PrintEntry>& listed)
{
    return print(PrintLayout::IndexSheet, mainWindow, title, listed);
}

void CPrintService::paintIndexPreview(QPrinter* target, const QVector<PrintEntry>& listed)
{
    IndexSheetJob job(indexLayoutFor(target), listed, SheetMode::Preview, decoders_);
    QPainter painter;
    if (!painter.begin(target))
        return;
    const QRect pageRect(0, 0, target->width(), target->height());
    const int pages = job.layout().pagesNeeded(static_cast<int>(listed.size()));
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            target->newPage();
        job.drawPage(painter, pageRect, page);
    }
    painter.end();
}

bool CPrintService::previewIndex(QWidget* mainWindow, const QVector<PrintEntry>& listed, const QString& folder)
{
    if (!indexLayoutFor(printer_.get()).canPrint())
        return false;
    CPrintPreviewWnd preview(printer_.get(), [this, &listed](QPrinter* target) { paintIndexPreview(target, listed); },
                             mainWindow);
    preview.exec();
    if (mainWindow)
        mainWindow->setWindowTitle(titleAfterPreview(folder));
    return preview.printRequested();
}

}  // namespace print
