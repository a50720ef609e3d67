// The properties sheet: its fields for real camera files decoded by the program's own decoders, for an
// unknown file and a file that went away; its own copy of the item; the command's entry.
#include "browser/CFilePropSheet.h"
#include "browser/FileProperties.h"
#include "browser/ItemStore.h"
#include "browser/StandardDecoders.h"
#include "browser/ThumbnailLoader.h"
#include "platform/MessageBox.h"

#include "DetailsSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

using namespace details;

namespace {

QString fieldText(QWidget* page, int id)
{
    auto* label = page->findChild<QLabel*>(QString::number(id));
    return label ? label->text() : QStringLiteral("<no control %1>").arg(id);
}

bool isChecked(QWidget* page, int id)
{
    auto* box = page->findChild<QCheckBox*>(QString::number(id));
    EXPECT_NE(box, nullptr) << id;
    return box && box->isChecked();
}

class FileProps : public testing::Test {
protected:
    FileProps()
    {
        useJapaneseTime();
        platform::setMessageSink([this](const platform::MessageRecord& record) {
            messages_ << record.text;
            return platform::defaultAnswer(record.style);
        });
    }
    ~FileProps() override { platform::setMessageSink({}); }

    // Decodes `path` with the program's decoders and adds the item to the store's display order.
    void addDecoded(const QString& path)
    {
        DecodeResult result;
        ASSERT_EQ(ThumbnailLoader::decodeSingleFile(path, standardDecoderFactory(), result), 0) << path.toStdString();
        ASSERT_GE(store_.addDecoded(result, 99), 0);
    }

    std::unique_ptr<CFilePropSheet> sheetAt(const QString& folder, int position)
    {
        return makePropertySheet(nullptr, store_, &listLock_, folder, position);
    }

    TempFolder folder_;
    ItemStore store_;
    std::mutex listLock_;
    QStringList messages_;
};

}  // namespace

