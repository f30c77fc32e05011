#pragma once
// Stand-ins for the object kinds the document reaches through interfaces (a plain
// rectangle, a date and a background), sample papers and small helpers.
#include "document/ULabelData.h"
#include "draw/UDOInterfaces.h"
#include "objects/ULORectBase.h"
#include "paper/UPaperInfo.h"
#include <QTemporaryDir>
#include <memory>

namespace velmo::test {

// A filled rectangle with a colour that round-trips through its stream.
class TLDTestRect : public TLORectBase
{
    VELMO_DRAW_OBJECT(TLDTestRect, TLORectBase)
public:
    explicit TLDTestRect(TComponent* owner = nullptr) : TLORectBase(owner) {}
    int Color() const { return FColor; }
    void SetColor(int value) { FColor = value; }
    void SetEncloseSize(int w, int h) override;
    void DrawGhost(QPainter& painter) override;
    void Paint(QPainter& painter) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    int FColor = 0x0000FF; // red
};

// A date object: its update rule and its date.
class TLDTestDate : public TLDTestRect, public IDODate
{
    VELMO_DRAW_OBJECT(TLDTestDate, TLDTestRect)
public:
    explicit TLDTestDate(TComponent* owner = nullptr) : TLDTestRect(owner) {}
    void* QueryInterface(const TGUID& iid) override;
    TDateUpdateFlag GetUpdateFlag() const override { return FUpdateFlag; }
    void SetUpdateFlag(TDateUpdateFlag value) { FUpdateFlag = value; }
    double GetDate() const override { return FDate; }
    void SetDate(double value) override { FDate = value; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    TDateUpdateFlag FUpdateFlag = TDateUpdateFlag::dufNo;
    double FDate = 0;
};

// A background: fitted to the face, empty without frame and with a white fill.
class TLDTestBack : public TLDTestRect, public IDOBackImage, public IDOBackImageContent
{
    VELMO_DRAW_OBJECT(TLDTestBack, TLDTestRect)
public:
    explicit TLDTestBack(TComponent* owner = nullptr);
    void* QueryInterface(const TGUID& iid) override;
    void FitToFace(const TLogRect& face) override;
    bool IsEmptyBackground() const override { return FFrameWidth == 0 && Color() == 0xFFFFFF; }
    int FrameWidth() const { return FFrameWidth; }
    void SetFrameWidth(int value) { FFrameWidth = value; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    int FFrameWidth = 0;
};

void RegisterTestObjects();

// A4 with 2 x 6 faces of 90 x 40 mm (12 positions).
std::unique_ptr<TMatrixPaperInfo> SamplePaper(int countX = 2, int countY = 6);

// A new rectangle at the rectangle.
TLDTestRect* NewRect(const TLogRect& rect, int color = 0x0000FF);

// Unowned objects of a list are destroyed when the holder goes.
struct OwnedList
{
    TDOList List;
    ~OwnedList() { List.FreeObjects(); }
};

// A document on the sample paper.
std::unique_ptr<TLabelData> NewDocument();

} // namespace velmo::test
