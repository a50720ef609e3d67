#include "media/CameraFolders.h"

#include "media/FakeCard.h"

#include <gtest/gtest.h>

using testing_support::VolumeTable;

namespace {

TEST(CameraFolderNames, DcfAndOldLayout)
{
    for (const char* name : {"100ABCDE", "999_____", "101abcde", "500A1_b2", "1000ABCD"})
        EXPECT_TRUE(media::isDcfFolderName(QString::fromLatin1(name))) << name;
    for (const char* name :
         {"099ABCDE", "99ABCDEF", "1x0ABCDE", "100ABC-E", "100ABCD", "100ABCDEF", "", "100ABC E", "100ÄBCDE"})
        EXPECT_FALSE(media::isDcfFolderName(QString::fromUtf8(name))) << name;

    for (const char* name : {"IM01ABCD", "im99____", "Im10a1b2", "iM02ABCD"})
        EXPECT_TRUE(media::isOldCameraFolderName(QString::fromLatin1(name))) << name;
    for (const char* name : {"IM00ABCD", "IM1ABCDE", "IX01ABCD", "IM01ABC", "IM01ABCDE", "IM01AB-D", "JM01ABCD"})
        EXPECT_FALSE(media::isOldCameraFolderName(QString::fromLatin1(name))) << name;
}

TEST(CameraFolder, ARootFollowedByACameraFolderAndNothingBelow)
{
    VolumeTable table;
    table.add("/", "fixed").add("/media/card", "removable");

    for (const char* path :
         {"/media/card/DCIM/100ABCDE", "/media/card/DCIM/100ABCDE/", "/media/card/dcim/101_TEST",
          "/media/card/IM01ABCD", "/media/card/im99abcd/", "/DCIM/100ABCDE", "/media/card/./DCIM/100ABCDE"})
        EXPECT_TRUE(media::isCameraFolder(QString::fromLatin1(path))) << path;

    for (const char* path : {"/media/card/DCIM/100ABCDE/sub", "/media/card/IM00ABCD", "/media/card/DCIM",
                             "/media/card/", "/media/card/DCIM/99ABCDEF", "/media/card/MISC/100ABCDE",
                             "/media/card/sub/DCIM/100ABCDE", "/media/DCIM/100ABCDE", ""})
        EXPECT_FALSE(media::isCameraFolder(QString::fromLatin1(path))) << path;
}

} // namespace
