// Per-frame time of every request the program and the ImgShift sibling make of dvcdec (shapes
// 0x00, 0x10, 0x20, 0x40, 0x80 at scales 1, 1/2, 1/4, 1/8, 24-bit output) beside libavcodec's DV
// decoder on one thread plus swscale's bilinear scaler to BGR24 at the same output size, on the
// same frames in one run; the eighth scale also beside libavcodec's own eighth-size decode
// (lowres 3), and the full size beside libdv.
//
// Measured on the development machine (2 cores shared with other builds, AVX2, grain 3), dvcdec time
// / peer time, shapes 0x00 0x10 0x20 0x40 0x80:
//   525/60  1/1  0.81 0.79 0.96 0.92 0.93   1/2  0.44 0.41 0.44 0.45 0.46
//           1/4  0.23 0.20 0.20 0.20 0.19   1/8  0.01 0.01 0.02 0.02 0.02
//   625/50  1/1  0.96 0.93 0.73 0.78 0.78   1/2  0.38 0.37 0.38 0.38 0.37
//           1/4  0.20 0.20 0.21 0.20 0.19   1/8  0.02 0.01 0.02 0.02 0.02
//   1/8 against lowres 3: 0.018 (525/60), 0.020 (625/50); a thread's first call, which builds the
//   tables in a fresh work area, 0.078, 0.075 (the program keeps each thread's area between calls).
//   Full size with de-interlacing (peer without): 0x20+adaptive 1.11 / 0.86, 0x80+interpolated
//   1.03 / 0.87 (525/60 / 625/50).
// At full size the resampled shapes cost 0.1-0.15 ms over the native picture, adaptive
// de-interlacing about 0.3 ms; what remains of the ratio is the decode itself.
//
// The frames are made here: synthetic pictures (smooth colour, hard edges and noise, the mix that
// camera footage stresses a decoder with) encoded by libavcodec's DV encoder as 525/60 4:1:1 and
// 625/50 4:2:0. Usage: dvcdec_bench [seconds per system, default 2] [grain, default 3]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libdv/dv.h>
#include <libswscale/swscale.h>
}

#include "Vistra32.h"

namespace {

constexpr int kWidth = 720;
// A .dvf frame drops the first audio block (block 6) of each 150-block DIF sequence.
constexpr int kBlock = 80;
constexpr int kSequenceBlocks = 150;
constexpr int kFirstAudio = 6;

struct System {
    const char *name;
    int height;
    AVPixelFormat format;
    AVRational rate;
    int sequences;
    const char *tag;
};

const System kSystems[] = {
    {"525/60 4:1:1", 480, AV_PIX_FMT_YUV411P, {30000, 1001}, 10, "SD5"},
    {"625/50 4:2:0", 576, AV_PIX_FMT_YUV420P, {25, 1}, 12, "SD6"},
};

[[noreturn]] void Fail(const char *what)
{
    std::fprintf(stderr, "dvcdec_bench: %s\n", what);
    std::exit(1);
}

// Smooth colour gradients, bars with hard edges, a fine checkerboard and noise of +-`grain` levels.
std::vector<uint8_t> MakePicture(int height, unsigned seed, int grain)
{
    std::vector<uint8_t> bgr(static_cast<size_t>(kWidth) * height * 3);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-grain, grain);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t *p = &bgr[(static_cast<size_t>(y) * kWidth + x) * 3];
            double r = 128 + 100 * std::sin(x / 37.0) * std::cos(y / 29.0), g = 255.0 * y / height, b = 255.0 * x / kWidth;
            if (y > height / 2 && x < kWidth / 2) {
                int bar = x / 45;
                r = (bar & 1) ? 230 : 20;
                g = (bar & 2) ? 230 : 20;
                b = (bar & 4) ? 230 : 20;
            }
            if (y < height / 4 && x > kWidth * 3 / 4)
                r = g = b = ((x / 3 + y / 3) & 1) ? 220 : 30;
            int n = noise(random);
            p[0] = static_cast<uint8_t>(std::clamp(b + n, 0.0, 255.0));
            p[1] = static_cast<uint8_t>(std::clamp(g + n, 0.0, 255.0));
            p[2] = static_cast<uint8_t>(std::clamp(r + n, 0.0, 255.0));
        }
    }
    return bgr;
}

