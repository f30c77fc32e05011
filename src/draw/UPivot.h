#pragma once
// Pivots: the handles shown on selected objects. A pivot belongs to one object and
// carries the index its owner's drag is started with when it is pressed. Pivots sit
// in device pixels on the site and are painted after the objects.
#include "draw/UStroke.h"
#include <QCursor>
#include <QPoint>

class QPainter;

namespace velmo {

class TDrawObject;

// Cursor numbers as objects and pivots carry them: the toolkit's standard cursors
// (crDefault 0, crCross -3, crSizeNESW -6, crSizeNS -7, crSizeNWSE -8, crSizeWE -9,
// crHandPoint -21, ...) and the application's own rotation cursor.
constexpr int crRotate = 3;
constexpr int crSizeNESW = -6;
constexpr int crSizeNS = -7;
constexpr int crSizeNWSE = -8;
constexpr int crSizeWE = -9;
// The cursor to show for a cursor number (unknown numbers give the arrow).
QCursor CursorFor(int cursor);
// The rotation cursor's picture (a 32 x 32 ARGB image with its hot spot in the middle).
QImage RotateCursorImage();

class TPivot
{
public:
    TPivot(TDrawObject* owner, int index, int size = 5) : FOwner(owner), FIndex(index), FSize(size) {}
    virtual ~TPivot() = default;
    TDrawObject* Owner() const { return FOwner; }
    int Index() const { return FIndex; }
    int Size() const { return FSize; }
    const TLogRect& DeviceRect() const { return FRect; }
    void SetDeviceRect(const TLogRect& rect) { FRect = rect; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    // A cursor number (see above); a pivot of an owner that is not Movable shows the
    // default cursor whatever was asked for.
    int Cursor() const;
    void SetCursor(int cursor) { FCursor = cursor; }
    // Paints the handle in device pixels.
    virtual void Paint(QPainter& painter);

protected:
    // The look when the owner is not Movable: a white square, black outline.
    void PaintFixed(QPainter& painter);

private:
    TDrawObject* FOwner;
    int FIndex;
    int FSize;
    TLogRect FRect;
    bool FVisible = true;
    int FCursor = 0;
};

// The handle of label objects: a black square with a white outline.
class TLabelPivot : public TPivot
{
public:
    TLabelPivot(TDrawObject* owner, int index) : TPivot(owner, index, 6) {}
    void Paint(QPainter& painter) override;
};

// The rotation handle: a green circle with a white outline.
class TRotatePivot : public TPivot
{
public:
    TRotatePivot(TDrawObject* owner, int index) : TPivot(owner, index, 6) {}
    void Paint(QPainter& painter) override;
};

// The control point of a curve: a red circle with a white outline.
class TBulgePivot : public TPivot
{
public:
    TBulgePivot(TDrawObject* owner, int index) : TPivot(owner, index, 6) {}
    void Paint(QPainter& painter) override;
};

} // namespace velmo
