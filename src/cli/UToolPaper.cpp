#include "cli/UToolPaper.h"
#include "cli/UToolCommands.h"
#include "paper/UPaperInfo.h"
#include "persist/UComponentStream.h"
#include "storage/UDocFile.h"
#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>
#include <cstring>

namespace velmo::tool {
namespace {

// Millimetres as the program shows lengths: sign, value div 10, value mod 10.
QString Millimetres(int units)
{
    const int64_t v = units;
    const int64_t a = v < 0 ? -v : v;
    return QStringLiteral("%1%2.%3mm").arg(v < 0 ? QStringLiteral("-") : QString()).arg(a / 10).arg(a % 10);
}

// A document keeps its paper as a component resource (a resource header before the
// "TPF0" stream); a catalogue keeps each paper as the bare component stream.
std::unique_ptr<TPaperInfo> ReadPaperEitherForm(TStream& stream)
{
    char signature[4] = {};
    const int64_t got = stream.Read(signature, 4);
    stream.SetPosition(0);
    if (got == 4 && memcmp(signature, "TPF0", 4) == 0) {
        std::unique_ptr<TComponent> component = ReadComponent(stream);
        if (auto* paper = dynamic_cast<TPaperInfo*>(component.get())) {
            component.release();
            return std::unique_ptr<TPaperInfo>(paper);
        }
        throw EReadError(InvalidStreamFormatMessage());
    }
    return ReadComponentResourceAs<TPaperInfo>(stream);
}

int Usage(QTextStream& err)
{
    err << "usage: velmo-tool paper FILE PATH [--svg OUT]\n";
    return 2;
}

} // namespace

void ListPaperFaces(const TPaperInfo& paper, QTextStream& out)
{
    out << paper.ClassName() << " \"" << EscapeControls(paper.PaperName()) << "\"";
    if (!paper.GroupName().isEmpty())
        out << " (" << EscapeControls(paper.GroupName()) << ")";
    out << ": " << Millimetres(paper.Width()) << " x " << Millimetres(paper.Height())
        << (paper.Landscape() ? ", landscape" : "") << ", " << paper.GetFaceCount() << " faces\n";
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        const TFaceInfo face = paper.GetFaceInfo(i);
        const TLogRect& r = face.Rect;
        out << i << "\t" << FaceShapeIdent(face.FaceShape) << "\t" << Millimetres(r.Left) << ", "
            << Millimetres(r.Top) << " - " << Millimetres(r.Right) << ", " << Millimetres(r.Bottom) << "\t("
            << Millimetres(r.Width()) << " x " << Millimetres(r.Height()) << ")";
        if (face.FaceMargin != 0)
            out << "\tmargin " << Millimetres(face.FaceMargin);
        if (face.HasHole()) {
            const TLogRect h = face.GetHoleRect();
            out << "\thole " << Millimetres(h.Left) << ", " << Millimetres(h.Top) << " - "
                << Millimetres(h.Right) << ", " << Millimetres(h.Bottom);
        }
        if (!face.FacePurpose.isEmpty())
            out << "\tpurpose " << EscapeControls(face.FacePurpose);
        out << "\n";
    }
    if (paper.HasExcessFaces())
        out << "warning: the paper declares more than " << kMaxFaceCount << " faces\n";
    const int outside = FindFaceOutsidePaper(paper);
    if (outside >= 0)
        out << "warning: face " << outside << ": " << FaceOutsidePaperMessage() << "\n";
    const int overlapping = FindOverlappingFace(paper);
    if (overlapping >= 0)
        out << "warning: face " << overlapping << " overlaps an earlier face\n";
}

bool WritePaperSvg(const TPaperInfo& paper, const QString& fileName)
{
    const int width = std::max(1, paper.Width()), height = std::max(1, paper.Height());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setResolution(254); // one unit is 0.1 mm
    svg.setTitle(paper.PaperName());
    QPainter painter;
    if (!painter.begin(&svg)) {
        ReportError(QStringLiteral("cannot draw the SVG picture"));
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 4));
    painter.setBrush(Qt::white);
    painter.drawRect(QRect(0, 0, width, height));
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        const TFaceInfo face = paper.GetFaceInfo(i);
        // Printable area (bleed included) filled, its outline solid.
        painter.setPen(QPen(QColor(0x20, 0x40, 0xA0), 3));
        painter.setBrush(QColor(0xD8, 0xE4, 0xF8));
        face.DrawOutline(painter, false, false);
        // The hole left blank.
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        face.DrawHole(painter, false);
        // The true cut line where a bleed moves the printable outline off it.
        painter.setPen(QPen(QColor(0xC0, 0x20, 0x20), 3, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        face.DrawCutLine(painter, false);
        if (face.HasHole()) {
            painter.setPen(QPen(QColor(0x20, 0x40, 0xA0), 3));
            face.DrawOutline(painter, false, true); // centre mark over the blank hole
        }
    }
    if (!painter.end())
        return false;
    return WriteOutputFile(fileName, bytes);
}

int CommandPaper(const QStringList& arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList positional;
    QString svgFile;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        if (i >= end) {
            if (i > end)
                positional << arguments[i];
        } else if (arguments[i] == QLatin1String("--svg")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return Usage(err);
            svgFile = arguments[++i];
        } else {
            positional << arguments[i];
        }
    }
    if (positional.size() != 2)
        return Usage(err);
    try {
        RegisterPaperClasses();
        TFileStorage file(positional[0], fmDocRead | fmDocShareDenyWrite);
        TDocStream stream(file, fmDocRead, ElementPathArgument(positional[1]));
        std::unique_ptr<TPaperInfo> paper = ReadPaperEitherForm(stream);
        ListPaperFaces(*paper, out);
        out.flush();
        if (!svgFile.isEmpty() && !WritePaperSvg(*paper, svgFile))
            return 1; // the reason is reported
    } catch (const Exception& e) {
        out.flush();
        err << "velmo-tool: " << e.Message() << "\n";
        return 1;
    }
    return 0;
}

} // namespace velmo::tool
