#include "fileops/BackupScan.h"

#include "media/FakeCard.h"

#include <QStringList>

#include <gtest/gtest.h>

using fileops::BackupPlan;
using fileops::BackupScan;
using testing_support::FakeTree;

namespace {

// A card and a destination folder; pairs are compared relative to each.
class BackupScanTest : public ::testing::Test {
protected:
    BackupPlan scan() { return BackupScan::scan(card.root(), destination.root()); }

    // "DCIM/100ABCDE/IMGA0001.JPG -> IM000001.jpg" for each pair, in plan order.
    QStringList pairs(const BackupPlan& plan) const
    {
        QStringList out;
        EXPECT_EQ(plan.sources.size(), plan.targets.size());
        for (qsizetype i = 0; i < plan.sources.size() && i < plan.targets.size(); ++i) {
            EXPECT_TRUE(plan.sources[i].startsWith(card.root())) << plan.sources[i].toStdString();
            EXPECT_TRUE(plan.targets[i].startsWith(destination.root())) << plan.targets[i].toStdString();
            out << plan.sources[i].mid(card.root().size()) + QStringLiteral(" -> ") +
                       plan.targets[i].mid(destination.root().size());
        }
        return out;
    }

    FakeTree card;
    FakeTree destination;
};

TEST_F(BackupScanTest, FoldersInNumberOrderIntoAnEmptyFolder)
{
    card.makeFiles({"DCIM/101ABCDE/IMGA0001.JPG", "DCIM/100ABCDE/IMGA0001.JPG"});
    const BackupPlan plan = scan();
    EXPECT_TRUE(plan.foundFolder);
    EXPECT_EQ(pairs(plan), (QStringList{"DCIM/100ABCDE/IMGA0001.JPG -> IM000001.jpg",
                                        "DCIM/101ABCDE/IMGA0001.JPG -> IM000002.jpg"}));
}

TEST_F(BackupScanTest, PictureAndMovieOfOneShotShareANumber)
{
    card.makeFiles({"DCIM/100ABCDE/IMGA0007.MOV", "DCIM/100ABCDE/IMGA0007.JPG", "DCIM/100ABCDE/IMGA0002.avi",
                    "DCIM/100ABCDE/DSCN0010.tif"});
    const QStringList got = pairs(scan());
    ASSERT_EQ(got.size(), 4);
    EXPECT_EQ(got[0], QStringLiteral("DCIM/100ABCDE/IMGA0002.avi -> IM000001.avi"));
    // The two files of number 7 in the order the folder lists them, with one target number.
    QStringList seven{got[1], got[2]};
    seven.sort();
    EXPECT_EQ(seven, (QStringList{"DCIM/100ABCDE/IMGA0007.JPG -> IM000002.jpg",
                                  "DCIM/100ABCDE/IMGA0007.MOV -> IM000002.mov"}));
    EXPECT_EQ(got[3], QStringLiteral("DCIM/100ABCDE/DSCN0010.tif -> IM000003.tif"));
}

TEST_F(BackupScanTest, TwoPicturesOfOneNumberNeverShareATarget)
{
    card.makeFiles({"DCIM/100ABCDE/IMGA0007.JPG", "DCIM/100ABCDE/DSCN0007.JPG", "DCIM/100ABCDE/IMGA0007.jpg"});
    const BackupPlan plan = scan();
    ASSERT_EQ(plan.targets.size(), 3);
    QStringList targets = plan.targets;
    targets.removeDuplicates();
    EXPECT_EQ(targets.size(), 3);
    for (const QString& target : plan.targets)
        EXPECT_TRUE(target.endsWith(QLatin1String(".jpg"))) << target.toStdString();
}

TEST_F(BackupScanTest, NumbersTheDestinationUsesAreSkipped)
{
    destination.makeFiles({"IM000001.tif", "im000003.JPG", "IM000005.txt", "IM00004.jpg", "IM000006"});
    card.makeFiles({"DCIM/100ABCDE/IMGA0001.JPG", "DCIM/100ABCDE/IMGA0002.JPG", "DCIM/100ABCDE/IMGA0003.JPG",
                    "DCIM/100ABCDE/IMGA0004.JPG"});
    EXPECT_EQ(
        pairs(scan()),
        (QStringList{"DCIM/100ABCDE/IMGA0001.JPG -> IM000002.jpg", "DCIM/100ABCDE/IMGA0002.JPG -> IM000004.jpg",
                     "DCIM/100ABCDE/IMGA0003.JPG -> IM000006.jpg", "DCIM/100ABCDE/IMGA0004.JPG -> IM000007.jpg"}));
}

TEST_F(BackupScanTest, WhatIsNotACameraFileIsLeftAlone)
{
    card.makeFiles({"DCIM/100AB-DE/IMGA0001.JPG", "DCIM/100ABCDE/IMG-0001.JPG", "DCIM/100ABCDE/IMGA0001.Jpg",
                    "DCIM/100ABCDE/IMGA0002.JPEG", "DCIM/100ABCDE/IMGA0003.BMP", "DCIM/100ABCDE/IMGA0000.JPG",
                    "DCIM/100ABCDE/IMGA004.JPG", "DCIM/100ABCDE/IMGAX005.JPG", "DCIM/99ABCDEF/IMGA0001.JPG",
                    "DCIM/100ABCDE/sub/IMGA0006.JPG", "DCIM/100ABCDE/IMGA0009.AVI", "MISC/AUTPRINT.MRK"});
    card.makeDir("DCIM/100ABCDE/IMGA0008.JPG");
    const BackupPlan plan = scan();
    EXPECT_TRUE(plan.foundFolder);
    EXPECT_EQ(pairs(plan), (QStringList{"DCIM/100ABCDE/IMGA0009.AVI -> IM000001.avi"}));
}

TEST_F(BackupScanTest, OldRootLayoutContinuesTheNumbering)
{
    card.makeFiles({"DCIM/100ABCDE/IMGA0001.JPG", "IM02ABCD/DSC_0001.JPG", "IM01ABCD/DSC_0005.JPG",
                    "IM01ABCD/DSC_0002.JPG", "IM00ABCD/DSC_0001.JPG", "IM03AB-D/DSC_0001.JPG",
                    "im04abcd/DSC_0001.JPG"});
    EXPECT_EQ(pairs(scan()),
              (QStringList{"DCIM/100ABCDE/IMGA0001.JPG -> IM000001.jpg", "IM01ABCD/DSC_0002.JPG -> IM000002.jpg",
                           "IM01ABCD/DSC_0005.JPG -> IM000003.jpg", "IM02ABCD/DSC_0001.JPG -> IM000004.jpg",
                           "im04abcd/DSC_0001.JPG -> IM000005.jpg"}));
}

TEST_F(BackupScanTest, FoldersOfAnyCaseAndEmptyCards)
{
    EXPECT_FALSE(scan().foundFolder);

    card.makeDir("dcim/100abcde");
    BackupPlan plan = scan();
    EXPECT_TRUE(plan.foundFolder); // a folder was visited, though nothing is in it
    EXPECT_TRUE(plan.sources.isEmpty());

    card.makeFile("dcim/100abcde/imga0001.jpg");
    EXPECT_EQ(pairs(scan()), (QStringList{"dcim/100abcde/imga0001.jpg -> IM000001.jpg"}));
}

TEST_F(BackupScanTest, DestinationWithTrailingSlashes)
{
    card.makeFile("DCIM/100ABCDE/IMGA0001.JPG");
    const BackupPlan plan = BackupScan::scan(card.root(), destination.root() + QStringLiteral("//"));
    ASSERT_EQ(plan.targets.size(), 1);
    EXPECT_EQ(plan.targets[0], destination.path("IM000001.jpg"));
}

} // namespace
