#include "design/CDesignDropDown.h"

#include "design/CDesignDropList.h"
#include "DesignTestSupport.h"

#include <QPointer>
#include <QSignalSpy>

namespace {

enum { TextPart = 1, ButtonPart = 2, ButtonNormal = 3, ButtonPressed = 4, ButtonLit = 5, Missing = 99 };

constexpr int kControlId = 1145;
const QColor kBox(40, 40, 40), kRed(200, 0, 0), kGreen(0, 200, 0), kBlue(0, 0, 200);

class DesignDropDownTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bitmaps.add(TextPart, {60, 18}, kBox).add(ButtonPart, {18, 18}, kBox);
        bitmaps.add(ButtonNormal, {18, 18}, kRed).add(ButtonPressed, {18, 18}, kGreen).add(ButtonLit, {18, 18}, kBlue);
        owner.resize(300, 200);
        owner.setFocusPolicy(Qt::StrongFocus);
        elsewhere = new QWidget(&owner);
        elsewhere->setGeometry(0, 100, 300, 100);
        elsewhere->setFocusPolicy(Qt::StrongFocus);
    }

    CDesignDropDown* makeDropDown()
    {
        auto* box = new CDesignDropDown(&owner, kControlId, bitmaps.lookup());
        EXPECT_TRUE(box->create(QStringLiteral("128"), CDesignDropDown::kStyleVisible, QRect(10, 10, 50, 20)));
        EXPECT_TRUE(box->setBitmaps(TextPart, ButtonPart, ButtonNormal, ButtonPressed, ButtonLit));
        for (const char* size : {"128", "96", "64", "48", "32"})
            box->addString(QString::fromLatin1(size));
        return box;
    }

    // Clicks the drop button and waits for the list to slide fully open.
    void openByClick(CDesignDropDown* box)
    {
        QSignalSpy opened(box, &CDesignDropDown::listOpened);
        const QPoint button = box->buttonRect().center();
        moveOn(box, button);
        pressOn(box, button);
        EXPECT_EQ(box->buttonState(), CDesignDropDown::ButtonHighlighted);
        releaseOn(box, button);
        EXPECT_EQ(box->buttonState(), CDesignDropDown::ButtonPressed);
        ASSERT_TRUE(opened.count() > 0 || opened.wait(kWaitMs));
    }

    BitmapTable bitmaps;
    QWidget owner;
    QWidget* elsewhere = nullptr;
};

TEST_F(DesignDropDownTest, BoxIsSizedByItsBitmaps)
{
    CDesignDropDown* box = makeDropDown();
    EXPECT_EQ(box->size(), QSize(78, 18));
    EXPECT_EQ(box->textRect(), QRect(0, 0, 60, 18));
    EXPECT_EQ(box->buttonRect(), QRect(60, 0, 18, 18));
    EXPECT_EQ(box->list()->objectName(), "7005");
    EXPECT_EQ(box->list()->size(), QSize(100, 83));
    EXPECT_EQ(box->font().family(), "Arial");
    EXPECT_EQ(box->font().pixelSize(), 12);

    auto* partial = new CDesignDropDown(&owner, 7, bitmaps.lookup());
    ASSERT_TRUE(partial->create(QString(), 0, QRect(0, 0, 10, 10)));
    EXPECT_FALSE(partial->isVisibleTo(&owner)) << "not asked to be visible";
    EXPECT_FALSE(partial->setBitmaps(TextPart, ButtonPart, ButtonNormal, Missing, ButtonLit));
    EXPECT_EQ(partial->size(), QSize(78, 18)) << "the bitmaps found still size the box";
}

TEST_F(DesignDropDownTest, TextIsWhiteAndCentredInTheTextArea)
{
    CDesignDropDown* box = makeDropDown();
    box->setText(QStringLiteral("MMMM"));
    showActive(owner);
    const QImage image = box->grab().toImage();
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 200)
                ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(box->textRect().contains(ink));
    EXPECT_NEAR(ink.center().x(), box->textRect().center().x(), 2);
    EXPECT_NEAR(ink.center().y(), box->textRect().center().y(), 3);
    EXPECT_EQ(pixelOf(box, box->buttonRect().center()), rgb(kRed));
}

TEST_F(DesignDropDownTest, ButtonLightsUnderTheCursorUntilItLeaves)
{
    CDesignDropDown* box = makeDropDown();
    showActive(owner);
    moveOn(elsewhere, QPoint(5, 5));
    moveOn(box, box->textRect().center());
    EXPECT_EQ(box->hoverTimer(), 0) << "the text area does not light the button";

    moveOn(box, box->buttonRect().center());
    EXPECT_EQ(box->buttonState(), CDesignDropDown::ButtonHighlighted);
    EXPECT_EQ(box->hoverTimer(), CDesignDropDown::kHoverTimerId);
    EXPECT_EQ(pixelOf(box, box->buttonRect().center()), rgb(kBlue));

    moveOn(box, box->textRect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->hoverTimer() == 0; }, kWaitMs));
    EXPECT_EQ(box->buttonState(), CDesignDropDown::ButtonNormal);
    EXPECT_EQ(pixelOf(box, box->buttonRect().center()), rgb(kRed));
}

