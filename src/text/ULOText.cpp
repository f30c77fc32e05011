#include "text/ULOText.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "objects/ULDObjects.h"
#include <QPaintEngine>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

constexpr int kMinAutoExtent = 20;
constexpr int kMaxBulge = 4000;
constexpr int kMaxOutlineWidth = 999;
constexpr int kMaxSpacing = 10000;

QPoint Centre(const TLogRect& r)
{
    return QPoint(Div(r.Left + r.Right, 2), Div(r.Top + r.Bottom, 2));
}

TLogRect Normalised(int l, int t, int r, int b)
{
    return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

// Rounds to nearest, ties to even.
int RoundEven(double value)
{
    return int(std::nearbyint(value));
}

// Keeps a flag set for a scope.
class TFlagScope
{
public:
    explicit TFlagScope(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = FOld; }

private:
    bool& FFlag;
    bool FOld;
};

} // namespace

// ---------------------------------------------------------------------------------
// Properties

const TPropertyTable& TLOText::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Version", &TLOText::Version, &TLOText::SetVersion)
            .Object("Text", &TLOText::Text, &TLOText::SetText)
            .Object("Font", &TLOText::Font, &TLOText::SetFontObject)
            .Int("Align", &TLOText::Align, &TLOText::SetAlignValue)
            .Default(0)
            .Bool("Vertical", &TLOText::Vertical, &TLOText::SetVerticalValue)
            .Default(0)
            .Int("CharSpacing", &TLOText::CharSpacing, &TLOText::SetCharSpacing)
            .Default(0)
            .Int("LineSpacing", &TLOText::LineSpacing, &TLOText::SetLineSpacing)
            .Default(0)
            .Int("Angle", &TLOText::Angle, &TLOText::SetAngleValue)
            .Object("CoonsDistortion", &TLOText::CoonsDistortion, &TLOText::SetCoonsDistortion)
            .Int("DistortionRatio", &TLOText::DistortionRatio, &TLOText::SetDistortionRatio)
            .Object("TextColor", &TLOText::TextColor, &TLOText::SetTextColor)
            .Bool("Outline", &TLOText::Outline, &TLOText::SetOutline)
            .Object("OutlineColor", &TLOText::OutlineColor, &TLOText::SetOutlineColor)
            .Int("OutLineWidth", &TLOText::OutLineWidth, &TLOText::SetOutLineWidth)
            .Int("Shadow", &TLOText::Shadow, &TLOText::SetShadow)
            .StoredIf<TLOText>([](const TLOText& t) { return t.Shadow() != 9; })
            .Int("ShadowOffsetX", &TLOText::ShadowOffsetX, &TLOText::SetShadowOffsetX)
            .StoredIf<TLOText>([](const TLOText& t) { return t.Shadow() == 9; })
            .Int("ShadowOffsetY", &TLOText::ShadowOffsetY, &TLOText::SetShadowOffsetY)
            .StoredIf<TLOText>([](const TLOText& t) { return t.Shadow() == 9; })
            .Object("ShadowColor", &TLOText::ShadowColor, &TLOText::SetShadowColor)
            .Bool("AutoSize", &TLOText::AutoSize, &TLOText::SetAutoSizeValue)
            .Int("Bulge", &TLOText::Bulge, &TLOText::SetBulge)
            .Int("FieldNo", &TLOText::FieldNo, &TLOText::SetFieldNo)
            .Enum("FieldType", &TLOText::FieldType, &TLOText::SetFieldType,
                  {"ftProduct", "ftCreatorJapanese", "ftCreatorEnglish"})
            .Bool("HanToZen", &TLOText::HanToZen, &TLOText::SetHanToZen)
            .Default(0)
            .Bool("NumToKnj", &TLOText::NumToKnj, &TLOText::SetNumToKnj)
            .Default(0)
            .Bool("MinusExc", &TLOText::MinusExc, &TLOText::SetMinusExc)
            .Default(0)
            .Int("FeedAngle", &TLOText::FeedAngleValue, &TLOText::SetFeedAngleValue)
            .Default(0)
            .Int<TLOText>(
                "DiagonalAlign", [](const TLOText&) { return 0; },
                [](TLOText& t, int64_t v) { t.SetDiagonalAlign(int(v)); })
            .StoredIf(false);
    return table;
}

const TPropertyTable& TLOWizardText::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("wizInputEnable", &TLOWizardText::WizInputEnable, &TLOWizardText::SetWizInputEnable)
            .String("wizInputCaption", &TLOWizardText::WizInputCaption, &TLOWizardText::SetWizInputCaption);
    return table;
}

const TPropertyTable& TLOVelmoText::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("EnableArch", &TLOVelmoText::EnableArch, &TLOVelmoText::SetEnableArch)
            .Default(0);
    return table;
}

// ---------------------------------------------------------------------------------
// Construction

TLOText::TLOText(TComponent* owner)
    : TLORectBase(owner), FText(std::make_unique<TSimpleText>()),
      FDistortion(std::make_unique<TCoonsDistortion>()), FTextColor(std::make_unique<TColorSpec>()),
      FOutlineColor(std::make_unique<TColorSpec>()), FShadowColor(std::make_unique<TColorSpec>())
{
    FText->Font()->SetSize(24);
    FText->OnChange = [this](TSimpleText*) { TextChanged(); };
    for (TColorSpec* spec : {FTextColor.get(), FOutlineColor.get(), FShadowColor.get()})
        spec->Notify().OnChange = [this] { ColorChanged(); };
    FDistortion->OnChange = [this] {
        FDistortedValid = false;
        if (!FInAssign) {
            Invalidate();
            Changed();
        }
    };
}

