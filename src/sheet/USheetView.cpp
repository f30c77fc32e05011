#include "sheet/USheetView.h"
#include "base/UNumbers.h"
#include "document/ULabelData.h"
#include "draw/UCanvas.h"
#include "objects/ULOFace.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include <QPainter>

namespace velmo {

namespace {
const QString kSheetList = QStringLiteral("Sheets\\NameList");
const QString kPreviewList = QStringLiteral("Preview");
} // namespace

TSheetPicture::TSheetPicture(TComponent* owner) : TDrawObject(owner)
{
    SetSelectable(false);
    SetMovable(false);
    SetEnabled(false);
}

TSheetPicture::TSheetPicture(TComponent* owner, const TLogRect& rect, const QImage& picture)
    : TSheetPicture(owner)
{
    FRect = rect;
    FPicture = picture;
}

const TPropertyTable& TSheetPicture::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

void TSheetPicture::Paint(QPainter& painter)
{
    if (FPicture.isNull() || FRect.IsEmpty())
        return;
    TCanvasSaver saver(painter);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(ToQRect(FRect)), FPicture);
}

// ---------------------------------------------------------------------------------

void ClearSite(TDrawSite& site)
{
    site.DeletePivots();
    while (site.ObjectCount() > 0)
        delete site.Objects(site.ObjectCount() - 1);
}

void PrepareLabelSite(TDrawSite& site, TLabelData& document, int k)
{
    ClearSite(site);
    TDOList images;
    document.GetPaperImages(k, images);
    for (TDrawObject* object : images.Objects()) {
        TImagePaperInfo::MakeBackgroundObject(*object);
        site.InsertComponent(object);
        site.AddObject(object);
    }
}

bool LabelsRenderSeparately(TLabelData& document)
{
    if (document.SeparatelyDesign())
        return true;
    if (document.LabelCount() == 0 || !document.LabelHasData(0))
        return false;
    TDOList list;
    try {
        document.ReadLabel(0, list);
    } catch (const std::exception&) {
        return false;
    }
    bool varies = false;
    for (TDrawObject* object : list.Objects())
        if (Supports<IDOInsertion>(object) || Supports<IDONumbering>(object))
            varies = true;
    list.FreeObjects();
    return varies;
}

QImage RenderLabelPicture(TLabelData& document, int k, int dpi, const TLabelFill& fill)
{
    const TLogRect rect = document.LabelRect(k);
    if (rect.IsEmpty() || dpi <= 0)
        return {};
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.Scaler()->SetScale(100);
    site.SetLogWidth(rect.Width());
    site.SetLogHeight(rect.Height());
    site.SetColor(clWhite);
    site.SetBorder(false);
    PrepareLabelSite(site, document, k);
    if (document.LabelHasData(k)) {
        TDOList list;
        try {
            document.ReadLabel(k, list);
        } catch (const std::exception&) {
            list.FreeObjects();
        }
        if (fill) {
            try {
                fill(list, k);
            } catch (const std::exception&) {
                // The label shows its design as stored rather than nothing.
            }
        }
        for (TDrawObject* object : list.Objects()) {
            site.InsertComponent(object);
            site.AddObject(object);
        }
    }
    const int w = std::max(1, MulDiv(rect.Width(), dpi, 254));
    const int h = std::max(1, MulDiv(rect.Height(), dpi, 254));
    QImage image(w, h, QImage::Format_RGB32);
    SetImageDPI(image, dpi);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        site.DrawTo(painter, QPoint(0, 0), 100);
    }
    return image.convertToFormat(QImage::Format_RGB888);
}

std::vector<QImage> RenderSheetPictures(TLabelData& document, int dpi, const TLabelFill& fill)
{
    const int n = document.LabelCount();
    std::vector<QImage> pictures(size_t(std::max(0, n)));
    if (n == 0)
        return pictures;
    if (LabelsRenderSeparately(document)) {
        for (int k = 0; k < n; ++k)
            pictures[size_t(k)] = RenderLabelPicture(document, k, dpi, fill);
    } else {
        const QImage shared = RenderLabelPicture(document, 0, dpi, fill);
        for (QImage& picture : pictures)
            picture = shared; // implicitly shared: rendered once
    }
    return pictures;
}

