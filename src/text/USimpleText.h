#pragma once
// TSimpleText: the block of text every text-like label object wraps: lines, font,
// alignment, vertical writing, spacing, arc, rotation, display conversions and feed
// slant; measured once on the measuring canvas (254 units per inch) and drawn on any
// canvas so that each line keeps its measured width there.
#include "base/UGraphics.h"
#include "draw/UStroke.h"
#include "text/UPointBasedFont.h"
#include "text/UTextUtil.h"
#include <functional>
#include <vector>

class QPainter;

namespace velmo {

// The text shown for a block without lines.
const QStringList& DefaultDisplayText();

class TSimpleText : public TPersistent
{
    VELMO_PERSISTENT(TSimpleText, TPersistent)
public:
    TSimpleText();
    ~TSimpleText() override;

    TStrings* Text() const { return const_cast<TStrings*>(&FText); }
    void SetText(TStrings* value);
    void SetLines(const QStringList& lines);
    TPointBasedFont* Font() const { return const_cast<TPointBasedFont*>(&FFont); }
    void SetFont(TPointBasedFont* value);
    int Align() const { return FAlign; }
    void SetAlign(int value);
    bool Vertical() const { return FVertical; }
    void SetVertical(bool value);
    int CharSpacing() const { return FCharSpacing; }
    void SetCharSpacing(int value);
    int LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(int value);
    int Bulge() const { return FBulge; }
    void SetBulge(int value);
    int Angle() const { return FAngle; }
    void SetAngle(int value);
    bool HanToZen() const { return FHanToZen; }
    void SetHanToZen(bool value);
    bool NumToKnj() const { return FNumToKnj; }
    void SetNumToKnj(bool value);
    bool MinusExc() const { return FMinusExc; }
    void SetMinusExc(bool value);
    int FeedAngle() const { return FFeedAngle; }
    void SetFeedAngle(int value);

    // The colour the block draws itself with (set by its owner before each draw).
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }

    void Assign(const TPersistent& source) override;

    void BeginUpdate();
    void EndUpdate();
    void Changed();
    std::function<void(TSimpleText*)> OnChange;

    // The lines as they are laid out: the default text for a block without lines,
    // converted when HanToZen or NumToKnj is set.
    const QStringList& DisplayLines();
    // The font's cell height on the measuring canvas.
    int LineHeight();
    // Lays out every line inside rect and returns the rectangle the text covers
    // (unrotated, unbent).
    TLogRect GetBounds(const TLogRect& rect);
    // Draws into rect on a painter working in logical units (0.1 mm), with the
    // font's underline and strike-out.
    // True when every glyph went as text (PDF pages), none as filled outlines.
    bool Draw(QPainter& painter, const TLogRect& rect);
    void Draw(TTextCanvas& canvas, const TLogRect& rect);
    // Appends the outline of the block laid out in rect to stroke.
    void MakeOutline(TStroke& stroke, const TLogRect& rect, bool withDecorations);

    // The cached layouts of the display lines (valid after GetBounds).
    const std::vector<TCharLayout>& Layouts() const { return FLayouts; }
    // Sets up a canvas's font for the block (face fallback, vertical form).
    void PrepareCanvas(TTextCanvas& canvas) const;

private:
    void MeasureChanged(bool conversions);
    void UpdateLayouts();
    void DrawLines(TTextCanvas& canvas, const TLogRect& rect, bool decorations);
    void DrawStraight(TTextCanvas& canvas, const TLogRect& rect, bool decorations);
    void DrawRotated(TTextCanvas& canvas, const TLogRect& rect, bool decorations);
    void DrawOnArc(TTextCanvas& canvas, const TLogRect& rect);

    TStrings FText;
    TPointBasedFont FFont;
    int FAlign = 0;
    bool FVertical = false;
    int FCharSpacing = 0;
    int FLineSpacing = 0;
    int FBulge = 0;
    int FAngle = 0;
    bool FHanToZen = false;
    bool FNumToKnj = false;
    bool FMinusExc = false;
    int FFeedAngle = 0;
    TColor FColor = clBlack;
    int FUpdateCount = 0;
    int FChangeCount = 0;
    QStringList FWorking;
    QStringList FDisplay;
    std::vector<TCharLayout> FLayouts;
};

} // namespace velmo
