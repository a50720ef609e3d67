// The thumbnail view and its list on real files in temporary folders, with the program's own decoders:
// what gets painted where, what the mouse selects, and what survives a size change or a re-listing.

#include "design/CDesignScrollBar.h"
#include "browser/CGridRenderer.h"
#include "browser/COwnerDrawListCtrl.h"
#include "browser/CPopupEditBox.h"
#include "browser/CThumbView.h"
#include "browser/ItemStore.h"
#include "browser/ListGeometry.h"
#include "browser/StandardDecoders.h"
#include "imaging/SiblingMessages.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "resources/UiResources.h"

#include "TempFolder.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <set>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr QRgb kGround = qRgb(68, 68, 68);
constexpr QRgb kBlue = qRgb(0, 0, 255);
constexpr QRgb kCaption = qRgb(74, 167, 100);
constexpr QRgb kPictureColour = qRgb(220, 30, 30);
constexpr int kWait = 20000;

// Forwards to a real decoder and counts the pictures it decodes.
class CountingDecoder : public ThumbDecoder {
public:
    CountingDecoder(std::unique_ptr<ThumbDecoder> inner, std::atomic<int>& decodes)
        : inner_(std::move(inner)), decodes_(decodes)
    {
    }
    bool bind(bool quiet) override { return inner_->bind(quiet); }
    void unbind() override { inner_->unbind(); }
    bool identify(QFile& file, const QString& path, const LoadRequest& request) override
    {
        return inner_->identify(file, path, request);
    }
    int decode(QFile& file, const QString& path, DecodeResult& result) override
    {
        ++decodes_;
        return inner_->decode(file, path, result);
    }
    int draw(QPainter& painter, int boxWidth, int boxHeight, DecodeResult& result) override
    {
        return inner_->draw(painter, boxWidth, boxHeight, result);
    }
    int render(imaging::PackedDib& target, int boxWidth, int boxHeight, DecodeResult& result) override
    {
        return inner_->render(target, boxWidth, boxHeight, result);
    }
    void release() override { inner_->release(); }
    bool isIconFallback() const override { return inner_->isIconFallback(); }

private:
    std::unique_ptr<ThumbDecoder> inner_;
    std::atomic<int>& decodes_;
};

ThumbnailLoader::Timing quickTiming()
{
    ThumbnailLoader::Timing timing;
    timing.afterPicture = std::chrono::milliseconds(0);
    timing.afterIcon = std::chrono::milliseconds(0);
    return timing;
}

class ThumbView : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        UiResources::bind(UiResources::Bundle::Uibase, QStringLiteral(KESTREL_BIN_DIR));
        UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR));
    }

    void SetUp() override
    {
        view = std::make_unique<CThumbView>(
            nullptr,
            [this](bool quiet) {
                DecoderList counted;
                for (auto& decoder : standardDecoders(quiet))
                    counted.push_back(std::make_unique<CountingDecoder>(std::move(decoder), decodes));
                return counted;
            },
            quickTiming());
        view->resize(800, 600);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    // A folder of `count` BMP pictures in one colour, 200 x 150, named P000.BMP ...
    QString writePictures(int count, QRgb colour = kPictureColour)
    {
        QImage picture(200, 150, QImage::Format_RGB32);
        picture.fill(colour);
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(picture.save(folder.file(QStringLiteral("P%1.BMP").arg(i, 3, 10, QLatin1Char('0'))), "BMP"));
        return folder.path();
    }

    void openAndWait(const QString& path)
    {
        view->openFolder(path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isLoading(); }, kWait));
        QCoreApplication::processEvents();
    }

    FileItem* itemAt(int position)
    {
        std::lock_guard guard(view->store());
        auto it = view->store().displayOrder().begin();
        std::advance(it, position);
        return view->store().find(*it);
    }

    int displayed()
    {
        std::lock_guard guard(view->store());
        return static_cast<int>(view->store().displayOrder().size());
    }

    QRect cell(int position) const
    {
        COwnerDrawListCtrl* list = view->list();
        return list->geometry().cellRect(position, list->topItem(), list->columns());
    }

    void clickAt(int position, Qt::KeyboardModifiers keys = {})
    {
        QTest::mouseClick(view->list(), Qt::LeftButton, keys, cell(position).center());
    }

    TempFolder folder;
    std::atomic<int> decodes{0};
    std::unique_ptr<CThumbView> view;
};

