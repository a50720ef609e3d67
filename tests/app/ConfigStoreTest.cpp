#include "app/CMainFrame.h"
#include "app/CMarlin3Doc.h"
#include "app/ConfigStore.h"
#include "browser/CThumbView.h"
#include "platform/Paths.h"

#include "TempFolder.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

class ConfigTest : public testing::Test {
protected:
    QString iniPath() const { return folder.file(QStringLiteral("Kestrel.conf")); }
    QSettings ini() const { return QSettings(iniPath(), QSettings::IniFormat); }

    // One life of the main frame: built, created, destroyed.
    void runFrame(const std::function<void(CMainFrame&)>& during = {})
    {
        ConfigStore store(iniPath());
        CMarlin3Doc document;
        CMainFrame frame(store, document);
        frame.create(/*showSplash=*/false);
        if (during)
            during(frame);
    }

    TempFolder folder;
};

}  // namespace

TEST_F(ConfigTest, FirstStartWritesEveryDefaultOnExit)
{
    ConfigStore(iniPath()).loadMainConfig();
    EXPECT_FALSE(QFile::exists(iniPath()));  // reading writes nothing

    runFrame([&](CMainFrame& frame) {
        EXPECT_EQ(frame.view()->thumbnailSize(), 128);
        EXPECT_EQ(frame.view()->sortKey(), 0);
        EXPECT_TRUE(frame.view()->sortAscending());
        EXPECT_EQ(frame.view()->filter(), 3);  // button 3
        EXPECT_EQ(frame.size(), QSize(780, 550));
        EXPECT_FALSE(QFile::exists(iniPath()));  // nothing is written while the frame lives
    });

    QSettings s = ini();
    s.beginGroup(QStringLiteral("MainConfigInfo"));
    EXPECT_EQ(s.value("ViewType").toInt(), 1);
    EXPECT_EQ(s.value("ViewSize").toInt(), 1);
    EXPECT_EQ(s.value("ViewOrder").toInt(), 1);
    EXPECT_EQ(s.value("ViewOrderMode").toInt(), 0);
    EXPECT_EQ(s.value("ViewForm").toInt(), 3);
    EXPECT_EQ(s.value("ToolDvFilterMode").toInt(), 0);
    for (const char* key : {"WakuDelLine.top", "WakuDelLine.bottom", "WakuDelLine.left", "WakuDelLine.right"})
        EXPECT_EQ(s.value(key).toInt(), 0) << key;
    EXPECT_EQ(s.value("LanchApp1").toString(), platform::programFolder() + QStringLiteral("/Framepeek"));
    EXPECT_EQ(s.value("LanchApp2").toString(), QString());
    EXPECT_EQ(s.value("BackupFolder").toString(), platform::documentsFolder() + QStringLiteral("/Kestrel"));
    s.endGroup();
    s.beginGroup(QStringLiteral("WindowInfo"));
    EXPECT_EQ(s.value("ShowMax").toInt(), 0);
    const int width = s.value("WindowPos.Right").toInt() - s.value("WindowPos.Left").toInt();
    const int height = s.value("WindowPos.Bottom").toInt() - s.value("WindowPos.Top").toInt();
    EXPECT_EQ(width, 780);
    EXPECT_EQ(height, 550);
}

TEST_F(ConfigTest, DvValuesAreReadButClearedAndOddSizesKept)
{
    {
        QSettings s = ini();
        s.setValue("MainConfigInfo/WakuDelLine.left", 9);
        s.setValue("MainConfigInfo/ToolDvFilterMode", 2);
        s.setValue("MainConfigInfo/ViewSize", 7);
        s.setValue("MainConfigInfo/ViewForm", 6);
        s.setValue("MainConfigInfo/LanchApp1", QStringLiteral("/opt/viewer dir/view"));
    }
    EXPECT_EQ(ConfigStore(iniPath()).loadMainConfig(/*dvEdition=*/true).marginLeft, 9);

    runFrame([](CMainFrame& frame) {
        EXPECT_EQ(frame.mainConfig().marginLeft, 0);
        EXPECT_EQ(frame.view()->thumbnailSize(), 128);  // 7 is out of range: the view keeps its size
        EXPECT_EQ(frame.view()->filter(), 1);            // button 6 is filter code 1
    });

    QSettings s = ini();
    EXPECT_EQ(s.value("MainConfigInfo/WakuDelLine.left").toInt(), 0);
    EXPECT_EQ(s.value("MainConfigInfo/ToolDvFilterMode").toInt(), 0);
    EXPECT_EQ(s.value("MainConfigInfo/ViewSize").toInt(), 7);
    EXPECT_EQ(s.value("MainConfigInfo/ViewForm").toInt(), 6);
    EXPECT_EQ(s.value("MainConfigInfo/LanchApp1").toString(), QStringLiteral("/opt/viewer dir/view"));
}

