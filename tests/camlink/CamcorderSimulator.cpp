#include "CamcorderSimulator.h"

#include "CamlinkFrame.h"
#include "camlink/CommandTable.h"
#include "siblings/Camlink/Camlink.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace camsim {

namespace {

constexpr std::uint8_t kTapeSubunit = 0x20;
constexpr std::uint8_t kSecondSubunit = 0x10;
// Noise bytes a flooding line sends, and how often.
constexpr std::uint8_t kNoise = 0x55;
constexpr int kFloodPeriodMs = 2;

std::uint8_t toBcd(int value)
{
    return static_cast<std::uint8_t>((value / 10) << 4 | value % 10);
}

std::vector<std::uint8_t> frameOf(std::uint8_t address, const std::vector<std::uint8_t>& body)
{
    std::vector<std::uint8_t> frame(camlink_wire::kMaxFrame);
    frame.resize(camlink_wire::buildFrame(address, body.data(), body.size(), frame.data()));
    return frame;
}

void writeAll(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
        } else if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd room{fd, POLLOUT, 0};
            ::poll(&room, 1, 100);
        } else {
            return;
        }
    }
}

}  // namespace

CamcorderSimulator::CamcorderSimulator(SimulatorOptions options) : options_(options), model_(options.hasTape) {}

CamcorderSimulator::~CamcorderSimulator()
{
    stop();
}

bool CamcorderSimulator::start()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return false;
    char name[PATH_MAX];
    if (::ptsname_r(master_, name, sizeof name) != 0)
        return false;
    portPath_ = QString::fromLocal8Bit(name);
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0)
        return false;
    termios settings{};
    ::tcgetattr(slave_, &settings);
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, options_.initialSpeed);
    ::cfsetospeed(&settings, options_.initialSpeed);
    ::tcsetattr(slave_, TCSANOW, &settings);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0)
        return false;
    lastAdvanceMs_ = nowMs();
    thread_ = std::thread([this] { serve(); });
    return true;
}

