// The print-order dialog driven as a user would: opening on a card, editing quantities, and OK writing
// the card's order, read back with the reader.

#include "print/CPrintOrderDlg.h"
#include "print/CPrintProgressDlg.h"
#include "print/DpofReader.h"

#include "print/PrintFixture.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>

using testing_support::PrintOrderTestBase;

namespace {


class PrintOrderDlgTest : public PrintOrderTestBase {
protected:
    PrintOrderDlgTest()
    {
        // The large-order question gets the answer a test chooses; every other box its default.
        platform::setMessageSink([this](const platform::MessageRecord& record) {
            messages.push_back(record);
            if ((record.style & platform::MbButtonMask) == platform::MbYesNo)
                return largeOrderAnswer;
            return platform::defaultAnswer(record.style);
        });
    }

    // The pictures the real order names, and that order on the card.
    void makeRealCard()
    {
        card.makeFiles({"DCIM/100ABCDE/ABCD0001.JPG", "DCIM/100ABCDE/ABCD0002.JPG", "DCIM/100ABCDE/ABCD0003.JPG",
                        "DCIM/102_BLUE/BLUE0001.JPG"});
        QFile real(QString::fromStdString(testdata::realWorld("dpof/MISC/AUTPRINT.MRK")));
        ASSERT_TRUE(real.open(QIODevice::ReadOnly));
        card.makeFile("MISC/AUTPRINT.MRK", real.readAll());
    }

    QString folder() const { return card.path("DCIM/100ABCDE"); }
    QString picture(const char* name) const
    {
        return card.path(QStringLiteral("DCIM/100ABCDE/") + QLatin1String(name));
    }

    template <typename T> static T* control(const CPrintOrderDlg& dialog, const QString& name)
    {
        T* found = dialog.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    static QComboBox* names(const CPrintOrderDlg& d) { return control<QComboBox>(d, QStringLiteral("1070")); }
    static QRadioButton* printButton(const CPrintOrderDlg& d)
    {
        return control<QRadioButton>(d, QStringLiteral("1072"));
    }
    static QRadioButton* skipButton(const CPrintOrderDlg& d)
    {
        return control<QRadioButton>(d, QStringLiteral("1073"));
    }
    static QLineEdit* quantity(const CPrintOrderDlg& d) { return control<QLineEdit>(d, QStringLiteral("1074")); }
    static QString total(const CPrintOrderDlg& d) { return control<QLabel>(d, QStringLiteral("1076"))->text(); }
    static QToolButton* arrow(const CPrintOrderDlg& d, const char* name)
    {
        return control<QToolButton>(d, QLatin1String(name));
    }
    static void leaveQuantity(CPrintOrderDlg& d)
    {
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(quantity(d), &focusOut);
    }
    static void clickOk(CPrintOrderDlg& d) { control<QPushButton>(d, QStringLiteral("1"))->click(); }

    // Replaces the quantity's text by keystrokes, as typing does.
    static void type(CPrintOrderDlg& d, const char* text)
    {
        QLineEdit* field = quantity(d);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, QLatin1String(text));
    }

    // The standard jobs of the card's order as path -> quantity.
    std::map<QString, int> standardJobs() const
    {
        std::map<QString, int> jobs;
        for (const print::PrintJob& job : print::dpof::parse(orderFile(), card.root()).jobs) {
            if (job.isStandard())
                jobs[job.imagePath] = job.quantity;
        }
        return jobs;
    }

