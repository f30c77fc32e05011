#include "paper/UTemplateImport.h"
#include "base/UCodePage932.h"
#include "base/UExceptions.h"
#include "paper/UPaperRecords.h"
#include "paper/UPapers.h"
#include "paper/UVelmoPapers.h"
#include <QXmlStreamReader>
#include <array>
#include <cmath>
#include <map>

namespace velmo {

namespace {

// Sheet sizes the template files name instead of giving width and height (the ISO
// and North American standard sizes), in millimetres.
struct TNamedSize
{
    const char* Id;
    double Width, Height;
};
constexpr TNamedSize kSizes[] = {
    {"A3", 297, 420},           {"A4", 210, 297},
    {"A5", 148, 210},           {"A6", 105, 148},
    {"B4", 250, 353},           {"B5", 176, 250},
    {"SRA3", 320, 450},         {"US-Letter", 215.9, 279.4},
    {"US-Legal", 215.9, 355.6}, {"US-Executive", 184.15, 266.7},
};

// A length in tenths of a millimetre, as the catalogue stores lengths.
int Tenths(double millimetres)
{
    return int(std::lround(millimetres * 10.0));
}

// Grown by this much, a label still counts as inside the sheet: the template files
// round their lengths (inches to hundredths), and a label flush with the edge may then
// lie a hair outside it.
constexpr double kEdgeTolerance = 0.15;

struct TFrame
{
    TFaceShape Shape = fsRect;
    double Width = 0, Height = 0;
    double CornerRadius = 0, HoleDiameter = 0;
    QString PurposeId;
};

} // namespace

bool TTemplateImporter::ParseLength(const QString& text, double& millimetres)
{
    QString t = text.trimmed();
    double factor = 25.4 / 72.0;
    static const std::pair<const char*, double> units[] = {
        {"mm", 1.0}, {"cm", 10.0}, {"in", 25.4}, {"pt", 25.4 / 72.0}};
    for (const auto& [unit, f] : units) {
        if (t.endsWith(QLatin1String(unit))) {
            t.chop(2);
            factor = f;
            break;
        }
    }
    bool ok = false;
    const double value = t.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > 100000)
        return false;
    millimetres = value * factor;
    return true;
}

void TTemplateImporter::AddFile(const QString& fileName, const QByteArray& contents)
{
    std::vector<TRaw> found;
    QXmlStreamReader xml(contents);
    TRaw* current = nullptr;
    int frameDepth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            const QXmlStreamAttributes a = xml.attributes();
            if (name == u"Template") {
                found.emplace_back();
                current = &found.back();
                current->File = fileName;
                current->Brand = a.value(QLatin1String("brand")).toString().trimmed();
                current->Part = a.value(QLatin1String("part")).toString().trimmed();
                current->Description = a.hasAttribute(QLatin1String("_description"))
                                           ? a.value(QLatin1String("_description")).toString()
                                           : a.value(QLatin1String("description")).toString();
                current->Size = a.value(QLatin1String("size")).toString();
                current->Width = a.value(QLatin1String("width")).toString();
                current->Height = a.value(QLatin1String("height")).toString();
                current->Equiv = a.value(QLatin1String("equiv")).toString();
                frameDepth = 0;
            } else if (current && name == u"Meta") {
                if (a.hasAttribute(QLatin1String("category")))
                    current->Categories.append(a.value(QLatin1String("category")).toString());
            } else if (current && name.startsWith(u"Label-")) {
                ++current->FrameCount;
                ++frameDepth;
                if (current->FrameCount == 1) {
                    current->FrameKind = name.toString();
                    current->FrameWidth = a.value(QLatin1String("width")).toString();
                    current->FrameHeight = a.value(QLatin1String("height")).toString();
                    current->Round = a.value(QLatin1String("round")).toString();
                    current->Radius = a.value(QLatin1String("radius")).toString();
                    current->Hole = a.value(QLatin1String("hole")).toString();
                }
            } else if (current && frameDepth > 0 && current->FrameCount == 1 && name == u"Layout") {
                TLayout layout;
                layout.Nx = a.value(QLatin1String("nx")).toInt();
                layout.Ny = a.value(QLatin1String("ny")).toInt();
                layout.X0 = a.value(QLatin1String("x0")).toString();
                layout.Y0 = a.value(QLatin1String("y0")).toString();
                layout.Dx = a.value(QLatin1String("dx")).toString();
                layout.Dy = a.value(QLatin1String("dy")).toString();
                current->Layouts.push_back(layout);
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == u"Template")
                current = nullptr;
            else if (xml.name().startsWith(u"Label-") && frameDepth > 0)
                --frameDepth;
        }
    }
    if (xml.hasError())
        throw EFileError(QStringLiteral("%1: not a template file (line %2: %3)")
                             .arg(fileName)
                             .arg(xml.lineNumber())
                             .arg(xml.errorString()));
    for (TRaw& raw : found)
        FTemplates.push_back(std::move(raw));
}

