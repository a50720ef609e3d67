// The slide show button of the real frame starts the real slide show program on a real X display: the
// pictures reach it over the shared clipboard, its window covers the whole screen, and a second press
// only brings the running show back to the front.

#include "X11FrameTest.h"

#include "app/CButtonBar.h"
#include "browser/CThumbView.h"
#include "design/CDesignButton.h"
#include "platform/InstanceLock.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdlib>

using namespace x11test;

namespace {

const QString Marker = QStringLiteral("SLIDECAST");
const QString Program = QStringLiteral(KESTREL_BIN_DIR "/Slidecast");

// Solid colours far apart from each other and from the show's black background; JPEG keeps a solid
// area within a few levels.
const QColor Red(200, 30, 40);
const QColor Green(40, 190, 60);
const QColor Blue(30, 50, 210);
constexpr int kTolerance = 12;
constexpr QSize kPictureSize(640, 480);

bool near(QRgb pixel, const QColor& colour)
{
    return std::abs(qRed(pixel) - colour.red()) <= kTolerance && std::abs(qGreen(pixel) - colour.green()) <= kTolerance &&
           std::abs(qBlue(pixel) - colour.blue()) <= kTolerance;
}

std::string describe(QRgb pixel)
{
    return "rgb(" + std::to_string(qRed(pixel)) + "," + std::to_string(qGreen(pixel)) + "," +
           std::to_string(qBlue(pixel)) + ")";
}

// The whole X screen as other programs' windows leave it, read from the root window.
QImage grabScreen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

// Keeps the screen of a failed check beside the build for a look; returns the file's path.
std::string keepScreen(const char* name)
{
    const QString path = QStringLiteral(KESTREL_BUILD_DIR "/Testing/") + QLatin1String(name) + QStringLiteral(".png");
    QDir().mkpath(QFileInfo(path).absolutePath());
    grabScreen().save(path);
    return " (screen kept in " + path.toStdString() + ")";
}

// Where the show must paint what: its first picture centred at its own size, black all around it up
// to the screen's edges. Empty when the screen agrees, else the first point that does not.
std::string showMismatch(const QImage& screen, const QColor& picture)
{
    const QRect area(QPoint((screen.width() - kPictureSize.width()) / 2, (screen.height() - kPictureSize.height()) / 2),
                     kPictureSize);
    const int w = screen.width() - 1;
    const int h = screen.height() - 1;
    const QPoint blackPoints[] = {{0, 0}, {w, 0}, {0, h}, {w, h}, {area.left() - 8, area.center().y()},
                                  {area.center().x(), area.bottom() + 8}, {w / 2, 0}, {0, h / 2}};
    const QPoint picturePoints[] = {area.center(), area.topLeft() + QPoint(8, 8), area.bottomRight() - QPoint(8, 8)};
    for (const QPoint& at : picturePoints) {
        if (!near(screen.pixel(at), picture))
            return "picture expected at (" + std::to_string(at.x()) + "," + std::to_string(at.y()) + "), found " +
                   describe(screen.pixel(at));
    }
    for (const QPoint& at : blackPoints) {
        if (!near(screen.pixel(at), Qt::black))
            return "black expected at (" + std::to_string(at.x()) + "," + std::to_string(at.y()) + "), found " +
                   describe(screen.pixel(at));
    }
    return {};
}

class SlideShow : public X11Frame {
protected:
    void TearDown() override
    {
        // Never leave a show running on a display that is about to go away.
        if (platform::WindowMarker::isListening(Marker))
            platform::WindowMarker::send(Marker, QStringLiteral("close"));
        (void)QTest::qWaitFor([] { return processesOnThisDisplay(Program) == 0; }, kWaitMs);
        X11Frame::TearDown();
    }

    // Presses the tool bar's slide show button. A settings dialog that opens is accepted when one is
    // expected and turned down otherwise, so that a wrong dialog fails the test instead of hanging it.
    void pressSlideShowButton(bool settingsExpected)
    {
        QTimer::singleShot(0, [this, settingsExpected] {
            if (settingsExpected)
                (void)QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, kWaitMs);
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++settingsShown;
                if (settingsExpected)
                    dialog->accept();  // it opens on "everything shown"
                else
                    dialog->reject();
            }
        });
        QTest::mouseClick(frame->buttonBar(CMainFrame::ToolsBar)->button(kSlideShowButton), Qt::LeftButton);
    }

    int settingsShown = 0;
    static constexpr int kSlideShowButton = 1149;
};

}  // namespace

TEST_F(SlideShow, TheButtonShowsTheFirstPictureFullScreenAndASecondPressOnlyRaisesIt)
{
    ASSERT_TRUE(QFileInfo::exists(Program)) << Program.toStdString();
    const QString folder = world.mkdir(QStringLiteral("show"));
    // Written out of name order: the show follows the order the view shows, a, b, c.
    const std::pair<const char*, QColor> pictures[] = {{"b.jpg", Green}, {"a.jpg", Red}, {"c.jpg", Blue}};
    for (const auto& [name, colour] : pictures) {
        QImage picture(kPictureSize, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(folder + QLatin1Char('/') + QLatin1String(name), "JPEG", 95));
    }
    start();
    // The frame covers the screen, so whatever the show does not cover shows the frame's pixels.
    const QRect screenRect = QGuiApplication::primaryScreen()->geometry();
    frame->setGeometry(screenRect);
    frame->view()->openFolder(folder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->view()->figures().displayed == 3; }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !showMismatch(grabScreen(), Red).empty(); }, kWaitMs));
    ASSERT_FALSE(platform::WindowMarker::isListening(Marker));

    pressSlideShowButton(true);
    ASSERT_EQ(settingsShown, 1);
    ASSERT_TRUE(QTest::qWaitFor([] { return platform::WindowMarker::exists(Marker); }, kWaitMs))
        << "the slide show did not come up";
    EXPECT_EQ(processesOnThisDisplay(Program), 1);
    std::string mismatch;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (mismatch = showMismatch(grabScreen(), Red)).empty(); }, kWaitMs))
        << mismatch << keepScreen("x11-slideshow-first");

    // The frame comes forward over the show; a second press brings the same show back, starting none.
    frame->raise();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !showMismatch(grabScreen(), Red).empty(); }, kWaitMs))
        << "the frame did not come forward";
    pressSlideShowButton(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return (mismatch = showMismatch(grabScreen(), Red)).empty(); }, kWaitMs))
        << "the show did not come back to the front: " << mismatch << keepScreen("x11-slideshow-raised");
    EXPECT_EQ(processesOnThisDisplay(Program), 1);
    EXPECT_EQ(settingsShown, 1) << "a second press asked for the settings again";

    ASSERT_TRUE(platform::WindowMarker::send(Marker, QStringLiteral("close")));
    EXPECT_TRUE(QTest::qWaitFor([] { return processesOnThisDisplay(Program) == 0; }, kWaitMs))
        << "the show did not end when asked to close";
    EXPECT_FALSE(platform::WindowMarker::isListening(Marker));
}