bool near(QRgb a, QRgb b, int tolerance = 8)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace

TEST_F(ThumbView, StartsAsTheGridWithItsChildren)
{
    COwnerDrawListCtrl* list = view->list();
    EXPECT_EQ(list->objectName(), QStringLiteral("1001"));
    EXPECT_EQ(view->layout(), 0);
    EXPECT_EQ(view->thumbnailSize(), 128);
    EXPECT_TRUE(view->sortAscending());
    ASSERT_NE(list->scrollBar(), nullptr);
    EXPECT_EQ(list->scrollBar()->objectName(), QStringLiteral("1155"));
    EXPECT_EQ(list->scrollBar()->geometry().right(), list->width() - 1);
    ASSERT_NE(list->editBox(), nullptr);
    EXPECT_EQ(list->editBox()->objectName(), QStringLiteral("2007"));
    EXPECT_TRUE(list->editBox()->isHidden());

    view->setThumbnailSize(100);  // not a size of the table
    EXPECT_EQ(view->thumbnailSize(), 128);
    view->setLayout(2);
    EXPECT_NE(list->findChild<QWidget*>(QStringLiteral("5000")), nullptr);  // the details header
    view->setLayout(7);
    EXPECT_EQ(view->layout(), 2);
    view->setLayout(0);
    EXPECT_EQ(list->findChild<QWidget*>(QStringLiteral("5000")), nullptr);
}

TEST_F(ThumbView, PaintsGroundPicturesCaptionsAndTheSelectionFrame)
{
    openAndWait(writePictures(3));
    ASSERT_EQ(displayed(), 3);
    QImage shot = view->list()->render();
    EXPECT_EQ(shot.pixel(14 + 154 + 2, 300), kGround);  // between two cells, below the first row
    EXPECT_EQ(shot.pixel(700, 500), kGround);
    // The 200 x 150 picture fills the 128-pixel box's width.
    const QRect picture = view->list()->geometry().picture.translated(cell(0).topLeft());
    EXPECT_TRUE(near(shot.pixel(picture.center()), kPictureColour));
    EXPECT_FALSE(near(shot.pixel(cell(0).left() - 2, cell(0).center().y()), kBlue, 0));

    bool captionDrawn = false;
    const QRect caption = view->list()->geometry().caption.translated(cell(0).topLeft());
    for (int y = caption.top(); y <= caption.bottom(); ++y) {
        for (int x = caption.left(); x <= caption.right(); ++x)
            captionDrawn = captionDrawn || shot.pixel(x, y) == kCaption;
    }
    EXPECT_TRUE(captionDrawn);

    clickAt(1);
    shot = view->list()->render();
    const QRect selected = cell(1);
    EXPECT_EQ(shot.pixel(selected.left() - 2, selected.center().y()), kBlue);
    EXPECT_EQ(shot.pixel(selected.right() + 2, selected.center().y()), kBlue);
    EXPECT_EQ(shot.pixel(selected.center().x(), selected.top() - 3), kBlue);
    EXPECT_NE(shot.pixel(selected.center().x(), selected.top() - 4), kBlue);
    EXPECT_NE(shot.pixel(cell(0).left() - 2, cell(0).center().y()), kBlue);
    EXPECT_EQ(view->list()->currentItem(), 1);
}

