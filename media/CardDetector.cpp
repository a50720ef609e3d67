#include "media/CardDetector.h"

#include "media/CameraFolders.h"
#include "platform/FileSearch.h"
#include "platform/Trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace media {
namespace {

constexpr qsizetype FolderNameLength = 8;
constexpr int NoOldFolderYet = 100; // above every two-digit folder number
constexpr int LowestDcfNumber = 100;
constexpr int HighestDcfNumber = 999;

// Characters 3-4 of an old-style name read as a decimal number: the leading digits only, as a C
// reader of numbers would take them ("1A" is 1).
int oldFolderNumber(QStringView name)
{
    int number = 0;
    for (qsizetype i = 2; i < 4 && name[i].isDigit() && name[i] < u'\x80'; ++i)
        number = number * 10 + (name[i].unicode() - u'0');
    return number;
}

// The older layout as the card test sees it: upper-case "IM", a number that is not 0, then four
// camera-name characters.
bool passesOldStyleTest(QStringView name)
{
    if (name.size() != FolderNameLength || name[0] != u'I' || name[1] != u'M')
        return false;
    if (oldFolderNumber(name) == 0)
        return false;
    for (qsizetype i = 4; i < FolderNameLength; ++i) {
        if (!isCameraNameChar(name[i]))
            return false;
    }
    return true;
}

// The folder number: the name's leading decimal number, which must be 100-999 and take exactly the
// first three characters ("1000ABCD" is folder 1000, out of range), then five camera-name characters.
int dcfFolderNumber(QStringView name)
{
    if (name.size() != FolderNameLength)
        return -1;
    int number = 0;
    qsizetype digits = 0;
    while (digits < name.size() && name[digits] >= u'0' && name[digits] <= u'9' && digits < 4) {
        number = number * 10 + (name[digits].unicode() - u'0');
        ++digits;
    }
    if (digits != 3 || number < LowestDcfNumber || number > HighestDcfNumber)
        return -1;
    for (qsizetype i = 3; i < FolderNameLength; ++i) {
        if (!isCameraNameChar(name[i]))
            return -1;
    }
    return number;
}

QString baseNameOf(QString path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0)
        path = path.mid(cut + 1);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? path.left(dot) : path;
}

bool sameName(const QString& candidate, QStringView baseName)
{
    return !candidate.isEmpty() && baseNameOf(candidate).compare(baseName, Qt::CaseInsensitive) == 0;
}

} // namespace

CardDetector::CardDetector() : fpmcstatRunning(processRunning(StatusProgram) ? 1 : 0) {}

CardDetector::CardDetector(bool statusProgramRunning) : fpmcstatRunning(statusProgramRunning ? 1 : 0) {}

bool CardDetector::processRunning(QStringView baseName, const QString& procRoot)
{
    for (const platform::DirEntry& entry : platform::FileSearch::list(procRoot, u"*")) {
        bool numeric = false;
        entry.name.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QString folder = procRoot + QLatin1Char('/') + entry.name;
        // The executable itself where we may see it; the first command-line word for programs run
        // through a loader (a Windows program under an emulator); the kernel's short name last.
        if (sameName(QFileInfo(folder + QStringLiteral("/exe")).symLinkTarget(), baseName))
            return true;
        QFile cmdline(folder + QStringLiteral("/cmdline"));
        if (cmdline.open(QIODevice::ReadOnly)) {
            const QByteArray words = cmdline.read(4096);
            if (sameName(QFile::decodeName(words.left(words.indexOf('\0'))), baseName))
                return true;
        }
        QFile comm(folder + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && sameName(QFile::decodeName(comm.read(256).trimmed()), baseName))
            return true;
    }
    return false;
}

QString CardDetector::search(const QString& previousPath, int scanFloppies, int checkFixedDisks)
{
    foundPath.clear();
    volumes_ = platform::Volumes::list();

    // The first card after the previous card's drive wins, so a repeated search moves on to the next
    // card; the first card at or before that drive is held as the fallback, which brings a search back
    // round to the first card (and finds a single card again while it stays in).
    const int preferred = platform::Volumes::driveIndexOf(previousPath, volumes_);

    QString result;
    bool chosen = false;
    bool fallbackHeld = false;
    for (size_t slot = 0; slot < volumes_.size(); ++slot) {
        const platform::Volume& volume = volumes_[slot];
        platform::trace(volume.root.toStdString());
        if (isFloppyDrive(volume.root) == 1 && scanFloppies != 1)
            continue;
        const std::uint16_t status = classify(&volume, volume.root, true, scanFloppies, checkFixedDisks);
        if (chosen || status != DriveHoldsCard)
            continue;
        if (static_cast<int>(slot) > preferred) {
            result = foundPath;
            chosen = true;
        } else if (!fallbackHeld) {
            result = foundPath;
            fallbackHeld = true;
        }
    }
    platform::trace("\r\n");
    volumes_.clear();
    return chosen || fallbackHeld ? result : NotFound.toString();
}

