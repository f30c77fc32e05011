#include "objects/UFaceDesign.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOInterfaces.h"
#include "draw/UPainterState.h"
#include "paper/UFaceInfo.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace velmo {

void TurnDesignToLandscape(TDOList& objects, int portraitWidth)
{
    for (TDrawObject* object : objects.Objects()) {
        if (IDOEncloseBounds* bounds = Supports<IDOEncloseBounds>(object)) {
            const QPoint c = RectCenter(bounds->GetEncloseBounds());
            const QPoint turned(c.y(), portraitWidth - c.x());
            bounds->MoveBy(turned.x() - c.x(), turned.y() - c.y());
        }
        if (IDORotate* rotate = Supports<IDORotate>(object))
            rotate->SetAngle(((rotate->GetAngle() - 90) % 360 + 360) % 360);
    }
}

void DrawFacePicture(QPainter& painter, const TFaceInfo& face, const TFacePicture& picture)
{
    if (picture.IsNull())
        return;
    TCanvasSaver saver(painter);
    painter.setClipPath(face.PrintablePath(), Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const TLogRect outer = face.GetOuterRect();
    DrawSharedImage(painter, QRectF(outer.Left, outer.Top, picture.Size.width(), picture.Size.height()),
                    picture.Image);
}

int SitePaperDPI(const TDrawSite& site)
{
    const double ratio = std::max(1.0, site.devicePixelRatioF());
    return std::max(1, int(std::lround(site.SiteDPI() * ratio * site.Scaler()->Scale() / 100.0)));
}

// ---------------------------------------------------------------------------------

TFaceDesigns::TFaceDesigns() = default;
TFaceDesigns::~TFaceDesigns() = default;

void TFaceDesigns::SetDesigns(const TImagePaperInfo* designs)
{
    std::unique_ptr<TImagePaperInfo> copy;
    if (designs) {
        copy = std::make_unique<TImagePaperInfo>();
        copy->Assign(*designs);
    }
    TakeDesigns(std::move(copy));
}

void TFaceDesigns::TakeDesigns(std::unique_ptr<TImagePaperInfo> designs)
{
    FDesigns = std::move(designs);
    FCache.clear();
}

bool TFaceDesigns::IsEmpty() const
{
    return !FDesigns || FDesigns->IsEmpty();
}

int TFaceDesigns::DesignIndex(int k) const
{
    if (!FDesigns || k < 0)
        return -1;
    const int design = FDesigns->SeparatelyDesign() ? k : 0;
    return design < FDesigns->FaceCount() ? design : -1;
}

TFacePicture TFaceDesigns::Picture(const TPaperInfo& paper, int k, int dpi)
{
    if (k < 0 || k >= paper.GetFaceCount())
        return {};
    const TLogRect rect = paper.GetPrintRect(k);
    return Picture(k, QSize(rect.Width(), rect.Height()), paper.Landscape(), dpi);
}

TFacePicture TFaceDesigns::Picture(int k, QSize labelSize, bool landscape, int dpi)
{
    const int design = DesignIndex(k);
    if (design < 0 || FDesigns->Faces(design).Count() == 0 || labelSize.width() <= 0 ||
        labelSize.height() <= 0 || dpi <= 0)
        return {};
    const TKey key{design, labelSize.width(), labelSize.height(), landscape, dpi};
    if (auto found = FCache.find(key); found != FCache.end())
        return found->second;
    // A paper whose labels come in many sizes must not keep every size it was shown at.
    if (FCache.size() >= 512)
        FCache.clear();
    TFacePicture picture = Render(design, labelSize, landscape, dpi);
    FCache.emplace(key, picture);
    return picture;
}

TFacePicture TFaceDesigns::Render(int design, QSize labelSize, bool landscape, int dpi)
{
    // The label's pixels at dpi; a huge label at a high zoom gets fewer.
    double pixelsPerUnit = dpi / 254.0;
    const double pixels = labelSize.width() * pixelsPerUnit * labelSize.height() * pixelsPerUnit;
    if (pixels > double(kMaxFacePicturePixels))
        pixelsPerUnit *= std::sqrt(double(kMaxFacePicturePixels) / pixels);
    const int drawDpi = std::max(1, int(std::floor(pixelsPerUnit * 254.0)));
    const int w = std::max(1, int(std::ceil(labelSize.width() * (drawDpi / 254.0))));
    const int h = std::max(1, int(std::ceil(labelSize.height() * (drawDpi / 254.0))));

    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.Scaler()->SetScale(100);
    site.SetLogWidth(labelSize.width());
    site.SetLogHeight(labelSize.height());
    site.SetBorder(false);
    site.SetColor(clNone);
    TDOList copies;
    try {
        CopyDrawObjects(FDesigns->Faces(design), copies);
    } catch (const std::exception&) {
        copies.FreeObjects();
        return {};
    }
    if (landscape)
        TurnDesignToLandscape(copies, labelSize.height());
    for (TDrawObject* object : copies.Objects()) {
        TImagePaperInfo::MakeBackgroundObject(*object);
        site.InsertComponent(object);
        site.AddObject(object);
    }
    copies.Clear();

    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    SetImageDPI(image, drawDpi);
    image.fill(Qt::transparent);
    try {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        site.DrawTo(painter, QPoint(0, 0), 100);
    } catch (const std::exception&) {
        return {};
    }
    ++FRendered;
    return {image, labelSize};
}

} // namespace velmo