TLOText::~TLOText()
{
    FText->OnChange = nullptr;
    FDistortion->OnChange = nullptr;
    for (TColorSpec* spec : {FTextColor.get(), FOutlineColor.get(), FShadowColor.get()})
        spec->Notify().OnChange = nullptr;
}

void* TLOText::QueryInterface(const TGUID& iid)
{
    if (iid == IDOLineColor::IID)
        return static_cast<IDOLineColor*>(this);
    if (iid == IDOAlign::IID)
        return static_cast<IDOAlign*>(this);
    if (iid == IDOFont::IID)
        return static_cast<IDOFont*>(this);
    if (iid == IDOVertical::IID)
        return static_cast<IDOVertical*>(this);
    if (iid == IDOAutoSize::IID)
        return static_cast<IDOAutoSize*>(this);
    if (iid == IDORotate::IID)
        return static_cast<IDORotate*>(this);
    if (iid == IDOFeedAngle::IID)
        return static_cast<IDOFeedAngle*>(this);
    // A distorted straight text cannot be bent.
    if ((iid == IDOCurve::IID || iid == IDOLine::IID) && (IsArc() || FDistortion->IsEmpty())) {
        if (iid == IDOCurve::IID)
            return static_cast<IDOCurve*>(this);
        return static_cast<IDOLine*>(static_cast<IDOCurve*>(this));
    }
    return TLORectBase::QueryInterface(iid);
}

void* TLOWizardText::QueryInterface(const TGUID& iid)
{
    if (iid == IDOWizardInput::IID)
        return static_cast<IDOWizardInput*>(this);
    return TLOText::QueryInterface(iid);
}

// ---------------------------------------------------------------------------------
// Setters

void TLOText::SetAlignValue(int value)
{
    FText->SetAlign(value);
}

void TLOText::SetVerticalValue(bool value)
{
    if (value == FText->Vertical())
        return;
    if (!FInAssign && !IsLoading()) {
        // Width and height exchange about the same centre.
        const TLogRect r = BaseRect();
        const QPoint c = FRotator.Center();
        const TLogRect m = Normalised(c.x() + (r.Top - c.y()), c.y() + (r.Left - c.x()),
                                      c.x() + (r.Bottom - c.y()), c.y() + (r.Right - c.x()));
        SetBaseRect(m);
    }
    FText->SetVertical(value);
}

void TLOText::SetAngleValue(int value)
{
    const int angle = ((value % 360) + 360) % 360;
    if (angle == FRotator.Angle() && angle == FText->Angle())
        return;
    FRotator.SetAngle(angle);
    FText->SetAngle(angle);
}

void TLOText::SetCoonsDistortion(TCoonsDistortion* value)
{
    if (!value || value == FDistortion.get())
        return;
    if (value->SameContent(*FDistortion) && value->IsEmpty() == FDistortion->IsEmpty())
        return;
    FDistortion->Assign(*value);
}

void TLOText::SetDistortionRatio(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == FDistortionRatio)
        return;
    FDistortionRatio = value;
    FDistortedValid = false;
    Invalidate();
    Changed();
}

void TLOText::SetTextColor(TColorSpec* value)
{
    if (value && value != FTextColor.get())
        FTextColor->Assign(*value);
}

void TLOText::SetOutlineColor(TColorSpec* value)
{
    if (value && value != FOutlineColor.get())
        FOutlineColor->Assign(*value);
}

void TLOText::SetShadowColor(TColorSpec* value)
{
    if (value && value != FShadowColor.get())
        FShadowColor->Assign(*value);
}

void TLOText::SetOutline(bool value)
{
    if (value == FOutline)
        return;
    FOutline = value;
    Invalidate();
    UpdateBounds();
    Changed();
}

void TLOText::SetOutLineWidth(int value)
{
    value = std::clamp(value, 0, kMaxOutlineWidth);
    if (value == FOutLineWidth)
        return;
    Invalidate();
    FOutLineWidth = value;
    UpdateBounds();
    Invalidate();
    Changed();
}

int TLOText::Shadow() const
{
    for (int i = 0; i < 9; ++i)
        if (kShadowPresets[i].X == FShadowX && kShadowPresets[i].Y == FShadowY)
            return i;
    return 9;
}

void TLOText::SetShadow(int value)
{
    if (value < 0 || value > 8)
        return;
    SetShadowOffsetX(kShadowPresets[value].X);
    SetShadowOffsetY(kShadowPresets[value].Y);
}

void TLOText::SetShadowOffsetX(int value)
{
    value = std::clamp(value, -1000, 1000);
    if (value == FShadowX)
        return;
    Invalidate();
    FShadowX = value;
    TextChanged();
}

void TLOText::SetShadowOffsetY(int value)
{
    value = std::clamp(value, -1000, 1000);
    if (value == FShadowY)
        return;
    Invalidate();
    FShadowY = value;
    TextChanged();
}

