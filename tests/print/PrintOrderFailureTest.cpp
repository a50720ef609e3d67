// What a failed or cancelled save leaves on the card: never less than the previous order.

#include "print/PrintOrder.h"

#include "fileops/Progress.h"
#include "print/PrintFixture.h"

#include <gtest/gtest.h>

#include <memory>

using print::EditedList;
using print::IoError;
using print::PrintOrder;
using testing_support::FailingIo;
using testing_support::PrintOrderTestBase;

namespace {

// A progress window whose user clicks cancel after `cancelAfter` steps.
class CancellingProgress : public fileops::Progress {
public:
    explicit CancellingProgress(int cancelAfter) : cancelAfter_(cancelAfter) {}
    void open(const QString& text) override
    {
        opened = true;
        openText = text;
    }
    void setItem(const QString&) override {}
    void setProgress(qint64 done, qint64 total) override
    {
        lastDone = done;
        lastTotal = total;
    }
    bool cancelRequested() override { return ++polls > cancelAfter_; }
    void close() override { closed = true; }

    bool opened = false;
    bool closed = false;
    QString openText;
    qint64 lastDone = 0;
    qint64 lastTotal = 0;
    int polls = 0;

private:
    int cancelAfter_;
};

class PrintOrderFailureTest : public PrintOrderTestBase {
protected:
    PrintOrderFailureTest()
    {
        for (int i = 1; i <= 3; ++i)
            card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA%1.JPG").arg(i, 4, 10, QLatin1Char('0')),
                          testing_support::exif2Jpeg());
        previous = "[HDR]\r\nGEN REV = 01.10\r\nGEN CRT = \"cam\" -01.00\r\n"
                   "[JOB]\r\nPRT PID = 001\r\nPRT TYP = STD\r\nPRT QTY = 001\r\nIMG FMT = EXIF2 -J\r\n"
                   "<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">\r\n"
                   "[JOB]\r\nPRT PID = 002\r\nPRT TYP = IDX\r\nPRT QTY = 001\r\nIMG FMT = EXIF2 -J\r\n"
                   "IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\"\r\n";
        card.makeFile("MISC/AUTPRINT.MRK", previous);
    }

    // An order loaded from the card, with two more pictures to print.
    std::unique_ptr<PrintOrder> editedOrder(std::shared_ptr<print::OrderFileIo> io)
    {
        auto order = std::make_unique<PrintOrder>(std::move(io));
        order->setCardPath(card.path("DCIM/100ABCDE"));
        EXPECT_TRUE(order->load());
        EditedList list;
        list.pictures = {{card.path("DCIM/100ABCDE/IMGA0002.JPG"), 2}, {card.path("DCIM/100ABCDE/IMGA0003.JPG"), 1}};
        EXPECT_TRUE(order->merge(list, nullptr));
        return order;
    }

    void expectWriteFailedMessage() const
    {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, UiResources::string(20037));
        EXPECT_EQ(messages[0].style & platform::MbIconMask, platform::MbIconStop);
        // A box without a caption would not say whose message it is.
        EXPECT_FALSE(messages[0].caption.isEmpty());
        EXPECT_EQ(messages[0].caption, UiResources::string(21012));
    }

    QByteArray previous;
};

TEST_F(PrintOrderFailureTest, DiskFullHalfWayDeletesTheOrderAndKeepsTheBackup)
{
    auto io = std::make_shared<FailingIo>();
    io->failWriteAt = 2; // header, first job, then the second job fails
    auto order = editedOrder(io);
    EXPECT_FALSE(order->save());
    expectWriteFailedMessage();
    EXPECT_FALSE(card.exists("MISC/AUTPRINT.MRK"));
    EXPECT_EQ(backupFile(), previous);

    // The previous order is recoverable from the backup as it was.
    PrintOrder recovered;
    card.makeFile("MISC/AUTPRINT.MRK", backupFile());
    recovered.setCardPath(card.path("DCIM/100ABCDE"));
    ASSERT_TRUE(recovered.load());
    EXPECT_EQ(recovered.jobs().size(), 2u);
}

