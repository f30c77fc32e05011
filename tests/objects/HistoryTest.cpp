// The undo history over real shapes and the draw-site commands: every state the
// design passes through comes back byte for byte.
#include "base/UExceptions.h"
#include "base/UStream.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "objects/ULOLine.h"
#include "objects/ULORect.h"
#include "objects/UStandardDSA.h"
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct History : ::testing::Test
{
    TDrawSite site;
    History()
    {
        ClearLabelClasses();
        RegisterShapeClasses();
        InstallActionHistory();
        TActionList::Instance().Clear();
        TActionList::Instance().SetEnabled(true);
        TActionList::Instance().SetRepeatAllowed(true);
        site.Scaler()->SetUnitDPI(254);
        site.SetLogWidth(900);
        site.SetLogHeight(500);
        site.resize(400, 250);
    }
    ~History() override
    {
        TActionList::Instance().Clear();
        SetAddActionRecorder(nullptr);
        SetChangeActionFactory(nullptr);
    }

    QByteArray Design()
    {
        TDOList all;
        site.Collect(all, false);
        TMemoryStream stream;
        WriteLabelData(stream, all);
        return stream.Data();
    }

    template <class T> T* Add(const TLogRect& r)
    {
        auto* o = new T(&site);
        o->SetBaseRect(r);
        site.AddObject(o);
        RecordAddAction(o, QStringLiteral("追加"));
        return o;
    }
    TLOLine* AddLine(QPoint s, QPoint e)
    {
        auto* o = new TLOLine(&site);
        o->SetStartPoint(s);
        o->SetEndPoint(e);
        site.AddObject(o);
        RecordAddAction(o, QStringLiteral("追加"));
        return o;
    }
    void Select(std::initializer_list<TDrawObject*> objects)
    {
        site.SelectAll(false);
        for (TDrawObject* o : objects)
            o->SetSelected(true);
    }
};

} // namespace

TEST_F(History, TenEditsAndTheirUndosRestoreEveryStreamByteForByte)
{
    TActionList& h = TActionList::Instance();
    std::vector<QByteArray> states{Design()};
    auto step = [&] { states.push_back(Design()); };

    TLORect* a = Add<TLORect>({100, 100, 300, 200}); // 1 add
    step();
    TLOCircle* b = Add<TLOCircle>({400, 100, 600, 300}); // 2 add
    step();
    {
        auto action = std::make_unique<TDOChangeAction>(a, QStringLiteral("設定変更"));
        a->SetFrameWidth(25);
        a->SetFillInside(true);
        a->FillColor()->SetColor(0x00FF00);
        TDOChangeAction::Commit(std::move(action)); // 3 change
    }
    step();
    TLOLine* line = AddLine({50, 400}, {800, 420}); // 4 add
    step();
    Select({line});
    TDSASendToBack back;
    back.Execute(&site); // 5 layer
    step();
    Select({a, b});
    TDSAOffsetAngle turn(90);
    turn.Execute(&site); // 6 change group (two objects turn)
    step();
    Select({a, line});
    TDSALock lock;
    lock.Execute(&site); // 7 lock
    step();
    Select({a, b});
    TDSAGroup group;
    ASSERT_TRUE(group.Execute(&site)); // 8 grouping
    step();
    EXPECT_EQ(site.ObjectCount(), 2);
    Select({line});
    TDSAClear clear;
    clear.Execute(&site); // 9 delete
    step();
    TDSASelectAll all;
    all.Execute(&site);
    TDSAUngroup ungroup;
    ASSERT_TRUE(ungroup.Execute(&site)); // 10 ungrouping
    step();

    ASSERT_EQ(h.Count(), 10);
    for (size_t i = 1; i < states.size(); ++i)
        EXPECT_NE(states[i], states[i - 1]) << "edit " << i << " changed the design";
    for (int k = 10; k >= 1; --k) {
        ASSERT_TRUE(h.CanUndo());
        h.Undo();
        EXPECT_EQ(Design(), states[size_t(k - 1)]) << "after undoing edit " << k;
    }
    EXPECT_FALSE(h.CanUndo());
    for (int k = 1; k <= 10; ++k) {
        ASSERT_TRUE(h.CanRedo());
        h.Redo();
        EXPECT_EQ(Design(), states[size_t(k)]) << "after redoing edit " << k;
    }
    EXPECT_FALSE(h.CanRedo()) << "no action repeats";
}

