#pragma once
// Pasting or dropping files into a card's image folder: each picture goes onto the card as an Exif JPEG
// under the next camera name "IMGA<nnnn>.JPG"; everything else is handed back for the ordinary copy.
//
// Strategy: the user's source is never touched. Each picture is copied into a private temporary folder
// (a fresh folder of this process, never a shared name in the temporary folder that another user could
// have planted), converted there, and the finished JPEG is moved onto the card by the file operation
// service, which writes under a hidden name and renames, so the card only ever holds whole files. An
// Exif TIFF keeps its shooting date in the JPEG made from it; an Exif JPEG goes over byte for byte.
//
// Cancellation contract: the progress window is asked before each file. A cancel stops the paste before
// the next file is begun; the pictures already on the card stay, nothing half-written is left.

#include "fileops/FileOperation.h"

#include "imaging/ImgShiftBinding.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace fileops {

class Progress;

struct CardCopyResult {
    // The paste ended early (cancel, the 9999 limit, a failed move): the caller refreshes its folder
    // display and copies nothing more.
    bool stopped = false;
    QStringList remaining;  // the non-pictures, in order, for the ordinary copy; empty when none
    QStringList written;    // the card files made, in order
};

class CardCopy {
public:
    // The result word of a stopped paste, as the card search uses it for "nothing there".
    static constexpr QStringView StopMarker = u"Directory Not Found";
    // The string of the progress window's text line.
    static constexpr int ProgressTextId = 20033;
    static const QString FullFolderMessage;

    // `progress` may be null (no window); `owner` parents the messages.
    explicit CardCopy(Progress* progress = nullptr, QWidget* owner = nullptr);

    void setDvFilter(const imaging::DvFilterSettings& settings) { dvSettings_ = settings; }

    // Copies `files` into `folder`. A folder that is no card image folder hands every file back at
    // once. Without ExifKit (after its message) nothing is copied and nothing handed back. `kind` is
    // the paste's operation; the sources of pictures stay where they are either way, and the caller
    // copies or moves the remaining files as it asked.
    CardCopyResult run(const QStringList& files, const QString& folder, OperationKind kind = OperationKind::Copy);

    // The same as the list the callers of the card copy expect: the remaining files, or the one entry
    // StopMarker.
    static QStringList asList(const CardCopyResult& result);

private:
    Progress* progress_;
    QWidget* owner_;
    imaging::DvFilterSettings dvSettings_;
};

}  // namespace fileops
