// Printing for real: pages drawn onto pictures of known resolution (to see where things land) and
// whole documents printed to PDF files (to see how many pages came out and how a job ends).

#include "browser/BmpThumbDecoder.h"
#include "browser/IconThumbDecoder.h"
#include "browser/StandardDecoders.h"
#include "platform/MessageBox.h"
#include "print/CPrintPreviewWnd.h"
#include "print/CPrintService.h"
#include "print/PageJobs.h"
#include "print/PrintPages.h"
#include "resources/UiResources.h"

#include "TestData.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace print;

namespace {

constexpr int kDotsPerMeterAt300Dpi = 11811;

DecoderList bitmapDecoders(bool)
{
    DecoderList decoders;
    decoders.push_back(std::make_unique<BmpThumbDecoder>());
    decoders.push_back(std::make_unique<IconThumbDecoder>());
    return decoders;
}

QIcon solidIcon(const QColor& colour)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

int pdfPages(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(file.readAll());
    return static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

// Pixels in `area` of `image` that are not white.
int inkIn(const QImage& image, const QRect& area)
{
    int ink = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ++ink;
    return ink;
}

class PrintOutput : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        red_ = picture(QStringLiteral("red.bmp"), 300, 200, Qt::red);
        blue_ = picture(QStringLiteral("wide.bmp"), 200, 100, Qt::blue);
        garbage_ = folder_.filePath(QStringLiteral("broken.bmp"));
        QFile broken(garbage_);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("BM this is no bitmap at all");
        text_ = folder_.filePath(QStringLiteral("notes & list.txt"));
        QFile notes(text_);
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
        notes.write("not a picture");
    }

    QString picture(const QString& name, int width, int height, const QColor& colour)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = folder_.filePath(name);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }

    PrintEntry entry(const QString& path, bool hasImage, const QImage& thumbnail = QImage()) const
    {
        return PrintEntry{path, QFileInfo(path).fileName(), hasImage, thumbnail, solidIcon(Qt::darkGreen)};
    }

    QVector<PrintEntry> manyPictures(int count) const
    {
        return QVector<PrintEntry>(count, entry(red_, true));
    }

    // A service printing to a 300 dpi A4 PDF in the temporary folder.
    void toPdf(CPrintService& service, const QString& name)
    {
        QPrinter& printer = service.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(folder_.filePath(name));
        printer.setResolution(300);
        printer.setPageSize(QPageSize(QPageSize::A4));
    }

    static QImage page300()
    {
        QImage page(2400, 3300, QImage::Format_RGB32);
        page.setDotsPerMeterX(kDotsPerMeterAt300Dpi);
        page.setDotsPerMeterY(kDotsPerMeterAt300Dpi);
        page.fill(Qt::gray);
        return page;
    }

    QTemporaryDir folder_;
    QString red_, blue_, garbage_, text_;
};

}  // namespace

