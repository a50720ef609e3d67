#pragma once
// How the print order reaches the card: reading, copying, writing and removing its files.
//
// The print order is the user's only record of which pictures to print, so every failure on the way must
// be told apart (a write-protected card, a full card, a card that is not there) and handled by the
// order's own rules. This class is the one place that talks to the file system for it; tests replace it
// to make a write fail half-way, which file permissions cannot do for a process running as root.

#include <QByteArray>
#include <QString>

namespace print {

enum class IoError {
    None,
    NotFound,       // the file or its folder does not exist
    WriteProtected, // read-only medium or no permission
    DiskFull,
    NotReady, // no medium, or the device does not answer
    Other,
};

// The kind of an errno value.
IoError ioErrorFromErrno(int error);

class OrderFileIo {
public:
    virtual ~OrderFileIo();

    // Reads the whole file.
    virtual IoError read(const QString& path, QByteArray* content);

    // Copies `from` over `to` (replacing it).
    virtual IoError copy(const QString& from, const QString& to);

    // Opens `path` for writing, replacing its content; the folder is made when missing. One file at a
    // time: write() and finish() act on it.
    virtual IoError create(const QString& path);
    virtual IoError write(const QByteArray& bytes);
    // Flushes the file to the medium and closes it.
    virtual IoError finish();
    // Closes the file without caring for errors (after a failure or a cancel).
    virtual void abandon();

    virtual bool remove(const QString& path);

private:
    int fd_ = -1;
};

} // namespace print
