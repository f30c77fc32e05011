#include "print/UPrintOutlines.h"
#include "paper/UFaceInfo.h"
#include "paper/UPaperInfo.h"
#include "print/UPrinter.h"
#include <QPen>

namespace velmo {

void PrintPaperOutlines(TPrintDevice& device, const TPaperInfo& paper)
{
    device.SetPaper(QSize(paper.PortraitWidth(), paper.PortraitHeight()), false);
    device.SetTitle(paper.PaperName());
    device.BeginDoc();
    try {
        QPainter& canvas = device.Canvas();
        canvas.save();
        // Tenths of a millimetre to device pixels, from the paper's corner.
        const QPoint offset = device.PhysicalOffset();
        canvas.translate(-offset.x(), -offset.y());
        const double scale = device.DPI() / 254.0;
        canvas.scale(scale, scale);
        canvas.setBrush(Qt::NoBrush);
        const int count = std::min(paper.GetFaceCount(), kMaxFaceCount);
        for (int i = 0; i < count; ++i) {
            TFaceInfo face = paper.GetFaceInfo(i);
            canvas.setPen(QPen(Qt::black, 2, Qt::SolidLine));
            face.DrawOutline(canvas, false, false);
            canvas.setPen(QPen(Qt::black, 2, Qt::DotLine));
            face.DrawCutLine(canvas, false);
        }
        canvas.restore();
        device.EndDoc();
    } catch (...) {
        device.Abort();
        throw;
    }
}

void PrintPaperOutlinesToPdf(const QString& fileName, const TPaperInfo& paper)
{
    TPdfPrintDevice device(fileName, 300);
    PrintPaperOutlines(device, paper);
}

} // namespace velmo
