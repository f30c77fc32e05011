#include "DrawTestObjects.h"
#include "base/UStream.h"
#include "draw/FDrawSite.h"
#include "persist/UComponentStream.h"
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::TTestBox;

namespace {

struct SiteFixture : ::testing::Test
{
    TDrawSite Site;
    SiteFixture()
    {
        Site.Scaler()->SetUnitDPI(254);
        Site.SetLogWidth(1000);
        Site.SetLogHeight(600);
    }
    ~SiteFixture() override { TGhostList::Instance().Clear(); }

    TTestBox* Add(const TLogRect& r, QColor c = Qt::red, int layer = 0)
    {
        auto* box = new TTestBox(&Site);
        box->Rect = r;
        box->Color = c;
        box->SetLayerGroup(layer);
        Site.AddObject(box);
        return box;
    }
    QPoint Dev(QPoint logical) const { return Site.ToDevice(logical); }
    void Press(QPoint device, Qt::KeyboardModifiers mods = {})
    {
        QMouseEvent e(QEvent::MouseButtonPress, device, Site.mapToGlobal(device), Qt::LeftButton,
                      Qt::LeftButton, mods);
        QApplication::sendEvent(&Site, &e);
    }
    void Move(QPoint device, Qt::KeyboardModifiers mods = {})
    {
        QMouseEvent e(QEvent::MouseMove, device, Site.mapToGlobal(device), Qt::NoButton, Qt::LeftButton,
                      mods);
        QApplication::sendEvent(&Site, &e);
    }
    void Release(QPoint device, Qt::KeyboardModifiers mods = {})
    {
        QMouseEvent e(QEvent::MouseButtonRelease, device, Site.mapToGlobal(device), Qt::LeftButton,
                      Qt::NoButton, mods);
        QApplication::sendEvent(&Site, &e);
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {})
    {
        Press(from, mods);
        Move((from + to) / 2, mods);
        Move(to, mods);
        Release(to, mods);
    }
    std::vector<TDrawObject*> Order() const
    {
        std::vector<TDrawObject*> v;
        for (int i = 0; i < Site.ObjectCount(); ++i)
            v.push_back(Site.Objects(i));
        return v;
    }
};

} // namespace

TEST_F(SiteFixture, BoundsFollowTheScalerOutwardPlusOne)
{
    const int dpi = Site.SiteDPI();
    TTestBox* box = Add({0, 0, 100, 100});
    TScaler reference;
    reference.SetUnitDPI(254);
    TLogRect expected = reference.RectToDevice(dpi, {0, 0, 100, 100});
    expected.Right += 1;
    expected.Bottom += 1;
    EXPECT_EQ(box->BoundsRect(), expected);
    if (dpi == 96) {
        EXPECT_EQ(box->BoundsRect(), (TLogRect{0, 0, 39, 39}));
    }
    // Zooming changes the site's pixel size and every object's bounds, never the
    // logical geometry.
    Site.Scaler()->SetScale(400);
    EXPECT_EQ(box->Rect, (TLogRect{0, 0, 100, 100}));
    reference.SetScale(400);
    EXPECT_EQ(box->BoundsRect().Right, reference.RectToDevice(dpi, {0, 0, 100, 100}).Right + 1);
    EXPECT_EQ(Site.width(), reference.RectToDevice(dpi, {0, 0, 1000, 600}).Width());
}

TEST_F(SiteFixture, LayerGroupsKeepBands)
{
    TTestBox* background = Add({0, 0, 1000, 600}, Qt::white, -100);
    TTestBox* a = Add({10, 10, 50, 50});
    TTestBox* b = Add({20, 20, 60, 60});
    TTestBox* x = Add({30, 30, 70, 70});
    EXPECT_EQ(Order(), (std::vector<TDrawObject*>{background, a, b, x}));
    x->SendToBackInLayer();
    EXPECT_EQ(Order(), (std::vector<TDrawObject*>{background, x, a, b}));
    x->BringToFrontInLayer();
    EXPECT_EQ(Order(), (std::vector<TDrawObject*>{background, a, b, x}));
    // A new background image still lands below the ordinary objects, and a printed
    // image layer (-50) between the backgrounds and the objects.
    TTestBox* background2 = Add({0, 0, 10, 10}, Qt::white, -100);
    EXPECT_EQ(Site.IndexOfObject(background2), 1);
    TTestBox* printed = Add({0, 0, 10, 10}, Qt::gray, -50);
    EXPECT_EQ(Order(), (std::vector<TDrawObject*>{background, background2, printed, a, b, x}));
    background->BringToFrontInLayer();
    EXPECT_EQ(Site.IndexOfObject(background), 1);
    a->SendToBackInLayer();
    EXPECT_EQ(Site.IndexOfObject(a), 3);
}

