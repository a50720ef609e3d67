#include "app/CKestrelApp.h"
#include "app/CMainFrame.h"
#include "app/CSplashWnd.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "resources/UiResources.h"

#include "TempFolder.h"

#include <QKeyEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kInstance = QLatin1String(CKestrelApp::kInstanceName);

// Records message boxes instead of showing them.
class MessageLog {
public:
    MessageLog()
    {
        platform::setMessageSink([this](const platform::MessageRecord& record) {
            records.push_back(record);
            return platform::defaultAnswer(record.style);
        });
    }
    ~MessageLog() { platform::setMessageSink({}); }
    std::vector<platform::MessageRecord> records;
};

// Runs the start-up with the program folder pinned to `folder`.
class PinnedFolder {
public:
    explicit PinnedFolder(const QString& folder) { platform::setProgramFolder(folder); }
    ~PinnedFolder() { platform::setProgramFolder(QString()); }
};

QString binFolder()
{
    return QStringLiteral(KESTREL_BIN_DIR);
}

// A volume table presenting an empty camera card, so that a started program's card search finds one and
// asks nothing.
QString cardVolumeTable()
{
    static TempFolder world;
    world.mkdir(QStringLiteral("card/DCIM/100ABCDE"));
    world.mkdir(QStringLiteral("card/MISC"));
    return world.write(QStringLiteral("volumes.tsv"), "card\tremovable\tCARD\n");
}

QProcess* startKestrel(QObject* parent, const QStringList& arguments = {})
{
    auto* process = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KESTREL_VOLUMES"), cardVolumeTable());
    env.insert(QStringLiteral("KESTREL_DEBUG"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(env);
    process->start(binFolder() + QStringLiteral("/kestrel"), arguments);
    EXPECT_TRUE(process->waitForStarted());
    return process;
}

}  // namespace

TEST(Startup, BringsUpTheFrameWithSplashAndLayoutTables)
{
    MessageLog log;
    CKestrelApp app;
    ASSERT_EQ(app.initInstance({}), CKestrelApp::Start::Run);
    EXPECT_TRUE(log.records.empty());
    ASSERT_NE(app.frame(), nullptr);
    EXPECT_TRUE(app.frame()->isVisible());
    EXPECT_TRUE(platform::WindowMarker::isListening(kInstance));
    for (int slot = 0; slot < 11; ++slot)
        EXPECT_FALSE(app.layoutTable(slot).isNull()) << slot;
    EXPECT_TRUE(app.layoutTable(5).startsWith("KLAY"));

    // A key press anywhere takes the splash away at once.
    CSplashWnd* splash = CSplashWnd::current();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->size(), UiResources::bitmap(447).size());
    QTest::keyClick(app.frame(), Qt::Key_A);
    EXPECT_EQ(CSplashWnd::current(), nullptr);

    app.exitInstance();
    EXPECT_FALSE(platform::WindowMarker::isListening(kInstance));
    EXPECT_FALSE(UiResources::isBound(UiResources::Bundle::Uires));
}

TEST(Startup, SplashGoesAwayByItself)
{
    MessageLog log;  // the card search may run meanwhile
    CKestrelApp app;
    ASSERT_EQ(app.initInstance({}), CKestrelApp::Start::Run);
    ASSERT_NE(CSplashWnd::current(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([] { return CSplashWnd::current() == nullptr; }, 10000));
}

TEST(Startup, MissingBundlesEndTheProgramWithTheirMessage)
{
    TempFolder folder;
    PinnedFolder pin(folder.path());
    {
        MessageLog log;
        CKestrelApp app;
        EXPECT_EQ(app.initInstance({}), CKestrelApp::Start::Fail);
        ASSERT_EQ(log.records.size(), 1u);
        EXPECT_EQ(log.records[0].text, QStringLiteral("Not Found Uibase.dll"));
        EXPECT_EQ(log.records[0].style, platform::MbOk | platform::MbIconStop);
    }
    ASSERT_TRUE(QFile::copy(binFolder() + QStringLiteral("/Uibase.rcc"), folder.file(QStringLiteral("Uibase.rcc"))));
    {
        MessageLog log;
        CKestrelApp app;
        EXPECT_EQ(app.initInstance({}), CKestrelApp::Start::Fail);
        ASSERT_EQ(log.records.size(), 1u);
        EXPECT_EQ(log.records[0].text, QStringLiteral("Not Found Uires.dll"));
        EXPECT_EQ(app.frame(), nullptr);
    }
}

TEST(Startup, BundleWithoutLayoutTablesLeavesTheSlotsEmpty)
{
    TempFolder folder;
    QFile::copy(binFolder() + QStringLiteral("/Uibase.rcc"), folder.file(QStringLiteral("Uibase.rcc")));
    QFile::copy(QStringLiteral(KESTREL_BUILD_DIR "/testbundles/without-layouts/Uires.rcc"),
                folder.file(QStringLiteral("Uires.rcc")));
    PinnedFolder pin(folder.path());
    MessageLog log;
    CKestrelApp app;
    ASSERT_EQ(app.initInstance({}), CKestrelApp::Start::Run);
    for (int slot = 0; slot < 11; ++slot)
        EXPECT_TRUE(app.layoutTable(slot).isNull()) << slot;
    EXPECT_FALSE(UiResources::string(21012).isEmpty());
}

TEST(Startup, AutomationSwitchesEndAtOnceWithoutWindow)
{
    for (const char* argument : {"/Embedding", "-embedding", "/AUTOMATION", "-Automation"}) {
        CKestrelApp app;
        EXPECT_EQ(app.initInstance({QString::fromLatin1(argument)}), CKestrelApp::Start::EndQuiet) << argument;
        EXPECT_EQ(app.frame(), nullptr);
        EXPECT_EQ(CSplashWnd::current(), nullptr);
    }
    EXPECT_FALSE(CKestrelApp::isAutomationStart({QStringLiteral("Embedding"), QStringLiteral("/Embed")}));
}

TEST(SingleInstance, SecondCopyRaisesTheFirstAndEnds)
{
    QObject owner;
    QProcess* first = startKestrel(&owner);
    QByteArray firstLog;
    QObject::connect(first, &QProcess::readyReadStandardError, [&] { firstLog += first->readAllStandardError(); });
    ASSERT_TRUE(QTest::qWaitFor([] { return platform::WindowMarker::exists(kInstance); }, 20000));

    QProcess* second = startKestrel(&owner, {QStringLiteral("/some/picture.jpg")});
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstLog.contains("Application Mutex: raise"); }, 10000))
        << firstLog.toStdString();
    EXPECT_FALSE(firstLog.contains("picture.jpg"));

    // Close the first as a user would; it writes its configuration and ends.
    EXPECT_TRUE(platform::WindowMarker::send(kInstance, QStringLiteral("close")));
    ASSERT_TRUE(first->waitForFinished(20000));
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_TRUE(QFile::exists(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) +
                              QStringLiteral("/Quilvaret/Kestrel Ver1.0J/kestrel.conf")));
}

TEST(SingleInstance, CopyStartedWhileTheFirstIsStillStartingEndsQuietly)
{
    // The lock is taken but no window is marked yet.
    platform::InstanceLock lock(kInstance);
    ASSERT_TRUE(lock.acquired());
    QObject owner;
    QProcess* second = startKestrel(&owner);
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(second->readAllStandardError().contains("MessageBox"));
}
