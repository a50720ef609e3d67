#include "app/CMainFrame.h"
#include "app/CMarlin3Doc.h"
#include "app/ConfigStore.h"
#include "browser/CThumbView.h"
#include "media/CFolderBar.h"
#include "media/CFolderTree.h"
#include "platform/MessageBox.h"
#include "resources/UiResources.h"

#include "TempFolder.h"
#include "WindowTestSupport.h"

#include "TestData.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class CardSearch : public WindowTest {
protected:
    void TearDown() override
    {
        WindowTest::TearDown();
        unsetenv("KESTREL_VOLUMES");
    }
    void presentVolumes(const QByteArray& table)
    {
        setenv("KESTREL_VOLUMES", QFile::encodeName(world.write(QStringLiteral("volumes.tsv"), table)).constData(), 1);
    }

    TempFolder world;
};

}  // namespace

TEST_F(CardSearch, FindsTheCardAndListsItsPictures)
{
    world.mkdir(QStringLiteral("card/MISC"));
    world.mkdir(QStringLiteral("card/DCIM/100ABCDE"));
    QFile::copy(QString::fromStdString(testdata::realWorld("jpeg_exif/Canon IXUS.jpg")),
                world.file(QStringLiteral("card/DCIM/100ABCDE/IMGA0001.JPG")));
    world.write(QStringLiteral("card/DCIM/100ABCDE/NOTES.TXT"), "notes");
    presentVolumes("/\tfixed\tSystem\tsystem\n" + QFile::encodeName(world.file(QStringLiteral("card"))) +
                   "\tremovable\tCARD\n");

    ConfigStore store(world.file(QStringLiteral("k.conf")));
    CMarlin3Doc document;
    CMainFrame frame(store, document);
    frame.create(false);
    frame.searchCard();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(frame.cardRoot(), world.file(QStringLiteral("card/")));
    CThumbView* view = frame.view();
    EXPECT_EQ(view->currentFolder(), world.file(QStringLiteral("card/DCIM/100ABCDE")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isLoading(); }, 30000));

    std::lock_guard guard(view->store());
    // The first start shows pictures of the JPEG filter button: the note is listed but not shown.
    ASSERT_EQ(view->store().displayOrder().size(), 1u);
    EXPECT_EQ(view->store().size(), 2u);
    const FileItem* picture = view->store().find(view->store().displayOrder().front());
    EXPECT_EQ(picture->name, QStringLiteral("IMGA0001.JPG"));
    EXPECT_EQ(picture->kind, KindExifJpeg);
    EXPECT_TRUE(picture->thumbnail->dib);
}

TEST_F(CardSearch, WithoutACardTheUserIsTold)
{
    presentVolumes("/\tfixed\tSystem\tsystem\n");
    ConfigStore store(world.file(QStringLiteral("k.conf")));
    CMarlin3Doc document;
    CMainFrame frame(store, document);
    frame.searchCard();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, UiResources::string(20402));
    EXPECT_EQ(messages[0].caption, UiResources::string(20400));
    EXPECT_TRUE(frame.cardRoot().isEmpty());
    // The view lists the tree's current folder: the desktop it starts on.
    EXPECT_FALSE(frame.view()->currentFolder().isEmpty());
    EXPECT_EQ(frame.view()->currentFolder(), frame.folderBar()->tree()->currentPath().chopped(
                                                 frame.folderBar()->tree()->currentPath().endsWith(QLatin1Char('/')) ? 1 : 0));
}
