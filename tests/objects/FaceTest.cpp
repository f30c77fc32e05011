// Label faces and the paper site: choosing, single and multiple choice, the hit
// test with bleed and hole, frozen geometry on a site, the info text size, and the
// pivots the ghost designers give rectangles, lines and curves.
#include "LabelTestClasses.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UGhost.h"
#include "draw/UPivot.h"
#include "objects/UGhostDesigners.h"
#include "objects/ULOFace.h"
#include "paper/UPaperInfo.h"
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

std::unique_ptr<TMatrixPaperInfo> Paper(int nx, int ny, TFaceShape shape = fsRect)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    paper->SetFaceWidth(900);
    paper->SetFaceHeight(900);
    paper->SetRightMargin(100);
    paper->SetBottomMargin(100);
    paper->SetFaceCountX(nx);
    paper->SetFaceCountY(ny);
    paper->SetFaceShape(shape);
    return paper;
}

void Click(TDrawSite& site, QPoint logical)
{
    const QPointF device = site.ToDevice(logical);
    QMouseEvent press(QEvent::MouseButtonPress, device, site.mapToGlobal(device), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&site, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, device, site.mapToGlobal(device), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&site, &release);
}

QPoint Centre(const TLOFace* face)
{
    return RectCenter(face->BaseRect());
}

TEST(PaperSite, SingleChoiceFiresOnlyOnChange)
{
    auto paper = Paper(2, 3);
    TPaperSite site;
    site.SetPaper(paper.get());
    ASSERT_EQ(SiteFaceCount(&site), 6);
    EXPECT_EQ(site.ChosenIndex(), -1);
    int clicks = 0;
    site.OnFaceClick = [&clicks](TPaperSite*) { ++clicks; };
    Click(site, Centre(FaceAt(&site, 1)));
    EXPECT_EQ(site.ChosenIndex(), 1);
    EXPECT_EQ(clicks, 1);
    Click(site, Centre(FaceAt(&site, 4)));
    EXPECT_EQ(site.ChosenIndex(), 4);
    EXPECT_FALSE(site.IsChosen(1));
    EXPECT_EQ(clicks, 2);
    Click(site, Centre(FaceAt(&site, 4))); // already chosen: nothing changes
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(TGhostList::Instance().Active()); // faces are never dragged here
    Click(site, QPoint(50, 50));                   // between faces
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(site.ChosenIndex(), 4);
}

TEST(PaperSite, MultiSelectToggles)
{
    auto paper = Paper(2, 2);
    TPaperSite site;
    site.SetMultiSelect(true);
    site.SetPaper(paper.get());
    int clicks = 0;
    site.OnFaceClick = [&clicks](TPaperSite*) { ++clicks; };
    Click(site, Centre(FaceAt(&site, 0)));
    Click(site, Centre(FaceAt(&site, 3)));
    EXPECT_TRUE(site.IsChosen(0));
    EXPECT_TRUE(site.IsChosen(3));
    Click(site, Centre(FaceAt(&site, 0)));
    EXPECT_FALSE(site.IsChosen(0));
    EXPECT_EQ(clicks, 3);
    // Rebuilding (a change of the switch) unchooses all.
    site.SetMultiSelect(false);
    EXPECT_EQ(site.ChosenIndex(), -1);
    site.Choose(99);
    site.SetChosen(-1, true);
    EXPECT_EQ(site.ChosenIndex(), -1);
    EXPECT_EQ(FaceAt(&site, 4), nullptr);
}

TEST(PaperSite, ForgetsADestroyedPaperAndPassesItsColour)
{
    auto paper = Paper(1, 2);
    TPaperSite site;
    site.SetPaper(paper.get());
    site.SetFaceColor(0x123456);
    EXPECT_EQ(FaceAt(&site, 1)->FaceColor(), TColor(0x123456));
    site.SetDrawInfo(true);
    EXPECT_TRUE(FaceAt(&site, 0)->ShowInfo());
    paper.reset();
    EXPECT_EQ(site.Paper(), nullptr);
    EXPECT_EQ(SiteFaceCount(&site), 0);
}

