// The link over a pseudo-terminal, through the real Camlink, to the simulated camcorder.

#include "LinkFixture.h"

#include "camlink/CommandTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <future>
#include <sys/file.h>
#include <unistd.h>

using namespace camlink;
using camlink_test::fastPolling;
using camlink_test::LinkTest;

namespace {

class RecordingProgress : public ConnectProgress {
public:
    void searchStarted(int count) override { started = count; }
    void portTried(int, const QString& name) override { tried << name; }
    void searchEnded() override { ended = true; }
    int started = -1;
    QStringList tried;
    bool ended = false;
};

std::vector<std::uint8_t> helloFrame()
{
    return {0x01, 0x00, 0x01, 0xF0, 0x01, 0x01 ^ 0xF0 ^ 0x01};
}

bool sameSettings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b) &&
           a.c_cc[VMIN] == b.c_cc[VMIN] && a.c_cc[VTIME] == b.c_cc[VTIME];
}

}  // namespace

TEST_F(LinkTest, NegotiatesOnThePseudoTerminalAndReadsTheDeviceWord)
{
    camsim::SimulatorOptions options;
    options.address = 0x3A;
    options.infoWord = 0xBEEF;
    auto camcorder = this->camcorder(options);
    const termios before = camcorder->portSettings();

    QString port = camcorder->portPath();
    RecordingProgress progress;
    ASSERT_EQ(link->connect(port, false, &progress), status::kOk);
    EXPECT_TRUE(link->isConnected());
    EXPECT_EQ(link->portName(), camcorder->portPath());
    EXPECT_EQ(port, camcorder->portPath());
    EXPECT_EQ(link->deviceAddress(), 0x3A);
    EXPECT_EQ(link->secondAddress(), 0);
    EXPECT_EQ(link->deviceInfo(), 0xBEEF);
    EXPECT_EQ(progress.started, 1);
    EXPECT_EQ(progress.tried, QStringList{camcorder->portPath()});
    EXPECT_TRUE(progress.ended);

    const auto frames = camcorder->receivedFrames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[0], helloFrame());
    const CommandFrame infoQuery = prepareCommand(rows::kDeviceInfo, 0x3A);
    EXPECT_EQ(frames[1], std::vector<std::uint8_t>(infoQuery.bytes.begin(), infoQuery.bytes.begin() + infoQuery.length));

    // The port runs raw at 9600 8N1 while linked.
    const termios linked = camcorder->portSettings();
    EXPECT_EQ(cfgetospeed(&linked), B9600);
    EXPECT_EQ(linked.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(linked.c_lflag & (ICANON | ECHO), 0u);

    int answer = -1;
    EXPECT_EQ(link->checkConnection(&answer), status::kOk);
    EXPECT_EQ(answer, 1);

    // Closing asks the camcorder back to 9600 and gives the port its old settings.
    link->close();
    EXPECT_FALSE(link->isConnected());
    EXPECT_EQ(camcorder->speedRequests(), std::vector<int>{9600});
    EXPECT_TRUE(sameSettings(camcorder->portSettings(), before));
    EXPECT_EQ(cfgetospeed(&before), B38400);
    // Nothing more goes out once closed.
    EXPECT_EQ(link->send(rows::kPlayForward), status::kNotConnected);
}

TEST_F(LinkTest, ACamcorderWithoutTheInformationQueryHasWordOneAndTheSecondDeviceFollowsItsBit)
{
    camsim::SimulatorOptions options;
    options.answersInfo = false;
    options.capabilities = CAMLINK_CAP_SECOND_DEVICE;
    options.hasTape = false;
    auto camcorder = this->camcorder(options);
    ASSERT_EQ(connectTo(*camcorder), status::kOk);
    EXPECT_EQ(link->deviceInfo(), 1);
    EXPECT_EQ(link->secondAddress(), CAMLINK_SECOND_ADDRESS);
    EXPECT_EQ(link->capabilities(), static_cast<std::uint32_t>(CAMLINK_CAP_SECOND_DEVICE));

    // Without a cassette the camcorder says so and refuses to move.
    int answer = -1;
    EXPECT_EQ(link->checkConnection(&answer), status::kOk);
    EXPECT_EQ(answer, 0);
    int state = 0;
    EXPECT_EQ(link->queryState(&state), status::kOk);
    EXPECT_EQ(state, 10002);
    EXPECT_EQ(link->send(rows::kPlayForward), -24);

    // The speed reset at closing tells the camcorder its second device follows.
    link->close();
    const auto frames = camcorder->receivedFrames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back()[3], CAMLINK_SPEED);
    EXPECT_EQ(frames.back()[8], 1);
}