void TLOText::SetBulge(int value)
{
    value = std::clamp(value, -kMaxBulge, kMaxBulge);
    if (FSnap && value >= -49 && value <= 49)
        value = 0;
    if (value == FText->Bulge())
        return;
    if (FCurveEditing) {
        const QPoint target = FChordStart == FSavedStart ? QPoint(Div(FChordStart.x() + FChordEnd.x(), 2),
                                                                  Div(FChordStart.y() + FChordEnd.y(), 2))
                                                         : FSavedMiddle;
        const TLogRect r = BaseRect();
        const QPoint c = Centre(r);
        const int dx = target.x() - c.x(), dy = target.y() - c.y();
        SetBaseRect({r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy});
    }
    Invalidate();
    FText->SetBulge(value);
}

void TLOText::SetDiagonalAlign(int value)
{
    if (value == 1 || value == 4)
        SetFeedAngleValue(45);
    else if (value == 2 || value == 3)
        SetFeedAngleValue(-45);
}

void TLOText::SetFont(const TFont& font)
{
    TPointBasedFont copy;
    copy.Assign(font);
    FText->SetFont(&copy);
}

// ---------------------------------------------------------------------------------
// Changes and sizing

void TLOText::ClearCaches()
{
    FPlainValid = false;
    FDistortedValid = false;
    FPlainOutline.Clear();
    FDistortedOutline.Clear();
    FDistortedPath = QPainterPath();
}

void TLOText::TextChanged()
{
    ClearCaches();
    if (!FInAssign)
        AutoSizeNow();
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLOText::ColorChanged()
{
    if (FInAssign)
        return;
    Invalidate();
    Changed();
}

bool TLOText::Distorted() const
{
    return !IsArc() && !FDistortion->IsEmpty();
}

QPoint TLOText::ShadowDisplacement()
{
    if (FShadowX == 0 && FShadowY == 0)
        return {};
    const int h = FText->LineHeight();
    return QPoint(MulDiv(h, FShadowX, 100), MulDiv(h, FShadowY, 100));
}

TLogRect TLOText::FittedRect(const TLogRect& r)
{
    TLogRect f = FText->GetBounds(r);
    const int align = FText->Align();
    const bool vertical = FText->Vertical();
    if (f.Width() < kMinAutoExtent) {
        if (vertical || align == kAlignRight) {
            f.Left = f.Right - kMinAutoExtent;
        } else if (align == kAlignCenter) {
            const int c = Div(r.Left + r.Right, 2);
            f.Left = c - kMinAutoExtent / 2;
            f.Right = f.Left + kMinAutoExtent;
        } else {
            f.Right = f.Left + kMinAutoExtent;
        }
    }
    if (f.Height() < kMinAutoExtent) {
        if (vertical && align == kAlignRight) {
            f.Top = f.Bottom - kMinAutoExtent;
        } else if (vertical && align == kAlignCenter) {
            const int c = Div(r.Top + r.Bottom, 2);
            f.Top = c - kMinAutoExtent / 2;
            f.Bottom = f.Top + kMinAutoExtent;
        } else {
            f.Bottom = f.Top + kMinAutoExtent;
        }
    }
    return f;
}

void TLOText::AutoSizeNow()
{
    if (!FAutoSize || IsArc() || FAutoSizing || IsLoading())
        return;
    TFlagScope guard(FAutoSizing);
    const TLogRect r = BaseRect();
    const TLogRect fitted = FittedRect(r);
    const int angle = FRotator.Angle();
    const int align = FText->Align();
    if (angle == 0 || align == kAlignCenter || align == kAlignJustify) {
        SetBaseRect(fitted);
        return;
    }
    // The rotated corner on the alignment's side stays where it is on the page.
    const int w = fitted.Width(), h = fitted.Height();
    TRotator rotator(angle, FRotator.Center());
    const bool right = align == kAlignRight;
    const QPoint p1 = rotator.Transformed(right ? QPoint(r.Right, r.Top) : QPoint(r.Left, r.Top));
    TRotator aboutP1(angle, p1);
    const QPoint p2 = aboutP1.Transformed(p1 + QPoint(right ? -w : w, h));
    const QPoint centre(Div(p1.x() + p2.x(), 2), Div(p1.y() + p2.y(), 2));
    TRotator back(-angle, centre);
    const QPoint q1 = back.Transformed(p1);
    const QPoint q2 = back.Transformed(p2);
    SetBaseRect(Normalised(q1.x(), q1.y(), q2.x(), q2.y()));
}

void TLOText::SiteChanged()
{
    if (OnSite())
        AutoSizeNow();
}

void TLOText::SetBaseRect(const TLogRect& rect)
{
    const TLogRect before = BaseRect();
    TLORectBase::SetBaseRect(rect);
    FRotator.SetCenter(Centre(BaseRect()));
    if (!(before == BaseRect())) {
        ClearCaches();
        Changed();
    }
}

void TLOText::SetEncloseSize(int width, int height)
{
    const TLogRect e = GetEncloseRect();
    const TLogRect r = BaseRect();
    int w = r.Width(), h = r.Height();
    if (IsArc() || FRotator.Angle() != 0) {
        if (e.Width() != 0)
            w = MulDiv(w, width, e.Width());
        if (e.Height() != 0)
            h = MulDiv(h, height, e.Height());
    } else {
        w += width - e.Width();
        h += height - e.Height();
    }
    SetBaseRect({r.Left, r.Top, r.Left + w, r.Top + h});
}

// ---------------------------------------------------------------------------------
// Geometry

void TLOText::ChordPoints(QPoint& start, QPoint& end) const
{
    if (FCurveEditing) {
        start = FChordStart;
        end = FChordEnd;
        return;
    }
    const TLogRect r = BaseRect();
    const QPoint c = Centre(r);
    TRotator rotator(FRotator.Angle(), c);
    if (FText->Vertical()) {
        start = rotator.Transformed(QPoint(c.x(), r.Top));
        end = rotator.Transformed(QPoint(c.x(), r.Bottom));
    } else {
        start = rotator.Transformed(QPoint(r.Left, c.y()));
        end = rotator.Transformed(QPoint(r.Right, c.y()));
    }
}

TLOText::TArc TLOText::ArcGeometry()
{
    TArc arc;
    QPoint s, e;
    ChordPoints(s, e);
    const double dx = e.x() - s.x(), dy = e.y() - s.y();
    const double chord = std::hypot(dx, dy);
    const TLogRect area = FText->GetBounds(BaseRect());
    arc.LineHeight = FText->LineHeight();
    arc.Band = FText->Vertical() ? area.Width() : area.Height();
    if (chord < 0.9)
        return arc;
    const int bulge = FText->Bulge();
    const double b = std::abs(double(bulge));
    const double mx = (s.x() + e.x()) / 2.0, my = (s.y() + e.y()) / 2.0;
    double r0 = chord / 2, cx = mx, cy = my;
    if (b >= 1) {
        r0 = chord * chord / (8 * b) + b / 2;
        const double side = bulge > 0 ? 1.0 : -1.0;
        const double nx = -dy / chord * side, ny = dx / chord * side;
        cx = mx + nx * (r0 - b);
        cy = my + ny * (r0 - b);
    }
    // Whole units, as the text itself is laid out on the arc.
    cx = int(cx);
    cy = int(cy);
    r0 = int(r0);
    auto angleOf = [&](QPoint p) {
        double a = std::atan2(p.y() - cy, p.x() - cx);
        if (a < 0)
            a += 2 * M_PI;
        return a;
    };
    const double q = angleOf(s);
    double span = bulge > 0 ? angleOf(e) - q : q - angleOf(e);
    if (span < 0)
        span += 2 * M_PI;
    arc.Valid = true;
    arc.Centre = QPointF(cx, cy);
    arc.R0 = r0;
    arc.Start = q;
    arc.Span = bulge > 0 ? span : -span;
    return arc;
}

namespace {

QPolygonF ArcPolyline(const QPointF& centre, double radius, double start, double span)
{
    QPolygonF points;
    const int steps = std::clamp(int(std::abs(span) * radius / 8.0), 8, 720);
    for (int i = 0; i <= steps; ++i) {
        const double a = start + span * i / steps;
        points.append(centre + radius * QPointF(std::cos(a), std::sin(a)));
    }
    return points;
}

} // namespace

QPainterPath TLOText::ArcBandPath(int penWidth)
{
    const TArc arc = ArcGeometry();
    if (!arc.Valid)
        return {};
    const double radius = arc.R0 + arc.LineHeight / 2.0 - penWidth / 2.0;
    QPainterPath line;
    line.addPolygon(ArcPolyline(arc.Centre, std::max(radius, 0.0), arc.Start, arc.Span));
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(penWidth, 1));
    stroker.setCapStyle(Qt::FlatCap);
    return stroker.createStroke(line);
}

