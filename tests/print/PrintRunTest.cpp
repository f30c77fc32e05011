// The print run on a device that paints pages into pictures: the label counter,
// chosen faces, the offset, landscape papers, clipping, frames and cut lines,
// progress and aborting.
#include "PrintTestSupport.h"
#include "base/UNumbers.h"
#include "document/ULabelData.h"
#include "paper/UPaperRecords.h"
#include "print/UPrintSheet.h"
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

struct TRun
{
    std::vector<int> Counters;   // the counter each drawn face got
    std::vector<QPoint> Corners; // top-left of the face's first object, moved
    TImagePrintDevice Device;
    TPhasedProgress Progress;
    int Steps = 0;
    int LastPosition = 0;
    explicit TRun(int dpi = 254, QPoint physical = {}) : Device(dpi, physical)
    {
        Progress.OnShow = [this](int p) {
            ++Steps;
            LastPosition = p;
        };
    }
    void Run(TLabelData& document, const TPrintSpec& spec, std::function<void(TPrintSite&)> prepare = {})
    {
        TPrintSite site(document, Progress, spec);
        site.SetFaceHook([this](TDOList& objects, int counter) {
            Counters.push_back(counter);
            if (objects.Count() > 0)
                if (IDOEncloseBounds* b = Supports<IDOEncloseBounds>(objects[0])) {
                    const TLogRect r = b->GetEncloseBounds();
                    Corners.emplace_back(r.Left, r.Top);
                }
        });
        if (prepare)
            prepare(site);
        site.PrintRun(Device);
    }
};

TPrintSpec Chosen(std::initializer_list<int> faces, int count, bool countSelectedOnly)
{
    TPrintSpec spec;
    spec.AllFaces = false;
    spec.Selection = QByteArray(count, 0);
    for (int f : faces)
        spec.Selection[f] = 1;
    spec.CountSelectedOnly = countSelectedOnly;
    return spec;
}

// The bounding box of ink on a page.
QRect InkBounds(const QImage& page)
{
    int l = page.width(), t = page.height(), r = -1, b = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (IsInk(page.pixel(x, y))) {
                l = std::min(l, x);
                r = std::max(r, x);
                t = std::min(t, y);
                b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

} // namespace

TEST(PrintRun, TwoCopiesOfTwelveFacesCountZeroToTwentyThree)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    TPrintSpec spec;
    spec.Copies = 2;
    TRun run;
    run.Run(*document, spec);
    ASSERT_EQ(run.Counters.size(), 24u);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(run.Counters[size_t(i)], i);
    EXPECT_EQ(run.Device.Pages.size(), 2u);
    EXPECT_TRUE(run.Device.Ended);
    EXPECT_FALSE(run.Device.Aborted);
    EXPECT_EQ(run.LastPosition, TPhasedProgressBase::kPhasedRange);
    EXPECT_GT(run.Steps, 24);
}

TEST(PrintRun, ChosenFacesKeepTheirPlaceInTheCountUnlessCountingSelectedOnly)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    {
        TRun run;
        run.Run(*document, Chosen({1, 3}, 12, false));
        EXPECT_EQ(run.Counters, (std::vector<int>{1, 3}));
    }
    {
        TRun run;
        run.Run(*document, Chosen({1, 3}, 12, true));
        EXPECT_EQ(run.Counters, (std::vector<int>{0, 1}));
    }
    {
        // Two sheets, counting chosen faces only: 0, 1 then 2, 3.
        TRun run;
        TPrintSpec spec = Chosen({1, 3}, 12, true);
        spec.Copies = 2;
        run.Run(*document, spec);
        EXPECT_EQ(run.Counters, (std::vector<int>{0, 1, 2, 3}));
    }
}

