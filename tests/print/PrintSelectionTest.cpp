// Which pictures the print-order dialog accepts, and how its quantities add up.

#include "print/ImageFormatProbe.h"
#include "print/PrintOrder.h"

#include "print/PrintFixture.h"

#include <gtest/gtest.h>

using print::EditedList;
using print::ImageFormatProbe;
using print::PrintOrder;
using testing_support::PrintOrderTestBase;

namespace {

class PrintSelectionTest : public PrintOrderTestBase {
protected:
    PrintSelectionTest() { order.setCardPath(card.path("DCIM/100ABCDE")); }

    // A TIFF, and a copy of it that carries an Exif directory.
    void makeTiffs()
    {
        card.makeDir("DCIM/100ABCDE");
        ASSERT_TRUE(testing_support::makeTiff(card.path("DCIM/100ABCDE/PLAIN.TIF"), false));
        ASSERT_TRUE(testing_support::makeTiff(card.path("DCIM/100ABCDE/EXIF.tif"), true));
    }

    PrintOrder order;
    ImageFormatProbe probe;
};

TEST_F(PrintSelectionTest, AcceptanceRules)
{
    makeTiffs();
    struct Row {
        const char* relative;
        int refusal;
    };
    const Row rows[] = {
        {"DCIM/100ABCDE/IMGA0001.JPG", 0},
        {"DCIM/100ABCDE/imga0001.jpg", 0},
        {"DCIM/100ABCDE/IMGA0001.Jpg", 0},
        {"DCIM/100ABCDE/EXIF.tif", 0},
        {"DCIM/100ABCDE/PLAIN.TIF", 21054},
        {"DCIM/100ABCDE/MISSING.TIF", 21054},
        {"DCIM/100ABCDE/IMGA0001.JPEG", 21054},
        {"DCIM/100ABCDE/IMGA0001.BMP", 21054},
        {"DCIM/100ABCDE/IMGA0001", 21054},
        {"DCIM/100ABCDE/IMGA00001.JPG", 21056},
        {"DCIM/100ABCDE/.JPG", 0},
        {"DCIM/100ABCDE/IMG 0001.JPG", 21055},
        {"DCIM/100ABCDE/IMG\"001.JPG", 21055},
        {"DCIM/100ABCDE/IMG\\001.JPG", 21055},
        {"DCIM/100ABCDE/IMG\t001.JPG", 21055},
        {"DCIM/100ABCDE/IMG\x7f"
         "001.JPG",
         21055},
        {"DCIM/100ABCDE/ÄBC.JPG", 0},
        // The whole path, a drive letter and colon included, must stay below 64 bytes.
        {"DCIM/100ABCDE/0123456789/0123456789/0123456789/0123456/A.JPG", 0},
        {"DCIM/100ABCDE/0123456789/0123456789/0123456789/01234567/A.JPG", 21055},
    };
    for (const Row& row : rows)
        EXPECT_EQ(order.refusalOf(card.path(QString::fromUtf8(row.relative)), probe), row.refusal) << row.relative;
    EXPECT_TRUE(messages.empty());
}

TEST_F(PrintSelectionTest, RefusedFilesAreNamedAndTheRestSorted)
{
    card.makeFile("MISC/AUTPRINT.MRK", "h\r\nh\r\nh\r\n[JOB]\r\nPRT PID = 001\r\nPRT TYP = STD\r\nPRT QTY = 004\r\n"
                                       "<IMG SRC = \"../DCIM/100ABCDE/B.JPG\">\r\n"
                                       "[JOB]\r\nPRT PID = 002\r\nPRT TYP = IDX\r\nPRT QTY = 002\r\n"
                                       "IMG SRC = \"../DCIM/100ABCDE/A.JPG\"\r\n");
    const EditedList list =
        order.editedList({card.path("DCIM/100ABCDE/b.jpg"), card.path("DCIM/100ABCDE/LONGNAME1.JPG"),
                          card.path("DCIM/100ABCDE/A.JPG"), card.path("DCIM/100ABCDE/C.BMP")});
    ASSERT_EQ(list.pictures.size(), 2u);
    EXPECT_EQ(list.pictures[0].path, card.path("DCIM/100ABCDE/A.JPG"));
    EXPECT_EQ(list.pictures[0].quantity, 0); // only an index print names it
    EXPECT_EQ(list.pictures[1].path, card.path("DCIM/100ABCDE/b.jpg"));
    EXPECT_EQ(list.pictures[1].quantity, 4);
    EXPECT_EQ(list.totalCopies, 6);

    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, QStringLiteral("[ C.BMP ]") + UiResources::string(21054));
    EXPECT_EQ(messages[1].text, QStringLiteral("[ LONGNAME1.JPG ]") + UiResources::string(21056));
    for (const auto& message : messages) {
        EXPECT_EQ(message.caption, UiResources::string(21012));
        EXPECT_EQ(message.style & platform::MbIconMask, platform::MbIconExclamation);
    }
}

