#include "SheetHostHooks.h"
#include "app/FSheetMain.h"
#include "document/FSheet.h"
#include "document/ULabelData.h"
#include "draw/UCanvas.h"
#include "draw/UDrawSite.h"
#include "draw/UTransformer.h"
#include "objects/ULDObjects.h"
#include "objects/ULOFace.h"
#include "objects/ULORectBase.h"
#include "paper/UPaperInfo.h"
#include <QApplication>
#include <QPainter>
#include <QTabBar>
#include <QTextStream>
#include <QTimer>

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
                    lines << Line(QStringLiteral("objectcentre"), site->mapToGlobal(site->ToDevice(RectCenter(r))));
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
            }
        }
        const QString text = lines.join(QLatin1Char('\n'));
        if (text == *last)
            return;
        *last = text;
        QTextStream err(stderr);
        err << "velmo: report begin\n";
        for (const QString& l : lines)
            err << "velmo: " << l << "\n";
        err << "velmo: report end" << Qt::endl;
    });
    timer->start(150);
}

} // namespace velmo::testhost
