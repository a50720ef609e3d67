#pragma once
// A fake card with a print order for the print-order tests: a removable volume in a temporary folder,
// the program's string bundle bound, and every message box recorded instead of shown.

#include "media/FakeCard.h"
#include "platform/MessageBox.h"
#include "print/OrderFileIo.h"
#include "resources/UiResources.h"

#include "TestData.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <vector>

namespace testing_support {

[[maybe_unused]] inline const bool librariesPinned = pinLibraries({"ImgProbe"});

// A file of the test data, e.g. "realworld/jpeg_exif/Canon IXUS.jpg".
inline QByteArray dataFile(const char* relative)
{
    QFile file(QString::fromStdString(testdata::require(relative)));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative;
    return file.readAll();
}
inline QByteArray exif2Jpeg()
{
    return dataFile("realworld/jpeg_exif/Canon IXUS.jpg");
}
inline QByteArray exif1Jpeg()
{
    return dataFile("realworld/jpeg_exif/FujiFilm DS-7 (1).jpg");
}
inline QByteArray jfifJpeg()
{
    return dataFile("made/jpeg_no_exif/jfxx-app12.jpg");
}

class PrintOrderTestBase : public ::testing::Test {
protected:
    PrintOrderTestBase() : card(table.addDrive("removable", "CARD"))
    {
        EXPECT_TRUE(UiResources::isBound(UiResources::Bundle::Uires) ||
                    UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR)));
        previousSink_ = platform::setMessageSink([this](const platform::MessageRecord& record) {
            messages.push_back(record);
            return platform::defaultAnswer(record.style);
        });
    }
    ~PrintOrderTestBase() override { platform::setMessageSink(previousSink_); }

    QByteArray orderFile() const { return card.read("MISC/AUTPRINT.MRK"); }
    QByteArray backupFile() const { return card.read("MISC/AUTPRINT.bak"); }

    VolumeTable table;
    const FakeTree& card;
    std::vector<platform::MessageRecord> messages;

private:
    platform::MessageSink previousSink_;
};

// Writes that fail on a chosen call, as a card that fills up or is pulled half-way would.
class FailingIo : public print::OrderFileIo {
public:
    int failWriteAt = -1; // 0-based index of the write() call that fails
    print::IoError writeError = print::IoError::DiskFull;
    print::IoError copyError = print::IoError::None;
    print::IoError readError = print::IoError::None;
    print::IoError finishError = print::IoError::None;
    int writes = 0;

    print::IoError read(const QString& path, QByteArray* content) override
    {
        return readError != print::IoError::None ? readError : OrderFileIo::read(path, content);
    }
    print::IoError copy(const QString& from, const QString& to) override
    {
        return copyError != print::IoError::None ? copyError : OrderFileIo::copy(from, to);
    }
    print::IoError write(const QByteArray& bytes) override
    {
        if (writes++ == failWriteAt) {
            // Half of the bytes reach the card before it fails.
            OrderFileIo::write(bytes.left(bytes.size() / 2));
            return writeError;
        }
        return OrderFileIo::write(bytes);
    }
    print::IoError finish() override
    {
        if (finishError != print::IoError::None) {
            abandon();
            return finishError;
        }
        return OrderFileIo::finish();
    }
};

} // namespace testing_support
