// The texts of the details list, the information lines and the properties: sizes, dates in both forms,
// files that went away, unknown files, shooting dates from Exif, movies and the frame's DV dates, and
// the attribute bits.
#include "browser/DateText.h"
#include "browser/FileAttributes.h"
#include "browser/FileFacts.h"
#include "browser/ItemTexts.h"
#include "browser/ShootingDate.h"

#include "DetailsSupport.h"
#include "movthumb/MovieFixtures.h"

#include <QFile>
#include <QMimeDatabase>

#include <gtest/gtest.h>

#include <cstring>

using namespace details;

namespace {

class ItemTexts : public testing::Test {
protected:
    void SetUp() override { useJapaneseTime(); }
    void TearDown() override { setDvShootingDateSource({}); }

    QString cell(const QString& name, int column, int kind = KindUnknown)
    {
        return detailCellText(folder_.path(), *makeItem(name, kind), column);
    }
    QStringList lines(const QString& name) { return informationLines(folder_.path(), *makeItem(name)); }

    TempFolder folder_;
};

// 2001-02-03 04:05:06 UTC, 13:05:06 in Japan.
const QDateTime kWritten(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);

}  // namespace

TEST_F(ItemTexts, SizeIsShownInWholeKilobytesButNeverBelowOne)
{
    const std::pair<std::uint64_t, std::uint64_t> rows[] = {
        {0, 1}, {1, 1}, {1023, 1}, {1024, 1}, {1536, 1}, {2047, 1}, {2048, 2}, {1048575, 1023},
        // 4 GB and more keep their high word.
        {0x100000000ULL, 0x400000ULL}, {0x100000000ULL + 1024, 0x400001ULL},
    };
    for (const auto& [bytes, kilobytes] : rows)
        EXPECT_EQ(shownKilobytes(bytes), kilobytes) << bytes;

    folder_.write(QStringLiteral("empty.jpg"), {});
    folder_.write(QStringLiteral("half.jpg"), QByteArray(1536, 'x'));
    folder_.write(QStringLiteral("two.jpg"), QByteArray(2048, 'x'));
    EXPECT_EQ(cell(QStringLiteral("empty.jpg"), ColumnSize), QStringLiteral("1 KB"));
    EXPECT_EQ(cell(QStringLiteral("half.jpg"), ColumnSize), QStringLiteral("1 KB"));
    EXPECT_EQ(cell(QStringLiteral("two.jpg"), ColumnSize), QStringLiteral("2 KB"));
    EXPECT_EQ(lines(QStringLiteral("half.jpg"))[2], QStringLiteral("ファイルサイズ  1536 バイト"));
}

TEST_F(ItemTexts, FilesOfFourGigabytesAndMoreShowTheirWholeSize)
{
    // A sparse file: 5 GiB long, no blocks written. (Not named as a movie: the movie library would
    // search all of its zeros for a header.)
    const QString path = folder_.write(QStringLiteral("long.bin"), {});
    QFile file(path);
    ASSERT_TRUE(file.resize(qint64(5) << 30));
    EXPECT_EQ(cell(QStringLiteral("long.bin"), ColumnSize), QStringLiteral("5242880 KB"));
    EXPECT_EQ(lines(QStringLiteral("long.bin"))[2], QStringLiteral("ファイルサイズ  5368709120 バイト"));
    EXPECT_EQ(filePropertyTexts(folder_.path(), *makeItem(QStringLiteral("long.bin"))).size,
              QStringLiteral("5368709120 バイト"));
}

TEST_F(ItemTexts, DatesAreLocalTimeInTheTwoForms)
{
    folder_.write(QStringLiteral("IMG_0001.JPG"), "x", kWritten);
    EXPECT_EQ(cell(QStringLiteral("IMG_0001.JPG"), ColumnModified), QStringLiteral("2001/02/03 13:05:06"));
    EXPECT_EQ(lines(QStringLiteral("IMG_0001.JPG"))[4], QStringLiteral("最終更新日        2001年02月03日  13:05:06"));
    EXPECT_EQ(filePropertyTexts(folder_.path(), *makeItem(QStringLiteral("IMG_0001.JPG"))).lastWrite,
              QStringLiteral("2001年02月03日  13:05:06"));

    // Single digits are padded; the date changes at local midnight, not at UTC midnight.
    EXPECT_EQ(fileTimeText(ticksOf(QDateTime(QDate(1999, 12, 31), QTime(15, 0, 0), Qt::UTC)), DateStyle::Numeric),
              QStringLiteral("2000/01/01 00:00:00"));
    EXPECT_EQ(fileTimeText(ticksOf(QDateTime(QDate(2004, 2, 29), QTime(0, 1, 2, 999), Qt::UTC)), DateStyle::Japanese),
              QStringLiteral("2004年02月29日  09:01:02"));
}

