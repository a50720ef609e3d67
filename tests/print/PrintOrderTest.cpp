#include "print/PrintOrder.h"

#include "print/PrintFixture.h"

#include "platform/Paths.h"

#include <QFile>

#include <gtest/gtest.h>

using print::EditedList;
using print::EditedPicture;
using print::PrintOrder;
using testing_support::FakeTree;
using testing_support::PrintOrderTestBase;

namespace {

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

class PrintOrderTest : public PrintOrderTestBase {
protected:
    PrintOrder orderFor(const QString& folder = QString())
    {
        PrintOrder order;
        order.setCardPath(folder.isEmpty() ? card.path("DCIM/100ABCDE") : folder);
        return order;
    }
};

TEST_F(PrintOrderTest, RealCameraFileKeepsItsHeaderItsImprintSettingsAndItsIndexJob)
{
    const QByteArray original = testing_support::dataFile("realworld/dpof/MISC/AUTPRINT.MRK");
    card.makeFile("MISC/AUTPRINT.MRK", original);
    for (const char* picture : {"DCIM/100ABCDE/ABCD0001.JPG", "DCIM/100ABCDE/ABCD0002.JPG",
                                "DCIM/100ABCDE/ABCD0003.JPG", "DCIM/102_BLUE/BLUE0001.JPG"})
        card.makeFile(QString::fromLatin1(picture), testing_support::exif2Jpeg());

    PrintOrder order = orderFor();
    ASSERT_TRUE(order.load());
    ASSERT_EQ(order.jobs().size(), 5u);
    EXPECT_EQ(order.totalCopies(), 8);
    EXPECT_FALSE(order.afterImage());
    EXPECT_EQ(order.jobs()[3].imagePath, card.path("DCIM/102_BLUE/BLUE0001.JPG"));
    EXPECT_EQ(order.jobs()[3].quantity, 3);
    EXPECT_FALSE(order.jobs()[4].isStandard());

    ASSERT_TRUE(order.save());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(backupFile(), original);
    EXPECT_EQ(orderFile(), crlf("[HDR]\n"
                                "GEN REV = 01.10\n"
                                "GEN CRT = \"Bluetooth camera\" -01.00\n"
                                "GEN DTM = 2001:01:01:12:00:00\n"
                                "[JOB]\nPRT PID = 001\nPRT TYP = STD\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                                "<IMG SRC = \"../DCIM/100ABCDE/ABCD0001.JPG\">\n"
                                "CFG DSC = \"100-0001\" -ATR FID\n\n"
                                "[JOB]\nPRT PID = 002\nPRT TYP = STD\nPRT QTY = 002\nIMG FMT = EXIF2 -J\n"
                                "<IMG SRC = \"../DCIM/100ABCDE/ABCD0002.JPG\">\n"
                                "CFG DSC = \"2000.12.24\" -ATR DTM\n"
                                "CFG DSC = \"100-0002\" -ATR FID\n\n"
                                "[JOB]\nPRT PID = 003\nPRT TYP = STD\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                                "<IMG SRC = \"../DCIM/100ABCDE/ABCD0003.JPG\">\n"
                                "CFG DSC = \"2000.12.25\" -ATR DTM\n"
                                "CFG DSC = \"100-0003\" -ATR FID\n\n"
                                "[JOB]\nPRT PID = 004\nPRT TYP = STD\nPRT QTY = 003\nIMG FMT = EXIF2 -J\n"
                                "<IMG SRC = \"../DCIM/102_BLUE/BLUE0001.JPG\">\n"
                                "CFG DSC = \"102-0001\" -ATR FID\n\n"
                                "[JOB]\nPRT PID = 005\nPRT TYP = IDX\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                                "IMG SRC = \"../DCIM/100ABCDE/ABCD0001.JPG\"\n"
                                "IMG SRC = \"../DCIM/100ABCDE/ABCD0002.JPG\"\n"
                                "IMG SRC = \"../DCIM/100ABCDE/ABCD0003.JPG\"\n"
                                "IMG SRC = \"../DCIM/102_BLUE/BLUE0001.JPG\"\n"));

    // Read back, the order is the same.
    PrintOrder again = orderFor();
    ASSERT_TRUE(again.load());
    ASSERT_EQ(again.jobs().size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(again.jobs()[i].quantity, order.jobs()[i].quantity) << i;
        EXPECT_EQ(again.jobs()[i].imagePath.toUpper(), order.jobs()[i].imagePath.toUpper()) << i;
    }
}

TEST_F(PrintOrderTest, ACardWithoutAnOrderGetsANewFile)
{
    card.makeFile("DCIM/100ABCDE/IMGA0001.JPG", testing_support::exif1Jpeg());
    card.makeFile("DCIM/100ABCDE/IMGA0002.JPG", testing_support::jfifJpeg());

    PrintOrder order = orderFor();
    EditedList list =
        order.editedList({card.path("DCIM/100ABCDE/IMGA0002.JPG"), card.path("DCIM/100ABCDE/IMGA0001.JPG")});
    ASSERT_TRUE(order.isLoaded());
    ASSERT_EQ(list.pictures.size(), 2u);
    EXPECT_EQ(list.pictures[0].quantity, 0);
    EXPECT_EQ(list.pictures[0].path, card.path("DCIM/100ABCDE/IMGA0001.JPG"));
    list.setQuantity(0, 2);
    list.setPrinting(1, true);
    ASSERT_TRUE(order.merge(list, nullptr));
    EXPECT_EQ(order.totalCopies(), 3);
    ASSERT_TRUE(order.save());

    EXPECT_EQ(orderFile(), crlf("[HDR]\nGEN REV = 01.10\nGEN CRT = \"Kestrel\" -01.00\n\n"
                                "[JOB]\nPRT PID = 001\nPRT TYP = STD\nPRT QTY = 002\nIMG FMT = EXIF1 -J\n"
                                "<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">\n\n"
                                "[JOB]\nPRT PID = 002\nPRT TYP = STD\nPRT QTY = 001\nIMG FMT = JFIF\n"
                                "<IMG SRC = \"../DCIM/100ABCDE/IMGA0002.JPG\">\n\n"));
    EXPECT_FALSE(card.exists("MISC/AUTPRINT.bak"));
}

TEST_F(PrintOrderTest, PathIsUpperCasedAfterTheFourteenthCharacterAndStillFound)
{
    card.makeFile("dcim/100abcde/imga0001.jpg", testing_support::exif2Jpeg());
    card.makeDir("misc");
    PrintOrder order = orderFor(card.path("dcim/100abcde"));
    EditedList list = order.editedList({card.path("dcim/100abcde/imga0001.jpg")});
    ASSERT_EQ(list.pictures.size(), 1u);
    list.setPrinting(0, true);
    ASSERT_TRUE(order.merge(list, nullptr));
    ASSERT_TRUE(order.save());

    // The card's own folder of another case is used.
    const QByteArray written = card.read("misc/AUTPRINT.MRK");
    EXPECT_TRUE(written.contains("\r\n<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">\r\n")) << written.toStdString();

    // The upper-case name still finds imga0001.jpg: nothing is pruned, nothing rewritten.
    PrintOrder later;
    ASSERT_TRUE(later.revalidate(card.path("dcim/100abcde")));
    EXPECT_EQ(later.jobs().size(), 1u);
    EXPECT_FALSE(card.exists("misc/AUTPRINT.bak"));
    EXPECT_EQ(card.read("misc/AUTPRINT.MRK"), written);

    // And the dialog shows its quantity again.
    PrintOrder reopened = orderFor(card.path("dcim/100abcde"));
    EXPECT_EQ(reopened.editedList({card.path("dcim/100abcde/imga0001.jpg")}).pictures.at(0).quantity, 1);
}

TEST_F(PrintOrderTest, QuantityLinesAfterTheImageLinesStayThere)
{
    card.makeFile("DCIM/100ABCDE/IMGA0001.JPG", testing_support::exif2Jpeg());
    card.makeFile("MISC/AUTPRINT.MRK", crlf("[HDR]\nGEN REV = 01.10\nGEN CRT = \"cam\" -01.00\n\n"
                                            "[JOB]\nPRT PID = 001\nPRT TYP = STD\nIMG FMT = EXIF2 -J\n"
                                            "<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">\nPRT QTY = 004\n"));
    PrintOrder order = orderFor();
    ASSERT_TRUE(order.load());
    EXPECT_TRUE(order.afterImage());
    ASSERT_TRUE(order.save());
    EXPECT_TRUE(orderFile().endsWith(crlf("[JOB]\nPRT PID = 001\nPRT TYP = STD\nIMG FMT = EXIF2 -J\n"
                                          "<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">\nPRT QTY = 004\n\n")))
        << orderFile().toStdString();
}

TEST_F(PrintOrderTest, CameraSettingsOfAJobSurviveEditingSavingAndPruning)
{
    for (const char* picture : {"DCIM/100ABCDE/IMGA0001.JPG", "DCIM/100ABCDE/IMGA0002.JPG",
                                "DCIM/100ABCDE/IMGA0003.JPG", "DCIM/100ABCDE/IMGA0004.JPG"})
        card.makeFile(QString::fromLatin1(picture), testing_support::exif2Jpeg());
    // As a camera writes it: quantities after the pictures, date and file-number imprint per job, and
    // a line of a later format revision the program knows nothing about.
    card.makeFile("MISC/AUTPRINT.MRK",
                  crlf("[HDR]\nGEN REV = 01.10\nGEN CRT = \"cam\" -01.00\n\n"
                       "[JOB]\nPRT PID = 001\nPRT TYP = STD\nIMG FMT = EXIF2 -J\n"
                       "<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">\nPRT QTY = 001\n"
                       "CFG DSC = \"2003.04.05\" -ATR DTM\nCFG DSC = \"100-0001\" -ATR FID\n\n"
                       "[JOB]\nPRT PID = 002\nPRT TYP = STD\nIMG FMT = EXIF2 -J\n"
                       "<IMG SRC = \"../DCIM/100ABCDE/IMGA0002.JPG\">\nPRT QTY = 002\n"
                       "CFG DSC = \"100-0002\" -ATR FID\n\n"
                       "[JOB]\nPRT PID = 003\nPRT TYP = STD\nIMG FMT = EXIF2 -J\n"
                       "<IMG SRC = \"../DCIM/100ABCDE/IMGA0003.JPG\">\nPRT QTY = 001\n"
                       "CFG DSC = \"2003.04.07\" -ATR DTM\nIMG TRM = 0 0 100 100\n"));
    PrintOrder order = orderFor();
    EditedList list = order.editedList({card.path("DCIM/100ABCDE/IMGA0001.JPG"),
                                        card.path("DCIM/100ABCDE/IMGA0002.JPG"),
                                        card.path("DCIM/100ABCDE/IMGA0004.JPG")});
    ASSERT_EQ(list.pictures.size(), 3u);
    list.setQuantity(0, 4);      // more copies: the imprint stays
    list.setPrinting(1, false);  // out of the order: its lines go with it
    list.setPrinting(2, true);   // a new job has no camera settings
    ASSERT_TRUE(order.merge(list, nullptr));
    ASSERT_TRUE(order.save());
    EXPECT_TRUE(messages.empty());

    const QByteArray expected =
        crlf("[HDR]\nGEN REV = 01.10\nGEN CRT = \"cam\" -01.00\n\n"
             "[JOB]\nPRT PID = 001\nPRT TYP = STD\nIMG FMT = EXIF2 -J\n"
             "<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">\nPRT QTY = 004\n"
             "CFG DSC = \"2003.04.05\" -ATR DTM\nCFG DSC = \"100-0001\" -ATR FID\n\n"
             "[JOB]\nPRT PID = 002\nPRT TYP = STD\nIMG FMT = EXIF2 -J\n"
             "<IMG SRC = \"../DCIM/100ABCDE/IMGA0003.JPG\">\nPRT QTY = 001\n"
             "CFG DSC = \"2003.04.07\" -ATR DTM\nIMG TRM = 0 0 100 100\n\n"
             "[JOB]\nPRT PID = 003\nPRT TYP = STD\nIMG FMT = EXIF2 -J\n"
             "<IMG SRC = \"../DCIM/100ABCDE/IMGA0004.JPG\">\nPRT QTY = 001\n\n");
    EXPECT_EQ(orderFile(), expected) << orderFile().toStdString();

    // Saved again unchanged, the file stays as it is.
    PrintOrder reread = orderFor();
    ASSERT_TRUE(reread.load());
    ASSERT_TRUE(reread.save());
    EXPECT_EQ(orderFile(), expected);

    // A picture deleted on the card: its job goes at the next check, the others keep their settings.
    ASSERT_TRUE(QFile::remove(card.path("DCIM/100ABCDE/IMGA0003.JPG")));
    PrintOrder pruned;
    ASSERT_TRUE(pruned.revalidate(card.path("DCIM/100ABCDE")));
    const QByteArray after = orderFile();
    EXPECT_FALSE(after.contains("IMGA0003")) << after.toStdString();
    EXPECT_FALSE(after.contains("2003.04.07"));
    EXPECT_TRUE(after.contains(crlf("PRT QTY = 004\nCFG DSC = \"2003.04.05\" -ATR DTM\n"
                                    "CFG DSC = \"100-0001\" -ATR FID\n\n[JOB]")))
        << after.toStdString();
}

TEST_F(PrintOrderTest, MoreThanNineHundredNinetyNineJobsAskAndAreCut)
{
    card.makeDir("MISC");
    PrintOrder order = orderFor();
    ASSERT_TRUE(order.load());
    EditedList list;
    for (int i = 1; i <= 1200; ++i)
        list.pictures.push_back(
            EditedPicture{card.path(QStringLiteral("DCIM/100ABCDE/P%1.JPG").arg(i, 4, 10, QLatin1Char('0'))), 1});

    int asked = 0;
    EXPECT_FALSE(order.merge(list, [&] {
        ++asked;
        return false;
    }));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(order.jobs().empty()); // no: nothing changed, the dialog stays

    ASSERT_TRUE(order.merge(list, [&] {
        ++asked;
        return true;
    }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(order.jobs().size(), 1200u);
    ASSERT_TRUE(order.save());
    const QByteArray written = orderFile();
    EXPECT_EQ(written.count("[JOB]"), 999);
    EXPECT_TRUE(written.contains("PRT PID = 999\r\n"));
    EXPECT_TRUE(written.contains("/P0999.JPG\">"));
    EXPECT_FALSE(written.contains("/P1000.JPG"));
}

TEST_F(PrintOrderTest, MergeSetsRemovesAndAddsStandardJobs)
{
    card.makeFile("MISC/AUTPRINT.MRK", crlf("h\nh\nh\n[JOB]\nPRT PID = 001\nPRT TYP = STD\nPRT QTY = 002\n"
                                            "<IMG SRC = \"../DCIM/100ABCDE/A.JPG\">\n"
                                            "[JOB]\nPRT PID = 002\nPRT TYP = STD\nPRT QTY = 003\n"
                                            "<IMG SRC = \"../DCIM/100ABCDE/B.JPG\">\n"));
    PrintOrder order = orderFor();
    ASSERT_TRUE(order.load());
    EditedList list;
    list.totalCopies = order.totalCopies();
    list.pictures = {{card.path("DCIM/100ABCDE/a.jpg"), 5},
                     {card.path("DCIM/100ABCDE/B.JPG"), 0},
                     {card.path("DCIM/100ABCDE/C.JPG"), 1},
                     {card.path("DCIM/100ABCDE/D.JPG"), 0}};
    ASSERT_TRUE(order.merge(list, nullptr));
    ASSERT_EQ(order.jobs().size(), 2u);
    EXPECT_EQ(order.jobs()[0].quantity, 5);
    EXPECT_EQ(order.jobs()[0].imagePath, card.path("DCIM/100ABCDE/A.JPG"));
    EXPECT_EQ(order.jobs()[1].imagePath, card.path("DCIM/100ABCDE/C.JPG"));
    EXPECT_EQ(order.jobs()[1].printType, QStringLiteral("STD"));
}

TEST_F(PrintOrderTest, IndexJobIsRenumberedAfterTheStandardJobsAndPrunedWithItsPictures)
{
    for (const char* picture :
         {"DCIM/100ABCDE/IMGA0001.JPG", "DCIM/100ABCDE/IMGA0002.JPG", "DCIM/100ABCDE/IMGA0003.JPG"})
        card.makeFile(QString::fromLatin1(picture), testing_support::exif2Jpeg());
    card.makeFile("MISC/AUTPRINT.MRK",
                  crlf("[HDR]\nGEN REV = 01.10\nGEN CRT = \"cam\" -01.00\n"
                       "[JOB]\nPRT PID = 001\nPRT TYP = IDX\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                       "IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\"\nIMG SRC = \"../DCIM/100ABCDE/IMGA0002.JPG\"\n"
                       "[JOB]\nPRT PID = 002\nPRT TYP = STD\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                       "<IMG SRC = \"../DCIM/100ABCDE/IMGA0003.JPG\">\n"
                       "[JOB]\nPRT PID = 003\nPRT TYP = STD\nPRT QTY = 002\nIMG FMT = EXIF2 -J\n"
                       "<IMG SRC = \"../DCIM/100ABCDE/IMGA0002.JPG\">\n"));

    // Nothing is missing: revalidation leaves the file alone.
    PrintOrder unchanged;
    ASSERT_TRUE(unchanged.revalidate(card.path("DCIM/100ABCDE")));
    EXPECT_FALSE(card.exists("MISC/AUTPRINT.bak"));

    PrintOrder order = orderFor();
    ASSERT_TRUE(order.load());
    ASSERT_TRUE(order.save());
    EXPECT_EQ(orderFile(),
              crlf("[HDR]\nGEN REV = 01.10\nGEN CRT = \"cam\" -01.00\n"
                   "[JOB]\nPRT PID = 001\nPRT TYP = STD\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                   "<IMG SRC = \"../DCIM/100ABCDE/IMGA0003.JPG\">\n\n"
                   "[JOB]\nPRT PID = 002\nPRT TYP = STD\nPRT QTY = 002\nIMG FMT = EXIF2 -J\n"
                   "<IMG SRC = \"../DCIM/100ABCDE/IMGA0002.JPG\">\n\n"
                   "[JOB]\nPRT PID = 003\nPRT TYP = IDX\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                   "IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\"\nIMG SRC = \"../DCIM/100ABCDE/IMGA0002.JPG\"\n"));

    // A picture of the index job and of a standard job deleted: the next revalidation drops both.
    QFile::remove(card.path("DCIM/100ABCDE/IMGA0002.JPG"));
    PrintOrder pruning;
    ASSERT_TRUE(pruning.revalidate(card.path("DCIM/100ABCDE")));
    EXPECT_EQ(pruning.jobs().size(), 2u);
    EXPECT_EQ(orderFile(), crlf("[HDR]\nGEN REV = 01.10\nGEN CRT = \"cam\" -01.00\n"
                                "[JOB]\nPRT PID = 001\nPRT TYP = STD\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                                "<IMG SRC = \"../DCIM/100ABCDE/IMGA0003.JPG\">\n\n"
                                "[JOB]\nPRT PID = 002\nPRT TYP = IDX\nPRT QTY = 001\nIMG FMT = EXIF2 -J\n"
                                "IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\"\n"));

    // Its last picture gone too, the index job has nothing left to print and goes.
    QFile::remove(card.path("DCIM/100ABCDE/IMGA0001.JPG"));
    PrintOrder emptied;
    ASSERT_TRUE(emptied.revalidate(card.path("DCIM/100ABCDE")));
    EXPECT_FALSE(orderFile().contains("IDX"));
    EXPECT_TRUE(orderFile().contains("IMGA0003.JPG"));
}

TEST_F(PrintOrderTest, PathsClimbingOutOfTheCardNameNothing)
{
    // A picture right beside the card's root: a print order must not reach it.
    const QFileInfo rootInfo(card.root().chopped(1));
    const QString outsideName = rootInfo.fileName() + QStringLiteral("-outside.jpg");
    const QString outside = rootInfo.absolutePath() + QLatin1Char('/') + outsideName;
    QFile file(outside);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(testing_support::exif2Jpeg());
    file.close();

    card.makeFile("DCIM/100ABCDE/IMGA0001.JPG", testing_support::exif2Jpeg());
    card.makeFile("MISC/AUTPRINT.MRK", crlf("h\nh\nh\n"
                                            "[JOB]\nPRT PID = 001\nPRT TYP = STD\nPRT QTY = 001\n"
                                            "<IMG SRC = \"../../" +
                                            outsideName.toUtf8() +
                                            "\">\n"
                                            "[JOB]\nPRT PID = 002\nPRT TYP = IDX\nPRT QTY = 001\n"
                                            "IMG SRC = \"../DCIM/../../" +
                                            outsideName.toUtf8() +
                                            "\"\n"
                                            "IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\"\n"));
    PrintOrder order;
    ASSERT_TRUE(order.revalidate(card.path("DCIM/100ABCDE")));
    const QByteArray written = orderFile();
    EXPECT_FALSE(written.contains("outside")) << written.toStdString();
    EXPECT_TRUE(written.contains("IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\"\r\n"));
    EXPECT_EQ(order.jobs().size(), 1u);
    QFile::remove(outside);
}

TEST_F(PrintOrderTest, WithoutImgProbeTheFormatIsLeftOpenAndTheUserToldOnce)
{
    card.makeFile("DCIM/100ABCDE/IMGA0001.JPG", testing_support::exif2Jpeg());
    card.makeFile("DCIM/100ABCDE/IMGA0002.JPG", testing_support::exif2Jpeg());
    PrintOrder order = orderFor();
    ASSERT_TRUE(order.load());
    EditedList list;
    list.pictures = {{card.path("DCIM/100ABCDE/IMGA0001.JPG"), 1}, {card.path("DCIM/100ABCDE/IMGA0002.JPG"), 1}};
    ASSERT_TRUE(order.merge(list, nullptr));

    FakeTree emptyFolder;
    platform::setProgramFolder(emptyFolder.root());
    const bool saved = order.save();
    platform::setProgramFolder(QString());
    ASSERT_TRUE(saved);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("ImgProbe.DLLがありません。"));
    EXPECT_EQ(messages[0].caption, QStringLiteral("DLL読み込みエラー"));
    EXPECT_EQ(orderFile().count("IMG FMT = \r\n"), 2);
}

} // namespace