TEST_F(ThumbView, SmallerSizesRedrawTheCachedThumbnailsWithoutDecoding)
{
    openAndWait(writePictures(4));
    const int decoded = decodes.load();
    ASSERT_GT(decoded, 0);
    const std::uint64_t pass = view->loader().currentPass();

    view->setThumbnailSize(32);
    EXPECT_EQ(view->thumbnailSize(), 32);
    EXPECT_EQ(view->list()->geometry().cell, QSize(58, 58));
    const QImage shot = view->list()->render();
    const QRect picture = view->list()->geometry().picture.translated(cell(3).topLeft());
    EXPECT_TRUE(near(shot.pixel(picture.center()), kPictureColour));
    // 200 x 150 fitted into 32 pixels is 32 x 24, centred: the rows above it stay the cell's frame.
    EXPECT_FALSE(near(shot.pixel(picture.center().x(), picture.top() + 1), kPictureColour));
    EXPECT_EQ(decodes.load(), decoded);
    EXPECT_FALSE(view->isLoading());
    EXPECT_EQ(view->loader().currentPass(), pass);
}

TEST_F(ThumbView, ReopeningTheSameFolderKeepsThumbnailsAndMarksButNotTheSelection)
{
    openAndWait(writePictures(3));
    const int decoded = decodes.load();
    itemAt(0)->flags |= FileItem::kSelected | FileItem::kSearchMark;
    itemAt(1)->flags |= FileItem::kSelected;
    const void* picture = itemAt(0)->thumbnail->dib.get();
    ASSERT_NE(picture, nullptr);

    openAndWait(folder.path() + QLatin1Char('/'));
    ASSERT_EQ(displayed(), 3);
    EXPECT_EQ(decodes.load(), decoded);
    EXPECT_EQ(itemAt(0)->thumbnail->dib.get(), picture);
    EXPECT_EQ(itemAt(0)->flags & FileItem::kSearchMark, FileItem::kSearchMark);
    EXPECT_FALSE(itemAt(0)->isSelected());
    EXPECT_FALSE(itemAt(1)->isSelected());
    EXPECT_EQ(view->list()->currentItem(), -1);

    view->refresh();
    EXPECT_EQ(itemAt(0)->flags & FileItem::kSearchMark, 0u);

    // Another folder starts from nothing.
    TempFolder other;
    QImage picture2(20, 20, QImage::Format_RGB32);
    picture2.fill(Qt::green);
    picture2.save(other.file(QStringLiteral("G.BMP")), "BMP");
    openAndWait(other.path());
    EXPECT_EQ(displayed(), 1);
    EXPECT_GT(decodes.load(), decoded);
}

TEST_F(ThumbView, TheMarkedFilterEmptiesOnRefreshAndFallsBackOnOpening)
{
    openAndWait(writePictures(2));
    itemAt(1)->flags |= FileItem::kSearchMark;
    view->setFilter(6);
    EXPECT_EQ(view->filter(), 6);
    EXPECT_EQ(displayed(), 1);
    view->refresh();
    EXPECT_EQ(displayed(), 0);

    QSignalSpy fallback(view.get(), &CThumbView::allFilesFilterRequested);
    // The frame answers with its all-files filter command.
    QObject::connect(view.get(), &CThumbView::allFilesFilterRequested, view.get(), [this] { view->setFilter(0); });
    openAndWait(folder.path());
    EXPECT_EQ(fallback.count(), 1);
    EXPECT_EQ(view->filter(), 0);
    EXPECT_EQ(displayed(), 2);
}

TEST_F(ThumbView, MouseSelectsWithCtrlShiftAndTheRubberBand)
{
    openAndWait(writePictures(8));
    ASSERT_EQ(displayed(), 8);
    auto selected = [&] {
        std::set<int> positions;
        for (int i = 0; i < displayed(); ++i) {
            if (itemAt(i)->isSelected())
                positions.insert(i);
        }
        return positions;
    };
    clickAt(0);
    clickAt(2, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::set<int>{0, 2}));
    clickAt(5, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::set<int>{2, 3, 4, 5}));
    EXPECT_EQ(view->list()->anchor(), 2);
    EXPECT_EQ(view->list()->currentItem(), 5);

    // A band from the empty margin across the first two cells of the first row.
    COwnerDrawListCtrl* list = view->list();
    QTest::mousePress(list, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(selected().empty());
    EXPECT_TRUE(list->rubberBandActive());
    QMouseEvent move(QEvent::MouseMove, QPointF(cell(1).center()), list->mapToGlobal(QPointF(cell(1).center())),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list, &move);
    QTest::mouseRelease(list, Qt::LeftButton, {}, cell(1).center());
    EXPECT_FALSE(list->rubberBandActive());
    EXPECT_EQ(selected(), (std::set<int>{0, 1}));

    view->selectAll();
    EXPECT_EQ(selected().size(), 8u);

    QSignalSpy opened(view.get(), &CThumbView::openRequested);
    QTest::mouseDClick(list, Qt::LeftButton, {}, cell(3).center());
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.at(0).at(0).toInt(), 3);
    QSignalSpy deleting(view.get(), &CThumbView::deleteRequested);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(deleting.count(), 1);
}

