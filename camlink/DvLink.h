#pragma once
// The link to a DV camcorder: finds the port, negotiates, sends rows of the command table and reads
// what the camcorder answers. Every exchange goes through the bound Camlink library.
//
// Threads: all members may be called from any thread. Exchanges are serialised by the line lock, so a
// wait running on a worker and a command from elsewhere take turns on the line; a wait holds it for one
// exchange at a time, never while it pauses between polls. The connection facts (port name, addresses)
// sit under a lock of their own that no exchange holds, so asking for them never waits on the line.

#include "camlink/CamlinkBinding.h"
#include "camlink/CancelToken.h"
#include "camlink/PortCandidates.h"
#include "camlink/SerialPort.h"
#include "camlink/TransportState.h"

#include <array>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace camlink {

using Reply = std::array<std::uint8_t, kReplySize>;

// The search reports each port it tries, so a progress window can count them.
class ConnectProgress {
public:
    virtual ~ConnectProgress() = default;
    virtual void searchStarted(int portCount) = 0;
    virtual void portTried(int index, const QString& name) = 0;
    virtual void searchEnded() = 0;
};

struct LinkTimings {
    // How long a reply may take; a port that does not answer negotiation within it is skipped.
    int replyTimeoutMs = 1000;
    // The camcorder needs a moment after negotiation before it answers queries.
    std::chrono::milliseconds settle{200};
    // Between closing and reopening the same port.
    std::chrono::milliseconds reconnectPause{100};
};

struct WaitOptions {
    std::chrono::milliseconds poll{500};
    std::chrono::milliseconds limit{0};  // 0: no time limit
};

class DvLink {
public:
    explicit DvLink(const CamlinkBinding& binding, LinkTimings timings = {});
    ~DvLink();
    DvLink(const DvLink&) = delete;
    DvLink& operator=(const DvLink&) = delete;

    // The ports a search tries (the standard ones unless set).
    void setCandidates(std::vector<PortCandidate> candidates);

    // Connects. With a non-empty `preferredName` only that port is opened; otherwise every candidate
    // in order until one negotiates. Unless `silent`, `progress` hears of each port. Returns 0 when
    // connected; when no port connects, `preferredName` is cleared and status::kNotConnected returned.
    // A set `cancel` ends the search before the next port.
    int connect(QString& preferredName, bool silent = false, ConnectProgress* progress = nullptr,
                const CancelToken* cancel = nullptr);
    // Closes the port and negotiates again on it.
    int reconnect();
    // Brings the line back to 9600 baud, gives the port its old settings back and closes it.
    void close();

    bool isConnected() const;
    QString portName() const;
    std::uint8_t deviceAddress() const;
    std::uint8_t secondAddress() const;
    std::uint32_t capabilities() const;
    int deviceInfo() const;

    // Sends row `row` (operand: row 15's value) and returns the 16-bit status; `reply` gets the reply.
    int send(int row, Reply* reply = nullptr, std::optional<std::uint32_t> operand = std::nullopt);
    // The transport state as its string number (states::kNone when none); returns the status.
    int queryState(int* stateId, bool secondDevice = false);
    // A counter of rows 13 or 14; returns the status (status::kBadReply when the digits are not a time).
    int readCounter(int row, TapeCounter* counter);
    // CheckConnect: on status 0 `answer` is reply byte 3.
    int checkConnection(int* answer);

    // Polls the transport state every `options.poll` until it is `stateId` (0), the line fails (-20),
    // the time limit passes (-28) or `cancel` is set (-31).
    int waitForState(int stateId, const WaitOptions& options, const CancelToken& cancel);
    // Polls counter row `row` until it answers: the wanted counter gives 0, another one -110; busy
    // replies (-26) are tolerated three times, the fourth ends the wait with -26. Line failure, time
    // limit and cancel as above.
    int waitForPosition(int row, const TapeCounter& wanted, const WaitOptions& options, const CancelToken& cancel);

private:
    int negotiateOn(const PortCandidate& port);
    void closeLocked();
    int sendLocked(int row, Reply& reply, std::optional<std::uint32_t> operand);

    const CamlinkBinding& binding_;
    const LinkTimings timings_;

    std::mutex lineMutex_;  // the port itself and every exchange on it
    std::unique_ptr<SerialPort> port_;

    mutable std::mutex stateMutex_;  // the facts below
    std::vector<PortCandidate> candidates_;
    PortCandidate portInUse_;
    std::uint8_t deviceAddress_ = 0;
    std::uint8_t secondAddress_ = 0;
    std::uint32_t capabilities_ = 0;
    int deviceInfo_ = 0;
};

}  // namespace camlink