TEST_F(SiteFixture, SelectionRules)
{
    TTestBox* box = Add({100, 100, 200, 200});
    int selectionNotes = 0;
    TListener listener([&](TComponent* sender, const TGUID& kind) {
        if (kind == nkSelection && sender == box)
            ++selectionNotes;
    });
    listener.ListenTo(&Site.Broadcaster());
    box->SetSelectable(false);
    box->SetSelected(true);
    EXPECT_FALSE(box->Selected());
    EXPECT_EQ(selectionNotes, 1); // still told
    box->SetSelectable(true);
    box->SetSelected(true);
    EXPECT_TRUE(box->Selected());
    EXPECT_TRUE(Site.PivotsDirty());
    box->SetSelectable(false); // deselects
    EXPECT_FALSE(box->Selected());
}

TEST_F(SiteFixture, ClickSelectsAndShiftClickToggles)
{
    TTestBox* a = Add({100, 100, 200, 200});
    TTestBox* b = Add({300, 100, 400, 200});
    Press(Dev({150, 150}));
    Release(Dev({150, 150}));
    EXPECT_TRUE(a->Selected());
    EXPECT_FALSE(b->Selected());
    EXPECT_EQ(Site.PivotCount(), 2); // pivots of the one selected object
    // Shift adds.
    Press(Dev({350, 150}), Qt::ShiftModifier);
    Release(Dev({350, 150}), Qt::ShiftModifier);
    EXPECT_TRUE(a->Selected());
    EXPECT_TRUE(b->Selected());
    // Shift on a selected object without movement deselects it.
    Press(Dev({350, 150}), Qt::ShiftModifier);
    Release(Dev({350, 150}), Qt::ShiftModifier);
    EXPECT_FALSE(b->Selected());
    EXPECT_TRUE(a->Selected());
    // With movement it stays selected and is moved.
    Drag(Dev({150, 150}), Dev({250, 250}), Qt::ShiftModifier);
    EXPECT_TRUE(a->Selected());
    EXPECT_NE(a->Rect, (TLogRect{100, 100, 200, 200}));
    EXPECT_EQ(a->Rect.Width(), 100);
    // A plain click elsewhere on the site deselects everything.
    Press(Dev({900, 500}));
    Release(Dev({900, 500}));
    EXPECT_FALSE(a->Selected());
    EXPECT_FALSE(TGhostList::Instance().Active());
}

TEST_F(SiteFixture, BandSelectsWhollyInsideInBothDirections)
{
    TTestBox* inside = Add({100, 100, 200, 200});
    TTestBox* partly = Add({250, 100, 450, 200});
    TTestBox* outside = Add({600, 400, 700, 500});
    Drag(Dev({50, 50}), Dev({300, 300}));
    EXPECT_TRUE(inside->Selected());
    EXPECT_FALSE(partly->Selected());
    EXPECT_FALSE(outside->Selected());
    Site.SelectAll(false);
    Drag(Dev({300, 300}), Dev({50, 50})); // right to left, bottom to top
    EXPECT_TRUE(inside->Selected());
    EXPECT_FALSE(partly->Selected());
    // A band that never moved selects nothing (and deselects, as a click does).
    Press(Dev({800, 50}));
    Release(Dev({800, 50}));
    EXPECT_FALSE(inside->Selected());
}

TEST_F(SiteFixture, PressOnNotSelectableObjectStartsBand)
{
    TTestBox* background = Add({0, 0, 1000, 600}, Qt::white, -100);
    background->SetSelectable(false);
    TTestBox* a = Add({100, 100, 200, 200});
    Drag(Dev({50, 50}), Dev({250, 250}));
    EXPECT_TRUE(a->Selected());
    EXPECT_FALSE(background->Selected());
    EXPECT_EQ(background->Rect, (TLogRect{0, 0, 1000, 600})); // not moved
}