void CamcorderSimulator::stop()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
        thread_.join();
    }
    for (int* fd : {&master_, &slave_, &wake_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

termios CamcorderSimulator::portSettings() const
{
    termios settings{};
    ::tcgetattr(slave_, &settings);
    return settings;
}

void CamcorderSimulator::setSilent(bool silent)
{
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void CamcorderSimulator::setFlood(bool flood)
{
    std::lock_guard lock(mutex_);
    flood_ = flood;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
}

void CamcorderSimulator::garbleReplies(int count)
{
    std::lock_guard lock(mutex_);
    garble_ = count;
}

void CamcorderSimulator::busyReplies(int count)
{
    std::lock_guard lock(mutex_);
    busy_ = count;
}

void CamcorderSimulator::setLocateBusyReplies(int count)
{
    std::lock_guard lock(mutex_);
    locateBusyReplies_ = count;
}

void CamcorderSimulator::useManualClock()
{
    std::lock_guard lock(mutex_);
    catchUp();
    manualClock_ = true;
    manualNowMs_ = lastAdvanceMs_;
}

void CamcorderSimulator::advanceClock(std::chrono::milliseconds step)
{
    std::lock_guard lock(mutex_);
    manualNowMs_ += step.count();
    catchUp();
}

void CamcorderSimulator::withModel(const std::function<void(TapeModel&)>& use)
{
    std::lock_guard lock(mutex_);
    catchUp();
    use(model_);
}

std::vector<std::vector<std::uint8_t>> CamcorderSimulator::receivedFrames() const
{
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<int> CamcorderSimulator::speedRequests() const
{
    std::lock_guard lock(mutex_);
    return speeds_;
}

bool CamcorderSimulator::waitForFrames(std::size_t count, std::chrono::milliseconds bound) const
{
    std::unique_lock lock(mutex_);
    return received_.wait_for(lock, bound, [&] { return frames_.size() >= count; });
}

std::int64_t CamcorderSimulator::nowMs() const
{
    if (manualClock_)
        return manualNowMs_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CamcorderSimulator::catchUp()
{
    const std::int64_t now = nowMs();
    model_.advance(now - lastAdvanceMs_);
    lastAdvanceMs_ = now;
}

void CamcorderSimulator::serve()
{
    camlink_wire::FrameReader reader;
    std::uint8_t chunk[256];
    for (;;) {
        bool flood;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            flood = flood_;
        }
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, flood ? kFloodPeriodMs : -1);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] const ssize_t got = ::read(wake_, &count, sizeof count);
        }
        if (flood) {
            writeAll(master_, std::vector<std::uint8_t>(64, kNoise));
        }
        if (!(fds[0].revents & POLLIN))
            continue;
        const ssize_t got = ::read(master_, chunk, sizeof chunk);
        if (got <= 0)
            continue;
        for (ssize_t i = 0; i < got; ++i) {
            if (reader.push(chunk[i]) == camlink_wire::FrameReader::Result::NeedMore)
                continue;
            const bool valid = camlink_wire::isValidFrame(reader.data(), reader.size());
            std::vector<std::uint8_t> frame(reader.data(), reader.data() + reader.size());
            reader.reset();
            if (!valid)
                continue;  // a camcorder ignores what it cannot read
            std::vector<std::uint8_t> reply;
            {
                std::lock_guard lock(mutex_);
                frames_.push_back(frame);
                received_.notify_all();
                if (silent_ || flood_)
                    continue;
                catchUp();
                reply = answer(frame);
                if (!reply.empty() && garble_ > 0) {
                    --garble_;
                    reply.back() ^= 0x5A;
                }
            }
            if (!reply.empty())
                writeAll(master_, reply);
        }
    }
}

std::vector<std::uint8_t> CamcorderSimulator::answer(const std::vector<std::uint8_t>& frame)
{
    const std::uint8_t address = frame[1];
    const std::vector<std::uint8_t> body(frame.begin() + 3, frame.end() - 1);
    if (address == 0) {
        if (body.size() == 2 && body[0] == CAMLINK_HELLO && body[1] == CAMLINK_PROTOCOL_VERSION)
            return frameOf(0, {CAMLINK_HELLO_REPLY, options_.address, static_cast<std::uint8_t>(options_.capabilities >> 8),
                               static_cast<std::uint8_t>(options_.capabilities)});
        return {};
    }
    const bool second = (options_.capabilities & CAMLINK_CAP_SECOND_DEVICE) && address == CAMLINK_SECOND_ADDRESS;
    if (address != options_.address && !second)
        return {};  // not spoken to
    if (body[0] == CAMLINK_CHECK)
        return frameOf(address, {static_cast<std::uint8_t>(model_.hasTape() ? 1 : 0)});
    if (body[0] == CAMLINK_SPEED && body.size() == 6) {
        speeds_.push_back(body[1] << 24 | body[2] << 16 | body[3] << 8 | body[4]);
        return frameOf(address, {CAMLINK_SPEED_REPLY, body[1], body[2], body[3], body[4]});
    }
    return answerAvc(address, body);
}

std::vector<std::uint8_t> CamcorderSimulator::answerAvc(std::uint8_t address, const std::vector<std::uint8_t>& body)
{
    auto respond = [&](std::uint8_t code) {
        std::vector<std::uint8_t> echo = body;
        echo[0] = code;
        return frameOf(address, echo);
    };
    if (body.size() < 3)
        return respond(CAMLINK_AVC_NOT_IMPLEMENTED);
    const std::uint8_t ctype = body[0], subunit = body[1], opcode = body[2];
    const std::uint8_t expectedSubunit = address == CAMLINK_SECOND_ADDRESS ? kSecondSubunit : kTapeSubunit;
    if (subunit != expectedSubunit)
        return respond(CAMLINK_AVC_NOT_IMPLEMENTED);
    if (busy_ > 0) {
        --busy_;
        return respond(CAMLINK_AVC_INTERIM);
    }
    const bool status = ctype == 0x01;
    if (status && opcode == 0xD0)
        return frameOf(address, {CAMLINK_AVC_STABLE, subunit, model_.mode(), model_.state()});
    if (status && (opcode == 0x53 || opcode == 0x54)) {
        if (locateBusyLeft_ > 0) {
            --locateBusyLeft_;
            return respond(CAMLINK_AVC_INTERIM);
        }
        const camlink::TapeCounter counter = opcode == 0x53 ? model_.timeCode() : model_.relativeCounter();
        return frameOf(address, {CAMLINK_AVC_STABLE, toBcd(counter.hours), toBcd(counter.minutes),
                                 toBcd(counter.seconds), toBcd(counter.frames)});
    }
    if (status && (opcode == 0x51 || opcode == 0x52)) {
        const std::uint32_t value = opcode == 0x52 ? counterPreset_ : static_cast<std::uint32_t>(model_.positionFrames());
        return frameOf(address, {CAMLINK_AVC_STABLE, subunit, opcode, 0x71, static_cast<std::uint8_t>(value),
                                 static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
                                 static_cast<std::uint8_t>(value >> 24)});
    }
    if (!status && opcode == 0x52 && body.size() == 8 && body[3] == 0x20) {
        // Locate: the operand is the frame to go to, least significant byte first. The camcorder is
        // busy for a while, then stops there (or at the end of the tape).
        counterPreset_ = static_cast<std::uint32_t>(body[4] | body[5] << 8 | body[6] << 16 | body[7] << 24);
        model_.setPosition(counterPreset_);
        model_.control(0xC4, 0x60);
        locateBusyLeft_ = locateBusyReplies_;
        return respond(CAMLINK_AVC_ACCEPTED);
    }
    if (opcode == 0x00) {
        if (body.size() < 7 || !std::equal(camlink::kCompanyId.begin(), camlink::kCompanyId.end(), body.begin() + 3))
            return respond(CAMLINK_AVC_NOT_IMPLEMENTED);
        if (status && body[6] == camlink::kVendorDeviceInfo) {
            if (!options_.answersInfo)
                return respond(CAMLINK_AVC_NOT_IMPLEMENTED);
            return frameOf(address, {CAMLINK_AVC_STABLE, subunit, 0x00, camlink::kVendorDeviceInfo,
                                     static_cast<std::uint8_t>(options_.infoWord >> 8),
                                     static_cast<std::uint8_t>(options_.infoWord)});
        }
        return respond(status ? CAMLINK_AVC_STABLE : CAMLINK_AVC_ACCEPTED);
    }
    if (!status && opcode >= 0xC1 && opcode <= 0xC4 && body.size() == 4)
        return respond(model_.control(opcode, body[3]) ? CAMLINK_AVC_ACCEPTED : CAMLINK_AVC_REJECTED);
    return respond(CAMLINK_AVC_NOT_IMPLEMENTED);
}

}  // namespace camsim
