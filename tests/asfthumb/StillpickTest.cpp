// Stillpick through its export, on ASF movies ffmpeg made: the picture must be the movie's first frame
// (checked against ffmpeg's own decode), every failure must give its status, and a call must leave no
// thread, file or registration behind.

#include "Stillpick.h"

#include "movthumb/MovieFixtures.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

using namespace movietest;

namespace {

using Bytes = std::vector<uint8_t>;

struct FreeDib {
    void operator()(void* p) const { std::free(p); }
};
using Dib = std::unique_ptr<void, FreeDib>;

class StillpickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixtures_ = fixtureFolder("movies-asf.sh", "movies-asf");
        ASSERT_FALSE(fixtures_.empty()) << "scripts/fixtures/movies-asf.sh failed";
    }
    void TearDown() override { StillpickSetTestSeam(nullptr); }

    std::string fixture(const std::string& name) const { return fixtures_ + "/" + name; }

    // ffmpeg's decode of a movie's first frame (raw blue-green-red, top line first) as RGB.
    Picture reference(const std::string& name, int width, int height) const
    {
        const Bytes bgr = readFile(fixture(name + ".first.bgr"));
        Picture picture;
        if (bgr.size() != size_t(width) * height * 3)
            return picture;
        picture.width = width;
        picture.height = height;
        picture.rgb = bgr;
        for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
            std::swap(picture.rgb[i], picture.rgb[i + 2]);
        return picture;
    }

    int32_t grab(const std::string& path, Dib* picture)
    {
        void* out = nullptr;
        const int32_t status = _GetASFThumbnail(path.c_str(), &out);
        picture->reset(out);
        return status;
    }

    std::string fixtures_;
};

// The process's threads, less GLib's shared worker pool ("pool-…" threads): GStreamer hands
// process-wide chores to that pool, whose idle workers live on between calls by GLib's design.
size_t threadsOutsideGlibPool()
{
    size_t count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("pool-", 0) != 0)
            ++count;
    }
    return count;
}

size_t entriesOf(const char* folder)
{
    size_t count = 0;
    if (DIR* dir = opendir(folder)) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

TEST_F(StillpickTest, PictureIsTheFirstFrameOfTheMovie)
{
    for (const char* name : {"wmv2.asf", "msmpeg4.asf"}) {
        SCOPED_TRACE(name);
        Dib dib;
        ASSERT_EQ(grab(fixture(name), &dib), STILLPICK_OK);
        ASSERT_NE(dib, nullptr);
        const Picture picture = dibPicture(dib.get());
        EXPECT_EQ(picture.width, 320);
        EXPECT_EQ(picture.height, 240);
        EXPECT_GE(psnr(picture, reference(name, 320, 240)), 30.0);
    }
}

TEST_F(StillpickTest, EmptyPathFailsTheBuild)
{
    Dib dib;
    EXPECT_EQ(grab("", &dib), STILLPICK_NO_GRAPH);
    EXPECT_EQ(dib, nullptr);
    void* untouched = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(_GetASFThumbnail(nullptr, &untouched), STILLPICK_NO_GRAPH);
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1));
    EXPECT_EQ(_GetASFThumbnail(fixture("wmv2.asf").c_str(), nullptr), STILLPICK_NO_CONTEXT);
}