TEST_F(LinkTest, EveryTransportRowLeadsToTheStateTheCamcorderReaches)
{
    camsim::SimulatorOptions options;
    options.capabilities = CAMLINK_CAP_SECOND_DEVICE;
    auto camcorder = this->camcorder(options);
    camcorder->useManualClock();
    camcorder->withModel([](camsim::TapeModel& tape) { tape.setPosition(camsim::TapeModel::kTapeFrames / 2); });
    ASSERT_EQ(connectTo(*camcorder), status::kOk);

    // Each step: the row sent and the state it leads to from the one before.
    const std::pair<int, int> steps[] = {
        {rows::kPlayForward, 10010},       {rows::kPause, 10014},         {rows::kPlayReverse, 10011},
        {rows::kPause, 10015},             {rows::kPlayReversePause, 10015}, {rows::kWindStop, 10018},
        {rows::kPreviousFrame, 10007},     {rows::kNextFrame, 10006},     {rows::kRewind, 10017},
        {rows::kFastForward, 10016},       {rows::kRecord, 10005},        {rows::kPause, 10004},
        {rows::kRecordPause, 10004},       {rows::kSlowReverse, 10009},   {rows::kPlayFastReverse, 10013},
        {rows::kPlayFastForward, 10012},   {rows::kPlaySlowForward, 10008}, {59, 10005},
        {60, 10011},                       {61, 10010},                   {62, 10018},
        {63, 10014},                       {64, 10007},                   {65, 10006},
        {66, 10017},                       {67, 10016},
    };
    for (const auto& step : steps) {
        const int row = step.first;
        const int expected = step.second;
        ASSERT_EQ(link->send(row), status::kOk) << "row " << row;
        int state = 0;
        ASSERT_EQ(link->queryState(&state, usesSecondDevice(row)), status::kOk) << "row " << row;
        EXPECT_EQ(state, expected) << "row " << row;
        // The camcorder's own idea of its transport decodes to the same id.
        camcorder->withModel([&](camsim::TapeModel& tape) {
            std::array<std::uint8_t, kReplySize> reply{};
            reply[5] = tape.mode();
            reply[6] = tape.state();
            EXPECT_EQ(decodeTransportState(status::kOk, reply.data()), expected) << "row " << row;
        });
    }
    // Frames to the second device went to its address.
    const auto frames = camcorder->receivedFrames();
    const auto secondFrames = std::count_if(frames.begin(), frames.end(), [](const auto& frame) {
        return frame[1] == CAMLINK_SECOND_ADDRESS;
    });
    EXPECT_EQ(secondFrames, 2 * 9);
}

