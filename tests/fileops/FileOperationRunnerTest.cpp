#include "fileops/FileOperationRunner.h"

#include "MessageRecorder.h"
#include "fileops/Progress.h"
#include "media/FakeCard.h"
#include "platform/MountSandbox.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using fileops::FileOperation;
using fileops::FileOperationRunner;
using fileops::FileStatus;
using fileops::OperationKind;
using fileops::OperationResult;
using testing_support::FakeTree;
using testing_support::MessageRecorder;

namespace {

// A progress window that records what it was told and cancels at the n-th question.
class ScriptedProgress : public fileops::Progress {
public:
    void open(const QString& text) override
    {
        title = text;
        ++opened;
    }
    void setItem(const QString& name) override { items << name; }
    void setProgress(qint64 done, qint64 total) override
    {
        EXPECT_LE(done, total);
        lastDone = done;
        lastTotal = total;
    }
    bool cancelRequested() override { return ++asked == cancelAt; }
    void close() override { ++closed; }

    int cancelAt = -1;
    int asked = 0;
    int opened = 0;
    int closed = 0;
    QString title;
    QStringList items;
    qint64 lastDone = -1;
    qint64 lastTotal = -1;
};

QByteArray pattern(int size, char seed)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = static_cast<char>(seed + i * 7 + i / 251);
    return data;
}

