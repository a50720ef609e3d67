// Whole print jobs read back as a person would see them: the PDF a job writes is rendered by an
// independent renderer (pdftoppm) and the places where the pictures belong are compared with the
// pictures; the PDF itself shows how large the embedded pictures are.

#include "browser/BmpThumbDecoder.h"
#include "browser/StandardDecoders.h"
#include "imaging/FitRect.h"
#include "platform/MessageBox.h"
#include "print/CPrintPreviewWnd.h"
#include "print/CPrintService.h"
#include "print/PrintPages.h"
#include "resources/UiResources.h"

#include "TestData.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace print;

namespace {

constexpr int kVgaWidth = 640;
constexpr int kVgaHeight = 480;
constexpr int kPictures = 11;
constexpr int kRenderDpi = 40;

DecoderList bitmapOnly(bool)
{
    DecoderList decoders;
    decoders.push_back(std::make_unique<BmpThumbDecoder>());
    return decoders;
}

// Picture i: red, green and blue quarters and a grey one whose level tells the pictures apart.
QColor quarterColour(int picture, int quarter)
{
    switch (quarter) {
    case 0: return QColor(230, 30, 30);
    case 1: return QColor(30, 200, 30);
    case 2: return QColor(30, 30, 230);
    default: return QColor(15 + picture * 20, 15 + picture * 20, 15 + picture * 20);
    }
}

// Page `page` of `pdf` as pdftoppm draws it at `dpi`.
QImage renderPage(const QString& pdf, int page, int dpi)
{
    const QString prefix = pdf + QStringLiteral("-page%1").arg(page);
    QProcess process;
    process.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                                               QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                               QString::number(page), QStringLiteral("-singlefile"), pdf, prefix});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// The pixel sizes of every picture embedded in a PDF.
std::vector<QSize> embeddedPictureSizes(const QString& pdf)
{
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(file.readAll());
    std::vector<QSize> sizes;
    const QRegularExpression image(QStringLiteral("/Subtype\\s*/Image"));
    const QRegularExpression width(QStringLiteral("/Width\\s+(\\d+)"));
    const QRegularExpression height(QStringLiteral("/Height\\s+(\\d+)"));
    for (auto it = image.globalMatch(text); it.hasNext();) {
        const auto at = it.next();
        // The dictionary around the match: from the object's start to its stream.
        const qsizetype begin = text.lastIndexOf(QLatin1String("obj"), at.capturedStart());
        const qsizetype end = text.indexOf(QLatin1String("stream"), at.capturedEnd());
        const QString dictionary = text.mid(begin, end - begin);
        sizes.emplace_back(width.match(dictionary).captured(1).toInt(), height.match(dictionary).captured(1).toInt());
    }
    return sizes;
}

// The mean colour of a small square of `image` around `centre`.
QColor meanAround(const QImage& image, QPoint centre, int half = 2)
{
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = centre.y() - half; y <= centre.y() + half; ++y)
        for (int x = centre.x() - half; x <= centre.x() + half; ++x) {
            if (!image.rect().contains(x, y))
                continue;
            const QRgb p = image.pixel(x, y);
            r += qRed(p), g += qGreen(p), b += qBlue(p), ++n;
        }
    return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