    int largeOrderAnswer = platform::IdYes;
};

TEST_F(PrintOrderDlgTest, RefusedFilesAreToldAndTheFirstPictureShown)
{
    makeRealCard();
    card.makeFiles({"DCIM/100ABCDE/C.BMP", "DCIM/100ABCDE/LONGNAME1.JPG"});
    CPrintOrderDlg dialog(folder(), {picture("ABCD0002.JPG"), picture("LONGNAME1.JPG"), picture("abcd0001.jpg"),
                                     picture("C.BMP"), picture("IMG 0001.JPG")});
    ASSERT_TRUE(dialog.isOpen());

    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, QStringLiteral("[ C.BMP ]") + UiResources::string(21054));
    EXPECT_EQ(messages[1].text, QStringLiteral("[ IMG 0001.JPG ]") + UiResources::string(21055));
    EXPECT_EQ(messages[2].text, QStringLiteral("[ LONGNAME1.JPG ]") + UiResources::string(21056));
    for (const auto& message : messages) {
        EXPECT_EQ(message.caption, UiResources::string(21012));
        EXPECT_EQ(message.style & platform::MbIconMask, platform::MbIconExclamation);
    }

    // Sorted by full path without regard to case; the first shown with its quantity from the order.
    QComboBox* list = names(dialog);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), QStringLiteral("abcd0001.jpg"));
    EXPECT_EQ(list->itemText(1), QStringLiteral("ABCD0002.JPG"));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_TRUE(printButton(dialog)->isChecked());
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("1"));
    EXPECT_TRUE(quantity(dialog)->isEnabled());
    EXPECT_EQ(quantity(dialog)->maxLength(), 3);
    EXPECT_EQ(total(dialog), QStringLiteral("8")); // every quantity of the file, the index print's too

    arrow(dialog, "pictureDown")->click();
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("2"));
    arrow(dialog, "pictureDown")->click(); // the last stays
    EXPECT_EQ(list->currentIndex(), 1);
    arrow(dialog, "pictureUp")->click();
    EXPECT_EQ(list->currentIndex(), 0);
}

TEST_F(PrintOrderDlgTest, NothingAcceptedClosesTheDialog)
{
    card.makeFile("DCIM/100ABCDE/C.BMP");
    CPrintOrderDlg dialog(folder(), {picture("C.BMP")});
    EXPECT_FALSE(dialog.isOpen());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, UiResources::string(21052));
    EXPECT_EQ(messages[1].caption, UiResources::string(21012));
    // exec() must come back without waiting for a user.
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(card.exists("MISC/AUTPRINT.MRK"));
}

TEST_F(PrintOrderDlgTest, AnUnreadableCardClosesTheDialog)
{
    card.makeFile("DCIM/100ABCDE/A.JPG");
    auto io = std::make_shared<testing_support::FailingIo>();
    io->readError = print::IoError::NotReady;
    CPrintOrderDlg dialog(folder(), {picture("A.JPG")}, {}, nullptr, io);
    EXPECT_FALSE(dialog.isOpen());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, UiResources::string(20038));
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