TEST_F(ItemTexts, TimesThatShowNothingAreUnknown)
{
    const QString unknown = QStringLiteral("(不明)");
    EXPECT_EQ(fileTimeText(0, DateStyle::Numeric), unknown);
    // Half a second after the first moment a file time can hold: 1601-01-01 09:00:00 in Japan.
    EXPECT_EQ(fileTimeText(5000000, DateStyle::Japanese), unknown);
    // One second later it is a date like any other.
    EXPECT_EQ(fileTimeText(15000000, DateStyle::Japanese), QStringLiteral("1601年01月01日  09:00:01"));
    // Counts from 2^63 on have no calendar form.
    EXPECT_EQ(fileTimeText(FileTime(1) << 63, DateStyle::Numeric), unknown);
    EXPECT_EQ(fileTimeText(~FileTime(0), DateStyle::Numeric), unknown);

    EXPECT_EQ(calendarText(std::nullopt, DateStyle::Numeric), unknown);
    EXPECT_EQ(calendarText(CalendarTime{1601, 1, 1, 9, 0, 0}, DateStyle::Numeric), unknown);
    EXPECT_EQ(calendarText(CalendarTime{2001, 2, 29, 0, 0, 0}, DateStyle::Numeric), unknown);  // not a leap year
    EXPECT_EQ(calendarText(CalendarTime{2001, 13, 1, 0, 0, 0}, DateStyle::Numeric), unknown);
    EXPECT_EQ(calendarText(CalendarTime{2001, 1, 1, 24, 0, 0}, DateStyle::Numeric), unknown);
    EXPECT_EQ(calendarText(CalendarTime{2000, 2, 29, 23, 59, 59}, DateStyle::Numeric), QStringLiteral("2000/02/29 23:59:59"));
}

TEST_F(ItemTexts, AFileDeletedBehindTheViewIsUnknown)
{
    folder_.write(QStringLiteral("gone.jpg"), QByteArray(4096, 'x'), kWritten);
    const auto item = makeItem(QStringLiteral("gone.jpg"), KindJpeg, 640, 480, 24);
    EXPECT_EQ(detailCellText(folder_.path(), *item, ColumnSize), QStringLiteral("4 KB"));
    ASSERT_TRUE(folder_.remove(QStringLiteral("gone.jpg")));

    EXPECT_EQ(detailCellText(folder_.path(), *item, ColumnName), QStringLiteral("gone.jpg"));
    EXPECT_EQ(detailCellText(folder_.path(), *item, ColumnSize), QStringLiteral("(不明)"));
    EXPECT_EQ(detailCellText(folder_.path(), *item, ColumnModified), QStringLiteral("(不明)"));
    // The picture facts come from the holder, which is still there.
    EXPECT_EQ(detailCellText(folder_.path(), *item, ColumnPicture), QStringLiteral("W: 640 x H: 480  24 bit color"));

    const QStringList info = informationLines(folder_.path(), *item);
    EXPECT_EQ(info[2], QStringLiteral("ファイルサイズ  (不明)"));
    EXPECT_EQ(info[3], QStringLiteral("作成日（撮影日）  (不明)"));
    EXPECT_EQ(info[4], QStringLiteral("最終更新日        (不明)"));

    const FilePropertyTexts props = filePropertyTexts(folder_.path(), *item);
    EXPECT_EQ(props.size, QStringLiteral("(不明)"));
    EXPECT_EQ(props.lastWrite, QStringLiteral("(不明)"));
    EXPECT_EQ(props.shootingDate, QStringLiteral("(不明)"));
    EXPECT_FALSE(props.attributes.has_value());
}

