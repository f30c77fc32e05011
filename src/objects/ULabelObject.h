#pragma once
// The base of every label object, the designer list through which each object kind
// supplies its editing behaviour (property dialogs, handles, drag feedback,
// creation), and the hooks the editing framework fills in.
#include "draw/UDOAction.h"
#include "draw/UDrawObject.h"
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace velmo {

class TLabelObject;

// True while printing output is produced, whatever the painter's device: objects
// marked DontPrint then stay away (also from preview images of the printout).
bool PrintOutput();
void SetPrintOutput(bool value);

class IDODesigner
{
public:
    static constexpr TGUID IID = IID_IDODesigner;
    virtual ~IDODesigner() = default;
    // Each answers true when it handled the request.
    virtual bool CreateObject(TDrawSite* site, const QString& kind) = 0;
    virtual bool EditObject(TLabelObject* object, bool& cancelled) = 0;
    virtual bool ShowPivots(TLabelObject* object) = 0;
    virtual bool BeginDrag(TLabelObject* object, int pivotIndex) = 0;
    // A new unowned object of the kind, or nullptr.
    virtual TLabelObject* MakeObject(const QString& kind) = 0;
};

// A designer that handles nothing; kinds override what they supply.
class TDesigner : public IDODesigner
{
public:
    bool CreateObject(TDrawSite*, const QString&) override { return false; }
    bool EditObject(TLabelObject*, bool&) override { return false; }
    bool ShowPivots(TLabelObject*) override { return false; }
    bool BeginDrag(TLabelObject*, int) override { return false; }
    TLabelObject* MakeObject(const QString&) override { return nullptr; }
};

// The process-wide designer list: designers are asked from the last registered to
// the first and the first that handles a request ends the search.
class TDesignerList
{
public:
    static TDesignerList& Instance();

    void Register(std::shared_ptr<IDODesigner> designer);
    // Removes and releases the designer (a module that registered it is unloaded).
    void Unregister(const IDODesigner* designer);
    void Clear() { FDesigners.clear(); }
    int Count() const { return int(FDesigners.size()); }

    bool CreateObject(TDrawSite* site, const QString& kind);
    // True when a designer handled it and its dialog was not cancelled; the site's
    // pivots are refreshed after a handled edit.
    bool Edit(TLabelObject* object, bool* cancelled = nullptr);
    bool ShowPivots(TLabelObject* object);
    bool BeginDrag(TLabelObject* object, int pivotIndex);
    TLabelObject* MakeObject(const QString& kind);

private:
    std::vector<std::shared_ptr<IDODesigner>> FDesigners;
};

class TLabelObject : public TDrawObject, public IDOBlend
{
    VELMO_DRAW_OBJECT(TLabelObject, TDrawObject)
public:
    explicit TLabelObject(TComponent* owner = nullptr);

    void* QueryInterface(const TGUID& iid) override;

    bool DontPrint() const { return FDontPrint; }
    void SetDontPrint(bool value);
    // The property setters are also the IDOBlend operations.
    int BlendRatio() const { return FBlendRatio; }
    void SetBlendRatio(int value) override;
    bool BlendShade() const { return FBlendShade; }
    void SetBlendShade(bool value) override;
    bool GetBlendShade() const override { return FBlendShade; }
    int GetBlendRatio() const override { return FBlendRatio; }

    // Shows the kind's property dialog through the designer list; true when the
    // object was changed (the dialog was not cancelled).
    bool Edit(bool* cancelled = nullptr);

    void ShowPivots() override;
    void BeginDrag(int pivotIndex) override;
    void SetMovable(bool value) override;
    void DrawTo(QPainter& painter) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    bool FDontPrint = false;
    int FBlendRatio = 100;
    bool FBlendShade = false;
};

// A new object of the object's exact class with the owner (nullptr: unowned),
// assigned from the object.
TLabelObject* Clone(const TLabelObject& object, TComponent* owner);

} // namespace velmo