TEST_F(LinkTest, CountersFollowTheTapeAndAGarbledReplyIsNeverAState)
{
    auto camcorder = this->camcorder();
    camcorder->useManualClock();
    const std::int64_t start = ((0 * 60 + 42) * 60 + 3) * camsim::TapeModel::kFramesPerSecond + 4;
    camcorder->withModel([&](camsim::TapeModel& tape) {
        tape.setPosition(start);
        tape.resetRelativeCounter();
    });
    ASSERT_EQ(connectTo(*camcorder), status::kOk);

    TapeCounter counter;
    ASSERT_EQ(link->readCounter(rows::kTimeCode, &counter), status::kOk);
    EXPECT_EQ(counter, (TapeCounter{0, 42, 3, 4}));
    ASSERT_EQ(link->readCounter(rows::kRelativeCounter, &counter), status::kOk);
    EXPECT_EQ(counter, (TapeCounter{0, 0, 0, 0}));

    // Ten seconds of play, then the counters have moved by exactly that.
    ASSERT_EQ(link->send(rows::kPlayForward), status::kOk);
    camcorder->advanceClock(std::chrono::seconds(10));
    ASSERT_EQ(link->readCounter(rows::kTimeCode, &counter), status::kOk);
    EXPECT_EQ(counter, (TapeCounter{0, 42, 13, 4}));
    ASSERT_EQ(link->readCounter(rows::kRelativeCounter, &counter), status::kOk);
    EXPECT_EQ(counter, (TapeCounter{0, 0, 10, 0}));

    camcorder->garbleReplies(1);
    int state = 12345;
    EXPECT_EQ(link->queryState(&state), status::kBadReply);
    EXPECT_EQ(state, states::kNone);
    EXPECT_EQ(link->queryState(&state), status::kOk);
    EXPECT_EQ(state, 10010);

    camcorder->garbleReplies(1);
    EXPECT_EQ(link->readCounter(rows::kTimeCode, &counter), status::kBadReply);

    // A busy camcorder's reply carries no state either.
    camcorder->busyReplies(1);
    EXPECT_EQ(link->queryState(&state), status::kBusy);
    EXPECT_EQ(state, states::kNone);
}

TEST_F(LinkTest, WaitsEndOnTheStateOnTimeOnCancelAndOnASilentLine)
{
    auto camcorder = this->camcorder();
    camcorder->useManualClock();
    camcorder->withModel([](camsim::TapeModel& tape) { tape.setPosition(1000); });
    ASSERT_EQ(connectTo(*camcorder), status::kOk);
    CancelToken never;

    ASSERT_EQ(link->send(rows::kPlayForward), status::kOk);
    EXPECT_EQ(link->waitForState(10010, fastPolling(), never), status::kOk);
    EXPECT_EQ(link->waitForState(10016, fastPolling(std::chrono::milliseconds(60)), never), status::kTimedOut);

    // The state changes while the wait polls.
    {
        const std::size_t sent = camcorder->receivedFrames().size();
        auto wait = std::async(std::launch::async, [&] {
            return link->waitForState(10018, fastPolling(std::chrono::seconds(20)), never);
        });
        ASSERT_TRUE(camcorder->waitForFrames(sent + 3, std::chrono::seconds(10)));
        camcorder->withModel([](camsim::TapeModel& tape) { tape.control(0xC4, 0x60); });
        EXPECT_EQ(wait.get(), status::kOk);
    }
    // Cancelled while it polls, with no time limit.
    {
        CancelToken cancel;
        const std::size_t sent = camcorder->receivedFrames().size();
        auto wait = std::async(std::launch::async, [&] { return link->waitForState(10016, fastPolling(), cancel); });
        ASSERT_TRUE(camcorder->waitForFrames(sent + 2, std::chrono::seconds(10)));
        cancel.cancel();
        EXPECT_EQ(wait.get(), status::kCancelled);
    }
    // Busy answers do not end a state wait.
    camcorder->busyReplies(2);
    EXPECT_EQ(link->waitForState(10018, fastPolling(std::chrono::seconds(10)), never), status::kOk);

    camcorder->setSilent(true);
    EXPECT_EQ(link->waitForState(10018, fastPolling(std::chrono::seconds(10)), never), status::kNoReply);
}

