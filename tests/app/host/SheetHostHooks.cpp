#include "SheetHostHooks.h"
#include "HostReport.h"
#include "app/host/FSheetMain.h"
#include "document/FTemplate.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include "draw/UTransformer.h"
#include "objects/FLayoutAids.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "objects/ULOFace.h"
#include "objects/ULORectBase.h"
#include "objects/UStandardDSA.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paperui/FPaperSelect.h"
#include "sheet/FSheet.h"
#include "text/ULOText.h"
#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTextStream>
#include <QTimer>
#include <QToolBar>

namespace velmo::testhost {

namespace {

class TLOTestShape : public TLORectBase, public IDORotate
{
    VELMO_DRAW_OBJECT(TLOTestShape, TLORectBase)
public:
    explicit TLOTestShape(TComponent* owner = nullptr) : TLORectBase(owner) {}
    int Color() const { return FColor; }
    void SetColor(int v) { FColor = v; }
    int Angle() const { return FAngle; }
    void SetAngle(int v) override
    {
        if (v == FAngle)
            return;
        Invalidate();
        FAngle = v;
        UpdateBounds();
        Invalidate();
        Changed();
    }
    int GetAngle() const override { return FAngle; }
    void* QueryInterface(const TGUID& iid) override
    {
        if (iid == IDORotate::IID)
            return static_cast<IDORotate*>(this);
        return TLORectBase::QueryInterface(iid);
    }
    QPolygonF Outline() const
    {
        const TLogRect& r = BaseRect();
        TRotator rotator(FAngle, RectCenter(r));
        QPolygonF polygon;
        for (QPoint p : {QPoint(r.Left, r.Top), QPoint(r.Right, r.Top), QPoint(r.Right, r.Bottom),
                         QPoint(r.Left, r.Bottom)})
            polygon << QPointF(rotator.Transformed(p));
        return polygon;
    }
    TLogRect GetEncloseRect() const override
    {
        const QRectF b = Outline().boundingRect();
        return {int(std::floor(b.left())), int(std::floor(b.top())), int(std::ceil(b.right())) + 1,
                int(std::ceil(b.bottom())) + 1};
    }
    bool HitTest(QPoint p) override { return Outline().containsPoint(QPointF(p), Qt::OddEvenFill); }
    void SetEncloseSize(int w, int h) override
    {
        SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
    }
    void MoveBy(int dx, int dy) override { SetBaseRect(OffsetRect(BaseRect(), dx, dy)); }
    TLogRect GetEncloseBounds() const override { return GetEncloseRect(); }
    void DrawGhost(QPainter& p) override { p.drawPolygon(Outline()); }
    void Paint(QPainter& p) override
    {
        TCanvasSaver saver(p);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(FColor & 0xFF, (FColor >> 8) & 0xFF, (FColor >> 16) & 0xFF));
        p.drawPolygon(Outline());
        // A mark at the top-left corner shows how the shape is turned.
        p.setBrush(Qt::white);
        p.drawEllipse(Outline()[0], 30, 30);
    }

protected:
    void AssignDrawObject(const TDrawObject& source) override
    {
        TLORectBase::AssignDrawObject(source);
        if (const auto* o = dynamic_cast<const TLOTestShape*>(&source)) {
            FColor = o->FColor;
            SetAngle(o->FAngle);
        }
    }

private:
    int FColor = 0x0000FF;
    int FAngle = 0;
};

// Stands in for the text kind until the text module registers its own: a paste of
// plain text makes one, holding the text as its hint.

std::unique_ptr<TMatrixPaperInfo> Paper(int nx, int ny, int w, int h, int left, int top)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("テスト %1面").arg(nx * ny));
    paper->SetGroupName(QStringLiteral("テスト"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(nx);
    paper->SetFaceCountY(ny);
    paper->SetFaceWidth(w);
    paper->SetFaceHeight(h);
    paper->SetLeftOffset(left);
    paper->SetTopOffset(top);
    paper->SetRightMargin(20);
    paper->SetBottomMargin(20);
    return paper;
}

void Put(TLabelData& data, int k, int colour, const TLogRect& r)
{
    auto* shape = new TLOTestShape;
    shape->SetBaseRect(r);
    shape->SetColor(colour);
    TDOList list;
    list.Add(shape);
    data.WriteLabel(k, list);
    list.FreeObjects();
}

QString Line(const QString& what, QPoint global)
{
    return QStringLiteral("%1 %2 %3").arg(what).arg(global.x()).arg(global.y());
}

} // namespace

