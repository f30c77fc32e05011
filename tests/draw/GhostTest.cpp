// The ghosts with synthetic pointer movements: move modes, the circumference move
// about the label's centre, stepped angles, resize limits and aspect lock, rotation
// steps, line and curve ends, drag copies, several objects at once, and the list's
// protocol.
#include "GhostObjects.h"
#include "draw/UDOAction.h"
#include "draw/UPivot.h"
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace velmo;
using velmo::test::TGBox;
using velmo::test::TGCurve;

namespace velmo::test {
const TPropertyTable& TGBox::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}
const TPropertyTable& TGCurve::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}
} // namespace velmo::test

namespace {

struct Recorded
{
    QStringList Changes;
    QStringList Adds;
};

struct GhostFixture : ::testing::Test
{
    TDrawSite Site;
    Recorded Log;
    const TLogRect Bounds{0, 0, 1000, 1000};

    GhostFixture()
    {
        Site.Scaler()->SetUnitDPI(254);
        Site.SetLogWidth(1000);
        Site.SetLogHeight(1000);
        TMoveModes::Current() = TMoveModes();
        struct Action : TChangeActionRecord
        {
            Recorded* Log;
            QString Caption;
            void Commit() override { Log->Changes << Caption; }
        };
        SetChangeActionFactory([this](TDrawObject*, const QString& caption) {
            auto a = std::make_unique<Action>();
            a->Log = &Log;
            a->Caption = caption;
            return std::unique_ptr<TChangeActionRecord>(std::move(a));
        });
        SetAddActionRecorder([this](TDrawObject*, const QString& caption) { Log.Adds << caption; });
    }
    ~GhostFixture() override
    {
        TGhostList::Instance().Clear();
        SetSnapPoint(nullptr);
        SetChangeActionFactory(nullptr);
        SetAddActionRecorder(nullptr);
        TMoveModes::Current() = TMoveModes();
    }
    TGBox* Box(const TLogRect& r)
    {
        auto* b = new TGBox(&Site);
        b->R = r;
        Site.AddObject(b);
        return b;
    }
    void Drive(TGhost& ghost, QPoint from, QPoint to, TShiftState shift = {})
    {
        ghost.Prepare(&Site, Bounds);
        ghost.Start(from);
        ghost.Track(shift, to - from);
    }
    // A whole drag through the ghost list.
    void Drag(std::unique_ptr<TGhost> ghost, QPoint from, QPoint to, TShiftState shift = {})
    {
        TGhostList& list = TGhostList::Instance();
        list.Add(std::move(ghost));
        list.Start(&Site, Bounds, from, shift);
        list.Track(shift, to);
        list.End();
    }
    static QPoint OnCircle(QPoint c, double radius, double degrees)
    {
        const double r = degrees * std::numbers::pi / 180;
        return {int(std::lround(c.x() + radius * std::cos(r))),
                int(std::lround(c.y() + radius * std::sin(r)))};
    }
};

TEST_F(GhostFixture, CircumferenceMoveSnapsToThirtyDegreeSteps)
{
    TMoveModes::Current().Circumference = true;
    TGBox* box = Box({750, 450, 850, 550}); // centre (800, 500)
    const QPoint c(500, 500);
    TMoveGhost ghost(box);
    Drive(ghost, QPoint(800, 500), OnCircle(c, 300, 20));
    EXPECT_EQ(RectCenter(ghost.Result()), QPoint(760, 650)); // 30 degrees below the horizontal
    EXPECT_EQ(ghost.ExtraRotation(), 30);
    EXPECT_EQ(static_cast<TGBox*>(ghost.Copy())->Angle, 30);

    TMoveGhost small(box);
    Drive(small, QPoint(800, 500), OnCircle(c, 300, 10));
    EXPECT_EQ(RectCenter(small.Result()), QPoint(800, 500));
    EXPECT_EQ(small.ExtraRotation(), 0);
}

TEST_F(GhostFixture, CircumferenceGhostDrawsItsCircleOverTheCachedObjects)
{
    TMoveModes::Current().Circumference = true;
    Site.SetColor(clWhite);
    Site.Scaler()->SetScale(40);
    TGBox* box = Box({750, 450, 850, 550});
    TGhostList& list = TGhostList::Instance();
    list.Add(std::make_unique<TMoveGhost>(box));
    list.Start(&Site, Bounds, QPoint(800, 500), {});
    list.Track({}, OnCircle(QPoint(500, 500), 300, 60));
    const QImage image = Site.grab().toImage();
    if (qEnvironmentVariableIsSet("VELMO_TEST_SHOTS"))
        image.save(qEnvironmentVariable("VELMO_TEST_SHOTS") + QStringLiteral("/circumference-ghost.png"));
    // Dots of the circle through the object's centre (XOR on white: dark).
    int dark = 0;
    for (int degrees = 0; degrees < 360; ++degrees) {
        const QPoint p = Site.ToDevice(OnCircle(QPoint(500, 500), 300, degrees));
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (image.rect().contains(p + QPoint(dx, dy)) && qGray(image.pixel(p + QPoint(dx, dy))) < 128)
                    ++dark;
    }
    EXPECT_GT(dark, 100);
    // The object itself is still painted where it was (the drag changes nothing yet).
    const QPoint inside = Site.ToDevice(QPoint(760, 470));
    EXPECT_EQ(image.pixelColor(inside), QColor(Qt::darkGreen));
    list.Cancel();
}

TEST_F(GhostFixture, CircumferenceMoveKeepsTheDistanceToTheCentre)
{
    TMoveModes::Current().Circumference = true;
    TMoveModes::Current().StepMove = false;
    TMoveModes::Current().RotateWithMove = false;
    TGBox* box = Box({650, 250, 750, 350}); // centre (700, 300): 282.8 from (500, 500)
    const QPoint c(500, 500);
    const double radius = std::hypot(200.0, 200.0);
    for (int turn : {5, 37, 90, 143, -60, 179}) {
        TMoveGhost ghost(box);
        Drive(ghost, QPoint(700, 300), OnCircle(c, radius, -45 + turn));
        const QPoint m = RectCenter(ghost.Result());
        EXPECT_NEAR(std::hypot(m.x() - 500.0, m.y() - 500.0), radius, 1.5) << "turn " << turn;
        EXPECT_EQ(static_cast<TGBox*>(ghost.Copy())->Angle, 0) << "no rotation without rotate-with-move";
    }
}

TEST_F(GhostFixture, CircumferenceMoveGoesAlongTheRayWhenTheDistanceChangesMost)
{
    TMoveModes::Current().Circumference = true;
    TGBox* box = Box({750, 450, 850, 550});
    TMoveGhost ghost(box);
    // Outwards by 100 with a small sideways wobble.
    Drive(ghost, QPoint(800, 500), QPoint(900, 510));
    EXPECT_EQ(RectCenter(ghost.Result()), QPoint(900, 500));
    EXPECT_EQ(ghost.ExtraRotation(), 0);
}

TEST_F(GhostFixture, ModifiersChangeTheSwitchesForOneEvent)
{
    TMoveModes m;
    m.Circumference = true;
    m.AxisLock = true;
    m.RotateWithFreeMove = true;
    m.StepMove = true;
    const TMoveModes alt = m.ForShift(Qt::AltModifier);
    EXPECT_FALSE(alt.Circumference);
    EXPECT_FALSE(alt.AxisLock);
    EXPECT_FALSE(alt.RotateWithFreeMove);
    EXPECT_FALSE(alt.StepMove);
    EXPECT_FALSE(m.ForShift(Qt::ShiftModifier | Qt::AltModifier).Circumference);
    EXPECT_FALSE(m.ForShift(Qt::ShiftModifier).StepMove); // in circumference move Shift flips the steps
    EXPECT_TRUE(m.ForShift(Qt::ShiftModifier).AxisLock);
    TMoveModes free;
    EXPECT_TRUE(free.ForShift(Qt::ShiftModifier).AxisLock); // otherwise the axis lock
    EXPECT_TRUE(free.ForShift(Qt::ShiftModifier).StepMove);
    EXPECT_TRUE(free.ForShift(Qt::ShiftModifier | Qt::AltModifier).Circumference);
}

TEST_F(GhostFixture, CreationSwitchesTheSpecialMovesOff)
{
    TMoveModes m;
    m.Circumference = m.AxisLock = m.RotateWithFreeMove = true;
    m.StepAngle = 45;
    m.AfterCreation();
    EXPECT_FALSE(m.Circumference);
    EXPECT_FALSE(m.AxisLock);
    EXPECT_FALSE(m.RotateWithFreeMove);
    EXPECT_TRUE(m.RotateWithMove);
    EXPECT_TRUE(m.StepMove);
    EXPECT_EQ(m.StepAngle, 45);
    TMoveModes defaults;
    EXPECT_FALSE(defaults.Circumference);
    EXPECT_TRUE(defaults.RotateWithMove);
    EXPECT_TRUE(defaults.StepMove);
    EXPECT_EQ(defaults.StepAngle, 30);
}

TEST_F(GhostFixture, AxisLockAndKeepInside)
{
    TGBox* box = Box({100, 100, 200, 200});
    TMoveGhost horizontal(box);
    Drive(horizontal, QPoint(150, 150), QPoint(250, 180), Qt::ShiftModifier);
    EXPECT_EQ(horizontal.Result(), (TLogRect{200, 100, 300, 200}));
    TMoveGhost vertical(box);
    Drive(vertical, QPoint(150, 150), QPoint(170, 260), Qt::ShiftModifier);
    EXPECT_EQ(vertical.Result(), (TLogRect{100, 210, 200, 310}));
    TMoveGhost outside(box);
    Drive(outside, QPoint(150, 150), QPoint(-500, 150));
    EXPECT_EQ(RectCenter(outside.Result()).x(), 10); // the centre stays 10 units inside
}

TEST_F(GhostFixture, SimpleMoveIgnoresModesAndNeverCopies)
{
    TMoveModes::Current().Circumference = true;
    TGBox* box = Box({100, 100, 200, 200});
    Drag(std::make_unique<TSimpleMoveGhost>(box), QPoint(150, 150), QPoint(450, 170),
         Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(box->R, (TLogRect{400, 120, 500, 220}));
    EXPECT_EQ(Site.ObjectCount(), 1);
}

TEST_F(GhostFixture, SnapTakesTheSmallestOffsetPerAxis)
{
    SetSnapPoint([](TGhost*, QPoint p) {
        TSnapOffset o;
        // A grid of 100 units horizontally only.
        const int nearest = int(std::lround(p.x() / 100.0)) * 100;
        o.HasX = std::abs(nearest - p.x()) <= 15;
        o.DX = nearest - p.x();
        return o;
    });
    TGBox* box = Box({100, 100, 190, 190});
    TMoveGhost ghost(box);
    Drive(ghost, QPoint(150, 150), QPoint(193, 177));
    // Left 143 and right 233 snap by -43 (too far) and -33 (too far)... none within 15:
    EXPECT_EQ(ghost.Result(), (TLogRect{143, 127, 233, 217}));
    TMoveGhost near(box);
    Drive(near, QPoint(150, 150), QPoint(158, 177));
    // Left 108 -> 100 (-8), right 198 -> 200 (+2): +2 is the smaller.
    EXPECT_EQ(near.Result(), (TLogRect{110, 127, 200, 217}));
}

TEST_F(GhostFixture, CtrlAtReleaseMakesADragCopy)
{
    TGBox* box = Box({100, 100, 200, 200});
    box->SetSelected(true);
    Drag(std::make_unique<TMoveGhost>(box), QPoint(150, 150), QPoint(350, 150), Qt::ControlModifier);
    EXPECT_EQ(box->R, (TLogRect{100, 100, 200, 200}));
    EXPECT_FALSE(box->Selected());
    ASSERT_EQ(Site.ObjectCount(), 2);
    auto* copy = dynamic_cast<TGBox*>(Site.Objects(1));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->R, (TLogRect{300, 100, 400, 200}));
    EXPECT_EQ(copy->Owner(), &Site);
    EXPECT_EQ(Log.Adds, QStringList{QStringLiteral("ドラッグコピー")});
    EXPECT_TRUE(Log.Changes.isEmpty());
}

TEST_F(GhostFixture, AMoveRecordsOneChangeAndAnUnmovedDragNothing)
{
    TGBox* box = Box({100, 100, 200, 200});
    Drag(std::make_unique<TMoveGhost>(box), QPoint(150, 150), QPoint(170, 190));
    EXPECT_EQ(box->R, (TLogRect{120, 140, 220, 240}));
    EXPECT_EQ(Log.Changes, QStringList{QStringLiteral("移動")});
    EXPECT_FALSE(box->InGhostAssignment());
    Log.Changes.clear();
    Drag(std::make_unique<TMoveGhost>(box), QPoint(150, 150), QPoint(150, 150));
    EXPECT_EQ(box->R, (TLogRect{120, 140, 220, 240}));
    EXPECT_TRUE(Log.Changes.isEmpty());
}

TEST_F(GhostFixture, ADragOfSeveralObjectsAppliesOneChangeToEach)
{
    std::vector<TGBox*> boxes;
    for (int i = 0; i < 5; ++i) {
        boxes.push_back(Box({100 + 120 * i, 100, 200 + 120 * i, 200}));
        boxes.back()->SetSelected(true);
    }
    // Through the site's press protocol: every selected object begins its drag.
    const QPoint press = Site.ToDevice(QPoint(150, 150));
    Site.ObjectPress(Qt::LeftButton, {}, boxes[0], -1, press);
    ASSERT_EQ(TGhostList::Instance().Count(), 5);
    Site.SiteMove({}, Site.ToDevice(QPoint(150, 400)));
    Site.SiteRelease(Qt::LeftButton, {}, Site.ToDevice(QPoint(150, 400)));
    const int dy = boxes[0]->R.Top - 100;
    EXPECT_NEAR(dy, 250, 3); // one device pixel of rounding at the test's resolution
    for (TGBox* b : boxes)
        EXPECT_EQ(b->R.Top, 100 + dy);
    EXPECT_EQ(Log.Changes.size(), 5);
    EXPECT_FALSE(TGhostList::Instance().Active());
}

TEST_F(GhostFixture, ResizeKeepsTheMinimumUnlessCtrl)
{
    TGBox* box = Box({100, 100, 300, 200});
    TRectGhost shrink(box, 7);
    Drive(shrink, QPoint(300, 200), QPoint(50, 210));
    EXPECT_EQ(shrink.Result().Width(), 20);
    EXPECT_EQ(shrink.Result().Left, 100);
    EXPECT_EQ(shrink.Result().Height(), 110);
    TRectGhost ctrl(box, 7);
    Drive(ctrl, QPoint(300, 200), QPoint(100, 100), Qt::ControlModifier);
    EXPECT_EQ(ctrl.Result().Width(), 0);
    EXPECT_EQ(ctrl.Result().Height(), 0);
    TRectGhost left(box, 1);
    Drive(left, QPoint(100, 150), QPoint(400, 150));
    EXPECT_EQ(left.Result(), (TLogRect{280, 100, 300, 200})); // the left edge gives way
    TRectGhost middle(box, 3);
    Drive(middle, QPoint(200, 100), QPoint(200, 300));
    EXPECT_EQ(middle.Result().Height(), 20);
    EXPECT_EQ(middle.Result().Bottom, 200);
}

TEST_F(GhostFixture, ResizeWithTheAspectLock)
{
    TGBox* box = Box({100, 100, 300, 200}); // 2 : 1
    box->Keep = true;
    TRectGhost corner(box, 7);
    Drive(corner, QPoint(300, 200), QPoint(500, 220));
    const TLogRect r = corner.Result();
    EXPECT_EQ(r.Left, 100);
    EXPECT_EQ(r.Top, 100);
    EXPECT_EQ(r.Width(), 2 * r.Height());
    EXPECT_EQ(r.Height(), 120);
    // Shift turns the lock off.
    TRectGhost free(box, 7);
    Drive(free, QPoint(300, 200), QPoint(500, 220), Qt::ShiftModifier);
    EXPECT_EQ(free.Result(), (TLogRect{100, 100, 500, 220}));
    // A side handle changes the other side in proportion, split on both sides.
    TRectGhost side(box, 6);
    Drive(side, QPoint(300, 150), QPoint(500, 150));
    EXPECT_EQ(side.Result().Width(), 400);
    EXPECT_EQ(side.Result().Height(), 200);
    EXPECT_EQ(RectCenter(side.Result()).y(), 150);
    // The minimum keeps the proportions: 40 x 20.
    TRectGhost tiny(box, 7);
    Drive(tiny, QPoint(300, 200), QPoint(90, 90));
    EXPECT_EQ(tiny.Result().Width(), 2 * tiny.Result().Height());
    EXPECT_GE(tiny.Result().Height(), 20);
    // Dragged past the opposite corner: flipped, pinned at the fixed corner.
    TRectGhost flip(box, 7);
    Drive(flip, QPoint(300, 200), QPoint(0, 50));
    EXPECT_EQ(flip.Result().Right, 100);
    EXPECT_EQ(flip.Result().Bottom, 100);
    EXPECT_EQ(flip.Result().Width(), 2 * flip.Result().Height());
}

TEST_F(GhostFixture, ResizeOfATurnedObjectMeasuresAlongItsAxes)
{
    TGBox* box = Box({400, 400, 600, 500});
    box->Angle = 90; // turned a quarter clockwise: its right side points down
    TRectGhost ghost(box, 6);
    Drive(ghost, QPoint(500, 550), QPoint(500, 650)); // the pointer goes down by 100
    EXPECT_EQ(ghost.Result().Width(), 300);
    EXPECT_EQ(ghost.Result().Height(), 100);
    // The fixed (left) side stays where it was on the page: the centre moved down 50.
    EXPECT_EQ(RectCenter(ghost.Result()), QPoint(500, 500));
    EXPECT_FALSE(static_cast<TGBox*>(ghost.Copy())->Auto);
}

TEST_F(GhostFixture, RotationSnapsToFortyFiveDegreesWithShift)
{
    TGBox* box = Box({400, 400, 600, 600}); // centre (500, 500)
    const QPoint m(500, 500);
    const QPoint start = OnCircle(m, 100, 0);
    for (auto [turn, plain, snapped] :
         {std::tuple{22, 22, 0}, {23, 23, 45}, {-22, 338, 0}, {-23, 337, 315}, {100, 100, 90}}) {
        TRotateGhost a(box);
        Drive(a, start, OnCircle(m, 100, turn));
        EXPECT_EQ(a.NewAngle(), plain) << turn;
        TRotateGhost b(box);
        Drive(b, start, OnCircle(m, 100, turn), Qt::ShiftModifier);
        EXPECT_EQ(b.NewAngle(), snapped) << turn;
    }
    Drag(std::make_unique<TRotateGhost>(box), start, OnCircle(m, 100, 30));
    EXPECT_EQ(box->Angle, 30);
    EXPECT_EQ(Log.Changes, QStringList{QStringLiteral("回転")});
}

TEST_F(GhostFixture, FreeMoveCanTurnTheObjectAboutTheCentre)
{
    TMoveModes::Current().RotateWithFreeMove = true;
    TGBox* box = Box({750, 450, 850, 550});
    TMoveGhost ghost(box);
    Drive(ghost, QPoint(800, 500), QPoint(500, 800)); // centre now below the site centre
    EXPECT_EQ(ghost.ExtraRotation(), 90);
}

TEST_F(GhostFixture, LineEndsSnapHorizontalOrVerticalWithShift)
{
    auto* line = new TGCurve(&Site);
    line->A = {100, 100};
    line->B = {300, 100};
    line->C = {200, 100};
    Site.AddObject(line);
    TLineGhost h(line, 1);
    Drive(h, QPoint(300, 100), QPoint(500, 180), Qt::ShiftModifier);
    EXPECT_EQ(static_cast<TGCurve*>(h.Copy())->B, QPoint(500, 100));
    TLineGhost v(line, 1);
    Drive(v, QPoint(300, 100), QPoint(180, 400), Qt::ShiftModifier);
    EXPECT_EQ(static_cast<TGCurve*>(v.Copy())->B, QPoint(100, 400));
    TLineGhost straightUp(line, 0);
    Drive(straightUp, QPoint(100, 100), QPoint(300, 300), Qt::ShiftModifier); // dx = 0 against (300, 100)
    EXPECT_EQ(static_cast<TGCurve*>(straightUp.Copy())->A, QPoint(300, 300));
}

TEST_F(GhostFixture, CurveEndsStretchSymmetricallyAndTheBulgeIsLimited)
{
    auto* curve = new TGCurve(&Site);
    curve->A = {300, 500};
    curve->B = {700, 500};
    curve->C = {500, 400};
    Site.AddObject(curve);
    TCurveGhost ends(curve, 10);
    Drive(ends, QPoint(300, 500), QPoint(250, 480));
    auto* copy = static_cast<TGCurve*>(ends.Copy());
    EXPECT_EQ(copy->A, QPoint(250, 480));
    EXPECT_EQ(copy->B, QPoint(750, 480)); // along the chord mirrored, across kept
    EXPECT_EQ(copy->C, QPoint(500, 400));
    EXPECT_EQ(copy->Edits, 1);
    TCurveGhost bulge(curve, 12);
    Drive(bulge, QPoint(500, 400), QPoint(500, -5000));
    EXPECT_EQ(static_cast<TGCurve*>(bulge.Copy())->C, QPoint(500, -500)); // limited to 1000 off the chord
}

TEST_F(GhostFixture, CurveOnTheCircleAboutTheCentre)
{
    TMoveModes::Current().Circumference = true;
    auto* curve = new TGCurve(&Site);
    curve->A = {400, 200};
    curve->B = {600, 200};
    curve->C = {500, 200}; // straight: half its length is 100
    Site.AddObject(curve);
    TCurveGhost ghost(curve, 12);
    Drive(ghost, QPoint(500, 200), QPoint(500, 100)); // 400 above the centre
    auto* copy = static_cast<TGCurve*>(ghost.Copy());
    EXPECT_EQ(copy->C, QPoint(500, 100));
    for (QPoint p : {copy->A, copy->B})
        EXPECT_NEAR(std::hypot(p.x() - 500.0, p.y() - 500.0), 400, 1.5);
    // Start at the smaller angle (left of the top), end at the larger.
    EXPECT_LT(copy->A.x(), 500);
    EXPECT_GT(copy->B.x(), 500);
    EXPECT_NEAR(400 * std::atan2(100.0, 400.0), 100, 5); // arc half-length kept
}

TEST_F(GhostFixture, CreationDragsOwnTheirObjectUntilTheyApply)
{
    auto* made = new TGBox(&Site);
    made->SetVisible(false);
    Site.AddObject(made);
    Drag(std::make_unique<TRectCreateGhost>(made), QPoint(100, 100), QPoint(250, 180));
    ASSERT_EQ(Site.ObjectCount(), 1);
    EXPECT_TRUE(made->Visible());
    EXPECT_TRUE(made->Selected());
    EXPECT_EQ(made->R, (TLogRect{100, 100, 251, 181})); // from the press point to the pointer, both included
    EXPECT_EQ(Log.Adds, QStringList{QStringLiteral("追加")});
    EXPECT_TRUE(Log.Changes.isEmpty());

    auto* never = new TGCurve(&Site);
    never->SetVisible(false);
    Site.AddObject(never);
    Drag(std::make_unique<TLineCreateGhost>(never), QPoint(100, 100), QPoint(100, 100));
    EXPECT_EQ(Site.ObjectCount(), 1); // never moved: the hidden object is gone

    auto* cancelled = new TGCurve(&Site);
    Site.AddObject(cancelled);
    TGhostList& list = TGhostList::Instance();
    list.Add(std::make_unique<TCurveCreateGhost>(cancelled));
    list.Start(&Site, Bounds, QPoint(10, 10), {});
    list.Track({}, QPoint(200, 200));
    list.Cancel();
    EXPECT_EQ(Site.ObjectCount(), 1);
}

TEST_F(GhostFixture, TheListIgnoresRepeatedPointsAndCallsItsEndOnce)
{
    struct Counting : TGhost
    {
        int* Tracks;
        explicit Counting(int* t) : Tracks(t) {}
        void Start(QPoint) override {}
        void Draw(QPainter&) override {}
        void Track(TShiftState, QPoint) override { ++*Tracks; }
        void Apply(TShiftState) override {}
    };
    int tracks = 0, ends = 0;
    TGhostList& list = TGhostList::Instance();
    list.Add(std::make_unique<Counting>(&tracks));
    list.OnEnd = [&ends] { ++ends; };
    list.Start(&Site, Bounds, QPoint(5, 5), {});
    EXPECT_FALSE(list.Moved());
    list.Track({}, QPoint(5, 5));
    EXPECT_EQ(tracks, 0);
    list.Track({}, QPoint(6, 5));
    list.Track({}, QPoint(6, 5));
    list.Track(Qt::ShiftModifier, QPoint(6, 5));  // a key changes the state
    list.Track(Qt::KeypadModifier, QPoint(6, 5)); // only Shift, Alt and Ctrl count
    EXPECT_EQ(tracks, 3);
    EXPECT_TRUE(list.Moved());
    list.End();
    list.End();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(list.Active());
}

TEST_F(GhostFixture, HoverShowsThePivotsCursorAndGivesTheSiteItsOwnBack)
{
    TGBox* box = Box({100, 100, 400, 400});
    box->SetSelected(true);
    Site.setCursor(Qt::CrossCursor);
    Site.PlacePivot(std::make_unique<TRotatePivot>(box, 8), QPoint(400, 100))->SetCursor(crRotate);
    const auto hover = [this](QPoint logical) {
        const QPointF d = Site.ToDevice(logical);
        QMouseEvent move(QEvent::MouseMove, d, Site.mapToGlobal(d), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(&Site, &move);
    };
    hover(QPoint(400, 100));
    EXPECT_EQ(Site.cursor().shape(), Qt::BitmapCursor);
    hover(QPoint(800, 800));
    EXPECT_EQ(Site.cursor().shape(), Qt::CrossCursor);
    box->SetMovable(false);
    hover(QPoint(400, 100));
    EXPECT_EQ(Site.cursor().shape(), Qt::ArrowCursor); // a fixed owner's pivot: the default
}

TEST(Pivots, CursorsAndLooks)
{
    EXPECT_EQ(CursorFor(crSizeNWSE).shape(), Qt::SizeFDiagCursor);
    EXPECT_EQ(CursorFor(crSizeNESW).shape(), Qt::SizeBDiagCursor);
    EXPECT_EQ(CursorFor(crRotate).shape(), Qt::BitmapCursor);
    const QImage rotate = RotateCursorImage();
    EXPECT_EQ(rotate.size(), QSize(32, 32));
    EXPECT_GT(qAlpha(rotate.pixel(16, 7)), 0); // the arc at the top
    EXPECT_EQ(qAlpha(rotate.pixel(0, 31)), 0);

    TGBox owner;
    TRotatePivot pivot(&owner, 8);
    pivot.SetCursor(crRotate);
    pivot.SetDeviceRect({2, 2, 8, 8});
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    {
        QPainter p(&image);
        pivot.Paint(p);
    }
    EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(0, 255, 0));
    EXPECT_EQ(pivot.Cursor(), crRotate);
    owner.SetMovable(false);
    EXPECT_EQ(pivot.Cursor(), 0); // the default cursor for a fixed owner
    image.fill(Qt::blue);
    {
        QPainter p(&image);
        pivot.Paint(p);
    }
    EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(2, 2)), QColor(Qt::black));
}

} // namespace