std::vector<TImportedTemplate> TTemplateImporter::Convert() const
{
    std::map<std::pair<QString, QString>, const TRaw*> byPart;
    for (const TRaw& raw : FTemplates)
        if (raw.Equiv.isEmpty())
            byPart[{raw.Brand, raw.Part}] = &raw;
    std::vector<TImportedTemplate> result;
    for (const TRaw& raw : FTemplates) {
        if (raw.Equiv.isEmpty()) {
            result.push_back(ConvertOne(raw));
            continue;
        }
        const auto it = byPart.find({raw.Brand, raw.Equiv});
        if (it == byPart.end()) {
            TImportedTemplate refused;
            refused.Brand = raw.Brand;
            refused.Part = raw.Part;
            refused.Refusal = QStringLiteral("equivalent template %1 %2 not found").arg(raw.Brand, raw.Equiv);
            result.push_back(std::move(refused));
            continue;
        }
        // An equivalent is the same sheet under another number: its own name, the
        // geometry of the one it names.
        TRaw copy = *it->second;
        copy.Part = raw.Part;
        if (!raw.Categories.isEmpty())
            copy.Categories = raw.Categories;
        if (!raw.Description.isEmpty())
            copy.Description = raw.Description;
        result.push_back(ConvertOne(copy));
    }
    return result;
}