int colourDistance(const QColor& a, const QColor& b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

class PrintedPictures : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        ASSERT_TRUE(UiResources::isBound(UiResources::Bundle::Uires) ||
                    UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR)));
        previous_ = platform::setMessageSink([this](const platform::MessageRecord& record) {
            shown_.push_back(record);
            return platform::defaultAnswer(record.style);
        });
        for (int i = 0; i < kPictures; ++i) {
            QImage image(kVgaWidth, kVgaHeight, QImage::Format_RGB32);
            QPainter painter(&image);
            for (int q = 0; q < 4; ++q)
                painter.fillRect(QRect((q % 2) * kVgaWidth / 2, (q / 2) * kVgaHeight / 2, kVgaWidth / 2, kVgaHeight / 2),
                                 quarterColour(i, q));
            painter.end();
            const QString path = folder_.filePath(QStringLiteral("VGA%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
            ASSERT_TRUE(image.save(path, "BMP"));
            pictures_.push_back(PrintEntry{path, QFileInfo(path).fileName(), true, image.scaled(128, 96), {}});
        }
    }

    void TearDown() override
    {
        platform::setMessageSink(previous_);
        for (const auto& record : shown_)
            ADD_FAILURE() << "message: " << record.text.toStdString();
        UiResources::unbind(UiResources::Bundle::Uires);
    }

    // The service's own printer (the high resolution a real printer has) writing an A4 PDF.
    QString toPdf(CPrintService& service, const QString& name)
    {
        QPrinter& printer = service.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(folder_.filePath(name));
        return printer.outputFileName();
    }

    // Where a device rectangle of `printer` lands on a page rendered at `dpi`.
    static QPointF onRender(const QPrinter& printer, QPointF device, int dpi)
    {
        const QPointF origin = printer.pageLayout().paintRectPixels(printer.resolution()).topLeft();
        return (origin + device) * dpi / printer.resolution();
    }

    // Checks the four quarters of picture `index` drawn fitted into `box` (device units) on `render`.
    void expectPictureIn(const QImage& render, const QPrinter& printer, const QRect& box, int index)
    {
        imaging::FitRectangle fitted;
        ASSERT_EQ(imaging::FitRect(kVgaWidth, kVgaHeight, box.width(), box.height(), true, fitted), 0);
        for (int q = 0; q < 4; ++q) {
            const QPointF centre(box.left() + fitted.left + fitted.width() * (0.25 + 0.5 * (q % 2)),
                                 box.top() + fitted.top + fitted.height() * (0.25 + 0.5 * (q / 2)));
            const QColor seen = meanAround(render, onRender(printer, centre, kRenderDpi).toPoint());
            EXPECT_LE(colourDistance(seen, quarterColour(index, q)), 24)
                << "picture " << index << " quarter " << q << " seen " << seen.name().toStdString();
        }
        // Just outside the fitted picture the paper stays white.
        const QPointF below(box.left() + fitted.left + fitted.width() / 2.0,
                            box.top() + fitted.top + fitted.height() + 3.0 * printer.resolution() / kRenderDpi);
        if (box.contains(below.toPoint())) {
            EXPECT_EQ(meanAround(render, onRender(printer, below, kRenderDpi).toPoint(), 0), QColor(Qt::white));
        }
    }

    QTemporaryDir folder_;
    QVector<PrintEntry> pictures_;
    std::vector<platform::MessageRecord> shown_;
    platform::MessageSink previous_;
};

}  // namespace

TEST_F(PrintedPictures, VgaPicturesPrintWholeAndAreEmbeddedAtTheirOwnSize)
{
    CPrintService service(bitmapOnly);
    const QString single = toPdf(service, QStringLiteral("single.pdf"));
    ASSERT_GE(service.printer().resolution(), 600) << "the case that once blew pictures up to the device";
    ASSERT_EQ(service.printWithoutDialog(PrintLayout::SinglePicture, QStringLiteral("vga"), pictures_),
              PrintOutcome::Printed);
    const QRect page(0, 0, service.printer().width(), service.printer().height());
    for (int index : {0, kPictures - 1}) {
        const QImage render = renderPage(single, index + 1, kRenderDpi);
        ASSERT_FALSE(render.isNull()) << "pdftoppm could not render page " << index + 1;
        expectPictureIn(render, service.printer(), page, index);
    }

    const QString index = toPdf(service, QStringLiteral("index.pdf"));
    ASSERT_EQ(service.printWithoutDialog(PrintLayout::IndexSheet, QStringLiteral("vga"), pictures_),
              PrintOutcome::Printed);
    const IndexLayout layout = indexLayoutFor(&service.printer());
    ASSERT_GE(layout.cellsPerPage(), kPictures);
    const QImage sheet = renderPage(index, 1, kRenderDpi);
    ASSERT_FALSE(sheet.isNull());
    for (int i = 0; i < kPictures; ++i)
        expectPictureIn(sheet, service.printer(), layout.cell(i).picture, i);

    // The printer enlarges; the document carries each picture with no more pixels than it has.
    const qint64 rawPictures = qint64(kPictures) * kVgaWidth * kVgaHeight * 3;
    for (const QString& pdf : {single, index}) {
        SCOPED_TRACE(pdf.toStdString());
        const std::vector<QSize> sizes = embeddedPictureSizes(pdf);
        ASSERT_GE(sizes.size(), size_t(kPictures));
        for (const QSize& size : sizes) {
            EXPECT_LE(size.width(), kVgaWidth);
            EXPECT_LE(size.height(), kVgaHeight);
        }
        EXPECT_LT(QFileInfo(pdf).size(), rawPictures / 4) << QFileInfo(pdf).size() << " bytes";
    }
}