TEST(PrintRun, AFaceWithoutDesignIsNotPrintedButAdvancesTheCounter)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0x0000FF, 0, {0, 2, 5});
    TRun run;
    run.Run(*document, TPrintSpec{});
    EXPECT_EQ(run.Counters, (std::vector<int>{0, 2, 5}));
    // Faces 1, 3, 4 carry no ink.
    const QImage& page = run.Device.Pages.at(0);
    EXPECT_GT(FaceInkCoverage(page, *paper, 0, 254), 0.99);
    EXPECT_LT(FaceInkCoverage(page, *paper, 1, 254), 0.001);
    EXPECT_GT(FaceInkCoverage(page, *paper, 2, 254), 0.99);
    EXPECT_LT(FaceInkCoverage(page, *paper, 3, 254), 0.001);
}

TEST(PrintRun, SelectionBeyondTheArrayIsNotChosen)
{
    TPrintSpec spec = Chosen({0}, 1, false);
    EXPECT_TRUE(spec.Selected(0));
    EXPECT_FALSE(spec.Selected(1));
    EXPECT_FALSE(spec.Selected(-1));
    spec.Selection[0] = 2; // only 1 chooses
    EXPECT_FALSE(spec.Selected(0));
    spec.AllFaces = true;
    EXPECT_TRUE(spec.Selected(7));
}

TEST(PrintRun, ObjectsLandOnTheirFacesPrintRectangles)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0x0000FF, 50);
    TRun run;
    run.Run(*document, TPrintSpec{});
    ASSERT_EQ(run.Corners.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const TLogRect r = paper->GetPrintRect(i);
        EXPECT_EQ(run.Corners[size_t(i)], QPoint(r.Left + 50, r.Top + 50)) << i;
    }
    // At 254 dpi one pixel is one unit: face 0's ink starts at its rectangle + 50.
    const QImage& page = run.Device.Pages.at(0);
    const TLogRect r0 = paper->GetPrintRect(0);
    EXPECT_TRUE(IsInk(page.pixel(r0.Left + 50, r0.Top + 50)));
    EXPECT_FALSE(IsInk(page.pixel(r0.Left + 49, r0.Top + 50)));
    EXPECT_EQ(InkOutsideFaces(page, *paper, 254, 0), 0);
}

TEST(PrintRun, TheOffsetMovesFacesFramesAndCutLinesAlike)
{
    auto paper = CdPaper(20);
    auto document = FilledDocument(*paper);
    TPrintSpec plain;
    plain.PrintFrames = true;
    plain.PrintCutLines = true;
    TPrintSpec moved = plain;
    moved.Offset = QPoint(20, 0); // 2.0 mm to the right
    TRun a, b;
    a.Run(*document, plain);
    b.Run(*document, moved);
    const QImage& pa = a.Device.Pages.at(0);
    const QImage& pb = b.Device.Pages.at(0);
    const QRect ba = InkBounds(pa), bb = InkBounds(pb);
    EXPECT_EQ(bb, ba.translated(20, 0));
    // Pixel for pixel, 20 units (pixels at 254 dpi) further right.
    EXPECT_EQ(pb.copy(20, 0, pb.width() - 20, pb.height()), pa.copy(0, 0, pa.width() - 20, pa.height()));
    // Downward as well, and at another resolution in device pixels.
    TPrintSpec down = plain;
    down.Offset = QPoint(0, -15);
    TRun c(508), d(508);
    c.Run(*document, plain);
    d.Run(*document, down);
    EXPECT_EQ(InkBounds(d.Device.Pages.at(0)), InkBounds(c.Device.Pages.at(0)).translated(0, -30));
}

TEST(PrintRun, ThePhysicalOffsetPutsLogicalZeroOnThePapersCorner)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    TRun whole, margins(254, QPoint(42, 17));
    whole.Run(*document, TPrintSpec{});
    margins.Run(*document, TPrintSpec{});
    const QImage& a = whole.Device.Pages.at(0);
    const QImage& b = margins.Device.Pages.at(0);
    EXPECT_EQ(InkBounds(b), InkBounds(a).translated(-42, -17));
}