TEST(PaperSite, ScalesThePaperIntoItsParent)
{
    QWidget parent;
    parent.resize(400, 300);
    auto paper = Paper(2, 3);
    auto* site = new TPaperSite(nullptr, &parent);
    site->SetPaper(paper.get());
    EXPECT_LE(site->width(), 400);
    EXPECT_LE(site->height(), 300);
    EXPECT_GE(site->height(), 290); // the taller side fills the parent
    EXPECT_NEAR(site->x() + site->width() / 2, 200, 2);
    delete site;
}

TEST(PaperSite, EditableFacesPaintWhiteOrInTheFaceColour)
{
    auto paper = Paper(2, 3, fsDoughnut);
    paper->SetFaceMargin(20);
    TPaperSite site;
    site.SetPaper(paper.get());
    site.SetDrawInfo(true);
    site.Choose(3);
    site.Scaler()->SetScale(25);
    QImage image(MulDiv(2100, 96 * 25, 254 * 100), MulDiv(2970, 96 * 25, 254 * 100), QImage::Format_RGB32);
    image.fill(Qt::gray);
    {
        QPainter p(&image);
        site.DrawTo(p, QPoint(0, 0), 25);
    }
    if (qEnvironmentVariableIsSet("VELMO_TEST_SHOTS"))
        image.save(qEnvironmentVariable("VELMO_TEST_SHOTS") + QStringLiteral("/paper-site.png"));
    const auto at = [&](int face, int dx, int dy) {
        const QPoint c = RectCenter(FaceAt(&site, face)->BaseRect()) + QPoint(dx, dy);
        return image.pixelColor(MulDiv(c.x(), 96 * 25, 254 * 100), MulDiv(c.y(), 96 * 25, 254 * 100));
    };
    // Between the hole and the outline: apricot on the chosen face, white elsewhere.
    EXPECT_EQ(at(3, 300, 0), QColor(0xFF, 0xE7, 0xAF));
    EXPECT_EQ(at(2, 300, 0), QColor(Qt::white));
}

TEST(LabelFace, HitTestIncludesBleedAndHole)
{
    TLOFace face;
    TFaceInfo info;
    info.Rect = {100, 100, 1300, 1300};
    info.FaceShape = fsDoughnut;
    info.FaceMargin = 20;
    face.SetFaceInfo(info);
    EXPECT_EQ(face.BaseRect(), (TLogRect{80, 80, 1320, 1320}));
    EXPECT_TRUE(face.HitTest(QPoint(700, 700))); // the centre hole
    EXPECT_TRUE(face.HitTest(QPoint(700, 85)));  // the bleed
    EXPECT_FALSE(face.HitTest(QPoint(90, 90)));  // outside the round outline
}

TEST(LabelFace, GeometryIsFrozenOnASiteUnlessEditable)
{
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(2000);
    site.SetLogHeight(2000);
    auto* face = new TLOFace(&site);
    TFaceInfo info;
    info.Rect = {100, 100, 500, 400};
    face->SetFaceInfo(info); // before it is on the site: taken
    site.AddObject(face);
    TFaceInfo other = info;
    other.Rect = {0, 0, 50, 50};
    face->SetFaceInfo(other);
    face->SetBaseRect({0, 0, 10, 10});
    EXPECT_EQ(face->BaseRect(), (TLogRect{100, 100, 500, 400}));
    face->SetEditable(true);
    face->SetBaseRect({200, 200, 600, 700});
    EXPECT_EQ(face->FaceInfo().Rect, (TLogRect{200, 200, 600, 700}));
    face->SetEncloseSize(100, 50);
    EXPECT_EQ(face->BaseRect(), (TLogRect{200, 200, 300, 250}));
}

TEST(LabelFace, InfoTextFollowsTheZoom)
{
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    auto* face = new TLOFace(&site);
    site.AddObject(face);
    site.Scaler()->SetScale(25);
    EXPECT_EQ(face->InfoFontSize(), 48);
    site.Scaler()->SetScale(400);
    EXPECT_EQ(face->InfoFontSize(), 3);
}

