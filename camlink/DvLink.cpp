#include "camlink/DvLink.h"

#include "camlink/CommandTable.h"

#include <algorithm>
#include <thread>

namespace camlink {

namespace {

constexpr int kBaseSpeed = 9600;
constexpr int kTolerableBusyReplies = 3;

}  // namespace

DvLink::DvLink(const CamlinkBinding& binding, LinkTimings timings)
    : binding_(binding), timings_(timings), candidates_(standardCandidates())
{
}

DvLink::~DvLink()
{
    close();
}

void DvLink::setCandidates(std::vector<PortCandidate> candidates)
{
    std::lock_guard lock(stateMutex_);
    candidates_ = std::move(candidates);
}

int DvLink::connect(QString& preferredName, bool silent, ConnectProgress* progress, const CancelToken* cancel)
{
    close();
    if (!binding_.isBound()) {
        preferredName.clear();
        return status::kNotConnected;
    }
    std::vector<PortCandidate> ports;
    {
        std::lock_guard lock(stateMutex_);
        if (preferredName.isEmpty()) {
            ports = candidates_;
        } else {
            auto known = std::find_if(candidates_.begin(), candidates_.end(), [&](const PortCandidate& port) {
                return port.name.compare(preferredName, Qt::CaseInsensitive) == 0;
            });
            ports.push_back(known != candidates_.end() ? *known : candidateForName(preferredName));
        }
    }
    if (silent)
        progress = nullptr;
    if (progress)
        progress->searchStarted(static_cast<int>(ports.size()));
    int result = status::kNotConnected;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (cancel && cancel->cancelled())
            break;
        if (progress)
            progress->portTried(static_cast<int>(i), ports[i].name);
        if (negotiateOn(ports[i]) == status::kOk) {
            result = status::kOk;
            break;
        }
    }
    if (progress)
        progress->searchEnded();
    if (result != status::kOk)
        preferredName.clear();
    return result;
}

int DvLink::negotiateOn(const PortCandidate& candidate)
{
    if (candidate.device.isEmpty())
        return status::kNotConnected;
    // The port is this call's alone until negotiation succeeds, so no lock is held while it may wait.
    auto port = SerialPort::open(candidate.device, timings_.replyTimeoutMs);
    if (!port)
        return status::kNotConnected;
    const termios settings = port->currentSettings();
    std::uint8_t address = 0;
    std::uint32_t capabilities = 0;
    const int result = binding_.negotiate(port->fd(), candidate.kind, &settings, &address, &capabilities);
    if (result != status::kOk)
        return result;  // the port closes (and gets its settings back) here
    {
        std::lock_guard line(lineMutex_);
        closeLocked();
        port_ = std::move(port);
        std::lock_guard lock(stateMutex_);
        portInUse_ = candidate;
        deviceAddress_ = address;
        capabilities_ = capabilities;
        secondAddress_ = (capabilities & CAMLINK_CAP_SECOND_DEVICE) ? CAMLINK_SECOND_ADDRESS : 0;
    }
    std::this_thread::sleep_for(timings_.settle);
    Reply reply{};
    const int infoStatus = send(rows::kDeviceInfo, &reply);
    std::lock_guard lock(stateMutex_);
    deviceInfo_ = deviceInfoWord(infoStatus, reply.data());
    return status::kOk;
}

int DvLink::reconnect()
{
    QString name = portName();
    if (name.isEmpty())
        return status::kNotConnected;
    close();
    std::this_thread::sleep_for(timings_.reconnectPause);
    return connect(name, true);
}

void DvLink::close()
{
    std::lock_guard line(lineMutex_);
    closeLocked();
}

void DvLink::closeLocked()
{
    if (!port_)
        return;
    std::uint8_t address, second;
    std::uint32_t capabilities;
    {
        std::lock_guard lock(stateMutex_);
        address = deviceAddress_;
        second = secondAddress_;
        capabilities = capabilities_;
    }
    if (binding_.isBound()) {
        const bool follows = capabilities & CAMLINK_CAP_SECOND_DEVICE;
        if (address != 0)
            binding_.changeSpeed(port_->fd(), address, &port_->savedSettings(), kBaseSpeed, follows ? 1 : 0);
        else if (second != 0)
            binding_.changeSpeed(port_->fd(), second, &port_->savedSettings(), kBaseSpeed, 1);
    }
    port_->close();
    port_.reset();
    std::lock_guard lock(stateMutex_);
    portInUse_ = {};
    deviceAddress_ = 0;
    secondAddress_ = 0;
    capabilities_ = 0;
    deviceInfo_ = 0;
}

