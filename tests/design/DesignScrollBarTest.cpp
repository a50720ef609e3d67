#include "design/CDesignScrollBar.h"

#include "design/CDesignButton.h"
#include "DesignTestSupport.h"

#include <QPointer>

#include <memory>
#include <vector>

namespace {

using Bar = CDesignScrollBar;

enum { BackArrow = 10, ForwardArrow = 20, Thumb = 30, WideThumb = 31, Track = 40, Missing = 99 };

struct Message {
    Bar::Message kind;
    int code;
    int position;
};

class DesignScrollBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bitmaps.add(BackArrow, {16, 16}, Qt::darkBlue).add(ForwardArrow, {16, 16}, Qt::darkGreen);
        bitmaps.add(Thumb, {16, 20}, Qt::yellow).add(WideThumb, {24, 16}, Qt::yellow);
        bitmaps.add(Track, {4, 4}, Qt::gray);
        owner.resize(200, 300);
    }

    static Bar::Bitmaps numbers(int thumb = Thumb)
    {
        Bar::Bitmaps b;
        b.backArrow.normal = BackArrow;
        b.forwardArrow.normal = ForwardArrow;
        b.thumb.normal = thumb;
        b.track = Track;
        return b;
    }

    Bar* makeBar(QWidget* on, int style, const QRect& rect, int thumb = Thumb)
    {
        Bar* bar = Bar::create(on, style, numbers(thumb), rect, bitmaps.lookup());
        if (bar)
            QObject::connect(bar, &Bar::scrollMessage, bar, [this](Bar::Message kind, int code, int position) {
                messages.push_back({kind, code, position});
            });
        return bar;
    }

    Bar* verticalBar() { return makeBar(&owner, Bar::kStyleVertical, QRect(0, 0, 16, 200)); }

    int countOf(int code) const
    {
        int n = 0;
        for (const Message& m : messages)
            n += m.code == code;
        return n;
    }

    BitmapTable bitmaps;
    QWidget owner;
    std::vector<Message> messages;
};

TEST_F(DesignScrollBarTest, VerticalLayoutFollowsTheTrackFormula)
{
    Bar* bar = verticalBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->backArrow()->objectName(), "7001");
    EXPECT_EQ(bar->forwardArrow()->objectName(), "7002");
    EXPECT_EQ(bar->thumb()->objectName(), "7003");
    EXPECT_EQ(bar->trackStart(), 16);
    EXPECT_EQ(bar->trackEnd(), 200 - 16 - 20);
    EXPECT_EQ(bar->forwardArrow()->pos(), QPoint(0, 184));

    bar->setRange(0, 100);
    bar->setPos(50);
    EXPECT_EQ(bar->thumb()->pos(), QPoint(0, 16 + 50 * 148 / 100));
    bar->setPos(100);
    EXPECT_EQ(bar->thumbOffset(), bar->trackEnd());
    bar->setPos(0);
    EXPECT_EQ(bar->thumbOffset(), bar->trackStart());
}

TEST_F(DesignScrollBarTest, HorizontalLayoutUsesIntegerDivision)
{
    Bar* bar = makeBar(&owner, 0, QRect(0, 0, 300, 16), WideThumb);
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVertical());
    EXPECT_EQ(bar->trackStart(), 16);
    EXPECT_EQ(bar->trackEnd(), 300 - 16 - 24);
    EXPECT_EQ(bar->forwardArrow()->pos(), QPoint(284, 0));
    bar->setRange(0, 7);
    bar->setPos(3);
    EXPECT_EQ(bar->thumb()->pos(), QPoint(16 + 3 * 244 / 7, 0));  // 104.57 is 104
}

TEST_F(DesignScrollBarTest, RangeAndPositionAreKeptInOrder)
{
    Bar* bar = verticalBar();
    ASSERT_NE(bar, nullptr);
    int min = -1, max = -1;

    bar->setRange(10, 5);
    bar->getRange(min, max);
    EXPECT_EQ(min, 10);
    EXPECT_EQ(max, 10) << "max is never below min";
    EXPECT_EQ(bar->getPos(), 10) << "the position moves into the range";
    EXPECT_EQ(bar->thumbOffset(), bar->trackStart());

    bar->setRange(0, 100);
    EXPECT_EQ(bar->setPos(40), 10);
    EXPECT_EQ(bar->setPos(500), 40);
    EXPECT_EQ(bar->getPos(), 100);
    EXPECT_EQ(bar->setPos(-1), -1) << "a negative position is handed back";
    EXPECT_EQ(bar->getPos(), 100) << "and ignored";

    // A range that does not start at 0 still spans the whole track.
    bar->setRange(10, 20);
    bar->setPos(10);
    EXPECT_EQ(bar->thumbOffset(), bar->trackStart());
    bar->setPos(20);
    EXPECT_EQ(bar->thumbOffset(), bar->trackEnd());

    bar->setRange(0, 100);
    bar->setPos(90);
    bar->setRange(0, 50);
    EXPECT_EQ(bar->getPos(), 50);
    EXPECT_EQ(bar->thumbOffset(), bar->trackEnd()) << "the thumb never leaves the track";
}

