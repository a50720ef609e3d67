// Per-frame decode time of dvcdec (24-bit output, each scale) beside FFmpeg's DV decoder on one
// thread plus swscale to BGR24, and libdv's full-frame decode to BGR0, on the same frames in one run.
//
// The frames are made here: synthetic pictures (smooth colour, hard edges and noise, the mix that
// camera footage stresses a decoder with) encoded by libavcodec's DV encoder as 525/60 4:1:1 and
// 625/50 4:2:0. Usage: dvcdec_bench [seconds per measurement, default 0.5]
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
    file.insert(file.end(), system.tag, system.tag + 3);
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
// each decoder's median per-call time in milliseconds.
std::vector<double> MeasureInterleaved(double seconds, const std::vector<std::function<void()>> &calls)
{
    using Clock = std::chrono::steady_clock;
    constexpr double kRoundSeconds = 0.02;
    std::vector<int> batch;
    for (const auto &call : calls) {
        call();
        auto t0 = Clock::now();
        int n = 0;
        while (std::chrono::duration<double>(Clock::now() - t0).count() < kRoundSeconds) {
            call();
            ++n;
        }
        batch.push_back(std::max(1, n));
    }
    std::vector<std::vector<double>> samples(calls.size());
    const auto start = Clock::now();
    while (samples[0].size() < 7 || std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        for (size_t i = 0; i < calls.size(); ++i) {
            auto t0 = Clock::now();
            for (int k = 0; k < batch[i]; ++k)
                calls[i]();
            samples[i].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / batch[i]);
        }
    }
    std::vector<double> medians;
    for (auto &s : samples) {
        std::sort(s.begin(), s.end());
        medians.push_back(s[s.size() / 2]);
    }
    return medians;
}

}  // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 0.5;
    av_log_set_level(AV_LOG_ERROR);
    std::printf("Per-frame decode time, one thread, same frames (ms; ratio = peer time / dvcdec time)\n\n");

    // Camera-like grain, and the heavy grain of a dim scene that fills every block with codes.
    struct Content {
        const char *name;
        int grain;
    };
    const Content contents[] = {{"light grain", 3}, {"heavy grain", 12}};
    for (int run = 0; run < 4; ++run) {
        const System &system = kSystems[run / 2];
        const Content &content = contents[run % 2];
        const auto raw = Encode(system, MakePicture(system.height, 7, content.grain));
        const auto file = MakeFrameFile(system, raw);
        std::vector<uint8_t> output(DVCDEC_OUTPUT_SIZE), work(DVCDEC_WORK_AREA_SIZE);

        const uint32_t scales[4] = {1, 2, 4, 8};
        DvDecodeRequest requests[4];
        for (int i = 0; i < 4; ++i) {
            requests[i] = DvDecodeRequest{file.data(), output.data(), work.data(), scales[i] | DVCDEC_SHAPE_NONE, 0, 0};
            if (dvcdec(&requests[i]) != DVCDEC_OK)
                Fail("dvcdec refused the frame");
        }

        // FFmpeg: decode, then convert to BGR24.
        const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
        AVCodecContext *dec = avcodec_alloc_context3(codec);
        dec->thread_count = 1;
        if (avcodec_open2(dec, codec, nullptr) < 0)
            Fail("cannot open the DV decoder");
        AVPacket *packet = av_packet_alloc();
        AVFrame *frame = av_frame_alloc();
        std::vector<uint8_t> bgr(static_cast<size_t>(kWidth) * system.height * 3);
        SwsContext *sws = nullptr;
        auto ffmpeg = [&] {
            av_new_packet(packet, static_cast<int>(raw.size()));
            std::memcpy(packet->data, raw.data(), raw.size());
            if (avcodec_send_packet(dec, packet) < 0 || avcodec_receive_frame(dec, frame) < 0)
                Fail("FFmpeg could not decode the frame");
            av_packet_unref(packet);
            sws = sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                       kWidth, system.height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
            uint8_t *dst[1] = {bgr.data()};
            const int dstStride[1] = {kWidth * 3};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        };

        // libdv: decode straight to BGR0.
        dv_decoder_t *dv = dv_decoder_new(0, 0, 0);
        dv->quality = DV_QUALITY_BEST;
        if (dv_parse_header(dv, raw.data()) < 0)
            Fail("libdv could not parse the frame");
        std::vector<uint8_t> bgr0(static_cast<size_t>(kWidth) * system.height * 4);
        uint8_t *pixels[1] = {bgr0.data()};
        int pitches[1] = {kWidth * 4};
        auto libdv = [&] { dv_decode_full_frame(dv, raw.data(), e_dv_color_bgr0, pixels, pitches); };

        const auto times = MeasureInterleaved(seconds, {[&] { dvcdec(&requests[0]); }, [&] { dvcdec(&requests[1]); },
                                                        [&] { dvcdec(&requests[2]); }, [&] { dvcdec(&requests[3]); },
                                                        ffmpeg, libdv});
        const double *ours = times.data();
        const double ffmpegMs = times[4], libdvMs = times[5];

        std::printf("%s, %s\n", system.name, content.name);
        std::printf("  %-34s %8.3f ms\n", "dvcdec full (720 wide)", ours[0]);
        for (int i = 1; i < 4; ++i)
            std::printf("  dvcdec 1/%-25u %8.3f ms   %.2fx faster than the scale above\n", scales[i], ours[i],
                        ours[i - 1] / ours[i]);
        std::printf("  %-34s %8.3f ms   ratio %.2f\n", "libavcodec dvvideo + swscale BGR24", ffmpegMs, ffmpegMs / ours[0]);
        std::printf("  %-34s %8.3f ms   ratio %.2f\n\n", "libdv dv_decode_full_frame BGR0", libdvMs, libdvMs / ours[0]);

        dv_decoder_free(dv);
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&dec);
    }
    return 0;
}
