// The container walks, the frame writer and the time arithmetic of Clipnail, on movies built byte by
// byte in memory: each case places a lying size, a tag across a window boundary or a decoy where it
// matters.

#include "AviScan.h"
#include "FrameWriter.h"
#include "HuffmanTable.h"
#include "MovScan.h"
#include "MovTime.h"
#include "TagScan.h"

#include "movthumb/MovieBuilder.h"
#include "movthumb/MovieFixtures.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace movietest;

namespace {

struct Memory {
    explicit Memory(Bytes bytes) : data(std::move(bytes)) { clip_source_memory(&source, data.data(), data.size()); }
    Bytes data;
    ClipSource source{};
};

size_t find(const Bytes& haystack, const Bytes& needle, size_t from = 0)
{
    for (size_t i = from; i + needle.size() <= haystack.size(); ++i)
        if (std::memcmp(&haystack[i], needle.data(), needle.size()) == 0)
            return i;
    return std::string::npos;
}

// ---------------------------------------------------------------- AVI

TEST(AviScanTest, FindsFirstVideoChunkBehindAudio)
{
    const Bytes frame = frameBytes(300);
    Memory avi(aviWithHandler("mjpg", chunk("01wb", filler(100, 0x80)) + chunk("00dc", frame) + chunk("00dc", frameBytes(50, 9))));
    AviScan scan;
    ASSERT_EQ(avi_scan(&avi.source, &scan), 0);
    EXPECT_TRUE(scan.audio_chunk.found);
    EXPECT_TRUE(scan.video_strh.found);
    EXPECT_EQ(scan.frame.size, frame.size());
    EXPECT_EQ(scan.frame.offset, find(avi.data, text("00dc")) + 8);
}

TEST(AviScanTest, RefusesOtherHandlersAndNonAviFiles)
{
    for (const char* handler : {"MJPG", "mjpG", "dvsd", "\0\0\0\0"}) {
        Memory avi(aviWithHandler(handler, chunk("00dc", frameBytes(64))));
        AviScan scan;
        EXPECT_NE(avi_scan(&avi.source, &scan), 0) << handler;
    }
    Bytes wave = aviWithHandler("mjpg", chunk("00dc", frameBytes(64)));
    std::memcpy(&wave[8], "WAVE", 4);
    Memory notAvi(wave);
    AviScan scan;
    EXPECT_NE(avi_scan(&notAvi.source, &scan), 0);
    Memory empty(Bytes{});
    EXPECT_NE(avi_scan(&empty.source, &scan), 0);
}

TEST(AviScanTest, StreamDigitIsNotComparedAndEmptyVideoChunksArePassedOver)
{
    const Bytes frame = frameBytes(80);
    Memory avi(aviWithHandler("mjpg", chunk("00dc", {}) + chunk("07dc", frame)));
    AviScan scan;
    ASSERT_EQ(avi_scan(&avi.source, &scan), 0);
    EXPECT_EQ(scan.frame.size, frame.size());
    EXPECT_EQ(scan.frame.offset, find(avi.data, text("07dc")) + 8);
}

TEST(AviScanTest, DoesNotLookInsideRecognisedChunks)
{
    // A decoy video chunk inside an audio chunk's data must not be taken for the frame.
    const Bytes decoy = chunk("00dc", frameBytes(40, 3));
    const Bytes frame = frameBytes(90, 5);
    Memory avi(aviWithHandler("mjpg", chunk("01wb", decoy) + chunk("00dc", frame)));
    AviScan scan;
    ASSERT_EQ(avi_scan(&avi.source, &scan), 0);
    EXPECT_EQ(scan.frame.size, frame.size());
    EXPECT_EQ(scan.frame.offset, find(avi.data, text("00dc"), find(avi.data, text("01wb")) + 8 + decoy.size()) + 8);
}

TEST(AviScanTest, FindsTagsAcrossWindowBoundaries)
{
    // The movi scan starts right after the list type; its first window ends 32,768 bytes later. A JUNK
    // chunk (not a wanted tag) fills the window so that the video tag starts at each of the last bytes.
    for (size_t lead : {1u, 2u, 3u, 4u}) {
        const size_t junkData = CLIP_SCAN_WINDOW - lead - 8;
        const Bytes junk = text("JUNK") + le32(uint32_t(junkData)) + filler(junkData, 0x11);  // unpadded on purpose
        const Bytes frame = frameBytes(64);
        Memory avi(aviWithHandler("mjpg", junk + chunk("00dc", frame)));
        AviScan scan;
        ASSERT_EQ(avi_scan(&avi.source, &scan), 0) << lead;
        const size_t moviStart = find(avi.data, text("movi")) + 4;
        const size_t tag = find(avi.data, text("00dc"));
        EXPECT_EQ(tag - moviStart, CLIP_SCAN_WINDOW - lead);
        EXPECT_EQ(scan.frame.offset, tag + 8);
    }
}

TEST(AviScanTest, SizesFromDamagedFilesStayInsideTheFile)
{
    // A video chunk that claims more data than the file holds: only the bytes present count.
    Bytes bytes = aviWithHandler("mjpg", chunk("00dc", frameBytes(100)));
    const size_t tag = find(bytes, text("00dc"));
    const Bytes huge = le32(0xFFFFFFF0u);
    std::copy(huge.begin(), huge.end(), bytes.begin() + long(tag + 4));
    Memory lying(bytes);
    AviScan scan;
    ASSERT_EQ(avi_scan(&lying.source, &scan), 0);
    EXPECT_EQ(scan.frame.offset + scan.frame.size, bytes.size());

    // A file cut right after a video chunk's header has no frame at all.
    Bytes cut(bytes.begin(), bytes.begin() + long(tag + 8));
    Memory truncated(cut);
    EXPECT_NE(avi_scan(&truncated.source, &scan), 0);

    // Lists with a size of 0 are refused; lists whose size runs past the end are scanned to the end.
    Bytes zero = aviWithHandler("mjpg", chunk("00dc", frameBytes(100)));
    const size_t hdrl = find(zero, text("hdrl"));
    const Bytes nothing = le32(0);
    std::copy(nothing.begin(), nothing.end(), zero.begin() + long(hdrl - 4));
    Memory zeroList(zero);
    EXPECT_NE(avi_scan(&zeroList.source, &scan), 0);

    Bytes longMovi = aviWithHandler("mjpg", chunk("00dc", frameBytes(100)));
    const size_t movi = find(longMovi, text("movi"));
    std::copy(huge.begin(), huge.end(), longMovi.begin() + long(movi - 4));
    Memory runOn(longMovi);
    ASSERT_EQ(avi_scan(&runOn.source, &scan), 0);
    EXPECT_EQ(scan.frame.size, 100u);
}

TEST(AviScanTest, ShortStreamHeaderIsNotReadPastItsEnd)
{
    // A "strh" of 4 bytes holds a stream type but no handler: the handler bytes that follow belong to
    // the next chunk and must not make the stream Motion-JPEG.
    const Bytes header = list("hdrl", chunk("strh", text("vids")) + chunk("mjpg", filler(8)));
    Memory avi(riffAvi(header + list("movi", chunk("00dc", frameBytes(64)))));
    AviScan scan;
    EXPECT_NE(avi_scan(&avi.source, &scan), 0);
    EXPECT_FALSE(scan.mjpeg);
}

// ---------------------------------------------------------------- frame writer

TEST(FrameWriterTest, StartOfImageIsFoundAnywhereInTheFrame)
{
    struct Case {
        Bytes frame;
        int64_t expected;
    };
    Bytes straddling(CLIP_COPY_PIECE + 10, 0x55);
    straddling[CLIP_COPY_PIECE - 1] = 0xFF;  // the marker's halves fall into two read pieces
    straddling[CLIP_COPY_PIECE] = 0xD8;
    const Case cases[] = {
        {{0xFF, 0xD8, 1, 2}, 0},
        {{7, 7, 7, 0xFF, 0xD8, 0xFF}, 3},
        {{0xFF, 0xFF, 0xD8}, 1},
        {{0xD8, 0xFF}, -1},
        {{0xFF}, -1},
        {{}, -1},
        {straddling, CLIP_COPY_PIECE - 1},
    };
    for (const Case& c : cases) {
        Memory memory(c.frame);
        const ClipFrame frame{0, c.frame.size()};
        EXPECT_EQ(clip_find_start_of_image(&memory.source, &frame), c.expected) << c.frame.size();
    }
}

TEST(FrameWriterTest, AviFrameGetsMarkerTablesAndTheRest)
{
    TempFolder temp;
    const Bytes frame = Bytes{9, 9} + frameBytes(CLIP_COPY_PIECE * 2 + 77);
    Memory memory(frame);
    const ClipFrame whole{0, frame.size()};
    const std::string path = temp.file("out.jpg");
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(clip_write_avi_jpeg(&memory.source, &whole, fileno(out)), 0);
    std::fclose(out);

    const Bytes written = readFile(path);
    // Start-of-image at offset 2 of the frame: the two bytes before it and the marker itself go.
    ASSERT_EQ(written.size(), 422 + (frame.size() - 2) - 2);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 2), (Bytes{0xFF, 0xD8}));
    EXPECT_TRUE(std::equal(clip_huffman_segment, clip_huffman_segment + 420, written.begin() + 2));
    EXPECT_TRUE(std::equal(frame.begin() + 4, frame.end(), written.begin() + 422));

    // Without a start-of-image marker nothing is written.
    const Bytes noMarker(100, 0x42);
    Memory bare(noMarker);
    const ClipFrame bareFrame{0, noMarker.size()};
    FILE* second = std::fopen(temp.file("bare.jpg").c_str(), "wb");
    EXPECT_NE(clip_write_avi_jpeg(&bare.source, &bareFrame, fileno(second)), 0);
    std::fclose(second);
    EXPECT_TRUE(readFile(temp.file("bare.jpg")).empty());
}

