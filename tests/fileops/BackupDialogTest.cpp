#include "fileops/BackupDialog.h"

#include "MessageRecorder.h"
#include "media/FakeCard.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <unistd.h>

using fileops::BackupDialog;
using testing_support::FakeTree;
using testing_support::MessageRecorder;
using testing_support::VolumeTable;

namespace {

class BackupDialogTest : public ::testing::Test {
protected:
    void SetUp() override { dialog = std::make_unique<BackupDialog>(card.root(), QString()); }

    QLineEdit* edit() const { return dialog->findChild<QLineEdit*>(QStringLiteral("1000")); }
    QPushButton* button(const char* name) const { return dialog->findChild<QPushButton*>(QLatin1String(name)); }
    QLabel* status() const { return dialog->findChild<QLabel*>(QStringLiteral("1002")); }

    // Types the destination and clicks OK.
    void backUpTo(const QString& destination)
    {
        edit()->setText(destination);
        button("1")->click();
    }

    QStringList backedUp() const
    {
        return QDir(destination.root()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    void expectOnlyBox(const char* text, const char* caption, unsigned icon) const
    {
        ASSERT_EQ(messages.boxes.size(), 1u);
        EXPECT_EQ(messages.boxes[0].text, QString::fromUtf8(text));
        EXPECT_EQ(messages.boxes[0].caption, QString::fromUtf8(caption));
        EXPECT_EQ(messages.boxes[0].style & platform::MbIconMask, icon);
        EXPECT_EQ(messages.boxes[0].owner, dialog.get());
    }

    // After a refusal the dialog is open and usable as before.
    void expectStillOpen() const
    {
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        EXPECT_TRUE(edit()->isEnabled());
        EXPECT_TRUE(button("2")->isEnabled());
        EXPECT_TRUE(button("1001")->isEnabled());
        EXPECT_TRUE(status()->text().isEmpty());
    }

    FakeTree card;
    FakeTree destination;
    MessageRecorder messages;
    std::unique_ptr<BackupDialog> dialog;
};

TEST_F(BackupDialogTest, OkFollowsTheEditAndBrowseReplacesIt)
{
    ASSERT_TRUE(edit() && button("1") && button("2") && button("1001") && status());
    EXPECT_FALSE(button("1")->isEnabled());
    edit()->setText(QStringLiteral("/x"));
    EXPECT_TRUE(button("1")->isEnabled());
    edit()->clear();
    EXPECT_FALSE(button("1")->isEnabled());

    QString askedTitle;
    QString answer = destination.root();
    dialog->setFolderPicker([&](QWidget*, const QString& title, const QString&) {
        askedTitle = title;
        return answer;
    });
    button("1001")->click();
    EXPECT_EQ(askedTitle, QStringLiteral("バックアップ先フォルダの選択："));
    EXPECT_EQ(edit()->text(), destination.root());
    answer.clear(); // the user cancelled the picker
    button("1001")->click();
    EXPECT_EQ(edit()->text(), destination.root());

    // The initial destination comes from the caller and fills the edit.
    BackupDialog remembered(card.root(), QStringLiteral("/media/backup"));
    EXPECT_EQ(remembered.findChild<QLineEdit*>(QStringLiteral("1000"))->text(), QStringLiteral("/media/backup"));
    EXPECT_TRUE(remembered.findChild<QPushButton*>(QStringLiteral("1"))->isEnabled());
    EXPECT_EQ(remembered.destination(), QStringLiteral("/media/backup"));
}

TEST_F(BackupDialogTest, TwoFoldersBackUpUnderRunningNumbersAndTheDialogCloses)
{
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0001.JPG"), "first");
    card.makeFile(QStringLiteral("DCIM/101ABCDE/IMGA0001.JPG"), "second");
    // Trailing slashes are dropped from what is remembered.
    backUpTo(destination.root() + QStringLiteral("//"));
    EXPECT_EQ(backedUp(), QStringList({QStringLiteral("IM000001.jpg"), QStringLiteral("IM000002.jpg")}));
    EXPECT_EQ(destination.read(QStringLiteral("IM000001.jpg")), QByteArray("first"));
    EXPECT_EQ(destination.read(QStringLiteral("IM000002.jpg")), QByteArray("second"));
    expectOnlyBox("バックアップが完了しました", "完了", platform::MbIconInformation);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->destination(), destination.root().chopped(1));
    EXPECT_TRUE(card.exists(QStringLiteral("DCIM/100ABCDE/IMGA0001.JPG")));
}

TEST_F(BackupDialogTest, OneShotSharesANumberAndExistingNumbersAreSkipped)
{
    card.makeFiles({"DCIM/100ABCDE/IMGA0007.JPG", "DCIM/100ABCDE/IMGA0007.MOV", "DCIM/100ABCDE/IMGA0009.TIF"});
    destination.makeFile(QStringLiteral("IM000001.tif"), "older backup");
    backUpTo(destination.root().chopped(1));
    EXPECT_EQ(backedUp(), QStringList({QStringLiteral("IM000001.tif"), QStringLiteral("IM000002.jpg"),
                                       QStringLiteral("IM000002.mov"), QStringLiteral("IM000003.tif")}));
    EXPECT_EQ(destination.read(QStringLiteral("IM000001.tif")), QByteArray("older backup"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(BackupDialogTest, RefusedDestinationsKeepTheDialogOpen)
{
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0001.JPG"));

    backUpTo(QStringLiteral("backup"));
    expectOnlyBox("バックアップ先フォルダの指定が正しくありません", "エラー", platform::MbIconStop);
    expectStillOpen();

    messages.boxes.clear();
    backUpTo(QStringLiteral("///"));
    expectOnlyBox("バックアップ先フォルダが指定されていません", "エラー", platform::MbIconStop);
    expectStillOpen();

    // A destination on a volume that is not there.
    messages.boxes.clear();
    VolumeTable volumes;
    const QString missing = destination.path(QStringLiteral("unplugged/"));
    volumes.add(QStringLiteral("/"), "fixed", QString(), true).add(missing, "removable", QStringLiteral("CARD"));
    backUpTo(missing + QStringLiteral("photos"));
    expectOnlyBox("デバイスの準備ができていません", "エラー", platform::MbIconStop);
    expectStillOpen();
    EXPECT_TRUE(backedUp().isEmpty());
}

TEST_F(BackupDialogTest, NothingToBackUpIsReportedAndTheDialogStays)
{
    // Only names that do not qualify: a bad folder name, a bad camera name, mixed-case extension.
    card.makeFiles({"DCIM/100AB-DE/IMGA0001.JPG", "DCIM/100ABCDE/IMG-0001.JPG", "DCIM/100ABCDE/IMGA0001.Jpg"});
    backUpTo(destination.root());
    expectOnlyBox("バックアップするファイルが見つかりませんでした", "報告", platform::MbIconInformation);
    expectStillOpen();
    EXPECT_TRUE(backedUp().isEmpty());
}

TEST_F(BackupDialogTest, FailedCopyStaysWithoutTheCompletionMessage)
{
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0001.JPG"));
    // The destination is a file, so no folder can be made there.
    const QString blocked = destination.makeFile(QStringLiteral("not-a-folder"));
    backUpTo(blocked);
    for (const auto& box : messages.boxes)
        EXPECT_NE(box.text, QStringLiteral("バックアップが完了しました"));
    expectStillOpen();
    EXPECT_EQ(dialog->destination(), QString());
    EXPECT_EQ(destination.read(QStringLiteral("not-a-folder")), QByteArray("x"));
}

// Writes like ::write but damages one byte of the n-th write call of the run.
fileops::FileOperationRunner::Writer flippingWriter(int& calls, int damagedCall)
{
    return [&calls, damagedCall](int fd, const char* data, size_t size) -> ssize_t {
        if (++calls != damagedCall || size == 0)
            return ::write(fd, data, size);
        std::string copy(data, size);
        copy[size / 2] = static_cast<char>(copy[size / 2] ^ 0x20);
        return ::write(fd, copy.data(), copy.size());
    };
}

TEST_F(BackupDialogTest, CorruptedCopyIsNamedRemovedAndNotCountedAndTheNextRunNumbersOn)
{
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0001.JPG"), "first picture");
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0002.JPG"), "second picture");
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0003.JPG"), "third picture");
    int calls = 0;
    dialog->setWriter(flippingWriter(calls, 2));
    backUpTo(destination.root());

    // The damaged second copy is named (card file and copy), gone, and the run stopped without
    // claiming completion; the first copy stays and is right.
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("IMGA0002.JPG"))) << messages.boxes[0].text.toStdString();
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("IM000002.jpg"))) << messages.boxes[0].text.toStdString();
    EXPECT_EQ(messages.boxes[0].style & platform::MbIconMask, unsigned(platform::MbIconStop));
    EXPECT_EQ(backedUp(), QStringList({QStringLiteral("IM000001.jpg")}));
    EXPECT_EQ(destination.read(QStringLiteral("IM000001.jpg")), QByteArray("first picture"));
    expectStillOpen();