TEST_F(DesignScrollBarTest, HeldPressOnTrackPagesUntilTheThumbReachesTheCursor)
{
    Bar* bar = verticalBar();
    ASSERT_NE(bar, nullptr);
    bar->setRange(0, 100);
    // The owner pages by 20.
    QObject::connect(bar, &Bar::scrollMessage, bar, [bar](Bar::Message, int code, int) {
        if (code == Bar::PageForward)
            bar->setPos(bar->getPos() + 20);
    });
    showActive(owner);

    testing::internal::CaptureStderr();
    pressOn(bar, QPoint(8, 150));
    ASSERT_EQ(messages.size(), 1u) << "one page message at once";
    EXPECT_EQ(messages[0].kind, Bar::Message::Vertical);
    EXPECT_EQ(messages[0].code, Bar::PageForward);
    EXPECT_EQ(messages[0].position, 0);
    EXPECT_EQ(bar->repeatKind(), Bar::RepeatPageForward);
    EXPECT_EQ(bar->repeatTimer(), Bar::kRepeatTimerId);

    // Positions 20, 40, 60 leave the thumb above y = 150; at 80 (offset 134, 20 high) it covers it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->repeatTimer() == 0; }, 4 * kWaitMs));
    const std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(Bar::PageForward), 4);
    EXPECT_EQ(bar->getPos(), 80);
    EXPECT_EQ(bar->repeatKind(), Bar::RepeatNone);
    size_t ticks = 0;
    for (size_t at = trace.find("OnTimer\r\n"); at != std::string::npos; at = trace.find("OnTimer\r\n", at + 1))
        ++ticks;
    EXPECT_EQ(ticks, 3u);
    releaseOn(bar, QPoint(8, 150));
}

TEST_F(DesignScrollBarTest, PagingStopsWhenTheThumbJumpsPastTheCursor)
{
    Bar* bar = verticalBar();
    ASSERT_NE(bar, nullptr);
    bar->setRange(0, 100);
    bar->setPos(100);
    QObject::connect(bar, &Bar::scrollMessage, bar, [bar](Bar::Message, int code, int) {
        if (code == Bar::PageBack)
            bar->setPos(std::max(0, bar->getPos() - 60));
    });
    showActive(owner);

    pressOn(bar, QPoint(8, 40));
    // 100 -> 40 puts the thumb at 75, below the cursor; 40 -> 0 puts it at 16..36, above the cursor.
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->repeatTimer() == 0; }, 4 * kWaitMs));
    EXPECT_EQ(countOf(Bar::PageBack), 2);
    EXPECT_EQ(bar->getPos(), 0);
    releaseOn(bar, QPoint(8, 40));
}

TEST_F(DesignScrollBarTest, ArrowsSendLineStepsRepeatedWhileHeld)
{
    Bar* bar = verticalBar();
    ASSERT_NE(bar, nullptr);
    bar->setRange(0, 100);
    showActive(owner);

    pressOn(bar->backArrow(), QPoint(8, 8));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, Bar::LineBack);
    EXPECT_EQ(bar->repeatKind(), Bar::RepeatLineBack);
    EXPECT_TRUE(bar->backArrow()->isDown()) << "the arrow still shows itself pressed";
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() >= 2; }, kWaitMs));
    EXPECT_EQ(messages[1].code, Bar::LineBack);
    releaseOn(bar->backArrow(), QPoint(8, 8));
    EXPECT_EQ(bar->repeatKind(), Bar::RepeatNone);
    EXPECT_EQ(bar->repeatTimer(), 0);

    messages.clear();
    pressOn(bar->forwardArrow(), QPoint(8, 8));
    releaseOn(bar->forwardArrow(), QPoint(8, 8));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, Bar::LineForward);
}

TEST_F(DesignScrollBarTest, DraggingTheThumbToEitherEndGivesExactlyMaxAndMin)
{
    Bar* bar = verticalBar();
    ASSERT_NE(bar, nullptr);
    bar->setRange(10, 60);
    showActive(owner);

    // Take the thumb 10 pixels down from its top and pull it well past the bar's end.
    pressOn(bar, QPoint(8, 26));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, Bar::ThumbPosition);
    EXPECT_EQ(messages[0].position, 10);
    int y = 26;
    for (; y <= 290; y += 4)
        moveOn(bar, QPoint(8, y));
    EXPECT_EQ(bar->thumbOffset(), bar->trackEnd()) << "overshooting keeps the thumb at the end";
    int last = 10;
    for (size_t i = 1; i < messages.size(); ++i) {
        ASSERT_EQ(messages[i].code, Bar::ThumbTrack);
        EXPECT_GT(messages[i].position, last) << "each track message brings a new, larger position";
        last = messages[i].position;
    }
    EXPECT_EQ(last, 60);

    // Back up to the start, then let go there.
    messages.clear();
    for (y -= 4; y >= -40; y -= 4)
        moveOn(bar, QPoint(8, y));
    releaseOn(bar, QPoint(8, y));
    EXPECT_EQ(bar->thumbOffset(), bar->trackStart());
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2].position, 10);
    EXPECT_EQ(messages.back().code, Bar::ThumbPosition);
    EXPECT_EQ(messages.back().position, 10);
}

