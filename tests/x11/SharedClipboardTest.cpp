// The clipboard shared with other programs on a real X display: what a GNOME file manager offers after
// a copy or a cut is pasted into the view, and what the program offers after its own copy or cut is read
// by other programs in the GNOME, KDE and plain URI-list forms.

#include "X11FrameTest.h"

#include "app/CButtonBar.h"
#include "app/Commands.h"
#include "browser/CThumbView.h"
#include "design/CDesignButton.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>

#include <algorithm>

using namespace x11test;

namespace {

class SharedClipboard : public X11Frame {
protected:
    void TearDown() override
    {
        if (owner.state() != QProcess::NotRunning) {
            owner.kill();
            owner.waitForFinished(kWaitMs);
        }
        X11Frame::TearDown();
    }

    // Another program takes the clipboard the way a GNOME file manager fills it for `paths`.
    void fileManagerTakesClipboard(const QStringList& paths, bool cut)
    {
        QByteArray uriList;
        QByteArray gnome = cut ? "cut" : "copy";
        for (const QString& path : paths) {
            const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
            uriList += uri + "\r\n";
            gnome += "\n" + uri;
        }
        if (owner.state() != QProcess::NotRunning) {
            owner.kill();
            owner.waitForFinished(kWaitMs);
        }
        owner.start(QStringLiteral(KESTREL_BIN_DIR "/x11_clipboard_owner"),
                    {QStringLiteral("text/uri-list"), QString::fromUtf8(uriList),
                     QStringLiteral("x-special/gnome-copied-files"), QString::fromUtf8(gnome)});
        ASSERT_TRUE(owner.waitForStarted(kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return owner.canReadLine() || owner.state() == QProcess::NotRunning; },
                                    kWaitMs));
        ASSERT_EQ(owner.readLine(), "owned\n") << owner.readAllStandardError().toStdString();
    }

    // Picks `command` from the Edit menu of the menu bar, as the user does. False when it is disabled.
    bool fromEditMenu(int command)
    {
        QTest::mouseClick(frame->buttonBar(CMainFrame::MenuBar)->button(kEditMenuButton), Qt::LeftButton);
        QMenu* menu = frame->openPopup();
        EXPECT_NE(menu, nullptr);
        if (!menu)
            return false;
        for (QAction* action : menu->actions()) {
            if (action->property("command").toInt() != command)
                continue;
            if (!action->isEnabled())
                break;
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return true;
        }
        menu->close();
        return false;
    }

    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static constexpr int kEditMenuButton = 1124;
    QProcess owner;
};

}  // namespace

TEST_F(SharedClipboard, AFileManagersCopyIsCopiedAndItsCutMovedAndUsedUp)
{
    // A space and Japanese characters travel percent-encoded in the URIs.
    const QString photo = world.write(QStringLiteral("from/写真 1.jpg"), "first picture");
    const QString note = world.write(QStringLiteral("from/note.txt"), "second");
    const QString moved = world.write(QStringLiteral("from/to be moved.txt"), "third");
    const QString to = world.mkdir(QStringLiteral("to"));
    start();
    frame->view()->openFolder(to);
    frame->view()->setFocus();

    fileManagerTakesClipboard({photo, note}, false);
    ASSERT_TRUE(fromEditMenu(cmd::EditPaste)) << "Paste is disabled although another program offers files";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(to + QStringLiteral("/note.txt")); }, kWaitMs));
    EXPECT_EQ(contents(to + QStringLiteral("/写真 1.jpg")), "first picture");
    EXPECT_EQ(contents(to + QStringLiteral("/note.txt")), "second");
    EXPECT_TRUE(QFileInfo::exists(photo));
    EXPECT_TRUE(QFileInfo::exists(note));
    // A copy stays on the clipboard, still the other program's.
    EXPECT_EQ(owner.state(), QProcess::Running);
    EXPECT_TRUE(readClipboard(QStringLiteral("x-special/gnome-copied-files")).data.startsWith("copy\n"));

    fileManagerTakesClipboard({moved}, true);
    ASSERT_TRUE(fromEditMenu(cmd::EditPaste));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(to + QStringLiteral("/to be moved.txt")); }, kWaitMs));
    EXPECT_EQ(contents(to + QStringLiteral("/to be moved.txt")), "third");
    EXPECT_FALSE(QFileInfo::exists(moved));
    // A cut is used once: no program is offered the files any more, so a second paste here or in a file
    // manager cannot try to move them again.
    for (const char* target : {"text/uri-list", "x-special/gnome-copied-files"}) {
        const ClipboardRead left = readClipboard(QLatin1String(target));
        EXPECT_FALSE(left.offered && !left.data.trimmed().isEmpty())
            << target << " still offers: " << left.data.toStdString();
    }
    EXPECT_FALSE(fromEditMenu(cmd::EditPaste));
}

TEST_F(SharedClipboard, ACopyOrCutInTheViewIsReadByOtherProgramsInTheirForms)
{
    const QString folder = world.mkdir(QStringLiteral("card"));
    world.write(QStringLiteral("card/写真 1.jpg"), "a");
    world.write(QStringLiteral("card/b.jpg"), "b");
    start();
    frame->view()->openFolder(folder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->view()->figures().displayed == 2; }, kWaitMs));
    frame->view()->setFocus();
    frame->view()->selectAll();

    // Written out by hand: the URIs a file manager expects, percent-encoded in UTF-8.
    const QByteArray base = QUrl::fromLocalFile(folder).toEncoded();
    const QByteArray photoUri = base + "/%E5%86%99%E7%9C%9F%201.jpg";
    const QByteArray bUri = base + "/b.jpg";
    auto uris = [](const QByteArray& text) {
        QList<QByteArray> lines;
        for (const QByteArray& line : text.split('\n')) {
            const QByteArray trimmed = line.trimmed();
            if (!trimmed.isEmpty() && !trimmed.startsWith('#'))
                lines << trimmed;
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    const QList<QByteArray> expected = uris(photoUri + "\n" + bUri);

    // What other programs read, in order: the GNOME list, KDE's cut flag, the plain URI list.
    auto expectOffered = [&](const QByteArray& gnomeFirstLine, const QByteArray& kdeFlag) {
        const ClipboardRead gnome = readClipboard(QStringLiteral("x-special/gnome-copied-files"));
        ASSERT_TRUE(gnome.offered) << "no GNOME form on the clipboard after the " << gnomeFirstLine.toStdString() << ": "
                                  << gnome.errors.toStdString();
        EXPECT_EQ(gnome.data.left(gnome.data.indexOf('\n')), gnomeFirstLine) << gnome.data.toStdString();
        EXPECT_EQ(uris(gnome.data.mid(gnome.data.indexOf('\n') + 1)), expected) << gnome.data.toStdString();
        const ClipboardRead kde = readClipboard(QStringLiteral("application/x-kde-cutselection"));
        EXPECT_TRUE(kde.offered) << kde.errors.toStdString();
        EXPECT_EQ(kde.data, kdeFlag);
        const ClipboardRead uriList = readClipboard(QStringLiteral("text/uri-list"));
        EXPECT_TRUE(uriList.offered) << uriList.errors.toStdString();
        EXPECT_EQ(uris(uriList.data), expected) << uriList.data.toStdString();
    };
    ASSERT_TRUE(fromEditMenu(cmd::EditCopy));
    expectOffered("copy", "0");
    ASSERT_TRUE(fromEditMenu(cmd::EditCut));
    expectOffered("cut", "1");
    // Nothing has moved: a cut only marks the files until they are pasted elsewhere.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
}