TEST_F(ThumbView, ScrollsByWholeRowsAndKeepsItsShareAcrossSizes)
{
    openAndWait(writePictures(30));
    COwnerDrawListCtrl* list = view->list();
    const int columns = list->columns();
    ASSERT_EQ(columns, 4);
    EXPECT_EQ(list->scrollMaximum(), (30 - 4) / 4);
    QWheelEvent wheel(QPointF(100, 100), list->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, -240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &wheel);
    EXPECT_EQ(list->scrollPosition(), 2);
    EXPECT_EQ(list->topItem(), 2 * columns);
    // What is drawn first is now position 8.
    EXPECT_EQ(list->geometry().hitTest(QPoint(20, 20), list->topItem(), columns, 30), 8);

    view->setThumbnailSize(48);  // 12 columns: 2 rows of range
    const int newMaximum = (30 - list->columns()) / list->columns();
    EXPECT_EQ(list->scrollMaximum(), newMaximum);
    EXPECT_EQ(list->scrollPosition(), static_cast<int>(2.0 / 6 * newMaximum));
    EXPECT_EQ(list->topItem() % list->columns(), 0);

    list->scrollToItem(29);
    EXPECT_EQ(list->scrollPosition(), newMaximum);
    list->scrollToItem(0);
    EXPECT_EQ(list->scrollPosition(), 0);

    // The bar's forward arrow moves one row, and the bar shows where the list is.
    QWidget* arrow = list->findChild<QWidget*>(QStringLiteral("7002"));
    ASSERT_NE(arrow, nullptr);
    QTest::mouseClick(arrow, Qt::LeftButton, {}, arrow->rect().center());
    EXPECT_EQ(list->scrollPosition(), 1);
    EXPECT_EQ(list->topItem(), list->columns());
    EXPECT_EQ(list->scrollBar()->getPos(), 1);
}

TEST(ThumbList, AnItemStillLoadingShowsItsIconUntilItsThumbnailArrives)
{
    UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR));
    TempFolder folder;
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(kPictureColour);
    ASSERT_TRUE(picture.save(folder.file(QStringLiteral("A.BMP")), "BMP"));
    ItemStore store;
    std::mutex lock;
    COwnerDrawListCtrl list(nullptr, store, lock);
    list.resize(400, 300);
    list.setFolder(folder.path());
    auto item = std::make_unique<FileItem>();
    item->name = QStringLiteral("A.BMP");
    item->kind = KindBmp;
    FileItem* loading = item.get();
    store.add(std::move(item), 0);
    list.layoutItems();

    const QRect cell = list.geometry().cellRect(0, 0, list.columns());
    const QRect box = list.geometry().picture.translated(cell.topLeft());
    const QRect icon(box.center() - QPoint(15, 15), QSize(32, 32));
    const QImage frame = UiResources::bitmap(CGridRenderer::kFrameBitmap128);
    ASSERT_FALSE(frame.isNull());
    auto differsFromFrame = [&](const QImage& shot) {
        int differing = 0;
        for (int y = icon.top(); y <= icon.bottom(); ++y) {
            for (int x = icon.left(); x <= icon.right(); ++x)
                differing += shot.pixel(x, y) != frame.pixel(x - cell.left(), y - cell.top());
        }
        return differing;
    };
    const QImage whileLoading = list.render();
    EXPECT_GT(differsFromFrame(whileLoading), 20);
    EXPECT_FALSE(near(whileLoading.pixel(box.center()), kPictureColour));

    {
        std::lock_guard guard(lock);
        loading->thumbnail->store(imaging::PackedDib::fromImage(picture), KindBmp, 64, 64, 24);
        loading->loadState = FileItem::kLoaded;
    }
    const QImage loaded = list.render();
    EXPECT_EQ(loaded.pixel(box.center()), kPictureColour);  // 64 x 64 is drawn 1:1
    // Its shadow: darker than the frame just right of the picture.
    const QRect drawn(box.left() + 32, box.top() + 32, 64, 64);
    EXPECT_LT(qGray(loaded.pixel(drawn.right() + 2, drawn.center().y())), qGray(frame.pixel(drawn.right() + 2 - cell.left(), drawn.center().y() - cell.top())));
}

