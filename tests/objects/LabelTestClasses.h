#pragma once
// Stand-ins for the object kinds that arrive with their own modules, named as those
// classes so that the registration sequence and the creator's kind table can be
// exercised now. Each is a rectangle object with one property of its own.
#include "draw/UCanvas.h"
#include "objects/ULORectBase.h"
#include <QPainter>

namespace velmo::test {

class TLOTestRect : public TLORectBase, public IDOAutoSize
{
    VELMO_DRAW_OBJECT(TLOTestRect, TLORectBase)
public:
    explicit TLOTestRect(TComponent* owner = nullptr) : TLORectBase(owner) {}
    void* QueryInterface(const TGUID& iid) override
    {
        if (iid == IDOAutoSize::IID)
            return static_cast<IDOAutoSize*>(this);
        return TLORectBase::QueryInterface(iid);
    }
    int Angle() const { return FAngle; }
    void SetAngle(int v)
    {
        if (v == FAngle)
            return;
        FAngle = v;
        Changed();
    }
    bool GetAutoSize() const override { return FAutoSize; }
    void SetAutoSize(bool v) override { FAutoSize = v; }
    void SetEncloseSize(int w, int h) override
    {
        SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
    }
    void DrawGhost(QPainter& painter) override { painter.drawRect(QRectF(ToQRect(BaseRect()))); }
    void Paint(QPainter& painter) override { painter.fillRect(QRectF(ToQRect(BaseRect())), FillColor); }
    void PaintMask(QPainter& mask) override { mask.fillRect(QRectF(ToQRect(BaseRect())), Qt::white); }
    QColor FillColor = Qt::darkBlue;

protected:
    void AssignDrawObject(const TDrawObject& source) override
    {
        TLORectBase::AssignDrawObject(source);
        if (const auto* o = dynamic_cast<const TLOTestRect*>(&source)) {
            SetAngle(o->Angle());
            FillColor = o->FillColor;
        }
    }

private:
    int FAngle = 0;
    bool FAutoSize = false;
};

#define VELMO_TEST_KIND(Name, Base)                                                                          \
    class Name : public Base                                                                                 \
    {                                                                                                        \
        VELMO_DRAW_OBJECT(Name, Base)                                                                        \
    public:                                                                                                  \
        explicit Name(TComponent* owner = nullptr) : Base(owner) {}                                          \
    };

VELMO_TEST_KIND(TLOLine, TLabelObject)
VELMO_TEST_KIND(TLORect, TLOTestRect)
VELMO_TEST_KIND(TLOCircle, TLORect)
VELMO_TEST_KIND(TLOText, TLOTestRect)
VELMO_TEST_KIND(TLOWizardText, TLOText)
VELMO_TEST_KIND(TLOVelmoText, TLOWizardText)
VELMO_TEST_KIND(TLODate, TLOVelmoText)
VELMO_TEST_KIND(TLOField, TLOVelmoText)
VELMO_TEST_KIND(TLOImage, TLOTestRect)
VELMO_TEST_KIND(TLOWizardImage, TLOImage)
VELMO_TEST_KIND(TLOVelmoImage, TLOWizardImage)
VELMO_TEST_KIND(TLOJANCode, TLOTestRect)
VELMO_TEST_KIND(TLOBarCode, TLOJANCode)

// Runs the start-up registration with the stand-ins (and the group).
void RegisterStandIns();

} // namespace velmo::test