TEST(EditedListTotals, EveryEditMovesTheTotal)
{
    EditedList list;
    list.totalCopies = 10; // copies of jobs not in the list count too
    list.pictures = {{QStringLiteral("/c/A.JPG"), 0}, {QStringLiteral("/c/B.JPG"), 3}};

    list.setPrinting(0, true);
    EXPECT_EQ(list.pictures[0].quantity, 1);
    EXPECT_EQ(list.totalCopies, 11);
    list.setPrinting(1, true); // already printed: unchanged
    EXPECT_EQ(list.totalCopies, 11);

    list.setQuantity(1, 7);
    EXPECT_EQ(list.totalCopies, 15);
    list.setQuantity(0, 5000); // three digits at most
    EXPECT_EQ(list.pictures[0].quantity, 999);
    EXPECT_EQ(list.totalCopies, 1013);

    list.setPrinting(0, false);
    EXPECT_EQ(list.pictures[0].quantity, 0);
    EXPECT_EQ(list.totalCopies, 14);

    list.setQuantityOfAll(2);
    EXPECT_EQ(list.totalCopies, 11);
    EXPECT_EQ(list.pictures[1].quantity, 2);
}

TEST(EditedListTotals, TotalNeverGoesBelowNone)
{
    // A total read from a hand-edited file may not cover the quantities listed.
    EditedList list;
    list.totalCopies = 2;
    list.pictures = {{QStringLiteral("/c/A.JPG"), 5}, {QStringLiteral("/c/B.JPG"), 0}};
    list.setPrinting(0, false);
    EXPECT_EQ(list.totalCopies, 0);
    list.setPrinting(1, true);
    EXPECT_EQ(list.totalCopies, 1);
    list.setQuantity(1, 0);
    list.setQuantity(1, -3); // held at none
    EXPECT_EQ(list.pictures[1].quantity, 0);
    EXPECT_EQ(list.totalCopies, 0);
}

TEST_F(PrintSelectionTest, APictureSelectedTwiceIsListedOnce)
{
    card.makeFile("MISC/AUTPRINT.MRK", "h\r\nh\r\nh\r\n[JOB]\r\nPRT PID = 001\r\nPRT TYP = STD\r\nPRT QTY = 003\r\n"
                                       "<IMG SRC = \"../DCIM/100ABCDE/A.JPG\">\r\n");
    EditedList list = order.editedList(
        {card.path("DCIM/100ABCDE/A.JPG"), card.path("DCIM/100ABCDE/B.JPG"), card.path("DCIM/100ABCDE/a.jpg")});
    ASSERT_EQ(list.pictures.size(), 2u);
    EXPECT_EQ(list.pictures[0].path, card.path("DCIM/100ABCDE/A.JPG"));
    EXPECT_EQ(list.pictures[1].path, card.path("DCIM/100ABCDE/B.JPG"));
    list.setPrinting(0, false);
    EXPECT_EQ(list.totalCopies, 0);
}

TEST(ImageFormatText, CodesToDpofFormats)
{
    EXPECT_EQ(ImageFormatProbe::formatText(6), QByteArray("JFIF"));
    EXPECT_EQ(ImageFormatProbe::formatText(7), QByteArray("JFIF"));
    EXPECT_EQ(ImageFormatProbe::formatText(8), QByteArray("EXIF1 -J"));
    EXPECT_EQ(ImageFormatProbe::formatText(9), QByteArray("EXIF2 -J"));
    EXPECT_EQ(ImageFormatProbe::formatText(16), QByteArray("EXIF2 -T"));
    EXPECT_EQ(ImageFormatProbe::formatText(17), QByteArray("EXIF2 -T"));
    EXPECT_TRUE(ImageFormatProbe::formatText(2).isEmpty());
}

} // namespace