// Every entry of a folder, hidden ones too: a left-over temporary copy shows up here.
QStringList everything(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

FileOperation request(OperationKind kind, const QStringList& sources, const QStringList& destinations,
                      bool multiple = false)
{
    FileOperation op;
    op.kind = kind;
    op.sources = sources;
    op.destinations = destinations;
    op.multipleDestinations = multiple;
    op.progressTitle = QStringLiteral("テスト中...");
    return op;
}

class FileOperationRunnerTest : public ::testing::Test {
protected:
    OperationResult run(const FileOperation& op) { return FileOperationRunner(&progress, nullptr).run(op); }

    FakeTree source;
    FakeTree target;
    ScriptedProgress progress;
    MessageRecorder messages;
};

TEST_F(FileOperationRunnerTest, CopiesToOneTargetEachKeepingContentAndDate)
{
    const QByteArray big = pattern(700 * 1024, 3); // several copy blocks
    const QString a = source.makeFile(QStringLiteral("a.jpg"), big);
    const QString b = source.makeFile(QStringLiteral("b.mov"), "movie");
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000);
    {
        QFile file(a);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const OperationResult result =
        run(request(OperationKind::Copy, {a, b},
                    {target.path(QStringLiteral("new/IM000001.jpg")), target.path(QStringLiteral("new/IM000001.mov"))},
                    true));
    ASSERT_TRUE(result.succeeded());
    ASSERT_EQ(result.files.size(), 2u);
    EXPECT_EQ(target.read(QStringLiteral("new/IM000001.jpg")), big);
    EXPECT_EQ(target.read(QStringLiteral("new/IM000001.mov")), QByteArray("movie"));
    EXPECT_EQ(QFileInfo(target.path(QStringLiteral("new/IM000001.jpg"))).lastModified(), old);
    EXPECT_EQ(everything(target.path(QStringLiteral("new"))),
              QStringList({QStringLiteral("IM000001.jpg"), QStringLiteral("IM000001.mov")}));
    EXPECT_EQ(source.read(QStringLiteral("a.jpg")), big);
    EXPECT_EQ(progress.title, QStringLiteral("テスト中..."));
    EXPECT_EQ(progress.opened, 1);
    EXPECT_EQ(progress.closed, 1);
    EXPECT_EQ(progress.lastDone, progress.lastTotal);
    EXPECT_EQ(progress.lastTotal, big.size() + 5);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(FileOperationRunnerTest, CopiesFoldersIntoOneDestinationButNeverIntoThemselves)
{
    source.makeFiles({"DCIM/100ABCDE/IMGA0001.JPG", "DCIM/.hidden", "DCIM/101ABCDE/IMGA0002.TIF"});
    const QString dcim = source.path(QStringLiteral("DCIM"));
    ASSERT_TRUE(run(request(OperationKind::Copy, {dcim}, {target.root()})).succeeded());
    EXPECT_TRUE(target.exists(QStringLiteral("DCIM/100ABCDE/IMGA0001.JPG")));
    EXPECT_TRUE(target.exists(QStringLiteral("DCIM/101ABCDE/IMGA0002.TIF")));
    EXPECT_TRUE(target.exists(QStringLiteral("DCIM/.hidden")));

    const OperationResult inside = run(request(OperationKind::Copy, {dcim}, {source.path(QStringLiteral("DCIM/100ABCDE"))}));
    EXPECT_EQ(inside.status, FileStatus::InvalidRequest);
    EXPECT_FALSE(source.exists(QStringLiteral("DCIM/100ABCDE/DCIM")));
    // Nor into a folder of its own that has yet to be made.
    FileOperation deeper = request(OperationKind::Copy, {dcim}, {source.path(QStringLiteral("DCIM/new/sub/DCIM"))}, true);
    deeper.noErrorUi = true;
    EXPECT_EQ(run(deeper).status, FileStatus::InvalidRequest);
    EXPECT_FALSE(source.exists(QStringLiteral("DCIM/new")));
}

TEST_F(FileOperationRunnerTest, CopyOntoItselfMakesADuplicateInsteadOfTruncating)
{
    const QString a = source.makeFile(QStringLiteral("IMG.JPG"), "picture");
    const OperationResult result = run(request(OperationKind::Copy, {a}, {source.root()}));
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(result.files.at(0).destination, source.path(QStringLiteral("コピー ～ IMG.JPG")));
    EXPECT_EQ(source.read(QStringLiteral("IMG.JPG")), QByteArray("picture"));
    EXPECT_EQ(source.read(QStringLiteral("コピー ～ IMG.JPG")), QByteArray("picture"));
}

TEST_F(FileOperationRunnerTest, OverwriteQuestionAnsweredEachWay)
{
    const QString a = source.makeFile(QStringLiteral("a.jpg"), "new a");
    const QString b = source.makeFile(QStringLiteral("b.jpg"), "new b");
    const QString c = source.makeFile(QStringLiteral("c.jpg"), "new c");
    const auto reset = [&] {
        target.makeFile(QStringLiteral("a.jpg"), "old a");
        target.makeFile(QStringLiteral("b.jpg"), "old b");
        QFile::remove(target.path(QStringLiteral("c.jpg")));
    };
    const FileOperation op = request(OperationKind::Copy, {a, b, c}, {target.root()});

    // Yes replaces, no keeps the old file and goes on with the rest.
    reset();
    messages.answers = {platform::IdYes, platform::IdNo};
    OperationResult result = run(op);
    EXPECT_TRUE(result.succeeded());
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[0].caption, QStringLiteral("上書きの確認"));
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("a.jpg")));
    EXPECT_EQ(messages.boxes[0].style & platform::MbButtonMask, unsigned(platform::MbYesNoCancel));
    EXPECT_EQ(target.read(QStringLiteral("a.jpg")), QByteArray("new a"));
    EXPECT_EQ(target.read(QStringLiteral("b.jpg")), QByteArray("old b"));
    EXPECT_EQ(target.read(QStringLiteral("c.jpg")), QByteArray("new c"));
    EXPECT_EQ(result.files.at(1).status, FileStatus::Skipped);

    // Cancel stops everything: the rest is not copied and the answer is "aborted".
    reset();
    messages.boxes.clear();
    messages.answers = {platform::IdCancel};
    result = run(op);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(messages.boxes.size(), 1u); // no error box after a cancel
    EXPECT_EQ(target.read(QStringLiteral("a.jpg")), QByteArray("old a"));
    EXPECT_FALSE(target.exists(QStringLiteral("c.jpg")));

    // Without confirmation the files are replaced silently.
    reset();
    messages.boxes.clear();
    FileOperation silent = op;
    silent.noConfirmation = true;
    EXPECT_TRUE(run(silent).succeeded());
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(target.read(QStringLiteral("b.jpg")), QByteArray("new b"));

    // Renaming on collision asks nothing and keeps both.
    reset();
    FileOperation renaming = op;
    renaming.renameOnCollision = true;
    result = run(renaming);
    EXPECT_TRUE(result.succeeded());
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(result.files.at(0).destination, target.path(QStringLiteral("コピー ～ a.jpg")));
    EXPECT_EQ(target.read(QStringLiteral("a.jpg")), QByteArray("old a"));
    EXPECT_EQ(target.read(QStringLiteral("コピー ～ a.jpg")), QByteArray("new a"));
}

