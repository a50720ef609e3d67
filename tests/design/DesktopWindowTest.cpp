#include "design/CDesktopWindow.h"

#include "DesignTestSupport.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

namespace {

const QColor kRed(220, 0, 0), kGreen(0, 200, 0);

imaging::PackedDib solidPicture(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return imaging::PackedDib::fromImage(image);
}

class DesktopWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        icons.add(CDesktopWindow::kIconId, {32, 32}, Qt::blue);
        owner.resize(200, 100);
        edit = new QLineEdit(&owner);
    }

    // Opens a window over `owner`; the pointer clears when the window deletes itself.
    QPointer<CDesktopWindow> open()
    {
        auto* window = new CDesktopWindow(icons.lookup());
        EXPECT_TRUE(window->create(&owner));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }

    BitmapTable icons;
    QWidget owner;
    QLineEdit* edit = nullptr;
};

TEST_F(DesktopWindowTest, CoversTheScreenWithoutFrameOrInputMethod)
{
    showActive(owner);
    QPointer<CDesktopWindow> window = open();
    EXPECT_TRUE(window->isFullScreen());
    EXPECT_EQ(window->geometry(), owner.screen()->geometry());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(window->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(pixelOf(window, QPoint(10, 10)), rgb(Qt::black)) << "black with no picture";
    window->close();
}

TEST_F(DesktopWindowTest, WidePictureIsLetterboxedAndTallPicturePillarboxedOnBlack)
{
    QPointer<CDesktopWindow> window = open();
    const QSize screen = window->size();
    ASSERT_GT(screen.width(), 0);

    window->setPicture(solidPicture(screen.width() / 5, screen.height() / 15, kRed));  // three times wider
    const QRect wide = window->pictureRect();
    EXPECT_EQ(wide.width(), screen.width());
    EXPECT_NEAR(wide.height(), screen.height() / 3, 1);
    EXPECT_NEAR(wide.top(), (screen.height() - wide.height()) / 2, 1);
    const QImage letterbox = window->grab().toImage();
    EXPECT_EQ(letterbox.pixel(screen.width() / 2, wide.top() / 2) & 0xFFFFFF, rgb(Qt::black));
    EXPECT_EQ(letterbox.pixel(screen.width() / 2, screen.height() / 2) & 0xFFFFFF, rgb(kRed));
    EXPECT_EQ(letterbox.pixel(screen.width() / 2, screen.height() - 2) & 0xFFFFFF, rgb(Qt::black));

    window->setPicture(solidPicture(10, 200, kGreen));  // replaces (and frees) the first
    const QRect tall = window->pictureRect();
    EXPECT_EQ(tall.height(), screen.height());
    EXPECT_NEAR(tall.center().x(), screen.width() / 2, 1);
    const QImage pillarbox = window->grab().toImage();
    EXPECT_EQ(pillarbox.pixel(2, screen.height() / 2) & 0xFFFFFF, rgb(Qt::black));
    EXPECT_EQ(pillarbox.pixel(screen.width() / 2, screen.height() / 2) & 0xFFFFFF, rgb(kGreen));

    window->setPicture(imaging::PackedDib());
    EXPECT_TRUE(window->pictureRect().isEmpty());
    EXPECT_EQ(pixelOf(window, QPoint(screen.width() / 2, screen.height() / 2)), rgb(Qt::black));
    window->close();
}

TEST_F(DesktopWindowTest, CloseTellsTheOwnerOnceAndRestoresTheInputMethod)
{
    showActive(owner);
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, kWaitMs));
    ASSERT_TRUE(edit->testAttribute(Qt::WA_InputMethodEnabled));

    QPointer<CDesktopWindow> window = open();
    EXPECT_FALSE(edit->testAttribute(Qt::WA_InputMethodEnabled)) << "switched off while the picture is up";
    QSignalSpy notices(window.data(), &CDesktopWindow::parentNotify);
    const quintptr id = reinterpret_cast<quintptr>(window.data());
    window->close();
    ASSERT_EQ(notices.count(), 1);
    EXPECT_EQ(notices[0][0].toInt(), CDesktopWindow::kNotifyDestroy);
    EXPECT_EQ(notices[0][1].value<quintptr>(), id);
    EXPECT_TRUE(edit->testAttribute(Qt::WA_InputMethodEnabled)) << "switched on again";
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kWaitMs)) << "the window deletes itself";
}

TEST_F(DesktopWindowTest, InputMethodThatWasOffStaysOff)
{
    showActive(owner);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, kWaitMs));
    QPointer<CDesktopWindow> window = open();
    window->close();
    EXPECT_FALSE(edit->testAttribute(Qt::WA_InputMethodEnabled));
}

// Counts the mouse presses it is given.
class PressCounter : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST_F(DesktopWindowTest, MouseInputQueuedWhileOpeningIsThrownAway)
{
    auto* target = new PressCounter(&owner);
    target->resize(50, 50);
    showActive(owner);
    auto press = [] {
        return new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                               Qt::LeftButton, Qt::NoModifier);
    };
    QCoreApplication::postEvent(target, press());
    QPointer<CDesktopWindow> window = open();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target->presses, 0);

    QCoreApplication::postEvent(target, press());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target->presses, 1) << "input after the opening arrives as usual";
    window->close();
}

TEST_F(DesktopWindowTest, OwnerGoneDuringTheWaitLeavesNoWindow)
{
    auto* doomed = new QWidget;
    QTimer::singleShot(CDesktopWindow::kOpenDelayMs / 5, doomed, [doomed] { doomed->deleteLater(); });
    QPointer<CDesktopWindow> window = new CDesktopWindow(icons.lookup());
    EXPECT_FALSE(window->create(doomed));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kWaitMs));
}

}  // namespace