TEST_F(SiteFixture, EmptyPartsOfAnObjectFallThrough)
{
    TTestBox* below = Add({100, 100, 300, 300});
    TTestBox* above = Add({150, 150, 250, 250});
    // A hit test that answers only for the object's left half.
    struct Half : TTestBox
    {
        using TTestBox::TTestBox;
        bool HitTest(QPoint p) override
        {
            return PtInRect({Rect.Left, Rect.Top, Rect.Left + 50, Rect.Bottom}, p);
        }
    };
    auto* half = new Half(&Site);
    half->Rect = {150, 150, 250, 250};
    Site.AddObject(half);
    Press(Dev({230, 200}));
    Release(Dev({230, 200}));
    EXPECT_TRUE(above->Selected());
    EXPECT_FALSE(half->Selected());
    EXPECT_EQ(Site.ObjectAt({160, 200}), half);
    EXPECT_EQ(Site.ObjectAt({120, 120}), below);
    EXPECT_EQ(Site.ObjectAt({900, 500}), nullptr);
}

TEST_F(SiteFixture, NotificationsReachTheSiteAndModifiedFlag)
{
    TTestBox* box = Add({100, 100, 200, 200});
    Site.SetModified(false);
    int modifyChanged = 0;
    Site.OnModifyChanged = [&](TDrawSite*) { ++modifyChanged; };
    int changedNotes = 0;
    TListener listener([&](TComponent* sender, const TGUID& kind) {
        if (kind == nkChanged && sender == box)
            ++changedNotes;
    });
    listener.ListenTo(&Site.Broadcaster());
    box->SetRect({110, 100, 210, 200});
    EXPECT_EQ(changedNotes, 1);
    EXPECT_TRUE(Site.Modified());
    EXPECT_EQ(modifyChanged, 1);
    box->Appendix()->Add(QStringLiteral("memo"));
    EXPECT_EQ(modifyChanged, 1); // already modified
}

TEST_F(SiteFixture, DestroyingObjectsAndSitesLeavesNoLinks)
{
    TTestBox* box = Add({100, 100, 200, 200});
    TListener outside;
    outside.ListenTo(&box->Notifier());
    outside.ListenTo(&Site.Broadcaster());
    EXPECT_EQ(outside.BroadcasterCount(), 2);
    bool destroyingSeen = false;
    outside.SetCallback([&](TComponent* sender, const TGUID& kind) {
        if (kind == nkDestroying && sender == box)
            destroyingSeen = true;
    });
    box->SetSelected(true);
    Site.RefreshPivots();
    delete box;
    EXPECT_TRUE(destroyingSeen);
    EXPECT_EQ(outside.BroadcasterCount(), 1);
    EXPECT_EQ(Site.ObjectCount(), 0);
    EXPECT_EQ(Site.PivotCount(), 0);
    {
        auto site = std::make_unique<TDrawSite>();
        auto* owned = new TTestBox(site.get());
        site->AddObject(owned);
        TTestBox loose({0, 0, 10, 10}, Qt::blue); // parented, not owned
        site->AddObject(&loose);
        outside.ListenTo(&site->Broadcaster());
        site.reset();
        EXPECT_EQ(loose.Site(), nullptr);
        EXPECT_EQ(outside.BroadcasterCount(), 1);
    }
}

TEST_F(SiteFixture, PaintingFailureShowsBoxAndReportsOnce)
{
    TTestBox* good = Add({100, 100, 300, 300}, Qt::green);
    TTestBox* bad = Add({400, 100, 600, 300}, Qt::blue);
    bad->FailPaint = true;
    int reports = 0;
    SetPaintErrorDisplay([&](TDrawObject* object, const std::exception&) {
        EXPECT_EQ(object, bad);
        ++reports;
    });
    Site.resize(Site.size());
    QImage first = Site.grab().toImage();
    QImage second = Site.grab().toImage();
    SetPaintErrorDisplay({});
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(bad->PaintFailed());
    const QPoint g = Dev({200, 200});
    EXPECT_EQ(QColor(second.pixel(g)), QColor(Qt::green));
    // The failure box: red frame at the object's bounds.
    const TLogRect b = bad->BoundsRect();
    EXPECT_EQ(QColor(second.pixel(b.Left, b.Top + 5)), QColor(Qt::red));
    EXPECT_EQ(QColor(second.pixel(b.Right - 1, b.Bottom - 5)), QColor(Qt::red));
    EXPECT_FALSE(good->PaintFailed());
}

