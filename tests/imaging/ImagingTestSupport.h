#pragma once
// Helpers for the image adapter tests: a recorder of message boxes, a library folder with one codec
// library missing (or replaced by one without exports), and hand-made packed DIBs.

#include "siblings/SiblingTestSupport.h"

#include "imaging/PackedDib.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace imagingtest {

using siblingtest::fixture;
using siblingtest::readFile;

// Records every message box while it lives and answers each with its default button.
class MessageLog {
public:
    MessageLog()
    {
        platform::setMessageSink([this](const platform::MessageRecord& record) {
            records.push_back(record);
            return platform::defaultAnswer(record.style);
        });
    }
    ~MessageLog() { platform::setMessageSink({}); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<platform::MessageRecord> records;
};

// Every library the adapters load by name.
inline const QStringList& codecLibraries()
{
    static const QStringList names = {QStringLiteral("QuilJpeg"), QStringLiteral("ExifKit"), QStringLiteral("ImgProbe"),
                                      QStringLiteral("ImgShift"), QStringLiteral("Turnkit"), QStringLiteral("Stillform"),
                                      QStringLiteral("Capline"), QStringLiteral("Vistra32")};
    return names;
}

// A temporary program folder holding copies of the built libraries, with `missing` left out or, when
// `exportless` is set, replaced by a library that loads but exports nothing. Library lookups are pinned
// to it while the object lives.
class LibraryFolder {
public:
    explicit LibraryFolder(const QString& missing = {}, bool exportless = false)
    {
        for (const QString& name : codecLibraries()) {
            const QString file = QStringLiteral("lib") + name + QStringLiteral(".so");
            const QString source = QStringLiteral(KESTREL_BIN_DIR "/") + file;
            if (name == missing) {
                if (exportless)
                    QFile::copy(QStringLiteral(KESTREL_BIN_DIR "/imaging-test/libNoExports.so"), dir_.filePath(file));
                continue;
            }
            QFile::copy(source, dir_.filePath(file));
        }
        platform::setProgramFolder(dir_.path());
    }
    ~LibraryFolder() { platform::setProgramFolder({}); }
    LibraryFolder(const LibraryFolder&) = delete;
    LibraryFolder& operator=(const LibraryFolder&) = delete;

    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// A PackedDib made from the hand-made DIB of the sibling tests.
inline imaging::PackedDib makeDib(const siblingtest::DibSpec& shape, uint32_t seed)
{
    return imaging::PackedDib::adopt(siblingtest::makeDib(shape, seed));
}

inline QString copyFixture(const QTemporaryDir& dir, const char* name, const QString& as = {})
{
    const QString target = dir.filePath(as.isEmpty() ? QLatin1String(name) : as);
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(QString::fromStdString(fixture(name)), target));
    QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return target;
}

}  // namespace imagingtest