TEST(FrameWriterTest, HuffmanSegmentIsTheFourTypicalTables)
{
    const uint8_t* s = clip_huffman_segment;
    ASSERT_EQ(s[0], 0xFF);
    ASSERT_EQ(s[1], 0xC4);
    EXPECT_EQ(s[2] << 8 | s[3], 418);
    // Each table: class/id, 16 counts, then as many symbols as the counts add up to; every code length
    // must leave room for the next (a valid canonical code).
    size_t at = 4;
    const uint8_t expectedIds[] = {0x00, 0x01, 0x10, 0x11};
    const size_t expectedSymbols[] = {12, 12, 162, 162};
    for (int t = 0; t < 4; ++t) {
        ASSERT_LT(at + 17, size_t(CLIP_HUFFMAN_SEGMENT_SIZE));
        EXPECT_EQ(s[at], expectedIds[t]);
        size_t symbols = 0;
        uint32_t code = 0;
        for (int length = 1; length <= 16; ++length) {
            code = (code << 1) + s[at + length];
            EXPECT_LE(code, 1u << length) << "table " << t << " length " << length;
            symbols += s[at + length];
        }
        EXPECT_EQ(symbols, expectedSymbols[t]);
        at += 17 + symbols;
    }
    EXPECT_EQ(at, size_t(CLIP_HUFFMAN_SEGMENT_SIZE));
}