TEST_F(ItemTexts, UnknownFilesShowDashesForThePicture)
{
    folder_.write(QStringLiteral("notes.txt"), "hello");
    const auto unknown = makeItem(QStringLiteral("notes.txt"));
    EXPECT_EQ(detailCellText(folder_.path(), *unknown, ColumnPicture), QStringLiteral("W: - x H: -  - bit color"));
    const QStringList info = informationLines(folder_.path(), *unknown);
    ASSERT_EQ(info.size(), 7);
    EXPECT_EQ(info[5], QStringLiteral("画像のサイズ    W: - x H: -"));
    EXPECT_EQ(info[6], QStringLiteral("画像の使用色数  - bit color"));
    const FilePropertyTexts props = filePropertyTexts(folder_.path(), *unknown);
    EXPECT_EQ(props.kindName, QString());
    EXPECT_EQ(props.pictureSize, QStringLiteral("W: - x H: -"));
    EXPECT_EQ(props.colourDepth, QStringLiteral("- bit color"));

    const auto picture = makeItem(QStringLiteral("notes.txt"), KindBmp, 1600, 1200, 8);
    EXPECT_EQ(informationLines(folder_.path(), *picture)[5], QStringLiteral("画像のサイズ    W: 1600 x H: 1200"));
    EXPECT_EQ(informationLines(folder_.path(), *picture)[6], QStringLiteral("画像の使用色数  8 bit color"));
    EXPECT_EQ(filePropertyTexts(folder_.path(), *picture).kindName, QStringLiteral("BITMAP フォーマット"));
}

TEST_F(ItemTexts, InformationLinesNameAndTypeTheFile)
{
    folder_.write(QStringLiteral("DSC 0001.jpg"), "x");
    const QStringList info = lines(QStringLiteral("DSC 0001.jpg"));
    EXPECT_EQ(info[0], QStringLiteral("ファイル名      DSC 0001.jpg"));
    const QString type = QMimeDatabase().mimeTypeForFile(folder_.file(QStringLiteral("DSC 0001.jpg"))).comment();
    ASSERT_FALSE(type.isEmpty());
    EXPECT_EQ(info[1], QStringLiteral("種類              ") + type);
    EXPECT_EQ(cell(QStringLiteral("DSC 0001.jpg"), ColumnType), type);
    EXPECT_EQ(cell(QStringLiteral("DSC 0001.jpg"), 5), QString());
}

TEST_F(ItemTexts, ExifShootingDateIsShownAsRecorded)
{
    writeExifJpeg(folder_, QStringLiteral("IMGA0001.JPG"), QStringLiteral("2003:04:05 06:07:08"));
    writeExifTiff(folder_, QStringLiteral("scan.tif"), QStringLiteral("1998:12:31 23:59:58"));
    // The Exif date is camera time: no time-zone conversion.
    EXPECT_EQ(lines(QStringLiteral("IMGA0001.JPG"))[3], QStringLiteral("作成日（撮影日）  2003年04月05日  06:07:08"));
    EXPECT_EQ(lines(QStringLiteral("scan.tif"))[3], QStringLiteral("作成日（撮影日）  1998年12月31日  23:59:58"));

    // A real camera's file, read in place; exiv2 is the oracle.
    const QString camera = realWorld("jpeg_exif/Canon IXUS.jpg");
    const QString recorded = exivShootingDate(camera);
    ASSERT_EQ(recorded.size(), 19) << recorded.toStdString();
    EXPECT_EQ(shootingDateText(camera, DateStyle::Japanese), japaneseForm(recorded));
}

TEST_F(ItemTexts, ShootingDateFallsBackToTheFileTime)
{
    // A JPEG without Exif, a ".jpeg" (not one of the probed endings) with Exif, and a file of another kind.
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::green);
    ASSERT_TRUE(picture.save(folder_.file(QStringLiteral("plain.jpg")), "JPEG"));
    writeExifJpeg(folder_, QStringLiteral("other.jpeg"), QStringLiteral("2003:04:05 06:07:08"));
    folder_.write(QStringLiteral("notes.txt"), "x");
    for (const char* name : {"plain.jpg", "other.jpeg", "notes.txt"}) {
        SCOPED_TRACE(name);
        const QString path = folder_.file(QString::fromUtf8(name));
        // Written long ago: where the file system records birth times, the creation time is now.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(kWritten, QFileDevice::FileModificationTime));
        file.close();
        const FileFacts facts = FileFacts::read(path);
        ASSERT_TRUE(facts.found);
        ASSERT_NE(facts.creation, 0u);
        EXPECT_EQ(facts.lastWrite, ticksOf(kWritten));
        EXPECT_FALSE(recordedShootingDate(path).has_value());
        EXPECT_EQ(shootingDateText(path, DateStyle::Japanese), fileTimeText(facts.creation, DateStyle::Japanese));
        if (facts.creation != facts.lastWrite) {
            EXPECT_NE(shootingDateText(path, DateStyle::Japanese), QStringLiteral("2001年02月03日  13:05:06"));
        }
    }
}

