// Builds the delivered paper catalogue from its readable source (data/papers/*.csv,
// described in data/papers/README.md) with the program's own catalogue classes.
//
//   make-catalogue [--ppr-no N] OUT.ppr SOURCE...
//
// A SOURCE is a .csv file or a folder whose *.csv files are read in byte order of
// their names. Any error is reported as FILE:LINE: message, and nothing is written.
#include "base/UCodePage932.h"
#include "paper/UVelmoPapers.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

using namespace velmo;

namespace {

struct TSourceError
{
    QString Where;
    QString Message;
};

struct TLocation
{
    QString File;
    int Line = 0;
    QString Text() const { return QStringLiteral("%1:%2").arg(File).arg(Line); }
};

[[noreturn]] void Fail(const TLocation& at, const QString& message)
{
    throw TSourceError{at.Text(), message};
}

// ---- value formats

int ParseLength(const TLocation& at, const QString& field, const char* what)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,4})(?:\\.([0-9]))?$"));
    const QRegularExpressionMatch m = pattern.match(field);
    if (!m.hasMatch())
        Fail(at,
             QStringLiteral("%1: \"%2\" is not a length in mm (like 86.4)").arg(QLatin1String(what), field));
    // By text: 86.4 is 864 tenths exactly.
    const int whole = m.captured(1).toInt();
    const int tenth = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    return whole * 10 + tenth;
}

int ParsePositiveLength(const TLocation& at, const QString& field, const char* what)
{
    const int value = ParseLength(at, field, what);
    if (value <= 0)
        Fail(at, QStringLiteral("%1 must be greater than 0").arg(QLatin1String(what)));
    return value;
}

int ParseCount(const TLocation& at, const QString& field, const char* what)
{
    static const QRegularExpression pattern(QStringLiteral("^[1-9][0-9]{0,2}$"));
    if (!pattern.match(field).hasMatch())
        Fail(at, QStringLiteral("%1: \"%2\" is not a count (1 to 999)").arg(QLatin1String(what), field));
    return field.toInt();
}

QString ParseText(const TLocation& at, const QString& field, const char* what)
{
    if (field.isEmpty())
        Fail(at, QStringLiteral("%1 is empty").arg(QLatin1String(what)));
    if (field.size() > 80)
        Fail(at, QStringLiteral("%1 is longer than 80 characters").arg(QLatin1String(what)));
    if (field.contains(QLatin1Char('"')))
        Fail(at, QStringLiteral("%1 contains a double quote").arg(QLatin1String(what)));
    if (!cp932::CanEncode(field))
        Fail(at, QStringLiteral("%1 \"%2\" has characters code page 932 cannot hold")
                     .arg(QLatin1String(what), field));
    return field;
}

TFaceShape ParseShape(const TLocation& at, const QString& field)
{
    for (int shape = 0; shape < kFaceShapeCount; ++shape)
        if (field == FaceShapeIdent(shape))
            return TFaceShape(shape);
    Fail(at,
         QStringLiteral("shape: \"%1\" is not one of fsRect, fsDoughnut, fsEllipse, fsRoundRect, fsRectCD, "
                        "fsBarrelCD")
             .arg(field));
}

QString ParsePurpose(const TLocation& at, const QString& field, TFaceShape shape)
{
    if (field.isEmpty())
        return field;
    TPurposeList purposes;
    purposes.SetDefault();
    const int index = purposes.Find(field);
    if (index < 0 || purposes.Items(index)->ID() != field)
        Fail(at,
             QStringLiteral("purpose ID: \"%1\" is not one of CD, CDCover, CDCaseTray, MOSquare").arg(field));
    if (!(purposes.Items(index)->ShapeMask() & FaceShapeBit(shape)))
        Fail(at, QStringLiteral("purpose %1 does not allow the shape %2").arg(field, FaceShapeIdent(shape)));
    return field;
}

TCenterShape ParseCenterShape(const TLocation& at, const QString& field)
{
    if (field == QLatin1String("csEllipse"))
        return csEllipse;
    if (field == QLatin1String("csBarrel"))
        return csBarrel;
    Fail(at, QStringLiteral("hole shape: \"%1\" is not csEllipse or csBarrel").arg(field));
}

// The face fields from shape on: shape, purpose, bleed, corner, hole w, hole h, hole shape.
struct TFaceFields
{
    TFaceShape Shape = fsRect;
    QString Purpose;
    int Bleed = 0;
    int Corner = kDefaultRoundSize;
    bool HasCorner = false;
    int HoleWidth = kDefaultCutCenter;
    int HoleHeight = kDefaultCutCenter;
    TCenterShape HoleShape = csEllipse;
};

