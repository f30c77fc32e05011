#pragma once
// The ghost designers: which pivots an object shows and which ghost a drag from a
// pivot (or of the object itself, -1, or a creation drag, -2) gets. They are asked
// through the designer list, text first, then curve, rectangle and line.
#include "objects/ULabelObject.h"

namespace velmo {

// Places the eight rectangle handles (2 and 5 become rotation pivots, index 8, for
// objects that turn), rotated with the object about the centre of its bounds.
void ShowRectPivots(TDrawObject* object);
void ShowLinePivots(TDrawObject* object);
void ShowCurvePivots(TDrawObject* object);
// Whether an object with IDOCurve has its control point off the chord.
bool IsBent(TDrawObject* object);

class TDOLineGhostDesigner : public TDesigner
{
public:
    bool ShowPivots(TLabelObject* object) override;
    bool BeginDrag(TLabelObject* object, int pivotIndex) override;
};

class TDORectGhostDesigner : public TDesigner
{
public:
    bool ShowPivots(TLabelObject* object) override;
    bool BeginDrag(TLabelObject* object, int pivotIndex) override;
};

class TDOCurveGhostDesigner : public TDesigner
{
public:
    bool ShowPivots(TLabelObject* object) override;
    bool BeginDrag(TLabelObject* object, int pivotIndex) override;
};

class TDOTextGhostDesigner : public TDesigner
{
public:
    bool ShowPivots(TLabelObject* object) override;
};

// Registers the four in their order (line, rectangle, curve, text).
void RegisterGhostDesigners();

} // namespace velmo
