#pragma once
// The DV control bar (130): a connect button, the tape-transport buttons and the transport state. A
// thin window over DvBarController, which holds every rule; the frame builds it hidden.
//
// Buttons and their rows (object names are "dv" plus the name):
//   Connect      search the ports (the stored one only, when one is stored) and negotiate
//   Rewind 7, PlayReverse 1, PreviousFrame 5, Pause 4, Stop 3, Play 2, NextFrame 6, FastForward 8,
//   SlowForward 52, FastPlayReverse 50, FastPlayForward 51, Record 9
// The state label ("dvState") shows the state string of the last state read.

#include "camlink/DvBarController.h"

#include <QWidget>

#include <map>
#include <memory>

class QLabel;
class QProgressDialog;
class QPushButton;

namespace camlink {

class CDvBar : public QWidget {
    Q_OBJECT
public:
    // `settings` (the frame's configuration, see DvBarSettings.h) must outlive the bar. Binds Camlink and
    // reads "DvConfigInfo" and the bar's size at once; writes them back when the bar is destroyed.
    CDvBar(QWidget* parent, DvBarSettings& settings, DvBarController::Options options = {});
    ~CDvBar() override;

    DvBarController& controller() { return *controller_; }
    QPushButton* button(DvButton which) const;
    QPushButton* connectButton() const { return connect_; }
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateEnabled();

    std::unique_ptr<DvBarController> controller_;
    QPushButton* connect_ = nullptr;
    std::map<DvButton, QPushButton*> buttons_;
    QLabel* state_ = nullptr;
    QProgressDialog* progress_ = nullptr;
};

}  // namespace camlink
