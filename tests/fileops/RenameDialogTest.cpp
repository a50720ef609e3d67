#include "fileops/RenameDialog.h"

#include "MessageRecorder.h"
#include "fileops/DefaultApplications.h"
#include "media/FakeCard.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using fileops::DefaultApplications;
using fileops::RenameDialog;
using testing_support::FakeTree;
using testing_support::MessageRecorder;

namespace {

const char* const Caption = "名前の変更";
const char* const ForbiddenText = "ファイル名には次の文字は使えません。\n               \\ / : , ; * ? \" < > |";
const char* const EmptyText = "ファイル名を入力してください。";
const char* const ExtensionQuestion = "拡張子を変更すると、ファイルが使えなくなる可能性があります。\n\n変更しますか?";

QLineEdit* nameEdit(QWidget* dialog)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("1003"));
}

void typeAndConfirm(QWidget* dialog, const QString& name)
{
    nameEdit(dialog)->setText(name);
    dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
}

// Runs `steps` on the modal dialog once it shows; gives up (cancelling nothing) after a generous number
// of event-loop turns so a dialog that never appears fails the test instead of hanging it.
void whenModalShows(std::function<void(QDialog*)> steps, int turnsLeft = 1000)
{
    QTimer::singleShot(0, [steps = std::move(steps), turnsLeft]() mutable {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog)
            steps(dialog);
        else if (turnsLeft > 0)
            whenModalShows(std::move(steps), turnsLeft - 1);
        else
            ADD_FAILURE() << "the rename dialog never showed";
    });
}

TEST(RenameDialog, EachRefusalKeepsTheDialogOpenWithItsOwnMessage)
{
    MessageRecorder messages;
    int asked = 0;
    RenameDialog dialog(QStringLiteral("photo.jpg"), nullptr, [&](const QString& name) {
        ++asked;
        EXPECT_EQ(name, QStringLiteral("photo.jpg")); // the old name's program matters, not the new one's
        return true;
    });
    ASSERT_NE(nameEdit(&dialog), nullptr);
    EXPECT_EQ(nameEdit(&dialog)->text(), QStringLiteral("photo.jpg"));

    struct Row {
        const char* typed;
        const char* message; // null: the question about the extension
    };
    for (const Row& row : {Row{"a/b.jpg", ForbiddenText}, Row{"a:b.jpg", ForbiddenText}, Row{"\"x\".jpg", ForbiddenText},
                           Row{"a|b.jpg", ForbiddenText}, Row{"a,b;c.jpg", ForbiddenText}, Row{"", EmptyText},
                           Row{"...", EmptyText}, Row{".jpg", EmptyText}, Row{".jpg...", EmptyText},
                           Row{"photo.txt", nullptr}, Row{"photo", nullptr}}) {
        SCOPED_TRACE(row.typed);
        messages.boxes.clear();
        messages.answers = {platform::IdNo};
        typeAndConfirm(&dialog, QString::fromUtf8(row.typed));
        ASSERT_EQ(messages.boxes.size(), 1u);
        EXPECT_EQ(messages.boxes[0].caption, QString::fromUtf8(Caption));
        if (row.message) {
            EXPECT_EQ(messages.boxes[0].text, QString::fromUtf8(row.message));
            EXPECT_EQ(messages.boxes[0].style, unsigned(platform::MbOk | platform::MbIconStop));
        } else {
            EXPECT_EQ(messages.boxes[0].text, QString::fromUtf8(ExtensionQuestion));
            EXPECT_EQ(messages.boxes[0].style, unsigned(platform::MbYesNo | platform::MbIconExclamation));
        }
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.newName(), QStringLiteral("photo.jpg"));
    }
    EXPECT_EQ(asked, 2);

    // Trailing dots go, and a change of case of the extension is no change of extension.
    messages.boxes.clear();
    typeAndConfirm(&dialog, QStringLiteral("holiday.JPG.."));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.newName(), QStringLiteral("holiday.JPG"));
}

