#pragma once
// Finds a camera memory card among the drives.
//
// A drive holds a card when its root has a "MISC" entry and either a "DCIM" folder with a numbered DCF
// sub-folder or an older "IMnnxxxx" folder at the root. Every present drive is classified; the card
// chosen is the first one after the drive of the previous card (so repeated searches cycle through the
// cards), else the first card of all. The answer is the card's picture folder with a
// trailing '/', or "Directory Not Found".
//
// A detector serves one search: build it, call search(), read the answer, drop it. It works on the
// calling thread; examining a drive means listing its root (and its DCIM folder). Floppy drives are
// told apart by their kernel device name, so a search never touches floppy media unless asked to.

#include "platform/Volumes.h"

#include <QString>
#include <QStringView>

#include <cstdint>

namespace media {

// What classifyDrive() found on one drive.
enum DriveStatus : std::uint16_t {
    DriveTypeUnknown = 0,
    DriveNoRoot = 1,
    DriveRemovableNoCard = 2, // also a floppy that was not examined
    DriveFixedNoCard = 3,     // also a fixed disk that was not examined
    DriveNetwork = 4,
    DriveCdRom = 5,
    DriveRamDisk = 6,
    DriveHoldsCard = 7,    // foundPath was set
    DriveSystem = 8,       // never examined
    DriveFloppyNoCard = 9, // an examined floppy without a card
};

class CardDetector {
public:
    static constexpr QStringView NotFound = u"Directory Not Found";
    // The card reader's status program; while it runs, a removable drive without a card is not probed
    // a second time during the initial scan.
    static constexpr QStringView StatusProgram = u"FPMCSTAT";

    // Determines fpmcstatRunning from the running processes.
    CardDetector();
    // For tests: the status program's presence given.
    explicit CardDetector(bool statusProgramRunning);

    // Examines every drive and answers the chosen card's picture folder, or NotFound. `previousPath` is
    // the previous card's path (its drive is preferred); empty when there was none.
    QString search(const QString& previousPath, int scanFloppies, int checkFixedDisks);

    // Status of the drive whose root is `root`; sets foundPath when it is DriveHoldsCard.
    std::uint16_t classifyDrive(const QString& root, bool initialScan, int scanFloppies, int checkFixedDisks);

    // 1 when the volume at `root` is a floppy drive, else 0. Never reads the medium.
    int isFloppyDrive(const QString& root) const;

    // True when `root` holds the card layout; `folder` then receives its picture folder ("/" ended).
    bool findCardFolder(const QString& root, QString* folder) const;

    // True when a process whose executable base name is `baseName` (compared without case, extension
    // ignored) runs. `procRoot` stands for /proc.
    static bool processRunning(QStringView baseName, const QString& procRoot = QStringLiteral("/proc"));

    int checkFixedDisks = 1;
    int scanFloppies = 0;
    QString foundPath;
    int fpmcstatRunning = 0;

private:
    std::uint16_t classify(const platform::Volume* volume, const QString& root, bool initialScan, int scanFloppies,
                           int checkFixedDisks);
    bool findDcfFolder(const QString& root, const QString& dcimName, QString* folder) const;

    std::vector<platform::Volume> volumes_;
};

} // namespace media
