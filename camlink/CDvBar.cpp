#include "camlink/CDvBar.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace camlink {

namespace {

struct ButtonFace {
    DvButton button;
    const char* name;
    const char* label;
    const char* tip;
};

// Three rows of four, in the order of a camcorder's own keys.
constexpr ButtonFace kFaces[] = {
    {DvButton::Rewind, "Rewind", "◀◀", "巻き戻し"},
    {DvButton::PlayReverse, "PlayReverse", "◀", "逆再生"},
    {DvButton::Play, "Play", "▶", "再生"},
    {DvButton::FastForward, "FastForward", "▶▶", "早送り"},
    {DvButton::PreviousFrame, "PreviousFrame", "|◀", "コマ戻し"},
    {DvButton::Pause, "Pause", "||", "一時停止"},
    {DvButton::Stop, "Stop", "■", "停止"},
    {DvButton::NextFrame, "NextFrame", "▶|", "コマ送り"},
    {DvButton::FastPlayReverse, "FastPlayReverse", "◀◀▶", "早戻し再生"},
    {DvButton::SlowForward, "SlowForward", "▷", "スロー再生"},
    {DvButton::FastPlayForward, "FastPlayForward", "▶▶▶", "早送り再生"},
    {DvButton::Record, "Record", "●", "録画"},
};
constexpr int kButtonsPerRow = 4;
// A search that ends within this time (one port that answers) shows no progress window at all.
constexpr int kProgressDelayMs = 500;

}  // namespace

CDvBar::CDvBar(QWidget* parent, DvBarSettings& settings, DvBarController::Options options)
    : QWidget(parent), controller_(std::make_unique<DvBarController>(settings, this, std::move(options)))
{
    setObjectName(QStringLiteral("130"));
    auto* layout = new QVBoxLayout(this);
    connect_ = new QPushButton(QStringLiteral("接続"), this);
    connect_->setObjectName(QStringLiteral("dvConnect"));
    layout->addWidget(connect_);
    auto* grid = new QGridLayout;
    int at = 0;
    for (const ButtonFace& face : kFaces) {
        auto* button = new QPushButton(QString::fromUtf8(face.label), this);
        button->setObjectName(QStringLiteral("dv") + QLatin1String(face.name));
        button->setToolTip(QString::fromUtf8(face.tip));
        grid->addWidget(button, at / kButtonsPerRow, at % kButtonsPerRow);
        buttons_[face.button] = button;
        const DvButton which = face.button;
        QObject::connect(button, &QPushButton::clicked, this, [this, which] { controller_->press(which); });
        ++at;
    }
    layout->addLayout(grid);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("dvState"));
    layout->addWidget(state_);
    layout->addStretch();

    QObject::connect(connect_, &QPushButton::clicked, this, [this] { controller_->connectLink(false); });
    QObject::connect(controller_.get(), &DvBarController::stateChanged, this,
                     [this] { state_->setText(controller_->stateText()); });
    QObject::connect(controller_.get(), &DvBarController::busyChanged, this, [this] { updateEnabled(); });
    QObject::connect(controller_.get(), &DvBarController::connectFinished, this, [this] { updateEnabled(); });
    QObject::connect(controller_.get(), &DvBarController::searchStarted, this, [this](int count) {
        delete progress_;
        progress_ = new QProgressDialog(QString(), QString(), 0, count, this);
        progress_->setCancelButton(nullptr);
        progress_->setMinimumDuration(kProgressDelayMs);
        progress_->setWindowModality(Qt::WindowModal);
    });
    QObject::connect(controller_.get(), &DvBarController::portTried, this, [this](int index, const QString& name) {
        if (progress_) {
            progress_->setLabelText(name);
            progress_->setValue(index);
        }
    });
    QObject::connect(controller_.get(), &DvBarController::searchEnded, this, [this] {
        delete progress_;
        progress_ = nullptr;
    });
    updateEnabled();
}

CDvBar::~CDvBar()
{
    // The controller's worker may still report; it goes before the widgets it would update.
    QObject::disconnect(controller_.get(), nullptr, this, nullptr);
    controller_.reset();
}

QPushButton* CDvBar::button(DvButton which) const
{
    const auto found = buttons_.find(which);
    return found == buttons_.end() ? nullptr : found->second;
}

QSize CDvBar::sizeHint() const
{
    return controller_ ? controller_->barSize() : QWidget::sizeHint();
}

void CDvBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Only a bar that is shown has a size worth keeping.
    if (isVisible() && controller_)
        controller_->setBarSize(event->size());
}

void CDvBar::updateEnabled()
{
    const bool bound = controller_->isBound();
    const bool idle = !controller_->isBusy();
    const bool linked = controller_->link().isConnected();
    connect_->setEnabled(bound && idle);
    for (const auto& [which, button] : buttons_)
        button->setEnabled(bound && idle && linked);
}

}  // namespace camlink
