#include "programs/Pictures.h"
#include "programs/TempSweep.h"

#include "platform/InstanceLock.h"

#include "TestData.h"
#include "TempFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const QDateTime Old = QDateTime::currentDateTime().addSecs(-3600);

TEST(Tempsweep, RemovesOnlyItsOwnOldRegularFiles)
{
    TempFolder folder;
    const QString victim = folder.write(QStringLiteral("keep/precious.txt"), "user data", Old);
    for (const char* name : {"KSTa1B2c3", "KESTRELDSC12345.jpg", "KESTRELDSC0.jpg"})
        folder.write(QLatin1String(name), "x", Old);
    for (const char* name : {"KSTa1B2c", "KSTa1B2c3d", "KST1234.jpg", "kesTRELDSC1.jpg", "KESTRELDSC1.JPG",
                             "KESTRELDSC.jpg", "KESTRELDSC1.jpg.bak", "MRL_WALL.BMP", "other.tmp"})
        folder.write(QLatin1String(name), "x", Old);
    folder.write(QStringLiteral("KSTfresh1"), "in use");  // younger than the delay
    folder.mkdir(QStringLiteral("KSTdir001"));
    ASSERT_TRUE(QFile::link(victim, folder.file(QStringLiteral("KSTlink01"))));

    EXPECT_EQ(programs::sweepTemporaryFiles(folder.path(), QDateTime::currentDateTime().addSecs(-5)),
              (QStringList{"KESTRELDSC0.jpg", "KESTRELDSC12345.jpg", "KSTa1B2c3"}));
    EXPECT_TRUE(QFileInfo::exists(victim));
    EXPECT_TRUE(QFileInfo(folder.file(QStringLiteral("KSTlink01"))).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(folder.file(QStringLiteral("KSTfresh1"))));
    EXPECT_TRUE(QFileInfo(folder.file(QStringLiteral("KSTdir001"))).isDir());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::System).size(), 11);
    EXPECT_TRUE(programs::sweepTemporaryFiles(folder.file(QStringLiteral("missing")), QDateTime::currentDateTime())
                    .isEmpty());

    EXPECT_EQ(programs::delayFromArguments({QStringLiteral("-delay5000")}, 1), 5000);
    EXPECT_EQ(programs::delayFromArguments({QStringLiteral("-delay-3")}, 7), 7);
    EXPECT_EQ(programs::delayFromArguments({}, 7), 7);
}

TEST(Tempsweep, TheProgramSweepsTheTemporaryFolderAfterItsDelay)
{
    TempFolder folder;
    folder.write(QStringLiteral("KSTzzzzzz"), "x", Old);
    folder.write(QStringLiteral("keep.jpg"), "x", Old);
    QProcess sweeper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), folder.path());
    sweeper.setProcessEnvironment(environment);
    sweeper.start(QStringLiteral(KESTREL_BIN_DIR "/Tempsweep"), {QStringLiteral("-delay10")});
    ASSERT_TRUE(sweeper.waitForFinished(30000));
    EXPECT_EQ(sweeper.exitCode(), 0);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"keep.jpg"});
}

TEST(Slidecast, CommandLineAndList)
{
    const programs::SlideCommandLine line =
        programs::parseSlideCommandLine({QStringLiteral("/kst"), QStringLiteral("/h123456789012")});
    EXPECT_TRUE(line.fromKestrel);
    EXPECT_EQ(line.ownerWindow, 123456789012u);
    EXPECT_FALSE(line.filesGiven);
    EXPECT_EQ(programs::parseSlideCommandLine({QStringLiteral("/hx")}).ownerWindow, 0u);
    const programs::SlideCommandLine files =
        programs::parseSlideCommandLine({QStringLiteral("--files"), QStringLiteral("/kst"), QStringLiteral("a b")});
    EXPECT_EQ(files.files, (QStringList{"/kst", "a b"}));

    programs::SlideList list({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    list.previous();
    EXPECT_EQ(list.current(), QStringLiteral("c"));
    list.next();
    list.next();
    EXPECT_EQ(list.current(), QStringLiteral("b"));
    list.last();
    EXPECT_EQ(list.index(), 2);
    programs::SlideList empty({});
    empty.next();
    EXPECT_TRUE(empty.current().isEmpty());
}

TEST(Slidecast, CarriesTheMarkerAndClosesWhenAsked)
{
    const QString jpeg = QString::fromStdString(testdata::realWorld("jpeg_exif/Canon IXUS.jpg"));
    QProcess show;
    show.start(QStringLiteral(KESTREL_BIN_DIR "/Slidecast"),
               {QStringLiteral("/kst"), QStringLiteral("/h1"), QStringLiteral("--files"), jpeg, jpeg});
    ASSERT_TRUE(show.waitForReadyRead(30000)) << show.readAllStandardError().toStdString();
    EXPECT_EQ(show.readLine().trimmed(), QByteArray("ready 2"));
    EXPECT_TRUE(platform::WindowMarker::exists(QStringLiteral("SLIDECAST")));
    EXPECT_TRUE(platform::WindowMarker::send(QStringLiteral("SLIDECAST"), QStringLiteral("raise")));

    // A second start only raises the first and ends.
    QProcess second;
    second.start(QStringLiteral(KESTREL_BIN_DIR "/Slidecast"), {QStringLiteral("--files")});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);

    EXPECT_TRUE(platform::WindowMarker::send(QStringLiteral("SLIDECAST"), QStringLiteral("close")));
    ASSERT_TRUE(show.waitForFinished(30000));
    EXPECT_EQ(show.exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(platform::WindowMarker::exists(QStringLiteral("SLIDECAST")));
}

TEST(Framepeek, DecodesWhatItIsGiven)
{
    const QString jpeg = QString::fromStdString(testdata::realWorld("jpeg_exif/Canon IXUS.jpg"));
    QProcess peek;
    peek.start(QStringLiteral(KESTREL_BIN_DIR "/Framepeek"), {QStringLiteral("--size"), jpeg});
    ASSERT_TRUE(peek.waitForFinished(30000));
    EXPECT_EQ(peek.exitCode(), 0);
    const QImage oracle(jpeg);  // Qt's own JPEG reader
    EXPECT_EQ(peek.readAllStandardOutput().trimmed(),
              QByteArray::number(oracle.width()) + 'x' + QByteArray::number(oracle.height()));

    TempFolder folder;
    peek.start(QStringLiteral(KESTREL_BIN_DIR "/Framepeek"),
               {QStringLiteral("--size"), folder.write(QStringLiteral("bad.dvf"), "DVF 1.00 truncated")});
    ASSERT_TRUE(peek.waitForFinished(30000));
    EXPECT_EQ(peek.exitCode(), 1);
}

}  // namespace