TEST(LabelFace, ChosenNonEditableFaceIsOutlinedInBlueInside)
{
    auto paper = Paper(1, 1);
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(paper->Width());
    site.SetLogHeight(paper->Height());
    AddPaperFaces(&site, *paper, true, false);
    ChooseFace(&site, 0);
    QImage image(MulDiv(2100, 96, 254), MulDiv(2970, 96, 254), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        site.DrawTo(p, QPoint(0, 0), 100);
    }
    // Face from (100, 100) to (1000, 1000): 37.8 px; the blue band lies inside.
    const int inside = MulDiv(100, 96, 254) + 2;
    EXPECT_EQ(QColor(image.pixel(inside, inside + 20)), QColor(Qt::blue));
    EXPECT_EQ(QColor(image.pixel(inside - 5, inside + 20)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(inside + 10, inside + 20)), QColor(Qt::white));
    EXPECT_EQ(ChosenFace(&site), FaceAt(&site, 0));
    EXPECT_EQ(FaceIndex(FaceAt(&site, 0)), 0);
}

// A rectangle that turns.
class TTurning : public TLOTestRect, public IDORotate
{
    VELMO_DRAW_OBJECT(TTurning, TLOTestRect)
public:
    explicit TTurning(TComponent* owner = nullptr) : TLOTestRect(owner) {}
    void* QueryInterface(const TGUID& iid) override
    {
        if (iid == IDORotate::IID)
            return static_cast<IDORotate*>(this);
        return TLOTestRect::QueryInterface(iid);
    }
    int GetAngle() const override { return Angle(); }
    void SetAngle(int a) override { TLOTestRect::SetAngle(a); }
};

const TPropertyTable& TTurning::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

struct DesignerFixture : ::testing::Test
{
    TDrawSite Site;
    DesignerFixture()
    {
        Site.Scaler()->SetUnitDPI(254);
        Site.SetLogWidth(2000);
        Site.SetLogHeight(2000);
        RegisterGhostDesigners();
    }
    ~DesignerFixture() override
    {
        TDesignerList::Instance().Clear();
        TGhostList::Instance().Clear();
    }
    QPoint PivotCentre(int i) const
    {
        const TLogRect& r = Site.Pivots(i)->DeviceRect();
        return Site.ToLogical(
            QPoint(r.Left + Site.Pivots(i)->Size() / 2, r.Top + Site.Pivots(i)->Size() / 2));
    }
};

TEST_F(DesignerFixture, TurnedRectangleHasRotationPivotsAtItsTurnedCorners)
{
    auto* object = new TTurning(&Site);
    object->SetBaseRect({500, 500, 1500, 1100});
    object->SetAngle(30);
    Site.AddObject(object);
    object->SetSelected(true);
    Site.RefreshPivots();
    ASSERT_EQ(Site.PivotCount(), 8);
    const QPoint centre(1000, 800);
    const auto turned = [&](QPoint p) {
        const double a = 30 * std::acos(-1.0) / 180;
        const double x = p.x() - centre.x(), y = p.y() - centre.y();
        return QPointF(centre.x() + x * std::cos(a) - y * std::sin(a),
                       centre.y() + x * std::sin(a) + y * std::cos(a));
    };
    // Logical units of one device pixel at this resolution.
    const double tolerance = 254.0 / DeviceDPI(&Site) + 1;
    int rotation = 0;
    for (int i = 0; i < Site.PivotCount(); ++i) {
        TPivot* pivot = Site.Pivots(i);
        QPoint expected;
        switch (pivot->Index()) {
        case 0:
            expected = {500, 500};
            break;
        case 7:
            expected = {1500, 1100};
            break;
        case 3:
            expected = {1000, 500};
            break;
        case 8:
            ++rotation;
            EXPECT_NE(dynamic_cast<TRotatePivot*>(pivot), nullptr);
            EXPECT_EQ(pivot->Cursor(), crRotate);
            continue;
        default:
            continue;
        }
        const QPointF want = turned(expected);
        EXPECT_NEAR(PivotCentre(i).x(), want.x(), tolerance) << pivot->Index();
        EXPECT_NEAR(PivotCentre(i).y(), want.y(), tolerance) << pivot->Index();
    }
    EXPECT_EQ(rotation, 2);
    // The rotation pivots sit at the turned bottom-left and top-right corners.
    std::vector<QPointF> corners{turned({500, 1100}), turned({1500, 500})};
    for (int i = 0; i < Site.PivotCount(); ++i) {
        if (Site.Pivots(i)->Index() != 8)
            continue;
        const QPoint at = PivotCentre(i);
        const bool near = std::any_of(corners.begin(), corners.end(), [&](QPointF c) {
            return std::abs(c.x() - at.x()) <= tolerance && std::abs(c.y() - at.y()) <= tolerance;
        });
        EXPECT_TRUE(near);
    }
}