TEST_F(FileOperationRunnerTest, CancelHalfWayLeavesNoPartialFileAndTheSourcesIntact)
{
    const QByteArray big = pattern(2 * 1024 * 1024, 9);
    const QString a = source.makeFile(QStringLiteral("a.jpg"), big);
    const QString b = source.makeFile(QStringLiteral("b.jpg"), "second");
    target.makeFile(QStringLiteral("keep.txt"), "mine");
    progress.cancelAt = 4; // once before the file, then inside its copy
    const OperationResult result =
        run(request(OperationKind::Copy, {a, b}, {target.path(QStringLiteral("a.jpg")), target.path(QStringLiteral("b.jpg"))}, true));
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(result.status, FileStatus::Cancelled);
    EXPECT_EQ(everything(target.root()), QStringList({QStringLiteral("keep.txt")}));
    EXPECT_EQ(source.read(QStringLiteral("a.jpg")), big);
    EXPECT_EQ(source.read(QStringLiteral("b.jpg")), QByteArray("second"));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(progress.closed, 1);
}

// No full file system can be mounted here without privileges, so the disk fills up through the write
// seam: the first block goes through, the next one finds no space.
TEST_F(FileOperationRunnerTest, FullDiskIsReportedAndLeavesNoPartialFile)
{
    const QByteArray big = pattern(1024 * 1024, 1);
    const QString a = source.makeFile(QStringLiteral("a.jpg"), big);
    const QString b = source.makeFile(QStringLiteral("b.jpg"), "b");
    FileOperationRunner runner(&progress, nullptr);
    qint64 room = 300 * 1024;
    runner.setWriter([&room](int fd, const char* data, size_t size) -> ssize_t {
        if (room <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t n = ::write(fd, data, std::min<size_t>(size, static_cast<size_t>(room)));
        if (n > 0)
            room -= n;
        return n;
    });
    const OperationResult result = runner.run(request(OperationKind::Copy, {a, b}, {target.root()}));
    EXPECT_FALSE(result.succeeded());
    EXPECT_FALSE(result.aborted);
    EXPECT_EQ(result.status, FileStatus::DiskFull);
    EXPECT_TRUE(everything(target.root()).isEmpty());
    EXPECT_EQ(source.read(QStringLiteral("a.jpg")), big);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].style & platform::MbIconMask, unsigned(platform::MbIconStop));
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("空き領域"))) << messages.boxes[0].text.toStdString();

    // With the error boxes turned off the status alone tells.
    room = 0;
    messages.boxes.clear();
    FileOperation quiet = request(OperationKind::Copy, {b}, {target.root()});
    quiet.noErrorUi = true;
    EXPECT_EQ(runner.run(quiet).status, FileStatus::DiskFull);
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_TRUE(everything(target.root()).isEmpty());
}

TEST_F(FileOperationRunnerTest, VanishedSourceStopsTheOperationWithAClearStatus)
{
    const QString a = source.makeFile(QStringLiteral("a.jpg"));
    const QString c = source.makeFile(QStringLiteral("c.jpg"));
    const OperationResult result =
        run(request(OperationKind::Copy, {a, source.path(QStringLiteral("gone.jpg")), c}, {target.root()}));
    EXPECT_EQ(result.status, FileStatus::SourceMissing);
    EXPECT_FALSE(result.aborted);
    EXPECT_TRUE(target.exists(QStringLiteral("a.jpg")));
    EXPECT_FALSE(target.exists(QStringLiteral("c.jpg")));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("gone.jpg")));
}