TEST_F(ThumbView, ConvertedCopiesJoinRightAfterTheirSources)
{
    std::vector<platform::MessageRecord> messages;
    const platform::MessageSink previous = platform::setMessageSink([&](const platform::MessageRecord& record) {
        messages.push_back(record);
        return int(platform::IdOk);
    });
    QImage picture(80, 60, QImage::Format_RGB32);
    picture.fill(kPictureColour);
    ASSERT_TRUE(picture.save(folder.file(QStringLiteral("A.jpg")), "JPG"));
    ASSERT_TRUE(picture.save(folder.file(QStringLiteral("B.bmp")), "BMP"));
    ASSERT_TRUE(picture.save(folder.file(QStringLiteral("C.jpg")), "JPG"));
    openAndWait(folder.path());
    ASSERT_EQ(displayed(), 3);
    view->selectAll();
    // B.bmp would be written over itself: it is left alone.
    const QByteArray before = [&] {
        QFile file(folder.file(QStringLiteral("B.bmp")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    view->convertSelected(0);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(displayed(), 5);
    EXPECT_EQ(itemAt(0)->name, QStringLiteral("A.jpg"));
    EXPECT_EQ(itemAt(1)->name, QStringLiteral("A.bmp"));
    EXPECT_TRUE(itemAt(1)->thumbnail->dib);
    EXPECT_EQ(itemAt(2)->name, QStringLiteral("B.bmp"));
    EXPECT_EQ(itemAt(3)->name, QStringLiteral("C.jpg"));
    EXPECT_EQ(itemAt(4)->name, QStringLiteral("C.bmp"));
    QFile file(folder.file(QStringLiteral("B.bmp")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);

    // A TIFF without Exif ends the command with its message before anything is written.
    // A plain TIFF header with no Exif directory.
    folder.write(QStringLiteral("D.tif"), QByteArray("II*\0\x08\0\0\0\0\0", 10));
    openAndWait(folder.path());
    view->list()->deselectAll();
    for (int i = 0; i < displayed(); ++i) {
        if (itemAt(i)->name == QStringLiteral("D.tif"))
            itemAt(i)->flags |= FileItem::kSelected;
    }
    view->convertSelected(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, UiResources::string(20500));
    EXPECT_EQ(messages[0].caption, UiResources::string(21012));
    EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("D.jpg"))));
    platform::setMessageSink(previous);
}

TEST_F(ThumbView, SortingListsAgainWithoutDecodingAndTheOtherLayoutsHitTheirRows)
{
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(kPictureColour);
    for (const char* name : {"B.BMP", "A.BMP", "C.BMP"})
        ASSERT_TRUE(picture.save(folder.file(QLatin1String(name)), "BMP"));
    folder.write(QStringLiteral("LARGE.BMP"), QByteArray(5000, 'x'));  // no picture: shown by its icon
    openAndWait(folder.path());
    ASSERT_EQ(displayed(), 4);
    EXPECT_EQ(itemAt(0)->name, QStringLiteral("A.BMP"));
    const int decoded = decodes.load();
    view->toggleSortDirection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isLoading(); }, kWait));
    EXPECT_FALSE(view->sortAscending());
    EXPECT_EQ(itemAt(0)->name, QStringLiteral("LARGE.BMP"));
    EXPECT_EQ(decodes.load(), decoded);

    // The details rows and the information cells are hit where they are drawn.
    for (int layout : {1, 2}) {
        view->setLayout(layout);
        view->list()->deselectAll();
        clickAt(2);
        EXPECT_TRUE(itemAt(2)->isSelected()) << layout;
        EXPECT_FALSE(itemAt(1)->isSelected()) << layout;
        EXPECT_FALSE(itemAt(3)->isSelected()) << layout;
    }
    // The information layout draws the picture at 128 beside the item's information lines.
    view->setLayout(1);
    const QImage shot = view->list()->render();
    const QRect picture128 = view->list()->geometry().picture.translated(cell(1).topLeft());
    EXPECT_TRUE(near(shot.pixel(picture128.center()), kPictureColour));
    const QRect text = view->list()->geometry().information.translated(cell(1).topLeft());
    int captionPixels = 0;
    for (int y = text.top(); y <= text.bottom(); ++y) {
        for (int x = text.left(); x <= text.right(); ++x)
            captionPixels += shot.pixel(x, y) == kCaption;
    }
    EXPECT_GT(captionPixels, 10);
}