TEST(FrameWriterTest, TemporaryFilesAreNewAndUnique)
{
    TempFolder temp;
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved ? saved : "";
    setenv("TMPDIR", temp.path().c_str(), 1);
    char* first = nullptr;
    char* second = nullptr;
    const int a = clip_temp_create(&first);
    const int b = clip_temp_create(&second);
    if (saved)
        setenv("TMPDIR", previous.c_str(), 1);
    else
        unsetenv("TMPDIR");
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    close(a);
    close(b);
    EXPECT_STRNE(first, second);
    for (const char* path : {first, second}) {
        const std::string name = std::filesystem::path(path).filename().string();
        EXPECT_EQ(name.rfind("KST", 0), 0u) << name;
        EXPECT_EQ(std::filesystem::path(path).parent_path().string(), temp.path());
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
    }
    std::free(first);
    std::free(second);
}

// ---------------------------------------------------------------- QuickTime

Bytes videoTables(const char* format, uint32_t constant, const std::vector<uint32_t>& sizes,
                  const std::vector<uint32_t>& offsets)
{
    return sampleDescription(format) + atom("stts", filler(16)) + sampleSizes(constant, sizes) +
           chunkOffsets(offsets);
}

// mdat (holding the frame) first, then moov with a sound track and a video track.
Bytes quickTime(const char* format, uint32_t constant, uint32_t firstSize, const Bytes& frame, uint32_t creation = 0)
{
    const Bytes mdat = atom("mdat", frame);
    const uint32_t offset = 8;
    const Bytes moov = atom("moov", movieHeader(creation) +
                                        track(mediaInfo("smhd", videoTables("raw ", 1, {}, {offset}))) +
                                        track(mediaInfo("vmhd", videoTables(format, constant, {firstSize, 5}, {offset}))));
    return mdat + moov;
}

