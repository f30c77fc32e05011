#include "imaging/FClipEditor.h"
#include "base/UFolderHistory.h"

#include "draw/UNotify.h"
#include "imaging/FImagePanels.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace velmo {

namespace {

constexpr TColor kFrameKeyColor = 0xF0F0F0;
constexpr double kHandle = 4.0; // half the size of a handle, in widget pixels

bool MovesLeft(int h)
{
    return h == 1 || h == 7 || h == 8;
}
bool MovesRight(int h)
{
    return h == 3 || h == 4 || h == 5;
}
bool MovesTop(int h)
{
    return h == 1 || h == 2 || h == 3;
}
bool MovesBottom(int h)
{
    return h == 5 || h == 6 || h == 7;
}

QPointF HandlePoint(const QRectF& r, int h)
{
    const double cx = (r.left() + r.right()) / 2, cy = (r.top() + r.bottom()) / 2;
    switch (h) {
    case 1:
        return r.topLeft();
    case 2:
        return {cx, r.top()};
    case 3:
        return r.topRight();
    case 4:
        return {r.right(), cy};
    case 5:
        return r.bottomRight();
    case 6:
        return {cx, r.bottom()};
    case 7:
        return r.bottomLeft();
    default:
        return {r.left(), cy};
    }
}

} // namespace

// ---------------------------------------------------------------------------------
// TClipSite

TClipSite::TClipSite(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(200, 150);
    setMouseTracking(true);
}

TClipSite::~TClipSite() = default;

void TClipSite::SetPicture(const QImage& picture)
{
    FPicture = picture;
    update();
}

void TClipSite::SetFrame(const QRect& frame)
{
    if (FDrag)
        return; // the user's drag wins until it ends
    FFrame = QRectF(frame);
    update();
}

QRect TClipSite::Frame() const
{
    const int l = int(std::lround(FFrame.left())), t = int(std::lround(FFrame.top()));
    const int r = int(std::lround(FFrame.right())), b = int(std::lround(FFrame.bottom()));
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

void TClipSite::SetFace(const TClipFace* face)
{
    FHasFace = face != nullptr && !face->OuterSize.isEmpty();
    if (FHasFace) {
        FFace = *face;
        FFace.Outline.setFillRule(Qt::OddEvenFill);
    }
    update();
}

void TClipSite::SetFramePicture(std::shared_ptr<const TSafetyBitmap> picture)
{
    FFramePicture = std::move(picture);
    update();
}

TClipMode TClipSite::Mode() const
{
    if (FHasFace)
        return TClipMode::cmFace;
    if (FFramePicture && !FFramePicture->Empty())
        return TClipMode::cmFramePicture;
    return TClipMode::cmFree;
}

double TClipSite::Aspect() const
{
    switch (Mode()) {
    case TClipMode::cmFace:
        return FFace.OuterSize.width() / FFace.OuterSize.height();
    case TClipMode::cmFramePicture:
        return double(FFramePicture->Width()) / std::max(1, FFramePicture->Height());
    default:
        return 0;
    }
}

QRectF TClipSite::SiteRect() const
{
    const double mx = FPicture.width() * 0.1, my = FPicture.height() * 0.1;
    return QRectF(-mx, -my, FPicture.width() + 2 * mx, FPicture.height() + 2 * my);
}

double TClipSite::Scale() const
{
    const QRectF site = SiteRect();
    if (site.isEmpty())
        return 1;
    return std::min((width() - 8) / site.width(), (height() - 8) / site.height());
}

QPointF TClipSite::ToWidget(const QPointF& p) const
{
    const QRectF site = SiteRect();
    const double s = Scale();
    const QPointF origin((width() - site.width() * s) / 2, (height() - site.height() * s) / 2);
    return origin + (p - site.topLeft()) * s;
}

QPointF TClipSite::ToPicture(const QPointF& w) const
{
    const QRectF site = SiteRect();
    const double s = Scale();
    const QPointF origin((width() - site.width() * s) / 2, (height() - site.height() * s) / 2);
    return site.topLeft() + (w - origin) / s;
}

int TClipSite::HitTest(const QPointF& w) const
{
    if (FPicture.isNull())
        return 0;
    const QRectF frame(ToWidget(FFrame.topLeft()), ToWidget(FFrame.bottomRight()));
    for (int h = 1; h <= 8; ++h) {
        const QPointF p = HandlePoint(frame, h);
        if (std::abs(w.x() - p.x()) <= kHandle + 1 && std::abs(w.y() - p.y()) <= kHandle + 1)
            return h;
    }
    return frame.contains(w) ? 9 : 0;
}

QRectF TClipSite::Resized(const QRectF& start, int h, const QPointF& d, bool keep) const
{
    double l = start.left(), t = start.top(), r = start.right(), b = start.bottom();
    if (MovesLeft(h))
        l = std::min(l + d.x(), r - 1);
    if (MovesRight(h))
        r = std::max(r + d.x(), l + 1);
    if (MovesTop(h))
        t = std::min(t + d.y(), b - 1);
    if (MovesBottom(h))
        b = std::max(b + d.y(), t + 1);
    const double aspect = Aspect();
    if (!keep || aspect <= 0)
        return QRectF(QPointF(l, t), QPointF(r, b));
    double w = r - l, hh = b - t;
    const bool horizontal = MovesLeft(h) || MovesRight(h);
    const bool vertical = MovesTop(h) || MovesBottom(h);
    if (horizontal && vertical) {
        // A corner: the larger of the two proposals wins, the opposite corner stays.
        if (w / aspect >= hh)
            hh = w / aspect;
        else
            w = hh * aspect;
        if (MovesLeft(h))
            l = r - w;
        else
            r = l + w;
        if (MovesTop(h))
            t = b - hh;
        else
            b = t + hh;
    } else if (horizontal) {
        hh = w / aspect;
        const double cy = (start.top() + start.bottom()) / 2;
        t = cy - hh / 2;
        b = cy + hh / 2;
    } else {
        w = hh * aspect;
        const double cx = (start.left() + start.right()) / 2;
        l = cx - w / 2;
        r = cx + w / 2;
    }
    return QRectF(QPointF(l, t), QPointF(r, b));
}

void TClipSite::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    FDrag = HitTest(event->position());
    FDragStart = ToPicture(event->position());
    FFrameStart = FFrame;
}