// Encodes one picture; returns the raw DIF frame (150 blocks per sequence).
std::vector<uint8_t> Encode(const System &system, const std::vector<uint8_t> &bgr)
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec)
        Fail("no DV encoder in libavcodec");
    AVCodecContext *ctx = avcodec_alloc_context3(codec);
    ctx->width = kWidth;
    ctx->height = system.height;
    ctx->pix_fmt = system.format;
    ctx->time_base = av_inv_q(system.rate);
    ctx->thread_count = 1;
    if (avcodec_open2(ctx, codec, nullptr) < 0)
        Fail("cannot open the DV encoder");

    AVFrame *frame = av_frame_alloc();
    frame->format = system.format;
    frame->width = kWidth;
    frame->height = system.height;
    av_frame_get_buffer(frame, 32);
    SwsContext *sws = sws_getContext(kWidth, system.height, AV_PIX_FMT_BGR24, kWidth, system.height, system.format,
                                     SWS_BICUBIC, nullptr, nullptr, nullptr);
    const uint8_t *src[1] = {bgr.data()};
    const int srcStride[1] = {kWidth * 3};
    sws_scale(sws, src, srcStride, 0, system.height, frame->data, frame->linesize);
    frame->pts = 0;

    AVPacket *packet = av_packet_alloc();
    std::vector<uint8_t> out;
    if (avcodec_send_frame(ctx, frame) < 0 || avcodec_send_frame(ctx, nullptr) < 0 ||
        avcodec_receive_packet(ctx, packet) < 0)
        Fail("DV encoding failed");
    out.assign(packet->data, packet->data + packet->size);
    if (out.size() != static_cast<size_t>(system.sequences) * kSequenceBlocks * kBlock)
        Fail("unexpected DV frame size");
    av_packet_free(&packet);
    sws_freeContext(sws);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return out;
}

void PutBE32(std::vector<uint8_t> &v, uint32_t x)
{
    for (int s = 24; s >= 0; s -= 8)
        v.push_back(static_cast<uint8_t>(x >> s));
}

std::vector<uint8_t> MakeFrameFile(const System &system, const std::vector<uint8_t> &raw)
{
    const uint32_t data = system.sequences * (kSequenceBlocks - 1) * kBlock;
    std::vector<uint8_t> file = {'D', 'V', 'F', ' ', '1', '.', '0', '0'};
    for (int i = 0; i < 3; ++i)
        file.push_back(static_cast<uint8_t>(system.tag[i]));
    file.push_back(0);
    PutBE32(file, data + DVCDEC_HEADER_SIZE);
    PutBE32(file, data);
    PutBE32(file, DVCDEC_HEADER_SIZE);
    file.resize(DVCDEC_HEADER_SIZE, 0);
    for (int s = 0; s < system.sequences; ++s) {
        const uint8_t *sequence = raw.data() + static_cast<size_t>(s) * kSequenceBlocks * kBlock;
        file.insert(file.end(), sequence, sequence + kFirstAudio * kBlock);
        file.insert(file.end(), sequence + (kFirstAudio + 1) * kBlock, sequence + kSequenceBlocks * kBlock);
    }
    return file;
}