TFaceFields ParseFaceFields(const TLocation& at, const QStringList& f, int first, int width, int height)
{
    TFaceFields r;
    r.Shape = ParseShape(at, f[first]);
    r.Purpose = ParsePurpose(at, f[first + 1], r.Shape);
    r.Bleed = ParseLength(at, f[first + 2], "bleed");
    const QString& corner = f[first + 3];
    const bool needsCorner = r.Shape == fsRoundRect || r.Shape == fsRectCD;
    if (needsCorner) {
        if (corner.isEmpty())
            Fail(at, QStringLiteral("corner is required for %1").arg(FaceShapeIdent(r.Shape)));
        r.Corner = ParsePositiveLength(at, corner, "corner");
        r.HasCorner = true;
        if (r.Corner * 2 > std::min(width, height))
            Fail(at, QStringLiteral("corner is more than half the face's shorter side"));
    } else if (!corner.isEmpty()) {
        Fail(at, QStringLiteral("corner must be empty for %1").arg(FaceShapeIdent(r.Shape)));
    }
    const bool hasHole = ShapeHasHole(r.Shape);
    const QString& holeW = f[first + 4];
    const QString& holeH = f[first + 5];
    const QString& holeShape = f[first + 6];
    if (hasHole) {
        if (holeW.isEmpty() || holeH.isEmpty() || holeShape.isEmpty())
            Fail(at, QStringLiteral("hole width, height and shape are required for %1")
                         .arg(FaceShapeIdent(r.Shape)));
        r.HoleWidth = ParsePositiveLength(at, holeW, "hole width");
        r.HoleHeight = ParsePositiveLength(at, holeH, "hole height");
        r.HoleShape = ParseCenterShape(at, holeShape);
        const int ring = r.Shape == fsDoughnut ? 20 : 1;
        if (r.HoleWidth > width - ring || r.HoleHeight > height - ring)
            Fail(at, r.Shape == fsDoughnut ? QStringLiteral("the hole leaves no ring of 1 mm to print on")
                                           : QStringLiteral("the hole is not smaller than the face"));
    } else if (!holeW.isEmpty() || !holeH.isEmpty() || !holeShape.isEmpty()) {
        Fail(at, QStringLiteral("hole fields must be empty for %1").arg(FaceShapeIdent(r.Shape)));
    }
    return r;
}

template <class T> void ApplyFaceFields(T& target, const TFaceFields& r)
{
    target.SetFaceShape(r.Shape);
    target.SetFacePurpose(r.Purpose);
    target.SetFaceMargin(r.Bleed);
    target.SetRoundSize(r.Corner);
    target.SetCutCenterWidth(r.HoleWidth);
    target.SetCutCenterHeight(r.HoleHeight);
    target.SetCenterShape(r.HoleShape);
}

// ---- records

struct TProduct
{
    TLocation At;
    std::unique_ptr<TPaperInfo> Paper;
    QString Maker;
    QString Purpose;
    int Corner = 0; // of the paper or its first face that has one
};

// Two names a user could not tell apart.
QString NameIdentity(const QString& name)
{
    QString folded = name.normalized(QString::NormalizationForm_KC).toCaseFolded();
    folded.remove(QRegularExpression(QStringLiteral("\\s")));
    return folded;
}

class TSourceReader
{
public:
    std::vector<TProduct> Products;

    void ReadFile(const QString& fileName)
    {
        TLocation at{fileName, 0};
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            Fail(at, QStringLiteral("cannot be read: %1").arg(file.errorString()));
        const QByteArray bytes = file.readAll();
        if (bytes.startsWith("\xEF\xBB\xBF"))
            Fail({fileName, 1}, QStringLiteral("starts with a byte order mark"));
        const QList<QByteArray> lines = bytes.split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            at.Line = i + 1;
            const QByteArray& raw = lines[i];
            if (i == lines.size() - 1 && raw.isEmpty())
                break; // the final LF
            for (char c : raw)
                if ((unsigned char)c < 0x20 && c != '\t')
                    Fail(at, QStringLiteral("control character 0x%1")
                                 .arg(int((unsigned char)c), 2, 16, QLatin1Char('0')));
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString line = decoder(raw);
            if (decoder.hasError())
                Fail(at, QStringLiteral("not UTF-8"));
            ReadLine(at, line);
        }
        FinishFree();
    }

    void Check()
    {
        std::map<QString, TLocation> seen;
        std::map<QString, TLocation> identities;
        for (const TProduct& product : Products) {
            const QString name = product.Paper->PaperName();
            if (auto hit = seen.find(name); hit != seen.end())
                Fail(product.At, QStringLiteral("name \"%1\" repeats %2").arg(name, hit->second.Text()));
            seen.emplace(name, product.At);
            const QString identity = NameIdentity(name);
            if (auto hit = identities.find(identity); hit != identities.end())
                Fail(product.At, QStringLiteral("name \"%1\" cannot be told apart from the one at %2")
                                     .arg(name, hit->second.Text()));
            identities.emplace(identity, product.At);

            const QString defect = PaperDefect(*product.Paper);
            if (!defect.isEmpty())
                Fail(product.At, defect);
            const int overlap = FindOverlappingFace(*product.Paper);
            if (overlap >= 0)
                Fail(product.At, QStringLiteral("face %1 overlaps an earlier face").arg(overlap + 1));
        }
    }

