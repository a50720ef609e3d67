#include "camlink/DvBarController.h"

#include "camlink/CommandTable.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "resources/UiResources.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace camlink {

namespace {

// Ends a wait when the left button is released over the cancel window. Mouse events reach the window
// through the GUI thread's event processing, which is the Linux form of draining its mouse messages.
class ReleaseWatcher : public QObject {
public:
    ReleaseWatcher(QWidget* window, CancelToken& token) : window_(window), token_(token)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && window_->rect().contains(mouse->position().toPoint()))
                token_.cancel();
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
    CancelToken& token_;
};

// Hands the port search's progress to the controller's signals (queued to the GUI thread).
class SignalProgress : public ConnectProgress {
public:
    explicit SignalProgress(DvBarController& bar) : bar_(bar) {}
    void searchStarted(int portCount) override { emit bar_.searchStarted(portCount); }
    void portTried(int index, const QString& name) override { emit bar_.portTried(index, name); }
    void searchEnded() override { emit bar_.searchEnded(); }

private:
    DvBarController& bar_;
};

}  // namespace

int rowOf(DvButton button)
{
    switch (button) {
    case DvButton::Rewind: return rows::kRewind;
    case DvButton::PlayReverse: return rows::kPlayReverse;
    case DvButton::PreviousFrame: return rows::kPreviousFrame;
    case DvButton::Pause: return rows::kPause;
    case DvButton::Stop: return rows::kWindStop;
    case DvButton::Play: return rows::kPlayForward;
    case DvButton::NextFrame: return rows::kNextFrame;
    case DvButton::FastForward: return rows::kFastForward;
    case DvButton::SlowForward: return rows::kPlaySlowForward;
    case DvButton::FastPlayReverse: return rows::kPlayFastReverse;
    case DvButton::FastPlayForward: return rows::kPlayFastForward;
    case DvButton::Record: return rows::kRecord;
    }
    return rows::kTransportState;
}

DvBarController::DvBarController(DvBarSettings& settings, QWidget* messageOwner)
    : DvBarController(settings, messageOwner, Options{})
{
}

DvBarController::DvBarController(DvBarSettings& settings, QWidget* messageOwner, Options options)
    : settings_(settings), options_(std::move(options))
{
    if (binding_.bind() != CamlinkBinding::Result::Bound) {
        platform::messageBox(messageOwner, QString::fromUtf8(messages::kCamlinkMissing),
                             QString::fromUtf8(messages::kCamlinkCaption), platform::MbOk | platform::MbIconExclamation);
    }
    link_ = std::make_unique<DvLink>(binding_, options_.timings);
    if (!options_.candidates.empty())
        link_->setCandidates(options_.candidates);

    config_ = settings_.loadDvConfig();
    workingFolder_ = config_.defaultFolder;
    if (workingFolder_.isEmpty())
        workingFolder_ = platform::documentsFolder() + QLatin1Char('/') + QLatin1String(kWorkingFolderName);
    barSize_ = settings_.loadDvBarSize();
}

DvBarController::~DvBarController()
{
    cancel_.cancel();
    if (worker_.joinable())
        worker_.join();
    cancelFilter_.reset();
    link_.reset();  // closes the link while Camlink is still bound
    config_.defaultFolder = workingFolder_;
    settings_.saveDvConfig(config_);
    settings_.saveDvBarSize(barSize_);
    binding_.unbind();
}

QString DvBarController::stateText() const
{
    return stateText(stateId_);
}

QString DvBarController::stateText(int stateId)
{
    if (stateId == states::kNone)
        return {};
    const QString text = UiResources::string(stateId);
    return text.isEmpty() ? QString::number(stateId) : text;
}

bool DvBarController::run(std::function<int()> work, std::function<void(int)> done)
{
    if (!binding_.isBound() || worker_.joinable())
        return false;
    cancel_.reset();
    done_ = std::move(done);
    const unsigned generation = ++generation_;
    worker_ = std::thread([this, generation, work = std::move(work)] {
        const int result = work();
        QMetaObject::invokeMethod(this, [this, generation, result] { finishWork(generation, result); },
                                  Qt::QueuedConnection);
    });
    emit busyChanged(true);
    return true;
}

void DvBarController::finishWork(unsigned generation, int result)
{
    // Work that disconnectLink already took back reports nothing.
    if (generation != generation_ || !worker_.joinable())
        return;
    worker_.join();
    cancelFilter_.reset();
    auto done = std::move(done_);
    done_ = nullptr;
    emit busyChanged(false);
    if (done)
        done(result);
}

void DvBarController::setState(int stateId)
{
    if (stateId == stateId_)
        return;
    stateId_ = stateId;
    emit stateChanged(stateId);
}

bool DvBarController::connectLink(bool silent)
{
    auto progress = std::make_shared<SignalProgress>(*this);
    auto port = std::make_shared<QString>(config_.commName);
    auto state = std::make_shared<int>(states::kNone);
    return run(
        [this, silent, progress, port, state] {
            const int result = link_->connect(*port, silent, progress.get(), &cancel_);
            if (result == status::kOk)
                link_->queryState(state.get());
            return result;
        },
        [this, port, state](int result) {
            config_.commName = result == status::kOk ? link_->portName() : *port;
            setState(*state);
            emit connectFinished(result);
        });
}

bool DvBarController::press(DvButton button)
{
    const int row = rowOf(button);
    auto state = std::make_shared<int>(states::kNone);
    return run(
        [this, row, state] {
            const int result = link_->send(row);
            link_->queryState(state.get());
            return result;
        },
        [this, row, state](int result) {
            setState(*state);
            emit commandFinished(row, result);
        });
}

bool DvBarController::refreshState()
{
    auto state = std::make_shared<int>(states::kNone);
    return run([this, state] { return link_->queryState(state.get()); }, [this, state](int) { setState(*state); });
}

bool DvBarController::waitForState(int stateId, QWidget* cancelWindow, std::chrono::milliseconds limit)
{
    WaitOptions options = options_.wait;
    options.limit = limit;
    const bool started = run([this, stateId, options] { return link_->waitForState(stateId, options, cancel_); },
                             [this, stateId](int result) {
                                 if (result == status::kOk)
                                     setState(stateId);
                                 emit waitFinished(result);
                             });
    if (started && cancelWindow)
        cancelFilter_ = std::make_unique<ReleaseWatcher>(cancelWindow, cancel_);
    return started;
}

void DvBarController::disconnectLink()
{
    if (worker_.joinable()) {
        cancel_.cancel();
        worker_.join();
        ++generation_;
        cancelFilter_.reset();
        done_ = nullptr;
        emit busyChanged(false);
    }
    link_->close();
    setState(states::kNone);
}

}  // namespace camlink
