// The print commands as the user meets them: the printer dialog, the status window with its cancel, the
// main window kept disabled while a job runs.

#include "browser/BmpThumbDecoder.h"
#include "platform/MessageBox.h"
#include "print/CPrintService.h"
#include "print/CPrintStatusDlg.h"
#include "resources/UiResources.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace print;

namespace {

DecoderList bitmapOnly(bool)
{
    DecoderList decoders;
    decoders.push_back(std::make_unique<BmpThumbDecoder>());
    return decoders;
}

// Answers the next modal printer dialog with accept (or reject), and notes what the main window looked
// like once printing had begun.
void answerPrintDialog(bool accept, QWidget* mainWindow, bool* sawDisabled, int tries = 100)
{
    QTimer::singleShot(tries == 100 ? 0 : 20, [=] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            // Not up yet; give up after two seconds so a missing dialog fails instead of hanging.
            ASSERT_GT(tries, 0) << "no printer dialog appeared";
            answerPrintDialog(accept, mainWindow, sawDisabled, tries - 1);
            return;
        }
        if (sawDisabled)
            QTimer::singleShot(0, [=] { *sawDisabled = !mainWindow->isEnabled(); });
        accept ? dialog->accept() : dialog->reject();
    });
}

}  // namespace

TEST(PrintStatus, CancelStopsBeforeTheNextPage)
{
    ASSERT_TRUE(UiResources::isBound(UiResources::Bundle::Uires) ||
                UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR)));
    CPrintStatusDlg status(QStringLiteral("Kestrel - 100ABCDE"), QStringLiteral("Office"), QStringLiteral("lp0"));
    status.show();
    EXPECT_TRUE(status.continueWithPage(1));
    EXPECT_EQ(status.pageText(), QStringLiteral("1 ページ"));
    EXPECT_EQ(status.windowTitle(), QStringLiteral("印刷中"));
    EXPECT_EQ(status.cancelButton()->text(), QStringLiteral("キャンセル"));
    status.cancelButton()->click();
    EXPECT_FALSE(status.continueWithPage(2));
    EXPECT_TRUE(status.isCancelled());
    CPrintStatusDlg escaped(QStringLiteral("d"), QStringLiteral("p"), QString());
    escaped.show();
    QTest::keyClick(&escaped, Qt::Key_Escape);
    EXPECT_FALSE(escaped.continueWithPage(1)) << "Escape cancels like the button";
}

TEST(PrintCommand, DialogThenPrintWithTheWindowDisabled)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString bmp = folder.filePath(QStringLiteral("a.bmp"));
    ASSERT_TRUE(image.save(bmp, "BMP"));
    const QVector<PrintEntry> entries{PrintEntry{bmp, QStringLiteral("a.bmp"), true, {}, {}},
                                      PrintEntry{bmp, QStringLiteral("b.txt"), false, {}, {}}};

    // Messages are recorded, never shown: a box would wait for a click no one gives.
    std::vector<platform::MessageRecord> shown;
    const auto previous = platform::setMessageSink([&shown](const platform::MessageRecord& record) {
        shown.push_back(record);
        return int(platform::IdOk);
    });
    ASSERT_TRUE(UiResources::isBound(UiResources::Bundle::Uires) ||
                UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR)));
    CPrintService service(bitmapOnly);
    service.setDialogOptions(QAbstractPrintDialog::PrintToFile);
    const QString pdf = folder.filePath(QStringLiteral("out.pdf"));
    service.printer().setOutputFormat(QPrinter::PdfFormat);
    service.printer().setOutputFileName(pdf);
    service.printer().setResolution(300);
    QWidget mainWindow;
    mainWindow.show();

    answerPrintDialog(false, &mainWindow, nullptr);
    EXPECT_EQ(service.printSingle(&mainWindow, QStringLiteral("t"), entries), PrintOutcome::Nothing);
    EXPECT_FALSE(QFile::exists(pdf)) << "a cancelled dialog prints nothing";

    bool sawDisabled = false;
    answerPrintDialog(true, &mainWindow, &sawDisabled);
    // Only the entry with a picture prints in the single-picture layout.
    EXPECT_EQ(service.printSingle(&mainWindow, QStringLiteral("t"), entries), PrintOutcome::Printed);
    EXPECT_TRUE(sawDisabled);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_TRUE(QFile::exists(pdf));

    // No picture among the selection: the command does nothing, without a dialog.
    EXPECT_EQ(service.printSingle(&mainWindow, QStringLiteral("t"), {entries.at(1)}), PrintOutcome::Nothing);

    // A printer that cannot start the document says so once.
    EXPECT_TRUE(shown.empty());
    service.printer().setOutputFileName(QStringLiteral("/nonexistent-folder/x/out.pdf"));
    answerPrintDialog(true, &mainWindow, nullptr);
    EXPECT_EQ(service.printIndex(&mainWindow, QStringLiteral("t"), entries), PrintOutcome::StartFailed);
    platform::setMessageSink(previous);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(mainWindow.isEnabled());
    // In the program's own words, under its own caption.
    ASSERT_TRUE(UiResources::isBound(UiResources::Bundle::Uires));
    EXPECT_EQ(shown[0].text, UiResources::string(kStartFailedString));
    EXPECT_EQ(shown[0].text, QStringLiteral("印刷を開始できませんでした。"));
    EXPECT_FALSE(shown[0].caption.isEmpty());
    EXPECT_EQ(shown[0].caption, UiResources::string(kMessageCaptionString));
    UiResources::unbind(UiResources::Bundle::Uires);
}
