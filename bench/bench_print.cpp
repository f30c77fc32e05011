// The print run to PDF: sheets of a 12-up design (a gradient background, a photo and
// a line of text on every label), banded (24-bit bands at 300 dpi) and unbanded
// (vector), at 10 and 99 sheets (the most one run prints). Counters: the peak resident memory of the run
// (VmHWM, reset before each run), the PDF's size, and time per sheet. Memory must
// not grow with the number of sheets.
#include "document/ULabelData.h"
#include "draw/UCanvas.h"
#include "objects/ULDObjects.h"
#include "objects/ULORectBase.h"
#include "paper/UPaperInfo.h"
#include "print/UPrintSheet.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>

using namespace velmo;

namespace {

// One label: a gradient over the label, a photo-like picture and a line of text.
class TBenchLabel : public TLORectBase
{
    VELMO_DRAW_OBJECT(TBenchLabel, TLORectBase)
public:
    explicit TBenchLabel(TComponent* owner = nullptr) : TLORectBase(owner) {}
    void SetEncloseSize(int w, int h) override
    {
        SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
    }
    void DrawGhost(QPainter& p) override { p.drawRect(QRectF(ToQRect(BaseRect()))); }
    void Paint(QPainter& p) override
    {
        const QRectF r(ToQRect(BaseRect()));
        QLinearGradient gradient(r.topLeft(), r.bottomRight());
        gradient.setColorAt(0, QColor(255, 240, 200));
        gradient.setColorAt(1, QColor(120, 180, 255));
        p.fillRect(r, gradient);
        p.drawImage(QRectF(r.left() + 20, r.top() + 20, r.height() - 40, r.height() - 40), Photo());
        QFont font(QStringLiteral("IPAPGothic"));
        font.setPixelSize(60); // 6 mm
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRectF(r.left() + r.height(), r.top() + 40, r.width() - r.height() - 20, r.height() - 80),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("山田 太郎 様\n東京都千代田区1-2-3"));
    }
    static const QImage& Photo()
    {
        static const QImage photo = [] {
            QImage image(640, 640, QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * y / 64) % 256, (y * 5) % 256));
            return image;
        }();
        return photo;
    }
};

const TPropertyTable& TBenchLabel::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_print";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

std::unique_ptr<TLabelData> TwelveUp()
{
    App();
    RegisterLabelDataClasses();
    if (!FindLabelClass(u"TBenchLabel"))
        RegisterLabelClass<TBenchLabel>();
    TMatrixPaperInfo paper;
    paper.SetPaperName(QStringLiteral("A4 12面"));
    paper.SetPortraitWidth(2100);
    paper.SetPortraitHeight(2970);
    paper.SetFaceCountX(2);
    paper.SetFaceCountY(6);
    paper.SetFaceWidth(864);
    paper.SetFaceHeight(423);
    paper.SetLeftOffset(186);
    paper.SetTopOffset(216);
    auto document = std::make_unique<TLabelData>();
    document->SetPaper(&paper);
    document->SetSeparatelyDesign(false);
    auto* label = new TBenchLabel;
    label->SetBaseRect({0, 0, 864, 423});
    TDOList list;
    list.Add(label);
    document->WriteLabel(0, list);
    list.FreeObjects();
    return document;
}

// Peak resident memory since the last reset, in MiB; resets it afterwards.
double PeakMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    double kib = 0;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            kib = std::stod(line.substr(6));
    return kib / 1024.0;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void PrintToPdf(benchmark::State& state)
{
    const int sheets = int(state.range(0));
    const bool banding = state.range(1) != 0;
    std::unique_ptr<TLabelData> document = TwelveUp();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("bench.pdf"));
    double peak = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        ResetPeak();
        TPdfPrintDevice device(pdf, 300);
        TPhasedProgress progress;
        TPrintSpec spec;
        spec.Copies = sheets;
        spec.PrintFrames = true;
        TPrintSite site(*document, progress, spec);
        site.SetBandingSetting([banding] { return banding; });
        site.PrintRun(device);
        peak = std::max(peak, PeakMiB());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["peak_MiB"] = peak;
    state.counters["pdf_MiB"] = double(QFileInfo(pdf).size()) / (1024.0 * 1024.0);
    state.counters["ms_per_sheet"] = seconds * 1000.0 / (double(sheets) * double(state.iterations()));
}

} // namespace

BENCHMARK(PrintToPdf)
    ->ArgNames({"sheets", "banded"})
    ->Args({10, 0})
    ->Args({99, 0})
    ->Args({10, 1})
    ->Args({99, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
