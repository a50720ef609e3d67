#pragma once
// Opening the first selected item: a DV still with the DV frame viewer, a .dcf still with the program's
// own viewer, anything else with the desktop's default application for its type.
//
// Failures keep the numbered texts the user knows: a missing file is code 2, a missing folder code 3,
// no application for the type the generic failure.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace fileops {

struct OpenOptions {
    // Extra options for DV frames, appended after the file (the configuration's DV options).
    QStringList dvOptions;
    // The program's own DCF viewer; empty or false when it is not available.
    std::function<bool(const QString& path)> dcfViewer;
    // Starts a program detached; the default uses QProcess::startDetached. Tests record instead.
    std::function<bool(const QString& program, const QStringList& arguments)> starter;
    // Opens a file with the desktop's default application; the default is QDesktopServices::openUrl.
    std::function<bool(const QString& path)> opener;
};

class OpenFile {
public:
    static constexpr int DcfViewerMissingId = 20102;
    static constexpr int DcfViewerCaptionId = 21011;
    static constexpr int ApplicationTitleId = 21012;

    // The text for a failure code of the default-application path.
    static QString failureText(int code);

    // The program that shows DV stills: Framepeek beside the program, else on PATH. Empty when none.
    static QString dvProgram();

    // Opens `path`. Returns 33 when it started (the Windows convention: above 32 is success), else the
    // failure code after its message box. Launch failures of the DV viewer are silent (code 0 returned).
    static int open(const QString& path, const OpenOptions& options = {}, QWidget* owner = nullptr);
};

}  // namespace fileops