TEST_F(History, TheEleventhEditDropsTheOldest)
{
    TActionList& h = TActionList::Instance();
    TLORect* r = Add<TLORect>({0, 0, 100, 100});
    const QByteArray afterAdd = Design();
    for (int i = 1; i <= 10; ++i) {
        auto action = std::make_unique<TDOChangeAction>(r, QStringLiteral("移動"));
        r->MoveBy(10, 0);
        TDOChangeAction::Commit(std::move(action));
    }
    EXPECT_EQ(h.Count(), 10);
    EXPECT_EQ(h.CurrentIndex(), 9);
    int undone = 0;
    while (h.CanUndo()) {
        h.Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 10);
    EXPECT_EQ(Design(), afterAdd) << "the add itself is gone from the history; its object stays";
    EXPECT_EQ(r->BaseRect().Left, 0);
}

TEST_F(History, AnEditThatChangedNothingLeavesNoEntryAndCaptionsFollowTheHistory)
{
    TActionList& h = TActionList::Instance();
    TLORect* r = Add<TLORect>({0, 0, 100, 100});
    EXPECT_EQ(UndoMenuCaption(), QStringLiteral("追加の取り消し(&U)"));
    {
        auto action = std::make_unique<TDOChangeAction>(r, QStringLiteral("設定変更"));
        r->SetFrameWidth(r->FrameWidth()); // equal: nothing happens
        TDOChangeAction::Commit(std::move(action));
    }
    EXPECT_EQ(h.Count(), 1);
    EXPECT_EQ(h.UndoCaption(), QStringLiteral("追加"));
    {
        TActionGroupScope group(QStringLiteral("位置合わせ"));
    }
    EXPECT_EQ(h.Count(), 1) << "an empty group leaves nothing";
    h.Undo();
    EXPECT_FALSE(r->OnSite()) << "undoing an addition takes the object off";
    EXPECT_EQ(UndoMenuCaption(), QStringLiteral("取り消し(&U)"));
    EXPECT_EQ(RedoMenuCaption(), QStringLiteral("追加のやり直し(&R)"));
    h.Redo();
    EXPECT_TRUE(r->OnSite());
    EXPECT_EQ(site.Objects(0), r);
}

TEST_F(History, UndoingTwiceThenEditingDiscardsTheRedoTail)
{
    TActionList& h = TActionList::Instance();
    TLORect* r = Add<TLORect>({0, 0, 100, 100});
    for (int i = 0; i < 3; ++i) {
        auto action = std::make_unique<TDOChangeAction>(r, QStringLiteral("移動"));
        r->MoveBy(5, 0);
        TDOChangeAction::Commit(std::move(action));
    }
    h.Undo();
    h.Undo();
    EXPECT_TRUE(h.CanRedo());
    auto action = std::make_unique<TDOChangeAction>(r, QStringLiteral("設定変更"));
    r->SetFrameWidth(3);
    TDOChangeAction::Commit(std::move(action));
    EXPECT_FALSE(h.CanRedo());
    EXPECT_EQ(h.Count(), 3);
}

TEST_F(History, ClosingAGroupThatWasNeverOpenedIsAnInternalError)
{
    TActionList list;
    try {
        list.EndGroup();
        FAIL() << "no error";
    } catch (const EInternalError& e) {
        EXPECT_STREQ(e.what(), "group level is invalid");
    }
}

TEST_F(History, NestedGroupsReachTheHistoryOnceAndTakeTheirCaption)
{
    TActionList& h = TActionList::Instance();
    TLORect* r = Add<TLORect>({0, 0, 100, 100});
    h.BeginGroup(QStringLiteral("外"));
    h.BeginGroup(QString());
    {
        auto action = std::make_unique<TDOChangeAction>(r, QStringLiteral("移動"));
        r->MoveBy(1, 1);
        TDOChangeAction::Commit(std::move(action));
    }
    h.EndGroup();
    EXPECT_EQ(h.Count(), 1) << "the inner group is still inside the outer one";
    h.EndGroup();
    EXPECT_EQ(h.Count(), 2);
    EXPECT_EQ(h.UndoCaption(), QStringLiteral("外"));
    auto* group = dynamic_cast<TActionGroup*>(h.Items(1));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Items(0)->Caption(), QStringLiteral("移動"))
        << "an empty caption takes the first action's";
}

TEST_F(History, DisabledRecordingKeepsNothingAndDeletingCommandsStillWork)
{
    TActionList& h = TActionList::Instance();
    TLORect* r = Add<TLORect>({0, 0, 100, 100});
    h.SetEnabled(false);
    Select({r});
    TDSAClear clear;
    EXPECT_TRUE(clear.Execute(&site));
    EXPECT_EQ(site.ObjectCount(), 0);
    EXPECT_EQ(h.Count(), 1) << "only the addition made before";
    h.SetEnabled(true);
}