TEST_F(SiteFixture, BlendedObjectsMixWithWhatIsBelow)
{
    Site.SetColor(clWhite);
    Site.SetBorder(false);
    TTestBox* box = Add({100, 100, 300, 300}, QColor(0, 0, 0));
    box->Blendable = true;
    box->Ratio = 50;
    const QImage shot = Site.grab().toImage();
    const QColor c(shot.pixel(Dev({200, 200})));
    EXPECT_NEAR(c.red(), 128, 1);
    EXPECT_EQ(QColor(shot.pixel(Dev({50, 50}))), QColor(Qt::white));
    // The same at 600 dpi through DrawTo on an image.
    QImage image(600, 400, QImage::Format_RGB32);
    SetImageDPI(image, 600);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        Site.DrawTo(p, {0, 0}, 100);
    }
    EXPECT_NEAR(QColor(image.pixel(350, 350)).red(), 128, 1);
    EXPECT_EQ(QColor(image.pixel(200, 200)), QColor(Qt::white));
    // Ratio 0 leaves the background untouched.
    box->Ratio = 0;
    EXPECT_EQ(QColor(Site.grab().toImage().pixel(Dev({200, 200}))), QColor(Qt::white));
}

TEST_F(SiteFixture, DrawToLeavesTheScreenStateAlone)
{
    TTestBox* box = Add({100, 100, 300, 200}, Qt::blue);
    Site.Scaler()->SetScale(150);
    const TLogRect bounds = box->BoundsRect();
    const QSize size = Site.size();
    int scalerChanged = 0;
    Site.OnScalerChanged = [&](TDrawSite*) { ++scalerChanged; };
    std::vector<int> progress;
    Site.OnDrawToProgress = [&](TDrawSite*, int index) { progress.push_back(index); };
    QImage image(2400, 1500, QImage::Format_RGB32);
    SetImageDPI(image, 600);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        Site.DrawTo(p, {10, 20}, 100);
    }
    EXPECT_EQ(Site.Scaler()->Scale(), 150);
    EXPECT_EQ(box->BoundsRect(), bounds);
    EXPECT_EQ(Site.size(), size);
    EXPECT_EQ(scalerChanged, 0);
    EXPECT_EQ(progress, std::vector<int>{0});
    // 100..300 logical at 600 dpi = 236.2..472.4 pixels, offset by (10, 20).
    EXPECT_EQ(QColor(image.pixel(10 + 240, 20 + 240)), QColor(Qt::blue));
    EXPECT_EQ(QColor(image.pixel(10 + 230, 20 + 240)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(10 + 700, 20 + 240)), QColor(Qt::blue));
    EXPECT_EQ(QColor(image.pixel(10 + 720, 20 + 240)), QColor(Qt::white));
    // A PDF page takes the same path.
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath(QStringLiteral("site.pdf")));
    {
        QPainter p(&pdf);
        EXPECT_TRUE(IsPrinting(p));
        Site.DrawTo(p, {0, 0}, 100);
    }
    EXPECT_EQ(Site.Scaler()->Scale(), 150);
    EXPECT_EQ(box->BoundsRect(), bounds);
}

