// Build-time host tool: turns data/patterns/patterns.txt into the delivered pattern
// file (a compound file with the name list "CoonsDistortionData\NameList" and one
// stream per pattern) and the resource file holding the chooser's thumbnails
// ("TransformPattern", 376 × 592, 8 bits per pixel), drawn from the patterns
// themselves so that thumbnail i always shows pattern i.
//
// usage: make-patterns SOURCE.txt OUT.cdd OUT.res
// A bad source line fails with "file:line: error: …".
#include "base/UStream.h"
#include "storage/UDocFile.h"
#include "storage/USafeFile.h"
#include "text/UCoonsDistortion.h"
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <cstdio>

using namespace velmo;

namespace {

struct TSourceError
{
    QString Where;
    QString Message;
};

struct TPatternSource
{
    QString Name;
    int Line = 0;
    TCoonsDistortion Pattern;
    bool Sides[4] = {false, false, false, false};
    std::vector<QPointF> Points[4];
    std::vector<uint8_t> Kinds[4];
};

int SideIndex(const QString& label)
{
    static const char* names[4] = {"top:", "right:", "bottom:", "left:"};
    for (int i = 0; i < 4; ++i)
        if (label == QLatin1String(names[i]))
            return i;
    return -1;
}

std::vector<std::unique_ptr<TPatternSource>> ReadSource(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TSourceError{fileName, QStringLiteral("cannot be read")};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    std::vector<std::unique_ptr<TPatternSource>> patterns;
    QSet<QString> names, ids;
    const QRegularExpression header(QStringLiteral(R"(^pattern\s+(\{[0-9A-Fa-f-]+\})\s+(\S.*)$)"));
    for (int i = 0; i < lines.size(); ++i) {
        const QString where = QStringLiteral("%1:%2").arg(fileName).arg(i + 1);
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(QLatin1String("pattern"))) {
            const auto m = header.match(line);
            if (!m.hasMatch())
                throw TSourceError{where, QStringLiteral("expected \"pattern {IDENTIFIER} NAME\"")};
            auto source = std::make_unique<TPatternSource>();
            TPatternId id;
            if (!TPatternId::FromString(m.captured(1), id))
                throw TSourceError{where, QStringLiteral("bad identifier %1").arg(m.captured(1))};
            if (ids.contains(id.ToString()))
                throw TSourceError{where, QStringLiteral("identifier used twice")};
            ids.insert(id.ToString());
            source->Name = m.captured(2).trimmed();
            if (source->Name.size() > 31 ||
                source->Name.contains(QRegularExpression(QStringLiteral(R"([\\/:!])"))))
                throw TSourceError{where, QStringLiteral("a name of at most 31 characters without \\ / : !")};
            if (names.contains(source->Name))
                throw TSourceError{where, QStringLiteral("name used twice")};
            names.insert(source->Name);
            source->Pattern.SetId(id);
            source->Line = i + 1;
            patterns.push_back(std::move(source));
            continue;
        }
        if (patterns.empty())
            throw TSourceError{where, QStringLiteral("a side before the first pattern")};
        TPatternSource& source = *patterns.back();
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        const int side = SideIndex(words.value(0));
        if (side < 0)
            throw TSourceError{where, QStringLiteral("expected top:, right:, bottom: or left:")};
        if (source.Sides[side])
            throw TSourceError{where, QStringLiteral("side given twice")};
        const int n = int(words.size()) - 1;
        if (n < 2)
            throw TSourceError{where, QStringLiteral("a side needs two points or more")};
        source.Sides[side] = true;
        for (int j = 0; j < n; ++j) {
            QString word = words[j + 1];
            const bool smooth = word.endsWith(u'~');
            if (smooth)
                word.chop(1);
            const QStringList xy = word.split(u',');
            bool okX = false, okY = false;
            const double x = xy.value(0).toDouble(&okX);
            const double y = xy.value(1).toDouble(&okY);
            if (xy.size() != 2 || !okX || !okY)
                throw TSourceError{where, QStringLiteral("bad point \"%1\"").arg(words[j + 1])};
            if (smooth && (j == 0 || j == n - 1))
                throw TSourceError{where, QStringLiteral("a corner of the square cannot be smooth")};
            source.Points[side].push_back(QPointF(x, y));
            source.Kinds[side].push_back(smooth ? 1 : 0);
        }
    }
    for (const auto& source : patterns) {
        const QString where = QStringLiteral("%1:%2").arg(fileName).arg(source->Line);
        for (int side = 0; side < 4; ++side)
            if (!source->Sides[side])
                throw TSourceError{where, QStringLiteral("pattern %1 lacks a side").arg(source->Name)};
    }
    return patterns;
}