    // A second run with a sound disk numbers on after what the first one left.
    messages.boxes.clear();
    dialog->setWriter([](int fd, const char* data, size_t size) { return ::write(fd, data, size); });
    backUpTo(destination.root());
    expectOnlyBox("バックアップが完了しました", "完了", platform::MbIconInformation);
    EXPECT_EQ(backedUp(), QStringList({QStringLiteral("IM000001.jpg"), QStringLiteral("IM000002.jpg"),
                                       QStringLiteral("IM000003.jpg"), QStringLiteral("IM000004.jpg")}));
    EXPECT_EQ(destination.read(QStringLiteral("IM000002.jpg")), QByteArray("first picture"));
    EXPECT_EQ(destination.read(QStringLiteral("IM000003.jpg")), QByteArray("second picture"));
    EXPECT_EQ(destination.read(QStringLiteral("IM000004.jpg")), QByteArray("third picture"));
    EXPECT_EQ(card.read(QStringLiteral("DCIM/100ABCDE/IMGA0002.JPG")), QByteArray("second picture"));
}

TEST_F(BackupDialogTest, FailedWriteHalfWayAndAVanishedCardFileLoseNothing)
{
    // Large enough for several writes, so the failure comes in the middle of the file.
    QByteArray movie(1024 * 1024 + 123, Qt::Uninitialized);
    for (int i = 0; i < movie.size(); ++i)
        movie[i] = static_cast<char>(i * 31 + i / 977);
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0001.MOV"), movie);
    int calls = 0;
    dialog->setWriter([&calls](int fd, const char* data, size_t size) -> ssize_t {
        if (++calls == 3) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, data, size);
    });
    backUpTo(destination.root());
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_TRUE(backedUp().isEmpty()) << "no partial or hidden copy may stay behind";
    EXPECT_EQ(card.read(QStringLiteral("DCIM/100ABCDE/IMGA0001.MOV")), movie);
    expectStillOpen();

    // A card file pulled away while the backup runs: the ones before it are whole, the card keeps the rest.
    messages.boxes.clear();
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0002.JPG"), "second");
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0003.JPG"), "third");
    const QString doomed = card.path(QStringLiteral("DCIM/100ABCDE/IMGA0002.JPG"));
    dialog->setWriter([doomed](int fd, const char* data, size_t size) {
        QFile::remove(doomed);
        return ::write(fd, data, size);
    });
    backUpTo(destination.root());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("IMGA0002.JPG"))) << messages.boxes[0].text.toStdString();
    EXPECT_EQ(backedUp(), QStringList({QStringLiteral("IM000001.mov")}));
    EXPECT_EQ(destination.read(QStringLiteral("IM000001.mov")), movie);
    EXPECT_EQ(card.read(QStringLiteral("DCIM/100ABCDE/IMGA0003.JPG")), QByteArray("third"));
    expectStillOpen();
}

} // namespace
