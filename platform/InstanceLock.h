#pragma once
// The single-instance lock and the window markers.
//
// A running instance holds an exclusive flock on a file named after its instance name in the runtime
// folder ($XDG_RUNTIME_DIR, else the temporary folder) for the life of the process. A window "marked"
// with a property name listens on a local server of that name; a second program finds the window by
// connecting to it and sends it one word ("raise" or "close").

#include <QObject>
#include <QString>

class QLocalServer;

namespace platform {

// A file-system friendly form of a marker or lock name: letters and digits kept, the rest '_'.
QString markerKey(const QString& name);

class InstanceLock {
public:
    explicit InstanceLock(const QString& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process holds the lock; false when another process does ("already exists").
    bool acquired() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

class WindowMarker : public QObject {
    Q_OBJECT
public:
    explicit WindowMarker(const QString& name, QObject* parent = nullptr);
    ~WindowMarker() override;

    // Starts answering under the name; false when the local server cannot listen.
    bool mark();
    void unmark();
    bool isMarked() const;

    // Finds the window marked `name` and sends it `word`. True when it answered; false when no window
    // carries the marker.
    static bool send(const QString& name, const QString& word, int timeoutMs = 2000);
    // True when a window carries the marker `name` and answers.
    static bool exists(const QString& name) { return send(name, QStringLiteral("ping")); }
    // True when something listens under `name`, answering or not (a marker of this very thread).
    static bool isListening(const QString& name);

signals:
    void raiseRequested();
    void closeRequested();

private:
    void onConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace platform