TEST_F(DesignDropDownTest, ListSlidesOpenBelowTheBoxAndTakesTheMouse)
{
    CDesignDropDown* box = makeDropDown();
    showActive(owner);
    QWidget* frame = box->popupFrame();
    CDesignDropList* list = box->list();
    const int fullHeight = list->itemHeight() * 5;

    box->openList(box->mapToGlobal(QPoint(0, box->height())));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(box->isListOpen());
    const QRect firstStep = frame->mask().boundingRect();
    EXPECT_GT(firstStep.height(), 0);
    EXPECT_LT(firstStep.height(), fullHeight) << "the list starts partly hidden";
    EXPECT_EQ(firstStep.width(), CDesignDropDown::kListWidth);

    QSignalSpy opened(box, &CDesignDropDown::listOpened);
    ASSERT_TRUE(opened.wait(kWaitMs));
    EXPECT_TRUE(box->isListOpen());
    EXPECT_TRUE(frame->mask().isEmpty()) << "the region is removed at the end";
    EXPECT_EQ(frame->geometry(), QRect(box->mapToGlobal(QPoint(0, 18)), QSize(100, fullHeight)));
    EXPECT_EQ(list->geometry(), QRect(0, 0, 100, fullHeight));
    EXPECT_EQ(QWidget::mouseGrabber(), list);
}

TEST_F(DesignDropDownTest, ChoiceSetsTheTextAndNotifiesTheOwner)
{
    CDesignDropDown* box = makeDropDown();
    showActive(owner);
    elsewhere->setFocus();
    QSignalSpy commands(box, &CDesignDropDown::command);
    openByClick(box);
    CDesignDropList* list = box->list();
    ASSERT_TRUE(box->popupFrame()->isVisible());

    const QPoint third = list->rowRect(2).center();
    QTest::mousePress(box->popupFrame()->windowHandle(), Qt::LeftButton, {}, third);
    QTest::mouseRelease(box->popupFrame()->windowHandle(), Qt::LeftButton, {}, third);

    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), kControlId);
    EXPECT_EQ(commands[0][1].toInt(), CDesignDropDown::kSelectionChanged);
    EXPECT_EQ(box->text(), "64");
    EXPECT_EQ(box->currentSelection(), 2);
    EXPECT_FALSE(box->popupFrame()->isVisible());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return owner.hasFocus(); }, kWaitMs)) << "the focus goes back to the owner";
}

TEST_F(DesignDropDownTest, PressOutsideClosesTheListWithoutAChoice)
{
    CDesignDropDown* box = makeDropDown();
    showActive(owner);
    QSignalSpy commands(box, &CDesignDropDown::command);
    openByClick(box);
    QWidget* frame = box->popupFrame();

    const QPoint outside = frame->mapFromGlobal(owner.mapToGlobal(QPoint(250, 150)));
    QTest::mousePress(frame->windowHandle(), Qt::LeftButton, {}, outside);
    QTest::mouseRelease(frame->windowHandle(), Qt::LeftButton, {}, outside);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, kWaitMs));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(commands.count(), 0);
    EXPECT_EQ(box->text(), "128");
}

TEST_F(DesignDropDownTest, EmptyListDoesNotOpen)
{
    CDesignDropDown* box = makeDropDown();
    box->resetContent();
    showActive(owner);
    moveOn(box, box->buttonRect().center());
    pressOn(box, box->buttonRect().center());
    releaseOn(box, box->buttonRect().center());
    QTest::qWait(100);
    EXPECT_FALSE(box->popupFrame()->isVisible());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << "an invisible list must not swallow the next click";
}

// A drop-down whose parts fail to come into being at a chosen step.
class FailingDropDown : public CDesignDropDown {
public:
    enum class Step { Frame, ListMemory, ListCreate };
    FailingDropDown(QWidget* owner, Step step) : CDesignDropDown(owner, 9), step_(step) {}

protected:
    QWidget* makePopupFrame() override
    {
        return step_ == Step::Frame ? nullptr : CDesignDropDown::makePopupFrame();
    }
    CDesignDropList* allocateList() override
    {
        return step_ == Step::ListMemory ? nullptr : CDesignDropDown::allocateList();
    }
    bool createList(CDesignDropList& list, QWidget& frame) override
    {
        return step_ != Step::ListCreate && CDesignDropDown::createList(list, frame);
    }

private:
    Step step_;
};

TEST_F(DesignDropDownTest, PartsThatCannotBeMadeAreTracedAndTheControlGoes)
{
    const std::pair<FailingDropDown::Step, std::string> cases[] = {
        {FailingDropDown::Step::Frame, " === DsgnCtrl PopupWnd Create Error === \r\n"},
        {FailingDropDown::Step::ListMemory, " === DsgnCtrl List Memory Error === \r\n"},
        {FailingDropDown::Step::ListCreate, " === DsgnCtrl List Create Error === \r\n"},
    };
    for (const auto& [step, line] : cases) {
        QPointer<FailingDropDown> box = new FailingDropDown(&owner, step);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(box->create(QStringLiteral("x"), CDesignDropDown::kStyleVisible, QRect(0, 0, 10, 10)));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), line);
        EXPECT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, kWaitMs));
    }
    EXPECT_TRUE(owner.findChildren<QWidget*>().size() == 1) << "nothing left behind but the test's own widget";
}

}  // namespace