TEST_F(PrintOrderDlgTest, EditingMovesQuantitiesAndTotal)
{
    card.makeFiles({"DCIM/100ABCDE/A.JPG", "DCIM/100ABCDE/B.JPG"});
    CPrintOrderDlg dialog(folder(), {picture("A.JPG"), picture("B.JPG")});
    ASSERT_TRUE(dialog.isOpen());
    EXPECT_TRUE(skipButton(dialog)->isChecked());
    EXPECT_FALSE(quantity(dialog)->isEnabled());
    EXPECT_FALSE(arrow(dialog, "quantityUp")->isEnabled());
    EXPECT_EQ(total(dialog), QStringLiteral("0"));

    printButton(dialog)->click();
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("1"));
    EXPECT_TRUE(quantity(dialog)->isEnabled());
    EXPECT_EQ(total(dialog), QStringLiteral("1"));
    printButton(dialog)->click(); // already printing: nothing more
    EXPECT_EQ(total(dialog), QStringLiteral("1"));

    type(dialog, "12");
    EXPECT_EQ(total(dialog), QStringLiteral("12"));
    QTest::keyClicks(quantity(dialog), QStringLiteral("x-")); // not a number: refused at the keyboard
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("12"));
    QTest::keyClicks(quantity(dialog), QStringLiteral("34")); // three characters at most
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("123"));
    EXPECT_EQ(total(dialog), QStringLiteral("123"));

    // An emptied field is no quantity: the picture keeps its copies, and gets them back on leaving.
    type(dialog, "");
    EXPECT_EQ(total(dialog), QStringLiteral("123"));
    leaveQuantity(dialog);
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("123"));

    type(dialog, "998");
    arrow(dialog, "quantityUp")->click();
    arrow(dialog, "quantityUp")->click(); // held at 999
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("999"));
    EXPECT_EQ(total(dialog), QStringLiteral("999"));
    type(dialog, "2");
    arrow(dialog, "quantityDown")->click();
    arrow(dialog, "quantityDown")->click(); // held at 1
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("1"));
    EXPECT_EQ(total(dialog), QStringLiteral("1"));

    // A typed 0 is a picture not printed.
    type(dialog, "0");
    leaveQuantity(dialog);
    EXPECT_TRUE(skipButton(dialog)->isChecked());
    EXPECT_FALSE(quantity(dialog)->isEnabled());
    EXPECT_EQ(total(dialog), QStringLiteral("0"));

    // The typed quantity on every picture.
    printButton(dialog)->click();
    type(dialog, "5");
    control<QPushButton>(dialog, QStringLiteral("setAll"))->click();
    EXPECT_EQ(total(dialog), QStringLiteral("10"));
    names(dialog)->setCurrentIndex(1);
    EXPECT_TRUE(printButton(dialog)->isChecked());
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("5"));

    skipButton(dialog)->click();
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("0"));
    EXPECT_EQ(total(dialog), QStringLiteral("5"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(PrintOrderDlgTest, TotalNeverShowsLessThanNoCopies)
{
    card.makeFiles({"DCIM/100ABCDE/A.JPG", "DCIM/100ABCDE/B.JPG"});
    card.makeFile("MISC/AUTPRINT.MRK", "h\r\nh\r\nh\r\n[JOB]\r\nPRT PID = 001\r\nPRT TYP = STD\r\nPRT QTY = 004\r\n"
                                       "<IMG SRC = \"../DCIM/100ABCDE/A.JPG\">\r\n"
                                       "[JOB]\r\nPRT PID = 002\r\nPRT TYP = STD\r\nPRT QTY = -9\r\n"
                                       "<IMG SRC = \"../DCIM/100ABCDE/B.JPG\">\r\n");
    CPrintOrderDlg dialog(folder(), {picture("A.JPG"), picture("A.JPG"), picture("B.JPG")});
    ASSERT_TRUE(dialog.isOpen());
    EXPECT_EQ(names(dialog)->count(), 2); // a picture named twice is listed once
    EXPECT_EQ(total(dialog), QStringLiteral("0"));
    skipButton(dialog)->click();
    EXPECT_EQ(total(dialog), QStringLiteral("0"));
    EXPECT_EQ(dialog.editedList().totalCopies, 0);

    // A negative quantity prints nothing: shown as not printed, and printing it gives one copy.
    names(dialog)->setCurrentIndex(1);
    EXPECT_TRUE(skipButton(dialog)->isChecked());
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("0"));
    printButton(dialog)->click();
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("1"));
    EXPECT_EQ(total(dialog), QStringLiteral("1"));
}

TEST_F(PrintOrderDlgTest, OkWritesTheOrderAndCloses)
{
    makeRealCard();
    card.makeFile("DCIM/100ABCDE/ABCD0004.JPG");
    const QByteArray original = orderFile();
    CPrintOrderDlg dialog(folder(), {picture("ABCD0001.JPG"), picture("ABCD0003.JPG"), picture("ABCD0004.JPG")});
    ASSERT_TRUE(dialog.isOpen());
    type(dialog, "4");
    names(dialog)->setCurrentIndex(1);
    skipButton(dialog)->click();
    names(dialog)->setCurrentIndex(2);
    printButton(dialog)->click();
    EXPECT_EQ(total(dialog), QStringLiteral("11"));

    clickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (const auto& message : messages)
        EXPECT_NE(message.style & platform::MbIconMask, platform::MbIconStop) << message.text.toStdString();

    const std::map<QString, int> expected{{picture("ABCD0001.JPG"), 4},
                                          {picture("ABCD0002.JPG"), 2},
                                          {card.path("DCIM/102_BLUE/BLUE0001.JPG"), 3},
                                          {picture("ABCD0004.JPG"), 1}};
    EXPECT_EQ(standardJobs(), expected);
    // The index print is carried over with all four pictures, after the standard jobs.
    const QByteArray written = orderFile();
    EXPECT_EQ(written.count("\r\nIMG SRC = \"../DCIM/"), 4);
    EXPECT_GT(written.indexOf("PRT TYP = IDX"), written.indexOf("ABCD0004.JPG"));
    EXPECT_TRUE(written.startsWith("[HDR]\r\nGEN REV = 01.10\r\nGEN CRT = \"Bluetooth camera\" -01.00\r\n"));
    EXPECT_EQ(backupFile(), original);
}

