#include "fileops/DcfNumbering.h"

#include "media/FakeCard.h"

#include <gtest/gtest.h>

using fileops::DcfNumberChooser;
using testing_support::FakeTree;

namespace {

// Takes a number and puts the picture there, as a paste does.
std::optional<int> takeNext(DcfNumberChooser& chooser, const FakeTree& folder)
{
    const auto number = chooser.next();
    if (number)
        folder.makeFile(DcfNumberChooser::fileName(*number));
    return number;
}

TEST(DcfNumbering, OneAboveTheHighestNumberOfAnyName)
{
    FakeTree folder;
    folder.makeFiles({"IMGA0003.JPG", "DSC_0010.JPG", "notes0050.txt", "IMGA0040.JPEG", "IMGA0060.JPG.bak"});
    DcfNumberChooser chooser(folder.root());
    EXPECT_EQ(takeNext(chooser, folder), 11);
    EXPECT_TRUE(folder.exists("IMGA0011.JPG"));
    EXPECT_EQ(takeNext(chooser, folder), 12);
}

TEST(DcfNumbering, NamesMatchWithoutRegardToCase)
{
    FakeTree folder;
    folder.makeFiles({"dsc_0020.jpg", "P0030.Jpg"});
    DcfNumberChooser chooser(folder.root());
    EXPECT_EQ(chooser.next(), 31);
    EXPECT_EQ(DcfNumberChooser::usedNumbers(folder.root()), (std::set<int>{20, 30}));
}

TEST(DcfNumbering, EmptyFolderStartsAtOneAndGapsAreNotFilled)
{
    FakeTree empty;
    DcfNumberChooser fresh(empty.root());
    EXPECT_EQ(takeNext(fresh, empty), 1);
    EXPECT_EQ(takeNext(fresh, empty), 2);

    FakeTree gaps;
    gaps.makeFiles({"IMGA0001.JPG", "IMGA0005.JPG"});
    DcfNumberChooser chooser(gaps.root());
    EXPECT_EQ(takeNext(chooser, gaps), 6);
}

TEST(DcfNumbering, ANumberWhosePictureNeverArrivedIsHandedOutAgain)
{
    FakeTree folder;
    folder.makeFile("IMGA0007.JPG");
    DcfNumberChooser chooser(folder.root());
    EXPECT_EQ(chooser.next(), 8); // the conversion failed: nothing was moved there
    EXPECT_EQ(chooser.next(), 8);
    // Someone else took 9 meanwhile.
    folder.makeFiles({"IMGA0008.JPG", "OTHR0009.JPG"});
    EXPECT_EQ(chooser.next(), 10);
}

TEST(DcfNumbering, AfterNineThousandNineHundredNinetyNineItFillsFromOne)
{
    FakeTree folder;
    folder.makeFiles({"IMGA9999.JPG", "IMGA0001.JPG", "IMGA0002.JPG", "IMGA0003.JPG", "IMGA0004.JPG", "IMGA0005.JPG"});
    DcfNumberChooser chooser(folder.root());
    EXPECT_EQ(takeNext(chooser, folder), 6);
    EXPECT_EQ(takeNext(chooser, folder), 7);
}

TEST(DcfNumbering, StopsWhenNumbersRunOut)
{
    FakeTree nearTheEnd;
    nearTheEnd.makeFile("IMGA9998.JPG");
    DcfNumberChooser chooser(nearTheEnd.root());
    EXPECT_EQ(takeNext(chooser, nearTheEnd), 9999);
    EXPECT_EQ(chooser.next(), std::nullopt); // no wrap-around within one paste
    EXPECT_EQ(chooser.next(), std::nullopt);

    FakeTree full;
    for (int n = 1; n <= DcfNumberChooser::HighestNumber; ++n)
        full.makeFile(QStringLiteral("F%1.JPG").arg(n, 4, 10, QLatin1Char('0')), QByteArray());
    DcfNumberChooser none(full.root());
    EXPECT_EQ(none.next(), std::nullopt);
}

TEST(DcfNumbering, CameraFileNames)
{
    EXPECT_EQ(DcfNumberChooser::fileName(12), QStringLiteral("IMGA0012.JPG"));
    EXPECT_EQ(DcfNumberChooser::fileName(9999), QStringLiteral("IMGA9999.JPG"));
}

} // namespace
