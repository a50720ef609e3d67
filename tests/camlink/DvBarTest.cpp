// The DV control bar: Camlink missing, the configuration through the shell's store, the buttons on a
// simulated camcorder, and a wait cancelled by a button release over its cancel window.

#include "LinkFixture.h"

#include "app/ConfigStore.h"
#include "camlink/CDvBar.h"
#include "camlink/CommandTable.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "resources/UiResources.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace camlink;
using camlink_test::fastPolling;
using camlink_test::fastTimings;

namespace {

class MessageSink {
public:
    MessageSink()
    {
        previous_ = platform::setMessageSink([this](const platform::MessageRecord& record) {
            boxes.push_back(record);
            return static_cast<int>(platform::IdOk);
        });
    }
    ~MessageSink() { platform::setMessageSink(previous_); }
    std::vector<platform::MessageRecord> boxes;

private:
    platform::MessageSink previous_;
};

class BarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(configDir.isValid());
        camcorder = std::make_unique<camsim::CamcorderSimulator>();
        ASSERT_TRUE(camcorder->start());
        UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR));
    }

    DvBarController::Options options() const
    {
        DvBarController::Options result;
        result.timings = fastTimings();
        result.wait = fastPolling();
        result.candidates = {{QStringLiteral("simulated"), camcorder->portPath(), 0}};
        return result;
    }

    QTemporaryDir configDir;
    std::unique_ptr<camsim::CamcorderSimulator> camcorder;
};

}  // namespace

TEST_F(BarTest, MissingCamlinkIsSaidOnceAndNoLinkIsAttempted)
{
    QTemporaryDir emptyFolder;
    platform::setProgramFolder(emptyFolder.path());
    MessageSink sink;
    {
        ConfigStore store(configDir.filePath(QStringLiteral("kestrel.conf")));
        DvConfig stored;
        stored.commName = camcorder->portPath();
        store.saveDvConfig(stored);
        StoreDvBarSettings<ConfigStore> settings(store);
        CDvBar bar(nullptr, settings, options());
        platform::setProgramFolder(QString());

        EXPECT_FALSE(bar.controller().isBound());
        EXPECT_FALSE(bar.connectButton()->isEnabled());
        EXPECT_FALSE(bar.controller().connectLink());
        EXPECT_FALSE(bar.controller().connectLink(true));
        EXPECT_FALSE(bar.controller().press(DvButton::Play));
        EXPECT_FALSE(bar.controller().waitForState(10010, nullptr));
        EXPECT_FALSE(bar.controller().link().isConnected());
    }
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, QStringLiteral("Camlink.dllがありません。"));
    EXPECT_EQ(sink.boxes[0].caption, QStringLiteral("DLL読み込みエラー"));
    EXPECT_TRUE(camcorder->receivedFrames().empty());
}

TEST_F(BarTest, ConfigurationIsReadAtBuildAndWrittenBackAtDestruction)
{
    const QString file = configDir.filePath(QStringLiteral("kestrel.conf"));
    {
        // Nothing stored: no preferred port (not the bar's own "COM1"), the documents' MARLIN folder.
        ConfigStore store(file);
        StoreDvBarSettings<ConfigStore> settings(store);
        DvBarController bar(settings, nullptr, options());
        EXPECT_TRUE(bar.isBound());
        EXPECT_EQ(bar.preferredPort(), QString());
        EXPECT_EQ(bar.workingFolder(), platform::documentsFolder() + QStringLiteral("/MARLIN"));
        EXPECT_EQ(bar.barSize(), QSize(258, 155));
        EXPECT_EQ(bar.config().intervalTimeVtr, 10000);
        EXPECT_EQ(bar.config().intervalTimeEe, 60000);
        bar.setBarSize(QSize(300, 170));

        // The search over every port finds the camcorder and keeps its name.
        QSignalSpy connected(&bar, &DvBarController::connectFinished);
        QSignalSpy counted(&bar, &DvBarController::portTried);
        ASSERT_TRUE(bar.connectLink());
        ASSERT_TRUE(connected.wait(10000));
        EXPECT_EQ(connected.at(0).at(0).toInt(), status::kOk);
        EXPECT_EQ(counted.size(), 1);
        EXPECT_EQ(bar.preferredPort(), QStringLiteral("simulated"));
        EXPECT_EQ(bar.stateId(), 10018);
    }
    ConfigStore reread(file);
    const DvConfig written = reread.loadDvConfig();
    EXPECT_EQ(written.commName, QStringLiteral("simulated"));
    EXPECT_EQ(written.defaultFolder, platform::documentsFolder() + QStringLiteral("/MARLIN"));
    EXPECT_EQ(written.sound, 1);
    EXPECT_EQ(reread.loadDvBarSize(), (BarSize{300, 170}));
    // Closing the bar closed the link: the camcorder was asked back to 9600.
    EXPECT_EQ(camcorder->speedRequests(), std::vector<int>{9600});

    {
        // A stored port that no longer answers is forgotten.
        camcorder->setSilent(true);
        ConfigStore store(file);
        StoreDvBarSettings<ConfigStore> settings(store);
        DvBarController bar(settings, nullptr, options());
        EXPECT_EQ(bar.preferredPort(), QStringLiteral("simulated"));
        QSignalSpy connected(&bar, &DvBarController::connectFinished);
        ASSERT_TRUE(bar.connectLink(true));
        ASSERT_TRUE(connected.wait(10000));
        EXPECT_EQ(connected.at(0).at(0).toInt(), status::kNotConnected);
        EXPECT_EQ(bar.preferredPort(), QString());
    }
    EXPECT_EQ(ConfigStore(file).loadDvConfig().commName, QString());
}

