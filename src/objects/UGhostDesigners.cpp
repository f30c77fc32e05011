#include "objects/UGhostDesigners.h"
#include "draw/FDrawSite.h"
#include "draw/UGhost.h"
#include "draw/UPivot.h"
#include <memory>

namespace velmo {

namespace {

int AngleOf(TDrawObject* object)
{
    IDORotate* rotate = Supports<IDORotate>(object);
    return rotate ? rotate->GetAngle() : 0;
}

void Place(TDrawObject* object, std::unique_ptr<TPivot> pivot, int cursor, QPoint at)
{
    pivot->SetCursor(cursor);
    object->Site()->PlacePivot(std::move(pivot), at);
}

} // namespace

bool IsBent(TDrawObject* object)
{
    IDOCurve* curve = Supports<IDOCurve>(object);
    if (!curve)
        return false;
    const QPoint a = curve->GetStartPoint(), b = curve->GetEndPoint(), c = curve->GetControlPoint();
    const int64_t cross = int64_t(b.x() - a.x()) * (c.y() - a.y()) - int64_t(b.y() - a.y()) * (c.x() - a.x());
    return cross != 0;
}

void ShowRectPivots(TDrawObject* object)
{
    IDOBounds* bounds = Supports<IDOBounds>(object);
    if (!bounds || !object->Site())
        return;
    const int l = bounds->GetBoundsLeft(), t = bounds->GetBoundsTop();
    const int r = l + bounds->GetBoundsWidth(), b = t + bounds->GetBoundsHeight();
    const QPoint centre = RectCenter({l, t, r, b});
    const int angle = AngleOf(object);
    const bool rotates = Supports<IDORotate>(object) != nullptr;
    const int mx = centre.x(), my = centre.y();
    struct Handle
    {
        int Index;
        QPoint At;
        int Cursor;
    };
    const Handle handles[8] = {
        {0, {l, t}, crSizeNWSE}, {1, {l, my}, crSizeWE},  {2, {l, b}, crSizeNESW}, {3, {mx, t}, crSizeNS},
        {4, {mx, b}, crSizeNS},  {5, {r, t}, crSizeNESW}, {6, {r, my}, crSizeWE},  {7, {r, b}, crSizeNWSE},
    };
    for (const Handle& h : handles) {
        const QPoint at = angle != 0 ? TurnPoint(h.At, centre, angle) : h.At;
        if (rotates && (h.Index == 2 || h.Index == 5))
            Place(object, std::make_unique<TRotatePivot>(object, 8), crRotate, at);
        else
            Place(object, std::make_unique<TLabelPivot>(object, h.Index), h.Cursor, at);
    }
}

void ShowLinePivots(TDrawObject* object)
{
    IDOLine* line = Supports<IDOLine>(object);
    if (!line || !object->Site())
        return;
    Place(object, std::make_unique<TLabelPivot>(object, 0), crSizeWE, line->GetStartPoint());
    Place(object, std::make_unique<TLabelPivot>(object, 1), crSizeWE, line->GetEndPoint());
}

void ShowCurvePivots(TDrawObject* object)
{
    IDOCurve* curve = Supports<IDOCurve>(object);
    if (!curve || !object->Site())
        return;
    Place(object, std::make_unique<TLabelPivot>(object, 10), crSizeWE, curve->GetStartPoint());
    Place(object, std::make_unique<TLabelPivot>(object, 11), crSizeWE, curve->GetEndPoint());
    Place(object, std::make_unique<TBulgePivot>(object, 12), crSizeNS, curve->GetControlPoint());
}

// ---------------------------------------------------------------------------------

bool TDOLineGhostDesigner::ShowPivots(TLabelObject* object)
{
    if (!Supports<IDOLine>(object) || !object->Site())
        return false;
    ShowLinePivots(object);
    return true;
}

bool TDOLineGhostDesigner::BeginDrag(TLabelObject* object, int pivotIndex)
{
    if (!Supports<IDOLine>(object))
        return false;
    TGhostList& ghosts = TGhostList::Instance();
    switch (pivotIndex) {
    case -2:
        ghosts.Add(std::make_unique<TLineCreateGhost>(object));
        return true;
    case -1:
        ghosts.Add(std::make_unique<TMoveGhost>(object));
        return true;
    case 0:
    case 1:
        ghosts.Add(std::make_unique<TLineGhost>(object, pivotIndex));
        return true;
    default:
        return false;
    }
}

bool TDORectGhostDesigner::ShowPivots(TLabelObject* object)
{
    if (!Supports<IDOBounds>(object) || !object->Site())
        return false;
    ShowRectPivots(object);
    return true;
}

bool TDORectGhostDesigner::BeginDrag(TLabelObject* object, int pivotIndex)
{
    if (!Supports<IDOBounds>(object))
        return false;
    TGhostList& ghosts = TGhostList::Instance();
    if (pivotIndex == -2)
        ghosts.Add(std::make_unique<TRectCreateGhost>(object));
    else if (pivotIndex == -1)
        ghosts.Add(std::make_unique<TMoveGhost>(object));
    else if (pivotIndex >= 0 && pivotIndex <= 7)
        ghosts.Add(std::make_unique<TRectGhost>(object, pivotIndex));
    else if (pivotIndex == 8)
        ghosts.Add(std::make_unique<TRotateGhost>(object));
    else
        return false;
    return true;
}

bool TDOCurveGhostDesigner::ShowPivots(TLabelObject* object)
{
    if (!Supports<IDOCurve>(object) || !object->Site())
        return false;
    ShowCurvePivots(object);
    return true;
}

bool TDOCurveGhostDesigner::BeginDrag(TLabelObject* object, int pivotIndex)
{
    if (!Supports<IDOCurve>(object))
        return false;
    TGhostList& ghosts = TGhostList::Instance();
    if (pivotIndex == -2)
        ghosts.Add(std::make_unique<TCurveCreateGhost>(object));
    else if (pivotIndex == -1)
        ghosts.Add(std::make_unique<TMoveGhost>(object));
    else if (pivotIndex >= 10 && pivotIndex <= 12)
        ghosts.Add(std::make_unique<TCurveGhost>(object, pivotIndex));
    else
        return false;
    return true;
}

bool TDOTextGhostDesigner::ShowPivots(TLabelObject* object)
{
    if (!Supports<IDOBounds>(object) || !object->Site() || IsBent(object))
        return false;
    ShowRectPivots(object);
    if (Supports<IDOCurve>(object)) {
        IDOBounds* b = Supports<IDOBounds>(object);
        const QPoint centre =
            RectCenter({b->GetBoundsLeft(), b->GetBoundsTop(), b->GetBoundsLeft() + b->GetBoundsWidth(),
                        b->GetBoundsTop() + b->GetBoundsHeight()});
        Place(object, std::make_unique<TBulgePivot>(object, 12), crSizeNS, centre);
    }
    return true;
}

void RegisterGhostDesigners()
{
    TDesignerList& list = TDesignerList::Instance();
    list.Register(std::make_shared<TDOLineGhostDesigner>());
    list.Register(std::make_shared<TDORectGhostDesigner>());
    list.Register(std::make_shared<TDOCurveGhostDesigner>());
    list.Register(std::make_shared<TDOTextGhostDesigner>());
}

} // namespace velmo
