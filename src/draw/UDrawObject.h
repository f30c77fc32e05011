#pragma once
// Draw objects: the things a draw site holds, paints and hit-tests. Objects keep
// their geometry in logical units and paint in logical units on whatever painter
// they are given; they never know which device that painter draws on. A draw object
// is not a widget: its site is the one widget that paints and hit-tests them all.
#include "base/UClasses.h"
#include "base/UGraphics.h"
#include "draw/UDOInterfaces.h"
#include "draw/UNotify.h"
#include "draw/UStroke.h"
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QSize>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace velmo {

class TDrawSite;
class TDrawObject;

// The abstract-call error raised when a class forgets an operation it must supply.
VELMO_DECLARE_EXCEPTION(EAbstractError, Exception)

// Asks an object for an interface; nullptr when it does not answer to it.
template <class I, class O> I* Supports(O* object)
{
    return object ? static_cast<I*>(object->QueryInterface(I::IID)) : nullptr;
}

// Where the failure of an object's painting is reported (once per failure). The
// application frame installs its error display; without one nothing is shown
// besides the failure box.
using TPaintErrorDisplay = std::function<void(TDrawObject* object, const std::exception& error)>;
void SetPaintErrorDisplay(TPaintErrorDisplay display);
void ReportPaintError(TDrawObject* object, const std::exception& error);

// Declares a draw-object class: a persistent class that can also make a new
// instance of its own exact class (for Clone).
#define VELMO_DRAW_OBJECT(Class, Base)                                                                       \
public:                                                                                                      \
    ::velmo::TDrawObject* NewInstance(::velmo::TComponent* owner) const override                             \
    {                                                                                                        \
        return new Class(owner);                                                                             \
    }                                                                                                        \
    VELMO_PERSISTENT(Class, Base)

class TDrawObject : public TComponent
{
    VELMO_PERSISTENT(TDrawObject, TComponent)
public:
    // A new, default object of this object's exact class.
    virtual TDrawObject* NewInstance(TComponent* owner) const { return new TDrawObject(owner); }

    explicit TDrawObject(TComponent* owner = nullptr);
    ~TDrawObject() override;

    // ---- interfaces: answers IChangeBroadcaster; descendants add theirs
    virtual void* QueryInterface(const TGUID& iid);

    // ---- device bounds on the site (derived from the logical geometry)
    const TLogRect& BoundsRect() const { return FBounds; }
    void SetBoundsRect(const TLogRect& device);
    // The published Left/Top/Width/Height: device bounds here, logical geometry in
    // descendants that store their own rectangle.
    virtual int PropLeft() const { return FBounds.Left; }
    virtual void SetPropLeft(int) {}
    virtual int PropTop() const { return FBounds.Top; }
    virtual void SetPropTop(int) {}
    virtual int PropWidth() const { return FBounds.Width(); }
    virtual void SetPropWidth(int) {}
    virtual int PropHeight() const { return FBounds.Height(); }
    virtual void SetPropHeight(int) {}

    // ---- state
    TChangeNotify& Notifier() { return *FNotify; }
    bool Border() const { return FBorder; }
    void SetBorder(bool value);
    bool Selected() const { return FSelected; }
    virtual void SetSelected(bool value);
    bool PaintFailed() const { return FPaintFailed; }
    bool Movable() const { return FMovable; }
    virtual void SetMovable(bool value);
    bool Selectable() const { return FSelectable; }
    void SetSelectable(bool value);
    int LayerGroup() const { return FLayerGroup; }
    void SetLayerGroup(int value);
    TStrings* Appendix() const { return FAppendix.get(); }
    void SetAppendix(TStrings* value);
    int Cursor() const { return FCursor; }
    void SetCursor(int value) { FCursor = value; }
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& value) { FHint = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    bool InGhostAssignment() const { return FInGhostAssignment; }
    void SetInGhostAssignment(bool value) { FInGhostAssignment = value; }
    // The painter the object currently draws on when drawn onto another canvas.
    QPainter* TargetCanvas() const { return FTargetCanvas; }
    bool IsPaintingCopy() const { return FTargetCanvas != nullptr; }

    std::function<void(TDrawObject* sender)> OnModify;
    std::function<void(TDrawObject* sender)> OnClick;
    std::function<void(TDrawObject* sender)> OnDblClick;

    // ---- the site
    TDrawSite* Site() const { return FSite; }
    // Puts the object into the site's child list (on top) or takes it out.
    void SetSite(TDrawSite* site);
    bool OnSite() const { return FSite != nullptr; }
    void UpdateBounds();
    void BringToFrontInLayer();
    void SendToBackInLayer();
    // Asks the site to repaint the object's device bounds.
    void Invalidate();

    // ---- the operations descendants supply
    // Draws the object in logical units.
    virtual void Paint(QPainter& painter);
    virtual bool NeedsBlend();
    virtual void PaintBlended(QPainter& painter);
    // Draws the object's coverage into an 8-bit mask (0 = none, 255 = full) through
    // the same mapping; the base covers the whole mask.
    virtual void PaintMask(QPainter& maskPainter);
    // Renders the object with Paint into the blend image the painter holds (a copy
    // of the destination under the object, mapped like the destination).
    virtual void MakeImage(QPainter& imagePainter);
    virtual void Notified(TComponent* sender, const TGUID& kind);
    virtual bool HitTest(QPoint logical);
    virtual TLogRect GetEncloseRect() const;
    virtual void ShowPivots();
    virtual void BeginDrag(int pivotIndex);
    // Around the site's handling of a press on the object (not on its pivots).
    virtual void BeforePress(Qt::MouseButton, Qt::KeyboardModifiers) {}
    virtual void AfterPress(Qt::MouseButton) {}
    virtual void Changed();
    // Draws the object onto another painter (printing, previews) when its enclosing
    // rectangle meets the painter's clip.
    virtual void DrawTo(QPainter& painter);

    // Paints the object on its site's painter (device mapping, site origin): the
    // failure box when an earlier paint failed, else the border and the object.
    void PaintOnSite(QPainter& painter, int deviceDpi);

    // Copies the state of another draw object inside one update bracket.
    void Assign(const TPersistent& source) override;

    // Component streams: on a site the site is the parent; elsewhere there is none.
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

protected:
    // One level of Assign; descendants call the inherited one first.
    virtual void AssignDrawObject(const TDrawObject& source);
    // After the object was put on a site or taken off one.
    virtual void SiteChanged() {}
    void ObjectModified();
    // Blends the object onto an image painter at ratio percent; false when the
    // painter's image does not allow it.
    bool Blend(QPainter& painter, int ratio);

private:
    friend class TDrawSite;
    void ListenerCallback(TComponent* sender, const TGUID& kind) { Notified(sender, kind); }

    TLogRect FBounds;
    std::unique_ptr<TChangeNotify> FNotify;
    bool FBorder = false;
    bool FSelected = false;
    bool FPaintFailed = false;
    bool FMovable = true;
    bool FSelectable = true;
    bool FVisible = true;
    bool FEnabled = true;
    QPainter* FTargetCanvas = nullptr;
    int FLayerGroup = 0;
    std::unique_ptr<TListener> FListener;
    bool FInGhostAssignment = false;
    std::unique_ptr<TStrings> FAppendix;
    int FCursor = 0;
    QString FHint;
    TDrawSite* FSite = nullptr;
};

// An ordered list of draw objects that does not own them.
class TDOList
{
public:
    int Count() const { return int(FItems.size()); }
    TDrawObject* Items(int index) const { return FItems.at(size_t(index)); }
    TDrawObject* operator[](int index) const { return Items(index); }
    void Add(TDrawObject* object) { FItems.push_back(object); }
    void Insert(int index, TDrawObject* object);
    int IndexOf(const TDrawObject* object) const;
    void Remove(const TDrawObject* object);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    // Exchanges items i and Count-1-i.
    void Reverse();
    // Destroys every object in list order and clears the list.
    void FreeObjects();
    const std::vector<TDrawObject*>& Objects() const { return FItems; }

    // A 4-byte little-endian count and one component stream per object. Reading
    // clears the list first; objects that are not draw objects are destroyed. A
    // failure destroys whatever the read had made and leaves the list empty.
    void SaveToStream(TStream& stream) const;
    void LoadFromStream(TStream& stream);

private:
    std::vector<TDrawObject*> FItems;
};

// ---- placement helpers

// Moves every object whose enclosing centre is within 10 units of the rectangle's
// edges (or outside) back inside.
void KeepInside(const TDOList& list, const TLogRect& rect);
// Maps the objects' enclosing rectangles from one rectangle to another.
void ScaleObjects(const TDOList& list, const TLogRect& from, const TLogRect& to);
// A picture placed as if it had 180 pixels per inch, never below 3 mm.
QSize DefaultImageSize(QSize pixels);
// Centres and fits a newly created object on its site.
void PlaceNewObject(TDrawObject* object, TDrawSite* site);
// The logical length of 2 device pixels on the object's site, or value when larger.
int MinimumExtent(const TDrawObject* object, int value);
// Largest rectangle at rect's top-left with rect's aspect ratio within width x height.
TLogRect FitAspect(const TLogRect& rect, int width, int height);
// The same within a box, centred on the box.
TLogRect FitAspectBox(const TLogRect& rect, const TLogRect& box);
// Smallest rectangle at rect's top-left with rect's aspect ratio covering width x height.
TLogRect CoverAspect(const TLogRect& rect, int width, int height);
QPoint RectCenter(const TLogRect& r);
// Hit testing by drawing: a 1 x 1 pixel picture whose single pixel lies under a
// logical point. A shape draws its outline (and fill) on Painter() with Pen() and
// asks Hit() whether the pixel was touched, so that the test follows exactly what
// the shape paints. The pen is black, inside-frame by convention of the caller,
// and as wide as extraWidth plus one device pixel of the site (3 without a site).
class THitBitmap
{
public:
    THitBitmap(const TDrawSite* site, QPoint logicalPoint, int extraWidth);
    ~THitBitmap();
    THitBitmap(const THitBitmap&) = delete;
    THitBitmap& operator=(const THitBitmap&) = delete;

    QPainter& Painter();
    const QPen& Pen() const { return FPen; }
    int PenWidth() const { return FPenWidth; }
    bool Hit();

private:
    QImage FImage;
    std::unique_ptr<QPainter> FPainter;
    QPen FPen;
    int FPenWidth;
};

// A new object of the object's exact class with the given owner (nullptr for an
// unowned copy), assigned from the object.
TDrawObject* CloneDrawObject(const TDrawObject& object, TComponent* owner);

} // namespace velmo