private:
    void ReadLine(const TLocation& at, const QString& line)
    {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            return;
        QStringList fields = line.split(QLatin1Char(','));
        for (QString& field : fields)
            field = Trim(field);
        const QString& kind = fields[0];
        if (kind == QLatin1String("M")) {
            FinishFree();
            ReadMatrix(at, fields);
        } else if (kind == QLatin1String("F")) {
            FinishFree();
            ReadFree(at, fields);
        } else if (kind == QLatin1String("FACE")) {
            ReadFace(at, fields);
        } else {
            Fail(at, QStringLiteral("unknown record kind \"%1\" (M, F or FACE)").arg(kind));
        }
    }

    // Only ASCII spaces and tabs are trimmed: an ideographic space is part of a text.
    static QString Trim(const QString& field)
    {
        qsizetype start = 0, end = field.size();
        while (start < end && (field[start] == QLatin1Char(' ') || field[start] == QLatin1Char('\t')))
            ++start;
        while (end > start && (field[end - 1] == QLatin1Char(' ') || field[end - 1] == QLatin1Char('\t')))
            --end;
        return field.mid(start, end - start);
    }

    static void CheckFieldCount(const TLocation& at, const QStringList& fields, int count)
    {
        if (fields.size() != count)
            Fail(at, QStringLiteral("%1 record has %2 fields, not %3")
                         .arg(fields[0])
                         .arg(fields.size())
                         .arg(count));
    }

    TProduct StartProduct(const TLocation& at, const QStringList& f, std::unique_ptr<TPaperInfo> paper)
    {
        TProduct product;
        product.At = at;
        paper->SetPaperName(ParseText(at, f[1], "name"));
        paper->SetGroupName(ParseText(at, f[2], "group"));
        product.Maker = ParseText(at, f[3], "maker");
        product.Purpose = ParseText(at, f[4], "purpose");
        paper->SetPortraitWidth(ParsePositiveLength(at, f[5], "sheet width"));
        paper->SetPortraitHeight(ParsePositiveLength(at, f[6], "sheet height"));
        paper->SetLandscape(false);
        paper->SetReadOnly(true);
        paper->PurposeList()->SetDefault();
        product.Paper = std::move(paper);
        return product;
    }

    void ReadMatrix(const TLocation& at, const QStringList& f)
    {
        CheckFieldCount(at, f, 22);
        auto matrix = std::make_unique<TMatrixPaperInfo>();
        TMatrixPaperInfo& m = *matrix;
        TProduct product = StartProduct(at, f, std::move(matrix));
        m.SetLeftOffset(ParseLength(at, f[7], "left"));
        m.SetTopOffset(ParseLength(at, f[8], "top"));
        m.SetFaceWidth(ParsePositiveLength(at, f[9], "face width"));
        m.SetFaceHeight(ParsePositiveLength(at, f[10], "face height"));
        m.SetFaceCountX(ParseCount(at, f[11], "columns"));
        m.SetFaceCountY(ParseCount(at, f[12], "rows"));
        m.SetRightMargin(ParseLength(at, f[13], "horizontal gap"));
        m.SetBottomMargin(ParseLength(at, f[14], "vertical gap"));
        const TFaceFields face = ParseFaceFields(at, f, 15, m.FaceWidth(), m.FaceHeight());
        ApplyFaceFields(m, face);
        product.Corner = face.HasCorner ? face.Corner : 0;
        Products.push_back(std::move(product));
    }

    void ReadFree(const TLocation& at, const QStringList& f)
    {
        CheckFieldCount(at, f, 7);
        Products.push_back(StartProduct(at, f, std::make_unique<TFreePaperInfo>()));
        FOpenFree = true;
    }

    void ReadFace(const TLocation& at, const QStringList& f)
    {
        if (!FOpenFree)
            Fail(at, QStringLiteral("FACE record without a preceding F record"));
        CheckFieldCount(at, f, 12);
        TProduct& product = Products.back();
        auto& paper = static_cast<TFreePaperInfo&>(*product.Paper);
        const int left = ParseLength(at, f[1], "left");
        const int top = ParseLength(at, f[2], "top");
        const int width = ParsePositiveLength(at, f[3], "width");
        const int height = ParsePositiveLength(at, f[4], "height");
        const TFaceFields face = ParseFaceFields(at, f, 5, width, height);
        TFaceItem* item = paper.Faces()->Add();
        item->SetRect({left, top, left + width, top + height});
        ApplyFaceFields(*item, face);
        if (product.Corner == 0 && face.HasCorner)
            product.Corner = face.Corner;
    }

    void FinishFree()
    {
        if (FOpenFree && Products.back().Paper->GetFaceCount() == 0)
            Fail(Products.back().At, QStringLiteral("F record without FACE records"));
        FOpenFree = false;
    }

    bool FOpenFree = false;
};