void TClipSite::mouseMoveEvent(QMouseEvent* event)
{
    if (!FDrag) {
        static const Qt::CursorShape shapes[] = {
            Qt::ArrowCursor,   Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor,
            Qt::SizeHorCursor, Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor,
            Qt::SizeHorCursor, Qt::SizeAllCursor};
        setCursor(shapes[HitTest(event->position())]);
        return;
    }
    const QPointF delta = ToPicture(event->position()) - FDragStart;
    if (FDrag == 9) {
        FFrame = FFrameStart.translated(delta);
    } else {
        // Face frames always keep their proportions; frame pictures unless Shift is held.
        const bool keep = Mode() == TClipMode::cmFace ||
                          (Mode() == TClipMode::cmFramePicture && !(event->modifiers() & Qt::ShiftModifier));
        FFrame = Resized(FFrameStart, FDrag, delta, keep);
    }
    update();
}

void TClipSite::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !FDrag)
        return;
    FDrag = 0;
    if (FFrame != FFrameStart && OnFrameChanged) {
        const QRect f = Frame();
        OnFrameChanged(f);
    }
    update();
}

void TClipSite::paintEvent(QPaintEvent*)
{
    QImage buffer(size(), QImage::Format_RGB32);
    buffer.fill(palette().color(QPalette::Window));
    QPainter p(&buffer);
    if (!FPicture.isNull()) {
        const QRectF site = SiteRect();
        p.fillRect(QRectF(ToWidget(site.topLeft()), ToWidget(site.bottomRight())), QColor(128, 128, 128));
        const QRectF pictureRect(ToWidget(QPointF(0, 0)),
                                 ToWidget(QPointF(FPicture.width(), FPicture.height())));
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(pictureRect, FPicture);
        const QRectF frame(ToWidget(FFrame.topLeft()), ToWidget(FFrame.bottomRight()));
        if (Mode() == TClipMode::cmFace) {
            QTransform t;
            t.translate(frame.left(), frame.top());
            t.scale(frame.width() / FFace.OuterSize.width(), frame.height() / FFace.OuterSize.height());
            const QPainterPath face = t.map(FFace.Outline);
            QPainterPath whole;
            whole.addRect(frame);
            p.fillPath(whole.subtracted(face), Qt::white);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(Qt::NoBrush);
            p.drawPath(face);
            p.setRenderHint(QPainter::Antialiasing, false);
        } else if (Mode() == TClipMode::cmFramePicture) {
            TAppBitmap frameBitmap;
            frameBitmap.Assign(*FFramePicture);
            frameBitmap.Draw(p, frame.toAlignedRect());
        }
        // The frame and its handles in XOR, visible on any picture.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int h = 1; h <= 8; ++h) {
            const QPointF c = HandlePoint(frame, h);
            p.drawRect(QRectF(c.x() - kHandle + 1, c.y() - kHandle + 1, 2 * kHandle - 1, 2 * kHandle - 1));
        }
    }
    p.end();
    QPainter(this).drawImage(0, 0, buffer);
}