TEST_F(FileOperationRunnerTest, NamedPipeAmongTheFilesIsRefusedWithoutHanging)
{
    const QString pipe = source.path(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    FileOperation op = request(OperationKind::Copy, {pipe}, {target.root()});
    op.noErrorUi = true;
    EXPECT_EQ(run(op).status, FileStatus::Failed);
    EXPECT_TRUE(everything(target.root()).isEmpty());
}

TEST_F(FileOperationRunnerTest, ReadOnlyDestinationIsPermissionDenied)
{
    const QString a = source.makeFile(QStringLiteral("a.jpg"));
    const QString locked = target.makeDir(QStringLiteral("locked"));
    // Permission bits do not stop the superuser; a read-only mount does.
    testing_support::MountSandbox mounts;
    if (::geteuid() == 0 && !mounts.makeReadOnly(locked))
        GTEST_SKIP() << "the superuser writes into read-only folders and no read-only mount can be made here: "
                     << testing_support::MountSandbox::reason().toStdString();
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555) == 0, ::geteuid() != 0);
    const OperationResult result = run(request(OperationKind::Copy, {a}, {locked}));
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    EXPECT_EQ(result.status, FileStatus::PermissionDenied);
    EXPECT_TRUE(everything(locked).isEmpty());
}

TEST_F(FileOperationRunnerTest, MismatchedDestinationsTouchNothing)
{
    const QString a = source.makeFile(QStringLiteral("a.jpg"));
    FileOperation op = request(OperationKind::Copy, {a, a}, {target.path(QStringLiteral("x.jpg"))}, true);
    op.noErrorUi = true;
    EXPECT_EQ(run(op).status, FileStatus::InvalidRequest);
    EXPECT_TRUE(everything(target.root()).isEmpty());
    EXPECT_EQ(progress.opened, 0);
}

TEST_F(FileOperationRunnerTest, MoveWithinOneFileSystemRenames)
{
    const QString a = source.makeFile(QStringLiteral("a.jpg"), "moved");
    const auto inodeOf = [](const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : ino_t(0);
    };
    const ino_t inode = inodeOf(a);
    ASSERT_TRUE(run(request(OperationKind::Move, {a}, {target.root()})).succeeded());
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(target.read(QStringLiteral("a.jpg")), QByteArray("moved"));
    EXPECT_EQ(inodeOf(target.path(QStringLiteral("a.jpg"))), inode);

    // Onto itself nothing happens to the file.
    messages.answers = {platform::IdOk};
    const QString moved = target.path(QStringLiteral("a.jpg"));
    EXPECT_EQ(run(request(OperationKind::Move, {moved}, {target.root()})).status, FileStatus::SameFile);
    EXPECT_EQ(target.read(QStringLiteral("a.jpg")), QByteArray("moved"));
}

// The shared-memory folder is a file system of its own on most machines: a move there cannot rename.
class CrossDeviceMove : public FileOperationRunnerTest {
protected:
    void SetUp() override
    {
        struct stat here {}, there {};
        if (::stat("/dev/shm", &there) != 0 || ::access("/dev/shm", W_OK) != 0 ||
            ::stat(QFile::encodeName(source.root()).constData(), &here) != 0 || here.st_dev == there.st_dev)
            GTEST_SKIP() << "no second writable file system";
        other = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/kestrel-move-XXXXXX"));
        ASSERT_TRUE(other->isValid());
    }
    std::unique_ptr<QTemporaryDir> other;
};

TEST_F(CrossDeviceMove, CopiesThenRemovesTheSource)
{
    const QByteArray big = pattern(600 * 1024, 5);
    const QString a = source.makeFile(QStringLiteral("a.jpg"), big);
    source.makeFile(QStringLiteral("folder/inner.jpg"), "inner");
    ASSERT_TRUE(run(request(OperationKind::Move, {a, source.path(QStringLiteral("folder"))}, {other->path()})).succeeded());
    EXPECT_FALSE(source.exists(QStringLiteral("a.jpg")));
    EXPECT_FALSE(source.exists(QStringLiteral("folder")));
    QFile moved(other->filePath(QStringLiteral("a.jpg")));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), big);
    EXPECT_TRUE(QFileInfo::exists(other->filePath(QStringLiteral("folder/inner.jpg"))));
    EXPECT_EQ(everything(other->path()), QStringList({QStringLiteral("a.jpg"), QStringLiteral("folder")}));
}

