// The layout aids without an X server: guide creation and dragging with the hint
// texts, the ten-guide limit, the guide-bar command, snapping through the ghosts'
// hook and the rulers following the site.
#include "draw/FDrawSite.h"
#include "draw/UGhost.h"
#include "objects/FLayoutAids.h"
#include <QLabel>
#include <QScrollArea>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct Aids : ::testing::Test
{
    QWidget window;
    QScrollArea* scroll = new QScrollArea(&window);
    TDrawSite* site = new TDrawSite(nullptr, nullptr);
    TGuide guide;
    TGrid grid;
    std::unique_ptr<TLayoutAids> aids;
    QStringList messages;
    Aids()
    {
        site->Scaler()->SetUnitDPI(254);
        site->SetLogWidth(900);
        site->SetLogHeight(500);
        scroll->setWidget(site);
        aids = std::make_unique<TLayoutAids>(site, scroll, guide, grid);
        aids->ShowMessage = [this](const QString& m) { messages << m; };
    }
    ~Aids() override { aids.reset(); }
    QPoint Device(int x, int y) { return site->ToDevice({x, y}); }
};

} // namespace

TEST_F(Aids, AGuideDraggedOntoTheLabelIsKeptRoundedAndOneDroppedOutsideGoes)
{
    aids->HorizontalRuler()->OnMouseDown(aids->HorizontalRuler(), Qt::LeftButton, {5, 5});
    ASSERT_TRUE(aids->GuideDragging());
    EXPECT_EQ(guide.GetPos(0), QPoint(0, -1)) << "a horizontal placeholder above the label";
    aids->MoveGuideDrag(Device(0, 124), false);
    EXPECT_EQ(aids->GuideHint(), QStringLiteral("上から12.0mm 下から38.0mm"));
    aids->MoveGuideDrag(Device(0, 800), false);
    EXPECT_EQ(aids->GuideHint(), QStringLiteral("ｶﾞｲﾄﾞ削除"));
    aids->EndGuideDrag(Device(0, 124), false);
    EXPECT_FALSE(aids->GuideDragging());
    EXPECT_EQ(guide.GetPos(0).x(), 0);
    EXPECT_EQ(guide.GetPos(0).y() % 10, 0);
    EXPECT_NEAR(guide.GetPos(0).y(), 120, 10);
    EXPECT_TRUE(guide.Enabled());
    EXPECT_TRUE(guide.Visible());

    aids->VerticalRuler()->OnMouseDown(aids->VerticalRuler(), Qt::LeftButton, {5, 5});
    EXPECT_EQ(guide.GetPos(1), QPoint(-1, 0));
    aids->EndGuideDrag(Device(2000, 100), false);
    EXPECT_EQ(guide.GetPos(1), QPoint()) << "dropped outside the label: deleted";
    EXPECT_TRUE(guide.Enabled()) << "one guide is left";
}

TEST_F(Aids, TheEleventhGuideIsRefusedWithTheMessage)
{
    for (int i = 0; i < 10; ++i)
        guide.SetPos(i, {100 + i * 10, 0});
    aids->VerticalRuler()->OnMouseDown(aids->VerticalRuler(), Qt::LeftButton, {1, 1});
    EXPECT_FALSE(aids->GuideDragging());
    EXPECT_EQ(messages, QStringList{QStringLiteral("ガイドは10本までです")});
}

TEST_F(Aids, TheGuideBarCommandMakesTwoGuidesWhenThereAreNone)
{
    aids->ToggleGuides();
    EXPECT_TRUE(guide.Enabled());
    EXPECT_TRUE(guide.Visible());
    EXPECT_EQ(guide.GetPos(0), QPoint(0, 250));
    EXPECT_EQ(guide.GetPos(1), QPoint(450, 0));
    aids->ToggleGuides();
    EXPECT_FALSE(guide.Enabled());
    EXPECT_FALSE(guide.Visible());
    EXPECT_EQ(guide.GetPos(0), QPoint(0, 250)) << "the guides stay, hidden";
    aids->ToggleGridSnap();
    EXPECT_TRUE(grid.Enabled());
}

TEST_F(Aids, TheGhostsSnapThroughTheInstalledHook)
{
    grid.SetEnabled(true);
    guide.SetEnabled(true);
    guide.SetPos(0, {126, 0});
    aids->Activate();
    // The tolerance is 10 screen pixels in logical units.
    const QPoint offset = SnapOffset(nullptr, QPoint(120, 77));
    EXPECT_EQ(offset.x(), 6) << "the guide is closer than the grid's -20";
    EXPECT_EQ(offset.y(), 23) << "77 rounds to the grid line at 100";
    EXPECT_EQ(aids->SnapPoint({120, 77}), QPoint(6, 23));
    aids.reset();
    EXPECT_EQ(SnapOffset(nullptr, QPoint(120, 77)), QPoint(0, 0)) << "no hook once the view is gone";
}

TEST_F(Aids, RulersTakeTheSiteScaleAndLength)
{
    site->Scaler()->SetScale(200);
    aids->UpdateRulers();
    EXPECT_EQ(aids->HorizontalRuler()->Scale(), 200);
    EXPECT_EQ(aids->HorizontalRuler()->RulerLength(), 90);
    EXPECT_EQ(aids->VerticalRuler()->RulerLength(), 50);
    EXPECT_EQ(aids->VerticalRuler()->Kind(), TRulerKind::rkVertical);
}