TEST(ThumbBitmaps, TheListPiecesHaveTheirSizes)
{
    ASSERT_TRUE(UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR)));
    for (int index = 0; index < 5; ++index) {
        const int cell = list::cellSizeOfIndex(index);
        EXPECT_EQ(UiResources::bitmap(CGridRenderer::kFrameBitmap128 + index).size(), QSize(cell, cell)) << index;
    }
    EXPECT_EQ(UiResources::bitmap(CGridRenderer::kBorderCornerBitmap).size(), QSize(4, 4));
    EXPECT_EQ(UiResources::bitmap(CGridRenderer::kBorderTopBitmap).size(), QSize(124, 4));
    EXPECT_EQ(UiResources::bitmap(CGridRenderer::kBorderLeftBitmap).size(), QSize(4, 124));
    EXPECT_EQ(UiResources::bitmap(CGridRenderer::kShadowBottomBitmap).size(), QSize(124, 7));
    EXPECT_EQ(UiResources::bitmap(CGridRenderer::kShadowCornerBitmap).size(), QSize(7, 7));
    EXPECT_EQ(UiResources::bitmap(CGridRenderer::kShadowRightBitmap).size(), QSize(7, 124));
    for (int id : {COwnerDrawListCtrl::kScrollTrackBitmap, COwnerDrawListCtrl::kScrollBackBitmap,
                   COwnerDrawListCtrl::kScrollForwardBitmap, COwnerDrawListCtrl::kScrollThumbBitmap})
        EXPECT_EQ(UiResources::bitmap(id).width(), list::kScrollBarWidth) << id;
}

TEST_F(ThumbView, ARubberBandAtTheBottomEdgeScrollsAndKeepsItsStart)
{
    openAndWait(writePictures(30));
    COwnerDrawListCtrl* list = view->list();
    QTest::mousePress(list, Qt::LeftButton, {}, QPoint(5, 5));
    const QPoint edge(20, list->height() - 3);
    QMouseEvent move(QEvent::MouseMove, QPointF(edge), list->mapToGlobal(QPointF(edge)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(list, &move);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->scrollPosition() >= 2; }, kWait));
    QTest::mouseRelease(list, Qt::LeftButton, {}, edge);
    const int lastRow = list->scrollPosition() + list->geometry().visibleRows(list->height());
    // The first column is selected from the top row, now scrolled away, down to the cursor's row.
    EXPECT_TRUE(itemAt(0)->isSelected());
    EXPECT_TRUE(itemAt(4)->isSelected());
    EXPECT_TRUE(itemAt(2 * 4)->isSelected());
    EXPECT_FALSE(itemAt(1)->isSelected());
    if ((lastRow + 1) * 4 < 30) {
        EXPECT_FALSE(itemAt((lastRow + 1) * 4)->isSelected());
    }
}

