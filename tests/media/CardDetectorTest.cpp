#include "media/CardDetector.h"

#include "media/FakeCard.h"
#include "platform/Trace.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

using media::CardDetector;
using testing_support::FakeTree;
using testing_support::VolumeTable;

namespace {

const QString NotFound = CardDetector::NotFound.toString();

QString searchOnce(const QString& previous = QString())
{
    CardDetector detector(false);
    return detector.search(previous, 0, 1);
}

// One removable drive holding the given entries.
struct OneCard {
    VolumeTable table;
    const FakeTree& card = table.addDrive("removable", "CARD");
};

TEST(CardDetectorLayout, LowestDcfFolderOfACardWithMisc)
{
    OneCard setup;
    setup.card.makeDir("DCIM/101ABCDE");
    setup.card.makeDir("DCIM/100ABCDE");
    setup.card.makeDir("MISC");
    EXPECT_EQ(searchOnce(), setup.card.path("DCIM/100ABCDE/"));
}

TEST(CardDetectorLayout, WithoutMiscThereIsNoCard)
{
    OneCard setup;
    setup.card.makeDir("DCIM/100ABCDE");
    setup.card.makeDir("IM01ABCD");
    EXPECT_EQ(searchOnce(), NotFound);
}

TEST(CardDetectorLayout, MiscAsAFileCounts)
{
    OneCard setup;
    setup.card.makeDir("DCIM/100ABCDE");
    setup.card.makeFile("MISC");
    EXPECT_EQ(searchOnce(), setup.card.path("DCIM/100ABCDE/"));
}

TEST(CardDetectorLayout, DcimSubFoldersThatDoNotQualify)
{
    for (const char* name : {"99ABCDEF", "1000ABCD", "1x0ABCDE", "100ABC-E", "100ABCD", "+99ABCDE", "099ABCDE"}) {
        OneCard setup;
        setup.card.makeDir(QStringLiteral("DCIM/") + QString::fromLatin1(name));
        setup.card.makeFile("DCIM/100FILES"); // a file is no picture folder
        setup.card.makeDir("MISC");
        EXPECT_EQ(searchOnce(), NotFound) << name;
    }
    OneCard setup;
    setup.card.makeDir("DCIM/999_____");
    setup.card.makeDir("MISC");
    EXPECT_EQ(searchOnce(), setup.card.path("DCIM/999_____/"));
}

TEST(CardDetectorLayout, OldLayoutTakesTheLowestNumberAndDcimWins)
{
    OneCard setup;
    setup.card.makeDir("MISC");
    setup.card.makeDir("IM02ABCD");
    setup.card.makeDir("IM01ABCD");
    setup.card.makeDir("IM00ABCD"); // number 0 never qualifies
    setup.card.makeDir("im01abcd"); // the card test wants upper-case IM
    EXPECT_EQ(searchOnce(), setup.card.path("IM01ABCD/"));

    setup.card.makeDir("DCIM/100ABCDE");
    EXPECT_EQ(searchOnce(), setup.card.path("DCIM/100ABCDE/"));
}

TEST(CardDetectorLayout, NamesOfAnyCaseAsOnTheCardsOwnFileSystem)
{
    OneCard setup;
    setup.card.makeDir("misc");
    setup.card.makeDir("dcim/100abcde");
    EXPECT_EQ(searchOnce(), setup.card.path("dcim/100abcde/"));
}

TEST(CardDetectorDrives, FixedDiskIsExaminedButNeverTheSystemVolume)
{
    VolumeTable table;
    const FakeTree& system = table.addDrive("fixed", "System", true);
    system.makeDir("MISC");
    system.makeDir("DCIM/100SYSTM");
    EXPECT_EQ(searchOnce(), NotFound);

    const FakeTree& data = table.addDrive("fixed", "Data");
    data.makeDir("MISC");
    data.makeDir("DCIM/100ABCDE");
    EXPECT_EQ(searchOnce(), data.path("DCIM/100ABCDE/"));

    CardDetector detector(false);
    EXPECT_EQ(detector.classifyDrive(system.root(), true, 0, 1), media::DriveSystem);
    EXPECT_EQ(detector.classifyDrive(data.root(), true, 0, 0), media::DriveFixedNoCard); // not examined
    EXPECT_TRUE(detector.foundPath.isEmpty());
    EXPECT_EQ(detector.classifyDrive(data.root(), true, 0, 1), media::DriveHoldsCard);
    EXPECT_EQ(detector.foundPath, data.path("DCIM/100ABCDE/"));
}

// Two cards, listed in root order: the first card, or the one after the previous card.
class TwoCards : public ::testing::Test {
protected:
    TwoCards()
    {
        table.add(base.path("a"), "removable", "A")
            .add(base.path("b"), "fixed", "B")
            .add(base.path("c"), "removable", "C");
        for (const char* drive : {"a", "c"}) {
            base.makeDir(QString::fromLatin1(drive) + QStringLiteral("/MISC"));
            base.makeDir(QString::fromLatin1(drive) + QStringLiteral("/DCIM/100ABCDE"));
        }
        base.makeDir("b");
    }
    FakeTree base;
    VolumeTable table;
};

TEST_F(TwoCards, WithoutAPreviousPathTheFirstCardWins)
{
    EXPECT_EQ(searchOnce(), base.path("a/DCIM/100ABCDE/"));
    EXPECT_EQ(searchOnce(QStringLiteral("relative/path")), base.path("a/DCIM/100ABCDE/"));
}

TEST_F(TwoCards, ARepeatedSearchMovesOnToTheNextCard)
{
    // The card after the previous one wins; past the last card the first one comes round again.
    EXPECT_EQ(searchOnce(base.path("a/")), base.path("c/DCIM/100ABCDE/"));
    EXPECT_EQ(searchOnce(base.path("c/")), base.path("a/DCIM/100ABCDE/"));
    // A previous card on a drive between them: the next card after it.
    EXPECT_EQ(searchOnce(base.path("b/DCIM")), base.path("c/DCIM/100ABCDE/"));
}

TEST_F(TwoCards, ASingleCardIsFoundAgainWhileItStaysIn)
{
    QDir(base.path("a/MISC")).removeRecursively();
    EXPECT_EQ(searchOnce(base.path("c/")), base.path("c/DCIM/100ABCDE/"));
}

TEST_F(TwoCards, ThePreviousCardGoneLeavesTheOther)
{
    QDir(base.path("c/MISC")).removeRecursively();
    EXPECT_EQ(searchOnce(base.path("c/")), base.path("a/DCIM/100ABCDE/"));
}

TEST(CardDetectorDrives, StatusByDriveType)
{
    VolumeTable table;
    struct Row {
        const char* type;
        std::uint16_t status;
    };
    const Row rows[] = {
        {"removable", media::DriveRemovableNoCard},
        {"fixed", media::DriveFixedNoCard},
        {"cdrom", media::DriveCdRom},
        {"network", media::DriveNetwork},
        {"ramdisk", media::DriveRamDisk},
        {"unknown", media::DriveTypeUnknown},
    };
    std::vector<QString> roots;
    for (const Row& row : rows) {
        const FakeTree& drive = table.addDrive(row.type);
        drive.makeDir("DCIM");
        roots.push_back(drive.root());
    }
    CardDetector detector(false);
    for (size_t i = 0; i < roots.size(); ++i)
        EXPECT_EQ(detector.classifyDrive(roots[i], true, 0, 1), rows[i].status) << rows[i].type;

    // Drives that are not examined stay so even when they hold a card layout.
    for (size_t i = 2; i < roots.size(); ++i) {
        QDir().mkpath(roots[i] + QStringLiteral("MISC"));
        QDir().mkpath(roots[i] + QStringLiteral("DCIM/100ABCDE"));
        EXPECT_EQ(detector.classifyDrive(roots[i], true, 0, 1), rows[i].status) << rows[i].type;
    }
    EXPECT_EQ(searchOnce(), NotFound);

    FakeTree gone;
    table.add(gone.path("not-mounted"), "removable");
    EXPECT_EQ(detector.classifyDrive(gone.path("not-mounted"), true, 0, 1), media::DriveNoRoot);
    EXPECT_EQ(detector.classifyDrive(gone.root(), true, 0, 1), media::DriveNoRoot); // not a listed volume
}

TEST(CardDetectorDrives, FloppiesAreOnlyExaminedOnRequest)
{
    VolumeTable table;
    const FakeTree& floppy = table.addDrive("floppy", "FLOPPY");
    floppy.makeDir("MISC");
    floppy.makeDir("IM01ABCD");

    CardDetector detector(false);
    EXPECT_EQ(detector.isFloppyDrive(floppy.root()), 1);
    EXPECT_EQ(detector.classifyDrive(floppy.root(), true, 0, 1), media::DriveRemovableNoCard);
    EXPECT_EQ(detector.search(QString(), 0, 1), NotFound);
    EXPECT_EQ(detector.search(QString(), 1, 1), floppy.path("IM01ABCD/"));

    QDir(floppy.path("MISC")).removeRecursively();
    EXPECT_EQ(detector.classifyDrive(floppy.root(), true, 1, 1), media::DriveFloppyNoCard);
    EXPECT_EQ(detector.classifyDrive(floppy.root(), false, 1, 1), media::DriveFloppyNoCard);

    // While the reader's status program runs, the initial scan does not probe a second time.
    CardDetector withStatusProgram(true);
    EXPECT_EQ(withStatusProgram.classifyDrive(floppy.root(), true, 1, 1), media::DriveRemovableNoCard);
    EXPECT_EQ(withStatusProgram.classifyDrive(floppy.root(), false, 1, 1), media::DriveFloppyNoCard);
}

TEST(CardDetectorTrace, EachRootThenALineEnd)
{
    if (!platform::traceEnabled())
        GTEST_SKIP() << "runs as media.trace, with KESTREL_DEBUG set";
    VolumeTable table;
    const FakeTree& first = table.addDrive("removable");
    const FakeTree& second = table.addDrive("cdrom");
    const QString firstRoot = std::min(first.root(), second.root());
    const QString secondRoot = std::max(first.root(), second.root());
    ::testing::internal::CaptureStderr();
    searchOnce();
    const std::string trace = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(trace, (firstRoot + secondRoot + QStringLiteral("\r\n")).toStdString());
}

TEST(CardDetectorStatusProgram, FoundByExecutableCommandLineOrKernelName)
{
    FakeTree proc;
    proc.makeFile("self/comm", "kestrel\n");
    proc.makeFile("100/comm", "bash\n");
    proc.makeFile("100/cmdline", QByteArray("/bin/bash\0-c\0", 13));
    EXPECT_FALSE(CardDetector::processRunning(u"FPMCSTAT", proc.root()));

    proc.makeFile("200/comm", "wine-preloader\n");
    proc.makeFile("200/cmdline", QByteArray("C:\\Program Files\\Reader\\FpmcStat.exe\0", 38));
    EXPECT_TRUE(CardDetector::processRunning(u"FPMCSTAT", proc.root()));

    FakeTree other;
    other.makeFile("300/comm", "fpmcstat\n");
    EXPECT_TRUE(CardDetector::processRunning(u"FPMCSTAT", other.root()));
    EXPECT_FALSE(CardDetector::processRunning(u"FPMCSTA", other.root()));
}

TEST(CardDetectorStatusProgram, ARealProcessOfThatName)
{
    const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    ASSERT_FALSE(sleep.isEmpty());
    FakeTree bin;
    const QString program = bin.path("FpmcStat");
    ASSERT_TRUE(QFile::copy(sleep, program));
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);

    EXPECT_EQ(CardDetector().fpmcstatRunning, 0);
    QProcess process;
    process.start(program, {QStringLiteral("30")});
    ASSERT_TRUE(process.waitForStarted());
    EXPECT_EQ(CardDetector().fpmcstatRunning, 1);
    process.kill();
    process.waitForFinished();
}

} // namespace
