#include "print/DpofReader.h"

#include <gtest/gtest.h>

namespace dpof = print::dpof;

namespace {

const QString Root = QStringLiteral("/media/card/");

std::vector<QByteArray> lines(std::initializer_list<const char*> texts)
{
    std::vector<QByteArray> out;
    for (const char* text : texts)
        out.emplace_back(text);
    return out;
}

TEST(DpofLines, CrLfEndsALineALoneCrStays)
{
    EXPECT_EQ(dpof::splitLines("a\r\nb\rc\r\n\r\nd"), lines({"a", "b\rc", "", "d"}));
    EXPECT_EQ(dpof::splitLines("a\nb\r\n"), lines({"a", "b"}));
    EXPECT_EQ(dpof::splitLines(""), lines({}));
    EXPECT_EQ(dpof::splitLines("\r"), lines({"\r"}));
}

TEST(DpofLines, AtMost255CharactersALine)
{
    const QByteArray full(255, 'x');
    EXPECT_EQ(dpof::splitLines(full + "\r\nnext"), (std::vector<QByteArray>{full, "next"}));
    EXPECT_EQ(dpof::splitLines(full + "yz\r\n"), (std::vector<QByteArray>{full, "yz"}));
    const QByteArray longer(600, 'q');
    const auto split = dpof::splitLines(longer);
    ASSERT_EQ(split.size(), 3u);
    EXPECT_EQ(split[2].size(), 600 - 2 * 255);
}

TEST(DpofImageSource, MappedOntoTheCardRoot)
{
    EXPECT_EQ(dpof::imageSource("<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">", Root),
              QStringLiteral("/media/card/DCIM/100ABCDE/IMGA0001.JPG"));
    EXPECT_EQ(dpof::imageSource("IMG SRC = \"../DCIM/100ABCDE/imga0001.jpg\"", Root),
              QStringLiteral("/media/card/DCIM/100ABCDE/imga0001.jpg"));
    EXPECT_EQ(dpof::imageSource("<IMG SRC = \"..\\DCIM\\100ABCDE\\X.JPG\">", Root),
              QStringLiteral("/media/card/DCIM/100ABCDE/X.JPG"));
    EXPECT_EQ(dpof::imageSource("<IMG SRC = \"../DCIM/./100ABCDE/../101ABCDE/X.JPG\">", QStringLiteral("/media/card")),
              QStringLiteral("/media/card/DCIM/101ABCDE/X.JPG"));
}

TEST(DpofImageSource, LinesThatNameNoPictureOnTheCard)
{
    for (const char* line : {"<IMG SRC = \"../../etc/passwd\">", "<IMG SRC = \"../DCIM/../../outside.jpg\">",
                             "<IMG SRC = \"..\\..\\x.jpg\">", "<IMG SRC = \"../\">", "<IMG SRC = \"no-slash.jpg\">",
                             "<IMG SRC = \"../DCIM/X.JPG>", "<IMG SRC = ../DCIM/X.JPG>", "<IMG SRC = \"\">"})
        EXPECT_EQ(dpof::imageSource(line, Root), std::nullopt) << line;
}

TEST(DpofParse, JobsQuantitiesTypesAndTheAfterImageFlag)
{
    const QByteArray file =
        "[HDR]\r\nGEN REV = 01.10\r\nGEN CRT = \"x\" -01.00\r\n\r\n"
        "[JOB]\r\nPRT PID = 001\r\nPRT TYP = STD\r\nPRT QTY = 002\r\nIMG FMT = EXIF2 -J\r\n"
        "<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">\r\n\r\n"
        "[JOB]\r\nPRT PID = 002\r\nPRT TYP = IDX\r\nPRT QTY = 001\r\nIMG FMT = EXIF2 -J\r\n"
        "IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\"\r\nIMG SRC = \"../DCIM/100ABCDE/IMGA0002.JPG\"\r\n"
        "[JOB]\r\nPRT PID = 003\r\nPRT TYP = std\r\nIMG FMT = JFIF\r\n"
        "<IMG SRC = \"../DCIM/100ABCDE/IMGA0003.JPG\">\r\nPRT QTY = 012\r\n";
    const dpof::Content content = dpof::parse(file, Root);
    ASSERT_EQ(content.jobs.size(), 3u);
    EXPECT_EQ(content.headerLineCount, 4);
    EXPECT_EQ(content.totalCopies, 15);
    EXPECT_TRUE(content.afterImage);

    EXPECT_EQ(content.jobs[0].quantity, 2);
    EXPECT_EQ(content.jobs[0].printType, QStringLiteral("STD"));
    EXPECT_EQ(content.jobs[0].imagePath, QStringLiteral("/media/card/DCIM/100ABCDE/IMGA0001.JPG"));
    EXPECT_TRUE(content.jobs[0].isStandard());

    EXPECT_EQ(content.jobs[1].printType, QStringLiteral("IDX"));
    EXPECT_EQ(content.jobs[1].plainSourceCount, 2);
    EXPECT_FALSE(content.jobs[1].isStandard());

    EXPECT_EQ(content.jobs[2].quantity, 12);
    EXPECT_TRUE(content.jobs[2].isStandard());

    const auto carried = dpof::carriedJobs(content);
    ASSERT_EQ(carried.size(), 1u);
    EXPECT_EQ(carried[0].printType, QByteArray("IDX"));
    EXPECT_EQ(carried[0].lines,
              lines({"PRT QTY = 001", "IMG FMT = EXIF2 -J", "IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\"",
                     "IMG SRC = \"../DCIM/100ABCDE/IMGA0002.JPG\""}));
}

TEST(DpofParse, IndexJobsWithImageSourceLinesAreNotStandard)
{
    // An index print that names its pictures with '<' lines is still not a standard job, so it is
    // carried over once and never rewritten as a standard print as well.
    const dpof::Content content = dpof::parse("h1\r\nh2\r\nh3\r\n[JOB]\r\nPRT PID = 001\r\nPRT TYP = IDX\r\n"
                                              "<IMG SRC = \"../DCIM/100ABCDE/A.JPG\">\r\n",
                                              Root);
    ASSERT_EQ(content.jobs.size(), 1u);
    EXPECT_FALSE(content.jobs[0].isStandard());
    EXPECT_EQ(dpof::carriedJobs(content).size(), 1u);
}

TEST(DpofParse, OddButReadableFiles)
{
    // A short header: the first job starts on the second line and is still read.
    dpof::Content content = dpof::parse("[HDR]\r\n[JOB]\r\nPRT PID = 001\r\nPRT TYP = STD\r\nPRT QTY = 1\r\n", Root);
    ASSERT_EQ(content.jobs.size(), 1u);
    EXPECT_EQ(content.jobs[0].quantity, 1);

    // A missing "[JOB]" between two jobs loses neither.
    content = dpof::parse("a\r\nb\r\nc\r\nPRT PID = 001\r\nPRT QTY = 003\r\nPRT PID = 002\r\nPRT QTY = 004\r\n", Root);
    ASSERT_EQ(content.jobs.size(), 2u);
    EXPECT_EQ(content.jobs[0].quantity, 3);
    EXPECT_EQ(content.jobs[1].quantity, 4);

    // Quantities as C reads numbers, held within 32 bits; no '=' reads as 0.
    content = dpof::parse("a\r\nb\r\nc\r\nPRT PID\r\nPRT QTY = 99999999999\r\nPRT PID\r\nPRT QTY = -2x\r\n"
                          "PRT PID\r\nPRT QTY\r\nPRT PID\r\nPRT QTY=7\r\n",
                          Root);
    ASSERT_EQ(content.jobs.size(), 4u);
    EXPECT_EQ(content.jobs[0].quantity, 2147483647);
    EXPECT_EQ(content.jobs[1].quantity, -2);
    EXPECT_EQ(content.jobs[2].quantity, 0);
    EXPECT_EQ(content.jobs[3].quantity, 7);

    // Lines outside any job change no job; a file of nothing is an empty order.
    EXPECT_TRUE(dpof::parse("a\r\nb\r\nc\r\nPRT TYP = IDX\r\n<IMG SRC = \"../A.JPG\">\r\n", Root).jobs.empty());
    EXPECT_TRUE(dpof::parse(QByteArray(), Root).jobs.empty());
}

} // namespace
