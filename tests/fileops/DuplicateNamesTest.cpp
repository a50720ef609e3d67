#include "fileops/DuplicateNames.h"

#include "media/FakeCard.h"

#include <gtest/gtest.h>

using fileops::DuplicateNames;
using testing_support::FakeTree;

TEST(DuplicateNamesTest, CopyNamesCountUpFromTwoPastExistingFiles)
{
    FakeTree folder;
    folder.makeFile(QStringLiteral("IMG.JPG"));
    const QString base = folder.root();
    EXPECT_EQ(DuplicateNames::copyName(base, QStringLiteral("IMG.JPG")), base + QStringLiteral("コピー ～ IMG.JPG"));
    folder.makeFile(QStringLiteral("コピー ～ IMG.JPG"));
    EXPECT_EQ(DuplicateNames::copyName(base, QStringLiteral("IMG.JPG")),
              base + QStringLiteral("コピー (2) ～ IMG.JPG"));
    folder.makeFile(QStringLiteral("コピー (2) ～ IMG.JPG"));
    EXPECT_EQ(DuplicateNames::duplicateName(base, QStringLiteral("IMG.JPG")),
              base + QStringLiteral("コピー (3) ～ IMG.JPG"));
    // A free plain name is used as it is.
    EXPECT_EQ(DuplicateNames::duplicateName(base, QStringLiteral("NEW.JPG")), base + QStringLiteral("NEW.JPG"));
}

TEST(DuplicateNamesTest, ShortcutNamesCountFromTwo)
{
    FakeTree folder;
    const QString base = folder.root();
    EXPECT_EQ(DuplicateNames::shortcutName(base, QStringLiteral("a.jpg")),
              base + QStringLiteral("a.jpgへのショートカット"));
    folder.makeFile(QStringLiteral("a.jpgへのショートカット"));
    EXPECT_EQ(DuplicateNames::shortcutName(base, QStringLiteral("a.jpg")),
              base + QStringLiteral("a.jpgへのショートカット (2)"));
}

TEST(DuplicateNamesTest, OnlyCopiesIntoTheirOwnFolderAreRenamed)
{
    FakeTree here;
    FakeTree elsewhere;
    const QString a = here.makeFile(QStringLiteral("DCIM/IMG.JPG"));
    const QString b = here.makeFile(QStringLiteral("DCIM/B.JPG"));
    elsewhere.makeFile(QStringLiteral("IMG.JPG"));

    // Into another folder the names stay, even over an existing file: that collision is asked later.
    EXPECT_EQ(DuplicateNames::copyDestinations({a, b}, elsewhere.root(), true),
              QStringList({elsewhere.path(QStringLiteral("IMG.JPG")), elsewhere.path(QStringLiteral("B.JPG"))}));
    // Into the own folder, written with other case and a trailing slash, both get copy names.
    const QString sameFolder = here.root() + QStringLiteral("DCIM/");
    EXPECT_EQ(DuplicateNames::copyDestinations({a, b}, sameFolder, true),
              QStringList({here.path(QStringLiteral("DCIM/コピー ～ IMG.JPG")),
                           here.path(QStringLiteral("DCIM/コピー ～ B.JPG"))}));
    EXPECT_EQ(DuplicateNames::copyDestinations({a}, here.root() + QStringLiteral("dcim"), true),
              QStringList({here.path(QStringLiteral("dcim/コピー ～ IMG.JPG"))}));
    // A move into its own folder is no duplicate.
    EXPECT_EQ(DuplicateNames::copyDestinations({a}, sameFolder, false), QStringList({a}));
    // The same file listed twice never gets one name twice.
    EXPECT_EQ(DuplicateNames::copyDestinations({a, a}, sameFolder, true),
              QStringList({here.path(QStringLiteral("DCIM/コピー ～ IMG.JPG")),
                           here.path(QStringLiteral("DCIM/コピー (2) ～ IMG.JPG"))}));
}
