#pragma once
// The interfaces the drawing framework asks draw objects for. Code outside an object
// kind's own module asks for an interface (Supports<I>(object)) instead of testing
// the object's class; an object may answer more narrowly than its class suggests.
#include "draw/UNotify.h"
#include "draw/UStroke.h"
#include <QPoint>
#include <QString>

class QPainter;

namespace velmo {

class TColorSpec;
class TFont;

class IDOBaseRect
{
public:
    static constexpr TGUID IID{0xB7EC5AD0, 0x94E5, 0x11D1, {0xA1, 0xDF, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOBaseRect() = default;
    virtual TLogRect GetBaseRect() const = 0;
};

class IDOEncloseBounds
{
public:
    static constexpr TGUID IID{0x4B303A53, 0x7027, 0x11D1, {0xA1, 0x6E, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOEncloseBounds() = default;
    virtual void MoveBy(int dx, int dy) = 0;
    virtual void SetEncloseSize(int width, int height) = 0;
    virtual TLogRect GetEncloseBounds() const = 0;
};

class IDOBounds
{
public:
    static constexpr TGUID IID{0xCF484151, 0x74BF, 0x11D1, {0xA1, 0x81, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOBounds() = default;
    virtual int GetBoundsLeft() const = 0;
    virtual void SetBoundsLeft(int value) = 0;
    virtual int GetBoundsTop() const = 0;
    virtual void SetBoundsTop(int value) = 0;
    virtual int GetBoundsWidth() const = 0;
    virtual void SetBoundsWidth(int value) = 0;
    virtual int GetBoundsHeight() const = 0;
    virtual void SetBoundsHeight(int value) = 0;
    virtual bool KeepsAspect() const = 0;
};

class IDODraw
{
public:
    static constexpr TGUID IID{0x4B303A51, 0x7027, 0x11D1, {0xA1, 0x6E, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDODraw() = default;
    virtual void DrawObjectTo(QPainter& painter) = 0;
    // The outline shown while the object is dragged, in logical units.
    virtual void DrawGhostOutline(QPainter& painter) = 0;
};

class IDORotate
{
public:
    static constexpr TGUID IID{0x14B4B450, 0x7230, 0x11D1, {0xA1, 0x77, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDORotate() = default;
    virtual int GetAngle() const = 0;
    virtual void SetAngle(int degrees) = 0;
};

class IDOLine
{
public:
    static constexpr TGUID IID{0x9E37EE01, 0x9488, 0x11D2, {0x94, 0x08, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOLine() = default;
    virtual QPoint GetStartPoint() const = 0;
    virtual void SetStartPoint(QPoint point) = 0;
    virtual QPoint GetEndPoint() const = 0;
    virtual void SetEndPoint(QPoint point) = 0;
};

class IDOCurve : public IDOLine
{
public:
    static constexpr TGUID IID{0x705CB8D0, 0x8E77, 0x11D1, {0xA1, 0xCC, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual void BeginCurveEdit() = 0;
    virtual void EndCurveEdit() = 0;
    virtual QPoint GetControlPoint() const = 0;
    virtual void SetControlPoint(QPoint point) = 0;
};

class IDOFillColor
{
public:
    static constexpr TGUID IID{0x405F7334, 0x8D50, 0x11D1, {0xA1, 0xCA, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOFillColor() = default;
    virtual const TColorSpec* GetFillColor() const = 0;
    virtual void SetFillColor(const TColorSpec& color) = 0;
    virtual bool GetNoFill() const = 0;
    virtual void SetNoFill(bool value) = 0;
};

class IDOLineColor
{
public:
    static constexpr TGUID IID{0x405F7333, 0x8D50, 0x11D1, {0xA1, 0xCA, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOLineColor() = default;
    virtual const TColorSpec* GetLineColor() const = 0;
    virtual void SetLineColor(const TColorSpec& color) = 0;
};

class IDOAlign
{
public:
    static constexpr TGUID IID{0x405F7332, 0x8D50, 0x11D1, {0xA1, 0xCA, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOAlign() = default;
    virtual int GetAlign() const = 0;
    virtual void SetAlign(int value) = 0;
};

class IDOFont
{
public:
    static constexpr TGUID IID{0x405F7331, 0x8D50, 0x11D1, {0xA1, 0xCA, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOFont() = default;
    virtual const TFont* GetFont() const = 0;
    virtual void SetFont(const TFont& font) = 0;
};

class IDOVertical
{
public:
    static constexpr TGUID IID{0xDA0A5EA0, 0x8D74, 0x11D1, {0xA1, 0xCA, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOVertical() = default;
    virtual bool GetVertical() const = 0;
    virtual void SetVertical(bool value) = 0;
};

class IDOAutoSize
{
public:
    static constexpr TGUID IID{0x405F7330, 0x8D50, 0x11D1, {0xA1, 0xCA, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};
    virtual ~IDOAutoSize() = default;
    virtual bool GetAutoSize() const = 0;
    virtual void SetAutoSize(bool value) = 0;
};

class IDOBlend
{
public:
    static constexpr TGUID IID{0xD90DA153, 0x766D, 0x432A, {0xB1, 0x81, 0x46, 0x94, 0xF9, 0x4A, 0xBE, 0xD2}};
    virtual ~IDOBlend() = default;
    virtual void SetBlendShade(bool value) = 0;
    virtual bool GetBlendShade() const = 0;
    virtual void SetBlendRatio(int percent) = 0;
    virtual int GetBlendRatio() const = 0;
};

class IDOFeedAngle
{
public:
    static constexpr TGUID IID{0x5FA98FF7, 0x4B5B, 0x4ECB, {0x8E, 0x35, 0x71, 0x40, 0x4A, 0x61, 0xDE, 0x83}};
    virtual ~IDOFeedAngle() = default;
    virtual int GetFeedAngle() const = 0;
    virtual void SetFeedAngle(int degrees) = 0;
};

// The object kinds that implement the following interfaces add their remaining
// operations with the kinds themselves; the identifiers are fixed here so that every
// query uses the same ones.
class IDOWizardInput
{
public:
    static constexpr TGUID IID{0x30EAB04F, 0xB991, 0x4260, {0xBD, 0xF1, 0x3E, 0xF6, 0x23, 0xFE, 0xB9, 0x49}};
    virtual ~IDOWizardInput() = default;
    virtual QString GetWizardCaption() const = 0;
    virtual void SetWizardCaption(const QString& caption) = 0;
};

class IDOInsertion
{
public:
    static constexpr TGUID IID{0x392AF460, 0xA20C, 0x11D3, {0xAF, 0x72, 0x00, 0x10, 0x5A, 0x82, 0x1E, 0xB0}};
    virtual ~IDOInsertion() = default;
    virtual void SetInsertionText(const QString& text) = 0;
    virtual QString GetInsertionText() const = 0;
    // The 0-based field of the merge record the object shows.
    virtual void SetInsertionField(int field) = 0;
    virtual int GetInsertionField() const = 0;
};

class IDONumbering
{
public:
    static constexpr TGUID IID{0x76EB8840, 0xAD07, 0x11D3, {0xAF, 0x72, 0x00, 0x10, 0x5A, 0x82, 0x1E, 0xB0}};
    virtual ~IDONumbering() = default;
    // The number the object shows now (the label number while merging).
    virtual void SetCurNumber(int number) = 0;
    virtual int GetCurNumber() const = 0;
};

class IDOBackImage
{
public:
    static constexpr TGUID IID{0x94A6E450, 0x4C8C, 0x11D3, {0xAD, 0x27, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
    virtual ~IDOBackImage() = default;
    virtual void FitToFace(const TLogRect& face) = 0;
};

// The designer interface's identifier; designers themselves live with the label
// objects.
inline constexpr TGUID IID_IDODesigner{
    0xCF484154, 0x74BF, 0x11D1, {0xA1, 0x81, 0x00, 0x60, 0x97, 0x6E, 0x95, 0x10}};

// Asked by the label document when it reads a design, so that it reaches date and
// background objects whatever their classes.

// TDateUpdateFlag: which document time replaces a date object's date when its
// design is read.
enum class TDateUpdateFlag
{
    dufNo,
    dufOpen,
    dufPrint,
    dufSave
};

// A date object.
class IDODate
{
public:
    static constexpr TGUID IID{0x6A1C2E40, 0x3B7D, 0x4F52, {0x9C, 0x11, 0x5E, 0x20, 0x8B, 0x47, 0xD3, 0x0A}};
    virtual ~IDODate() = default;
    virtual TDateUpdateFlag GetUpdateFlag() const = 0;
    // Day count (days since 1899-12-30, time as the fraction).
    virtual double GetDate() const = 0;
    virtual void SetDate(double dayCount) = 0;
};

// A background object that can tell whether it shows anything: no frame, a solid
// white fill and no blend picture show nothing.
class IDOBackImageContent
{
public:
    static constexpr TGUID IID{0x6A1C2E41, 0x3B7D, 0x4F52, {0x9C, 0x11, 0x5E, 0x20, 0x8B, 0x47, 0xD3, 0x0A}};
    virtual ~IDOBackImageContent() = default;
    virtual bool IsEmptyBackground() const = 0;
};

} // namespace velmo