TEST_F(ConfigTest, CommandsStoreTheLastChoice)
{
    runFrame([](CMainFrame& frame) {
        EXPECT_TRUE(frame.onCommand(32793));  // 64 pixels
        EXPECT_TRUE(frame.onCommand(32819));  // toggle direction
        EXPECT_TRUE(frame.onCommand(32819));
        EXPECT_TRUE(frame.onCommand(32819));
        EXPECT_TRUE(frame.onCommand(32865));  // the menu entry of button 2: filter code 4
        EXPECT_EQ(frame.view()->thumbnailSize(), 64);
        EXPECT_FALSE(frame.view()->sortAscending());
        EXPECT_EQ(frame.view()->filter(), 4);
    });
    QSettings s = ini();
    EXPECT_EQ(s.value("MainConfigInfo/ViewSize").toInt(), 3);
    EXPECT_EQ(s.value("MainConfigInfo/ViewOrderMode").toInt(), 1);
    EXPECT_EQ(s.value("MainConfigInfo/ViewForm").toInt(), 2);

    // The next start applies the toggle once.
    runFrame([](CMainFrame& frame) { EXPECT_FALSE(frame.view()->sortAscending()); });
}

TEST_F(ConfigTest, WindowPlacementSurvivesARestart)
{
    runFrame([](CMainFrame& frame) { frame.setGeometry(40, 30, 800, 600); });
    EXPECT_EQ(ini().value("WindowInfo/WindowPos.Right").toInt(), 840);
    runFrame([](CMainFrame& frame) {
        EXPECT_EQ(frame.geometry(), QRect(40, 30, 800, 600));
        frame.fillWorkArea();
    });
    EXPECT_EQ(ini().value("WindowInfo/ShowMax").toInt(), 1);
    runFrame([](CMainFrame& frame) { EXPECT_TRUE(frame.fillsWorkArea()); });
}

TEST(ConfigStore, BarSizesAndDvSectionKeepTheirDefaults)
{
    TempFolder folder;
    ConfigStore store(folder.file(QStringLiteral("p.conf")));
    EXPECT_EQ(store.loadFolderBarSize(), (BarSize{258, 155}));
    EXPECT_EQ(store.loadDvBarSize(), (BarSize{258, 155}));
    const DvConfig dv = store.loadDvConfig();
    EXPECT_EQ(dv.sound, 1);
    EXPECT_EQ(dv.intervalTimeVtr, 10000);
    EXPECT_EQ(dv.intervalTimeEe, 60000);
    EXPECT_TRUE(dv.commName.isEmpty());

    store.saveFolderBarSize({300, 120});
    DvConfig changed = dv;
    changed.commName = QStringLiteral("COM3");
    changed.intervalTimeEe = 5000;
    store.saveDvConfig(changed);
    store.sync();
    ConfigStore again(folder.file(QStringLiteral("p.conf")));
    EXPECT_EQ(again.loadFolderBarSize(), (BarSize{300, 120}));
    EXPECT_EQ(again.loadDvConfig(), changed);
}

TEST(ConfigStore, ProfileLivesUnderTheVendorFolder)
{
    EXPECT_TRUE(ConfigStore::profilePath(QStringLiteral("kestrel"))
                    .endsWith(QStringLiteral("/Quilvaret/Kestrel Ver1.0J/kestrel.conf")));
}

TEST(ConfigStore, HandEditedTextsWithCommasAndQuotesReadWhole)
{
    TempFolder folder;
    folder.write(QStringLiteral("p.conf"), "[MainConfigInfo]\nLanchApp1=/opt/viewer -a, -b\n"
                                           "LanchApp2=\"/opt/my viewer/run, now\"\n");
    const MainConfig config = ConfigStore(folder.file(QStringLiteral("p.conf"))).loadMainConfig();
    EXPECT_EQ(config.launchApp1, QStringLiteral("/opt/viewer -a, -b"));
    EXPECT_EQ(config.launchApp2, QStringLiteral("/opt/my viewer/run, now"));
}