TEST_F(CrossDeviceMove, CancelledMoveKeepsTheSource)
{
    const QByteArray big = pattern(2 * 1024 * 1024, 8);
    const QString a = source.makeFile(QStringLiteral("a.jpg"), big);
    progress.cancelAt = 3;
    const OperationResult result = run(request(OperationKind::Move, {a}, {other->path()}));
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(source.read(QStringLiteral("a.jpg")), big);
    EXPECT_TRUE(everything(other->path()).isEmpty());
}

class DeleteTest : public FileOperationRunnerTest {
protected:
    void SetUp() override
    {
        previous = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", previous); }
    QByteArray previous;
    QTemporaryDir data; // a private trash for this test
};

TEST_F(DeleteTest, AllowUndoMovesToTheTrashAfterTheQuestion)
{
    const QString a = source.makeFile(QStringLiteral("a.jpg"), "precious");
    FileOperation op = request(OperationKind::Delete, {a}, {});
    op.allowUndo = true;
    op.progressTitle = QStringLiteral("ファイルを削除しますか？");

    messages.answers = {platform::IdNo};
    OperationResult result = run(op);
    EXPECT_TRUE(result.aborted);
    EXPECT_TRUE(QFileInfo::exists(a));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].caption, QStringLiteral("ファイルを削除しますか？"));
    EXPECT_EQ(messages.boxes[0].style & platform::MbButtonMask, unsigned(platform::MbYesNo));

    messages.answers = {platform::IdYes};
    result = run(op);
    ASSERT_TRUE(result.succeeded());
    EXPECT_FALSE(QFileInfo::exists(a));
    QFile trashed(data.filePath(QStringLiteral("Trash/files/a.jpg")));
    ASSERT_TRUE(trashed.open(QIODevice::ReadOnly));
    EXPECT_EQ(trashed.readAll(), QByteArray("precious"));
}

TEST_F(DeleteTest, WithoutUndoRemovesFilesAndFoldersForGood)
{
    const QString a = source.makeFile(QStringLiteral("a.jpg"));
    source.makeFile(QStringLiteral("folder/b.jpg"));
    FileOperation op = request(OperationKind::Delete, {a, source.path(QStringLiteral("folder"))}, {});
    op.noConfirmation = true;
    ASSERT_TRUE(run(op).succeeded());
    EXPECT_TRUE(everything(source.root()).isEmpty());
    EXPECT_FALSE(QDir(data.filePath(QStringLiteral("Trash/files"))).exists() &&
                 !everything(data.filePath(QStringLiteral("Trash/files"))).isEmpty());
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(FileOperationRunnerTest, RenameNeverReplacesAnotherFile)
{
    const QString a = source.makeFile(QStringLiteral("a.jpg"), "a");
    source.makeFile(QStringLiteral("b.jpg"), "b");
    FileOperation op = request(OperationKind::Rename, {a}, {QStringLiteral("b.jpg")});
    op.noErrorUi = true;
    EXPECT_EQ(run(op).status, FileStatus::DestinationExists);
    EXPECT_EQ(source.read(QStringLiteral("a.jpg")), QByteArray("a"));
    EXPECT_EQ(source.read(QStringLiteral("b.jpg")), QByteArray("b"));

    op.renameOnCollision = true;
    OperationResult result = run(op);
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(result.files.at(0).destination, source.path(QStringLiteral("コピー ～ b.jpg")));
    EXPECT_EQ(source.read(QStringLiteral("コピー ～ b.jpg")), QByteArray("a"));

    // A bare new name stays in the source's folder.
    result = run(request(OperationKind::Rename, {source.path(QStringLiteral("b.jpg"))}, {QStringLiteral("c.jpg")}));
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(everything(source.root()), QStringList({QStringLiteral("c.jpg"), QStringLiteral("コピー ～ b.jpg")}));
}

} // namespace
