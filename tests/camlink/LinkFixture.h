#pragma once
// A bound Camlink and a simulated camcorder on a pseudo-terminal, with time-outs short enough for
// tests.

#include "CamcorderSimulator.h"
#include "camlink/DvLink.h"

#include <gtest/gtest.h>

#include <memory>

namespace camlink_test {

inline camlink::LinkTimings fastTimings()
{
    camlink::LinkTimings timings;
    // Long enough for a loaded machine running sanitizers; short enough for a silent port.
    timings.replyTimeoutMs = 300;
    timings.settle = std::chrono::milliseconds(5);
    timings.reconnectPause = std::chrono::milliseconds(5);
    return timings;
}

inline camlink::WaitOptions fastPolling(std::chrono::milliseconds limit = {})
{
    camlink::WaitOptions options;
    options.poll = std::chrono::milliseconds(5);
    options.limit = limit;
    return options;
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(binding.bind(), camlink::CamlinkBinding::Result::Bound);
        link = std::make_unique<camlink::DvLink>(binding, fastTimings());
    }

    // Starts a camcorder and makes it the link's only candidate.
    std::unique_ptr<camsim::CamcorderSimulator> camcorder(camsim::SimulatorOptions options = {})
    {
        auto simulator = std::make_unique<camsim::CamcorderSimulator>(options);
        EXPECT_TRUE(simulator->start());
        return simulator;
    }

    int connectTo(const camsim::CamcorderSimulator& simulator)
    {
        QString port = simulator.portPath();
        return link->connect(port, true);
    }

    camlink::CamlinkBinding binding;
    std::unique_ptr<camlink::DvLink> link;
};

}  // namespace camlink_test
