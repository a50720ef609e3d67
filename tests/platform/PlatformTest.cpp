#include "platform/InstanceLock.h"
#include "platform/Library.h"
#include "platform/MessageBox.h"
#include "platform/Names.h"
#include "platform/Paths.h"
#include "platform/Threads.h"

#include "TempFolder.h"

#include <QSignalSpy>
#include <QTest>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <thread>

TEST(Library, LoadsByBaseNameFromTheProgramFolderOnly)
{
    platform::setProgramFolder(QStringLiteral(KESTREL_BIN_DIR));
    {
        platform::Library library(QStringLiteral("KestrelPlatformProbe"));
        ASSERT_TRUE(library.isLoaded());
        using Answer = int (*)();
        auto answer = library.function<Answer>("kestrel_probe_answer");
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(answer(), 42);
        EXPECT_EQ(library.symbol("no_such_export"), nullptr);
    }
    // A folder without the library: nothing is found, and the pinned folder is the only place looked at.
    TempFolder empty;
    platform::setProgramFolder(empty.path());
    platform::Library missing(QStringLiteral("KestrelPlatformProbe"));
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_EQ(missing.symbol("kestrel_probe_answer"), nullptr);
    platform::setProgramFolder(QString());
    EXPECT_EQ(platform::Library::fileName(QStringLiteral("Vistra32")), QStringLiteral("libVistra32.so"));
}

TEST(MessageBox, SinkRecordsAndAnswers)
{
    std::vector<platform::MessageRecord> seen;
    platform::setMessageSink([&](const platform::MessageRecord& record) {
        seen.push_back(record);
        return platform::IdNo;
    });
    EXPECT_EQ(platform::messageBox(nullptr, QStringLiteral("本文"), QStringLiteral("題"),
                                   platform::MbYesNo | platform::MbIconExclamation),
              platform::IdNo);
    // C libraries reach the same function by name.
    using CBox = int (*)(void*, const char*, const char*, unsigned);
    auto cbox = reinterpret_cast<CBox>(dlsym(RTLD_DEFAULT, "KestrelMessageBox"));
    ASSERT_NE(cbox, nullptr);
    EXPECT_EQ(cbox(nullptr, "Can't open x.avi", nullptr, platform::MbOk), platform::IdNo);
    platform::setMessageSink({});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, QStringLiteral("本文"));
    EXPECT_EQ(seen[0].caption, QStringLiteral("題"));
    EXPECT_EQ(seen[1].text, QStringLiteral("Can't open x.avi"));
    EXPECT_TRUE(seen[1].caption.isEmpty());
}

TEST(MessageBox, DefaultAnswers)
{
    EXPECT_EQ(platform::defaultAnswer(platform::MbOk), platform::IdOk);
    EXPECT_EQ(platform::defaultAnswer(platform::MbYesNo), platform::IdYes);
    EXPECT_EQ(platform::defaultAnswer(platform::MbYesNo | platform::MbDefButton2), platform::IdNo);
    EXPECT_EQ(platform::defaultAnswer(platform::MbYesNoCancel | platform::MbDefButton3), platform::IdCancel);
    EXPECT_EQ(platform::defaultAnswer(platform::MbOk | platform::MbDefButton3), platform::IdOk);
}

TEST(InstanceLock, OnlyOneHolderAtATime)
{
    const QString name = QStringLiteral("Kestrel lock test %1").arg(QCoreApplication::applicationPid());
    {
        platform::InstanceLock first(name);
        EXPECT_TRUE(first.acquired());
        platform::InstanceLock second(name);
        EXPECT_FALSE(second.acquired());
    }
    platform::InstanceLock again(name);
    EXPECT_TRUE(again.acquired());
    EXPECT_EQ(platform::markerKey(QStringLiteral("A b/c:1")), QStringLiteral("A_b_c_1"));
}

TEST(WindowMarker, AnswersRaiseAndCloseUntilUnmarked)
{
    const QString name = QStringLiteral("SLIDECAST-test-%1").arg(QCoreApplication::applicationPid());
    EXPECT_FALSE(platform::WindowMarker::exists(name));
    platform::WindowMarker marker(name);
    ASSERT_TRUE(marker.mark());
    QSignalSpy raised(&marker, &platform::WindowMarker::raiseRequested);
    QSignalSpy closed(&marker, &platform::WindowMarker::closeRequested);

    // The sender blocks while it waits for the answer, so it runs beside the event loop.
    bool raiseAnswered = false;
    bool closeAnswered = false;
    std::thread sender([&] {
        raiseAnswered = platform::WindowMarker::send(name, QStringLiteral("raise"));
        closeAnswered = platform::WindowMarker::send(name, QStringLiteral("close"));
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed.count() == 1; }, 10000));
    sender.join();
    EXPECT_TRUE(raiseAnswered);
    EXPECT_TRUE(closeAnswered);
    EXPECT_EQ(raised.count(), 1);

    marker.unmark();
    EXPECT_FALSE(platform::WindowMarker::exists(name));
}

TEST(Names, CompareWithoutCase)
{
    EXPECT_TRUE(platform::sameNameNoCase(QStringLiteral("IMGA0001.JPG"), QStringLiteral("imga0001.jpg")));
    EXPECT_FALSE(platform::sameNameNoCase(QStringLiteral("IMGA0001.JPG"), QStringLiteral("IMGA0001.JPEG")));
    EXPECT_LT(platform::compareNoCase(QStringLiteral("a.jpg"), QStringLiteral("B.jpg")), 0);
    EXPECT_EQ(platform::foldedName(QStringLiteral("DSC_0001.Jpg")), platform::foldedName(QStringLiteral("dsc_0001.JPG")));
}

TEST(Paths, ProgramFolderAndName)
{
    EXPECT_EQ(platform::programFolder(), QStringLiteral(KESTREL_BIN_DIR));
    EXPECT_EQ(platform::programName(), QStringLiteral("test_platform"));
    platform::setProgramFolder(QStringLiteral("/tmp/x/"));
    EXPECT_EQ(platform::programFolder(), QStringLiteral("/tmp/x"));
    platform::setProgramFolder(QString());
    EXPECT_FALSE(platform::tempFolder().endsWith(QLatin1Char('/')));
}

TEST(Threads, AWorkerGivesWayToTheOtherThreadsOnly)
{
    const auto niceOf = [](long thread) { return getpriority(PRIO_PROCESS, static_cast<id_t>(thread)); };
    const long self = syscall(SYS_gettid);
    const int before = niceOf(self);
    int workerBefore = 0, workerAfter = 0;
    bool lowered = false;
    std::thread worker([&] {
        const long id = syscall(SYS_gettid);
        workerBefore = niceOf(id);
        lowered = platform::lowerThisThreadsShare();
        workerAfter = niceOf(id);
    });
    worker.join();
    ASSERT_TRUE(lowered);
    EXPECT_EQ(workerAfter, std::min(workerBefore + 4, 19));
    EXPECT_EQ(niceOf(self), before) << "the thread that started the worker keeps its share";
}