QPolygon TLOText::EnclosingOutline()
{
    const TLogRect r = BaseRect();
    const int w = FOutLineWidth;
    TLogRect grown{r.Left - w, r.Top - w, r.Right + w, r.Bottom + w};
    const QPoint s = ShadowDisplacement();
    if (s != QPoint()) {
        // The shadow lies along the page's axes, so it is turned back before the
        // figure is turned with the text.
        TRotator back(-FRotator.Angle(), QPoint());
        const QPoint d = back.Transformed(s);
        grown.Left = std::min(grown.Left, r.Left + d.x());
        grown.Top = std::min(grown.Top, r.Top + d.y());
        grown.Right = std::max(grown.Right, r.Right + d.x());
        grown.Bottom = std::max(grown.Bottom, r.Bottom + d.y());
    }
    TRotator rotator(FRotator.Angle(), Centre(r));
    QPolygon figure;
    figure << rotator.Transformed(QPoint(grown.Left, grown.Top))
           << rotator.Transformed(QPoint(grown.Right, grown.Top))
           << rotator.Transformed(QPoint(grown.Right, grown.Bottom))
           << rotator.Transformed(QPoint(grown.Left, grown.Bottom));
    return figure;
}

TLogRect TLOText::GetEncloseRect() const
{
    auto* self = const_cast<TLOText*>(this);
    if (!IsArc()) {
        const QRect b = self->EnclosingOutline().boundingRect();
        return {b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    const TArc arc = self->ArcGeometry();
    if (!arc.Valid)
        return BaseRect();
    const double radius = arc.R0 + arc.LineHeight / 2.0 - arc.Band / 2.0;
    const QRectF box = ArcPolyline(arc.Centre, std::max(radius, 0.0), arc.Start, arc.Span).boundingRect();
    double l = box.left(), t = box.top(), r = box.right(), b = box.bottom();
    const QPoint s = self->ShadowDisplacement();
    if (s.x() < 0)
        l += s.x();
    else
        r += s.x();
    if (s.y() < 0)
        t += s.y();
    else
        b += s.y();
    const double grow = FOutLineWidth + arc.Band / 2.0;
    return {int(std::floor(l - grow)), int(std::floor(t - grow)), int(std::ceil(r + grow)),
            int(std::ceil(b + grow))};
}

bool TLOText::HitTest(QPoint logical)
{
    if (!IsArc()) {
        TRotator back(-FRotator.Angle(), Centre(BaseRect()));
        return PtInRect(BaseRect(), back.Transformed(logical));
    }
    const TArc arc = ArcGeometry();
    if (!arc.Valid)
        return false;
    THitBitmap hit(Site(), logical, arc.Band);
    QPainter& p = hit.Painter();
    QPen pen = hit.Pen();
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double radius = arc.R0 + arc.LineHeight / 2.0 - hit.PenWidth() / 2.0;
    p.drawPolyline(ArcPolyline(arc.Centre, std::max(radius, 0.0), arc.Start, arc.Span));
    return hit.Hit();
}

// ---------------------------------------------------------------------------------
// Outlines

const TStroke& TLOText::PlainOutline()
{
    if (!FPlainValid) {
        FPlainOutline.Clear();
        FText->MakeOutline(FPlainOutline, BaseRect(), true);
        FPlainValid = true;
    }
    return FPlainOutline;
}

const TStroke& TLOText::DistortedOutline()
{
    if (!Distorted())
        return PlainOutline();
    if (FDistortedValid)
        return FDistortedOutline;
    // A large copy gives a precise outline however small the text is.
    TSimpleText copy;
    copy.Assign(*FText);
    copy.OnChange = nullptr;
    copy.SetAngle(0);
    if (copy.Font()->Size() < 72)
        copy.Font()->SetSize(72);
    const TLogRect r = BaseRect();
    const int h = std::max(FText->LineHeight(), 1);
    const int h72 = copy.LineHeight();
    const TLogRect big{0, 0, MulDiv(r.Width(), h72, h), MulDiv(r.Height(), h72, h)};
    TStroke stroke;
    const TLogRect area = copy.GetBounds(big);
    copy.MakeOutline(stroke, big, false);
    // Pieces of at most 8 units once mapped onto the object: short enough to bend,
    // no more points than that.
    FlattenStroke(stroke, std::max(8, MulDiv(8, h72, h)));
    TCoonsDistortion work;
    work.Assign(*FDistortion);
    work.OnChange = nullptr;
    work.ApplyRatio(FDistortionRatio);
    work.SetSourceRect(area);
    work.SetTargetRect(r);
    // The drawn form keeps fractions of a unit; the stroke is the same in whole units.
    const QPoint c = Centre(r);
    QTransform turn;
    turn.translate(c.x(), c.y());
    turn.rotate(FRotator.Angle());
    turn.translate(-c.x(), -c.y());
    QPainterPath path;
    for (int i = 0; i < stroke.Count(); ++i) {
        const QPointF p = turn.map(work.TransformPointF(QPointF(stroke.Point(i))));
        if (stroke.Type(i) == PT_MOVETO) {
            path.moveTo(p);
        } else {
            path.lineTo(p);
            if (stroke.Type(i) & PT_CLOSEFIGURE)
                path.closeSubpath();
        }
    }
    path.setFillRule(Qt::WindingFill);
    FDistortedPath = path;
    work.TransformStroke(stroke);
    TRotator rotator(FRotator.Angle(), c);
    rotator.TransformStroke(stroke);
    FDistortedOutline = std::move(stroke);
    FDistortedValid = true;
    return FDistortedOutline;
}

QPainterPath TLOText::DistortedPath()
{
    if (!Distorted()) {
        QPainterPath path = PlainOutline().ToPainterPath();
        path.setFillRule(Qt::WindingFill);
        return path;
    }
    DistortedOutline();
    return FDistortedPath;
}

// ---------------------------------------------------------------------------------
// Painting

void TLOText::PaintLayer(QPainter& painter, const TColorSpec& fill, const TColorSpec* outline)
{
    const TLogRect e = GetEncloseRect();
    const QRect fillRect = ToQRect(e);
    QPainterPath area;
    if (IsArc()) {
        const TArc arc = ArcGeometry();
        area = ArcBandPath(arc.Band + (outline ? 2 * FOutLineWidth : 0));
    } else if (FRotator.Angle() == 0) {
        // An upright rectangle clips far faster as a rectangle than as a path. A clip
        // already inside it (the object's own, set as it began to draw) is left as
        // it is: on a vector page every clip set is written out again.
        if (!painter.hasClipping())
            painter.setClipRect(fillRect, Qt::ReplaceClip);
        else if (!QRectF(fillRect).adjusted(-0.5, -0.5, 0.5, 0.5).contains(painter.clipBoundingRect()))
            painter.setClipRect(fillRect, Qt::IntersectClip);
    } else {
        area.addPolygon(QPolygonF(EnclosingOutline()));
        area.closeSubpath();
    }
    if (!area.isEmpty())
        painter.setClipPath(area, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    // A solid colour fills the path itself: the same pixels as filling the
    // enclosing rectangle through the path as a clip, without building a clip mask.
    auto fillThrough = [&](const QPainterPath& path, const TColorSpec& spec) {
        if (spec.Kind() == TColorSpecKind::cskSolid && spec.Style() == TBrushStyle::bsSolid) {
            painter.fillPath(path, ToQColor(spec.Color()));
            return;
        }
        painter.save();
        painter.setClipPath(path, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        spec.Fill(painter, fillRect);
        painter.restore();
    };

    auto textPath = [&](bool distortedForm) {
        if (distortedForm)
            return DistortedPath();
        QPainterPath path = PlainOutline().ToPainterPath();
        path.setFillRule(Qt::WindingFill);
        return path;
    };

    if (outline) {
        const QPainterPath path = textPath(true);
        const int width = 2 * FOutLineWidth;
        if (outline->Kind() != TColorSpecKind::cskSolid) {
            painter.save();
            QPainterPathStroker stroker;
            stroker.setWidth(std::max(width, 1));
            stroker.setJoinStyle(Qt::RoundJoin);
            stroker.setCapStyle(Qt::RoundCap);
            QPainterPath band = stroker.createStroke(path).united(path);
            band.setFillRule(Qt::WindingFill);
            painter.setClipPath(band, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
            outline->Fill(painter, fillRect);
            painter.restore();
        } else if (width > 0) {
            painter.save();
            QPen pen(ToQColor(outline->Color()), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(path);
            painter.restore();
        }
        fillThrough(path, fill);
        return;
    }
    if (!Distorted() && fill.IsPlainColor(painter)) {
        TPainterStateKeeper keeper(painter);
        FText->SetColor(fill.Color());
        painter.setBrush(Qt::NoBrush);
        FLayerWasText = FText->Draw(painter, BaseRect());
        return;
    }
    fillThrough(textPath(Distorted()), fill);
}

void TLOText::Paint(QPainter& painter)
{
    const QPoint s = ShadowDisplacement();
    if (s != QPoint()) {
        painter.save();
        painter.translate(s);
        PaintLayer(painter, *FShadowColor, nullptr);
        painter.restore();
    }
    painter.save();
    FLayerWasText = false;
    PaintLayer(painter, *FTextColor, FOutline ? FOutlineColor.get() : nullptr);
    painter.restore();
    // Text that went as text is searchable already.
    if (!FLayerWasText)
        PaintSearchableText(painter);
    ClearCaches();
}

void TLOText::PaintSearchableText(QPainter& painter)
{
    // Glyphs are drawn as outlines, which a PDF reader cannot search or copy. A PDF
    // gets the lines once more as invisible text over the same box, so that what
    // the label says can be found, copied and checked in the file.
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Pdf)
        return;
    const QStringList& lines = Text()->Lines();
    const TLogRect r = BaseRect();
    if (lines.isEmpty() || r.Width() <= 0 || r.Height() <= 0)
        return;
    painter.save();
    if (FRotator.Angle() != 0) {
        const QPointF c(FRotator.Center());
        painter.translate(c);
        painter.rotate(-FRotator.Angle());
        painter.translate(-c);
    }
    const bool vertical = Vertical();
    const int lineExtent = std::max(1, (vertical ? r.Width() : r.Height()) / int(lines.size()));
    QFont font(Font()->Name());
    font.setPixelSize(std::max(1, lineExtent * 7 / 10));
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 0));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        if (vertical) {
            const int x = r.Right - int(i + 1) * lineExtent;
            painter.drawText(QRect(x, r.Top, lineExtent, r.Height()), Qt::AlignCenter | Qt::TextWrapAnywhere,
                             line);
        } else {
            const int y = r.Top + int(i) * lineExtent;
            painter.drawText(QRect(r.Left, y, r.Width(), lineExtent), Qt::AlignLeft | Qt::AlignVCenter, line);
        }
    }
    painter.restore();
}

void TLOText::PaintMask(QPainter& maskPainter)
{
    // Coverage in white: the shadow's, the text's and the outline's.
    maskPainter.save();
    const QPainterPath path = DistortedPath();
    const QPoint s = ShadowDisplacement();
    auto cover = [&](QPoint offset) {
        maskPainter.save();
        maskPainter.translate(offset);
        if (!Distorted() && !FOutline) {
            FText->SetColor(clWhite);
            FText->Draw(maskPainter, BaseRect());
        } else {
            maskPainter.fillPath(path, Qt::white);
        }
        if (FOutline && FOutLineWidth != 0) {
            maskPainter.setPen(
                QPen(Qt::white, 2 * FOutLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            maskPainter.setBrush(Qt::NoBrush);
            maskPainter.drawPath(path);
        }
        maskPainter.restore();
    };
    if (s != QPoint())
        cover(s);
    cover(QPoint());
    maskPainter.restore();
    ClearCaches();
}

void TLOText::DrawGhost(QPainter& painter)
{
    if (IsArc()) {
        const TArc arc = ArcGeometry();
        if (!arc.Valid)
            return;
        painter.save();
        QPen pen = painter.pen();
        pen.setWidth(std::max(arc.Band, 1));
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const double radius = arc.R0 + arc.LineHeight / 2.0 - arc.Band / 2.0;
        painter.drawPolyline(ArcPolyline(arc.Centre, std::max(radius, 0.0), arc.Start, arc.Span));
        painter.restore();
        return;
    }
    const TLogRect r = BaseRect();
    TLogRect area = FText->GetBounds(r);
    area = {std::max(area.Left, r.Left), std::max(area.Top, r.Top), std::min(area.Right, r.Right),
            std::min(area.Bottom, r.Bottom)};
    TStroke stroke;
    stroke.SetRectPath(area);
    if (Distorted()) {
        stroke.SubdivideLines();
        TCoonsDistortion work;
        work.Assign(*FDistortion);
        work.OnChange = nullptr;
        work.ApplyRatio(FDistortionRatio);
        work.SetSourceRect(FText->GetBounds(r));
        work.SetTargetRect(r);
        work.TransformStroke(stroke);
    }
    TRotator rotator(FRotator.Angle(), Centre(r));
    rotator.TransformStroke(stroke);
    stroke.DrawTo(painter);
    if (!Distorted())
        painter.drawPolygon(EnclosingOutline());
}

// ---------------------------------------------------------------------------------
// Loading old documents

void TLOText::Loaded()
{
    TLORectBase::Loaded();
    FRotator.SetCenter(Centre(BaseRect()));
    // A font of no size cannot be laid out.
    if (FText->Font()->Size() <= 0 || FText->Font()->Size() > 1638)
        FText->Font()->SetSize(std::clamp(FText->Font()->Size(), 1, 1638));
    FText->SetCharSpacing(std::clamp(FText->CharSpacing(), -kMaxSpacing, kMaxSpacing));
    FText->SetLineSpacing(std::clamp(FText->LineSpacing(), -kMaxSpacing, kMaxSpacing));
    if (FOutline && FOutLineWidth == 0)
        FOutLineWidth = 1;
    const int align = FText->Align();
    if (align == 4 || align == 5) {
        const TLogRect r = BaseRect();
        const int h = FText->LineHeight();
        const int s = r.Width() < r.Height() ? r.Width() : r.Height();
        FText->SetBulge(align == 4 ? (s - h) / 2 : (h - s) / 2);
        const QPoint c = Centre(r);
        TLogRect sq = r;
        if (r.Width() > s) {
            sq.Left = c.x() - s / 2;
            sq.Right = sq.Left + s;
        } else if (r.Height() > s) {
            sq.Top = c.y() - s / 2;
            sq.Bottom = sq.Top + s;
        }
        const int d = h / 2;
        SetBaseRect({sq.Left + d, sq.Top + d, sq.Right - d, sq.Bottom - d});
        FText->SetAlign(kAlignCenter);
    } else if (align < 0 || align > 5) {
        FText->SetAlign(0);
    }
    if (FVersion != 1 && FText->Bulge() != 0) {
        FText->SetAlign(kAlignCenter);
        FText->SetCharSpacing(0);
        if (FText->Text()->Count() > 1)
            FText->SetLines({FText->Text()->Lines().first()});
        if (FText->Vertical()) {
            const TLogRect r = BaseRect();
            const QPoint c = Centre(r);
            const int w = r.Width();
            SetBaseRect({c.x() - w / 2, c.y() - w / 2, c.x() - w / 2 + w, c.y() - w / 2 + w});
            SetAngleValue(FRotator.Angle() - 90);
        }
    }
    FVersion = 1;
    ClearCaches();
}

// ---------------------------------------------------------------------------------
// Curve editing

QPoint TLOText::GetStartPoint() const
{
    QPoint s, e;
    ChordPoints(s, e);
    return s;
}

QPoint TLOText::GetEndPoint() const
{
    QPoint s, e;
    ChordPoints(s, e);
    return e;
}

void TLOText::BeginCurveEdit()
{
    if (FCurveEditing)
        return;
    ChordPoints(FChordStart, FChordEnd);
    FCurveEditing = true;
    FSavedStart = FChordStart;
    FSavedMiddle = QPoint(Div(FChordStart.x() + FChordEnd.x(), 2), Div(FChordStart.y() + FChordEnd.y(), 2));
}

void TLOText::SetStartPoint(QPoint point)
{
    FAutoSize = false;
    BeginCurveEdit();
    FChordStart = point;
    ClearCaches();
    Invalidate();
    Changed();
}

void TLOText::SetEndPoint(QPoint point)
{
    FAutoSize = false;
    BeginCurveEdit();
    FChordEnd = point;
    ClearCaches();
    Invalidate();
    Changed();
}

QPoint TLOText::GetControlPoint() const
{
    QPoint s, e;
    ChordPoints(s, e);
    const double dx = e.x() - s.x(), dy = e.y() - s.y();
    const double chord = std::hypot(dx, dy);
    const QPointF mid((s.x() + e.x()) / 2.0, (s.y() + e.y()) / 2.0);
    if (chord < 1e-9)
        return mid.toPoint();
    const double b = FText->Bulge();
    return QPointF(mid.x() + dy / chord * b, mid.y() - dx / chord * b).toPoint();
}

void TLOText::SetControlPoint(QPoint m)
{
    QPoint s, e;
    ChordPoints(s, e);
    const double ax = s.x(), ay = s.y(), bx = m.x(), by = m.y(), cx = e.x(), cy = e.y();
    const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    int bulge = 0;
    if (std::abs(d) > 1e-9) {
        const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
        const double ux = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d;
        const double uy = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
        const double radius = std::hypot(ax - ux, ay - uy);
        const double mx = (ax + cx) / 2, my = (ay + cy) / 2;
        const double dist = std::hypot(ux - mx, uy - my);
        double height = radius - dist;
        // The side of the chord on which positive bulges arch.
        const double nx = cy - ay, ny = -(cx - ax);
        const double sideM = (bx - mx) * nx + (by - my) * ny;
        const double sideC = (ux - mx) * nx + (uy - my) * ny;
        if ((sideM > 0) == (sideC > 0) && sideC != 0)
            height = 2 * radius - height;
        if (height >= -1)
            bulge = int(std::trunc(sideM > 0 ? height : -height));
    }
    SetBulge(std::clamp(bulge, -kMaxBulge, kMaxBulge));
}

void TLOText::EndCurveEdit()
{
    if (!FCurveEditing)
        return;
    FAutoSize = false;
    const QPoint s = FChordStart, e = FChordEnd;
    const double degrees = std::atan2(double(s.y() - e.y()), double(s.x() - e.x())) * 180.0 / M_PI;
    const bool vertical = FText->Vertical();
    const int angle = RoundEven(degrees) - (vertical ? 270 : 180);
    const QPoint mid(Div(s.x() + e.x(), 2), Div(s.y() + e.y(), 2));
    TRotator back(-angle, mid);
    const QPoint s2 = back.Transformed(s), e2 = back.Transformed(e);
    const TLogRect r = BaseRect();
    TLogRect n = vertical ? Normalised(s2.x() - r.Width() / 2, s2.y(), e2.x() + r.Width() / 2, e2.y())
                          : Normalised(s2.x(), s2.y() - r.Height() / 2, e2.x(), e2.y() + r.Height() / 2);
    FCurveEditing = false;
    SetBaseRect(n);
    SetAngleValue(angle);
    ClearCaches();
    Invalidate();
    Changed();
}

// ---------------------------------------------------------------------------------
// Assign

void TLOText::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    const auto* o = dynamic_cast<const TLOText*>(&source);
    if (!o)
        return;
    TFlagScope assigning(FInAssign);
    SetVerticalValue(o->Vertical());
    FAutoSize = o->FAutoSize;
    SetDistortionRatio(o->FDistortionRatio);
    FTextColor->Assign(*o->FTextColor);
    FText->SetText(o->Text());
    FText->SetFont(o->Font());
    FText->SetAlign(o->Align());
    FText->SetCharSpacing(o->CharSpacing());
    FText->SetLineSpacing(o->LineSpacing());
    SetAngleValue(o->Angle());
    FDistortion->Assign(*o->FDistortion);
    SetOutline(o->FOutline);
    FOutlineColor->Assign(*o->FOutlineColor);
    SetOutLineWidth(o->FOutLineWidth);
    SetShadowOffsetX(o->FShadowX);
    SetShadowOffsetY(o->FShadowY);
    FShadowColor->Assign(*o->FShadowColor);
    FText->SetBulge(o->Bulge());
    FFieldNo = o->FFieldNo;
    FFieldType = o->FFieldType;
    FText->SetHanToZen(o->HanToZen());
    FText->SetNumToKnj(o->NumToKnj());
    FText->SetMinusExc(o->MinusExc());
    FText->SetFeedAngle(o->FeedAngleValue());
    FVersion = o->FVersion;
    FRotator.SetCenter(Centre(BaseRect()));
    if (o->FPlainValid) {
        FPlainOutline = o->FPlainOutline;
        FPlainValid = true;
    }
    Invalidate();
    UpdateBounds();
    Changed();
}

void TLOWizardText::AssignDrawObject(const TDrawObject& source)
{
    TLOText::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLOWizardText*>(&source)) {
        FWizInputEnable = o->FWizInputEnable;
        FWizInputCaption = o->FWizInputCaption;
    }
}

void TLOVelmoText::AssignDrawObject(const TDrawObject& source)
{
    TLOWizardText::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLOVelmoText*>(&source))
        FEnableArch = o->FEnableArch;
}

// ---------------------------------------------------------------------------------
// Registration, creation, fields

void RegisterTextClasses()
{
    if (FindLabelClassByName(u"TLOVelmoText"))
        return;
    RegisterLabelClass<TLOVelmoText>();
    // Older documents name the text object by earlier class names.
    UnRegisterLabelClass<TLOText>();
    RegisterLabelAlias<TLOVelmoText>(QStringLiteral("TLOText"));
    RegisterLabelAlias<TLOVelmoText>(QStringLiteral("TLOMirtoText"));
}

std::unique_ptr<TLOVelmoText> MakeTextObject(const QStringList& lines, QPoint topLeft)
{
    auto object = std::make_unique<TLOVelmoText>();
    object->SetBaseRect({topLeft.x(), topLeft.y(), topLeft.x() + 100, topLeft.y() + 100});
    object->SetLines(lines);
    object->SetAutoSize(true);
    object->AutoSizeNow();
    return object;
}

void UpdateFieldTexts(const TDOList& objects, std::initializer_list<TFieldType> kinds,
                      const TFieldLines& lines)
{
    for (TDrawObject* object : objects.Objects()) {
        auto* text = dynamic_cast<TLOText*>(object);
        if (!text || text->FieldNo() == 0)
            continue;
        if (std::find(kinds.begin(), kinds.end(), text->FieldType()) == kinds.end())
            continue;
        QStringList result;
        if (lines && lines(text->FieldType(), text->FieldNo() - 1, result))
            text->SetLines(result);
    }
}

} // namespace velmo