TEST(MovScanTest, ConstantSampleSizeAndSizeTable)
{
    const Bytes frame = frameBytes(500);
    MovScan scan;
    Memory table(quickTime("jpeg", 0, 500, frame));
    ASSERT_EQ(mov_scan(&table.source, &scan), 0);
    EXPECT_EQ(scan.frame.offset, 8u);
    EXPECT_EQ(scan.frame.size, 500u);
    EXPECT_TRUE(scan.sound_minf.found);

    Memory constant(quickTime("mjpa", 320, 999, frame));
    ASSERT_EQ(mov_scan(&constant.source, &scan), 0);
    EXPECT_EQ(scan.frame.size, 320u);
}

TEST(MovScanTest, RefusesOtherFormatsAndEmptyTables)
{
    const Bytes frame = frameBytes(100);
    MovScan scan;
    for (const char* format : {"mjpb", "JPEG", "avc1"}) {
        Memory other(quickTime(format, 0, 100, frame));
        EXPECT_NE(mov_scan(&other.source, &scan), 0) << format;
    }
    // Sample size 0 with an empty size table; no chunk offsets.
    const Bytes noSizes = atom("mdat", frame) +
                          atom("moov", movieHeader(0) + track(mediaInfo("vmhd", sampleDescription("jpeg") +
                                                                                    sampleSizes(0, {}) + chunkOffsets({8}))));
    Memory a(noSizes);
    EXPECT_NE(mov_scan(&a.source, &scan), 0);
    const Bytes noOffsets = atom("mdat", frame) +
                            atom("moov", movieHeader(0) + track(mediaInfo("vmhd", sampleDescription("jpeg") +
                                                                                      sampleSizes(100, {}) + chunkOffsets({}))));
    Memory b(noOffsets);
    EXPECT_NE(mov_scan(&b.source, &scan), 0);
    // A movie with sound only.
    const Bytes soundOnly =
        atom("mdat", frame) + atom("moov", track(mediaInfo("smhd", videoTables("jpeg", 100, {}, {8}))));
    Memory c(soundOnly);
    EXPECT_NE(mov_scan(&c.source, &scan), 0);
}

TEST(MovScanTest, LaterVideoTrackReplacesEarlierOne)
{
    const Bytes first = frameBytes(100, 1);
    const Bytes second = frameBytes(200, 2);
    const Bytes mdat = atom("mdat", first + second);
    const Bytes moov = atom("moov", movieHeader(0) + track(mediaInfo("vmhd", videoTables("jpeg", 100, {}, {8}))) +
                                        track(mediaInfo("vmhd", videoTables("jpeg", 200, {}, {108}))));
    Memory movie(mdat + moov);
    MovScan scan;
    ASSERT_EQ(mov_scan(&movie.source, &scan), 0);
    EXPECT_EQ(scan.frame.offset, 108u);
    EXPECT_EQ(scan.frame.size, 200u);
}

TEST(MovScanTest, OffsetsAndSizesFromDamagedFilesStayInsideTheFile)
{
    const Bytes frame = frameBytes(100);
    MovScan scan;
    Memory pastEnd(quickTime("jpeg", 0xFFFFFF00u, 0, frame));
    ASSERT_EQ(mov_scan(&pastEnd.source, &scan), 0);
    EXPECT_EQ(scan.frame.offset + scan.frame.size, pastEnd.data.size());

    const Bytes badOffset = atom("mdat", frame) +
                            atom("moov", track(mediaInfo("vmhd", videoTables("jpeg", 100, {}, {0xFFFFFFF0u}))));
    Memory outside(badOffset);
    EXPECT_NE(mov_scan(&outside.source, &scan), 0);

    // A table atom too short for the field it should hold is not read past its end.
    const Bytes shortTable = atom("mdat", frame) +
                             atom("moov", track(mediaInfo("vmhd", sampleDescription("jpeg") + atom("stsz", filler(4)) +
                                                                      chunkOffsets({8}) + be32(100))));
    Memory cut(shortTable);
    EXPECT_NE(mov_scan(&cut.source, &scan), 0);
}

