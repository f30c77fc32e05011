#include "LabelDocTestSupport.h"
#include "draw/UCanvas.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include <QPainter>

namespace velmo::test {

const TPropertyTable& TLDTestRect::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Color", &TLDTestRect::Color, &TLDTestRect::SetColor);
    return table;
}

void TLDTestRect::SetEncloseSize(int w, int h)
{
    SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
}

void TLDTestRect::DrawGhost(QPainter& painter)
{
    painter.drawRect(QRectF(ToQRect(BaseRect())));
}

void TLDTestRect::Paint(QPainter& painter)
{
    painter.fillRect(QRectF(ToQRect(BaseRect())), ToQColor(FColor));
}

void TLDTestRect::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLDTestRect*>(&source))
        FColor = o->FColor;
}

const TPropertyTable& TLDTestDate::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Float("Date", &TLDTestDate::GetDate, &TLDTestDate::SetDate)
            .Enum("UpdateFlag", &TLDTestDate::GetUpdateFlag, &TLDTestDate::SetUpdateFlag,
                  {"dufNo", "dufOpen", "dufPrint", "dufSave"})
            .Default(0);
    return table;
}

void* TLDTestDate::QueryInterface(const TGUID& iid)
{
    if (iid == IDODate::IID)
        return static_cast<IDODate*>(this);
    return TLDTestRect::QueryInterface(iid);
}

void TLDTestDate::AssignDrawObject(const TDrawObject& source)
{
    TLDTestRect::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLDTestDate*>(&source)) {
        FDate = o->FDate;
        FUpdateFlag = o->FUpdateFlag;
    }
}

const TPropertyTable& TLDTestBack::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("FrameWidth", &TLDTestBack::FrameWidth, &TLDTestBack::SetFrameWidth)
            .Default(0);
    return table;
}

TLDTestBack::TLDTestBack(TComponent* owner) : TLDTestRect(owner)
{
    SetColor(0xFFFFFF);
    SetLayerGroup(-100);
}

void* TLDTestBack::QueryInterface(const TGUID& iid)
{
    if (iid == IDOBackImage::IID)
        return static_cast<IDOBackImage*>(this);
    if (iid == IDOBackImageContent::IID)
        return static_cast<IDOBackImageContent*>(this);
    return TLDTestRect::QueryInterface(iid);
}

void TLDTestBack::FitToFace(const TLogRect& face)
{
    SetBaseRect(
        {BaseRect().Left, BaseRect().Top, BaseRect().Left + face.Width(), BaseRect().Top + face.Height()});
}

void TLDTestBack::AssignDrawObject(const TDrawObject& source)
{
    TLDTestRect::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLDTestBack*>(&source))
        FFrameWidth = o->FFrameWidth;
}

void RegisterTestObjects()
{
    RegisterLabelClass<TLDTestRect>();
    RegisterLabelClass<TLDTestDate>();
    RegisterLabelClass<TLDTestBack>();
    RegisterLabelClass<TDOGroup>();
}

std::unique_ptr<TMatrixPaperInfo> SamplePaper(int countX, int countY)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("テスト用紙 A4 %1面").arg(qint64(countX) * countY));
    paper->SetGroupName(QStringLiteral("テスト"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(150);
    paper->SetFaceWidth(900);
    paper->SetFaceHeight(400);
    paper->SetRightMargin(50);
    paper->SetBottomMargin(50);
    paper->SetFaceCountX(countX);
    paper->SetFaceCountY(countY);
    return paper;
}

TLDTestRect* NewRect(const TLogRect& rect, int color)
{
    auto* r = new TLDTestRect;
    r->SetBaseRect(rect);
    r->SetColor(color);
    return r;
}

std::unique_ptr<TLabelData> NewDocument()
{
    RegisterTestObjects();
    auto data = std::make_unique<TLabelData>();
    data->SetPaper(SamplePaper().get());
    data->SetModified(false);
    return data;
}

} // namespace velmo::test
