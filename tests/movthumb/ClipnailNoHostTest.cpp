// Clipnail in a process without the platform layer (no KestrelMessageBox): a message must neither
// fail nor stop the call; it becomes a trace line when KESTREL_DEBUG asks for one.

#include "Clipnail.h"

#include "movthumb/MovieFixtures.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace movietest;

namespace {

TEST(ClipnailNoHostTest, MessagesBecomeTraceLines)
{
    ASSERT_EQ(dlsym(RTLD_DEFAULT, "KestrelMessageBox"), nullptr) << "this test must run without the platform layer";
    const std::string missing = "/nonexistent/kestrel/MVI_0002.AVI";

    setenv("KESTREL_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(DoAviClipnail(nullptr, missing.c_str()), nullptr);
    const std::string traced = testing::internal::GetCapturedStderr();
    EXPECT_EQ(traced, "MessageBox: Error: Can't open " + missing + "\n");

    unsetenv("KESTREL_DEBUG");
    testing::internal::CaptureStderr();
    EXPECT_EQ(DoMovClipnail(nullptr, missing.c_str()), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ClipnailNoHostTest, DecodesWithoutAHost)
{
    const std::string fixtures = movieFixtures();
    ASSERT_FALSE(fixtures.empty());
    void* dib = DoAviClipnail(nullptr, (fixtures + "/mjpg320.avi").c_str());
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dibPicture(dib).width, 320);
    std::free(dib);
}

}  // namespace