// The sides as written must meet at the corners; then the pattern is built (each
// corner stored through both of its sides gives the same point).
void BuildPattern(const QString& fileName, TPatternSource& source)
{
    auto same = [](QPointF a, QPointF b) {
        return std::abs(a.x() - b.x()) < 1e-9 && std::abs(a.y() - b.y()) < 1e-9;
    };
    const auto& p = source.Points;
    if (!same(p[0].front(), p[3].front()) || !same(p[0].back(), p[1].front()) ||
        !same(p[1].back(), p[2].back()) || !same(p[2].front(), p[3].back()))
        throw TSourceError{QStringLiteral("%1:%2").arg(fileName).arg(source.Line),
                           QStringLiteral("pattern %1: sides do not meet at the corners").arg(source.Name)};
    TCoonsDistortion& pattern = source.Pattern;
    for (int side = 0; side < 4; ++side)
        pattern.SetPointCount(side, int(p[side].size()));
    for (int side = 0; side < 4; ++side)
        for (int j = 0; j < int(p[side].size()); ++j)
            pattern.SetPoint(side, j, p[side][size_t(j)]);
    for (int side = 0; side < 4; ++side)
        for (int j = 0; j < int(p[side].size()); ++j)
            pattern.SetPointKind(side, j, source.Kinds[side][size_t(j)]);
}

void WritePatternFile(const QString& fileName, const std::vector<std::unique_ptr<TPatternSource>>& patterns)
{
    TTemporaryStorage root;
    {
        TDocStreamList list(root, QString::fromLatin1(kCoonsNameListPath));
        for (const auto& source : patterns) {
            const int index = list.Add(source->Name);
            TDocStream stream(root, fmDocCreate, list.FullPath(index));
            source->Pattern.WriteData(stream);
        }
    }
    root.SaveTo(fileName);
}

