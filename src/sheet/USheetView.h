#pragma once
// Drawing a sheet as the sheet view shows it: a picture of every label position's
// design over the paper, the paper's label faces on top; preparing a draw site for
// one label (the paper's printed images under the design); and the loader that draws
// a sheet preview straight from a document file's stored previews.
#include "draw/FDrawSite.h"
#include "storage/UDocFile.h"
#include <QImage>
#include <functional>
#include <memory>
#include <vector>

namespace velmo {

class TLabelData;
class TPaperInfo;

// A picture placed over one label position; it cannot be selected or edited and
// presses fall through it.
class TSheetPicture : public TDrawObject
{
    VELMO_DRAW_OBJECT(TSheetPicture, TDrawObject)
public:
    explicit TSheetPicture(TComponent* owner = nullptr);
    TSheetPicture(TComponent* owner, const TLogRect& rect, const QImage& picture);
    const QImage& Picture() const { return FPicture; }
    const TLogRect& Rect() const { return FRect; }
    void Paint(QPainter& painter) override;
    bool HitTest(QPoint) override { return false; }
    TLogRect GetEncloseRect() const override { return FRect; }
    void ShowPivots() override {}
    void BeginDrag(int) override {}

private:
    TLogRect FRect;
    QImage FPicture;
};

// Removes every object of the site, then adds the paper's printed images for label k
// (turned for landscape papers), each in the printed-image layer, not selectable and
// not editable.
void PrepareLabelSite(TDrawSite& site, TLabelData& document, int k);
// Destroys every object on the site.
void ClearSite(TDrawSite& site);

// Whether every position needs a picture of its own: separate designs, or a shared
// design that holds merge or numbering objects.
bool LabelsRenderSeparately(TLabelData& document);
// The merge step run on label k's design before it is drawn (the document's merge
// session: record k into the merge objects, k into the numbering); empty: the
// design as stored.
using TLabelFill = std::function<void(TDOList& objects, int k)>;

// Renders label k's design (printed images underneath) at dpi pixels per inch, white
// ground, 24 bits. A design that cannot be read gives the printed images alone.
QImage RenderLabelPicture(TLabelData& document, int k, int dpi, const TLabelFill& fill = {});
// One picture per position, position 0's shared by all when they do not differ.
std::vector<QImage> RenderSheetPictures(TLabelData& document, int dpi, const TLabelFill& fill = {});

// Fills the site with the sheet: logical size of the paper, one picture per position,
// the faces over them (choosable only when faceSelection), the current label chosen.
void BuildSheetSite(TDrawSite& site, TLabelData& document, const std::vector<QImage>& pictures,
                    bool faceSelection);
// The whole current sheet as the view shows it, at dpi.
QImage RenderSheetImage(TLabelData& document, int dpi, const TLabelFill& fill = {});

// Reads the stored previews of a document file (opened read-only). The Preview list
// of one sheet is kept open until another sheet is asked for.
class TLDPreviewLoader
{
public:
    explicit TLDPreviewLoader(const QString& fileName);
    ~TLDPreviewLoader();
    bool IsOpen() const { return FRoot != nullptr; }
    // Loads preview k of the sheet when it exists.
    bool Preview(QImage& picture, int sheet, int k);

private:
    std::unique_ptr<TRootStorage> FRoot;
    std::unique_ptr<TDocStorageList> FSheets;
    std::unique_ptr<TDocStreamList> FPreviews;
    int FSheet = -1;
};

// A sheet preview from the file: the paper's size times zoom per cent, each stored
// preview stretched into its position and clipped to the label's shape, the label
// outlines, and the sheet's outline. False when the file cannot be read.
bool DrawSheetPreview(QImage& picture, const QString& fileName, const TPaperInfo& paper, int zoom, int sheet);

} // namespace velmo
