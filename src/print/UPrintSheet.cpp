#include "print/UPrintSheet.h"
#include "base/UNumbers.h"
#include "document/ULabelData.h"
#include "draw/UCanvas.h"
#include "objects/ULabelObject.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "print/UPrintPage.h"
#include "sheet/USheetView.h"
#include <QFileInfo>

namespace velmo {

// ---------------------------------------------------------------------------------
// Settings

bool TPrintSpec::Selected(int face) const
{
    if (AllFaces)
        return true;
    return face >= 0 && face < Selection.size() && Selection[face] == 1;
}

int TPrintSpec::SelectedCount(int faceCount) const
{
    int n = 0;
    for (int i = 0; i < faceCount; ++i)
        if (Selected(i))
            ++n;
    return n;
}

QString TPrintSpec::Problem() const
{
    if (Copies < 1 || Copies > (MergeSheets ? kMaxMergeSheets : kMaxPrintCopies))
        return QStringLiteral("印刷部数は1から%1までです").arg(kMaxPrintCopies);
    if (std::abs(int64_t(Offset.x())) > kMaxPrintOffset || std::abs(int64_t(Offset.y())) > kMaxPrintOffset)
        return QStringLiteral("印刷位置の調整は-99.9mmから99.9mmまでです");
    return {};
}

// ---------------------------------------------------------------------------------
// Phased progress

TPhasedProgressBase::TPhasedProgressBase()
{
    FPhases.push_back({0, 0, 0});
}

void TPhasedProgressBase::BeginPhase(int low, int high)
{
    FPhases.push_back({low, std::max(low, high), low});
}

void TPhasedProgressBase::EndPhase()
{
    if (FPhases.size() > 1)
        FPhases.pop_back();
}

void TPhasedProgressBase::Step()
{
    TPhase& phase = FPhases.back();
    if (phase.Position < std::numeric_limits<int>::max())
        ++phase.Position;
    Show(Position());
}

int TPhasedProgressBase::Position() const
{
    int64_t a = kPhasedRange;
    int64_t sum = 0;
    for (const TPhase& phase : FPhases) {
        const int64_t n = int64_t(phase.High) + 1 - phase.Low;
        const int64_t e = std::clamp<int64_t>(int64_t(phase.Position) - phase.Low, 0, n);
        sum += a * e / n;
        a = a * (e + 1) / n - a * e / n;
    }
    return int(std::min<int64_t>(sum, kPhasedRange));
}

// ---------------------------------------------------------------------------------
// The print site

TPrintSite::TPrintSite(TLabelData& document, TPhasedProgressBase& progress, const TPrintSpec& spec)
    : TDrawSite(nullptr, nullptr), FDocument(document), FProgress(progress), FSpec(spec)
{
    Scaler()->SetUnitDPI(254);
    Scaler()->SetScale(100);
    SetBorder(false);
    SetColor(clWhite);
    hide();
}

TPrintSite::~TPrintSite()
{
    ClearSite(*this);
    FreeDesigns();
}

void TPrintSite::FreeDesigns()
{
    for (auto& [index, design] : FDesigns)
        design->FreeObjects();
    FDesigns.clear();
    FHasDesign.clear();
}

bool TPrintSite::HasDesign(int i)
{
    auto found = FHasDesign.find(i);
    if (found == FHasDesign.end())
        found = FHasDesign.emplace(i, FDocument.LabelHasData(i)).first;
    return found->second;
}

bool TPrintSite::Continue() const
{
    return FDevice && FDevice->Printing() && !FAborted;
}

void TPrintSite::Pump()
{
    if (FPump && !FAborted)
        FPump();
}

void TPrintSite::DrawToProgress(int index)
{
    TDrawSite::DrawToProgress(index);
    FProgress.Step();
    Pump();
}

void TPrintSite::DrawObjectTo(TDrawObject* object)
{
    // Off the printer the site paints nothing; once aborted the rest of the band is
    // left alone too.
    if (!Continue())
        return;
    TDrawSite::DrawObjectTo(object);
}

bool TPrintSite::FaceHasContent(int i)
{
    if (HasDesign(i))
        return true;
    if (!FSpec.PrintPaperImages)
        return false;
    TDOList images;
    FDocument.GetPaperImages(i, images);
    const bool any = images.Count() > 0;
    images.FreeObjects();
    return any;
}

void TPrintSite::PrintRun(TPrintDevice& device)
{
    FLabelCounter = 0;
    FAborted = false;
    FHasDesign.clear(); // the document may have changed since the last run
    if (const QString problem = FSpec.Problem(); !problem.isEmpty())
        throw EPrintError(problem);
    const TPaperInfo* paper = FDocument.Paper();
    if (!paper || paper->GetFaceCount() <= 0)
        throw EPrintError(QStringLiteral("このシートには印刷するラベルがありません"));
    const int faces = paper->GetFaceCount();
    if (FSpec.SelectedCount(faces) == 0)
        throw EPrintError(QStringLiteral("印刷するラベルが一つもありません"));
    bool anything = FSpec.PrintFrames || FSpec.PrintCutLines;
    for (int i = 0; i < faces && !anything; ++i)
        anything = FSpec.Selected(i) && FaceHasContent(i);
    if (!anything)
        throw EPrintError(QStringLiteral("印刷するラベルにデザインがありません"));
    SetLogWidth(paper->Width());
    SetLogHeight(paper->Height());

    device.SetPaper(QSize(paper->PortraitWidth(), paper->PortraitHeight()), paper->Landscape());
    // Objects marked not to print stay away from bands too (they are bitmaps).
    struct TPrintOutputGuard
    {
        bool Old = PrintOutput();
        TPrintOutputGuard() { SetPrintOutput(true); }
        ~TPrintOutputGuard() { SetPrintOutput(Old); }
    } printOutput;
    struct TDeviceGuard
    {
        TPrintSite* Site;
        ~TDeviceGuard() { Site->FDevice = nullptr; }
    } deviceGuard{this};
    device.BeginDoc();
    FDevice = &device;
    try {
        const int dpi = device.DPI();
        const QPoint physical = device.PhysicalOffset();
        FDeviceOffset = QPoint(-physical.x() + MulDiv(FSpec.Offset.x(), dpi, 254),
                               -physical.y() + MulDiv(FSpec.Offset.y(), dpi, 254));
        FProgress.BeginPhase(1, FSpec.Copies);
        for (int s = 0; s < FSpec.Copies && Continue(); ++s) {
            if (s > 0)
                device.NewPage();
            PrintFaces();
            PrintFramesAndCutLines();
            FProgress.Step();
        }
        FProgress.EndPhase();
        ClearSite(*this);
        FreeDesigns();
        if (FAborted || !device.Printing())
            device.Abort();
        else
            device.EndDoc();
    } catch (...) {
        ClearSite(*this);
        FreeDesigns();
        if (device.Printing())
            device.Abort();
        throw;
    }
}

void TPrintSite::PrintFaces()
{
    const int faces = FDocument.Paper()->GetFaceCount();
    FProgress.BeginPhase(1, FSpec.SelectedCount(faces));
    for (int i = 0; i < faces && Continue(); ++i) {
        const bool selected = FSpec.Selected(i);
        if (selected) {
            if (FaceHasContent(i))
                PrintFace(i);
            FProgress.Step();
        }
        if (!FSpec.CountSelectedOnly || selected)
            ++FLabelCounter;
        Pump();
    }
    FProgress.EndPhase();
}

void TPrintSite::PrintFace(int i)
{
    ClearSite(*this);
    const TPaperInfo& paper = *FDocument.Paper();
    const TLogRect rect = paper.GetPrintRect(i);
    TDOList objects;
    struct TListGuard
    {
        TDOList& List;
        ~TListGuard() { List.FreeObjects(); }
    } listGuard{objects};
    // Backgrounds first: they lie under the design.
    if (FSpec.PrintPaperImages)
        FDocument.GetPaperImages(i, objects);
    if (HasDesign(i)) {
        // A design is read once per run and copied for each face it prints on: a
        // merge run prints one design thousands of times, and copies of a picture
        // share its pixels, which a PDF then holds once.
        const int d = FDocument.SeparatelyDesign() ? i : 0;
        auto cached = FDesigns.find(d);
        if (cached == FDesigns.end()) {
            auto design = std::make_unique<TDOList>();
            try {
                FDocument.ReadLabel(i, *design);
            } catch (const std::exception& error) {
                design->FreeObjects();
                throw EPrintError(QStringLiteral("ラベル %1 のデザインを読めません（%2）")
                                      .arg(i + 1)
                                      .arg(ExceptionText(error)));
            }
            cached = FDesigns.emplace(d, std::move(design)).first;
        }
        for (TDrawObject* object : cached->second->Objects())
            objects.Add(CloneDrawObject(*object, nullptr));
    }
    // Designs are stored relative to their label.
    for (TDrawObject* object : objects.Objects())
        if (IDOEncloseBounds* bounds = Supports<IDOEncloseBounds>(object))
            bounds->MoveBy(rect.Left, rect.Top);
    if (FFaceHook)
        FFaceHook(objects, FLabelCounter);
    for (TDrawObject* object : objects.Objects()) {
        object->SetSelectable(false);
        object->SetEnabled(false);
        InsertComponent(object);
        AddObject(object);
    }
    objects.Clear(); // the site owns them now

    TPrintDevice& device = *FDevice;
    QPainter& canvas = device.Canvas();
    const int dpi = device.DPI();
    TCanvasSaver saver(canvas);
    const TFaceInfo face = paper.GetFaceInfo(i);
    canvas.resetTransform();
    canvas.translate(FDeviceOffset);
    Scaler()->ApplyMapping(canvas, dpi);
    // Nothing lands outside the face's printable outline (bleed included) nor in its
    // hole: the hole is cut out of the sheet, ink there would stain the backing.
    // Every object is clipped to its own enclosing rectangle as it draws, so when
    // all of those lie within the outline the face's clip cuts nothing; it is then
    // left off, and a vector page does not repeat the outline at every object.
    const QPainterPath printable = face.PrintablePath();
    if (!ObjectsWithin(printable))
        canvas.setClipPath(printable, Qt::IntersectClip);
    canvas.resetTransform();
    canvas.setRenderHint(QPainter::Antialiasing);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform);
    TLogRect area = Scaler()->RectToDevice(dpi, face.GetOuterRect());
    const QRect deviceArea =
        QRect(area.Left, area.Top, area.Width(), area.Height())
            .translated(FDeviceOffset)
            .adjusted(-kFaceAreaGrowth, -kFaceAreaGrowth, kFaceAreaGrowth, kFaceAreaGrowth);
    const bool banding = FBanding ? FBanding() : true;
    TPrintPage page(canvas, banding, deviceArea, dpi);
    FProgress.BeginPhase(1, page.BandCount());
    while (Continue() && page.NextBand()) {
        FProgress.BeginPhase(1, ObjectCount());
        DrawTo(page.Canvas(), FDeviceOffset, 100);
        FProgress.EndPhase();
        FProgress.Step();
    }
    FProgress.EndPhase();
}