QImage DrawThumbnails(const std::vector<std::unique_ptr<TPatternSource>>& patterns)
{
    // Drawn in tenths of a pixel for smooth edges, then reduced to 256 greys.
    QImage sheet(kPatternThumbWidth * kPatternThumbColumns, kPatternThumbHeight * kPatternThumbRows,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(0.1, 0.1);
    for (int i = 0; i < int(patterns.size()) && i < kPatternThumbColumns * kPatternThumbRows; ++i) {
        const int left = (i % kPatternThumbColumns) * kPatternThumbWidth * 10;
        const int top = (i / kPatternThumbColumns) * kPatternThumbHeight * 10;
        const TLogRect target{left + 60, top + 40, left + kPatternThumbWidth * 10 - 60,
                              top + kPatternThumbHeight * 10 - 40};
        const TStroke outline =
            PatternSampleOutline(patterns[size_t(i)]->Pattern, target, QStringLiteral(u"ベルモ"));
        QPainterPath path = outline.ToPainterPath();
        path.setFillRule(Qt::WindingFill);
        painter.fillPath(path, Qt::black);
        // A faint frame separates the cells as the chooser shows them.
        painter.setPen(QPen(QColor(200, 200, 200), 10));
        painter.drawRect(
            QRect(left + 5, top + 5, kPatternThumbWidth * 10 - 10, kPatternThumbHeight * 10 - 10));
    }
    painter.end();
    QVector<QRgb> greys;
    for (int g = 0; g < 256; ++g)
        greys.append(qRgb(g, g, g));
    return sheet.convertToFormat(QImage::Format_Indexed8, greys, Qt::ThresholdDither);
}

void PutU16(QByteArray& b, uint16_t v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void PutU32(QByteArray& b, uint32_t v)
{
    PutU16(b, uint16_t(v & 0xFFFF));
    PutU16(b, uint16_t(v >> 16));
}

// A packed DIB: header, 256 palette entries, rows bottom-up.
QByteArray PackedDib(const QImage& image)
{
    QByteArray dib;
    const int stride = (image.width() + 3) & ~3;
    PutU32(dib, 40);
    PutU32(dib, uint32_t(image.width()));
    PutU32(dib, uint32_t(image.height()));
    PutU16(dib, 1);
    PutU16(dib, 8);
    PutU32(dib, 0);
    PutU32(dib, uint32_t(stride * image.height()));
    PutU32(dib, 2835);
    PutU32(dib, 2835);
    PutU32(dib, 256);
    PutU32(dib, 0);
    const QVector<QRgb> table = image.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        dib.append(char(qBlue(c)));
        dib.append(char(qGreen(c)));
        dib.append(char(qRed(c)));
        dib.append(char(0));
    }
    for (int y = image.height() - 1; y >= 0; --y) {
        dib.append(reinterpret_cast<const char*>(image.constScanLine(y)), image.width());
        dib.append(QByteArray(stride - image.width(), '\0'));
    }
    return dib;
}

// A 32-bit resource file: the empty leading record, then one RT_BITMAP record.
QByteArray ResourceFile(const QString& name, const QByteArray& data)
{
    auto header = [](uint32_t dataSize, uint16_t typeId, const QString& resName, bool empty) {
        QByteArray h;
        QByteArray ids;
        if (typeId || !resName.isEmpty()) {
            PutU16(ids, 0xFFFF);
            PutU16(ids, typeId);
            for (QChar c : resName)
                PutU16(ids, c.unicode());
            PutU16(ids, 0);
        } else {
            PutU16(ids, 0xFFFF);
            PutU16(ids, 0);
            PutU16(ids, 0xFFFF);
            PutU16(ids, 0);
        }
        while (ids.size() % 4)
            ids.append('\0');
        PutU32(h, dataSize);
        PutU32(h, uint32_t(8 + ids.size() + 16));
        h.append(ids);
        PutU32(h, 0);                  // data version
        PutU16(h, empty ? 0 : 0x1030); // moveable, pure, discardable
        PutU16(h, empty ? 0 : 0x0411); // Japanese
        PutU32(h, 0);
        PutU32(h, 0);
        return h;
    };
    QByteArray file = header(0, 0, QString(), true);
    file.append(header(uint32_t(data.size()), 2 /* RT_BITMAP */, name.toUpper(), false));
    file.append(data);
    while (file.size() % 4)
        file.append('\0');
    return file;
}

int Usage()
{
    std::fputs("usage: make-patterns SOURCE.txt OUT.cdd OUT.res\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Outlines come from the font engine; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3)
        return Usage();
    QTextStream err(stderr);
    try {
        auto patterns = ReadSource(args[0]);
        if (int(patterns.size()) != kPatternThumbColumns * kPatternThumbRows)
            throw TSourceError{args[0], QStringLiteral("%1 patterns; the chooser shows exactly %2")
                                            .arg(patterns.size())
                                            .arg(kPatternThumbColumns * kPatternThumbRows)};
        for (const auto& source : patterns)
            BuildPattern(args[0], *source);
        WritePatternFile(args[1], patterns);
        const QByteArray res =
            ResourceFile(QString::fromLatin1(kPatternThumbResource), PackedDib(DrawThumbnails(patterns)));
        WriteFileReplacing(args[2], res);
        QTextStream(stdout) << args[1] << ": " << patterns.size() << " patterns" << Qt::endl;
        return 0;
    } catch (const TSourceError& error) {
        err << error.Where << ": error: " << error.Message << Qt::endl;
    } catch (const std::exception& error) {
        err << args[1] << ": error: " << QString::fromUtf8(error.what()) << Qt::endl;
    }
    QFile::remove(args[1]);
    return 1;
}