TEST(PrintRun, ALandscapePaperTurnsThePageAndPlacesFacesByTheirTurnedRectangles)
{
    auto paper = TwelveUpPaper();
    paper->SetLandscape(true);
    auto document = FilledDocument(*paper);
    TRun run;
    run.Run(*document, TPrintSpec{});
    EXPECT_TRUE(run.Device.Landscape);
    EXPECT_EQ(run.Device.Portrait, QSize(2100, 2970));
    const QImage& page = run.Device.Pages.at(0);
    EXPECT_EQ(page.size(), QSize(2970, 2100));
    for (int i = 0; i < 12; ++i) {
        const TLogRect r = paper->GetPrintRect(i);
        EXPECT_EQ(run.Corners[size_t(i)], QPoint(r.Left, r.Top));
        EXPECT_GT(FaceInkCoverage(page, *paper, i, 254), 0.99) << i;
    }
    EXPECT_EQ(InkOutsideFaces(page, *paper, 254, 0), 0);
    // Turned: the faces are wider than high no more.
    const TLogRect r0 = paper->GetPrintRect(0);
    EXPECT_GT(r0.Height(), r0.Width());
}

TEST(PrintRun, ACdFacePrintsNothingOutsideItsOutlineNorInItsHole)
{
    for (int margin : {0, 20}) {
        auto paper = CdPaper(margin);
        auto document = FilledDocument(*paper);
        for (bool banding : {true, false}) {
            TRun run(254);
            run.Run(*document, TPrintSpec{},
                    [&](TPrintSite& site) { site.SetBandingSetting([=] { return banding; }); });
            const QImage& page = run.Device.Pages.at(0);
            EXPECT_EQ(InkOutsideFaces(page, *paper, 254, 1), 0) << margin << banding;
            EXPECT_GT(FaceInkCoverage(page, *paper, 0, 254), 0.98) << margin << banding;
            const TFaceInfo face = paper->GetFaceInfo(0);
            const QPoint centre = RectCenter(face.Rect);
            EXPECT_FALSE(IsInk(page.pixel(centre)));
        }
    }
}

TEST(PrintRun, FramesOfACdShowTheOuterCircleAndTheHole)
{
    auto paper = CdPaper(0);
    auto document = FilledDocument(*paper, 0x0000FF, 0, {1});
    TPrintSpec spec = Chosen({0}, 2, false);
    spec.PrintFrames = true;
    TRun run;
    run.Run(*document, spec);
    const QImage& page = run.Device.Pages.at(0);
    const TFaceInfo face = paper->GetFaceInfo(0);
    const QPoint c = RectCenter(face.Rect);
    auto inkNear = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (IsInk(page.pixel(x + dx, y + dy)))
                    return true;
        return false;
    };
    // The outer circle's leftmost point and the hole's.
    EXPECT_TRUE(inkNear(face.Rect.Left, c.y()));
    EXPECT_TRUE(inkNear(face.GetPrintHoleRect().Left, c.y()));
    EXPECT_FALSE(inkNear(c.x(), c.y()));
    EXPECT_FALSE(inkNear((face.Rect.Left + face.GetPrintHoleRect().Left) / 2, c.y()));
    // Face 1 is not chosen: no frame there, and its design is not printed.
    const TFaceInfo other = paper->GetFaceInfo(1);
    EXPECT_FALSE(inkNear(other.Rect.Left, RectCenter(other.Rect).y()));
}

