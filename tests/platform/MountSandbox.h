#pragma once
// Real mounts for tests, made in a private mount namespace of the test's main thread so that nothing is
// seen outside the test and nothing outlives it: a read-only bind mount (a write-protected card, which
// permission bits cannot give a superuser) and a small tmpfs (a second volume).
//
// Where the machine allows no mount namespace, available() is false and reason() says why; tests then
// fall back to what the code under test offers and say so in their output.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

#include <vector>

namespace testing_support {

class MountSandbox {
public:
    MountSandbox() = default;
    ~MountSandbox()
    {
        for (auto it = mounted_.rbegin(); it != mounted_.rend(); ++it)
            ::umount2(it->constData(), MNT_DETACH);
    }
    MountSandbox(const MountSandbox&) = delete;
    MountSandbox& operator=(const MountSandbox&) = delete;

    // Enters the private namespace once per process; later calls report the first outcome.
    static bool available()
    {
        static const bool entered = [] {
            if (::unshare(CLONE_NEWNS) != 0) {
                reasonText() = QStringLiteral("unshare: ") + QString::fromLocal8Bit(std::strerror(errno));
                return false;
            }
            // Mounts made from here on must not travel back to the shared namespace.
            if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                reasonText() = QStringLiteral("private /: ") + QString::fromLocal8Bit(std::strerror(errno));
                return false;
            }
            return true;
        }();
        return entered;
    }
    static QString reason() { return reasonText(); }

    // Makes `folder` show itself read-only from now on (its content is what it was).
    bool makeReadOnly(const QString& folder)
    {
        const QByteArray path = QFile::encodeName(folder);
        if (!available() || ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
            return false;
        mounted_.push_back(path);
        return ::mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

    bool mountTmpfs(const QString& folder)
    {
        const QByteArray path = QFile::encodeName(folder);
        if (!available() || ::mount("kestrel-test", path.constData(), "tmpfs", 0, "size=4m") != 0)
            return false;
        mounted_.push_back(path);
        return true;
    }

private:
    static QString& reasonText()
    {
        static QString text;
        return text;
    }

    std::vector<QByteArray> mounted_;
};

} // namespace testing_support