TEST_F(History, AnObjectDestroyedMeanwhileIsForgotten)
{
    TActionList& h = TActionList::Instance();
    TLORect* r = Add<TLORect>({0, 0, 100, 100});
    {
        auto action = std::make_unique<TDOChangeAction>(r, QStringLiteral("移動"));
        r->MoveBy(1, 1);
        TDOChangeAction::Commit(std::move(action));
    }
    delete r;
    EXPECT_NO_THROW(h.Undo());
    EXPECT_NO_THROW(h.Undo());
    EXPECT_NO_THROW(h.Redo());
}

TEST_F(History, BringingTwoObjectsToTheFrontKeepsTheirOrder)
{
    TLORect* a = Add<TLORect>({0, 0, 100, 100});
    TLORect* b = Add<TLORect>({10, 0, 110, 100});
    TLORect* c = Add<TLORect>({20, 0, 120, 100});
    Select({a, b});
    TDSABringToFront front;
    front.Execute(&site);
    EXPECT_EQ(site.Objects(0), c);
    EXPECT_EQ(site.Objects(1), a);
    EXPECT_EQ(site.Objects(2), b) << "the upper of the two stays above";
    TActionList::Instance().Undo();
    EXPECT_EQ(site.Objects(0), a);
    EXPECT_EQ(site.Objects(2), c);
}

TEST_F(History, LockingSkipsFixedObjectsAndIsDisabledWhenAllAreFixed)
{
    TLORect* a = Add<TLORect>({0, 0, 100, 100});
    TLORect* b = Add<TLORect>({10, 0, 110, 100});
    a->SetMovable(false);
    Select({a, b});
    TDSALock lock;
    const int before = TActionList::Instance().Count();
    ASSERT_TRUE(lock.Execute(&site));
    auto* group =
        dynamic_cast<TActionGroup*>(TActionList::Instance().Items(TActionList::Instance().CurrentIndex()));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Count(), 1) << "only the movable one is recorded";
    EXPECT_EQ(TActionList::Instance().Count(), before + 1);
    EXPECT_FALSE(lock.CanExecute(&site));
}

TEST_F(History, GroupingOneObjectIsImpossibleAndUndoingAGroupingIsOneStep)
{
    TLORect* a = Add<TLORect>({0, 0, 100, 100});
    TLOCircle* b = Add<TLOCircle>({200, 0, 300, 100});
    Select({a});
    TDSAGroup group;
    EXPECT_FALSE(group.CanExecute(&site));
    Select({a, b});
    ASSERT_TRUE(group.Execute(&site));
    ASSERT_EQ(site.ObjectCount(), 1);
    auto* g = dynamic_cast<TDOGroup*>(site.Objects(0));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->MemberCount(), 2);
    EXPECT_STREQ(g->Members(0)->ClassName(), "TLORect") << "members keep their painting order";
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("グループ化"));
    TActionList::Instance().Undo();
    ASSERT_EQ(site.ObjectCount(), 2);
    EXPECT_EQ(site.Objects(0), a);
    EXPECT_EQ(site.Objects(1), b);
}

TEST_F(History, AlignmentAndDistributionMoveEveryObjectInOneStep)
{
    TLORect* a = Add<TLORect>({100, 0, 200, 50});
    TLORect* b = Add<TLORect>({400, 100, 450, 150});
    TLORect* c = Add<TLORect>({250, 200, 330, 250});
    for (TLORect* r : {a, b, c})
        r->SetFrameWidth(0);
    TDOList list;
    for (TLORect* r : {a, b, c})
        list.Add(r);
    AlignObjects(list, TAlignKind::akLeft);
    EXPECT_EQ(a->BaseRect().Left, 100);
    EXPECT_EQ(b->BaseRect().Left, 100);
    EXPECT_EQ(c->BaseRect().Left, 100);
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("位置合わせ"));
    TActionList::Instance().Undo();
    EXPECT_EQ(b->BaseRect().Left, 400);
    // Distribution: a (100..200), c (250..330), b (400..450); widths 230 of 350.
    AlignObjects(list, TAlignKind::akSpaceHorizontally);
    EXPECT_EQ(a->BaseRect().Left, 100);
    EXPECT_EQ(c->BaseRect().Left, 200 + 60);
    EXPECT_EQ(b->BaseRect().Right, 450);
}