TEST_F(BarTest, ButtonsDriveTheTransportAndTheBarShowsTheStateString)
{
    camcorder->useManualClock();
    camcorder->withModel([](camsim::TapeModel& tape) { tape.setPosition(5000); });
    ConfigStore store(configDir.filePath(QStringLiteral("kestrel.conf")));
    StoreDvBarSettings<ConfigStore> settings(store);
    CDvBar bar(nullptr, settings, options());
    auto* state = bar.findChild<QLabel*>(QStringLiteral("dvState"));
    ASSERT_TRUE(state);
    EXPECT_FALSE(bar.button(DvButton::Play)->isEnabled());

    QSignalSpy connected(&bar.controller(), &DvBarController::connectFinished);
    bar.connectButton()->click();
    ASSERT_TRUE(connected.wait(10000));
    ASSERT_EQ(connected.at(0).at(0).toInt(), status::kOk);
    EXPECT_TRUE(bar.button(DvButton::Play)->isEnabled());

    const std::pair<DvButton, int> presses[] = {
        {DvButton::Play, 10010},        {DvButton::Pause, 10014},          {DvButton::Stop, 10018},
        {DvButton::Rewind, 10017},      {DvButton::FastForward, 10016},    {DvButton::PlayReverse, 10011},
        {DvButton::PreviousFrame, 10007}, {DvButton::NextFrame, 10006},    {DvButton::SlowForward, 10008},
        {DvButton::FastPlayReverse, 10013}, {DvButton::FastPlayForward, 10012}, {DvButton::Record, 10005},
    };
    for (const auto& [which, expected] : presses) {
        QSignalSpy done(&bar.controller(), &DvBarController::commandFinished);
        bar.button(which)->click();
        ASSERT_TRUE(done.wait(10000)) << expected;
        EXPECT_EQ(done.at(0).at(0).toInt(), rowOf(which));
        EXPECT_EQ(done.at(0).at(1).toInt(), status::kOk);
        EXPECT_EQ(bar.controller().stateId(), expected);
        EXPECT_EQ(state->text(), UiResources::string(expected)) << expected;
        EXPECT_FALSE(state->text().isEmpty());
    }
    EXPECT_EQ(state->text(), QStringLiteral("録画"));
}

TEST_F(BarTest, AWaitRunsBesideTheEventLoopAndEndsOnALeftReleaseOverTheCancelWindow)
{
    ConfigStore store(configDir.filePath(QStringLiteral("kestrel.conf")));
    StoreDvBarSettings<ConfigStore> settings(store);
    DvBarController bar(settings, nullptr, options());
    QSignalSpy connected(&bar, &DvBarController::connectFinished);
    ASSERT_TRUE(bar.connectLink(true));
    ASSERT_TRUE(connected.wait(10000));

    QWidget cancelWindow;
    cancelWindow.resize(80, 30);
    auto release = [&](Qt::MouseButton button, QPointF at) {
        QMouseEvent event(QEvent::MouseButtonRelease, at, cancelWindow.mapToGlobal(at), button, Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&cancelWindow, &event);
    };

    QSignalSpy finished(&bar, &DvBarController::waitFinished);
    ASSERT_TRUE(bar.waitForState(10016, &cancelWindow));
    EXPECT_TRUE(bar.isBusy());
    EXPECT_FALSE(bar.connectLink());  // one thing at a time
    // The GUI thread keeps going while the camcorder is polled.
    const std::size_t before = camcorder->receivedFrames().size();
    ASSERT_TRUE(camcorder->waitForFrames(before + 3, std::chrono::seconds(10)));
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(timerRan);

    // A right button, or a left one released outside the window, does not cancel.
    release(Qt::RightButton, QPointF(10, 10));
    release(Qt::LeftButton, QPointF(200, 10));
    const std::size_t afterReleases = camcorder->receivedFrames().size();
    ASSERT_TRUE(camcorder->waitForFrames(afterReleases + 2, std::chrono::seconds(10)));
    EXPECT_TRUE(bar.isBusy());
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 0);
    release(Qt::LeftButton, QPointF(10, 10));
    ASSERT_TRUE(finished.size() == 1 || finished.wait(10000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), status::kCancelled);
    EXPECT_FALSE(bar.isBusy());

    // A time limit ends it with -28; the wanted state with 0.
    QSignalSpy second(&bar, &DvBarController::waitFinished);
    ASSERT_TRUE(bar.waitForState(10016, nullptr, std::chrono::milliseconds(50)));
    ASSERT_TRUE(second.wait(10000));
    EXPECT_EQ(second.at(0).at(0).toInt(), status::kTimedOut);
    QSignalSpy third(&bar, &DvBarController::waitFinished);
    ASSERT_TRUE(bar.waitForState(10018, nullptr));
    ASSERT_TRUE(third.wait(10000));
    EXPECT_EQ(third.at(0).at(0).toInt(), status::kOk);

    // Disconnecting in the middle of a wait takes the worker back at once.
    ASSERT_TRUE(bar.waitForState(10016, &cancelWindow));
    bar.disconnectLink();
    EXPECT_FALSE(bar.isBusy());
    EXPECT_FALSE(bar.link().isConnected());
}
