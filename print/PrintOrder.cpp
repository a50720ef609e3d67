#include "print/PrintOrder.h"

#include "fileops/Progress.h"
#include "media/CardDetector.h"
#include "platform/FileSearch.h"
#include "platform/MessageBox.h"
#include "platform/Volumes.h"
#include "print/ImageFormatProbe.h"
#include "resources/UiResources.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace print {
namespace {

const QByteArray LineEnd = "\r\n";
const QString OrderFolder = QStringLiteral("MISC");
const QString OrderFile = QStringLiteral("AUTPRINT.MRK");
const QString BackupEnding = QStringLiteral("bak");
const QString StandardType = QStringLiteral("STD");

enum StringId {
    MsgWriteFailed = 20037,
    MsgNotReady = 20038,
    CaptionPrintOrder = 21012,
    MsgNotPrintable = 21054,
    MsgBadPathCharacters = 21055,
    MsgNameTooLong = 21056,
    TextSaving = 21053,
};

constexpr qsizetype MaxBaseNameLength = 8; // DCF file names are 8.3

QByteArray resourceText(int id)
{
    return UiResources::string(id).toUtf8();
}

QByteArray threeDigits(std::int32_t value)
{
    return QByteArray::number(static_cast<unsigned>(value)).rightJustified(3, '0');
}

// Upper case for ASCII only: bytes of other characters stay as they are.
QByteArray asciiUpper(QByteArray text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool sameUpperCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

// ---- EditedList ----

void EditedList::setPrinting(size_t index, bool print)
{
    EditedPicture& picture = pictures.at(index);
    if (print) {
        if (picture.quantity <= 0) {
            addToTotal(1 - std::max(0, picture.quantity));
            picture.quantity = 1;
        }
    } else {
        addToTotal(-static_cast<qint64>(picture.quantity));
        picture.quantity = 0;
    }
}

void EditedList::addToTotal(qint64 difference)
{
    // The total read from the card may not cover the quantities (a hand-edited file, a negative
    // quantity); it shows copies, so it never goes below none.
    totalCopies = std::max<qint64>(0, totalCopies + difference);
}

void EditedList::setQuantity(size_t index, std::int32_t quantity)
{
    EditedPicture& picture = pictures.at(index);
    quantity = std::clamp(quantity, 0, MaxQuantity);
    addToTotal(static_cast<qint64>(quantity) - picture.quantity);
    picture.quantity = quantity;
}

void EditedList::setQuantityOfAll(std::int32_t quantity)
{
    for (size_t i = 0; i < pictures.size(); ++i)
        setQuantity(i, quantity);
}

// ---- PrintOrder ----

PrintOrder::PrintOrder(std::shared_ptr<OrderFileIo> io) : io_(std::move(io)) {}

void PrintOrder::setCardPath(const QString& path)
{
    const QString root = platform::Volumes::driveRootOf(path);
    if (root != driveRoot_) {
        loaded_ = false;
        jobs_.clear();
        afterImage_ = false;
        totalCopies_ = 0;
    }
    cardPath_ = path;
    driveRoot_ = root;
}

QString PrintOrder::orderFilePath() const
{
    const QString wanted = driveRoot_ + OrderFolder + QLatin1Char('/') + OrderFile;
    if (const QString found = platform::FileSearch::resolve(wanted); !found.isEmpty())
        return found;
    if (const QString folder = platform::FileSearch::resolve(driveRoot_ + OrderFolder); !folder.isEmpty())
        return folder + QLatin1Char('/') + OrderFile;
    return wanted;
}

QString PrintOrder::backupFilePath() const
{
    return orderFilePath().chopped(BackupEnding.size()) + BackupEnding;
}

bool PrintOrder::pictureExists(const QString& path) const
{
    return !path.isEmpty() && platform::FileSearch::exists(path);
}

bool PrintOrder::load()
{
    jobs_.clear();
    afterImage_ = false;
    totalCopies_ = 0;
    loaded_ = false;

    QByteArray content;
    const IoError error = io_->read(orderFilePath(), &content);
    if (error == IoError::NotReady) {
        platform::messageBox(nullptr, UiResources::string(MsgNotReady), UiResources::string(CaptionPrintOrder),
                             platform::MbIconExclamation);
        return false;
    }
    if (error == IoError::None) {
        dpof::Content parsed = dpof::parse(content, driveRoot_);
        jobs_ = std::move(parsed.jobs);
        afterImage_ = parsed.afterImage;
        totalCopies_ = parsed.totalCopies;
    }
    loaded_ = true;
    return true;
}

void PrintOrder::reportWriteFailure(IoError error) const
{
    if (error == IoError::NotReady) {
        platform::messageBox(nullptr, UiResources::string(MsgNotReady), UiResources::string(CaptionPrintOrder),
                             platform::MbIconExclamation);
    } else {
        platform::messageBox(nullptr, UiResources::string(MsgWriteFailed), UiResources::string(CaptionPrintOrder),
                             platform::MbIconStop);
    }
}

QByteArray PrintOrder::imageSourceLine(const QString& imagePath) const
{
    const QString below = imagePath.startsWith(driveRoot_) ? QLatin1Char('/') + imagePath.mid(driveRoot_.size())
                                                           : platform::Volumes::pathBelowDrive(imagePath);
    QByteArray line = resourceText(StringJob + 5);
    line.insert(std::min(ImagePathInsertAt, line.size()), QFile::encodeName(below));
    line.replace('\\', '/');
    return asciiUpper(line);
}

QByteArray PrintOrder::standardJobText(const PrintJob& job, unsigned number, ImageFormatProbe& probe) const
{
    const QByteArray quantityLine = resourceText(StringJob + 3) + threeDigits(job.quantity) + LineEnd;
    const auto code = probe.format(job.imagePath);
    QByteArray text;
    text += resourceText(StringJob) + LineEnd;
    text += resourceText(StringJob + 1) + threeDigits(static_cast<std::int32_t>(number)) + LineEnd;
    text += resourceText(StringJob + 2) + job.printType.toUtf8() + LineEnd;
    if (!afterImage_)
        text += quantityLine;
    text += resourceText(StringJob + 4) + (code ? ImageFormatProbe::formatText(*code) : QByteArray()) + LineEnd;
    text += imageSourceLine(job.imagePath) + LineEnd;
    if (afterImage_)
        text += quantityLine;
    for (const QByteArray& line : job.keptLines)
        text += line + LineEnd;
    text += LineEnd;
    return text;
}

PrintOrder::WriteOutcome PrintOrder::writeJobs(const dpof::Content& previous, bool hadPrevious,
                                               fileops::Progress* progress, ImageFormatProbe& probe, IoError* error)
{
    // The header: the previous file's, when it had a whole one; a shorter one would swallow the first
    // job at the next reading.
    QByteArray header;
    if (hadPrevious && previous.headerLineCount >= dpof::HeaderLines) {
        for (int i = 0; i < previous.headerLineCount; ++i)
            header += previous.lines[static_cast<size_t>(i)] + LineEnd;
    } else {
        for (int id = StringHeaderFirst; id < StringHeaderFirst + dpof::HeaderLines; ++id)
            header += resourceText(id) + LineEnd;
        header += LineEnd;
    }
    if ((*error = io_->write(header)) != IoError::None)
        return WriteOutcome::Failed;

    const std::vector<dpof::CarriedJob> carried =
        hadPrevious ? dpof::carriedJobs(previous) : std::vector<dpof::CarriedJob>{};
    // Standard jobs among the first 999 of the list; a longer list is cut there.
    std::vector<const PrintJob*> standard;
    for (size_t i = 0; i < std::min(jobs_.size(), MaxWrittenJobs); ++i) {
        const PrintJob& job = jobs_[i];
        if (job.isStandard() && job.quantity > 0 && !job.imagePath.isEmpty())
            standard.push_back(&job);
    }
    const qint64 steps = static_cast<qint64>(standard.size() + carried.size());
    qint64 step = 0;
    unsigned number = 0;

    // Between two jobs the window shows the progress and the user may cancel.
    auto stepDone = [&] {
        ++step;
        if (!progress)
            return false;
        progress->setProgress(step, steps);
        return progress->cancelRequested();
    };

    for (const PrintJob* job : standard) {
        if ((*error = io_->write(standardJobText(*job, ++number, probe))) != IoError::None)
            return WriteOutcome::Failed;
        if (stepDone())
            return WriteOutcome::Cancelled;
    }

    for (const dpof::CarriedJob& job : carried) {
        QByteArray kept;
        bool hadPictures = false;
        bool keptPicture = false;
        for (const QByteArray& line : job.lines) {
            if (dpof::isImageSourceLine(line)) {
                hadPictures = true;
                const auto picture = dpof::imageSource(line, driveRoot_);
                if (!picture || !pictureExists(*picture))
                    continue;
                keptPicture = true;
            }
            kept += line + LineEnd;
        }
        // A job whose pictures are all gone would print nothing of what it was made for.
        if (!hadPictures || keptPicture) {
            QByteArray text = resourceText(StringJob) + LineEnd;
            text += resourceText(StringJob + 1) + threeDigits(static_cast<std::int32_t>(++number)) + LineEnd;
            text += resourceText(StringJob + 2) + job.printType + LineEnd;
            text += kept;
            if ((*error = io_->write(text)) != IoError::None)
                return WriteOutcome::Failed;
        }
        if (stepDone())
            return WriteOutcome::Cancelled;
    }
    return WriteOutcome::Written;
}

bool PrintOrder::save(fileops::Progress* progress)
{
    // Without the keyword texts the file would be unreadable; the old order is worth more.
    if (resourceText(StringJob).isEmpty())
        return false;

    const QString orderPath = orderFilePath();
    const QString backupPath = backupFilePath();

    // 1. Keep the previous order: in memory for the header and the carried jobs, on the card as backup.
    QByteArray previousBytes;
    const IoError readError = io_->read(orderPath, &previousBytes);
    const bool hadPrevious = readError == IoError::None;
    const IoError copyError = hadPrevious ? io_->copy(orderPath, backupPath) : readError;
    if (copyError == IoError::WriteProtected || copyError == IoError::DiskFull) {
        reportWriteFailure(copyError);
        return false;
    }
    const bool backupMade = copyError == IoError::None;
    const dpof::Content previous = hadPrevious ? dpof::parse(previousBytes, driveRoot_) : dpof::Content{};

    // 2. The new order file.
    if (const IoError error = io_->create(orderPath); error != IoError::None) {
        reportWriteFailure(error);
        return false;
    }
    if (progress)
        progress->open(UiResources::string(TextSaving));

    ImageFormatProbe probe;
    IoError error = IoError::None;
    WriteOutcome outcome = writeJobs(previous, hadPrevious, progress, probe, &error);
    if (outcome == WriteOutcome::Written && (error = io_->finish()) != IoError::None)
        outcome = WriteOutcome::Failed;
    if (progress)
        progress->close();

    switch (outcome) {
    case WriteOutcome::Written:
        loaded_ = true;
        return true;
    case WriteOutcome::Failed:
        // The half-written file goes; the backup holds the previous order.
        io_->abandon();
        io_->remove(orderPath);
        reportWriteFailure(error);
        return false;
    case WriteOutcome::Cancelled:
        io_->abandon();
        io_->remove(orderPath);
        // Only a backup made by this save is the previous order; an older one would bring back
        // orders the user has since changed.
        if (backupMade)
            io_->copy(backupPath, orderPath);
        return false;
    }
    return false;
}

bool PrintOrder::revalidate(const QString& currentFolder)
{
    QString folder = currentFolder;
    if (folder.isEmpty()) {
        media::CardDetector detector;
        folder = detector.search(QString(), 0, 1);
        if (folder == media::CardDetector::NotFound)
            return true;
    }
    setCardPath(folder);
    if (!platform::FileSearch::exists(orderFilePath()))
        return true;
    if (!loaded_ && !load())
        return false;

    const size_t before = jobs_.size();
    jobs_.erase(std::remove_if(jobs_.begin(), jobs_.end(),
                               [&](const PrintJob& job) { return job.isStandard() && !pictureExists(job.imagePath); }),
                jobs_.end());
    const bool removed = jobs_.size() != before;

    bool stale = false;
    QByteArray bytes;
    if (io_->read(orderFilePath(), &bytes) == IoError::None) {
        for (const dpof::CarriedJob& job : dpof::carriedJobs(dpof::parse(bytes, driveRoot_))) {
            for (const QByteArray& line : job.lines) {
                if (!dpof::isImageSourceLine(line))
                    continue;
                const auto picture = dpof::imageSource(line, driveRoot_);
                stale = stale || !picture || !pictureExists(*picture);
            }
        }
    }
    if (removed || stale)
        return save(nullptr);
    return true;
}

int PrintOrder::refusalOf(const QString& path, ImageFormatProbe& probe) const
{
    const QString ending = path.right(4);
    bool printable = ending.compare(QLatin1String(".jpg"), Qt::CaseInsensitive) == 0;
    if (!printable && ending.compare(QLatin1String(".tif"), Qt::CaseInsensitive) == 0) {
        const auto code = probe.format(path);
        printable = code && ImageFormatProbe::isExifTiff(*code);
    }
    if (!printable)
        return MsgNotPrintable;

    if (QFileInfo(path).completeBaseName().size() > MaxBaseNameLength)
        return MsgNameTooLong;

    // The path as the order file holds it: below the card's root, after a drive letter and colon. A
    // double quote would end the quoted path early and a backslash would become a folder separator, so
    // both are refused with the blanks and control characters.
    const QByteArray below = QFile::encodeName(platform::Volumes::pathBelowDrive(path));
    if (below.size() + 2 >= MaxDpofPathLength)
        return MsgBadPathCharacters;
    for (char c : below) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '"' || c == '\\')
            return MsgBadPathCharacters;
    }
    return 0;
}