TImportedTemplate TTemplateImporter::ConvertOne(const TRaw& raw) const
{
    TImportedTemplate out;
    out.Brand = raw.Brand;
    out.Part = raw.Part;
    out.Description = raw.Description;
    auto refuse = [&out](const QString& why) {
        out.Refusal = why;
        out.Paper.reset();
        return std::move(out);
    };
    if (raw.Brand.isEmpty() || raw.Part.isEmpty())
        return refuse(QStringLiteral("template without brand or part number"));

    // The sheet.
    double sheetW = 0, sheetH = 0;
    bool sized = false;
    for (const TNamedSize& s : kSizes)
        if (raw.Size == QLatin1String(s.Id)) {
            sheetW = s.Width;
            sheetH = s.Height;
            sized = true;
        }
    if (!sized) {
        if (raw.Size != u"Other" && !raw.Size.isEmpty())
            return refuse(QStringLiteral("unknown sheet size \"%1\"").arg(raw.Size));
        if (!ParseLength(raw.Width, sheetW) || !ParseLength(raw.Height, sheetH))
            return refuse(QStringLiteral("sheet size missing or not a length"));
    }
    if (Tenths(sheetW) <= 0 || Tenths(sheetH) <= 0)
        return refuse(QStringLiteral("sheet size is zero"));

    // The label frame. Round labels and CD labels give radii, rectangles a corner
    // radius; the catalogue keeps diameters and the size of the rounding ellipse.
    if (raw.FrameCount == 0)
        return refuse(QStringLiteral("no label frame"));
    if (raw.FrameCount > 1)
        return refuse(QStringLiteral("several label frames on one sheet"));
    TFrame frame;
    const QString& kind = raw.FrameKind;
    if (kind == u"Label-continuous")
        return refuse(QStringLiteral("continuous roll: only cut sheets can be printed"));
    if (kind == u"Label-rectangle") {
        if (!ParseLength(raw.FrameWidth, frame.Width) || !ParseLength(raw.FrameHeight, frame.Height))
            return refuse(QStringLiteral("label size missing or not a length"));
        if (!raw.Round.isEmpty() && !ParseLength(raw.Round, frame.CornerRadius))
            return refuse(QStringLiteral("corner radius is not a length"));
        frame.Shape = Tenths(frame.CornerRadius) > 0 ? fsRoundRect : fsRect;
    } else if (kind == u"Label-round") {
        double radius = 0;
        if (!ParseLength(raw.Radius, radius))
            return refuse(QStringLiteral("radius missing or not a length"));
        frame.Width = frame.Height = 2 * radius;
        frame.Shape = fsEllipse;
    } else if (kind == u"Label-ellipse") {
        if (!ParseLength(raw.FrameWidth, frame.Width) || !ParseLength(raw.FrameHeight, frame.Height))
            return refuse(QStringLiteral("label size missing or not a length"));
        frame.Shape = fsEllipse;
    } else if (kind == u"Label-cd") {
        double radius = 0, hole = 0;
        if (!ParseLength(raw.Radius, radius) || !ParseLength(raw.Hole, hole))
            return refuse(QStringLiteral("CD radius or hole missing or not a length"));
        frame.Width = frame.Height = 2 * radius;
        frame.HoleDiameter = 2 * hole;
        double w = 0, h = 0;
        const bool clippedW =
            !raw.FrameWidth.isEmpty() && ParseLength(raw.FrameWidth, w) && Tenths(w) < Tenths(2 * radius);
        const bool clippedH =
            !raw.FrameHeight.isEmpty() && ParseLength(raw.FrameHeight, h) && Tenths(h) < Tenths(2 * radius);
        if (clippedW || clippedH) {
            // A disc cut straight on two sides: the barrel-shaped CD label.
            if (clippedW)
                frame.Width = w;
            if (clippedH)
                frame.Height = h;
            frame.Shape = fsBarrelCD;
        } else {
            frame.Shape = fsDoughnut;
            frame.PurposeId = QStringLiteral("CD");
        }
    } else {
        return refuse(QStringLiteral("label shape %1 is not supported").arg(kind));
    }
    const int faceW = Tenths(frame.Width), faceH = Tenths(frame.Height);
    if (faceW <= 0 || faceH <= 0)
        return refuse(QStringLiteral("label size is zero"));
    const int corner = Tenths(2 * frame.CornerRadius);
    if (frame.Shape == fsRoundRect && corner > std::min(faceW, faceH))
        return refuse(QStringLiteral("corner radius %1 mm is larger than half the label")
                          .arg(frame.CornerRadius, 0, 'f', 1));
    const int holeD = Tenths(frame.HoleDiameter);
    if (frame.Shape == fsDoughnut || frame.Shape == fsBarrelCD) {
        if (holeD <= 0)
            return refuse(QStringLiteral("CD label without a hole"));
        if (holeD > std::min(faceW, faceH) - 20)
            return refuse(QStringLiteral("CD hole %1 mm leaves no ring to print on")
                              .arg(frame.HoleDiameter, 0, 'f', 1));
    }

    // The layouts: where every label lies, checked in millimetres before rounding.
    if (raw.Layouts.empty())
        return refuse(QStringLiteral("no layout"));
    struct TPlace
    {
        double X, Y;
    };
    std::vector<TPlace> places;
    std::vector<std::array<double, 4>> layoutValues;
    qint64 total = 0;
    for (const TLayout& layout : raw.Layouts) {
        double x0 = 0, y0 = 0, dx = 0, dy = 0;
        if (layout.Nx <= 0 || layout.Ny <= 0)
            return refuse(QStringLiteral("layout without labels"));
        if (!ParseLength(layout.X0, x0) || !ParseLength(layout.Y0, y0) ||
            (!layout.Dx.isEmpty() && !ParseLength(layout.Dx, dx)) ||
            (!layout.Dy.isEmpty() && !ParseLength(layout.Dy, dy)))
            return refuse(QStringLiteral("layout position is not a length"));
        total += qint64(layout.Nx) * layout.Ny;
        if (total > kMaxFaceCount)
            return refuse(QStringLiteral("more than %1 labels on one sheet").arg(kMaxFaceCount));
        if ((layout.Nx > 1 && dx + 0.05 < frame.Width) || (layout.Ny > 1 && dy + 0.05 < frame.Height))
            return refuse(QStringLiteral("labels overlap (step smaller than the label)"));
        for (int row = 0; row < layout.Ny; ++row)
            for (int column = 0; column < layout.Nx; ++column)
                places.push_back({x0 + column * dx, y0 + row * dy});
        layoutValues.push_back({x0, y0, dx, dy});
    }
    for (const TPlace& p : places)
        if (p.X + frame.Width > sheetW + kEdgeTolerance || p.Y + frame.Height > sheetH + kEdgeTolerance)
            return refuse(QStringLiteral("labels run off the %1 × %2 mm sheet")
                              .arg(sheetW, 0, 'f', 1)
                              .arg(sheetH, 0, 'f', 1));
    if (raw.Layouts.size() > 1) {
        // Labels of different layouts may still meet: compared by their boxes.
        for (size_t i = 0; i < places.size(); ++i)
            for (size_t j = i + 1; j < places.size(); ++j) {
                const double ox =
                    std::min(places[i].X, places[j].X) + frame.Width - std::max(places[i].X, places[j].X);
                const double oy =
                    std::min(places[i].Y, places[j].Y) + frame.Height - std::max(places[i].Y, places[j].Y);
                if (ox <= 0.05 || oy <= 0.05)
                    continue;
                if (frame.Shape == fsEllipse && frame.Width == frame.Height) {
                    // Round labels packed in staggered rows share box corners only.
                    const double ddx = places[i].X - places[j].X, ddy = places[i].Y - places[j].Y;
                    if (std::sqrt(ddx * ddx + ddy * ddy) + 0.05 >= frame.Width)
                        continue;
                }
                return refuse(QStringLiteral("labels %1 and %2 overlap").arg(i + 1).arg(j + 1));
            }
    }

    // Naming and filing.
    const QString brand = raw.Brand == u"Hisago" ? QStringLiteral("ヒサゴ") : raw.Brand;
    auto mm = [](int tenths) {
        return tenths % 10 == 0 ? QString::number(tenths / 10)
                                : QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
    };
    const QString name = QStringLiteral("%1 %2 %3面 %4×%5mm")
                             .arg(brand, raw.Part)
                             .arg(places.size())
                             .arg(mm(faceW), mm(faceH));
    if (!cp932::CanEncode(name))
        return refuse(QStringLiteral("name \"%1\" has characters the catalogue cannot store").arg(name));
    if (name.size() > 80)
        return refuse(QStringLiteral("name longer than 80 characters"));
    QString group, purpose;
    const QStringList& cats = raw.Categories;
    if (frame.Shape == fsDoughnut || frame.Shape == fsBarrelCD || cats.contains(QStringLiteral("media"))) {
        group = QStringLiteral("CDラベル");
        purpose = QStringLiteral("CD/DVDラベル");
    } else if (cats.contains(QStringLiteral("business-card")) || cats.contains(QStringLiteral("card"))) {
        group = purpose = QStringLiteral("名刺");
    } else if (cats.contains(QStringLiteral("photo"))) {
        group = purpose = QStringLiteral("写真シール");
    } else if (cats.contains(QStringLiteral("filing"))) {
        group = QStringLiteral("ファイリング");
        purpose = QStringLiteral("ファイル背ラベル");
    } else if (cats.contains(QStringLiteral("name-badge"))) {
        group = purpose = QStringLiteral("名前ラベル");
    } else if (frame.Shape == fsEllipse) {
        group = QStringLiteral("定型・その他");
        purpose = faceW == faceH ? QStringLiteral("丸型ラベル") : QStringLiteral("楕円ラベル");
    } else {
        group = purpose = QStringLiteral("宛名・表示ラベル");
    }

    auto fill = [&](TFaceAttributes& face) {
        face.SetFaceShape(frame.Shape);
        face.SetFacePurpose(frame.PurposeId);
        face.SetFaceMargin(0);
        if (frame.Shape == fsRoundRect)
            face.SetRoundSize(corner);
        if (holeD > 0) {
            face.SetCutCenterWidth(holeD);
            face.SetCutCenterHeight(holeD);
            face.SetCenterShape(frame.Shape == fsBarrelCD ? csBarrel : csEllipse);
        }
    };
    std::unique_ptr<TPaperInfo> paper;
    std::unique_ptr<TMatrixPaperInfo> matrix;
    if (raw.Layouts.size() == 1) {
        const TLayout& layout = raw.Layouts.front();
        const auto& v = layoutValues.front();
        matrix = std::make_unique<TMatrixPaperInfo>();
        // The catalogue keeps tenths of a millimetre: offset, size and gap are rounded
        // together so that the last label of a long row is as close to its place as
        // the first (rounding each alone lets the error add up along the row).
        struct TAxis
        {
            int Offset, Size, Gap;
            double Error;
        };
        auto fit = [](double origin, double size, double step, int count) {
            TAxis best{Tenths(origin), Tenths(size), 0, 1e9};
            double bestError = 1e9;
            for (int o : {int(std::floor(origin * 10)), int(std::ceil(origin * 10))})
                for (int w : {int(std::floor(size * 10)), int(std::ceil(size * 10))})
                    for (int g : {int(std::floor((step - size) * 10)), int(std::ceil((step - size) * 10))}) {
                        if (w <= 0 || o < 0 || (count > 1 && g < 0))
                            continue;
                        double error = 0;
                        for (int i = 0; i < count; ++i) {
                            const double left = (origin + i * step) * 10, right = left + size * 10;
                            const int l = o + i * (w + g);
                            error = std::max({error, std::abs(l - left), std::abs(l + w - right)});
                        }
                        if (error < bestError - 1e-9) {
                            bestError = error;
                            best = {o, w, count > 1 ? g : 0, error};
                        }
                    }
            return best;
        };
        const TAxis x = fit(v[0], frame.Width, v[2], layout.Nx);
        const TAxis y = fit(v[1], frame.Height, v[3], layout.Ny);
        matrix->SetLeftOffset(x.Offset);
        matrix->SetTopOffset(y.Offset);
        matrix->SetFaceWidth(x.Size);
        matrix->SetFaceHeight(y.Size);
        matrix->SetFaceCountX(layout.Nx);
        matrix->SetFaceCountY(layout.Ny);
        matrix->SetRightMargin(x.Gap);
        matrix->SetBottomMargin(y.Gap);
        fill(*matrix);
        // A grid that tenths cannot hold within 0.1 mm (inch steps over many rows)
        // becomes a free paper, each label placed on its own.
        if (x.Error <= 1.0 + 1e-6 && y.Error <= 1.0 + 1e-6)
            paper = std::move(matrix);
    }
    if (!paper) {
        auto free = std::make_unique<TFreePaperInfo>();
        for (const TPlace& p : places) {
            TFaceItem* item = free->Faces()->Add();
            const int left = Tenths(p.X), top = Tenths(p.Y);
            item->SetRect({left, top, left + faceW, top + faceH});
            fill(*item);
        }
        paper = std::move(free);
    }
    paper->SetPaperName(name);
    paper->SetGroupName(group);
    paper->SetPortraitWidth(Tenths(sheetW));
    paper->SetPortraitHeight(Tenths(sheetH));
    paper->SetLandscape(false);
    paper->SetReadOnly(false);
    paper->PurposeList()->SetDefault();
    // Rounding to tenths may still push a label flush with the edge a tenth over it;
    // the catalogue would then refuse to read the paper back, so it is refused here.
    const QString defect = PaperDefect(*paper);
    if (!defect.isEmpty())
        return refuse(defect);
    out.Paper = std::move(paper);
    out.Maker = brand;
    out.Purpose = purpose;
    out.Corner = frame.Shape == fsRoundRect ? corner : 0;
    return out;
}

int TTemplateImporter::Store(TVelmoPapers& papers, const std::vector<TImportedTemplate>& templates)
{
    int stored = 0;
    QStringList groups = papers.GroupList();
    QStringList makers = papers.CompanyList();
    for (const TImportedTemplate& t : templates) {
        if (!t.Paper)
            continue;
        papers.StorePaper(*t.Paper);
        TExPaperInfo info;
        info.SetPaperName(t.Paper->PaperName());
        info.SetCompany(t.Maker);
        info.SetPurpose(t.Purpose);
        info.SetRoundSize(t.Corner);
        papers.StoreExInfo(info);
        if (!groups.contains(t.Paper->GroupName()))
            groups.append(t.Paper->GroupName());
        if (!makers.contains(t.Maker))
            makers.append(t.Maker);
        ++stored;
    }
    if (stored > 0) {
        papers.SetGroupList(groups);
        papers.SetCompanyList(makers);
    }
    return stored;
}

} // namespace velmo