TEST_F(DesignerFixture, PlainRectangleAndDragKinds)
{
    auto* object = new TLOTestRect(&Site);
    object->SetBaseRect({100, 100, 300, 300});
    Site.AddObject(object);
    object->SetSelected(true);
    Site.RefreshPivots();
    ASSERT_EQ(Site.PivotCount(), 8);
    std::vector<int> indices;
    for (int i = 0; i < 8; ++i)
        indices.push_back(Site.Pivots(i)->Index());
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Site.Pivots(2)->Cursor(), crSizeNESW);
    EXPECT_EQ(Site.Pivots(0)->Cursor(), crSizeNWSE);
    EXPECT_EQ(Site.Pivots(3)->Cursor(), crSizeNS);
    object->BeginDrag(7);
    ASSERT_EQ(TGhostList::Instance().Count(), 1);
    EXPECT_NE(dynamic_cast<TRectGhost*>(TGhostList::Instance().Items(0)), nullptr);
    TGhostList::Instance().Clear();
    object->BeginDrag(-1);
    EXPECT_NE(dynamic_cast<TMoveGhost*>(TGhostList::Instance().Items(0)), nullptr);
    TGhostList::Instance().Clear();
    // Moved with the mouse through the site: one drag, the object follows.
    const QPoint from = Site.ToDevice(QPoint(200, 200));
    const QPoint to = Site.ToDevice(QPoint(700, 450));
    QMouseEvent press(QEvent::MouseButtonPress, from, Site.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&Site, &press);
    QMouseEvent move(QEvent::MouseMove, to, Site.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&Site, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, Site.mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&Site, &release);
    EXPECT_NEAR(object->BaseRect().Left, 600, 3);
    EXPECT_NEAR(object->BaseRect().Top, 350, 3);
    EXPECT_EQ(Site.PivotCount(), 8); // rebuilt after the drag
}

TEST(GhostDesignersBent, OnlyAnObjectWithItsControlPointOffTheChordIsBent)
{
    struct Curve : IDOCurve
    {
        QPoint A, B, C;
        QPoint GetStartPoint() const override { return A; }
        void SetStartPoint(QPoint p) override { A = p; }
        QPoint GetEndPoint() const override { return B; }
        void SetEndPoint(QPoint p) override { B = p; }
        void BeginCurveEdit() override {}
        void EndCurveEdit() override {}
        QPoint GetControlPoint() const override { return C; }
        void SetControlPoint(QPoint p) override { C = p; }
    };
    struct Holder : TLOTestRect
    {
        Curve C;
        void* QueryInterface(const TGUID& iid) override
        {
            if (iid == IDOCurve::IID)
                return static_cast<IDOCurve*>(&C);
            return TLOTestRect::QueryInterface(iid);
        }
    } object;
    object.C.A = {0, 0};
    object.C.B = {100, 0};
    object.C.C = {50, 0};
    EXPECT_FALSE(IsBent(&object));
    object.C.C = {50, 1};
    EXPECT_TRUE(IsBent(&object));
    TLOTestRect plain;
    EXPECT_FALSE(IsBent(&plain));
}

} // namespace
