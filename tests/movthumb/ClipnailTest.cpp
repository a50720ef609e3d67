// Clipnail through its exports, on movies ffmpeg made and on real camera movies: the first frame must
// decode to exactly what djpeg makes of the same frame, the temporary file must hold what it should
// and vanish, and every failure must say what the user is told.

#include "Clipnail.h"

#include "movthumb/MovieBuilder.h"
#include "movthumb/MovieFixtures.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace movietest;

namespace {

constexpr unsigned kErrorIcon = 0x10;

class ClipnailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixtures_ = movieFixtures();
        ASSERT_FALSE(fixtures_.empty()) << "scripts/fixtures/movies.sh failed";
        const char* saved = std::getenv("TMPDIR");
        savedTmp_ = saved ? std::make_unique<std::string>(saved) : nullptr;
        setenv("TMPDIR", temp_.path().c_str(), 1);
        platform::setMessageSink([this](const platform::MessageRecord& record) {
            messages_.push_back(record);
            return int(platform::IdOk);
        });
    }

    void TearDown() override
    {
        platform::setMessageSink({});
        ClipnailSetTestSeam(nullptr);
        if (savedTmp_)
            setenv("TMPDIR", savedTmp_->c_str(), 1);
        else
            unsetenv("TMPDIR");
        // Whatever a call did, it left no temporary file behind.
        EXPECT_EQ(temp_.entryCount(), 0u);
    }

    std::string fixture(const std::string& name) const { return fixtures_ + "/" + name; }

    // Calls the thumbnail export for the file's kind while a seam keeps a copy of the temporary JPEG.
    void* thumbnail(const std::string& path, Bytes* jpeg = nullptr)
    {
        struct Capture {
            Bytes* out;
            int calls = 0;
        } capture{jpeg};
        ClipnailTestSeam seam{};
        seam.jpegWritten = [](const char* written, void* context) {
            auto* c = static_cast<Capture*>(context);
            ++c->calls;
            EXPECT_EQ(std::filesystem::path(written).filename().string().rfind("KST", 0), 0u) << written;
            if (c->out)
                *c->out = readFile(written);
        };
        seam.context = &capture;
        ClipnailSetTestSeam(&seam);
        const bool avi = path.size() >= 4 && (path.compare(path.size() - 4, 4, ".avi") == 0 ||
                                              path.compare(path.size() - 4, 4, ".AVI") == 0);
        void* dib = avi ? DoAviClipnail(nullptr, path.c_str()) : DoMovClipnail(nullptr, path.c_str());
        ClipnailSetTestSeam(nullptr);
        lastWrites_ = capture.calls;
        return dib;
    }

    void expectMessage(const std::string& text) const
    {
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text.toStdString(), text);
        EXPECT_EQ(messages_[0].caption.toStdString(), "Error");
        EXPECT_EQ(messages_[0].style & 0xF0u, kErrorIcon);
    }

    // The sample size field of the first "stsz" atom of a file (0 when the file has a size table).
    uint32_t constantSampleSize(const std::string& path) const
    {
        const Bytes bytes = readFile(path);
        for (size_t i = 0; i + 12 <= bytes.size(); ++i)
            if (std::memcmp(&bytes[i], "stsz", 4) == 0)
                return uint32_t(bytes[i + 8]) << 24 | uint32_t(bytes[i + 9]) << 16 | uint32_t(bytes[i + 10]) << 8 |
                       bytes[i + 11];
        return ~0u;
    }

    std::string fixtures_;
    TempFolder temp_;
    std::unique_ptr<std::string> savedTmp_;
    std::vector<platform::MessageRecord> messages_;
    int lastWrites_ = 0;
};

struct FreeDib {
    void operator()(void* p) const { std::free(p); }
};
using Dib = std::unique_ptr<void, FreeDib>;

