// Several threads decode at once, each with buffers of its own: no call may see what another chose
// (set-up, routines), so every result equals the same decode made alone.
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DvFrameBuilder.h"
#include "DvTestSupport.h"

using namespace dvtest;

TEST(DvThreads, ConcurrentDecodesOfOtherModesStayExact)
{
    struct Job {
        std::vector<uint8_t> frame;
        uint32_t mode;
        std::vector<uint8_t> expected;
    };
    std::vector<Job> jobs{
        {RandomContentFrame(true, 7), 1, {}},
        {RandomContentFrame(false, 9), 4, {}},
        {RandomContentFrame(true, 11), 8, {}},
        {RandomContentFrame(false, 13), 2 | 0x10, {}},
        // Resampling shapes: their vector or baseline choice follows the call's own decoder choice.
        {RandomContentFrame(true, 15), 2 | 0x40, {}},
        {RandomContentFrame(false, 17), 2 | 0x80 | 0x20000, {}},
    };
    for (Job &job : jobs) {
        const Decoded alone = Decode(job.frame, job.mode);
        ASSERT_EQ(alone.status, 0u);
        job.expected = alone.picture.bgr;
    }

    constexpr int kRounds = 12;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (const Job &job : jobs) {
        threads.emplace_back([&job, &mismatches] {
            for (int round = 0; round < kRounds; ++round) {
                const Decoded d = Decode(job.frame, job.mode);
                if (d.status != 0 || d.picture.bgr != job.expected)
                    ++mismatches;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}