const TPropertyTable& TLOTestShape::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Color", &TLOTestShape::Color, &TLOTestShape::SetColor)
                                            .Default(0)
                                            .Int("Angle", &TLOTestShape::Angle, &TLOTestShape::SetAngle)
                                            .Default(0);
    return table;
}

void RegisterTestShape()
{
    if (!FindLabelClass(u"TLOTestShape"))
        RegisterLabelClass<TLOTestShape>();
}

void MakeSampleSheetFile(const QString& fileName)
{
    RegisterLabelDataClasses();
    RegisterTestShape();
    TLabelData data;
    data.SetPaper(Paper(2, 6, 864, 423, 166, 196).get());
    Put(data, 1, 0x0000E0, {120, 80, 520, 330});
    Put(data, 4, 0xC06000, {300, 60, 760, 360});
    data.AddSheet();
    data.SetSheetName(QStringLiteral("小さいラベル"));
    data.SetPaper(Paper(3, 8, 600, 300, 120, 160).get());
    data.SelectSheet(0);
    data.Save(fileName);
}

void StartScreenReport()
{
    auto* timer = new QTimer(qApp);
    auto* last = new QString;
    QObject::connect(timer, &QTimer::timeout, [last] {
        QStringList lines;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            if (auto* main = dynamic_cast<TfrmSheetMain*>(top); main && main->SheetView()) {
                TfrmSheet* view = main->SheetView();
                TSheetSite* site = view->Site();
                lines << QStringLiteral("sheet %1 current %2")
                             .arg(main->Document()->CurrentSheet())
                             .arg(main->Document()->CurrentLabelNo());
                for (int i = 0; TLOFace* face = FaceAt(site, i); ++i)
                    lines << Line(QStringLiteral("face %1").arg(i),
                                  site->mapToGlobal(site->ToDevice(RectCenter(face->BaseRect()))));
                for (int i = 0; i < view->Tabs()->count(); ++i)
                    lines << Line(QStringLiteral("tab %1").arg(i),
                                  view->Tabs()->mapToGlobal(view->Tabs()->tabRect(i).center()));
                QStringList designed;
                for (int k = 0; k < main->Document()->LabelCount(); ++k)
                    if (main->Document()->LabelHasData(k))
                        designed << QString::number(k);
                lines << QStringLiteral("designed %1").arg(designed.join(QLatin1Char(',')));
            }
            // The template dialog: its entries and its OK button on the screen.
            if (auto* templates = dynamic_cast<TfrmTemplate*>(top)) {
                QListWidget* list = templates->CollectionList();
                lines << QStringLiteral("templates %1 %2")
                             .arg(list->count())
                             .arg(templates->OkButton()->isEnabled() ? 1 : 0);
                for (int i = 0; i < list->count(); ++i) {
                    const QRect r = list->visualItemRect(list->item(i));
                    if (!r.isEmpty() && list->viewport()->rect().contains(r.center()))
                        lines << Line(QStringLiteral("templateitem %1").arg(i),
                                      list->viewport()->mapToGlobal(r.center()));
                }
                lines << Line(QStringLiteral("templateok"),
                              templates->OkButton()->mapToGlobal(templates->OkButton()->rect().center()));
            }
            if (auto* choice = dynamic_cast<TfrmPaperChange*>(top))
                lines << QStringLiteral("paperchoice %1").arg(choice->SummaryLines().value(2));
            if (auto* choice = dynamic_cast<TfrmPaperSelect*>(top))
                lines << QStringLiteral("paperchoice %1").arg(choice->SummaryLines().value(2));
            if (auto* edit = dynamic_cast<TfrmLabelEdit*>(top)) {
                TDrawSite* site = edit->Site();
                for (int i = 0; i < site->ObjectCount(); ++i) {
                    auto* shape = dynamic_cast<TLOTestShape*>(site->Objects(i));
                    if (!shape)
                        continue;
                    const TLogRect& r = shape->BaseRect();
                    lines << QStringLiteral("object %1 %2 %3 %4 %5")
                                 .arg(r.Left)
                                 .arg(r.Top)
                                 .arg(r.Width())
                                 .arg(r.Height())
                                 .arg(shape->Angle());
                    lines << Line(QStringLiteral("objectcentre"),
                                  site->mapToGlobal(site->ToDevice(RectCenter(r))));
                }
                for (int i = 0; i < site->PivotCount(); ++i) {
                    TPivot* pivot = site->Pivots(i);
                    if (!pivot->Visible())
                        continue;
                    const TLogRect& d = pivot->DeviceRect();
                    lines << Line(QStringLiteral("pivot %1").arg(pivot->Index()),
                                  site->mapToGlobal(QPoint((d.Left + d.Right) / 2, (d.Top + d.Bottom) / 2)));
                }
                lines << QStringLiteral("editing %1").arg(edit->Position());
                // The editing aids: every design object, the history, the guides, and
                // where the site, the rulers and the shape tools are on the screen.
                for (int i = 0, n = 0; i < site->ObjectCount(); ++i) {
                    TDrawObject* object = site->Objects(i);
                    if (object->LayerGroup() == kBackgroundLayerGroup)
                        continue;
                    const TLogRect e = object->GetEncloseRect();
                    if (auto* text = dynamic_cast<TLOText*>(object))
                        lines << QStringLiteral("pastedtext %1").arg(text->Text()->Lines().join(u'|'));
                    lines << QStringLiteral("shape %1 %2 %3 %4 %5 %6 %7")
                                 .arg(n++)
                                 .arg(QString::fromLatin1(object->ClassName()))
                                 .arg(e.Left)
                                 .arg(e.Top)
                                 .arg(e.Right)
                                 .arg(e.Bottom)
                                 .arg(object->Selected() ? 1 : 0);
                }
                lines << QStringLiteral("history %1 %2")
                             .arg(TActionList::Instance().Count())
                             .arg(TActionList::Instance().CurrentIndex());
                if (TLayoutAids* aids = edit->Aids()) {
                    QStringList guides;
                    for (int g = 0; g < aids->Guide().Count(); ++g) {
                        const QPoint p = aids->Guide().GetPos(g);
                        if (!p.isNull())
                            guides << QStringLiteral("%1:%2").arg(p.x()).arg(p.y());
                    }
                    lines << QStringLiteral("guides %1 %2")
                                 .arg(aids->Guide().Enabled() ? 1 : 0)
                                 .arg(guides.join(QLatin1Char(',')));
                    lines << Line(QStringLiteral("hruler"), aids->HorizontalRuler()->mapToGlobal(
                                                                aids->HorizontalRuler()->rect().center()));
                    lines << Line(QStringLiteral("vruler"),
                                  aids->VerticalRuler()->mapToGlobal(aids->VerticalRuler()->rect().center()));
                }
                const QPoint o = site->mapToGlobal(site->ToDevice({0, 0}));
                const QPoint k = site->mapToGlobal(site->ToDevice({1000, 1000}));
                lines << QStringLiteral("site %1 %2 %3 %4").arg(o.x()).arg(o.y()).arg(k.x()).arg(k.y());
                if (auto* tools = edit->findChild<QToolBar*>(QStringLiteral("toolShapes")))
                    for (QAction* action : tools->actions())
                        if (QWidget* button = tools->widgetForAction(action))
                            lines << Line(QStringLiteral("tool %1").arg(action->objectName()),
                                          button->mapToGlobal(button->rect().center()));
            }
        }
        PrintReportBlock(lines, *last);
    });
    timer->start(150);
}

} // namespace velmo::testhost