std::uint16_t CardDetector::classifyDrive(const QString& root, bool initialScan, int scanFloppies, int checkFixedDisks)
{
    volumes_ = platform::Volumes::list();
    const QString probe = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    const platform::Volume* volume = nullptr;
    for (const platform::Volume& candidate : volumes_) {
        if (candidate.root == probe)
            volume = &candidate;
    }
    const std::uint16_t status = classify(volume, probe, initialScan, scanFloppies, checkFixedDisks);
    volumes_.clear();
    return status;
}

std::uint16_t CardDetector::classify(const platform::Volume* volume, const QString& root, bool initialScan,
                                     int scanFloppies, int checkFixedDisks)
{
    using platform::VolumeType;
    if (!volume || !QFileInfo(root).isDir())
        return DriveNoRoot;

    switch (volume->type) {
    case VolumeType::Floppy:
    case VolumeType::Removable: {
        if (isFloppyDrive(root) == 1 && scanFloppies != 1)
            return DriveRemovableNoCard;
        QString folder;
        if (findCardFolder(root, &folder)) {
            foundPath = folder;
            return DriveHoldsCard;
        }
        if (fpmcstatRunning && initialScan)
            return DriveRemovableNoCard;
        return isFloppyDrive(root) == 1 ? DriveFloppyNoCard : DriveRemovableNoCard;
    }
    case VolumeType::Fixed: {
        if (checkFixedDisks != 1)
            return DriveFixedNoCard;
        if (volume->system)
            return DriveSystem;
        QString folder;
        if (findCardFolder(root, &folder)) {
            foundPath = folder;
            return DriveHoldsCard;
        }
        return DriveFixedNoCard;
    }
    case VolumeType::Network:
        return DriveNetwork;
    case VolumeType::CdRom:
        return DriveCdRom;
    case VolumeType::RamDisk:
        return DriveRamDisk;
    case VolumeType::Unknown:
        break;
    }
    return DriveTypeUnknown;
}

int CardDetector::isFloppyDrive(const QString& root) const
{
    const QString probe = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    // Inside a search the snapshot taken for it is used; on its own the list is read anew.
    const std::vector<platform::Volume>& volumes = volumes_.empty() ? platform::Volumes::list() : volumes_;
    for (const platform::Volume& volume : volumes) {
        if (volume.root == probe)
            return volume.type == platform::VolumeType::Floppy ? 1 : 0;
    }
    return 0;
}

bool CardDetector::findCardFolder(const QString& root, QString* folder) const
{
    const QString base = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    bool hasMisc = false;
    bool hasDcf = false;
    bool hasOld = false;
    int bestOld = NoOldFolderYet;
    QString candidate;

    for (const platform::DirEntry& entry : platform::FileSearch::list(base, u"*.*")) {
        if (entry.name.compare(QLatin1String("MISC"), Qt::CaseInsensitive) == 0) {
            hasMisc = true;
        } else if (entry.name.compare(QLatin1String("DCIM"), Qt::CaseInsensitive) == 0) {
            QString dcf;
            if (findDcfFolder(base, entry.name, &dcf)) {
                hasDcf = true;
                candidate = dcf;
            }
        } else if (!hasDcf && entry.isDir && passesOldStyleTest(entry.name)) {
            // A plain file of that name cannot be the picture folder, so only folders count.
            hasOld = true;
            const int number = oldFolderNumber(entry.name);
            if (number > 0 && number < bestOld) {
                candidate = base + entry.name + QLatin1Char('/');
                bestOld = number;
            }
        }
        if (hasMisc && hasDcf) {
            if (folder)
                *folder = candidate;
            return true;
        }
    }
    if (hasMisc && hasOld) {
        if (folder)
            *folder = candidate;
        return true;
    }
    return false;
}

bool CardDetector::findDcfFolder(const QString& root, const QString& dcimName, QString* folder) const
{
    const QString dcim = root + dcimName + QLatin1Char('/');
    int best = HighestDcfNumber + 1;
    for (const platform::DirEntry& entry : platform::FileSearch::list(dcim, u"*.*")) {
        const int number = entry.isDir ? dcfFolderNumber(entry.name) : -1;
        if (number >= 0 && number < best) {
            best = number;
            *folder = dcim + entry.name + QLatin1Char('/');
        }
    }
    return best <= HighestDcfNumber;
}

} // namespace media
