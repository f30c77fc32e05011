#include "PrintTestSupport.h"
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "draw/UCanvas.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "support/TestSupport.h"
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace velmo::test {

const TPropertyTable& TPrintTestRect::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Color", &TPrintTestRect::Color, &TPrintTestRect::SetColor);
    return table;
}

void TPrintTestRect::SetColor(int value)
{
    if (value == kDamagedColor && IsReading())
        throw EReadError(QStringLiteral("damaged design"));
    FColor = value;
}

void TPrintTestRect::SetEncloseSize(int w, int h)
{
    SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
}

void TPrintTestRect::DrawGhost(QPainter& painter)
{
    painter.drawRect(QRectF(ToQRect(BaseRect())));
}

void TPrintTestRect::Paint(QPainter& painter)
{
    painter.fillRect(QRectF(ToQRect(BaseRect())), ToQColor(FColor));
}

void TPrintTestRect::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TPrintTestRect*>(&source))
        FColor = o->FColor;
}

void RegisterPrintTestObjects()
{
    RegisterLabelDataClasses();
    RegisterLabelClass<TPrintTestRect>();
    RegisterLabelClass<TDOGroup>();
}

std::unique_ptr<TMatrixPaperInfo> TwelveUpPaper()
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("印刷テスト A4 12面"));
    paper->SetGroupName(QStringLiteral("テスト"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(6);
    paper->SetFaceWidth(864);
    paper->SetFaceHeight(423);
    paper->SetLeftOffset(186);
    paper->SetTopOffset(216);
    return paper;
}

std::unique_ptr<TMatrixPaperInfo> CdPaper(int margin)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("印刷テスト CD 2面"));
    paper->SetGroupName(QStringLiteral("テスト"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(1);
    paper->SetFaceCountY(2);
    paper->SetFaceWidth(1170);
    paper->SetFaceHeight(1170);
    paper->SetLeftOffset(465);
    paper->SetTopOffset(215);
    paper->SetBottomMargin(200);
    paper->SetFaceShape(fsDoughnut);
    paper->SetCutCenterWidth(410);
    paper->SetCutCenterHeight(410);
    paper->SetFaceMargin(margin);
    return paper;
}

std::unique_ptr<TLabelData> FilledDocument(const TPaperInfo& paper, int color, int inset,
                                           const std::vector<int>& positions)
{
    RegisterPrintTestObjects();
    auto document = std::make_unique<TLabelData>();
    document->SetPaper(&paper);
    document->SetSeparatelyDesign(true);
    std::vector<int> which = positions;
    if (which.empty())
        for (int k = 0; k < document->LabelCount(); ++k)
            which.push_back(k);
    for (int k : which) {
        const TLogRect rect = document->LabelRect(k);
        auto* r = new TPrintTestRect;
        // Designs are stored relative to their label; the bleed is covered too, so
        // that the clip alone decides the printed shape.
        r->SetBaseRect({inset, inset, rect.Width() - inset, rect.Height() - inset});
        r->SetColor(color);
        TDOList list;
        list.Add(r);
        document->WriteLabel(k, list);
        list.FreeObjects();
    }
    document->SetModified(false);
    return document;
}

// ---------------------------------------------------------------------------------

void TImagePrintDevice::SetPaper(QSize portrait, bool landscape)
{
    Portrait = portrait;
    Landscape = landscape;
}

void TImagePrintDevice::StartPage()
{
    const QSize paper = Landscape ? Portrait.transposed() : Portrait;
    const int w = MulDiv(paper.width(), FDpi, 254) - FPhysical.x();
    const int h = MulDiv(paper.height(), FDpi, 254) - FPhysical.y();
    Pages.emplace_back(w, h, QImage::Format_RGB32);
    SetImageDPI(Pages.back(), FDpi);
    Pages.back().fill(Qt::white);
    FPainter = std::make_unique<QPainter>(&Pages.back());
}

void TImagePrintDevice::BeginDoc()
{
    Pages.reserve(200); // painters hold pointers into the vector
    StartPage();
    FPrinting = true;
    FPageCount = 1;
}

void TImagePrintDevice::NewPage()
{
    FPainter.reset();
    StartPage();
    ++FPageCount;
}

void TImagePrintDevice::EndDoc()
{
    FPainter.reset();
    FPrinting = false;
    Ended = true;
}

void TImagePrintDevice::Abort()
{
    FPainter.reset();
    FPrinting = false;
    Aborted = true;
}

// ---------------------------------------------------------------------------------

bool IsInk(QRgb pixel)
{
    return qRed(pixel) < 230 || qGreen(pixel) < 230 || qBlue(pixel) < 230;
}

QImage RasterisePdf(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                         QString::number(page), QStringLiteral("-l"), QString::number(page),
                                         QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, prefix});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

bool PdfInfo(const QString& pdf, int& pages, QSizeF& pageSizePoints)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return false;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const auto pagesMatch = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    const auto sizeMatch =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(out);
    if (!pagesMatch.hasMatch() || !sizeMatch.hasMatch())
        return false;
    pages = pagesMatch.captured(1).toInt();
    pageSizePoints = QSizeF(sizeMatch.captured(1).toDouble(), sizeMatch.captured(2).toDouble());
    return true;
}

namespace {

// The printable areas painted at dpi: grown (pen around the outline) or shrunk.
QImage FaceMask(const TPaperInfo& paper, QSize size, int dpi, int tolerance, QPoint shift, int only = -1)
{
    QImage mask(size, QImage::Format_Grayscale8);
    mask.fill(0);
    QPainter p(&mask);
    p.translate(shift);
    p.scale(dpi / 254.0, dpi / 254.0);
    const double grow = 2.0 * tolerance * 254.0 / dpi;
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        if (only >= 0 && i != only)
            continue;
        const TFaceInfo face = paper.GetFaceInfo(i);
        QPainterPath outer;
        outer.addPath(face.OuterPath());
        p.setPen(tolerance > 0 ? QPen(Qt::white, grow) : Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(outer);
        if (face.HasHole()) {
            // The hole, shrunk by the tolerance: ink there is a fault.
            p.setPen(tolerance > 0 ? QPen(Qt::white, grow) : Qt::NoPen);
            p.setBrush(Qt::black);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            QPainterPath hole = face.PrintHolePath();
            p.drawPath(hole);
            if (tolerance > 0) {
                p.setBrush(Qt::NoBrush);
                p.drawPath(hole);
            }
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
    return mask;
}

} // namespace

int64_t InkOutsideFaces(const QImage& page, const TPaperInfo& paper, int dpi, int tolerance, QPoint shift)
{
    const QImage mask = FaceMask(paper, page.size(), dpi, tolerance, shift);
    int64_t outside = 0;
    for (int y = 0; y < page.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        const uchar* m = mask.constScanLine(y);
        for (int x = 0; x < page.width(); ++x)
            if (IsInk(row[x]) && m[x] == 0)
                ++outside;
    }
    return outside;
}

double FaceInkCoverage(const QImage& page, const TPaperInfo& paper, int i, int dpi, QPoint shift)
{
    const QImage mask = FaceMask(paper, page.size(), dpi, 0, shift, i);
    int64_t area = 0, ink = 0;
    for (int y = 0; y < page.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        const uchar* m = mask.constScanLine(y);
        for (int x = 0; x < page.width(); ++x)
            if (m[x] > 128) {
                ++area;
                if (IsInk(row[x]))
                    ++ink;
            }
    }
    return area ? double(ink) / double(area) : 0.0;
}

} // namespace velmo::test
