#include "cli/UToolPaperDesigns.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "document/UPaperDesigns.h"
#include "draw/UCanvas.h"
#include "objects/ULOFace.h"
#include "paper/UFaceInfo.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include <QFileInfo>
#include <QPainter>
#include <QTextStream>
#include <algorithm>

namespace velmo::tool {

namespace {

int Usage()
{
    ReportError(QStringLiteral(
        "usage: velmo-tool paper-designs CATALOGUE PAPER [--from FILE.lbd | --remove]\n"
        "                              [--png OUT.png [--dpi N] [--landscape]]\n"
        "  (no option)       the labels that carry designs and their object counts\n"
        "  --from FILE.lbd   the work file's label designs become the paper's background designs\n"
        "  --remove          the paper carries no background designs any more\n"
        "  --png OUT.png     the sheet with its designs as the paper selection shows it (96 dpi)"));
    return kExitUsage;
}

std::unique_ptr<TImagePaperInfo> FindDesigns(const TVelmoPapers& papers, const QString& name)
{
    std::unique_ptr<TExtraPaperInfo> record = papers.FindRecord(TVelmoPapers::PaperImagesBaseName(), name);
    if (auto* images = dynamic_cast<TImagePaperInfo*>(record.get())) {
        record.release();
        return std::unique_ptr<TImagePaperInfo>(images);
    }
    return nullptr;
}

QImage DrawSheet(const TPaperInfo& catalogued, const TImagePaperInfo* designs, bool landscape, int dpi)
{
    std::unique_ptr<TPaperInfo> paper = catalogued.Clone();
    paper->SetLandscape(landscape);
    TPaperSite site;
    site.SetColor(clWhite);
    site.SetPaper(paper.get());
    // The designs are drawn at the resolution of the picture.
    site.Scaler()->SetScale(std::max(1, dpi * 100 / std::max(1, site.SiteDPI())));
    site.SetDesigns(designs);
    const int w = std::max(1, MulDiv(paper->Width(), dpi, 254));
    const int h = std::max(1, MulDiv(paper->Height(), dpi, 254));
    QImage image(w, h, QImage::Format_RGB32);
    SetImageDPI(image, dpi);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        site.DrawTo(painter, QPoint(0, 0), 100);
        // Each face keeps to its own rectangle, which leaves outlines on the edges of
        // those rectangles to the rounding of the resolution: drawn again whole.
        painter.save();
        painter.scale(dpi / 254.0, dpi / 254.0);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(DevicePixelPen(Qt::black));
        for (int i = 0; i < paper->GetFaceCount(); ++i)
            paper->GetFaceInfo(i).DrawOutline(painter, false, false);
        painter.restore();
        // The sheet's edge.
        painter.setPen(Qt::black);
        painter.drawRect(0, 0, w - 1, h - 1);
    }
    site.SetPaper(nullptr);
    return image;
}

} // namespace

int CommandPaperDesigns(const QStringList& given)
{
    const QStringList arguments = given;
    if (arguments.size() < 2 || arguments[0].startsWith(u'-') || arguments[1].startsWith(u'-'))
        return Usage();
    const QString file = arguments[0];
    const QString name = arguments[1];
    QString from, png;
    bool remove = false, landscape = false;
    int dpi = 96;
    for (int i = 2; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--from" && i + 1 < arguments.size() && from.isEmpty())
            from = arguments[++i];
        else if (a == u"--png" && i + 1 < arguments.size() && png.isEmpty())
            png = arguments[++i];
        else if (a == u"--dpi" && i + 1 < arguments.size()) {
            if (!ToInt(arguments[++i], &dpi, 10, 600))
                return Usage();
        } else if (a == u"--remove")
            remove = true;
        else if (a == u"--landscape")
            landscape = true;
        else
            return Usage();
    }
    if (remove && !from.isEmpty())
        return Usage();
    if (!QFileInfo(file).isFile()) {
        ReportError(QStringLiteral("%1: no such file").arg(file));
        return kExitFailure;
    }
    const bool changes = remove || !from.isEmpty();
    QTextStream out(stdout);
    try {
        RegisterCatalogueClasses();
        TVelmoPapers papers(file, !changes);
        try {
            const int index = papers.IndexOfName(name);
            if (index < 0) {
                papers.Discard();
                ReportError(QStringLiteral("%1: no paper named %2").arg(file, EscapeControls(name)));
                return kExitFailure;
            }
            const TPaperInfo& paper = *papers.Paper(index);
            std::unique_ptr<TImagePaperInfo> designs;
            if (!from.isEmpty()) {
                try {
                    designs = DesignsFromFile(from, name);
                } catch (const std::exception& error) {
                    papers.Discard();
                    ReportError(QStringLiteral("%1: %2").arg(from, ExceptionText(error)));
                    return kExitFailure;
                }
                // Storing an empty record removes the paper's designs.
                papers.StoreRecord(TVelmoPapers::PaperImagesBaseName(), *designs);
            } else if (remove) {
                TImagePaperInfo none;
                none.SetPaperName(name);
                papers.StoreRecord(TVelmoPapers::PaperImagesBaseName(), none);
            } else {
                designs = FindDesigns(papers, name);
            }
            int carrying = 0;
            if (designs)
                for (int i = 0; i < designs->FaceCount(); ++i)
                    if (designs->Faces(i).Count() > 0) {
                        ++carrying;
                        out << "label\t" << i << '\t' << designs->Faces(i).Count() << '\n';
                    }
            out << "designs\t" << carrying << '\t'
                << (designs && designs->SeparatelyDesign() ? "separate" : "shared") << '\n';
            out.flush();
            if (!png.isEmpty() && !WritePngFile(png, DrawSheet(paper, designs.get(), landscape, dpi))) {
                papers.Discard();
                return kExitFailure;
            }
        } catch (...) {
            papers.Discard();
            throw;
        }
        if (changes)
            papers.Close();
        return kExitOk;
    } catch (const std::exception& error) {
        out.flush();
        ReportError(QStringLiteral("%1: %2").arg(file, ExceptionText(error)));
        return kExitFailure;
    }
}

} // namespace velmo::tool
