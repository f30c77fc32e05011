#pragma once
// The paper's background designs on the pictures of a sheet: each label's design
// objects drawn into a transparent picture of the label's printable rectangle, which a
// face then shows inside its outline (the paper selection's preview, the paper
// editors). Pictures are made once per design, size and resolution and shared by the
// labels that show the same design.
#include "draw/UDrawObject.h"
#include <QImage>
#include <QSize>
#include <map>
#include <memory>
#include <tuple>

class QPainter;

namespace velmo {

class TDrawSite;
class TFaceInfo;
class TImagePaperInfo;
class TPaperInfo;

// Designs are made on the upright label; on a landscape paper each object's centre is
// carried to the turned label (a quarter turn to the left, as the sheet turns) and
// every object with an angle is turned with it.
void TurnDesignToLandscape(TDOList& objects, int portraitWidth);

// One label's design as a picture: Image covers the label's printable rectangle, whose
// size in logical units is Size.
struct TFacePicture
{
    QImage Image;
    QSize Size;
    bool IsNull() const { return Image.isNull() || Size.isEmpty(); }
};

// Draws the picture with its top-left corner at the face's outer corner, inside the
// face's printable outline only (never over the bleed's outside nor into a hole).
void DrawFacePicture(QPainter& painter, const TFaceInfo& face, const TFacePicture& picture);

// Pictures larger than this many pixels are made at a lower resolution.
constexpr qint64 kMaxFacePicturePixels = 4'000'000;

class TFaceDesigns
{
public:
    TFaceDesigns();
    ~TFaceDesigns();
    TFaceDesigns(const TFaceDesigns&) = delete;
    TFaceDesigns& operator=(const TFaceDesigns&) = delete;

    // A copy of the designs is kept (none: nothing is drawn).
    void SetDesigns(const TImagePaperInfo* designs);
    void TakeDesigns(std::unique_ptr<TImagePaperInfo> designs);
    const TImagePaperInfo* Designs() const { return FDesigns.get(); }
    // True when no label has a design object.
    bool IsEmpty() const;
    // The design label k shows: its own with separate designs, else the first; -1
    // when there is none for it.
    int DesignIndex(int k) const;

    // Label k's design at dpi pixels per inch, turned for a landscape paper; null when
    // the label has no design objects or its design cannot be drawn.
    TFacePicture Picture(const TPaperInfo& paper, int k, int dpi);
    // The design of label k for a printable rectangle of the given size on the sheet
    // (logical units; on a landscape paper the turned size); the free editor asks for
    // labels that are not yet written into a paper.
    TFacePicture Picture(int k, QSize labelSize, bool landscape, int dpi);

    // How many pictures were drawn so far (not taken from the cache); for tests.
    int Rendered() const { return FRendered; }

private:
    TFacePicture Render(int design, QSize labelSize, bool landscape, int dpi);

    std::unique_ptr<TImagePaperInfo> FDesigns;
    // design, width, height, landscape, dpi
    using TKey = std::tuple<int, int, int, bool, int>;
    std::map<TKey, TFacePicture> FCache;
    int FRendered = 0;
};

// The resolution at which a site shows the paper: device pixels per inch of paper.
int SitePaperDPI(const TDrawSite& site);

} // namespace velmo