TEST_F(LinkTest, PositionWaitToleratesThreeBusyRepliesAndNoMore)
{
    auto camcorder = this->camcorder();
    camcorder->useManualClock();
    ASSERT_EQ(connectTo(*camcorder), status::kOk);
    CancelToken never;
    const std::uint32_t target = (5 * 60 + 30) * camsim::TapeModel::kFramesPerSecond + 12;
    const TapeCounter wanted{0, 5, 30, 12};

    camcorder->setLocateBusyReplies(3);
    ASSERT_EQ(link->send(rows::kCounterControl, nullptr, target), status::kOk);
    EXPECT_EQ(link->waitForPosition(rows::kTimeCode, wanted, fastPolling(std::chrono::seconds(10)), never), status::kOk);
    // The locate went out least significant byte first.
    const auto frames = camcorder->receivedFrames();
    const auto& locate = frames[frames.size() - 5];
    EXPECT_EQ(std::vector<std::uint8_t>(locate.begin() + 7, locate.begin() + 11),
              (std::vector<std::uint8_t>{static_cast<std::uint8_t>(target), static_cast<std::uint8_t>(target >> 8),
                                         static_cast<std::uint8_t>(target >> 16), static_cast<std::uint8_t>(target >> 24)}));

    camcorder->setLocateBusyReplies(4);
    ASSERT_EQ(link->send(rows::kCounterControl, nullptr, target), status::kOk);
    EXPECT_EQ(link->waitForPosition(rows::kTimeCode, wanted, fastPolling(std::chrono::seconds(10)), never), status::kBusy);

    // Beyond the end of the tape the camcorder stops short: another position.
    camcorder->setLocateBusyReplies(0);
    ASSERT_EQ(link->send(rows::kCounterControl, nullptr, 0x7FFFFFFFu), status::kOk);
    EXPECT_EQ(link->waitForPosition(rows::kTimeCode, wanted, fastPolling(std::chrono::seconds(10)), never),
              status::kWrongPosition);

    camcorder->setLocateBusyReplies(1000);
    ASSERT_EQ(link->send(rows::kCounterControl, nullptr, target), status::kOk);
    CancelToken cancel;
    cancel.cancel();
    EXPECT_EQ(link->waitForPosition(rows::kTimeCode, wanted, fastPolling(), cancel), status::kCancelled);
}

TEST_F(LinkTest, PortSearchSkipsSilentFloodedAndHeldPortsWithoutHanging)
{
    auto silent = camcorder();
    silent->setSilent(true);
    auto flooded = camcorder();
    flooded->setFlood(true);
    auto held = camcorder();
    auto good = camcorder();
    // Another program holds this port.
    const int holder = ::open(QFile::encodeName(held->portPath()).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

    link->setCandidates({{QStringLiteral("/nonexistent/ttyS99"), QStringLiteral("/nonexistent/ttyS99"), 0},
                         {QStringLiteral("silent"), silent->portPath(), 0},
                         {QStringLiteral("flooded"), flooded->portPath(), 0},
                         {QStringLiteral("held"), held->portPath(), 0},
                         {QStringLiteral("good"), good->portPath(), 1}});
    QString preferred;
    RecordingProgress progress;
    ASSERT_EQ(link->connect(preferred, false, &progress), status::kOk);
    EXPECT_EQ(link->portName(), QStringLiteral("good"));
    EXPECT_EQ(progress.started, 5);
    EXPECT_EQ(progress.tried, (QStringList{QStringLiteral("/nonexistent/ttyS99"), QStringLiteral("silent"),
                                           QStringLiteral("flooded"), QStringLiteral("held"), QStringLiteral("good")}));
    // The silent and the flooded port were asked and given up; the held one was never opened.
    EXPECT_EQ(silent->receivedFrames(), std::vector<std::vector<std::uint8_t>>{helloFrame()});
    EXPECT_EQ(flooded->receivedFrames(), std::vector<std::vector<std::uint8_t>>{helloFrame()});
    EXPECT_TRUE(held->receivedFrames().empty());
    ::close(holder);

    // A silent search reports nothing; a failed one clears the preferred name.
    link->close();
    good->setSilent(true);
    RecordingProgress quiet;
    QString named = QStringLiteral("good");
    EXPECT_EQ(link->connect(named, true, &quiet), status::kNotConnected);
    EXPECT_TRUE(named.isEmpty());
    EXPECT_EQ(quiet.started, -1);
    EXPECT_TRUE(quiet.tried.isEmpty());
}

TEST_F(LinkTest, ReconnectNegotiatesAgainOnTheSamePort)
{
    auto camcorder = this->camcorder();
    ASSERT_EQ(connectTo(*camcorder), status::kOk);
    ASSERT_EQ(link->reconnect(), status::kOk);
    EXPECT_EQ(link->portName(), camcorder->portPath());
    const auto frames = camcorder->receivedFrames();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), helloFrame()), 2);
    EXPECT_EQ(camcorder->speedRequests(), std::vector<int>{9600});
    int state = 0;
    EXPECT_EQ(link->queryState(&state), status::kOk);
    EXPECT_EQ(state, 10018);
}