TEST_F(ThumbView, TheDesktopsNameOpensTheDesktopFolder)
{
    // HOME is a temporary folder for these tests (see the test main).
    const QString desktop = QDir::homePath() + QStringLiteral("/Desktop");
    ASSERT_TRUE(QDir().mkpath(desktop));
    openAndWait(QStringLiteral("DESKTOP"));
    EXPECT_EQ(view->currentFolder(), desktop);
    // Any other bare name is taken as it is.
    openAndWait(QStringLiteral("Desk"));
    EXPECT_EQ(view->currentFolder(), QStringLiteral("Desk"));
    EXPECT_EQ(displayed(), 0);
    QDir(desktop).removeRecursively();
}

namespace {

// Whether another thread can take `lock` within a generous bound: false when this thread holds it.
template <typename Lock>
bool freeForOthers(Lock& lock)
{
    return std::async(std::launch::async, [&lock] {
               const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
               while (std::chrono::steady_clock::now() < until) {
                   if (lock.try_lock()) {
                       lock.unlock();
                       return true;
                   }
                   std::this_thread::yield();
               }
               return false;
           }).get();
}

bool hasInk(const QImage& shot, const QRect& area, QRgb ground)
{
    const QRect inside = area.intersected(shot.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if ((shot.pixel(x, y) & 0xFFFFFF) != (ground & 0xFFFFFF))
                return true;
        }
    }
    return false;
}

}  // namespace

TEST_F(ThumbView, WithImgProbeMissingTheInformationLayoutSaysSoOnceOutsideEveryPaintAndLock)
{
    // A program folder with every library but ImgProbe: the shooting dates and the TIFF probe need it.
    TempFolder libraries;
    QDirIterator it(QStringLiteral(KESTREL_BIN_DIR), {QStringLiteral("lib*.so")}, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).fileName() != QLatin1String("libImgProbe.so"))
            QFile::copy(path, libraries.file(QFileInfo(path).fileName()));
    }
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(kPictureColour);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(picture.save(folder.file(QStringLiteral("IMG_%1.JPG").arg(i)), "JPG"));
    folder.write(QStringLiteral("SCAN.TIF"), QByteArray("II*\0\x08\0\0\0\0\0", 10));

    struct Shown {
        platform::MessageRecord record;
        bool onGuiThread;
        bool painting;
        bool listLockFree;
        bool storeLockFree;
    };
    std::vector<Shown> shown;
    const platform::MessageSink previous = platform::setMessageSink([&](const platform::MessageRecord& record) {
        Shown entry{record, QThread::currentThread() == qApp->thread(), view->list()->isPainting(),
                    freeForOthers(view->listLock()), freeForOthers(view->store())};
        shown.push_back(entry);
        // A real box runs an event loop that repaints the list: that must be possible from here.
        if (entry.onGuiThread && !entry.painting && entry.listLockFree && entry.storeLockFree)
            view->list()->repaint();
        return int(platform::IdOk);
    });
    platform::setProgramFolder(libraries.path());
    view->setLayout(1);
    view->setFilter(4);  // the pictures filter asks ImgProbe about the TIFF
    openAndWait(folder.path());
    for (int round = 0; round < 3; ++round) {
        view->list()->repaint();
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }, kWait));
    // The same folder again, and every paint on the way: still the one message.
    openAndWait(folder.path());
    view->list()->repaint();
    QCoreApplication::processEvents();
    platform::setProgramFolder(QString());
    platform::setMessageSink(previous);

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].record.text.startsWith(QStringLiteral("ImgProbe.DLL")));
    EXPECT_EQ(shown[0].record.caption, QString::fromUtf8(imaging::messages::kImgProbeCaption));
    EXPECT_TRUE(shown[0].onGuiThread);
    EXPECT_FALSE(shown[0].painting);
    EXPECT_TRUE(shown[0].listLockFree);
    EXPECT_TRUE(shown[0].storeLockFree);
    // The pictures still show; the TIFF the probe cannot vouch for stays hidden; the dates fall back to
    // the files' own times.
    EXPECT_EQ(displayed(), 4);
    const FileItem* first = itemAt(0);
    ASSERT_TRUE(first->thumbnail->facts);
    EXPECT_TRUE(first->thumbnail->facts->shootingDate.contains(QStringLiteral("年")));
}

