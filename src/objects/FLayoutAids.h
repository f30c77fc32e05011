#pragma once
// The aids of a layout view around its draw site: the two rulers with their
// pointer markers, guides pulled out of the rulers and dragged on the site, the
// grid, the snapping hook of the ghosts, and the editing commands with their menu.
#include "draw/FRuler.h"
#include "draw/UGuide.h"
#include "objects/UStandardDSA.h"
#include <QObject>
#include <QPainterPath>
#include <functional>
#include <memory>
#include <vector>

class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollArea;

namespace velmo {

class TDrawSite;

class TLayoutAids : public QObject
{
public:
    // The guide and grid belong to the document's sheet; the site and the scroll
    // area that holds it belong to the view.
    TLayoutAids(TDrawSite* site, QScrollArea* scroll, TGuide& guide, TGrid& grid, QObject* parent = nullptr);
    ~TLayoutAids() override;

    TRuler* HorizontalRuler() const { return FHorizontal; }
    TRuler* VerticalRuler() const { return FVertical; }
    TGuide& Guide() { return *FGuide; }
    TGrid& Grid() { return *FGrid; }
    // Another sheet's or document's guides and grid (the view stays).
    void SetGuideAndGrid(TGuide& guide, TGrid& grid);

    // Places the rulers after the site moved or was zoomed.
    void UpdateRulers();
    // The ghosts' snapping offset for a logical point; Alt switches it off.
    QPoint SnapPoint(QPoint logical) const;
    // Installs SnapPoint for the ghosts while this view is active.
    void Activate();

    // Guides.
    void BeginGuideDrag(int slot);
    bool GuideDragging() const { return FDragSlot >= 0; }
    void MoveGuideDrag(QPoint device, bool exact);
    void EndGuideDrag(QPoint device, bool exact, bool cancelled = false);
    QString GuideHint() const;
    // "ガイドバーに吸着(&B)".
    void ToggleGuides();
    // "グリッドに吸着(&R)".
    void ToggleGridSnap();
    // Shows the message about the ten-guide limit (replaceable for tests).
    std::function<void(const QString& message)> ShowMessage;

    // The editing commands, bound to the site, and a menu bar holding them.
    void BuildCommands(QWidget* window, QMenuBar* menuBar);
    TDrawSiteActionBase* Command(const QString& name) const;
    void UpdateCommands();
    // The printable outline of the face (logical units) for "位置合わせ".
    QPainterPath FaceOutline;
    // The grid, then the guides (a view that draws more over its site calls this
    // from its own OnPaintAfter).
    void Paint(QPainter& painter);
    // Moves the rulers' markers to a point in the site's device coordinates.
    void UpdateMarkers(QPoint siteDevice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RulerPressed(TRuler* ruler, Qt::MouseButton button);

    TDrawSite* FSite;
    QScrollArea* FScroll;
    TGuide* FGuide;
    TGrid* FGrid;
    TRuler* FHorizontal;
    TRuler* FVertical;
    int FDragSlot = -1;
    QPoint FDragPos;
    QLabel* FHint = nullptr;
    QFrame* FLine = nullptr;
    bool FGuideCursor = false;
    std::vector<std::pair<QString, TDrawSiteActionBase*>> FCommands;
    QWidget* FWindow = nullptr;
};

} // namespace velmo