EditedList PrintOrder::editedList(const QStringList& files)
{
    EditedList list;
    if (!loaded_)
        load();
    list.totalCopies = std::max<qint64>(0, totalCopies_);

    QStringList sorted = files;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    // A picture named twice would count its copies twice when it is taken out of the order.
    sorted.erase(std::unique(sorted.begin(), sorted.end(), sameUpperCase), sorted.end());

    ImageFormatProbe probe;
    for (const QString& path : sorted) {
        if (const int refusal = refusalOf(path, probe)) {
            platform::messageBox(
                nullptr, QStringLiteral("[ %1 ]%2").arg(QFileInfo(path).fileName(), UiResources::string(refusal)),
                UiResources::string(CaptionPrintOrder), platform::MbIconExclamation);
            continue;
        }
        EditedPicture picture;
        picture.path = path;
        for (const PrintJob& job : jobs_) {
            if (job.isStandard() && sameUpperCase(job.imagePath, path)) {
                // A negative quantity in the file prints nothing; the dialog shows it as not printed.
                picture.quantity = std::max(0, job.quantity);
                picture.printType = job.printType;
                break;
            }
        }
        list.pictures.push_back(picture);
    }
    return list;
}

bool PrintOrder::merge(const EditedList& list, const std::function<bool()>& confirmLargeOrder)
{
    std::vector<PrintJob> merged = jobs_;
    for (const EditedPicture& picture : list.pictures) {
        auto job = std::find_if(merged.begin(), merged.end(), [&](const PrintJob& candidate) {
            return candidate.isStandard() && !candidate.imagePath.isEmpty() &&
                   sameUpperCase(candidate.imagePath, picture.path);
        });
        if (job != merged.end()) {
            if (picture.quantity > 0)
                job->quantity = picture.quantity;
            else
                merged.erase(job);
        } else if (picture.quantity > 0) {
            PrintJob added;
            added.quantity = picture.quantity;
            added.printType = isStandardType(picture.printType) ? picture.printType : StandardType;
            added.imagePath = picture.path;
            merged.push_back(added);
        }
    }
    if (merged.size() >= LargeOrderJobs && !(confirmLargeOrder && confirmLargeOrder()))
        return false;
    jobs_ = std::move(merged);
    totalCopies_ = list.totalCopies;
    return true;
}

} // namespace print