TEST_F(ThumbView, TheInformationLayoutShowsAllSevenLinesInsideItsBox)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(kPictureColour);
    ASSERT_TRUE(picture.save(folder.file(QStringLiteral("ONLY.BMP")), "BMP"));
    view->setLayout(1);
    openAndWait(folder.path());
    ASSERT_EQ(displayed(), 1);
    ASSERT_TRUE(itemAt(0)->thumbnail->facts);
    const QImage shot = view->list()->render();
    const QRect cellBox = cell(0);
    const QRect text = view->list()->geometry().information.translated(cellBox.topLeft());
    const int left = text.left() + CListRenderer::kInformationInset;
    const int right = text.right() - CListRenderer::kInformationInset;
    for (int line = 0; line < 7; ++line) {
        const QRect band(left, text.top() + line * CListRenderer::kInformationLineHeight, right - left + 1,
                         CListRenderer::kInformationLineHeight);
        EXPECT_TRUE(hasInk(shot, band, kGround)) << "line " << line + 1;
        EXPECT_LE(band.bottom(), cellBox.bottom()) << "line " << line + 1;
    }
    // Nothing of the text in the inset beside the picture's frame, right of the text box, or below the cell.
    EXPECT_FALSE(hasInk(shot, QRect(QPoint(cellBox.left() + 154, text.top()), QPoint(left - 1, cellBox.bottom())), kGround));
    EXPECT_FALSE(hasInk(shot, QRect(QPoint(right + 1, cellBox.top()), QPoint(cellBox.right(), cellBox.bottom())), kGround));
    EXPECT_FALSE(hasInk(shot, QRect(QPoint(left, cellBox.bottom() + 1), QPoint(right, cellBox.bottom() + 14)), kGround));
}

TEST_F(ThumbView, PipesSocketsAndDevicesNeitherHoldThePassNorAnyLayoutsPaint)
{
    writePictures(2);
    for (const char* name : {"PIPE.JPG", "PIPE.TIF", "PIPE.BMP", "PIPE.MOV"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file(QLatin1String(name))).constData(), 0600), 0) << name;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(folder.file(QStringLiteral("SOCK.JPG"))).constData(),
                 sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    int specials = 5;
    if (::mknod(QFile::encodeName(folder.file(QStringLiteral("NULL.AVI"))).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0)
        ++specials;
    else
        std::fprintf(stderr, "[ row skipped ] making a device node needs root; the device row is left out\n");

    view->setFilter(4);  // probes the ".TIF" pipe, which must not be opened
    openAndWait(folder.path());
    EXPECT_EQ(displayed(), 2 + 3);  // two pictures, PIPE.JPG, PIPE.BMP, SOCK.JPG; PIPE.TIF is no Exif TIFF
    view->setFilter(0);
    ASSERT_EQ(displayed(), 2 + specials);
    int pictures = 0;
    for (int i = 0; i < displayed(); ++i) {
        const FileItem* item = itemAt(i);
        EXPECT_EQ(item->loadState, FileItem::kLoaded) << item->name.toStdString();
        EXPECT_TRUE(item->thumbnail->facts) << item->name.toStdString();
        pictures += item->thumbnail->dib ? 1 : 0;
        if (!item->name.startsWith(QLatin1Char('P')) || item->name.startsWith(QStringLiteral("PIPE"))) {
            EXPECT_EQ(item->kind, KindUnknown) << item->name.toStdString();
        }
    }
    EXPECT_EQ(pictures, 2);
    for (int layout : {0, 1, 2}) {
        view->setLayout(layout);
        view->list()->repaint();
        EXPECT_FALSE(view->list()->render().isNull()) << layout;
    }
    // Leaving the folder: the worker of each pass ended in time, none was given up on.
    TempFolder other;
    openAndWait(other.path());
    EXPECT_EQ(view->loader().abandonedWorkers(), 0);
    ::close(fd);
}