TEST_F(PrintOrderDlgTest, LargeOrderAnsweredNoKeepsTheDialog)
{
    QByteArray content = "[HDR]\r\nGEN REV = 01.10\r\nGEN CRT = \"x\" -01.00\r\n";
    for (int i = 1; i <= 999; ++i) {
        content += "[JOB]\r\nPRT PID = " + QByteArray::number(i) + "\r\nPRT TYP = STD\r\nPRT QTY = 001\r\n" +
                   "<IMG SRC = \"../DCIM/100ABCDE/P" + QByteArray::number(i) + ".JPG\">\r\n";
    }
    card.makeFile("MISC/AUTPRINT.MRK", content);
    card.makeFile("DCIM/100ABCDE/A.JPG");
    CPrintOrderDlg dialog(folder(), {picture("A.JPG")});
    ASSERT_TRUE(dialog.isOpen());
    printButton(dialog)->click();
    dialog.show();

    largeOrderAnswer = platform::IdNo;
    clickOk(dialog);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, UiResources::string(21050));
    EXPECT_EQ(messages[0].text, UiResources::string(21051));
    EXPECT_EQ(messages[0].style, unsigned(platform::MbYesNo | platform::MbIconExclamation));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(orderFile(), content);
    EXPECT_EQ(dialog.order().jobs().size(), 999u);
    EXPECT_FALSE(card.exists("MISC/AUTPRINT.bak"));

    // Without the new picture the order stays below the limit and is written without a question.
    skipButton(dialog)->click();
    messages.clear();
    clickOk(dialog);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(PrintOrderDlgTest, CancelWhileSavingKeepsThePreviousOrder)
{
    makeRealCard();
    const QByteArray original = orderFile();
    CPrintOrderDlg dialog(folder(), {picture("ABCD0001.JPG"), picture("ABCD0002.JPG"), picture("ABCD0003.JPG")});
    ASSERT_TRUE(dialog.isOpen());
    type(dialog, "7");
    dialog.show();

    // The save polls the window between jobs; the click lands at the first poll.
    QString shownText;
    std::function<void()> clickCancel = [&] {
        auto* progress = dialog.findChild<CPrintProgressDlg*>();
        if (!progress || !progress->isVisible()) {
            QTimer::singleShot(0, &dialog, clickCancel);
            return;
        }
        shownText = progress->text();
        progress->cancelButton()->click();
    };
    QTimer::singleShot(0, &dialog, clickCancel);
    clickOk(dialog);

    EXPECT_EQ(shownText, UiResources::string(21053));
    EXPECT_EQ(orderFile(), original);
    EXPECT_TRUE(dialog.isVisible()); // the user's quantities are still there to try again
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("7"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(PrintOrderDlgTest, CardWithoutAnOrderGetsOne)
{
    card.makeFiles({"DCIM/100ABCDE/A.JPG", "DCIM/100ABCDE/B.JPG"});
    CPrintOrderDlg dialog(folder(), {picture("B.JPG"), picture("A.JPG")});
    ASSERT_TRUE(dialog.isOpen());
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("0"));
    names(dialog)->setCurrentIndex(1);
    EXPECT_EQ(quantity(dialog)->text(), QStringLiteral("0"));
    printButton(dialog)->click();

    clickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const QByteArray header = (UiResources::string(21000) + QStringLiteral("\r\n") + UiResources::string(21001) +
                               QStringLiteral("\r\n") + UiResources::string(21002) + QStringLiteral("\r\n\r\n"))
                                  .toUtf8();
    EXPECT_TRUE(orderFile().startsWith(header));
    EXPECT_EQ(standardJobs(), (std::map<QString, int>{{picture("B.JPG"), 1}}));
}

TEST_F(PrintOrderDlgTest, ThumbnailIsDrawnFittedAndCentred)
{
    card.makeFiles({"DCIM/100ABCDE/A.JPG", "DCIM/100ABCDE/B.JPG"});
    QStringList asked;
    QImage red(300, 100, QImage::Format_RGB32);
    red.fill(Qt::red);
    const auto thumbnails = [&](const QString& path) {
        asked << path;
        return path.endsWith(QLatin1String("A.JPG")) ? imaging::PackedDib::fromImage(red) : imaging::PackedDib();
    };
    CPrintOrderDlg dialog(folder(), {picture("A.JPG"), picture("B.JPG")}, thumbnails);
    ASSERT_TRUE(dialog.isOpen());
    EXPECT_EQ(asked, QStringList{picture("A.JPG")});

    auto* frame = dialog.findChild<QFrame*>(QStringLiteral("1009"));
    ASSERT_NE(frame, nullptr);
    const QImage drawn = frame->grab().toImage();
    const QRect box = frame->contentsRect();
    const QPoint centre = box.center();
    const auto isRed = [&](int x, int y) { return QColor(drawn.pixel(x, y)) == QColor(Qt::red); };
    // Three times wider than high: the whole width of the box (a column may go to rounding) ...
    EXPECT_TRUE(isRed(box.left(), centre.y()));
    EXPECT_TRUE(isRed(box.right() - 1, centre.y()));
    // ... and a band a third of that high, in the middle.
    int first = -1;
    int last = -1;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        if (isRed(centre.x(), y)) {
            if (first < 0)
                first = y;
            last = y;
        }
    }
    ASSERT_GE(first, 0);
    const int height = last - first + 1;
    EXPECT_NEAR(height, box.width() / 3, 1);
    EXPECT_NEAR(first - box.top(), box.bottom() - last, 1);
    EXPECT_FALSE(isRed(centre.x(), box.top()));

    // Edits do not ask again.
    printButton(dialog)->click();
    arrow(dialog, "quantityUp")->click();
    EXPECT_EQ(asked.size(), 1);

    // The next picture has no thumbnail yet: the frame is cleared.
    names(dialog)->setCurrentIndex(1);
    EXPECT_EQ(asked.size(), 2);
    EXPECT_NE(QColor(frame->grab().toImage().pixel(centre)), QColor(Qt::red));
}

TEST(PrintProgressDlg, ShowsPercentAndTakesTheCancel)
{
    CPrintProgressDlg progress;
    progress.open(QStringLiteral("writing"));
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.text(), QStringLiteral("writing"));
    progress.setProgress(1, 4);
    EXPECT_EQ(progress.percentText(), QStringLiteral("25%"));
    EXPECT_EQ(progress.barValue(), 25);
    progress.setProgress(7, 0); // no steps at all
    EXPECT_EQ(progress.percentText(), QStringLiteral("0%"));
    progress.setProgress(5, 4);
    EXPECT_EQ(progress.barValue(), 100);

    EXPECT_FALSE(progress.cancelRequested());
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_TRUE(progress.cancelRequested());
    EXPECT_TRUE(progress.isVisible()); // the save closes it when it has finished off

    progress.open(QStringLiteral("again"));
    EXPECT_FALSE(progress.cancelRequested());
    QTimer::singleShot(0, progress.cancelButton(), &QPushButton::click);
    EXPECT_TRUE(progress.cancelRequested());
    progress.close();
    EXPECT_FALSE(progress.isVisible());
}

} // namespace
