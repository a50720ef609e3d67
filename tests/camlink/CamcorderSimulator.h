#pragma once
// A camcorder on the far end of a pseudo-terminal, speaking the Camlink protocol with a tape transport
// model behind it. It runs on a thread of its own; the link under test opens `portPath()` like any
// serial device. Faults can be switched on while it runs: silence, a line flooded with noise, garbled
// checksums, busy replies.
//
// The simulator keeps the terminal side open itself, so the line does not hang up between the link's
// opens, and through it reads back the settings the link leaves on the port.

#include "TapeModel.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <termios.h>
#include <thread>
#include <vector>

namespace camsim {

struct SimulatorOptions {
    std::uint8_t address = 0x21;
    std::uint32_t capabilities = 0;  // bit 2: a second device answers at 0xA0
    int infoWord = 0x0102;
    bool answersInfo = true;         // false: the information query is "not implemented"
    bool hasTape = true;
    // The terminal settings the port has before anyone opens it.
    speed_t initialSpeed = B38400;
};

class CamcorderSimulator {
public:
    explicit CamcorderSimulator(SimulatorOptions options = {});
    ~CamcorderSimulator();
    CamcorderSimulator(const CamcorderSimulator&) = delete;
    CamcorderSimulator& operator=(const CamcorderSimulator&) = delete;

    // Opens the pseudo-terminal and starts serving. False when no pseudo-terminal can be had.
    bool start();
    void stop();

    QString portPath() const { return portPath_; }
    // The port's settings as they stand now.
    termios portSettings() const;

    // Faults.
    void setSilent(bool silent);
    void setFlood(bool flood);
    void garbleReplies(int count);  // the next `count` replies get a wrong checksum
    void busyReplies(int count);    // the next `count` AV/C commands are answered "interim"
    void setLocateBusyReplies(int count);  // counter queries answered "interim" after a locate

    // Time: real by default; a manual clock only moves when told to.
    void useManualClock();
    void advanceClock(std::chrono::milliseconds step);

    // The model, under the simulator's lock.
    void withModel(const std::function<void(TapeModel&)>& use);

    // What the link sent: every well-formed frame, and the speeds it asked for.
    std::vector<std::vector<std::uint8_t>> receivedFrames() const;
    std::vector<int> speedRequests() const;
    // Waits (bounded) until at least `count` frames have arrived.
    bool waitForFrames(std::size_t count, std::chrono::milliseconds bound) const;

private:
    void serve();
    std::vector<std::uint8_t> answer(const std::vector<std::uint8_t>& frame);
    std::vector<std::uint8_t> answerAvc(std::uint8_t address, const std::vector<std::uint8_t>& body);
    std::int64_t nowMs() const;
    void catchUp();

    SimulatorOptions options_;
    QString portPath_;
    int master_ = -1;
    int slave_ = -1;
    int wake_ = -1;
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable received_;
    bool stopping_ = false;
    bool silent_ = false;
    bool flood_ = false;
    int garble_ = 0;
    int busy_ = 0;
    int locateBusyReplies_ = 2;
    int locateBusyLeft_ = 0;
    bool manualClock_ = false;
    std::int64_t manualNowMs_ = 0;
    std::int64_t lastAdvanceMs_ = 0;
    std::uint32_t counterPreset_ = 0;
    TapeModel model_;
    std::vector<std::vector<std::uint8_t>> frames_;
    std::vector<int> speeds_;
};

}  // namespace camsim