TEST_F(FileProps, CameraFilesShowTheirKindPictureAndDates)
{
    const QString jpeg = realWorld("jpeg_exif/Canon IXUS.jpg");
    const QString movieFolder = realWorld("movies_mjpeg/digicam_corpus/Canon/PowerShot S40");
    addDecoded(jpeg);
    addDecoded(movieFolder + QStringLiteral("/MVI_0121.AVI"));

    const auto photo = sheetAt(realWorld("jpeg_exif"), 0);
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(photo->windowTitle(), QStringLiteral("ファイルのプロパティ"));
    EXPECT_FALSE(photo->windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(photo->pages()->count(), 2);
    QWidget* general = photo->generalPage();
    QWidget* image = photo->imagePage();
    EXPECT_EQ(general->objectName(), QStringLiteral("107"));
    EXPECT_EQ(image->objectName(), QStringLiteral("108"));
    EXPECT_EQ(fieldText(general, 1014), QStringLiteral("Canon IXUS.jpg"));
    EXPECT_EQ(fieldText(general, 1016), QStringLiteral("Canon IXUS.jpg"));
    EXPECT_EQ(fieldText(general, 1017), QStringLiteral("%1 バイト").arg(QFileInfo(jpeg).size()));
    EXPECT_EQ(fieldText(general, 1019), japaneseForm(exivShootingDate(jpeg)));
    EXPECT_FALSE(fieldText(general, 1015).isEmpty());
    auto* icon = general->findChild<QLabel*>(QStringLiteral("1011"));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(fieldText(image, 1015), QStringLiteral("JPEG フォーマット(Exif)"));
    EXPECT_EQ(fieldText(image, 1013),
              QStringLiteral("W: %1 x H: %2").arg(photo->item().thumbnail->width).arg(photo->item().thumbnail->height));
    EXPECT_EQ(fieldText(image, 3005), QStringLiteral("24 bit color"));
    auto* thumbnail = image->findChild<QLabel*>(QStringLiteral("3002"));
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_FALSE(thumbnail->pixmap().isNull());

    const auto movie = sheetAt(movieFolder, 1);
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(fieldText(movie->imagePage(), 1015), QStringLiteral("Motion-JPEG フォーマット"));
    EXPECT_EQ(fieldText(movie->generalPage(), 1016), QStringLiteral("MVI_0121.AVI"));
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join(QLatin1Char('\n')).toStdString();
}

TEST_F(FileProps, AnUnknownFileShowsNoKindAndDashes)
{
    const QString path = folder_.write(QStringLiteral("notes.xyz"), "twelve bytes", QDateTime(QDate(2002, 7, 8), QTime(1, 2, 3), Qt::UTC));
    addDecoded(path);
    const auto sheet = sheetAt(folder_.path(), 0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->item().kind, KindUnknown);
    EXPECT_EQ(fieldText(sheet->imagePage(), 1015), QString());
    EXPECT_EQ(fieldText(sheet->imagePage(), 1013), QStringLiteral("W: - x H: -"));
    EXPECT_EQ(fieldText(sheet->imagePage(), 3005), QStringLiteral("- bit color"));
    EXPECT_EQ(fieldText(sheet->generalPage(), 1017), QStringLiteral("12 バイト"));
    EXPECT_EQ(fieldText(sheet->generalPage(), 1018), QStringLiteral("2002年07月08日  10:02:03"));
    for (int id : {1020, 1021, 1022, 1023})
        EXPECT_FALSE(isChecked(sheet->generalPage(), id)) << id;
}

TEST_F(FileProps, AttributesAreShownNotChanged)
{
    const QString path = folder_.write(QStringLiteral(".locked.jpg"), "x");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
    store_.add(makeItem(QStringLiteral(".locked.jpg")), 0);
    const auto sheet = sheetAt(folder_.path(), 0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(isChecked(sheet->generalPage(), 1020));
    EXPECT_TRUE(isChecked(sheet->generalPage(), 1021));
    EXPECT_FALSE(isChecked(sheet->generalPage(), 1022));
    EXPECT_FALSE(isChecked(sheet->generalPage(), 1023));
    auto* readOnly = sheet->generalPage()->findChild<QCheckBox*>(QStringLiteral("1020"));
    readOnly->click();  // a click from code still toggles; the user's mouse cannot reach it
    EXPECT_TRUE(readOnly->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_FALSE(QFile::permissions(path) & QFile::WriteOwner);
}

TEST_F(FileProps, AFileRemovedAfterListingIsUnknown)
{
    folder_.write(QStringLiteral("IMG_0002.JPG"), QByteArray(100, 'x'));
    store_.add(makeItem(QStringLiteral("IMG_0002.JPG"), KindJpeg, 320, 240, 24), 0);
    ASSERT_TRUE(folder_.remove(QStringLiteral("IMG_0002.JPG")));
    const auto sheet = sheetAt(folder_.path(), 0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(fieldText(sheet->generalPage(), 1017), QStringLiteral("(不明)"));
    EXPECT_EQ(fieldText(sheet->generalPage(), 1018), QStringLiteral("(不明)"));
    EXPECT_EQ(fieldText(sheet->generalPage(), 1019), QStringLiteral("(不明)"));
    EXPECT_FALSE(isChecked(sheet->generalPage(), 1020));
    EXPECT_EQ(fieldText(sheet->imagePage(), 1015), QStringLiteral("JPEG フォーマット"));
    EXPECT_EQ(fieldText(sheet->imagePage(), 1013), QStringLiteral("W: 320 x H: 240"));
}

TEST_F(FileProps, TheSheetKeepsTheItemAsItWasWhenOpened)
{
    folder_.write(QStringLiteral("IMG_0003.JPG"), "x");
    auto item = makeItem(QStringLiteral("IMG_0003.JPG"), KindExifJpeg, 640, 480, 24);
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    item->thumbnail->dib = imaging::PackedDib::fromImage(red);
    const std::int32_t number = store_.add(std::move(item), 0);

    const auto sheet = sheetAt(folder_.path(), 0);
    ASSERT_NE(sheet, nullptr);
    // The loader stores another result, then the store drops the item with its holder.
    {
        std::lock_guard list(listLock_);
        store_.find(number)->thumbnail->store(imaging::PackedDib(), KindUnknown, 1, 1, 1);
        store_.find(number)->kind = KindUnknown;
    }
    ASSERT_EQ(store_.remove(number), 1);

    EXPECT_EQ(sheet->item().kind, KindExifJpeg);
    EXPECT_EQ(sheet->item().thumbnail->width, 640);
    ASSERT_TRUE(sheet->item().thumbnail->dib);
    EXPECT_EQ(sheet->item().thumbnail->dib.toImage().pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(fieldText(sheet->imagePage(), 1015), QStringLiteral("JPEG フォーマット(Exif)"));
    EXPECT_EQ(fieldText(sheet->imagePage(), 1013), QStringLiteral("W: 640 x H: 480"));
    // Drawing the page after the store let go of everything touches only the sheet's own copy.
    sheet->pages()->setCurrentIndex(1);
    sheet->resize(400, 400);
    const QImage shown = sheet->imagePage()->findChild<QLabel*>(QStringLiteral("3002"))->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::red));
}

TEST_F(FileProps, TheCommandNeedsACurrentItem)
{
    folder_.write(QStringLiteral("a.jpg"), "x");
    store_.add(makeItem(QStringLiteral("a.jpg")), 0);
    store_.add(makeItem(QStringLiteral("hidden-from-view.jpg")), -1);  // listed, not displayed
    EXPECT_EQ(sheetAt(folder_.path(), -1), nullptr);
    EXPECT_EQ(sheetAt(folder_.path(), 1), nullptr);
    EXPECT_NE(sheetAt(folder_.path(), 0), nullptr);

    // No current item: nothing is shown (a modal sheet would wait here for ever).
    showProperties(nullptr, store_, &listLock_, folder_.path(), -1);

    // With one the sheet runs modally until it is closed.
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shownTitle = modal->windowTitle();
            modal->close();
        }
    });
    showProperties(nullptr, store_, nullptr, folder_.path(), 0);
    EXPECT_EQ(shownTitle, QStringLiteral("ファイルのプロパティ"));
}
