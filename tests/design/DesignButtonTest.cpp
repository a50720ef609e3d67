#include "design/CDesignButton.h"

#include "DesignTestSupport.h"

#include <QSignalSpy>

namespace {

enum { Normal = 1, Pressed = 2, Highlighted = 3, Disabled = 4, Other = 5, Missing = 99 };

const QColor kRed(200, 0, 0), kGreen(0, 200, 0), kBlue(0, 0, 200), kGrey(90, 90, 90), kYellow(220, 220, 0);

class DesignButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QSize size(20, 10);
        bitmaps.add(Normal, size, kRed).add(Pressed, size, kGreen).add(Highlighted, size, kBlue);
        bitmaps.add(Disabled, size, kGrey).add(Other, size, kYellow);
        top.resize(120, 60);
        // Something else to hold the focus and the cursor, away from the button.
        elsewhere = new QWidget(&top);
        elsewhere->setGeometry(60, 0, 60, 60);
        elsewhere->setFocusPolicy(Qt::StrongFocus);
    }

    CDesignButton* makeButton(int normal, int pressed, int highlighted, int disabled)
    {
        auto* button = new CDesignButton(&top, bitmaps.lookup());
        EXPECT_TRUE(button->setBitmaps(normal, pressed, highlighted, disabled));
        button->sizeToContent();
        button->move(10, 10);
        return button;
    }

    QRgb look(CDesignButton* button) { return pixelOf(button, QPoint(5, 5)); }

    BitmapTable bitmaps;
    QWidget top;
    QWidget* elsewhere = nullptr;
};

// A button that counts its paintings, to tell a repaint made at once from one merely scheduled.
class CountingButton : public CDesignButton {
public:
    using CDesignButton::CDesignButton;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        CDesignButton::paintEvent(event);
    }
};

TEST_F(DesignButtonTest, PressedBeatsFocusBeatsDisabledBeatsNormal)
{
    CDesignButton* button = makeButton(Normal, Pressed, Highlighted, Disabled);
    showActive(top);
    EXPECT_EQ(button->size(), QSize(20, 10));
    EXPECT_EQ(look(button), rgb(kRed));

    button->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->hasFocus(); }, kWaitMs));
    EXPECT_EQ(look(button), rgb(kBlue));
    button->setDown(true);
    EXPECT_EQ(look(button), rgb(kGreen)) << "pressed outranks the focus look";
    button->setDown(false);
    EXPECT_EQ(look(button), rgb(kBlue));

    elsewhere->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !button->hasFocus(); }, kWaitMs));
    EXPECT_EQ(look(button), rgb(kRed));
    button->setEnabled(false);
    EXPECT_EQ(look(button), rgb(kGrey));
    button->setDown(true);
    EXPECT_EQ(look(button), rgb(kGreen)) << "pressed outranks disabled";
}

TEST_F(DesignButtonTest, EachLookOnlyWhenItsBitmapIsThere)
{
    CDesignButton* button = makeButton(Normal, 0, 0, Disabled);
    showActive(top);
    button->setDown(true);
    EXPECT_EQ(look(button), rgb(kRed)) << "no pressed bitmap: the normal one";
    button->setDown(false);
    button->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->hasFocus(); }, kWaitMs));
    EXPECT_EQ(look(button), rgb(kRed)) << "no highlighted bitmap: the normal one";
    button->setEnabled(false);
    EXPECT_EQ(look(button), rgb(kGrey));
}

TEST_F(DesignButtonTest, MissingBitmapsReportFailureButKeepTheRest)
{
    CDesignButton button(nullptr, bitmaps.lookup());
    EXPECT_FALSE(button.setBitmaps(Normal, Missing, Highlighted, Disabled));
    button.sizeToContent();
    EXPECT_EQ(button.currentLook(), CDesignButton::Look::Normal);
    button.setDown(true);
    EXPECT_EQ(button.currentLook(), CDesignButton::Look::Normal) << "the missing pressed bitmap is not drawn";
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(button.currentLook(), CDesignButton::Look::Disabled) << "the disabled bitmap was kept";

    EXPECT_FALSE(button.setBitmaps(Missing, Pressed)) << "the normal bitmap is required";
    EXPECT_EQ(button.currentLook(), CDesignButton::Look::None);
    EXPECT_FALSE(button.setBitmaps(0)) << "a button needs a normal bitmap";
    EXPECT_TRUE(button.setBitmaps(Normal)) << "unrequested bitmaps are no failure";
}

TEST_F(DesignButtonTest, NewNormalBitmapIsPaintedAtOnce)
{
    auto* button = new CountingButton(&top, bitmaps.lookup());
    ASSERT_TRUE(button->setBitmaps(Normal));
    button->sizeToContent();
    showActive(top);
    QTest::qWait(50);
    const int before = button->paints;
    ASSERT_TRUE(button->setNormalBitmap(Other));
    EXPECT_GT(button->paints, before) << "painted before returning, not merely scheduled";
    EXPECT_EQ(look(button), rgb(kYellow));

    EXPECT_FALSE(button->setNormalBitmap(Missing));
    EXPECT_EQ(look(button), rgb(kYellow)) << "a missing bitmap leaves the old one";
}

TEST_F(DesignButtonTest, HoverLightsTheButtonUntilTheTimerFindsTheCursorGone)
{
    CDesignButton* button = makeButton(Normal, Pressed, Highlighted, Disabled);
    showActive(top);
    moveOn(elsewhere, QPoint(30, 30));
    EXPECT_EQ(button->hoverTimer(), 0);

    moveOn(button, QPoint(5, 5));
    EXPECT_EQ(button->hoverTimer(), CDesignButton::kHoverTimerId);
    EXPECT_TRUE(button->showsFocusLook());
    EXPECT_EQ(look(button), rgb(kBlue));

    moveOn(elsewhere, QPoint(30, 30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->hoverTimer() == 0; }, kWaitMs));
    EXPECT_FALSE(button->showsFocusLook());
    EXPECT_EQ(look(button), rgb(kRed));
}

TEST_F(DesignButtonTest, ClickingEmitsClickedButDraggingOffAbandonsThePress)
{
    CDesignButton* button = makeButton(Normal, Pressed, Highlighted, Disabled);
    showActive(top);
    QSignalSpy clicks(button, &QAbstractButton::clicked);

    pressOn(button, QPoint(5, 5));
    EXPECT_EQ(look(button), rgb(kGreen));
    releaseOn(button, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);

    pressOn(button, QPoint(5, 5));
    moveOn(button, QPoint(60, 5));  // outside, still held
    EXPECT_FALSE(button->isDown());
    EXPECT_FALSE(button->showsFocusLook());
    moveOn(button, QPoint(6, 5));  // back inside: lit, but the press stays abandoned
    EXPECT_FALSE(button->isDown());
    EXPECT_TRUE(button->showsFocusLook());
    releaseOn(button, QPoint(6, 5));
    EXPECT_EQ(clicks.count(), 1) << "an abandoned press does not click";
}

}  // namespace
