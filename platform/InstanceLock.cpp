#include "platform/InstanceLock.h"

#include "platform/Paths.h"
#include "platform/Trace.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

QString socketPath(const QString& name)
{
    return runtimeFolder() + QLatin1Char('/') + markerKey(name) + QStringLiteral(".sock");
}

}  // namespace

QString markerKey(const QString& name)
{
    QString key = name;
    for (QChar& c : key) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128))
            c = QLatin1Char('_');
    }
    return key;
}

InstanceLock::InstanceLock(const QString& name)
{
    const QByteArray path = QFile::encodeName(runtimeFolder() + QLatin1Char('/') + markerKey(name) + QStringLiteral(".lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

WindowMarker::WindowMarker(const QString& name, QObject* parent) : QObject(parent), name_(name) {}

WindowMarker::~WindowMarker()
{
    unmark();
}

bool WindowMarker::mark()
{
    if (server_)
        return true;
    const QString path = socketPath(name_);
    // A socket file left by a killed instance blocks listening; the instance lock makes sure that nobody
    // else owns this name, so it is safe to clear.
    QLocalServer::removeServer(path);
    server_ = new QLocalServer(this);
    connect(server_, &QLocalServer::newConnection, this, &WindowMarker::onConnection);
    if (!server_->listen(path)) {
        delete server_;
        server_ = nullptr;
        return false;
    }
    return true;
}

void WindowMarker::unmark()
{
    if (!server_)
        return;
    server_->close();
    delete server_;
    server_ = nullptr;
}

bool WindowMarker::isMarked() const
{
    return server_ != nullptr;
}

void WindowMarker::onConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QString word = QString::fromUtf8(socket->readLine()).trimmed();
            trace(QStringLiteral("WindowMarker %1: %2\n").arg(name_, word).toStdString());
            socket->write("ok\n");
            socket->flush();
            if (word == QLatin1String("raise"))
                emit raiseRequested();
            else if (word == QLatin1String("close"))
                emit closeRequested();
        });
    }
}

bool WindowMarker::isListening(const QString& name)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(name));
    return socket.waitForConnected(1000);
}

bool WindowMarker::send(const QString& name, const QString& word, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(name));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(word.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}

}  // namespace platform