// ---------------------------------------------------------------------------------
// TfrmClipEditor

int ChooseFrameFile(QWidget* parent, bool hasFrame, QString& file)
{
    if (hasFrame) {
        QMenu menu(parent);
        QAction* choose = menu.addAction(QStringLiteral("フレームを選択..."));
        QAction* none = menu.addAction(QStringLiteral("フレームなし"));
        QAction* picked = menu.exec(QCursor::pos());
        if (picked == none)
            return 2;
        if (picked != choose)
            return 0;
    }
    file = QFileDialog::getOpenFileName(parent, QStringLiteral("フレームの選択"),
                                        StartFolder(folderkind::Picture), GraphicFileFilter());
    RememberFolder(folderkind::Picture, file);
    return file.isEmpty() ? 0 : 1;
}

TfrmClipEditor::TfrmClipEditor(QWidget* parent)
    : QWidget(parent), FListener(std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
          if (kind == nkChanged)
              DataChanged(false);
          else if (kind == nkPictureChanged)
              DataChanged(true);
          else if (kind == nkClipReset)
              Reset();
      }))
{
    setObjectName(QStringLiteral("frmClipEditor"));
    FSite = new TClipSite(this);
    FReset = new QPushButton(QStringLiteral("リセット"), this);
    FFrame = new QPushButton(QStringLiteral("フレーム選択"), this);
    FFrame->setVisible(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FFrame);
    buttons->addWidget(FReset);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FSite, 1);
    layout->addLayout(buttons);
    connect(FReset, &QPushButton::clicked, this, [this] { Reset(); });
    connect(FFrame, &QPushButton::clicked, this, [this] { ChooseFrame(); });
    FSite->OnFrameChanged = [this](const QRect& frame) {
        if (FData)
            FData->ClipFilter()->SetClipRect(
                {frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1});
    };
}

TfrmClipEditor::~TfrmClipEditor()
{
    FListener.reset();
}

void TfrmClipEditor::SetImageData(TImageData* data)
{
    if (FData)
        FListener->StopListening(&FData->Notify());
    FData = data;
    if (FData)
        FListener->ListenTo(&FData->Notify());
    DataChanged(true);
}

void TfrmClipEditor::SetFace(const TClipFace* face)
{
    FHasFace = face != nullptr;
    if (face)
        FFace = *face;
    FSite->SetFace(face);
}

void TfrmClipEditor::SetFrameFile(const QString& file)
{
    if (file.isEmpty()) {
        FFramePicture.reset();
        FSite->SetFramePicture(nullptr);
        return;
    }
    TLoadedPicture loaded = LoadPictureFile(file);
    std::unique_ptr<TSafetyBitmap> bitmap = SafetyBitmapOf(*loaded.Graphic);
    if (!bitmap)
        throw EInvalidGraphic(InvalidBitmapMessage());
    bitmap->SetTransparentColor(loaded.KeyColor != clNone ? loaded.KeyColor : kFrameKeyColor);
    bitmap->SetTransparent(true);
    FFramePicture = std::shared_ptr<const TSafetyBitmap>(std::move(bitmap));
    FSite->SetFramePicture(FFramePicture);
}

void TfrmClipEditor::SetFrameChooserVisible(bool visible)
{
    FFrame->setVisible(visible);
}

void TfrmClipEditor::Reset()
{
    if (!FData)
        return;
    if (FHasFace)
        FData->FitClipToSize(int(std::lround(FFace.OuterSize.width())),
                             int(std::lround(FFace.OuterSize.height())));
    else if (FFramePicture)
        FData->FitClipToSize(FFramePicture->Width(), FFramePicture->Height());
    else
        FData->FitClipToSize(0, 0);
}

void TfrmClipEditor::ChooseFrame()
{
    QString file;
    const int result = FFrameChooser ? FFrameChooser(this, HasFramePicture(), file)
                                     : ChooseFrameFile(this, HasFramePicture(), file);
    if (result == 0)
        return;
    try {
        SetFrameFile(result == 1 ? file : QString());
    } catch (const Exception&) {
        return; // a frame that does not open changes nothing
    }
    if (result == 1)
        Reset();
}

void TfrmClipEditor::DataChanged(bool pictureChanged)
{
    if (!FData) {
        FSite->SetPicture({});
        return;
    }
    if (pictureChanged)
        FSite->SetPicture(PicturePixels(*FData));
    const TClipRect r = FData->ClipFilter()->ClipRect();
    FSite->SetFrame(QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)));
}

} // namespace velmo