TEST_F(PrintOutput, IndexCellsLandInTheirBoxes)
{
    QImage page = page300();
    const IndexLayout layout = indexLayoutFor(&page);
    ASSERT_EQ(layout.columns(), 4);
    ASSERT_EQ(layout.rows(), 4);
    const QVector<PrintEntry> entries{entry(red_, true), entry(text_, false), entry(garbage_, true)};
    // The desktop's own naming gives the file name and an icon for the file without picture.
    const PrintEntry named = makePrintEntry(text_, false);
    EXPECT_EQ(named.displayName, QStringLiteral("notes & list.txt"));
    EXPECT_FALSE(named.icon.isNull());
    FullPictureLoader loader(bitmapDecoders);
    IndexSheetPainter sheet(layout, entries, SheetMode::Print, &loader);
    QPainter painter(&page);
    EXPECT_EQ(sheet.drawPage(painter, page.rect(), 0), 3);
    painter.end();

    EXPECT_EQ(page.pixel(5, 3290), qRgb(255, 255, 255)) << "the page is filled white";
    // 300 x 200 enlarged into the 504 x 665 box: 504 x 336, centred down to 164.
    const QRect box = layout.cell(0).picture;
    ASSERT_EQ(box, QRect(80, 0, 504, 665));
    EXPECT_EQ(page.pixel(80 + 252, 164 + 2), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(80 + 252, 164 + 333), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(80 + 2, 164 + 168), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(80 + 252, 160), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(80 + 252, 164 + 340), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(79, 300), qRgb(255, 255, 255)) << "the indent stays empty";

    // The file without picture: its icon on a 128-dot square centred in the box, not enlarged.
    const QRect icon = sheet.iconRect(layout.cell(1).picture);
    EXPECT_EQ(icon, QRect(680 + 188, 268, 128, 128));
    EXPECT_EQ(inkIn(page, icon), 128 * 128);
    EXPECT_EQ(inkIn(page, layout.cell(1).picture) - inkIn(page, icon), 0);

    // The picture that cannot be decoded leaves its box empty but keeps its name.
    EXPECT_EQ(inkIn(page, layout.cell(2).picture), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(inkIn(page, layout.cell(i).caption), 0) << "caption of cell " << i;
    EXPECT_EQ(inkIn(page, layout.cell(3).cell), 0) << "no entry, no ink";
}

TEST_F(PrintOutput, PreviewDrawsThumbnailsWherePrintingDecodes)
{
    QImage thumbnail(64, 64, QImage::Format_RGB32);
    thumbnail.fill(Qt::green);
    const QVector<PrintEntry> entries{entry(red_, true, thumbnail), entry(text_, false)};
    for (SheetMode mode : {SheetMode::Preview, SheetMode::Print}) {
        QImage page = page300();
        const IndexLayout layout = indexLayoutFor(&page);
        FullPictureLoader loader(bitmapDecoders);
        IndexSheetPainter sheet(layout, entries, mode, &loader);
        QPainter painter(&page);
        sheet.drawPage(painter, page.rect(), 0);
        painter.end();
        const QRgb centre = page.pixel(layout.cell(0).picture.center());
        EXPECT_EQ(centre, mode == SheetMode::Preview ? qRgb(0, 255, 0) : qRgb(255, 0, 0));
        // The icon of a file without picture covers its square in both.
        const QRect icon = sheet.iconRect(layout.cell(1).picture);
        EXPECT_EQ(inkIn(page, icon), icon.width() * icon.height());
    }
}

TEST_F(PrintOutput, SinglePictureFillsThePageCentred)
{
    QImage page(1000, 1000, QImage::Format_RGB32);
    page.fill(Qt::white);
    FullPictureLoader loader(bitmapDecoders);
    QPainter painter(&page);
    EXPECT_TRUE(drawSinglePicturePage(painter, page.rect(), blue_, loader));
    EXPECT_FALSE(drawSinglePicturePage(painter, page.rect(), garbage_, loader));
    EXPECT_FALSE(drawSinglePicturePage(painter, page.rect(), folder_.filePath(QStringLiteral("gone.bmp")), loader));
    painter.end();
    // 200 x 100 enlarged to 1000 x 500, from row 250.
    EXPECT_EQ(page.pixel(500, 245), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(500, 252), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(2, 747), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(997, 500), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(500, 755), qRgb(255, 255, 255));
}

TEST_F(PrintOutput, PdfPageCounts)
{
    CPrintService service(bitmapDecoders);
    toPdf(service, QStringLiteral("index.pdf"));
    const int cells = indexLayoutFor(&service.printer()).cellsPerPage();
    ASSERT_GT(cells, 0);
    EXPECT_EQ(service.printWithoutDialog(PrintLayout::IndexSheet, QStringLiteral("sheet"), manyPictures(cells + 1)),
              PrintOutcome::Printed);
    EXPECT_EQ(pdfPages(folder_.filePath(QStringLiteral("index.pdf"))), 2);

    // Exactly full pages offer one more page than they print.
    toPdf(service, QStringLiteral("full.pdf"));
    EXPECT_EQ(service.printWithoutDialog(PrintLayout::IndexSheet, QStringLiteral("sheet"), manyPictures(cells)),
              PrintOutcome::Printed);
    EXPECT_EQ(pdfPages(folder_.filePath(QStringLiteral("full.pdf"))), 1);

    // One page per picture, also for a picture that prints empty.
    toPdf(service, QStringLiteral("single.pdf"));
    const QVector<PrintEntry> three{entry(red_, true), entry(garbage_, true), entry(blue_, true)};
    const QString longTitle = QStringLiteral("Kestrel - a folder name far longer than a printer shows");
    EXPECT_EQ(service.printWithoutDialog(PrintLayout::SinglePicture, longTitle, three), PrintOutcome::Printed);
    EXPECT_EQ(pdfPages(folder_.filePath(QStringLiteral("single.pdf"))), 3);
    EXPECT_EQ(service.printer().docName(), longTitle.left(kMaxDocumentName));
}

TEST_F(PrintOutput, JobsThatEndEarly)
{
    CPrintService service(bitmapDecoders);
    toPdf(service, QStringLiteral("nothing.pdf"));
    EXPECT_EQ(service.printWithoutDialog(PrintLayout::SinglePicture, QStringLiteral("t"), {}), PrintOutcome::Nothing);
    EXPECT_FALSE(QFile::exists(folder_.filePath(QStringLiteral("nothing.pdf")))) << "no document for no page";

    toPdf(service, QStringLiteral("aborted.pdf"));
    int asked = 0;
    const auto cancelOnSecond = [&asked](int page) {
        ++asked;
        return page < 2;
    };
    EXPECT_EQ(service.printWithoutDialog(PrintLayout::SinglePicture, QStringLiteral("t"), manyPictures(4),
                                         cancelOnSecond),
              PrintOutcome::Aborted);
    EXPECT_EQ(asked, 2) << "no page is asked for after the cancel";

    service.printer().setOutputFileName(QStringLiteral("/nonexistent-folder/x/out.pdf"));
    EXPECT_EQ(service.printWithoutDialog(PrintLayout::SinglePicture, QStringLiteral("t"), manyPictures(1)),
              PrintOutcome::StartFailed);
}

TEST_F(PrintOutput, LaterPagesPrintTheirOwnItems)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder_.filePath(QStringLiteral("second.pdf")));
    printer.setResolution(300);
    const IndexLayout layout = indexLayoutFor(&printer);
    const int count = layout.cellsPerPage() + 3;
    IndexSheetJob job(layout, manyPictures(count), SheetMode::Print, bitmapDecoders);
    EXPECT_EQ(job.maxPage(), 2);
    EXPECT_FALSE(job.hasPage(3));
    EXPECT_EQ(runPrintLoop(printer, job, clampPageRange(2, 2, 1, job.maxPage())), PrintOutcome::Printed);
    EXPECT_EQ(job.nextItem(), count);
    EXPECT_EQ(pdfPages(printer.outputFileName()), 1);
}

