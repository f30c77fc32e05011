#pragma once
// The colour of every coloured surface of a label object: a solid colour with a
// brush style, a picture stretched or tiled over the surface, or a gradation.
//
// A colour setting is always written in place under its owner's property
// ("FillColor.Kind = cskGradation", "FillColor.GradColors.Colors = {…}").
#include "base/UClasses.h"
#include "base/UGraphics.h"
#include "draw/UNotify.h"
#include "imaging/UGradation.h"
#include <QImage>
#include <QPainter>
#include <QRect>
#include <memory>

namespace velmo {

class TImageData;

enum class TColorSpecKind
{
    cskSolid,
    cskBitmap,
    cskGradation,
};

// The hatch styles of a solid brush, in their stored order.
enum class TBrushStyle
{
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross,
};

class TColorSpec : public TPersistent
{
    VELMO_PERSISTENT(TColorSpec, TPersistent)
public:
    TColorSpec();
    ~TColorSpec() override;

    // cskSolid while the stored kind is cskBitmap but there is no picture.
    TColorSpecKind Kind() const;
    void SetKind(TColorSpecKind value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);
    bool Tile() const { return FTile; }
    void SetTile(bool value);
    bool TileShift() const { return FTileShift; }
    void SetTileShift(bool value);
    TImageData* ImageData() const { return FImageData.get(); }
    void SetImageData(const TImageData* value);
    rgGradationKind GradKind() const { return FGradKind; }
    void SetGradKind(rgGradationKind value);
    int GradAngle() const { return FGradAngle; }
    void SetGradAngle(int value);
    TGradationColors* GradColors() const { return FGradColors.get(); }
    void SetGradColors(const TGradationColors* value);

    // Views that are never stored.
    rgGradationDir GradDir() const;
    void SetGradDir(rgGradationDir value);
    int GradColNum() const { return FGradColors->Count(); }
    void SetGradColNum(int value) { FGradColors->SetCount(value); }
    // ERangeError beyond the count; setting beyond it is ignored.
    TColor GradColor(int index) const { return FGradColors->Color(index); }
    void SetGradColor(int index, TColor value);
    // The image as a bitmap (null when there is none); setting an empty one keeps
    // the picture.
    QImage Bitmap() const;
    void SetBitmap(const QImage& value);

    // nkChanged after every change (a bracket of changes gives one), then OnChange.
    TChangeNotify& Notify() const { return *FNotify; }
    void BeginUpdate() { FNotify->BeginUpdate(); }
    void EndUpdate() { FNotify->EndUpdate(); }

    // Kind, Color, Style, ImageData, Tile, TileShift; the gradation only when the
    // result is a gradation.
    void Assign(const TPersistent& source) override;

    // Paints rectangle (the painter's logical units). Pen, brush and composition
    // are the painter's own again afterwards. output chooses how a gradation reaches
    // the device (by the device unless forced).
    void Fill(QPainter& painter, const QRect& rectangle,
              TGradationOutput output = TGradationOutput::goAuto) const;
    // A plain solid colour the device shows exactly (text draws directly then).
    bool IsPlainColor(const QPainter& painter) const;

private:
    void Changed() { FNotify->Changed(); }

    std::unique_ptr<TChangeNotify> FNotify;
    bool FTile = false;
    TColorSpecKind FKind = TColorSpecKind::cskSolid;
    TColor FColor = 0;
    TBrushStyle FStyle = TBrushStyle::bsSolid;
    std::unique_ptr<TImageData> FImageData;
    bool FTileShift = false;
    rgGradationKind FGradKind = rgGradationKind::rgkSimple;
    int FGradAngle = 270;
    std::unique_ptr<TGradationColors> FGradColors;
    std::unique_ptr<TListener> FImageListener;
};

// The tile origins Fill uses for a w × h picture over rectangle (row tops and, per
// row, the first tile's left): what the image page's sample lays out too.
struct TTileRow
{
    int Top;
    int FirstLeft;
};
std::vector<TTileRow> TileRows(const QRect& rectangle, int w, int h, bool shift);

// Draws a picture of an image data's kind (bitmap, JPEG, PNG) stretched over
// rectangle through the one paint path of its class.
void DrawGraphic(QPainter& painter, const QRect& rectangle, const TGraphic& graphic);

} // namespace velmo

namespace velmo {

// Reads a colour setting written in the component text form: one object of any
// class whose properties are the setting's own ("Kind = cskGradation") or all
// under one property of an owner, as a design holds them ("FillColor.Kind = …").
// The properties are read into spec as a stream would set them (a picture kind
// without its picture yet stays one). Children are ignored. Raises EParserError for
// bad text and the stream errors (EReadError) for properties it does not have.
void ReadColorSpecText(const QString& text, TColorSpec& spec);

} // namespace velmo
