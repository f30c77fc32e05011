#pragma once
// Label faces on screen: one face object per label position of a paper, drawing the
// position's outline and reporting presses as choosing it, and the paper site that
// builds the faces of a whole paper, scales it into its parent and tells which face
// was clicked. Faces exist only on screen and are never streamed.
#include "draw/FDrawSite.h"
#include "objects/UFaceDesign.h"
#include "objects/ULORectBase.h"
#include "paper/UFaceInfo.h"
#include <functional>
#include <memory>

namespace velmo {

class TPaperInfo;
class TImagePaperInfo;

// 0xAFE7FF, a light apricot.
constexpr TColor kFaceColor = 11528191;

class TLOFace : public TLORectBase
{
    VELMO_DRAW_OBJECT(TLOFace, TLORectBase)
public:
    explicit TLOFace(TComponent* owner = nullptr);

    const TFaceInfo& FaceInfo() const { return FFaceInfo; }
    // Only when the face is editable or not on a site.
    void SetFaceInfo(const TFaceInfo& info);
    void SetEditable(bool value) { FEditable = value; }
    bool Chosen() const { return FChosen; }
    void SetChosen(bool value);
    void SetSingleChoice(bool value);
    bool ShowInfo() const { return FShowInfo; }
    void SetShowInfo(bool value);
    TColor FaceColor() const { return FFaceColor; }
    void SetFaceColor(TColor value);
    // The paper's background design of this label: drawn inside the outline, over the
    // fill and under the outline itself; it keeps to the face's corner when the face
    // moves.
    const TFacePicture& DesignPicture() const { return FDesign; }
    void SetDesignPicture(const TFacePicture& picture);
    // Runs when a press changed the choice.
    std::function<void(TLOFace* sender)> OnChoose;

    // The info text's font size for the site's scale: 1200 div Scale.
    int InfoFontSize() const;

    void SetBaseRect(const TLogRect& rect) override;
    void SetEncloseSize(int width, int height) override;
    void Paint(QPainter& painter) override;
    void DrawGhost(QPainter& painter) override;
    bool HitTest(QPoint logical) override;
    void ShowPivots() override;
    void BeginDrag(int pivotIndex) override;
    void BeforePress(Qt::MouseButton button, Qt::KeyboardModifiers shift) override;
    void AfterPress(Qt::MouseButton button) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    bool CanChangeGeometry() const { return FEditable || !Site(); }

    TFaceInfo FFaceInfo;
    bool FEditable = false;
    bool FChosen = false;
    bool FSingleChoice = false;
    bool FShowInfo = false;
    TColor FFaceColor = kFaceColor;
    TFacePicture FDesign;
    bool FChosenBeforePress = false;
    bool FPressing = false;
};

// Faces are counted in the site's object order; other objects are skipped.
int SiteFaceCount(const TDrawSite* site);
TLOFace* FaceAt(const TDrawSite* site, int index);
int FaceIndex(const TLOFace* face);
TLOFace* ChosenFace(const TDrawSite* site);
void ChooseFace(TDrawSite* site, int index);
// One face per position of the paper, owned by the site, in face order.
void AddPaperFaces(TDrawSite* site, const TPaperInfo& paper, bool singleChoice, bool editable);

class TPaperSite : public TDrawSite
{
    VELMO_PERSISTENT(TPaperSite, TDrawSite)
public:
    explicit TPaperSite(TComponent* owner = nullptr, QWidget* parent = nullptr);
    ~TPaperSite() override;

    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    bool DrawInfo() const { return FDrawInfo; }
    void SetDrawInfo(bool value);
    TColor FaceColor() const { return FFaceColor; }
    void SetFaceColor(TColor value);
    std::function<void(TPaperSite* sender)> OnFaceClick;

    TPaperInfo* Paper() const { return FPaper; }
    void SetPaper(TPaperInfo* paper);
    // Scales the paper to the largest size at which the whole sheet, its frame
    // included, fits the parent's client area, and centres it there (after the parent
    // was resized).
    void FitToParent();
    // The paper's background designs, shown on the faces (a copy is kept; none clears
    // them).
    void SetDesigns(const TImagePaperInfo* designs);
    void TakeDesigns(std::unique_ptr<TImagePaperInfo> designs);
    const TFaceDesigns& Designs() const { return FDesigns; }
    int ChosenIndex() const;
    bool IsChosen(int index) const;
    void Choose(int index);
    void SetChosen(int index, bool value);
    void RebuildFaces();

    void Notification(TComponent* component, TOperation operation) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ShowDesigns();

    bool FMultiSelect = false;
    bool FDrawInfo = false;
    TColor FFaceColor = kFaceColor;
    TPaperInfo* FPaper = nullptr;
    bool FFaceClicked = false;
    TFaceDesigns FDesigns;
};

} // namespace velmo