TEST(PrintRun, CutLinesWithoutBleedAreTheDashedOutlineAndGiveWayToFrames)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0x0000FF, 0, {11});
    TPrintSpec frames = Chosen({0}, 12, false);
    frames.PrintFrames = true;
    TPrintSpec cuts = Chosen({0}, 12, false);
    cuts.PrintCutLines = true;
    TPrintSpec both = frames;
    both.PrintCutLines = true;
    TRun a, b, c;
    a.Run(*document, frames);
    b.Run(*document, cuts);
    c.Run(*document, both);
    const QImage& fa = a.Device.Pages.at(0);
    const QImage& fb = b.Device.Pages.at(0);
    const QImage& fc = c.Device.Pages.at(0);
    const TLogRect r = paper->GetFaceInfo(0).Rect;
    int solid = 0, dashed = 0;
    for (int x = r.Left + 5; x < r.Right - 5; ++x) {
        solid += IsInk(fa.pixel(x, r.Top));
        dashed += IsInk(fb.pixel(x, r.Top));
    }
    EXPECT_EQ(solid, r.Width() - 10);
    EXPECT_GT(dashed, (r.Width() - 10) / 5);
    EXPECT_LT(dashed, r.Width() - 10 - 20);
    EXPECT_EQ(fa, fc); // with both and no bleed only the solid outline
}

TEST(PrintRun, CutLinesWithABleedFollowTheTrueCut)
{
    auto paper = CdPaper(20);
    auto document = FilledDocument(*paper, 0x0000FF, 0, {1});
    TPrintSpec cuts = Chosen({0}, 2, false);
    cuts.PrintCutLines = true;
    TRun run;
    run.Run(*document, cuts);
    const QImage& page = run.Device.Pages.at(0);
    const TFaceInfo face = paper->GetFaceInfo(0);
    const int y = RectCenter(face.Rect).y();
    int onCut = 0, onOuter = 0;
    for (int dy = -40; dy <= 40; ++dy) {
        onCut += IsInk(page.pixel(face.Rect.Left, y + dy)) || IsInk(page.pixel(face.Rect.Left + 1, y + dy));
        onOuter += IsInk(page.pixel(face.GetOuterRect().Left, y + dy));
    }
    EXPECT_GT(onCut, 10);
    EXPECT_EQ(onOuter, 0);
}

TEST(PrintRun, PaperImagesAreAddedUnderTheDesignWhenAsked)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0x0000FF, 100, {0});
    // A background design for every face: a green rectangle over the whole label.
    TImagePaperInfo images;
    images.SetSeparatelyDesign(false);
    images.SetLabelCount(12);
    {
        auto* back = new TPrintTestRect;
        const TLogRect r = document->LabelRect(0);
        back->SetBaseRect({0, 0, r.Width(), r.Height()});
        back->SetColor(0x00FF00);
        TDOList list;
        list.Add(back);
        images.SetFaceObjects(0, list);
        list.FreeObjects();
    }
    document->SetImageInfo(&images);
    TPrintSpec spec;
    TRun without;
    without.Run(*document, spec);
    EXPECT_EQ(without.Counters, (std::vector<int>{0}));
    spec.PrintPaperImages = true;
    TRun with;
    with.Run(*document, spec);
    // Every face has a background now: all twelve are printed.
    EXPECT_EQ(with.Counters.size(), 12u);
    const QImage& page = with.Device.Pages.at(0);
    const TLogRect r0 = paper->GetPrintRect(0);
    EXPECT_EQ(page.pixel(r0.Left + 10, r0.Top + 10), qRgb(0, 255, 0));   // background
    EXPECT_EQ(page.pixel(r0.Left + 150, r0.Top + 150), qRgb(255, 0, 0)); // design on top
    const TLogRect r5 = paper->GetPrintRect(5);
    EXPECT_EQ(page.pixel(r5.Left + 150, r5.Top + 150), qRgb(0, 255, 0));
}