bool TPrintSite::ObjectsWithin(const QPainterPath& outline)
{
    for (int k = 0; k < ObjectCount(); ++k) {
        TDrawObject* object = Objects(k);
        if (!object->Visible())
            continue;
        const TLogRect e = object->GetEncloseRect();
        // The clip an object draws through is its rectangle in whole units; a unit
        // more all round keeps antialiased edges on the safe side.
        if (!outline.contains(QRectF(e.Left - 1, e.Top - 1, e.Width() + 2.0, e.Height() + 2.0)))
            return false;
    }
    return true;
}

void TPrintSite::PrintFramesAndCutLines()
{
    if (!Continue() || (!FSpec.PrintFrames && !FSpec.PrintCutLines))
        return;
    const TPaperInfo& paper = *FDocument.Paper();
    QPainter& canvas = FDevice->Canvas();
    TCanvasSaver saver(canvas);
    canvas.resetTransform();
    canvas.setClipping(false);
    canvas.translate(FDeviceOffset);
    Scaler()->ApplyMapping(canvas, FDevice->DPI());
    canvas.setRenderHint(QPainter::Antialiasing, false);
    const QPen solid = DevicePixelPen(Qt::black);
    const QPen dashed = DevicePixelPen(Qt::black, Qt::DashLine);
    canvas.setBrush(Qt::NoBrush);
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        if (!FSpec.Selected(i))
            continue;
        const TFaceInfo face = paper.GetFaceInfo(i);
        if (FSpec.PrintFrames) {
            canvas.setPen(solid);
            face.DrawOutline(canvas, false, false);
        }
        if (FSpec.PrintCutLines) {
            canvas.setPen(dashed);
            if (face.FaceMargin != 0)
                face.DrawCutLine(canvas, false);
            else if (!FSpec.PrintFrames)
                face.DrawOutline(canvas, false, false);
        }
    }
}

QString PrintJobTitle(const QString& fileName, const QString& appName)
{
    const QString name = fileName.isEmpty() ? QStringLiteral("新規作成") : QFileInfo(fileName).fileName();
    return QStringLiteral("%1 - %2").arg(name, appName);
}

} // namespace velmo