QStringList SourceFiles(const QStringList& sources)
{
    QStringList files;
    for (const QString& source : sources) {
        const QFileInfo info(source);
        if (info.isDir()) {
            QStringList names = QDir(source).entryList({QStringLiteral("*.csv")}, QDir::Files);
            // Byte order of the names, whatever the locale.
            std::sort(names.begin(), names.end(),
                      [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
            for (const QString& name : std::as_const(names))
                files.append(QDir(source).filePath(name));
        } else {
            files.append(source);
        }
    }
    return files;
}

void WriteCatalogue(const QString& fileName, const std::vector<TProduct>& products, int pprNo)
{
    QFile::remove(fileName);
    TVelmoPapers papers(fileName, false);
    QStringList groups, makers;
    for (const TProduct& product : products) {
        papers.StorePaper(*product.Paper);
        TExPaperInfo info;
        info.SetPaperName(product.Paper->PaperName());
        info.SetCompany(product.Maker);
        info.SetPurpose(product.Purpose);
        info.SetRoundSize(product.Corner);
        papers.StoreExInfo(info);
        if (!groups.contains(product.Paper->GroupName()))
            groups.append(product.Paper->GroupName());
        if (!makers.contains(product.Maker))
            makers.append(product.Maker);
    }
    // Written even though it is the default, so that the file says which purposes
    // its papers use.
    papers.SetPurposeList(*papers.PurposeList());
    papers.SetGroupList(groups);
    papers.SetCompanyList(makers);
    TPaperUpdate update;
    update.SetPPRNo(pprNo);
    papers.SetUpdateInfo(update);
    // Present, though empty, so that an update carrying one can be merged into copies
    // of this catalogue.
    TDocStorage(papers.Storage(), true, TPapersV2::GlobalInfoStorageName());
    papers.Close();
}

int Usage()
{
    std::fputs("usage: make-catalogue [--ppr-no N] OUT.ppr SOURCE...\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    int pprNo = 0;
    if (args.value(0) == QLatin1String("--ppr-no")) {
        bool ok = false;
        pprNo = args.value(1).toInt(&ok);
        if (!ok || pprNo < 0)
            return Usage();
        args = args.mid(2);
    }
    if (args.size() < 2)
        return Usage();
    const QString out = args.takeFirst();
    QTextStream err(stderr);
    try {
        RegisterCatalogueClasses();
        const QStringList files = SourceFiles(args);
        if (files.isEmpty())
            throw TSourceError{args.join(QLatin1Char(' ')), QStringLiteral("no source files")};
        TSourceReader reader;
        for (const QString& file : files)
            reader.ReadFile(file);
        reader.Check();
        const QString temporary = out + QStringLiteral(".new");
        WriteCatalogue(temporary, reader.Products, pprNo);
        QFile::remove(out);
        if (!QFile::rename(temporary, out))
            throw TSourceError{out, QStringLiteral("cannot be written")};
        QTextStream(stdout) << out << ": " << reader.Products.size() << " papers" << Qt::endl;
        return 0;
    } catch (const TSourceError& error) {
        err << error.Where << ": error: " << error.Message << Qt::endl;
    } catch (const std::exception& error) {
        err << out << ": error: " << QString::fromUtf8(error.what()) << Qt::endl;
    }
    QFile::remove(out);
    return 1;
}