TEST(MovScanTest, TopLevelSkipsWholeAtomsWhateverTheirSizeForm)
{
    const Bytes frame = frameBytes(64);
    const Bytes decoy = atom("moov", movieHeader(111));
    const Bytes realMoov = atom("moov", movieHeader(222) + track(mediaInfo("vmhd", videoTables("jpeg", 64, {}, {16}))));

    // A 64-bit mdat (size field 1): the decoy inside it must not be found.
    const Bytes contents = frame + decoy;
    const Bytes wide = be32(1) + text("mdat") + be64(16 + contents.size()) + contents;
    Memory wideMovie(wide + realMoov);
    MovScan scan;
    ASSERT_EQ(mov_scan_top_level(&wideMovie.source, &scan), 0);
    EXPECT_EQ(scan.moov.position, wide.size());
    ASSERT_EQ(mov_scan(&wideMovie.source, &scan), 0);
    EXPECT_EQ(scan.frame.offset, 16u);

    // Sizes below the header's own length would stop a walk or send it backwards; they are no atoms.
    for (uint32_t bad : {2u, 4u, 7u}) {
        const Bytes broken = be32(bad) + text("mdat") + frame + realMoov;
        Memory movie(broken);
        ASSERT_EQ(mov_scan_top_level(&movie.source, &scan), 0) << bad;
        EXPECT_EQ(scan.moov.position, 8 + frame.size());
        EXPECT_FALSE(scan.mdat.found);
    }

    // A last atom of size 0 runs to the end of the file.
    const Bytes toEnd = realMoov + be32(0) + text("mdat") + frame + decoy;
    Memory open(toEnd);
    ASSERT_EQ(mov_scan_top_level(&open.source, &scan), 0);
    EXPECT_EQ(scan.moov.position, 0u);
    EXPECT_EQ(scan.mdat.size, 8 + frame.size() + decoy.size());
}

TEST(MovScanTest, CreationTimeFromEitherHeaderVersionWhereverTheHeaderSits)
{
    MovScan scan;
    uint64_t seconds = 0;

    Memory first(atom("moov", movieHeader(3064017906u)));
    ASSERT_EQ(mov_scan_top_level(&first.source, &scan), 0);
    ASSERT_EQ(mov_creation_seconds(&first.source, &scan, &seconds), 0);
    EXPECT_EQ(seconds, 3064017906u);

    const Bytes version1 = atom("mvhd", Bytes{1, 0, 0, 0} + be64(0x123456789ull) + be64(0) + filler(96));
    Memory wide(atom("moov", version1));
    ASSERT_EQ(mov_scan_top_level(&wide.source, &scan), 0);
    ASSERT_EQ(mov_creation_seconds(&wide.source, &scan, &seconds), 0);
    EXPECT_EQ(seconds, 0x123456789ull);

    // A movie whose first child is not the movie header: the header is looked for, not guessed.
    Memory later(atom("moov", atom("udta", filler(20, 0x77)) + movieHeader(12345)));
    ASSERT_EQ(mov_scan_top_level(&later.source, &scan), 0);
    ASSERT_EQ(mov_creation_seconds(&later.source, &scan, &seconds), 0);
    EXPECT_EQ(seconds, 12345u);

    Memory none(atom("moov", atom("udta", filler(20))));
    ASSERT_EQ(mov_scan_top_level(&none.source, &scan), 0);
    EXPECT_NE(mov_creation_seconds(&none.source, &scan, &seconds), 0);

    Memory cut(atom("moov", atom("mvhd", filler(6))));
    ASSERT_EQ(mov_scan_top_level(&cut.source, &scan), 0);
    EXPECT_NE(mov_creation_seconds(&cut.source, &scan, &seconds), 0);

    Memory noMovie(atom("mdat", filler(40)));
    EXPECT_NE(mov_scan_top_level(&noMovie.source, &scan), 0);
}

// ---------------------------------------------------------------- time arithmetic