TEST_F(DesignScrollBarTest, ThumbJumpedOverIsOnlyPulledBackByItsGrip)
{
    Bar* bar = verticalBar();
    ASSERT_NE(bar, nullptr);
    bar->setRange(0, 100);
    bar->setPos(100);
    showActive(owner);
    const int top = bar->thumbOffset();

    // Held 5 pixels down the thumb; a single move to far above it reads as the thumb's first pixel.
    pressOn(bar, QPoint(8, top + 5));
    moveOn(bar, QPoint(8, 20));
    EXPECT_EQ(bar->thumbOffset(), top - 5);
    releaseOn(bar, QPoint(8, 20));
}

TEST_F(DesignScrollBarTest, DragOverAnEmptyRangeOrNoTrackStaysAtMin)
{
    Bar* bar = verticalBar();
    ASSERT_NE(bar, nullptr);
    bar->setRange(5, 5);
    Bar* stub = makeBar(&owner, Bar::kStyleVertical, QRect(40, 0, 16, 30));  // shorter than its parts
    ASSERT_NE(stub, nullptr);
    stub->setRange(0, 9);
    EXPECT_LT(stub->trackEnd(), stub->trackStart());
    showActive(owner);

    for (Bar* b : {bar, stub}) {
        messages.clear();
        const QPoint grip = b->thumb()->geometry().center();
        pressOn(b, grip);
        for (int dy = 2; dy <= 40; dy += 2)
            moveOn(b, grip + QPoint(0, dy));
        releaseOn(b, grip + QPoint(0, 40));
        int min = 0, max = 0;
        b->getRange(min, max);
        ASSERT_EQ(messages.size(), 2u) << "no track message when the position cannot change";
        EXPECT_EQ(messages.back().code, Bar::ThumbPosition);
        EXPECT_EQ(messages.back().position, min);
        EXPECT_EQ(b->thumbOffset(), b->trackStart());
    }
}

TEST_F(DesignScrollBarTest, AttachedBarFollowsTheLastWatchedOwner)
{
    // Hidden widgets put their size changes off until they are shown, so both owners are shown.
    showActive(owner);
    Bar* first = makeBar(&owner, Bar::kStyleVertical | Bar::kStyleAttached, QRect());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->geometry(), QRect(184, 0, 16, 300)) << "at the owner's right edge, as thick as its parts";
    owner.resize(250, 400);
    EXPECT_EQ(first->geometry(), QRect(234, 0, 16, 400));
    EXPECT_EQ(first->trackEnd(), 400 - 16 - 20);

    QWidget other;
    other.resize(320, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    Bar* second = makeBar(&other, Bar::kStyleAttached, QRect(0, 0, 0, 19), WideThumb);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->geometry(), QRect(0, 81, 320, 19)) << "at the bottom, as thick as asked";
    EXPECT_EQ(Bar::watchingBar(), second);

    other.resize(400, 120);
    EXPECT_EQ(second->geometry(), QRect(0, 101, 400, 19));
    owner.resize(260, 420);
    EXPECT_EQ(first->geometry(), QRect(234, 0, 16, 400)) << "the first owner is no longer watched";
}

TEST_F(DesignScrollBarTest, WatchRemovalIsTraced)
{
    QPointer<Bar> first = makeBar(&owner, Bar::kStyleVertical, QRect(0, 0, 16, 200));
    auto other = std::make_unique<QWidget>();
    QPointer<Bar> second = makeBar(other.get(), Bar::kStyleVertical, QRect(0, 0, 16, 200));
    ASSERT_TRUE(first && second);

    testing::internal::CaptureStderr();
    delete first.data();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a bar that lost the watch has nothing to remove";

    testing::internal::CaptureStderr();
    other.reset();  // takes its bar with it
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "DSGN Unhook OK\r\n");
    EXPECT_EQ(Bar::watchingBar(), nullptr);

    testing::internal::CaptureStderr();
    std::unique_ptr<Bar> ownerless(makeBar(nullptr, Bar::kStyleVertical, QRect(0, 0, 16, 200)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "DSGN Hook Failed\r\n");
    ASSERT_NE(ownerless, nullptr);
}

TEST_F(DesignScrollBarTest, BarWithoutItsBitmapsDestroysItself)
{
    Bar::Bitmaps noTrack = numbers();
    noTrack.track = Missing;
    EXPECT_EQ(Bar::create(&owner, Bar::kStyleVertical, noTrack, QRect(0, 0, 16, 200), bitmaps.lookup()), nullptr);

    Bar::Bitmaps noPressedThumb = numbers();
    noPressedThumb.thumb.pressed = Missing;
    EXPECT_EQ(Bar::create(&owner, Bar::kStyleVertical, noPressedThumb, QRect(0, 0, 16, 200), bitmaps.lookup()),
              nullptr);
    EXPECT_TRUE(owner.findChildren<Bar*>().isEmpty());
    EXPECT_TRUE(owner.findChildren<CDesignButton*>().isEmpty());
}

}  // namespace