// Times several decoders in interleaved rounds, so that a busy machine slows them alike; reports
// each decoder's fastest single call in milliseconds. On a shared machine other loads only ever add
// time, and a call is short enough that many of them run undisturbed.
std::vector<double> MeasureInterleaved(double seconds, const std::vector<std::function<void()>> &calls)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kMinimumRounds = 30;
    std::vector<double> fastest(calls.size(), 1e9);
    for (const auto &call : calls)
        call(); // warm caches and lazily built tables
    const auto start = Clock::now();
    for (int round = 0;
         round < kMinimumRounds || std::chrono::duration<double>(Clock::now() - start).count() < seconds; ++round) {
        for (size_t i = 0; i < calls.size(); ++i) {
            const auto t0 = Clock::now();
            calls[i]();
            fastest[i] = std::min(fastest[i], std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
    }
    return fastest;
}

// The program's own bit, set in every request it makes.
constexpr uint32_t kProgramBit = 0x4000000;

struct Size {
    int width, height;
    bool operator==(const Size &o) const { return width == o.width && height == o.height; }
};

// Output size of a request, read back from the bitmap header dvcdec wrote.
Size BitmapSize(const std::vector<uint8_t> &output)
{
    int32_t w, h;
    std::memcpy(&w, output.data() + 4, 4);
    std::memcpy(&h, output.data() + 8, 4);
    return {w, h};
}

// libavcodec's DV decoder on one thread, optionally at a reduced size (lowres 1-3).
class Peer {
public:
    Peer(const std::vector<uint8_t> &raw, int lowres) : raw_(raw)
    {
        const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
        ctx_ = avcodec_alloc_context3(codec);
        ctx_->thread_count = 1;
        ctx_->lowres = lowres;
        if (avcodec_open2(ctx_, codec, nullptr) < 0)
            Fail("cannot open the DV decoder");
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
    }
    ~Peer()
    {
        for (auto &s : scalers_)
            sws_freeContext(s.second);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&ctx_);
    }
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    // Decodes the frame and scales it bilinearly to BGR24 at `size`.
    void Run(Size size, std::vector<uint8_t> &bgr)
    {
        av_new_packet(packet_, static_cast<int>(raw_.size()));
        std::memcpy(packet_->data, raw_.data(), raw_.size());
        if (avcodec_send_packet(ctx_, packet_) < 0 || avcodec_receive_frame(ctx_, frame_) < 0)
            Fail("libavcodec could not decode the frame");
        av_packet_unref(packet_);
        SwsContext *&sws = Scaler(size);
        sws = sws_getCachedContext(sws, frame_->width, frame_->height, static_cast<AVPixelFormat>(frame_->format),
                                   size.width, size.height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
        bgr.resize(static_cast<size_t>(size.width) * size.height * 3);
        uint8_t *dst[1] = {bgr.data()};
        const int dstStride[1] = {size.width * 3};
        sws_scale(sws, frame_->data, frame_->linesize, 0, frame_->height, dst, dstStride);
    }

private:
    SwsContext *&Scaler(Size size)
    {
        for (auto &s : scalers_)
            if (s.first == size)
                return s.second;
        scalers_.push_back({size, nullptr});
        return scalers_.back().second;
    }

    const std::vector<uint8_t> &raw_;
    AVCodecContext *ctx_ = nullptr;
    AVPacket *packet_ = nullptr;
    AVFrame *frame_ = nullptr;
    std::vector<std::pair<Size, SwsContext *>> scalers_;
};

}  // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int grain = argc > 2 ? std::atoi(argv[2]) : 3;
    av_log_set_level(AV_LOG_ERROR);
    std::printf("Per-frame time of each dvcdec request against libavcodec dvvideo + swscale bilinear to BGR24 at\n"
                "the same output size, one thread, same frame, interleaved rounds (ms; ratio = dvcdec / peer)\n\n");

    const uint32_t shapes[5] = {DVCDEC_SHAPE_NONE, DVCDEC_SHAPE_NATIVE, DVCDEC_SHAPE_4_3, DVCDEC_SHAPE_16_9,
                                DVCDEC_SHAPE_LETTERBOX};
    const uint32_t scales[4] = {1, 2, 4, 8};
    double worst = 0;
    for (const System &system : kSystems) {
        const auto raw = Encode(system, MakePicture(system.height, 7, grain));
        const auto file = MakeFrameFile(system, raw);
        // Every request, its output size, and one peer call per distinct size. Each request keeps
        // its work area, as the peer keeps its open decoder: both are measured with their tables
        // built (a fresh work area's set-up is measured apart).
        struct Row {
            uint32_t mode;
            Size size;
            size_t peer;
            std::vector<uint8_t> output, work;
        };
        std::vector<Row> rows;
        std::vector<Size> peerSizes;
        // The program's shapes at every scale, then the full-size shapes with de-interlacing as the
        // DV picture settings may ask (the peer does not de-interlace: those ratios are an upper
        // bound of the fair one).
        std::vector<uint32_t> modes;
        for (uint32_t scale : scales)
            for (uint32_t shape : shapes)
                modes.push_back(shape | scale);
        modes.push_back(DVCDEC_SCALE_1 | DVCDEC_SHAPE_4_3 | DVCDEC_DEINTERLACE_EVEN);
        modes.push_back(DVCDEC_SCALE_1 | DVCDEC_SHAPE_LETTERBOX | DVCDEC_DEINTERLACE_ODD_ALWAYS);
        for (uint32_t mode : modes) {
            Row row{kProgramBit | DVCDEC_FORM_RGB24 | mode, {}, 0, std::vector<uint8_t>(DVCDEC_OUTPUT_SIZE),
                    std::vector<uint8_t>(DVCDEC_WORK_AREA_SIZE)};
            DvDecodeRequest request{file.data(), row.output.data(), row.work.data(), row.mode, 0, 0};
            if (dvcdec(&request) != DVCDEC_OK)
                Fail("dvcdec refused the frame");
            row.size = BitmapSize(row.output);
            auto known = std::find(peerSizes.begin(), peerSizes.end(), row.size);
            row.peer = static_cast<size_t>(known - peerSizes.begin());
            if (known == peerSizes.end())
                peerSizes.push_back(row.size);
            rows.push_back(std::move(row));
        }

        Peer full(raw, 0), eighth(raw, 3);
        std::vector<uint8_t> peerOutput;
        dv_decoder_t *dv = dv_decoder_new(0, 0, 0);
        dv->quality = DV_QUALITY_BEST;
        if (dv_parse_header(dv, raw.data()) < 0)
            Fail("libdv could not parse the frame");
        std::vector<uint8_t> bgr0(static_cast<size_t>(kWidth) * system.height * 4);
        uint8_t *pixels[1] = {bgr0.data()};
        int pitches[1] = {kWidth * 4};

        std::vector<std::function<void()>> calls;
        for (Row &row : rows)
            calls.push_back([&row, &file] {
                DvDecodeRequest request{file.data(), row.output.data(), row.work.data(), row.mode, 0, 0};
                dvcdec(&request);
            });
        for (Size size : peerSizes)
            calls.push_back([&full, &peerOutput, size] { full.Run(size, peerOutput); });
        // libavcodec's eighth-size decode, converted at the size it makes.
        const Size lowres{(kWidth + 7) / 8, system.height / 8};
        calls.push_back([&eighth, &peerOutput, lowres] { eighth.Run(lowres, peerOutput); });
        calls.push_back([&] { dv_decode_full_frame(dv, raw.data(), e_dv_color_bgr0, pixels, pitches); });
        // A thread's first decode (or the first after a change of mode) builds the tables: the eighth
        // scale with that set-up. The program keeps each thread's work area, so only that call pays it.
        std::vector<uint8_t> freshWork(DVCDEC_WORK_AREA_SIZE), freshOutput(DVCDEC_OUTPUT_SIZE);
        calls.push_back([&] {
            freshWork[0] = 0;
            DvDecodeRequest request{file.data(), freshOutput.data(), freshWork.data(),
                                    kProgramBit | DVCDEC_FORM_RGB24 | DVCDEC_SCALE_8, 0, 0};
            dvcdec(&request);
        });
        const auto times = MeasureInterleaved(seconds, calls);
        const double lowresMs = times[rows.size() + peerSizes.size()];
        const double libdvMs = times[rows.size() + peerSizes.size() + 1], freshMs = times.back();

        std::printf("%s (grain %d)\n", system.name, grain);
        std::printf("  %-13s %-6s %-9s %9s %9s %7s\n", "request", "scale", "size", "dvcdec", "peer", "ratio");
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row &row = rows[i];
            const double ours = times[i], peer = times[rows.size() + row.peer];
            if (!(row.mode & DVCDEC_DEINTERLACE_MASK))
                worst = std::max(worst, ours / peer);
            char size[16];
            std::snprintf(size, sizeof size, "%dx%d", row.size.width, row.size.height);
            const uint32_t deinterlace = row.mode & DVCDEC_DEINTERLACE_MASK;
            char request[16];
            if (deinterlace)
                std::snprintf(request, sizeof request, "0x%02x+0x%x", row.mode & DVCDEC_SHAPE_MASK, deinterlace);
            else
                std::snprintf(request, sizeof request, "0x%02x", row.mode & DVCDEC_SHAPE_MASK);
            std::printf("  %-13s 1/%-4u %-9s %9.3f %9.3f %7.2f\n", request, row.mode & DVCDEC_SCALE_MASK, size, ours,
                        peer, ours / peer);
        }
        const double eighthMs = times[3 * 5]; // scale 1/8, shape 0x00
        std::printf("  dvcdec 1/8 against libavcodec lowres 3 + swscale (%dx%d): %.3f / %.3f ms = %.3f\n",
                    lowres.width, lowres.height, eighthMs, lowresMs, eighthMs / lowresMs);
        std::printf("  dvcdec 1/8 with a fresh work area (a thread's first call, set-up included): %.3f ms = %.3f\n",
                    freshMs, freshMs / lowresMs);
        std::printf("  libdv dv_decode_full_frame BGR0: %.3f ms (dvcdec 0x00 full size / libdv = %.2f)\n\n", libdvMs,
                    times[0] / libdvMs);
        dv_decoder_free(dv);
    }
    std::printf("worst ratio of the shapes against libavcodec + swscale: %.2f\n", worst);
    return 0;
}