bool DvLink::isConnected() const
{
    std::lock_guard lock(stateMutex_);
    return !portInUse_.device.isEmpty();
}

QString DvLink::portName() const
{
    std::lock_guard lock(stateMutex_);
    return portInUse_.name;
}

std::uint8_t DvLink::deviceAddress() const
{
    std::lock_guard lock(stateMutex_);
    return deviceAddress_;
}

std::uint8_t DvLink::secondAddress() const
{
    std::lock_guard lock(stateMutex_);
    return secondAddress_;
}

std::uint32_t DvLink::capabilities() const
{
    std::lock_guard lock(stateMutex_);
    return capabilities_;
}

int DvLink::deviceInfo() const
{
    std::lock_guard lock(stateMutex_);
    return deviceInfo_;
}

int DvLink::send(int row, Reply* reply, std::optional<std::uint32_t> operand)
{
    Reply local{};
    std::lock_guard line(lineMutex_);
    return sendLocked(row, reply ? *reply : local, operand);
}

int DvLink::sendLocked(int row, Reply& reply, std::optional<std::uint32_t> operand)
{
    reply.fill(0);
    if (!port_ || !binding_.isBound())
        return status::kNotConnected;
    std::uint8_t address;
    {
        std::lock_guard lock(stateMutex_);
        address = usesSecondDevice(row) ? secondAddress_ : deviceAddress_;
    }
    // A frame to address 0 would be taken for link control; without that device there is no one to ask.
    if (address == 0)
        return status::kNotConnected;
    const CommandFrame frame = prepareCommand(row, address, operand);
    if (frame.length == 0)
        return status::kNotConnected;
    return binding_.command(port_->fd(), frame.length, frame.bytes.data(), reply.data());
}

int DvLink::queryState(int* stateId, bool secondDevice)
{
    Reply reply{};
    const int result = send(secondDevice ? rows::kSecondTransportState : rows::kTransportState, &reply);
    if (stateId)
        *stateId = decodeTransportState(result, reply.data());
    return result;
}

int DvLink::readCounter(int row, TapeCounter* counter)
{
    Reply reply{};
    const int result = send(row, &reply);
    if (result != status::kOk)
        return result;
    const auto decoded = decodeCounter(result, reply.data());
    if (!decoded)
        return status::kBadReply;
    if (counter)
        *counter = *decoded;
    return status::kOk;
}

int DvLink::checkConnection(int* answer)
{
    std::lock_guard line(lineMutex_);
    const std::uint8_t address = deviceAddress();
    if (!port_ || !binding_.isBound() || address == 0)
        return status::kNotConnected;
    Reply reply{};
    const int result = binding_.checkConnect(port_->fd(), address, reply.data());
    if (result == status::kOk && answer)
        *answer = reply[3];
    return result;
}

int DvLink::waitForState(int stateId, const WaitOptions& options, const CancelToken& cancel)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (cancel.cancelled())
            return status::kCancelled;
        int state = states::kNone;
        const int result = queryState(&state);
        if (result == status::kOk && state == stateId)
            return status::kOk;
        if (result == status::kNoReply || result == status::kNotConnected)
            return result;
        if (options.limit.count() > 0 && std::chrono::steady_clock::now() - start >= options.limit)
            return status::kTimedOut;
        if (cancel.waitFor(options.poll))
            return status::kCancelled;
    }
}

int DvLink::waitForPosition(int row, const TapeCounter& wanted, const WaitOptions& options, const CancelToken& cancel)
{
    const auto start = std::chrono::steady_clock::now();
    int busyReplies = 0;
    for (;;) {
        if (cancel.cancelled())
            return status::kCancelled;
        TapeCounter counter;
        const int result = readCounter(row, &counter);
        if (result == status::kOk)
            return counter == wanted ? status::kOk : status::kWrongPosition;
        if (result == status::kBusy && ++busyReplies > kTolerableBusyReplies)
            return status::kBusy;
        if (result == status::kNoReply || result == status::kNotConnected)
            return result;
        if (options.limit.count() > 0 && std::chrono::steady_clock::now() - start >= options.limit)
            return status::kTimedOut;
        if (cancel.waitFor(options.poll))
            return status::kCancelled;
    }
}

}  // namespace camlink