TEST_F(PrintOrderFailureTest, WriteProtectionOrFailureOnTheLastFlushAlike)
{
    for (IoError error : {IoError::WriteProtected, IoError::Other}) {
        card.makeFile("MISC/AUTPRINT.MRK", previous);
        messages.clear();
        auto io = std::make_shared<FailingIo>();
        io->failWriteAt = 0;
        io->writeError = error;
        EXPECT_FALSE(editedOrder(io)->save());
        expectWriteFailedMessage();
        EXPECT_FALSE(card.exists("MISC/AUTPRINT.MRK"));
        EXPECT_EQ(backupFile(), previous);
    }

    card.makeFile("MISC/AUTPRINT.MRK", previous);
    messages.clear();
    auto io = std::make_shared<FailingIo>();
    io->finishError = IoError::DiskFull;
    EXPECT_FALSE(editedOrder(io)->save());
    expectWriteFailedMessage();
    EXPECT_FALSE(card.exists("MISC/AUTPRINT.MRK"));
    EXPECT_EQ(backupFile(), previous);
}

TEST_F(PrintOrderFailureTest, BackupThatCannotBeWrittenStopsBeforeAnythingChanges)
{
    card.makeFile("MISC/AUTPRINT.bak", "older backup");
    auto io = std::make_shared<FailingIo>();
    io->copyError = IoError::WriteProtected;
    EXPECT_FALSE(editedOrder(io)->save());
    expectWriteFailedMessage();
    EXPECT_EQ(orderFile(), previous);
    EXPECT_EQ(backupFile(), QByteArray("older backup"));
    EXPECT_EQ(io->writes, 0);
}

TEST_F(PrintOrderFailureTest, CancelPutsThePreviousOrderBack)
{
    auto order = editedOrder(std::make_shared<print::OrderFileIo>());
    CancellingProgress progress(1);
    EXPECT_FALSE(order->save(&progress));
    EXPECT_TRUE(progress.opened);
    EXPECT_EQ(progress.openText, UiResources::string(21053));
    EXPECT_TRUE(progress.closed);
    EXPECT_EQ(progress.lastTotal, 4); // three standard jobs and one carried job
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(orderFile(), previous);
    EXPECT_EQ(backupFile(), previous);

    // Not cancelled, the same save goes through.
    CancellingProgress patient(100);
    EXPECT_TRUE(order->save(&patient));
    EXPECT_EQ(patient.lastDone, 4);
    EXPECT_EQ(orderFile().count("[JOB]"), 4);
}

TEST_F(PrintOrderFailureTest, CancelOfAFirstOrderLeavesNoOrderBehind)
{
    // A backup from long ago must not come back as the order.
    QFile::remove(card.path("MISC/AUTPRINT.MRK"));
    card.makeFile("MISC/AUTPRINT.bak", previous);
    auto order = editedOrder(std::make_shared<print::OrderFileIo>());
    CancellingProgress progress(0);
    EXPECT_FALSE(order->save(&progress));
    EXPECT_FALSE(card.exists("MISC/AUTPRINT.MRK"));

    // Nor are its jobs carried into a new order.
    ASSERT_TRUE(order->save());
    EXPECT_FALSE(orderFile().contains("IDX"));
}

TEST_F(PrintOrderFailureTest, CardNotReadyWhenLoading)
{
    auto io = std::make_shared<FailingIo>();
    io->readError = IoError::NotReady;
    PrintOrder order(io);
    order.setCardPath(card.path("DCIM/100ABCDE"));
    EXPECT_FALSE(order.load());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, UiResources::string(20038));
    EXPECT_EQ(messages[0].caption, UiResources::string(21012));
    EXPECT_EQ(messages[0].style & platform::MbIconMask, platform::MbIconExclamation);

    // A card without an order file is simply an empty order.
    QFile::remove(card.path("MISC/AUTPRINT.MRK"));
    PrintOrder empty;
    empty.setCardPath(card.path("DCIM/100ABCDE"));
    EXPECT_TRUE(empty.load());
    EXPECT_TRUE(empty.jobs().empty());
}

TEST(OrderFileIoErrors, ErrnoKinds)
{
    EXPECT_EQ(print::ioErrorFromErrno(EROFS), IoError::WriteProtected);
    EXPECT_EQ(print::ioErrorFromErrno(EACCES), IoError::WriteProtected);
    EXPECT_EQ(print::ioErrorFromErrno(ENOSPC), IoError::DiskFull);
    EXPECT_EQ(print::ioErrorFromErrno(ENOENT), IoError::NotFound);
    EXPECT_EQ(print::ioErrorFromErrno(ENOMEDIUM), IoError::NotReady);
    EXPECT_EQ(print::ioErrorFromErrno(EINVAL), IoError::Other);
}

} // namespace