TEST_F(ClipnailTest, AviFirstFrameEqualsDjpegDecode)
{
    for (const char* name : {"mjpg320.avi", "mjpg640.avi"}) {
        SCOPED_TRACE(name);
        Bytes jpeg;
        const Dib dib(thumbnail(fixture(name), &jpeg));
        ASSERT_NE(dib, nullptr);
        const Picture picture = dibPicture(dib.get());
        const Picture djpeg = readPpm(fixture(std::string(name) + ".djpeg.ppm"));
        ASSERT_FALSE(djpeg.empty());
        EXPECT_EQ(firstDifference(picture, djpeg), "");
        EXPECT_GE(psnr(picture, readPpm(fixture(std::string(name) + ".ffmpeg.ppm"))), 35.0);

        // The stand-alone file: start-of-image, the 420-byte table segment, then the frame after its
        // own start-of-image marker (ffmpeg's frames begin with it): 422 + (frame size - 2) bytes.
        const Bytes frame = readFile(fixture(std::string(name) + ".first.jpg"));
        ASSERT_GE(frame.size(), 2u);
        ASSERT_EQ(frame[0], 0xFF);
        ASSERT_EQ(frame[1], 0xD8);
        ASSERT_EQ(jpeg.size(), 422 + (frame.size() - 2));
        EXPECT_EQ(Bytes(jpeg.begin(), jpeg.begin() + 6), (Bytes{0xFF, 0xD8, 0xFF, 0xC4, 0x01, 0xA2}));
        EXPECT_EQ(Bytes(jpeg.begin() + 418, jpeg.begin() + 422), (Bytes{0xF7, 0xF8, 0xF9, 0xFA}));
        EXPECT_TRUE(std::equal(frame.begin() + 2, frame.end(), jpeg.begin() + 422));
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ClipnailTest, AviHandlerIsComparedCaseSensitively)
{
    EXPECT_EQ(thumbnail(fixture("MJPG320.avi")), nullptr);
    EXPECT_EQ(lastWrites_, 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ClipnailTest, QuickTimeJpegAndMjpaFramesAreWrittenUnchanged)
{
    for (const char* name : {"jpeg320.mov", "jpeg640.mov", "mjpa320.mov"}) {
        SCOPED_TRACE(name);
        Bytes jpeg;
        const Dib dib(thumbnail(fixture(name), &jpeg));
        ASSERT_NE(dib, nullptr);
        EXPECT_EQ(jpeg, readFile(fixture(std::string(name) + ".first.jpg")));
        const Picture picture = dibPicture(dib.get());
        EXPECT_EQ(firstDifference(picture, readPpm(fixture(std::string(name) + ".djpeg.ppm"))), "");
        EXPECT_GE(psnr(picture, readPpm(fixture(std::string(name) + ".ffmpeg.ppm"))), 35.0);
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ClipnailTest, QuickTimeMotionJpegBIsRefused)
{
    EXPECT_EQ(thumbnail(fixture("mjpb320.mov")), nullptr);
    EXPECT_EQ(lastWrites_, 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ClipnailTest, QuickTimeConstantSampleSizeAndSizeTable)
{
    // The fixtures really are of the two kinds: one frame gives a constant size, several a table.
    ASSERT_GT(constantSampleSize(fixture("single320.mov")), 0u);
    ASSERT_NE(constantSampleSize(fixture("single320.mov")), ~0u);
    ASSERT_EQ(constantSampleSize(fixture("jpeg320.mov")), 0u);
    for (const char* name : {"single320.mov", "jpeg320.mov"}) {
        SCOPED_TRACE(name);
        Bytes jpeg;
        const Dib dib(thumbnail(fixture(name), &jpeg));
        ASSERT_NE(dib, nullptr);
        EXPECT_EQ(jpeg, readFile(fixture(std::string(name) + ".first.jpg")));
        EXPECT_EQ(firstDifference(dibPicture(dib.get()), readPpm(fixture(std::string(name) + ".djpeg.ppm"))), "");
    }
}

TEST_F(ClipnailTest, CreationTimeComesBackExactly)
{
    ClipnailSystemTime time{};
    ASSERT_NE(GetMovCreateTime(nullptr, fixture("created.mov").c_str(), &time), 0);
    EXPECT_EQ(time.wYear, 2001);
    EXPECT_EQ(time.wMonth, 2);
    EXPECT_EQ(time.wDay, 3);
    EXPECT_EQ(time.wHour, 4);
    EXPECT_EQ(time.wMinute, 5);
    EXPECT_EQ(time.wSecond, 6);
    EXPECT_EQ(time.wMilliseconds, 0);
    EXPECT_EQ(time.wDayOfWeek, 6);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ClipnailTest, CreationTimeOfZeroIs1904)
{
    // The same movie with the movie header's creation time set to 0, and to the largest 32-bit value.
    Bytes movie = readFile(fixture("created.mov"));
    size_t header = 0;
    for (size_t i = 0; i + 4 <= movie.size(); ++i)
        if (std::memcmp(&movie[i], "mvhd", 4) == 0)
            header = i;
    ASSERT_GT(header, 0u);
    ASSERT_EQ(movie[header + 4], 0) << "expected a version 0 movie header";
    struct Case {
        uint8_t fill;
        ClipnailSystemTime expected;
    };
    for (const Case& c : {Case{0x00, {1904, 1, 5, 1, 0, 0, 0, 0}}, Case{0xFF, {2040, 2, 1, 6, 6, 28, 15, 0}}}) {
        std::fill(movie.begin() + long(header + 8), movie.begin() + long(header + 12), c.fill);
        TempFolder copy;
        writeFile(copy.file("clip.mov"), movie);
        ClipnailSystemTime time{};
        ASSERT_NE(GetMovCreateTime(nullptr, copy.file("clip.mov").c_str(), &time), 0);
        EXPECT_EQ(std::memcmp(&time, &c.expected, sizeof time), 0)
            << time.wYear << "-" << time.wMonth << "-" << time.wDay << " " << time.wHour << ":" << time.wMinute
            << ":" << time.wSecond << " weekday " << time.wDayOfWeek;
    }
}

TEST_F(ClipnailTest, CreationTimeNeedsAMovie)
{
    ClipnailSystemTime time{};
    EXPECT_EQ(GetMovCreateTime(nullptr, fixture("mjpg320.avi").c_str(), &time), 0);
    EXPECT_EQ(GetMovCreateTime(nullptr, fixture("created.mov").c_str(), nullptr), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ClipnailTest, MissingFileIsReportedByEveryExport)
{
    const std::string missing = temp_.path() + "/gone/MVI_0001.AVI";
    const std::string expected = "Can't open " + missing;
    void* owner = &messages_;  // stands for a window: it is only handed through

    EXPECT_EQ(DoAviClipnail(owner, missing.c_str()), nullptr);
    expectMessage(expected);
    EXPECT_EQ(messages_[0].owner, owner);
    messages_.clear();

    EXPECT_EQ(DoMovClipnail(nullptr, missing.c_str()), nullptr);
    expectMessage(expected);
    messages_.clear();

    ClipnailSystemTime time{};
    EXPECT_EQ(GetMovCreateTime(nullptr, missing.c_str(), &time), 0);
    expectMessage(expected);
    messages_.clear();

    EXPECT_EQ(DoAviClipnail(nullptr, ""), nullptr);
    expectMessage("Can't open ");
    messages_.clear();
    EXPECT_EQ(DoMovClipnail(nullptr, nullptr), nullptr);
    expectMessage("Can't open ");
}

TEST_F(ClipnailTest, ThingsThatAreNoMoviesGiveNothingQuietly)
{
    TempFolder other;
    writeFile(other.file("note.avi"), text("RIFF, but only in words"));
    writeFile(other.file("empty.mov"), {});
    EXPECT_EQ(thumbnail(other.file("note.avi")), nullptr);
    EXPECT_EQ(thumbnail(other.file("empty.mov")), nullptr);
    EXPECT_EQ(DoAviClipnail(nullptr, other.path().c_str()), nullptr);  // a folder
    EXPECT_EQ(thumbnail(fixture("mjpg320.avi.first.jpg") + ".mov"), nullptr);  // missing: one message
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(ClipnailTest, NamesThatAreNoRegularFilesAreRefusedAtOnce)
{
    // Nobody ever writes into the FIFO: a call that opened it for reading would wait for ever (the
    // test's time-out is the guard). Such names exist, so there is no "Can't open" message either.
    TempFolder other;
    ASSERT_EQ(mkfifo(other.file("clip.avi").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(other.file("clip.mov").c_str(), 0600), 0);
    std::filesystem::create_symlink(other.file("clip.mov"), other.file("link.mov"));
    EXPECT_EQ(thumbnail(other.file("clip.avi")), nullptr);
    EXPECT_EQ(thumbnail(other.file("clip.mov")), nullptr);
    EXPECT_EQ(thumbnail(other.file("link.mov")), nullptr);
    ClipnailSystemTime time{};
    EXPECT_EQ(GetMovCreateTime(nullptr, other.file("clip.mov").c_str(), &time), 0);
    EXPECT_EQ(DoMovClipnail(nullptr, "/dev/zero"), nullptr);
    EXPECT_EQ(lastWrites_, 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ClipnailTest, MovieListFullOfCandidateLettersIsScannedInOnePass)
{
    // 20 MB of "0" in "movi": every byte starts a possible stream chunk tag and none is one. The call
    // must come back (quickly: the test's time-out is the guard) with no frame and no message.
    TempFolder other;
    const Bytes movie = aviWithHandler("mjpg", filler(20u << 20, '0'));
    writeFile(other.file("zeros.avi"), movie);
    EXPECT_EQ(thumbnail(other.file("zeros.avi")), nullptr);
    EXPECT_EQ(lastWrites_, 0);

    // The same with one real frame at the very end: it is still found.
    const Bytes frame = readFile(fixture("mjpg320.avi.first.jpg"));
    ASSERT_FALSE(frame.empty());
    writeFile(other.file("late.avi"), aviWithHandler("mjpg", filler(20u << 20, '0') + chunk("00dc", frame)));
    const Dib dib(thumbnail(other.file("late.avi")));
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(firstDifference(dibPicture(dib.get()), readPpm(fixture("mjpg320.avi.djpeg.ppm"))), "");
    EXPECT_TRUE(messages_.empty());
}

// Writes `head` at the start and `tail` at `tailAt` of a new sparse file: the hole reads as zeros and
// takes no room.
bool writeSparse(const std::string& path, const Bytes& head, uint64_t tailAt, const Bytes& tail)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::pwrite(fd, head.data(), head.size(), 0) == ssize_t(head.size()) &&
                    ::pwrite(fd, tail.data(), tail.size(), off_t(tailAt)) == ssize_t(tail.size());
    return ::close(fd) == 0 && ok;
}

TEST_F(ClipnailTest, HugeMoviesAreNotReadToTheirEnd)
{
    constexpr uint64_t kHuge = 5ull << 30;
    TempFolder other;
    ClipnailSystemTime time{};

    // 5 GB of nothing: no movie header, found out without reading it all (the test's time-out is the
    // guard), and no picture either.
    ASSERT_TRUE(writeSparse(other.file("empty.mov"), {}, kHuge - 1, Bytes{0}));
    EXPECT_EQ(GetMovCreateTime(nullptr, other.file("empty.mov").c_str(), &time), 0);
    EXPECT_EQ(thumbnail(other.file("empty.mov")), nullptr);

    // A real movie of that size: its movie header after 5 GB of media data is still found, through
    // the top-level atoms.
    const Bytes mdat = be32(1) + text("mdat") + be64(kHuge);
    const Bytes moov = atom("moov", movieHeader(3064017906u));
    const Bytes fileType = atom("ftyp", text("qt  ") + filler(8));
    ASSERT_TRUE(writeSparse(other.file("long.mov"), fileType + mdat, fileType.size() + kHuge, moov));
    ASSERT_NE(GetMovCreateTime(nullptr, other.file("long.mov").c_str(), &time), 0);
    EXPECT_EQ(time.wYear, 2001);
    EXPECT_EQ(time.wMonth, 2);
    EXPECT_EQ(time.wDay, 3);
    EXPECT_EQ(time.wSecond, 6);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ClipnailTest, MissingDecoderLibraryIsReported)
{
    TempFolder empty;
    ClipnailTestSeam seam{};
    seam.decoderFolder = empty.path().c_str();
    ClipnailSetTestSeam(&seam);
    EXPECT_EQ(DoAviClipnail(nullptr, fixture("mjpg320.avi").c_str()), nullptr);
    expectMessage("Not exist QuilJpeg.dll");
}

TEST_F(ClipnailTest, MissingDecoderExportIsReported)
{
    ClipnailTestSeam seam{};
    seam.decoderFolder = CLIPNAIL_NO_EXPORT_DIR;
    ClipnailSetTestSeam(&seam);
    ASSERT_TRUE(std::filesystem::exists(std::string(CLIPNAIL_NO_EXPORT_DIR) + "/libQuilJpeg.so"));
    EXPECT_EQ(DoMovClipnail(nullptr, fixture("jpeg320.mov").c_str()), nullptr);
    expectMessage("Not exist JpegDecoder function");
}

TEST_F(ClipnailTest, RealCameraMoviesGiveAPicture)
{
    std::istringstream list(std::string(reinterpret_cast<const char*>(readFile(fixture("realworld.list")).data()),
                                        readFile(fixture("realworld.list")).size()));
    std::string line;
    int movies = 0;
    while (std::getline(list, line)) {
        const size_t tab1 = line.find('\t');
        const size_t tab2 = line.find('\t', tab1 + 1);
        const size_t tab3 = line.find('\t', tab2 + 1);
        ASSERT_NE(tab3, std::string::npos) << line;
        const std::string kind = line.substr(0, tab1);
        const std::string path = line.substr(tab1 + 1, tab2 - tab1 - 1);
        const std::string reference = line.substr(tab2 + 1, tab3 - tab2 - 1);
        const std::string created = line.substr(tab3 + 1);  // "2023-10-21T10:20:01.000000Z" or empty
        SCOPED_TRACE(path);
        const Dib dib(kind == "avi" ? DoAviClipnail(nullptr, path.c_str()) : DoMovClipnail(nullptr, path.c_str()));
        ASSERT_NE(dib, nullptr);
        const Picture picture = dibPicture(dib.get());
        const Picture ffmpeg = readPpm(reference);
        EXPECT_EQ(picture.width, ffmpeg.width);
        EXPECT_EQ(picture.height, ffmpeg.height);
        EXPECT_GE(psnr(picture, ffmpeg), 35.0);
        if (kind == "mov" && created.size() >= 19) {
            ClipnailSystemTime time{};
            ASSERT_NE(GetMovCreateTime(nullptr, path.c_str(), &time), 0);
            char text[64];
            std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.wYear, time.wMonth, time.wDay,
                          time.wHour, time.wMinute, time.wSecond);
            EXPECT_EQ(std::string(text), created.substr(0, 19));
        }
        ++movies;
    }
    EXPECT_EQ(movies, 2) << "the camera movies of tests/data/realworld/movies_mjpeg (an AVI and a MOV)";
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