TEST(RenameDialog, ExtensionQuestionOnlyWhenTheOldKindHasAProgram)
{
    MessageRecorder messages;
    const auto noProgram = [](const QString&) { return false; };
    EXPECT_EQ(RenameDialog::checkedName(nullptr, QStringLiteral("photo.jpg"), QStringLiteral("photo.txt"), noProgram),
              QStringLiteral("photo.txt"));
    EXPECT_EQ(RenameDialog::checkedName(nullptr, QStringLiteral("a.b"), QStringLiteral("a.b."), noProgram),
              QStringLiteral("a.b"));
    EXPECT_TRUE(messages.boxes.empty());

    const auto program = [](const QString&) { return true; };
    messages.answers = {platform::IdYes};
    EXPECT_EQ(RenameDialog::checkedName(nullptr, QStringLiteral("photo.jpg"), QStringLiteral("photo.txt"), program),
              QStringLiteral("photo.txt"));
    EXPECT_EQ(messages.boxes.size(), 1u);
    // An old name without an extension has no program to lose.
    EXPECT_EQ(RenameDialog::checkedName(nullptr, QStringLiteral("README"), QStringLiteral("README.txt"), program),
              QStringLiteral("README.txt"));
    EXPECT_EQ(messages.boxes.size(), 1u);
}

TEST(RenameWithDialog, RenamesThroughTheServiceAndNeverOverAnotherFile)
{
    MessageRecorder messages;
    FakeTree folder;
    const QString photo = folder.makeFile(QStringLiteral("photo.jpg"), "photo");
    folder.makeFile(QStringLiteral("taken.jpg"), "taken");
    const auto noProgram = [](const QString&) { return false; };

    // Cancel keeps everything as it was.
    whenModalShows([](QDialog* dialog) {
        nameEdit(dialog)->setText(QStringLiteral("other.jpg"));
        dialog->findChild<QPushButton*>(QStringLiteral("2"))->click();
    });
    EXPECT_EQ(fileops::renameWithDialog(nullptr, photo, noProgram), QString());
    EXPECT_EQ(folder.read(QStringLiteral("photo.jpg")), QByteArray("photo"));

    // A taken name is refused with a message; neither file changes.
    whenModalShows([](QDialog* dialog) { typeAndConfirm(dialog, QStringLiteral("taken.jpg")); });
    EXPECT_EQ(fileops::renameWithDialog(nullptr, photo, noProgram), QString());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("taken.jpg"))) << messages.boxes[0].text.toStdString();
    EXPECT_EQ(folder.read(QStringLiteral("photo.jpg")), QByteArray("photo"));
    EXPECT_EQ(folder.read(QStringLiteral("taken.jpg")), QByteArray("taken"));

    // A refusal inside the dialog, then a good name: the file moves to it.
    messages.boxes.clear();
    whenModalShows([](QDialog* dialog) {
        typeAndConfirm(dialog, QStringLiteral("bad?.jpg"));
        typeAndConfirm(dialog, QStringLiteral("夏休み.jpg."));
    });
    EXPECT_EQ(fileops::renameWithDialog(nullptr, photo, noProgram), folder.path(QStringLiteral("夏休み.jpg")));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, QString::fromUtf8(ForbiddenText));
    EXPECT_FALSE(folder.exists(QStringLiteral("photo.jpg")));
    EXPECT_EQ(folder.read(QStringLiteral("夏休み.jpg")), QByteArray("photo"));

    // A name typed in the list's edit box passes the same checks.
    messages.boxes.clear();
    const QString renamed = folder.path(QStringLiteral("夏休み.jpg"));
    EXPECT_EQ(fileops::renameChecked(nullptr, renamed, QStringLiteral("a*b.jpg"), noProgram), QString());
    EXPECT_EQ(fileops::renameChecked(nullptr, renamed, QStringLiteral("taken.jpg"), noProgram), QString());
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[0].text, QString::fromUtf8(ForbiddenText));
    EXPECT_EQ(folder.read(QStringLiteral("taken.jpg")), QByteArray("taken"));
    EXPECT_EQ(fileops::renameChecked(nullptr, renamed, QStringLiteral("summer.jpg..."), noProgram),
              folder.path(QStringLiteral("summer.jpg")));
    EXPECT_EQ(folder.read(QStringLiteral("summer.jpg")), QByteArray("photo"));
}