TEST_F(StillpickTest, MissingGrabberPluginGives20)
{
    TempFolder empty;
    StillpickTestSeam seam{empty.path().c_str(), 0};
    StillpickSetTestSeam(&seam);
    setenv("KESTREL_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    Dib dib;
    EXPECT_EQ(grab(fixture("wmv2.asf"), &dib), STILLPICK_NO_GRABBER);
    const std::string traced = testing::internal::GetCapturedStderr();
    unsetenv("KESTREL_DEBUG");
    EXPECT_EQ(dib, nullptr);
    // Nothing was registered, so nothing is taken back.
    EXPECT_EQ(traced.find("Can't UnInstall"), std::string::npos) << traced;
}

TEST_F(StillpickTest, FilesWithoutVideoFailTheBuild)
{
    TempFolder other;
    writeFile(other.file("text.asf"), Bytes(4096, 'x'));
    setenv("KESTREL_DEBUG", "1", 1);
    for (const std::string& path : {fixture("audio.asf"), other.file("text.asf"), other.file("missing.asf")}) {
        SCOPED_TRACE(path);
        testing::internal::CaptureStderr();
        Dib dib;
        EXPECT_EQ(grab(path, &dib), STILLPICK_NO_GRAPH);
        EXPECT_EQ(dib, nullptr);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Not Graph Builder\r\n"), std::string::npos);
    }
    unsetenv("KESTREL_DEBUG");
}

TEST_F(StillpickTest, NamesThatAreNoRegularFilesAreRefusedAtOnce)
{
    // Nobody ever writes into the FIFO: a call that opened it would wait for ever (the test's time-out
    // is the guard). A folder and a character device are refused the same way.
    TempFolder other;
    const std::string fifo = other.file("clip.asf");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(fifo, other.file("link.asf"));
    for (const std::string& path : {fifo, other.file("link.asf"), other.path(), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        Dib dib;
        EXPECT_EQ(grab(path, &dib), STILLPICK_NO_GRAPH);
        EXPECT_EQ(dib, nullptr);
    }
}

// The movie's video stream header with its declared picture size: the encoded size, then the bitmap
// header's own width and height. Returns false when the pattern is not found exactly once.
bool declareSize(Bytes& movie, uint32_t width, uint32_t height)
{
    const auto le = [](uint32_t v) { return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; };
    const Bytes oldWidth = le(320), oldHeight = le(240);
    size_t found = 0, at = 0;
    for (size_t i = 0; i + 23 <= movie.size(); ++i) {
        const auto is = [&](size_t offset, const Bytes& value) {
            return std::equal(value.begin(), value.end(), movie.begin() + long(i + offset));
        };
        // width, height, flags (1 byte), format size (2 bytes), biSize, biWidth, biHeight
        if (is(0, oldWidth) && is(4, oldHeight) && is(15, oldWidth) && is(19, oldHeight)) {
            ++found;
            at = i;
        }
    }
    if (found != 1)
        return false;
    for (size_t offset : {size_t(0), size_t(15)}) {
        const Bytes w = le(width), h = le(height);
        std::copy(w.begin(), w.end(), movie.begin() + long(at + offset));
        std::copy(h.begin(), h.end(), movie.begin() + long(at + offset + 4));
    }
    return true;
}

TEST_F(StillpickTest, HugeDeclaredPictureIsRefusedBeforeDecoding)
{
    // 9,000 x 9,000 is about 81 Mpixel: refused. The same movie declaring its real size still works, so
    // the refusal comes from the size and not from the edit.
    TempFolder other;
    for (const uint32_t side : {9000u, 320u}) {
        SCOPED_TRACE(side);
        Bytes movie = readFile(fixture("wmv2.asf"));
        ASSERT_TRUE(declareSize(movie, side, side == 320u ? 240u : side));
        const std::string path = other.file("declared" + std::to_string(side) + ".asf");
        writeFile(path, movie);
        Dib dib;
        EXPECT_EQ(grab(path, &dib), side == 320u ? STILLPICK_OK : STILLPICK_NO_GRAPH);
        EXPECT_EQ(dib != nullptr, side == 320u);
    }
}

TEST_F(StillpickTest, GrabberThatNeverPostsTimesOutWith16)
{
    StillpickTestSeam seam{STILLPICK_SILENT_GRABBER_DIR, 0};
    StillpickSetTestSeam(&seam);
    Dib dib;
    EXPECT_EQ(grab(fixture("wmv2.asf"), &dib), STILLPICK_NO_FRAME);
    EXPECT_EQ(dib, nullptr);
}

TEST_F(StillpickTest, GrabberStatusIsReturnedUnchanged)
{
    StillpickTestSeam seam{STILLPICK_FAILING_GRABBER_DIR, 0};
    StillpickSetTestSeam(&seam);
    Dib dib;
    EXPECT_EQ(grab(fixture("msmpeg4.asf"), &dib), STILLPICK_TEST_GRABBER_STATUS);
    EXPECT_EQ(dib, nullptr);
}

TEST_F(StillpickTest, FlippedPictureIsUpsideDown)
{
    Dib upright;
    ASSERT_EQ(grab(fixture("wmv2.asf"), &upright), STILLPICK_OK);
    StillpickTestSeam seam{nullptr, 1};
    StillpickSetTestSeam(&seam);
    Dib flipped;
    ASSERT_EQ(grab(fixture("wmv2.asf"), &flipped), STILLPICK_OK);
    const Picture a = dibPicture(upright.get());
    const Picture b = dibPicture(flipped.get());
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    const size_t row = size_t(a.width) * 3;
    for (int y = 0; y < a.height; ++y)
        ASSERT_EQ(std::memcmp(&a.rgb[y * row], &b.rgb[(a.height - 1 - y) * row], row), 0) << "row " << y;
}

TEST_F(StillpickTest, CallsLeaveNothingBehind)
{
    // The first call starts GStreamer for the process (its registry, its type system); after that,
    // every call must end with exactly the threads and files it started with: its message thread and
    // the pipeline's streaming threads are joined, the file and the pipeline's bus are closed.
    Dib first;
    ASSERT_EQ(grab(fixture("msmpeg4.asf"), &first), STILLPICK_OK);
    const size_t threads = threadsOutsideGlibPool();
    const size_t files = entriesOf("/proc/self/fd");
    for (int round = 0; round < 2; ++round) {
        Dib again;
        ASSERT_EQ(grab(fixture(round ? "wmv2.asf" : "msmpeg4.asf"), &again), STILLPICK_OK);
        Dib failed;
        EXPECT_EQ(grab(fixture("audio.asf"), &failed), STILLPICK_NO_GRAPH);
        EXPECT_EQ(threadsOutsideGlibPool(), threads) << "round " << round;
        EXPECT_EQ(entriesOf("/proc/self/fd"), files) << "round " << round;
    }
    // The grabber was taken out of the registry again each time, and can be put back each time.
    setenv("KESTREL_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    Dib last;
    EXPECT_EQ(grab(fixture("wmv2.asf"), &last), STILLPICK_OK);
    const std::string traced = testing::internal::GetCapturedStderr();
    unsetenv("KESTREL_DEBUG");
    EXPECT_EQ(traced, "");
}

}  // namespace