ClipnailSystemTime timeFrom1904(uint64_t seconds, int* ok)
{
    ClipnailSystemTime time{};
    *ok = clip_time_from_1904(seconds, &time);
    return time;
}

void expectTime(const ClipnailSystemTime& t, int year, int month, int day, int hour, int minute, int second, int weekday)
{
    EXPECT_EQ(t.wYear, year);
    EXPECT_EQ(t.wMonth, month);
    EXPECT_EQ(t.wDay, day);
    EXPECT_EQ(t.wHour, hour);
    EXPECT_EQ(t.wMinute, minute);
    EXPECT_EQ(t.wSecond, second);
    EXPECT_EQ(t.wMilliseconds, 0);
    EXPECT_EQ(t.wDayOfWeek, weekday);
}

TEST(MovTimeTest, SecondsSince1904)
{
    int ok = 0;
    expectTime(timeFrom1904(0, &ok), 1904, 1, 1, 0, 0, 0, 5);
    EXPECT_TRUE(ok);
    expectTime(timeFrom1904(3064017906u, &ok), 2001, 2, 3, 4, 5, 6, 6);
    EXPECT_TRUE(ok);
    expectTime(timeFrom1904(0xFFFFFFFFu, &ok), 2040, 2, 6, 6, 28, 15, 1);
    EXPECT_TRUE(ok);
    // 1904 and 2000 are leap years, 1900 and 2100 are not.
    expectTime(timeFrom1904(59u * 86400u, &ok), 1904, 2, 29, 0, 0, 0, 1);
    EXPECT_TRUE(ok);
}

TEST(MovTimeTest, LimitsOfTheSixtyFourBitArithmetic)
{
    int ok = 0;
    // The largest count a conversion back accepts is 2^63 - 1 (in 30828); one second more fails.
    const ClipnailSystemTime last = timeFrom1904(912775574885ull, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(last.wYear, 30828);
    timeFrom1904(912775574886ull, &ok);
    EXPECT_FALSE(ok);
    // The sum overflows 64 bits; the product overflows 64 bits.
    timeFrom1904(1844674407370ull, &ok);
    EXPECT_FALSE(ok);
    timeFrom1904(1844674407371ull, &ok);
    EXPECT_FALSE(ok);
    timeFrom1904(UINT64_MAX, &ok);
    EXPECT_FALSE(ok);
}

TEST(MovTimeTest, ConversionsCheckTheirFields)
{
    uint64_t fileTime = 0;
    const ClipnailSystemTime good{2000, 2, 0, 29, 23, 59, 59, 999};
    ASSERT_TRUE(clip_system_to_file_time(&good, &fileTime));
    ClipnailSystemTime back{};
    ASSERT_TRUE(clip_file_to_system_time(fileTime, &back));
    EXPECT_EQ(back.wYear, 2000);
    EXPECT_EQ(back.wMonth, 2);
    EXPECT_EQ(back.wDay, 29);
    EXPECT_EQ(back.wMilliseconds, 999);
    EXPECT_EQ(back.wDayOfWeek, 2);  // a Tuesday

    const ClipnailSystemTime bad[] = {
        {1900, 2, 0, 29, 0, 0, 0, 0}, {1600, 1, 0, 1, 0, 0, 0, 0}, {2001, 13, 0, 1, 0, 0, 0, 0},
        {2001, 4, 0, 31, 0, 0, 0, 0}, {2001, 1, 0, 0, 0, 0, 0, 0},  {2001, 1, 0, 1, 24, 0, 0, 0},
        {2001, 1, 0, 1, 0, 60, 0, 0}, {2001, 1, 0, 1, 0, 0, 60, 0}, {2001, 1, 0, 1, 0, 0, 0, 1000},
    };
    for (const ClipnailSystemTime& t : bad)
        EXPECT_FALSE(clip_system_to_file_time(&t, &fileTime)) << t.wYear << "-" << t.wMonth << "-" << t.wDay;

    const ClipnailSystemTime first{1601, 1, 0, 1, 0, 0, 0, 0};
    ASSERT_TRUE(clip_system_to_file_time(&first, &fileTime));
    EXPECT_EQ(fileTime, 0u);
    EXPECT_FALSE(clip_file_to_system_time(0x8000000000000000ull, &back));
}

}  // namespace