TEST(PrintRun, AbortingStopsAtTheNextCheckAndEndsTheJobAsAborted)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    TPrintSpec spec;
    spec.Copies = 3;
    TImagePrintDevice device;
    TPhasedProgress progress;
    TPrintSite site(*document, progress, spec);
    std::vector<int> counters;
    site.SetFaceHook([&](TDOList&, int counter) {
        counters.push_back(counter);
        if (counter == 4)
            site.SetAborted(true);
    });
    site.PrintRun(device);
    EXPECT_EQ(counters, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(device.Aborted);
    EXPECT_FALSE(device.Ended);
    EXPECT_EQ(device.Pages.size(), 1u);
    // Face 4 was not drawn: the abort came before its bands.
    EXPECT_LT(FaceInkCoverage(device.Pages[0], *paper, 4, 254), 0.001);
    EXPECT_EQ(site.ObjectCount(), 0);
}

TEST(PrintRun, SettingsAndSheetsThatCannotBePrintedFailBeforeAnyJob)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    auto expectFailure = [&](TLabelData& doc, const TPrintSpec& spec, const QString& message) {
        TImagePrintDevice device;
        TPhasedProgress progress;
        TPrintSite site(doc, progress, spec);
        try {
            site.PrintRun(device);
            ADD_FAILURE() << "no error for " << message.toStdString();
        } catch (const EPrintError& e) {
            EXPECT_EQ(e.Message(), message);
        }
        EXPECT_TRUE(device.Pages.empty());
    };
    TPrintSpec spec;
    spec.Offset = QPoint(1000, 0);
    expectFailure(*document, spec, QStringLiteral("印刷位置の調整は-99.9mmから99.9mmまでです"));
    spec.Offset = QPoint(0, -1000);
    expectFailure(*document, spec, QStringLiteral("印刷位置の調整は-99.9mmから99.9mmまでです"));
    spec = {};
    spec.Copies = 0;
    expectFailure(*document, spec, QStringLiteral("印刷部数は1から99までです"));
    spec.Copies = 100;
    expectFailure(*document, spec, QStringLiteral("印刷部数は1から99までです"));
    expectFailure(*document, Chosen({}, 12, false), QStringLiteral("印刷するラベルが一つもありません"));
    auto empty = FilledDocument(*paper, 0, 0, {});
    for (int k = 0; k < 12; ++k)
        empty->ClearLabel(k);
    expectFailure(*empty, TPrintSpec{}, QStringLiteral("印刷するラベルにデザインがありません"));
    // The extremes themselves print.
    spec = {};
    spec.Copies = 1;
    spec.Offset = QPoint(999, -999);
    TImagePrintDevice device;
    TPhasedProgress progress;
    TPrintSite site(*document, progress, spec);
    site.PrintRun(device);
    EXPECT_TRUE(device.Ended);
}

TEST(PrintRun, AnEmptySheetStillPrintsItsFramesWhenAsked)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0, 0, {0});
    document->ClearLabel(0);
    TPrintSpec spec;
    spec.PrintFrames = true;
    TRun run;
    run.Run(*document, spec);
    EXPECT_TRUE(run.Counters.empty());
    EXPECT_TRUE(run.Device.Ended);
    EXPECT_FALSE(InkBounds(run.Device.Pages.at(0)).isEmpty());
}

TEST(PrintRun, DontPrintObjectsStayAwayFromBands)
{
    auto paper = TwelveUpPaper();
    RegisterPrintTestObjects();
    TLabelData document;
    document.SetPaper(paper.get());
    auto* hidden = new TPrintTestRect;
    hidden->SetBaseRect({0, 0, 200, 200});
    hidden->SetDontPrint(true);
    auto* shown = new TPrintTestRect;
    shown->SetBaseRect({300, 0, 500, 200});
    TDOList list;
    list.Add(hidden);
    list.Add(shown);
    document.WriteLabel(0, list);
    list.FreeObjects();
    TRun run;
    run.Run(document, Chosen({0}, 12, false));
    const QImage& page = run.Device.Pages.at(0);
    const TLogRect r = paper->GetPrintRect(0);
    EXPECT_FALSE(IsInk(page.pixel(r.Left + 100, r.Top + 100)));
    EXPECT_TRUE(IsInk(page.pixel(r.Left + 400, r.Top + 100)));
}