TEST_F(ItemTexts, MovieShootingDateIsTheCreationTimeOfTheMovieHeader)
{
    const std::string fixtures = movietest::movieFixtures();
    ASSERT_FALSE(fixtures.empty()) << "scripts/fixtures/movies.sh failed";
    const QString created = QString::fromStdString(fixtures + "/created.mov");
    EXPECT_EQ(shootingDateText(created, DateStyle::Japanese), QStringLiteral("2001年02月03日  04:05:06"));
    EXPECT_EQ(shootingDateText(created, DateStyle::Numeric), QStringLiteral("2001/02/03 04:05:06"));

    // An AVI records no creation time, and a movie header whose time is 0 records none either: both
    // show the file's own time, never 1904.
    movietest::TempFolder copies;
    std::vector<uint8_t> movie = movietest::readFile(fixtures + "/created.mov");
    std::size_t header = 0;
    for (std::size_t i = 0; i + 4 <= movie.size() && !header; ++i)
        if (std::memcmp(&movie[i], "mvhd", 4) == 0)
            header = i;
    ASSERT_GT(header, 0u);
    std::fill(movie.begin() + long(header + 8), movie.begin() + long(header + 12), 0);
    movietest::writeFile(copies.file("zero.MOV"), movie);
    movietest::writeFile(copies.file("clip.avi"), movietest::readFile(fixtures + "/mjpg320.avi"));
    for (const char* name : {"zero.MOV", "clip.avi"}) {
        SCOPED_TRACE(name);
        const QString path = QString::fromStdString(copies.file(name));
        EXPECT_EQ(shootingDateText(path, DateStyle::Japanese),
                  fileTimeText(FileFacts::read(path).creation, DateStyle::Japanese));
    }
}

TEST_F(ItemTexts, DvStillsTakeTheDateTheFrameKeeps)
{
    folder_.write(QStringLiteral("DV000001.DVF"), QByteArray(64, '\0'));
    folder_.write(QStringLiteral("DV000002.dvf"), QByteArray(64, '\0'));
    const QString first = folder_.file(QStringLiteral("DV000001.DVF"));
    const QString fileTime = fileTimeText(FileFacts::read(first).creation, DateStyle::Japanese);
    EXPECT_EQ(shootingDateText(first, DateStyle::Japanese), fileTime);  // nothing registered yet

    QStringList asked;
    setDvShootingDateSource([&](const QString& path) -> std::optional<CalendarTime> {
        asked << path;
        if (path.endsWith(QStringLiteral("DV000001.DVF")))
            return CalendarTime{1999, 12, 31, 23, 59, 58};
        return CalendarTime{1999, 2, 30, 0, 0, 0};  // no such day: the file's time serves
    });
    EXPECT_EQ(shootingDateText(first, DateStyle::Japanese), QStringLiteral("1999年12月31日  23:59:58"));
    const QString second = folder_.file(QStringLiteral("DV000002.dvf"));
    EXPECT_EQ(shootingDateText(second, DateStyle::Japanese),
              fileTimeText(FileFacts::read(second).creation, DateStyle::Japanese));
    EXPECT_EQ(asked, (QStringList{first, second}));

    // A file that is gone is not asked about.
    ASSERT_TRUE(folder_.remove(QStringLiteral("DV000001.DVF")));
    EXPECT_EQ(shootingDateText(first, DateStyle::Japanese), QStringLiteral("(不明)"));
    EXPECT_EQ(asked.size(), 2);

    setDvShootingDateSource({});
    EXPECT_FALSE(recordedShootingDate(second).has_value());
}

TEST_F(ItemTexts, AttributesFollowTheFile)
{
    const QString plain = folder_.write(QStringLiteral("plain.jpg"), "x");
    const QString locked = folder_.write(QStringLiteral("locked.jpg"), "x");
    const QString hidden = folder_.write(QStringLiteral(".hidden.jpg"), "x");
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    EXPECT_EQ(fileAttributes(plain), std::optional<std::uint32_t>(0));
    EXPECT_EQ(fileAttributes(locked), std::optional<std::uint32_t>(fileattr::kReadOnly));
    EXPECT_EQ(fileAttributes(hidden), std::optional<std::uint32_t>(fileattr::kHidden));
    EXPECT_FALSE(fileAttributes(folder_.file(QStringLiteral("missing.jpg"))).has_value());
    EXPECT_FALSE(fileAttributes(QString()).has_value());
}
