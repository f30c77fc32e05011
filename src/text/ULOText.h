#pragma once
// The text object: lines of text in any face and size, horizontal or vertical,
// rotated, bent along an arc or distorted by a pattern, filled through colour
// settings, outlined and shadowed, sized to its text, bound to product or creator
// information. Every text-like label object derives from it.
#include "imaging/UColorSpec.h"
#include "objects/ULORectBase.h"
#include "text/UCoonsDistortion.h"
#include "text/USimpleText.h"
#include <functional>
#include <memory>

namespace velmo {

enum class TFieldType
{
    ftProduct,
    ftCreatorJapanese,
    ftCreatorEnglish,
};

// Shadow offsets of the presets 0..8, in percent of the line height.
struct TShadowPreset
{
    int X, Y;
};
inline constexpr TShadowPreset kShadowPresets[9] = {{0, 0}, {-7, -7}, {0, -7}, {7, -7}, {-7, 0},
                                                    {7, 0}, {-7, 7},  {0, 7},  {7, 7}};

class TLOText : public TLORectBase,
                public IDOLineColor,
                public IDOAlign,
                public IDOFont,
                public IDOVertical,
                public IDOAutoSize,
                public IDORotate,
                public IDOFeedAngle,
                public IDOCurve
{
    VELMO_DRAW_OBJECT(TLOText, TLORectBase)
public:
    explicit TLOText(TComponent* owner = nullptr);
    ~TLOText() override;

    void* QueryInterface(const TGUID& iid) override;

    // ---- published properties
    int Version() const { return 1; }
    void SetVersion(int value) { FVersion = value; }
    // The value a stream gave (0 when it had none).
    int StoredVersion() const { return FVersion; }
    TStrings* Text() const { return FText->Text(); }
    void SetText(TStrings* value) { FText->SetText(value); }
    void SetLines(const QStringList& lines) { FText->SetLines(lines); }
    TPointBasedFont* Font() const { return FText->Font(); }
    void SetFontObject(TPointBasedFont* value) { FText->SetFont(value); }
    int Align() const { return FText->Align(); }
    void SetAlignValue(int value);
    bool Vertical() const { return FText->Vertical(); }
    void SetVerticalValue(bool value);
    int CharSpacing() const { return FText->CharSpacing(); }
    void SetCharSpacing(int value) { FText->SetCharSpacing(value); }
    int LineSpacing() const { return FText->LineSpacing(); }
    void SetLineSpacing(int value) { FText->SetLineSpacing(value); }
    int Angle() const { return FRotator.Angle(); }
    void SetAngleValue(int value);
    TCoonsDistortion* CoonsDistortion() const { return FDistortion.get(); }
    void SetCoonsDistortion(TCoonsDistortion* value);
    int DistortionRatio() const { return FDistortionRatio; }
    void SetDistortionRatio(int value);
    TColorSpec* TextColor() const { return FTextColor.get(); }
    void SetTextColor(TColorSpec* value);
    bool Outline() const { return FOutline; }
    void SetOutline(bool value);
    TColorSpec* OutlineColor() const { return FOutlineColor.get(); }
    void SetOutlineColor(TColorSpec* value);
    int OutLineWidth() const { return FOutLineWidth; }
    void SetOutLineWidth(int value);
    // 0..8, or 9 when the offsets match no preset.
    int Shadow() const;
    void SetShadow(int value);
    int ShadowOffsetX() const { return FShadowX; }
    void SetShadowOffsetX(int value);
    int ShadowOffsetY() const { return FShadowY; }
    void SetShadowOffsetY(int value);
    TColorSpec* ShadowColor() const { return FShadowColor.get(); }
    void SetShadowColor(TColorSpec* value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSizeValue(bool value) { FAutoSize = value; }
    int Bulge() const { return FText->Bulge(); }
    void SetBulge(int value);
    int FieldNo() const { return FFieldNo; }
    void SetFieldNo(int value) { FFieldNo = std::max(0, value); }
    TFieldType FieldType() const { return FFieldType; }
    void SetFieldType(TFieldType value) { FFieldType = value; }
    bool HanToZen() const { return FText->HanToZen(); }
    void SetHanToZen(bool value) { FText->SetHanToZen(value); }
    bool NumToKnj() const { return FText->NumToKnj(); }
    void SetNumToKnj(bool value) { FText->SetNumToKnj(value); }
    bool MinusExc() const { return FText->MinusExc(); }
    void SetMinusExc(bool value) { FText->SetMinusExc(value); }
    int FeedAngleValue() const { return FText->FeedAngle(); }
    void SetFeedAngleValue(int value) { FText->SetFeedAngle(value); }
    // Old documents only.
    void SetDiagonalAlign(int value);

    TSimpleText& SimpleText() const { return *FText; }
    // True when neither an arc nor an empty pattern keeps the distortion away.
    bool Distorted() const;
    // The shadow's displacement on the page (logical units).
    QPoint ShadowDisplacement();
    // The snap flag the curve ghost sets: small bulges become 0.
    void SetSnapBulge(bool value) { FSnap = value; }

    // ---- the object
    void SetBaseRect(const TLogRect& rect) override;
    void SetEncloseSize(int width, int height) override;
    TLogRect GetEncloseRect() const override;
    bool HitTest(QPoint logical) override;
    void Paint(QPainter& painter) override;
    void PaintMask(QPainter& maskPainter) override;
    void DrawGhost(QPainter& painter) override;
    void Loaded() override;
    // Fits the base rectangle to the text now (when AutoSize is on and no arc),
    // also off a site.
    void AutoSizeNow();

    // ---- interfaces
    const TColorSpec* GetLineColor() const override { return FTextColor.get(); }
    void SetLineColor(const TColorSpec& color) override { SetTextColor(const_cast<TColorSpec*>(&color)); }
    int GetAlign() const override { return Align(); }
    void SetAlign(int value) override { SetAlignValue(value); }
    const TFont* GetFont() const override { return Font(); }
    void SetFont(const TFont& font) override;
    bool GetVertical() const override { return Vertical(); }
    void SetVertical(bool value) override { SetVerticalValue(value); }
    bool GetAutoSize() const override { return FAutoSize; }
    void SetAutoSize(bool value) override { SetAutoSizeValue(value); }
    int GetAngle() const override { return Angle(); }
    void SetAngle(int degrees) override { SetAngleValue(degrees); }
    int GetFeedAngle() const override { return FeedAngleValue(); }
    void SetFeedAngle(int degrees) override { SetFeedAngleValue(degrees); }
    QPoint GetStartPoint() const override;
    void SetStartPoint(QPoint point) override;
    QPoint GetEndPoint() const override;
    void SetEndPoint(QPoint point) override;
    void BeginCurveEdit() override;
    void EndCurveEdit() override;
    QPoint GetControlPoint() const override;
    void SetControlPoint(QPoint point) override;

    // The outlines (logical units), made when asked and kept until the next paint
    // ends (the plain one also until the text changes).
    const TStroke& PlainOutline();
    const TStroke& DistortedOutline();
    // The distorted outline as drawn: the same points before they are cut to whole
    // units, so that print resolutions show smooth edges (the plain outline otherwise).
    QPainterPath DistortedPath();
    // The four corners of the enclosing outline (before rotation) turned by Angle.
    QPolygon EnclosingOutline();

protected:
    void AssignDrawObject(const TDrawObject& source) override;
    void SiteChanged() override;

private:
    void TextChanged();
    void ColorChanged();
    void ClearCaches();
    bool IsArc() const { return FText->Bulge() != 0; }
    struct TArc
    {
        bool Valid = false;
        QPointF Centre;
        double R0 = 0;      // radius of the chord's circle
        double Start = 0;   // radians, page orientation
        double Span = 0;    // radians, towards increasing angles for positive bulges
        int LineHeight = 0; // H
        int Band = 0;       // a
    };
    TArc ArcGeometry();
    QPainterPath ArcBandPath(int penWidth);
    TLogRect FittedRect(const TLogRect& r);
    void PaintLayer(QPainter& painter, const TColorSpec& fill, const TColorSpec* outline);
    void PaintSearchableText(QPainter& painter);
    // Whether the last painting drew the text layer as PDF text.
    bool FLayerWasText = false;
    void ChordPoints(QPoint& start, QPoint& end) const;

    std::unique_ptr<TSimpleText> FText;
    TRotator FRotator;
    std::unique_ptr<TCoonsDistortion> FDistortion;
    std::unique_ptr<TColorSpec> FTextColor;
    std::unique_ptr<TColorSpec> FOutlineColor;
    std::unique_ptr<TColorSpec> FShadowColor;
    int FVersion = 0;
    int FDistortionRatio = 100;
    bool FOutline = false;
    int FOutLineWidth = 0;
    int FShadowX = 0;
    int FShadowY = 0;
    bool FAutoSize = false;
    int FFieldNo = 0;
    TFieldType FFieldType = TFieldType::ftProduct;
    TStroke FPlainOutline;
    bool FPlainValid = false;
    TStroke FDistortedOutline;
    QPainterPath FDistortedPath;
    bool FDistortedValid = false;
    bool FCurveEditing = false;
    QPoint FChordStart, FChordEnd, FSavedStart, FSavedMiddle;
    bool FSnap = false;
    bool FInAssign = false;
    bool FAutoSizing = false;
};

class TLOWizardText : public TLOText, public IDOWizardInput
{
    VELMO_DRAW_OBJECT(TLOWizardText, TLOText)
public:
    explicit TLOWizardText(TComponent* owner = nullptr) : TLOText(owner) {}
    void* QueryInterface(const TGUID& iid) override;
    bool WizInputEnable() const { return FWizInputEnable; }
    void SetWizInputEnable(bool value) { FWizInputEnable = value; }
    const QString& WizInputCaption() const { return FWizInputCaption; }
    void SetWizInputCaption(const QString& value) { FWizInputCaption = value; }
    QString GetWizardCaption() const override { return FWizInputCaption; }
    void SetWizardCaption(const QString& caption) override { FWizInputCaption = caption; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    bool FWizInputEnable = false;
    QString FWizInputCaption;
};

class TLOVelmoText : public TLOWizardText
{
    VELMO_DRAW_OBJECT(TLOVelmoText, TLOWizardText)
public:
    explicit TLOVelmoText(TComponent* owner = nullptr) : TLOWizardText(owner) {}
    bool EnableArch() const { return FEnableArch; }
    void SetEnableArch(bool value) { FEnableArch = value; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    bool FEnableArch = false;
};

// Registers the text classes as documents name them ("TLOText" and "TLOMirtoText"
// read as TLOVelmoText).
void RegisterTextClasses();

// A new unowned text object holding the lines, as the creator makes one (automatic
// size on), fitted to its text with its top-left corner at topLeft: what a paste
// of plain text from another program places.
std::unique_ptr<TLOVelmoText> MakeTextObject(const QStringList& lines, QPoint topLeft = {0, 0});

// Sets the text of every text object in the list bound to one of the given kinds of
// information to the lines of its item; lines(kind, index) answers false when the
// document has no such information (the object keeps its text).
using TFieldLines = std::function<bool(TFieldType kind, int index, QStringList& lines)>;
void UpdateFieldTexts(const TDOList& objects, std::initializer_list<TFieldType> kinds,
                      const TFieldLines& lines);

} // namespace velmo