TEST_F(LinkTest, TransfersAreNotSupportedAndBadFramesNeverLeave)
{
    auto camcorder = this->camcorder();
    ASSERT_EQ(connectTo(*camcorder), status::kOk);
    std::uint8_t buffer[16] = {};
    std::int32_t received = 99;
    EXPECT_EQ(binding.getDvcData(0, 0x21, buffer, sizeof buffer, &received), CAMLINK_E_NOT_SUPPORTED);
    EXPECT_EQ(received, 0);
    received = 99;
    EXPECT_EQ(binding.getJpegData(0, 0x21, buffer, sizeof buffer, &received), CAMLINK_E_NOT_SUPPORTED);
    EXPECT_EQ(binding.getDvcDataV(0, 0x21, buffer, sizeof buffer, &received, 0), CAMLINK_E_NOT_SUPPORTED);
    EXPECT_EQ(binding.getDvInfoInPack(0, 0x21, 0x50, buffer), CAMLINK_E_NOT_SUPPORTED);
    EXPECT_EQ(binding.getDvInfoInData(buffer, sizeof buffer, 0x50, buffer), CAMLINK_E_NOT_SUPPORTED);
    EXPECT_EQ(binding.getIrAllData(0, 0x21, buffer, sizeof buffer), CAMLINK_E_NOT_SUPPORTED);
    EXPECT_EQ(binding.setIrAllData(0, 0x21, buffer, sizeof buffer), CAMLINK_E_NOT_SUPPORTED);

    const std::size_t sent = camcorder->receivedFrames().size();
    std::uint8_t reply[CAMLINK_REPLY_SIZE];
    CommandFrame frame = prepareCommand(rows::kPlayForward, 0x21);
    frame.bytes[frame.length - 1] ^= 0xFF;
    EXPECT_EQ(binding.command(0, frame.length, frame.bytes.data(), reply), CAMLINK_E_FRAME_CHECKSUM);
    EXPECT_EQ(binding.command(0, 3, frame.bytes.data(), reply), CAMLINK_E_ARGUMENT);
    EXPECT_EQ(binding.command(0, 65, frame.bytes.data(), reply), CAMLINK_E_ARGUMENT);
    EXPECT_EQ(binding.command(0, frame.length, nullptr, reply), CAMLINK_E_ARGUMENT);
    EXPECT_EQ(camcorder->receivedFrames().size(), sent);
}

TEST_F(LinkTest, TheCamcorderProgramServesItsPortUntilItsInputEnds)
{
    // Started with posix_spawn rather than QProcess: the thread sanitizer's runtime cannot follow the
    // raw clone() QProcess uses.
    int input[2], output[2];
    ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(output, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const char* program = KESTREL_BIN_DIR "/camsim";
    char* const argv[] = {const_cast<char*>(program), const_cast<char*>("--address"), const_cast<char*>("2A"),
                          const_cast<char*>("--second"), nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, program, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);

    QByteArray line;
    char byte = 0;
    while (!line.endsWith('\n')) {
        pollfd ready{output[0], POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 10000), 1);
        ASSERT_EQ(::read(output[0], &byte, 1), 1);
        line.append(byte);
    }
    QString port = QString::fromLocal8Bit(line).trimmed();
    EXPECT_TRUE(port.startsWith(QLatin1String("/dev/")));

    EXPECT_EQ(link->connect(port, true), status::kOk);
    EXPECT_EQ(link->deviceAddress(), 0x2A);
    EXPECT_EQ(link->secondAddress(), CAMLINK_SECOND_ADDRESS);
    EXPECT_EQ(link->send(rows::kFastForward), status::kOk);
    int state = 0;
    EXPECT_EQ(link->queryState(&state), status::kOk);
    EXPECT_EQ(state, 10016);
    link->close();

    // Its input ending is its signal to go.
    ::close(input[1]);
    int exit = -1;
    ASSERT_EQ(::waitpid(child, &exit, 0), child);
    EXPECT_TRUE(WIFEXITED(exit));
    EXPECT_EQ(WEXITSTATUS(exit), 0);
    ::close(output[0]);
}