TEST_F(PrintedPictures, TurnedCameraPicturePrintsUpright)
{
    // The camera held on its side: stored landscape, tagged to be seen as portrait.
    const QString camera =
        QString::fromStdString(testdata::realWorld("orientation/digicam_corpus/Canon/Powershot SX150IS/IMG_1038.JPG"));
    QImageReader reader(camera);
    reader.setAutoTransform(true);
    const QImage upright = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(upright.isNull());
    ASSERT_GT(upright.height(), upright.width());

    CPrintService service(standardDecoderFactory());
    const QString pdf = toPdf(service, QStringLiteral("camera.pdf"));
    ASSERT_EQ(service.printWithoutDialog(PrintLayout::SinglePicture, QStringLiteral("camera"),
                                         {PrintEntry{camera, QStringLiteral("IMG_1038.JPG"), true, {}, {}}}),
              PrintOutcome::Printed);
    const QImage render = renderPage(pdf, 1, kRenderDpi);
    ASSERT_FALSE(render.isNull());

    const QPrinter& printer = service.printer();
    imaging::FitRectangle fitted;
    ASSERT_EQ(imaging::FitRect(upright.width(), upright.height(), printer.width(), printer.height(), true, fitted), 0);
    const QPointF topLeft = onRender(printer, QPointF(fitted.left, fitted.top), kRenderDpi);
    const QPointF bottomRight = onRender(printer, QPointF(fitted.right, fitted.bottom), kRenderDpi);
    // Compare on a coarse grid, away from the edges where the renderer blends with the paper.
    constexpr int kGrid = 12;
    int far = 0;
    long difference = 0;
    for (int gy = 1; gy < kGrid; ++gy)
        for (int gx = 1; gx < kGrid; ++gx) {
            const QPointF at(topLeft.x() + (bottomRight.x() - topLeft.x()) * gx / kGrid,
                             topLeft.y() + (bottomRight.y() - topLeft.y()) * gy / kGrid);
            const QPoint source(upright.width() * gx / kGrid, upright.height() * gy / kGrid);
            const int d = colourDistance(meanAround(render, at.toPoint(), 1),
                                         meanAround(upright, source, upright.width() / kGrid / 4));
            difference += d;
            far += d > 60;
        }
    EXPECT_LT(difference / ((kGrid - 1) * (kGrid - 1)), 25) << "the page shows the picture as the camera meant it";
    EXPECT_LE(far, 6);
}

TEST_F(PrintedPictures, IndexPreviewOpensForTheFrameAndHandsPrintingBack)
{
    CPrintService service(bitmapOnly);
    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("something else"));
    mainWindow.show();
    int pages = -1;
    QString title;
    bool found = false;
    // The preview is modal: look at it once it is up, then press its print control.
    std::function<void(int)> inspect = [&](int tries) {
        auto* preview = dynamic_cast<CPrintPreviewWnd*>(QApplication::activeModalWidget());
        if (!preview) {
            if (tries > 0)
                QTimer::singleShot(20, [&, tries] { inspect(tries - 1); });
            return;
        }
        found = true;
        preview->previewWidget()->updatePreview();
        pages = preview->pageCount();
        title = preview->windowTitle();
        preview->printAction()->trigger();
    };
    QTimer::singleShot(0, [&] { inspect(250); });
    const QString folder = folder_.path() + QStringLiteral("/DCIM/100ABCDE");
    EXPECT_TRUE(service.previewIndex(&mainWindow, pictures_, folder));
    ASSERT_TRUE(found) << "no preview window appeared";
    EXPECT_EQ(pages, indexLayoutFor(&service.printer()).pagesNeeded(kPictures));
    EXPECT_EQ(title, QStringLiteral("印刷プレビュー"));
    EXPECT_EQ(mainWindow.windowTitle(), UiResources::string(kTitlePrefixString) + QStringLiteral("100ABCDE"));
}