TEST_F(SiteFixture, FitScaleAndPlacementHelpers)
{
    QImage image(10, 10, QImage::Format_RGB32);
    SetImageDPI(image, 254);
    QPainter p(&image);
    // 1000 x 600 logical units at 254 dpi are 1000 x 600 pixels at 100 %.
    EXPECT_EQ(Site.FitScale(p, {0, 0, 500, 600}, true, true), 50);
    EXPECT_EQ(Site.FitScale(p, {0, 0, 500, 600}, true, false), 100);
    EXPECT_EQ(Site.FitScale(p, {0, 0, 500, 600}, false, true), 50);
    EXPECT_EQ(Site.FitScale(p, {0, 0, 500, 600}, false, false), 100);
    EXPECT_EQ(DefaultImageSize({180, 90}), QSize(254, 127));
    EXPECT_EQ(DefaultImageSize({10, 10}), QSize(30, 30));
    EXPECT_EQ(FitAspect({0, 0, 200, 100}, 100, 100), (TLogRect{0, 0, 100, 50}));
    EXPECT_EQ(CoverAspect({0, 0, 200, 100}, 100, 100), (TLogRect{0, 0, 200, 100}));
    EXPECT_EQ(FitAspectBox({0, 0, 200, 100}, {100, 100, 200, 200}), (TLogRect{100, 125, 200, 175}));
    EXPECT_EQ(RectCenter({-3, -3, 0, 0}), QPoint(-1, -1)); // toward zero
    TTestBox* box = Add({-100, 100, -20, 200});
    TDOList list;
    list.Add(box);
    KeepInside(list, {0, 0, 1000, 600});
    EXPECT_EQ(RectCenter(box->Rect).x(), 10);
    ScaleObjects(list, {0, 0, 1000, 600}, {0, 0, 500, 300});
    EXPECT_EQ(box->Rect, (TLogRect{-15, 50, 25, 100}));
    EXPECT_EQ(MinimumExtent(box, 0), Site.ToLogical(QPoint(2, 0)).x());
    EXPECT_EQ(MinimumExtent(box, 1000), 1000);
}

TEST(DOList, StreamRoundTripAndDamage)
{
    RegisterClass<TTestBox>();
    TDOList list;
    TTestBox a({1, 2, 3, 4}, Qt::red), b({5, 6, 7, 8}, Qt::red);
    a.SetLayerGroup(-100);
    list.Add(&a);
    list.Add(&b);
    TMemoryStream stream;
    list.SaveToStream(stream);
    stream.SetPosition(0);
    TDOList read;
    read.LoadFromStream(stream);
    ASSERT_EQ(read.Count(), 2);
    EXPECT_EQ(read[0]->LayerGroup(), -100);
    EXPECT_EQ(read[1]->LayerGroup(), 0);
    read.Reverse();
    EXPECT_EQ(read[0]->LayerGroup(), 0);
    read.FreeObjects();
    EXPECT_EQ(read.Count(), 0);

    // A count far beyond the data.
    QByteArray bytes = stream.Data();
    QByteArray huge = bytes;
    huge[3] = char(0x7F);
    TMemoryStream hugeStream(huge);
    read.Add(&a);
    EXPECT_THROW(read.LoadFromStream(hugeStream), EReadError);
    EXPECT_EQ(read.Count(), 0);
    // One more object than there is: the first is not left behind.
    QByteArray more = bytes;
    more[0] = char(3);
    TMemoryStream moreStream(more);
    EXPECT_THROW(read.LoadFromStream(moreStream), EReadError);
    EXPECT_EQ(read.Count(), 0);
    // An unknown class in the second record.
    QByteArray unknown = bytes;
    const qsizetype at = unknown.lastIndexOf("TTestBox");
    unknown.replace(at, 8, "TNoSuchX");
    TMemoryStream unknownStream(unknown);
    try {
        read.LoadFromStream(unknownStream);
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("クラス TNoSuchX が見つかりません"));
    }
    EXPECT_EQ(read.Count(), 0);
    // Every truncation fails cleanly.
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        TMemoryStream cut(bytes.left(n));
        EXPECT_THROW(read.LoadFromStream(cut), Exception) << n;
        EXPECT_EQ(read.Count(), 0);
    }
    // Components that are not draw objects are dropped.
    TMemoryStream mixed;
    mixed.WriteUInt32(2);
    TComponent plain;
    RegisterClass<TComponent>();
    WriteComponent(mixed, plain);
    WriteComponent(mixed, a);
    mixed.SetPosition(0);
    read.LoadFromStream(mixed);
    ASSERT_EQ(read.Count(), 1);
    read.FreeObjects();
}

