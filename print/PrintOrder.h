#pragma once
// A card's print order (DPOF, "MISC/AUTPRINT.MRK" below the card's root): read, edited, written back,
// and pruned after file operations.
//
// Standard prints (type STD, one picture each) are this program's business and are written anew on
// every save; jobs of any other type are carried over line by line from the previous file, minus the
// lines of pictures that are gone. Every save first copies the order to "AUTPRINT.bak" beside it, so the
// previous order survives whatever happens to the new one: a failed write deletes the half-written order
// file and leaves the backup; a cancel deletes it and copies the backup back.
//
// The "drive" of the card is the root of the volume that holds the card path. Pictures are looked for
// without regard to case, as the card's own file system does.

#include "print/DpofReader.h"
#include "print/OrderFileIo.h"
#include "print/PrintJob.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace fileops {
class Progress;
}

namespace print {

class ImageFormatProbe;

// One picture of the print-order dialog with the quantity being edited.
struct EditedPicture {
    QString path;
    std::int32_t quantity = 0;
    QString printType = QStringLiteral("STD");
};

// The dialog's list, sorted by path without regard to case, and the running total of the whole order.
class EditedList {
public:
    static constexpr std::int32_t MinQuantity = 1;
    static constexpr std::int32_t MaxQuantity = 999; // three digits in the file

    std::vector<EditedPicture> pictures;
    qint64 totalCopies = 0;

    // Print chosen: a picture not printed so far gets one copy. Not printed: its copies leave the total.
    void setPrinting(size_t index, bool print);
    // A typed or stepped quantity (held within 0..999); the total moves by the difference.
    void setQuantity(size_t index, std::int32_t quantity);
    void setQuantityOfAll(std::int32_t quantity);

private:
    // Moves the total, never below 0.
    void addToTotal(qint64 difference);
};

class PrintOrder {
public:
    static constexpr std::size_t MaxWrittenJobs = 999;  // job numbers have three digits
    static constexpr std::size_t LargeOrderJobs = 1000; // from here on the user is asked
    static constexpr qsizetype MaxDpofPathLength = 64;  // a drive letter, colon and the path, in bytes
    static constexpr int StringHeaderFirst = 21000;     // 21000-21002: the header lines
    static constexpr int StringJob = 21003;             // 21003-21008: a job's keywords
    static constexpr qsizetype ImagePathInsertAt = 14;  // just after the opening `"..` of 21008

    explicit PrintOrder(std::shared_ptr<OrderFileIo> io = std::make_shared<OrderFileIo>());

    // The card path (a folder on the card); its volume's root is the card's drive. Changing the drive
    // forgets what was loaded.
    void setCardPath(const QString& path);
    const QString& cardPath() const { return cardPath_; }
    const QString& driveRoot() const { return driveRoot_; }

    // The order file (found without regard to case, else "<root>MISC/AUTPRINT.MRK") and its backup
    // (the same name with "bak" for its last three characters).
    QString orderFilePath() const;
    QString backupFilePath() const;

    // Reads the order file. A missing file is an empty order; a card that is not ready shows message
    // 20038 and the load fails.
    bool load();
    bool isLoaded() const { return loaded_; }

    // Writes the whole file anew. With a progress window the user may cancel between jobs. False when
    // the order could not be written (the user has been told) or was cancelled.
    bool save(fileops::Progress* progress = nullptr);

    // After a file operation in `currentFolder` (empty: the card search supplies the card): drops
    // standard jobs whose pictures are gone, and saves when a job was dropped or a carried job names a
    // missing picture. False when the order could not be read or that save failed.
    bool revalidate(const QString& currentFolder);

    std::vector<PrintJob>& jobs() { return jobs_; }
    const std::vector<PrintJob>& jobs() const { return jobs_; }
    bool afterImage() const { return afterImage_; }
    void setAfterImage(bool after) { afterImage_ = after; }
    qint64 totalCopies() const { return totalCopies_; }

    // The dialog's list for the selected files: refused files are reported one by one ("[ name ]reason"),
    // accepted ones start from the quantity of their standard job (none below 0); a file named twice is
    // listed once. Loads the order first if needed.
    EditedList editedList(const QStringList& files);

    // 0 when `path` may be ordered, else the number of the string that says why not.
    int refusalOf(const QString& path, ImageFormatProbe& probe) const;

    // Folds the edited quantities into the jobs: an existing standard job gets its new quantity or goes
    // at 0, a picture without one gets a new job. When that makes 1,000 jobs or more, `confirmLargeOrder`
    // decides; on no nothing changes and false is returned.
    bool merge(const EditedList& list, const std::function<bool()>& confirmLargeOrder);

private:
    enum class WriteOutcome { Written, Failed, Cancelled };

    WriteOutcome writeJobs(const dpof::Content& previous, bool hadPrevious, fileops::Progress* progress,
                           ImageFormatProbe& probe, IoError* error);
    QByteArray standardJobText(const PrintJob& job, unsigned number, ImageFormatProbe& probe) const;
    QByteArray imageSourceLine(const QString& imagePath) const;
    bool pictureExists(const QString& path) const;
    void reportWriteFailure(IoError error) const;

    std::shared_ptr<OrderFileIo> io_;
    QString cardPath_;
    QString driveRoot_;
    std::vector<PrintJob> jobs_;
    bool afterImage_ = false;
    qint64 totalCopies_ = 0;
    bool loaded_ = false;
};

} // namespace print
