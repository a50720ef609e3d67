#pragma once
// One serial port held by the link: opened exclusively, set to 9600 baud 8N1 with DTR and RTS raised,
// and given back with the settings it had before.
//
// Nothing here waits on the line: the device is opened non-blocking (a port without carrier would
// otherwise hang the open) and stays so, so that a port whose far end stops taking bytes cannot hold a
// write either; the link library waits with poll() up to the read time-out in the settings (VTIME),
// which it takes as its reply time. The port is locked against other users: TIOCEXCL for ordinary
// processes, and an advisory lock that holds for every process that asks for one, root included.

#include <QString>

#include <memory>
#include <termios.h>

namespace camlink {

class SerialPort {
public:
    // 9600 baud: the speed every link starts and ends at.
    static constexpr speed_t kLinkSpeed = B9600;

    // Opens `device`. `replyTimeoutMs` becomes the read time-out (rounded up to tenths of a second, at
    // most 25.5 s). Null when the device cannot be opened or is not a terminal; `error` says why.
    static std::unique_ptr<SerialPort> open(const QString& device, int replyTimeoutMs, QString* error = nullptr);

    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    int fd() const { return fd_; }
    const QString& device() const { return device_; }
    // The settings the port had before it was opened here.
    const termios& savedSettings() const { return saved_; }
    // The settings now in force (read from the port).
    termios currentSettings() const;

    // Restores the saved settings with DTR and RTS dropped, releases the locks and closes. Idempotent.
    void close();

private:
    SerialPort(int fd, const QString& device, const termios& saved) : fd_(fd), device_(device), saved_(saved) {}

    int fd_ = -1;
    QString device_;
    termios saved_{};
};

}  // namespace camlink
