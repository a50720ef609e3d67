// First-frame thumbnails of Motion-JPEG movies: Clipnail (first frame to a packed DIB, then fitted into
// a 128 × 128 box by area averaging, as the browser shows it) beside `ffmpegthumbnailer -s 128 -t 0`
// (a new process per thumbnail, as a file manager runs it) on the same files in one run.
//
// The movies are the test fixtures (scripts/fixtures/movies.sh, made on first use) and any real camera
// movies in the shared test data. Usage: movthumb_bench [repetitions of the peer, default 15]

#include "Clipnail.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBox = 128;  // the thumbnail box of the browser and the peer's -s

uint32_t le32(const uint8_t* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// Fits a 24-bit bottom-up DIB into the box (shrinking only, aspect kept) by averaging the source pixels
// that fall on each thumbnail pixel. Returns a checksum so the work cannot be optimised away.
uint32_t fitIntoBox(const void* dib)
{
    const auto* bytes = static_cast<const uint8_t*>(dib);
    const int width = int(le32(bytes + 4)), height = int(le32(bytes + 8));
    if (width <= 0 || height <= 0 || (le32(bytes + 12) >> 16) != 24)
        return 0;
    const double scale = std::min({1.0, double(kBox) / width, double(kBox) / height});
    const int w = std::max(1, int(width * scale)), h = std::max(1, int(height * scale));
    const size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
    const uint8_t* pixels = bytes + 40;
    std::vector<uint8_t> thumb(size_t(w) * h * 3);
    for (int ty = 0; ty < h; ++ty) {
        const int y0 = ty * height / h, y1 = std::max(y0 + 1, (ty + 1) * height / h);
        for (int tx = 0; tx < w; ++tx) {
            const int x0 = tx * width / w, x1 = std::max(x0 + 1, (tx + 1) * width / w);
            uint32_t sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += pixels[size_t(y) * stride + size_t(x) * 3 + c];
            const uint32_t n = uint32_t((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 3; ++c)
                thumb[(size_t(ty) * w + tx) * 3 + c] = uint8_t(sum[c] / n);
        }
    }
    uint32_t check = 0;
    for (uint8_t v : thumb)
        check = check * 31 + v;
    return check;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Runs a program and waits for it; its output is thrown away.
bool run(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Movie {
    std::string label;
    std::string path;
    bool avi;
};

std::vector<Movie> movies(const std::string& fixtures)
{
    std::vector<Movie> list;
    for (const char* name : {"mjpg320.avi", "mjpg640.avi", "jpeg320.mov", "jpeg640.mov"})
        list.push_back({name, fixtures + "/" + name, std::string(name).find(".avi") != std::string::npos});
    std::ifstream realworld(fixtures + "/realworld.list");
    std::string line;
    while (std::getline(realworld, line)) {
        const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            continue;
        const std::string path = line.substr(tab1 + 1, tab2 - tab1 - 1);
        list.push_back({"camera " + std::filesystem::path(path).filename().string(), path, line.compare(0, 3, "avi") == 0});
    }
    return list;
}

}  // namespace

int main(int argc, char** argv)
{
    const int peerRounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
    const std::string fixtures = std::string(KESTREL_BUILD_DIR) + "/fixtures/movies";
    if (!std::filesystem::exists(fixtures + "/.complete")) {
        const std::string command = "bash '" + std::string(KESTREL_SOURCE_DIR) + "/scripts/fixtures/movies.sh' '" +
                                    fixtures + "' '" + KESTREL_TESTDATA_DIR + "/realworld/movies_mjpeg'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "movthumb_bench: the fixture script failed\n");
            return 1;
        }
    }
    char scratch[] = "/tmp/kestrel-bench-XXXXXX";
    if (!mkdtemp(scratch))
        return 1;
    const std::string thumbnail = std::string(scratch) + "/thumb.png";

    // The peer's own start-up (loading its libraries, printing its version) is shown apart: it is most
    // of the peer's time on movies this small, and too noisy to subtract per file.
    std::vector<double> startTimes;
    for (int round = 0; round < peerRounds; ++round) {
        const auto t0 = Clock::now();
        run({"ffmpegthumbnailer", "-v"});
        startTimes.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    const double start = median(startTimes);

    std::printf("First-frame thumbnail into a %d x %d box, median wall time per file (ms)\n", kBox, kBox);
    std::printf("Clipnail: in-process call + fit; ffmpegthumbnailer -s %d -t 0: one process per thumbnail\n", kBox);
    std::printf("(ffmpegthumbnailer's start-up alone: %.2f ms)\n\n", start);
    std::printf("%-28s %10s %14s %8s\n", "movie", "Clipnail", "ffmpegthumb.", "ratio");
    uint32_t check = 0;
    for (const Movie& movie : movies(fixtures)) {
        auto ours = [&] {
            void* dib = movie.avi ? DoAviClipnail(nullptr, movie.path.c_str()) : DoMovClipnail(nullptr, movie.path.c_str());
            if (!dib)
                return false;
            check += fitIntoBox(dib);
            std::free(dib);
            return true;
        };
        auto peer = [&] {
            return run({"ffmpegthumbnailer", "-i", movie.path, "-o", thumbnail, "-s", std::to_string(kBox), "-t", "0"});
        };
        if (!ours() || !peer()) {
            std::printf("%-28s %10s\n", movie.label.c_str(), "(failed)");
            continue;
        }
        // Interleaved rounds, so that a busy machine slows both alike; ours is cheap, so it runs
        // several times per round and the per-call time is the round's mean.
        std::vector<double> oursTimes, peerTimes;
        for (int round = 0; round < peerRounds; ++round) {
            constexpr int kOursPerRound = 5;
            auto t0 = Clock::now();
            for (int i = 0; i < kOursPerRound; ++i)
                ours();
            oursTimes.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / kOursPerRound);
            t0 = Clock::now();
            peer();
            peerTimes.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        const double a = median(oursTimes), b = median(peerTimes);
        std::printf("%-28s %10.2f %14.2f %7.1fx\n", movie.label.c_str(), a, b, a > 0 ? b / a : 0.0);
    }
    std::printf("\nratio = ffmpegthumbnailer time / Clipnail time (checksum %08x)\n", check);
    std::filesystem::remove_all(scratch);
    return 0;
}
