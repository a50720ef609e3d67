#include "platform/FileSearch.h"

#include "media/FakeCard.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <dirent.h>

using platform::FileSearch;
using testing_support::FakeTree;

namespace {

struct PatternCase {
    const char* name;
    const char* pattern;
    bool matches;
};

TEST(FileSearchMatch, WindowsPatternsIgnoringCase)
{
    const PatternCase cases[] = {
        {"IMGA0001.JPG", "*0001.JPG", true},
        {"imga0001.jpg", "*0001.JPG", true},
        {"0001.JPG", "*0001.JPG", true}, // '*' may be empty
        {"IMGA0001.JPG.bak", "*0001.JPG", false},
        {"IMGA0001.JPG", "????0001.???", true},
        {"IMG0001.JPG", "????0001.???", false}, // '?' is exactly one character
        {"IMGAA0001.JPG", "????0001.???", false},
        {"IMGA0001.JP", "????0001.???", false},
        {"IMGA0123.Mov", "????01??.???", true},
        {"IM123456", "IM??????", true},
        {"im123456", "IM??????", true},
        {"IM12345", "IM??????", false},
        {"README", "*.*", true}, // everything, with or without a dot
        {"", "*", true},
        {"abc", "a*b*c", true},
        {"axxbyyc", "a*b*c", true},
        {"axxbyy", "a*b*c", false},
        {"a\"b", "a?b", true},
        {"Ärger.jpg", "ä*.JPG", true},
        {"x", "", false},
        {"", "?", false},
    };
    for (const PatternCase& c : cases) {
        EXPECT_EQ(FileSearch::matches(QString::fromUtf8(c.name), QString::fromUtf8(c.pattern)), c.matches)
            << c.name << " ~ " << c.pattern;
    }
}

TEST(FileSearchList, ListsMatchingEntriesInFileSystemOrder)
{
    FakeTree tree;
    // "\uFEFFnotes.txt" is another file than "notes.txt": its name must not lose the leading mark.
    tree.makeFiles({"IMGA0001.JPG", "imga0002.jpg", "notes.txt", "\uFEFFnotes.txt", "sub/x"});
    tree.makeDir("DCIM");
    QFile::link(tree.path("DCIM"), tree.path("dcim-link"));

    const auto all = FileSearch::list(tree.root());
    QList<QByteArray> names;
    for (const auto& entry : all)
        names << QFile::encodeName(entry.name);

    // The names and their order must be the file system's own: read them independently, as bytes.
    QList<QByteArray> expected;
    DIR* dir = opendir(QFile::encodeName(tree.root()).constData());
    ASSERT_NE(dir, nullptr);
    while (dirent* entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            expected << name;
    }
    closedir(dir);
    EXPECT_EQ(names, expected);

    QSet<QString> folders;
    for (const auto& entry : all) {
        if (entry.isDir)
            folders.insert(entry.name);
    }
    EXPECT_EQ(folders, (QSet<QString>{"sub", "DCIM", "dcim-link"}));

    const auto jpegs = FileSearch::list(tree.root(), u"IMGA????.JPG");
    ASSERT_EQ(jpegs.size(), 2u);
    EXPECT_TRUE(FileSearch::list(tree.path("missing"), u"*.*").empty());
}

TEST(FileSearchResolve, FindsEachComponentWhateverItsCase)
{
    FakeTree tree;
    tree.makeFile("DCIM/100ABCDE/imga0001.jpg");
    const QString expected = tree.path("DCIM/100ABCDE/imga0001.jpg");

    EXPECT_EQ(FileSearch::resolve(tree.path("dcim/100abcde/IMGA0001.JPG")), expected);
    EXPECT_EQ(FileSearch::resolve(tree.path("DCIM//100ABCDE/./imga0001.jpg")), expected);
    EXPECT_EQ(FileSearch::resolve(tree.path("DCIM/other/../100ABCDE/IMGA0001.JPG")), expected);
    EXPECT_TRUE(FileSearch::exists(tree.path("Dcim/100abcde")));
    EXPECT_TRUE(FileSearch::isDir(tree.path("Dcim/100abcde")));
    EXPECT_FALSE(FileSearch::isDir(expected));

    EXPECT_TRUE(FileSearch::resolve(tree.path("DCIM/100ABCDE/IMGA0002.JPG")).isEmpty());
    EXPECT_TRUE(FileSearch::resolve(tree.path("DCIM/100ABCDE/imga0001.jpg/x")).isEmpty());
    EXPECT_TRUE(FileSearch::resolve(QStringLiteral("DCIM/100ABCDE")).isEmpty()); // not absolute
    EXPECT_EQ(FileSearch::resolve(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(FileSearchResolve, PrefersTheExactSpelling)
{
    FakeTree tree;
    tree.makeFile("Photo.JPG", "upper");
    tree.makeFile("photo.jpg", "lower");
    EXPECT_EQ(FileSearch::resolve(tree.path("photo.jpg")), tree.path("photo.jpg"));
    EXPECT_EQ(FileSearch::resolve(tree.path("Photo.JPG")), tree.path("Photo.JPG"));
    const QString other = FileSearch::resolve(tree.path("PHOTO.jpg"));
    EXPECT_TRUE(other == tree.path("photo.jpg") || other == tree.path("Photo.JPG"));
}

} // namespace
