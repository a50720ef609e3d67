#include "camlink/SerialPort.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace camlink {

namespace {

// VTIME counts tenths of a second in one byte.
constexpr int kMaxVtime = 255;

QString describe(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

std::unique_ptr<SerialPort> SerialPort::open(const QString& device, int replyTimeoutMs, QString* error)
{
    auto fail = [&](const QString& why, int fd) -> std::unique_ptr<SerialPort> {
        if (error)
            *error = why;
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    };
    const QByteArray path = QFile::encodeName(device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(describe("open"), -1);
    if (!::isatty(fd))
        return fail(QStringLiteral("not a terminal"), fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(describe("in use"), fd);
    termios saved{};
    if (::tcgetattr(fd, &saved) != 0)
        return fail(describe("tcgetattr"), fd);
    ::ioctl(fd, TIOCEXCL);
    // Nothing that arrived before this link belongs to it.
    ::tcflush(fd, TCIOFLUSH);

    termios settings = saved;
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = static_cast<cc_t>(std::clamp((replyTimeoutMs + 99) / 100, 1, kMaxVtime));
    ::cfsetispeed(&settings, kLinkSpeed);
    ::cfsetospeed(&settings, kLinkSpeed);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        return fail(describe("tcsetattr"), fd);
    // Pseudo-terminals have no modem lines; there the request fails harmlessly.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIS, &lines);
    // The kernel's own queue (4 KiB) stands in for the 1024-byte queues: Linux has no per-port setting.
    return std::unique_ptr<SerialPort>(new SerialPort(fd, device, saved));
}

SerialPort::~SerialPort()
{
    close();
}

termios SerialPort::currentSettings() const
{
    termios settings{};
    if (fd_ >= 0)
        ::tcgetattr(fd_, &settings);
    return settings;
}

void SerialPort::close()
{
    if (fd_ < 0)
        return;
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIC, &lines);
    ::tcsetattr(fd_, TCSANOW, &saved_);
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace camlink
