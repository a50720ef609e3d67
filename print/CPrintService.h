#pragma once
// The print service of the thumbnail view: printer setup, printing the selected pictures one a page,
// printing an index sheet of the listed files, and the index sheet's preview. It keeps the printer
// settings the user chose for every later job.

#include "browser/ThumbnailLoader.h"
#include "print/PageJobs.h"
#include "print/PrintLoop.h"

#include <QAbstractPrintDialog>
#include <QString>
#include <QVector>

#include <memory>

class QPrinter;
class QWidget;

namespace print {

// The document name a printer shows: the frame's title, at most this many characters.
constexpr int kMaxDocumentName = 31;
// The string of the main window's title that comes before the folder's name.
constexpr int kTitlePrefixString = 21009;
// The message when the printer refuses the document, and the caption of the print messages.
constexpr int kStartFailedString = 21060;
constexpr int kMessageCaptionString = 21012;

enum class PrintLayout { SinglePicture, IndexSheet };

// The main window's title after the preview closes: string 21009 and, when a folder is shown, the part
// of its path after the last separator.
QString titleAfterPreview(const QString& folder);

class CPrintService {
public:
    explicit CPrintService(DecoderFactory decoders);
    ~CPrintService();
    CPrintService(const CPrintService&) = delete;
    CPrintService& operator=(const CPrintService&) = delete;

    QPrinter& printer() { return *printer_; }

    // The printer dialog's choices: by default none (no selection, no page numbers, no print to file).
    // A host that prints to files (an archive, the tests) opens the file choice.
    void setDialogOptions(QAbstractPrintDialog::PrintDialogOptions options) { dialogOptions_ = options; }

    // The printer dialog; the chosen settings replace the kept ones. False when cancelled.
    bool printerSetup(QWidget* parent);

    // The print commands: the printer dialog, then the printing loop with the status window. The main
    // window is disabled while the job runs. `title` names the document.
    PrintOutcome printSingle(QWidget* mainWindow, const QString& title, const QVector<PrintEntry>& selected);
    PrintOutcome printIndex(QWidget* mainWindow, const QString& title, const QVector<PrintEntry>& listed);

    // The index preview; returns true when the user pressed its print control (the caller then runs its
    // print command). The main window's title is set back afterwards from `folder`.
    bool previewIndex(QWidget* mainWindow, const QVector<PrintEntry>& listed, const QString& folder);

    // Prints a layout on the kept printer without dialogs or windows (what the commands do after the
    // dialog). `poll` is asked before each page.
    PrintOutcome printWithoutDialog(PrintLayout layout, const QString& title, const QVector<PrintEntry>& entries,
                                    const PagePoll& poll = {});

    // Paints the whole index preview onto `target` (a preview's page device).
    void paintIndexPreview(QPrinter* target, const QVector<PrintEntry>& listed);

private:
    std::unique_ptr<PageSource> makeJob(PrintLayout layout, const QVector<PrintEntry>& entries);
    PrintOutcome print(PrintLayout layout, QWidget* mainWindow, const QString& title,
                       const QVector<PrintEntry>& entries);

    DecoderFactory decoders_;
    std::unique_ptr<QPrinter> printer_;
    QAbstractPrintDialog::PrintDialogOptions dialogOptions_{};
};

}  // namespace print