namespace {

// A drag that reaches the edge of the visible part scrolls the scroll area the site
// sits in, however deep the site is nested in the viewport.
void ExpectDragScrollsAlong(QScrollArea& area, TDrawSite& site)
{
    area.resize(220, 160);
    area.show();
    QApplication::processEvents();
    QScrollBar* h = area.horizontalScrollBar();
    QScrollBar* v = area.verticalScrollBar();
    ASSERT_GT(h->maximum(), 0);
    ASSERT_GT(v->maximum(), 0);
    auto send = [&site](QEvent::Type type, QPoint device, Qt::MouseButtons buttons) {
        QMouseEvent e(type, device, site.mapToGlobal(device),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&site, &e);
    };
    QWidget* viewport = area.viewport();
    // A move without a drag never scrolls, not even beyond the edge.
    send(QEvent::MouseMove, site.mapFrom(viewport, QPoint(viewport->width() + 20, 40)), Qt::NoButton);
    EXPECT_EQ(h->value(), 0);
    EXPECT_FALSE(site.AutoScroll(site.mapFrom(viewport, QPoint(viewport->width() + 20, 40))));
    // A selection band from the top left corner past the right and bottom edges.
    send(QEvent::MouseButtonPress, site.mapFrom(viewport, QPoint(30, 30)), Qt::LeftButton);
    send(QEvent::MouseMove, site.mapFrom(viewport, QPoint(60, 60)), Qt::LeftButton);
    ASSERT_TRUE(TGhostList::Instance().Active());
    int lastH = h->value();
    for (int i = 0; i < 4; ++i) {
        send(QEvent::MouseMove, site.mapFrom(viewport, QPoint(viewport->width() + 5, viewport->height() + 5)),
             Qt::LeftButton);
        EXPECT_GT(h->value(), lastH) << "move " << i;
        lastH = h->value();
    }
    EXPECT_GT(v->value(), 0);
    // Inside, away from the edges, nothing scrolls.
    const int stillH = h->value();
    const int stillV = v->value();
    send(QEvent::MouseMove, site.mapFrom(viewport, QPoint(viewport->width() / 2, viewport->height() / 2)),
         Qt::LeftButton);
    EXPECT_EQ(h->value(), stillH);
    EXPECT_EQ(v->value(), stillV);
    // Back past the left and top edges it scrolls back.
    send(QEvent::MouseMove, site.mapFrom(viewport, QPoint(-5, -5)), Qt::LeftButton);
    EXPECT_LT(h->value(), stillH);
    EXPECT_LT(v->value(), stillV);
    send(QEvent::MouseButtonRelease, site.mapFrom(viewport, QPoint(40, 40)), Qt::NoButton);
    EXPECT_FALSE(TGhostList::Instance().Active());
    TGhostList::Instance().Clear();
}

TDrawSite* BigSite(QWidget* parent)
{
    auto* site = new TDrawSite(nullptr, parent);
    site->Scaler()->SetUnitDPI(254);
    site->SetLogWidth(3000);
    site->SetLogHeight(2000);
    return site;
}

} // namespace

TEST(DrawSiteAutoScroll, ADragAtTheEdgeScrollsTheAreaTheSiteSitsIn)
{
    {
        // The site as the scroll area's own widget.
        QScrollArea area;
        TDrawSite* site = BigSite(nullptr);
        area.setWidget(site);
        ExpectDragScrollsAlong(area, *site);
    }
    {
        // The site on a holder with a margin round it, as the layout view has it.
        QScrollArea area;
        auto* holder = new QWidget;
        TDrawSite* site = BigSite(holder);
        holder->resize(site->width() + 40, site->height() + 40);
        site->move(20, 20);
        area.setWidget(holder);
        ExpectDragScrollsAlong(area, *site);
    }
    {
        // Outside any scroll area there is nothing to scroll.
        TDrawSite site;
        site.Scaler()->SetUnitDPI(254);
        site.SetLogWidth(1000);
        site.SetLogHeight(600);
        site.resize(100, 60);
        QMouseEvent press(QEvent::MouseButtonPress, QPoint(10, 10), site.mapToGlobal(QPoint(10, 10)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&site, &press);
        QMouseEvent move(QEvent::MouseMove, QPoint(30, 30), site.mapToGlobal(QPoint(30, 30)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&site, &move);
        EXPECT_FALSE(site.AutoScroll(QPoint(500, 500)));
        QMouseEvent release(QEvent::MouseButtonRelease, QPoint(30, 30), site.mapToGlobal(QPoint(30, 30)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&site, &release);
        TGhostList::Instance().Clear();
    }
}
