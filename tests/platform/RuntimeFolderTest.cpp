// The runtime folder without $XDG_RUNTIME_DIR lives in the shared temporary folder, where any local user
// can create the name first. These tests play that other user (as root they hand folders to "nobody")
// and check that the program still gets a private folder and still keeps to a single instance.

#include "platform/InstanceLock.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace {

constexpr uid_t OtherUser = 65534;  // "nobody"

// Sets environment variables for one test and puts the old values back afterwards.
class Environment {
public:
    ~Environment()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    void set(const char* name, const QString& value)
    {
        remember(name);
        setenv(name, QFile::encodeName(value).constData(), 1);
    }
    void unset(const char* name)
    {
        remember(name);
        unsetenv(name);
    }

private:
    void remember(const char* name)
    {
        if (saved_.count(name))
            return;
        const char* value = getenv(name);
        saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

struct Facts {
    bool folder = false;
    bool link = false;
    uid_t owner = 0;
    mode_t permissions = 0;
};

Facts factsOf(const QString& path)
{
    struct stat st;
    Facts facts;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return facts;
    facts.folder = S_ISDIR(st.st_mode);
    facts.link = S_ISLNK(st.st_mode);
    facts.owner = st.st_uid;
    facts.permissions = st.st_mode & 07777;
    return facts;
}

void expectPrivate(const QString& folder)
{
    const Facts facts = factsOf(folder);
    EXPECT_TRUE(facts.folder) << folder.toStdString();
    EXPECT_FALSE(facts.link) << folder.toStdString();
    EXPECT_EQ(facts.owner, ::getuid()) << folder.toStdString();
    EXPECT_EQ(facts.permissions, 0700u) << folder.toStdString();
}

class RuntimeFolder : public ::testing::Test {
protected:
    RuntimeFolder()
    {
        QDir(root.path()).mkpath(QStringLiteral("tmp"));
        QDir(root.path()).mkpath(QStringLiteral("cache"));
        env.unset("XDG_RUNTIME_DIR");
        env.set("TMPDIR", temp());
        env.set("XDG_CACHE_HOME", root.filePath(QStringLiteral("cache")));
    }

    QString temp() const { return root.filePath(QStringLiteral("tmp")); }
    QString sharedName() const { return temp() + QStringLiteral("/kestrel-") + QString::number(::getuid()); }

    // The shared name taken by another user before us, as they could with any local account.
    void occupySharedName(mode_t permissions)
    {
        ASSERT_EQ(::mkdir(QFile::encodeName(sharedName()).constData(), permissions), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(sharedName()).constData(), permissions), 0);
        ASSERT_EQ(::chown(QFile::encodeName(sharedName()).constData(), OtherUser, OtherUser), 0);
    }

    static bool canPlayAnotherUser() { return ::geteuid() == 0; }

    QTemporaryDir root;
    Environment env;
};

TEST_F(RuntimeFolder, IsAPrivateFolderInTheTemporaryFolderAndTightensALooseOne)
{
    const QString folder = platform::runtimeFolder();
    EXPECT_EQ(folder, sharedName());
    expectPrivate(folder);
    EXPECT_EQ(platform::runtimeFolder(), folder);

    // Left behind with open permissions (an older version, a careless umask): made private again.
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    EXPECT_EQ(platform::runtimeFolder(), folder);
    expectPrivate(folder);
}

TEST_F(RuntimeFolder, AnotherUsersFolderIsRefusedAndTheProgramStillRunsOnce)
{
    if (!canPlayAnotherUser())
        GTEST_SKIP() << "only root can make a folder that belongs to another user";
    occupySharedName(0777);

    const QString folder = platform::runtimeFolder();
    EXPECT_NE(folder, sharedName());
    EXPECT_TRUE(folder.startsWith(root.filePath(QStringLiteral("cache")))) << folder.toStdString();
    expectPrivate(folder);
    // The foreign folder is neither used nor changed.
    EXPECT_EQ(factsOf(sharedName()).owner, OtherUser);
    EXPECT_EQ(factsOf(sharedName()).permissions, 0777u);
    EXPECT_TRUE(QDir(sharedName()).isEmpty());

    // The first start gets the lock, a second one sees it taken: blocked neither way.
    platform::InstanceLock first(QStringLiteral("Runtime Folder Test"));
    EXPECT_TRUE(first.acquired());
    platform::InstanceLock second(QStringLiteral("Runtime Folder Test"));
    EXPECT_FALSE(second.acquired());
}

TEST_F(RuntimeFolder, ALinkOrAFileUnderTheNameIsRefused)
{
    // A link could send our sockets into a folder someone else reads, even one that is ours.
    QTemporaryDir elsewhere;
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere.path()).constData(), QFile::encodeName(sharedName()).constData()), 0);
    QString folder = platform::runtimeFolder();
    EXPECT_NE(folder, sharedName());
    expectPrivate(folder);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());

    ASSERT_TRUE(QFile::remove(sharedName()));
    QFile file(sharedName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    folder = platform::runtimeFolder();
    EXPECT_NE(folder, sharedName());
    expectPrivate(folder);
}

TEST_F(RuntimeFolder, WithNoUsableFixedPlaceAFolderOfTheProcessServesThroughout)
{
    if (!canPlayAnotherUser())
        GTEST_SKIP() << "only root can make a folder that belongs to another user";
    occupySharedName(0755);
    // The cache folder is a file, so nothing can be made in it.
    ASSERT_TRUE(QDir(root.path()).rmdir(QStringLiteral("cache")));
    QFile blocker(root.filePath(QStringLiteral("cache")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const QString folder = platform::runtimeFolder();
    EXPECT_NE(folder, sharedName());
    EXPECT_TRUE(folder.startsWith(temp() + QStringLiteral("/kestrel-"))) << folder.toStdString();
    expectPrivate(folder);
    // The lock and the sockets must meet in one folder, so every later call answers the same.
    EXPECT_EQ(platform::runtimeFolder(), folder);
}

TEST_F(RuntimeFolder, XdgRuntimeDirIsUsedOnlyWhenItIsTheUsers)
{
    QTemporaryDir runtime;
    env.set("XDG_RUNTIME_DIR", runtime.path());
    EXPECT_EQ(platform::runtimeFolder(), runtime.path());

    env.set("XDG_RUNTIME_DIR", root.filePath(QStringLiteral("missing")));
    EXPECT_EQ(platform::runtimeFolder(), sharedName());

    if (!canPlayAnotherUser())
        GTEST_SKIP() << "only root can make a folder that belongs to another user";
    ASSERT_EQ(::chown(QFile::encodeName(runtime.path()).constData(), OtherUser, OtherUser), 0);
    env.set("XDG_RUNTIME_DIR", runtime.path());
    EXPECT_EQ(platform::runtimeFolder(), sharedName());
}

}  // namespace