TEST_F(PrintOutput, PreviewShowsTheSheetsAndHandsPrintingBack)
{
    ASSERT_TRUE(UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR)));
    CPrintService service(bitmapDecoders);
    service.printer().setResolution(300);
    const int cells = indexLayoutFor(&service.printer()).cellsPerPage();
    const QVector<PrintEntry> listed = manyPictures(cells * 2 + 1);
    CPrintPreviewWnd preview(&service.printer(), [&](QPrinter* target) { service.paintIndexPreview(target, listed); });
    preview.previewWidget()->updatePreview();
    EXPECT_EQ(preview.pageCount(), 3);
    EXPECT_FALSE(preview.printRequested());
    preview.printAction()->trigger();
    EXPECT_TRUE(preview.printRequested());

    const QString prefix = UiResources::string(kTitlePrefixString);
    EXPECT_FALSE(prefix.isEmpty());
    EXPECT_EQ(titleAfterPreview(QStringLiteral("/media/card/DCIM/100ABCDE")), prefix + QStringLiteral("100ABCDE"));
    EXPECT_EQ(titleAfterPreview(QStringLiteral("E:\\DCIM\\101XYZ__")), prefix + QStringLiteral("101XYZ__"));
    EXPECT_EQ(titleAfterPreview(QString()), prefix);
    UiResources::unbind(UiResources::Bundle::Uires);
}

TEST_F(PrintOutput, CameraPictureDecodesInFullSizeAndPrints)
{
    const QString camera = QString::fromStdString(testdata::realWorld("jpeg_exif/Canon IXUS.jpg"));
    const QSize size = QImageReader(camera).size();
    ASSERT_TRUE(size.isValid());
    std::vector<platform::MessageRecord> shown;
    const auto previous = platform::setMessageSink([&shown](const platform::MessageRecord& record) {
        shown.push_back(record);
        return platform::defaultAnswer(record.style);
    });
    // Through the program's own decoders and codec libraries; the Exif preview must not stand in.
    FullPictureLoader loader(standardDecoderFactory());
    const imaging::PackedDib picture = loader.load(camera);
    ASSERT_TRUE(picture.isValid());
    EXPECT_EQ(QSize(picture.width(), picture.height()), size);
    EXPECT_EQ(picture.bitCount(), 24u);

    CPrintService service(standardDecoderFactory());
    toPdf(service, QStringLiteral("camera.pdf"));
    EXPECT_EQ(service.printWithoutDialog(PrintLayout::SinglePicture, QStringLiteral("camera"),
                                         {entry(camera, true), entry(camera, true)}),
              PrintOutcome::Printed);
    EXPECT_EQ(pdfPages(folder_.filePath(QStringLiteral("camera.pdf"))), 2);
    platform::setMessageSink(previous);
    for (const auto& record : shown)
        ADD_FAILURE() << "message: " << record.text.toStdString();
}