TEST_F(History, DistributingObjectsWiderThanTheirUnionOverlapsThemEvenly)
{
    TLORect* a = Add<TLORect>({0, 0, 100, 10});
    TLORect* b = Add<TLORect>({20, 0, 120, 10});
    TLORect* c = Add<TLORect>({40, 0, 140, 10});
    for (TLORect* r : {a, b, c})
        r->SetFrameWidth(0);
    TDOList list;
    for (TLORect* r : {a, b, c})
        list.Add(r);
    AlignObjects(list, TAlignKind::akSpaceHorizontally);
    // U = 0..140, widths 300: gaps of (140 - 300) / 2 = -80.
    EXPECT_EQ(a->BaseRect().Left, 0);
    EXPECT_EQ(b->BaseRect().Left, 100 - 80);
    EXPECT_EQ(c->BaseRect().Left, 200 - 160);
}

TEST_F(History, PushToEdgeFollowsARoundOutline)
{
    QPainterPath circle;
    circle.addEllipse(QRectF(0, 0, 400, 400));
    // An object 40 high around the middle row meets the circle near its left edge;
    // one at the top meets it much further in.
    int edge = -1;
    ASSERT_TRUE(PushToEdge(circle, {100, 180, 150, 220}, TFaceAdjust::faLeft, edge));
    EXPECT_LE(edge, 3);
    ASSERT_TRUE(PushToEdge(circle, {100, 10, 150, 50}, TFaceAdjust::faLeft, edge));
    EXPECT_GT(edge, 60);
    ASSERT_TRUE(PushToEdge(circle, {100, 180, 150, 220}, TFaceAdjust::faRight, edge));
    EXPECT_GE(edge, 397);
    EXPECT_FALSE(PushToEdge(circle, {100, 500, 150, 600}, TFaceAdjust::faLeft, edge)) << "no row meets it";
    EXPECT_FALSE(PushToEdge(QPainterPath(), {0, 0, 10, 10}, TFaceAdjust::faTop, edge));
}

TEST_F(History, TheOtherCommandsAndShapeEditsAlsoComeBackByteForByte)
{
    TActionList& h = TActionList::Instance();
    TLORect* a = Add<TLORect>({100, 100, 300, 200});
    TLOCircle* b = Add<TLOCircle>({400, 100, 600, 300});
    auto* curve = new TLOCurve(&site);
    curve->SetEndPoint({300, 400});
    site.AddObject(curve);
    RecordAddAction(curve, QStringLiteral("追加"));
    h.Clear();
    std::vector<QByteArray> states{Design()};
    auto step = [&] { states.push_back(Design()); };

    Select({a, b});
    TDSADontPrint dontPrint;
    ASSERT_TRUE(dontPrint.Execute(&site)); // 1
    step();
    TDSADoPrint doPrint;
    Select({a});
    ASSERT_TRUE(doPrint.Execute(&site)); // 2
    step();
    TDOList ab;
    ab.Add(a);
    ab.Add(b);
    AlignObjects(ab, TAlignKind::akBottom); // 3
    step();
    {
        auto action = std::make_unique<TDOChangeAction>(curve, QStringLiteral("移動・サイズ変更"));
        curve->SetControlPoint({150, 100});
        TDOChangeAction::Commit(std::move(action)); // 4
    }
    step();
    Select({b});
    TDSACopy copy;
    ASSERT_TRUE(copy.Execute(&site));
    TDSAPaste paste;
    ASSERT_TRUE(paste.Execute(&site)); // 5
    step();
    Select({a});
    TDSACut cut;
    ASSERT_TRUE(cut.Execute(&site)); // 6
    step();
    QPainterPath face;
    face.addEllipse(QRectF(0, 0, 900, 500));
    Select({b});
    TDOList justB;
    justB.Add(b);
    AdjustToFace(justB, TFaceAdjust::faLeft, face, 900, 500); // 7
    step();
    AdjustToFace(justB, TFaceAdjust::faPerpendicular, face, 900, 500); // 8
    step();
    TDOList all;
    site.Collect(all, false);
    Select({curve});
    TDSAOffsetAngle half(180);
    ASSERT_TRUE(half.Execute(&site)); // 9
    step();
    ASSERT_EQ(h.Count(), 9);
    for (size_t i = 1; i < states.size(); ++i)
        EXPECT_NE(states[i], states[i - 1]) << "edit " << i << " changed the design";
    for (int k = 9; k >= 1; --k) {
        h.Undo();
        EXPECT_EQ(Design(), states[size_t(k - 1)]) << "after undoing edit " << k;
    }
    for (int k = 1; k <= 9; ++k) {
        h.Redo();
        EXPECT_EQ(Design(), states[size_t(k)]) << "after redoing edit " << k;
    }
}