TEST(PrintRun, JobTitles)
{
    EXPECT_EQ(PrintJobTitle(QStringLiteral("/home/u/住所録.lbd")), QStringLiteral("住所録.lbd - ベルモ"));
    EXPECT_EQ(PrintJobTitle(QString()), QStringLiteral("新規作成 - ベルモ"));
}

TEST(PrinterForm, FindsExactFormsHoldingFormsAndNamesOtherSizes)
{
    TPrinterForm forms;
    forms.Add({QStringLiteral("A4"), 9, QSize(2100, 2970)});
    forms.Add({QStringLiteral("Letter"), 1, QSize(2159, 2794)});
    forms.Add({QStringLiteral("A5"), 11, QSize(1480, 2100)});
    forms.Add({QStringLiteral("Postcard"), 43, QSize(1000, 1480)});
    EXPECT_EQ(forms.FindForm(QSize(2100, 2970)), 0);
    EXPECT_EQ(forms.FindForm(QSize(2970, 2100)), -1); // exact: width and height as given
    EXPECT_EQ(forms.FindForm(QSize(2100, 2971)), -1);
    EXPECT_EQ(forms.SizeName(QSize(1000, 1480)), QStringLiteral("Postcard"));
    EXPECT_EQ(forms.SizeName(QSize(1820, 2570)), QStringLiteral("その他(182×257mm)"));
    EXPECT_EQ(forms.SizeName(QSize(915, 1275)), QStringLiteral("その他(91.5×127.5mm)"));
    // The smallest form that holds a paper, either way round.
    EXPECT_EQ(forms.FindHoldingForm(QSize(1200, 1400)), 2);
    EXPECT_EQ(forms.FindHoldingForm(QSize(1400, 1200)), 2);
    EXPECT_EQ(forms.FindHoldingForm(QSize(2150, 2790)), 1);
    EXPECT_EQ(forms.FindHoldingForm(QSize(2150, 2800)), -1);
    EXPECT_EQ(forms.FindHoldingForm(QSize(3000, 4200)), -1); // bigger than any form
    EXPECT_EQ(TPrinterForm().FindHoldingForm(QSize(10, 10)), -1);
}

TEST(PrintRun, APaperTheDeviceCannotTakeEndsBeforeAnyJob)
{
    class TSmallDevice : public TImagePrintDevice
    {
    public:
        void SetPaper(QSize portrait, bool landscape) override
        {
            if (portrait.width() > 1000)
                throw EPrintError(QStringLiteral("too big"));
            TImagePrintDevice::SetPaper(portrait, landscape);
        }
    };
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    TSmallDevice device;
    TPhasedProgress progress;
    TPrintSite site(*document, progress, TPrintSpec{});
    EXPECT_THROW(site.PrintRun(device), EPrintError);
    EXPECT_TRUE(device.Pages.empty());
    EXPECT_FALSE(device.Printing());
}

TEST(PrintRun, ADamagedDesignEndsTheJobAsAbortedWithTheLabelNamed)
{
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    {
        auto* r = new TPrintTestRect;
        r->SetBaseRect({0, 0, 100, 100});
        r->SetColor(TPrintTestRect::kDamagedColor);
        TDOList list;
        list.Add(r);
        document->WriteLabel(2, list);
        list.FreeObjects();
    }
    TImagePrintDevice device;
    TPhasedProgress progress;
    TPrintSite site(*document, progress, TPrintSpec{});
    try {
        site.PrintRun(device);
        ADD_FAILURE() << "printed a damaged design";
    } catch (const EPrintError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("ラベル 3 のデザインを読めません")))
            << e.Message().toStdString();
    }
    EXPECT_TRUE(device.Aborted);
    EXPECT_FALSE(device.Ended);
    EXPECT_EQ(site.ObjectCount(), 0);
}