void BuildSheetSite(TDrawSite& site, TLabelData& document, const std::vector<QImage>& pictures,
                    bool faceSelection)
{
    ClearSite(site);
    const TPaperInfo* paper = document.Paper();
    if (!paper)
        return;
    site.SetLogWidth(paper->Width());
    site.SetLogHeight(paper->Height());
    const int n = document.LabelCount();
    for (int k = 0; k < n; ++k) {
        const QImage picture = size_t(k) < pictures.size() ? pictures[size_t(k)] : QImage();
        auto* object = new TSheetPicture(&site, document.LabelRect(k), picture);
        site.AddObject(object);
    }
    AddPaperFaces(&site, *paper, true, false);
    for (int i = 0; TLOFace* face = FaceAt(&site, i); ++i)
        face->SetEnabled(faceSelection);
    ChooseFace(&site, document.CurrentLabelNo());
}

QImage RenderSheetImage(TLabelData& document, int dpi, const TLabelFill& fill)
{
    const TPaperInfo* paper = document.Paper();
    if (!paper || dpi <= 0)
        return {};
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetColor(clWhite);
    site.SetBorder(true);
    BuildSheetSite(site, document, RenderSheetPictures(document, dpi, fill), document.SeparatelyDesign());
    const int w = std::max(1, MulDiv(paper->Width(), dpi, 254));
    const int h = std::max(1, MulDiv(paper->Height(), dpi, 254));
    QImage image(w, h, QImage::Format_RGB32);
    SetImageDPI(image, dpi);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        site.DrawTo(painter, QPoint(0, 0), 100);
    }
    return image;
}

// ---------------------------------------------------------------------------------

TLDPreviewLoader::TLDPreviewLoader(const QString& fileName)
{
    try {
        FRoot = std::make_unique<TFileStorage>(fileName, fmDocRead);
        FSheets = std::make_unique<TDocStorageList>(*FRoot, kSheetList);
    } catch (const std::exception&) {
        FSheets.reset();
        FRoot.reset();
    }
}

TLDPreviewLoader::~TLDPreviewLoader() = default;

bool TLDPreviewLoader::Preview(QImage& picture, int sheet, int k)
{
    if (!FRoot || !FSheets || k < 0)
        return false;
    try {
        if (sheet != FSheet) {
            FPreviews.reset();
            FSheet = sheet;
            if (sheet < 0 || sheet >= FSheets->Count())
                return false;
            const QString list = FSheets->FullPath(sheet) + u'\\' + kPreviewList;
            if (!FRoot->StreamExists(list))
                return false;
            FPreviews = std::make_unique<TDocStreamList>(*FRoot, list);
        }
        if (!FPreviews || !FPreviews->StreamExists(k))
            return false;
        std::unique_ptr<TDocStream> stream = FPreviews->OpenStream(k, fmDocRead);
        stream->SetPosition(0);
        const QByteArray bytes = stream->ReadBytes(stream->Size());
        QImage image;
        if (bytes.isEmpty() || !image.loadFromData(bytes, "BMP"))
            return false;
        picture = image;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool DrawSheetPreview(QImage& picture, const QString& fileName, const TPaperInfo& paper, int zoom, int sheet)
{
    TLDPreviewLoader loader(fileName);
    if (!loader.IsOpen() || zoom <= 0)
        return false;
    const int w = std::max(1, MulDiv(paper.Width(), zoom, 100));
    const int h = std::max(1, MulDiv(paper.Height(), zoom, 100));
    if (int64_t(w) * h > 100'000'000)
        return false;
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(zoom / 100.0, zoom / 100.0);
        for (int k = 0; k < paper.GetFaceCount(); ++k) {
            const TFaceInfo face = paper.GetFaceInfo(k);
            QImage preview;
            if (loader.Preview(preview, sheet, k)) {
                TCanvasSaver saver(painter);
                painter.setClipPath(face.PrintablePath(), Qt::IntersectClip);
                painter.drawImage(QRectF(ToQRect(face.GetOuterRect())), preview);
            }
            TCanvasSaver saver(painter);
            painter.setPen(DevicePixelPen(Qt::black));
            painter.setBrush(Qt::NoBrush);
            face.DrawOutline(painter, false, false);
        }
        painter.resetTransform();
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    }
    picture = image;
    return true;
}

} // namespace velmo