// The real association lookup over a private set of freedesktop folders.
class Associations : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
            saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(tree.path(QStringLiteral("config"))));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(tree.path(QStringLiteral("etc"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(tree.path(QStringLiteral("data"))));
        // The MIME database stays the machine's; only the programs are the test's own.
        tree.makeDir(QStringLiteral("mimeonly"));
        QFile::link(QStringLiteral("/usr/share/mime"), tree.path(QStringLiteral("mimeonly/mime")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(tree.path(QStringLiteral("system")) + QLatin1Char(':') +
                                                   tree.path(QStringLiteral("mimeonly"))));
    }
    void TearDown() override
    {
        for (const auto& [name, value, wasSet] : saved) {
            if (wasSet)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
    }

    FakeTree tree;
    std::vector<std::tuple<const char*, QByteArray, bool>> saved;
};

TEST_F(Associations, DefaultsAddedAssociationsAndDesktopEntriesDecide)
{
    EXPECT_EQ(DefaultApplications::mimeTypeOf(QStringLiteral("photo.JPG")), QStringLiteral("image/jpeg"));
    EXPECT_EQ(DefaultApplications::mimeTypeOf(QStringLiteral("DSC_0001")), QString());
    EXPECT_FALSE(DefaultApplications::hasOpenCommand(QStringLiteral("photo.jpg")));

    // A default naming an entry that is not installed counts for nothing.
    tree.makeFile(QStringLiteral("config/mimeapps.list"),
                  "[Default Applications]\nimage/jpeg=missing.desktop;viewer.desktop;\n"
                  "[Removed Associations]\nvideo/quicktime=player.desktop;\n");
    EXPECT_FALSE(DefaultApplications::hasOpenCommand(QStringLiteral("photo.jpg")));
    tree.makeFile(QStringLiteral("data/applications/viewer.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\n");
    EXPECT_EQ(DefaultApplications::applicationFor(QStringLiteral("image/jpeg")), QStringLiteral("viewer.desktop"));
    EXPECT_TRUE(DefaultApplications::hasOpenCommand(QStringLiteral("photo.jpg")));

    // An entry that declares the type but is hidden, or has nothing to run, opens nothing.
    tree.makeFile(QStringLiteral("system/applications/editor.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Editor\nHidden=true\nExec=editor\nMimeType=text/plain;\n");
    tree.makeFile(QStringLiteral("system/applications/player.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Player\nMimeType=video/x-msvideo;\n");
    EXPECT_FALSE(DefaultApplications::hasOpenCommand(QStringLiteral("notes.txt")));
    EXPECT_FALSE(DefaultApplications::hasOpenCommand(QStringLiteral("clip.avi")));

    // A declaring entry with an Exec line does, found in a nested folder under its dashed id; unless a
    // list removes it for that type.
    tree.makeFile(QStringLiteral("system/applications/kde/player.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Player\nExec=player %U\n"
                  "MimeType=video/x-msvideo;video/quicktime;\n");
    EXPECT_EQ(DefaultApplications::applicationFor(QStringLiteral("video/x-msvideo")), QStringLiteral("kde-player.desktop"));
    tree.makeFile(QStringLiteral("config/mimeapps.list"),
                  "[Default Applications]\nimage/jpeg=viewer.desktop\n"
                  "[Removed Associations]\nvideo/quicktime=kde-player.desktop;\n");
    EXPECT_TRUE(DefaultApplications::hasOpenCommand(QStringLiteral("clip.AVI")));
    EXPECT_FALSE(DefaultApplications::hasOpenCommand(QStringLiteral("clip.mov")));
}

} // namespace
