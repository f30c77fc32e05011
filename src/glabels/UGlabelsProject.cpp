#include "glabels/UGlabelsProject.h"
#include "barcode/UJANCode.h"
#include "barcode/ULOBarCode.h"
#include "barcode/ULOZintBarCode.h"
#include "document/ULabelData.h"
#include "glabels/UGlabelsPixdata.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "merge/UCSVData.h"
#include "merge/ULOInsertion.h"
#include "merge/UVCardData.h"
#include "objects/ULOImage.h"
#include "objects/ULOLine.h"
#include "objects/ULORect.h"
#include "paper/UPapers.h"
#include "text/ULOText.h"
#include "text/USimpleText.h"
#include "text/UTextUtil.h"
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>
#include <map>
#include <optional>
#include <zlib.h>

namespace velmo {

namespace {

// The namespaces of the versions we read: 2.2 (two spellings) and 2.3, 3.x.
const char* const kNamespaces[] = {
    "http://snaught.com/glabels/2.0/",
    "http://snaught.com/glabels/2.2/",
    "http://glabels.org/xmlns/2.3/",
    "http://glabels.org/xmlns/3.0/",
};

// A project is a few hundred kilobytes with its pictures; these bounds keep a
// damaged or hostile file from taking the machine.
constexpr int kMaxDepth = 64;
constexpr int kMaxNodes = 200000;
constexpr int kMaxObjects = 5000;
// An embedded picture beyond these is refused (the whole project with it).
constexpr qint64 kMaxPictureBytes = 32 * 1024 * 1024;
constexpr qint64 kMaxPicturePixels = qint64(40) * 1000 * 1000;
// Lengths beyond a metre are not label content.
constexpr double kMaxLength = 10000.0;

struct TNode
{
    QString Name; // empty: a text node
    QString Text;
    QXmlStreamAttributes Attributes;
    std::vector<std::unique_ptr<TNode>> Children;

    QString Attr(const char* name) const { return Attributes.value(QLatin1String(name)).toString(); }
    bool Has(const char* name) const { return Attributes.hasAttribute(QLatin1String(name)); }
    const TNode* Child(const char* name) const
    {
        for (const auto& c : Children)
            if (c->Name == QLatin1String(name))
                return c.get();
        return nullptr;
    }
};

[[noreturn]] void Fail(const QString& message)
{
    throw EGlabelsProject(message);
}

std::unique_ptr<TNode> ParseXml(const QByteArray& xmlBytes, QString* rootNamespace)
{
    QXmlStreamReader xml(xmlBytes);
    std::unique_ptr<TNode> root;
    std::vector<TNode*> stack;
    int nodes = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        switch (xml.tokenType()) {
        case QXmlStreamReader::DTD:
            // gLabels never writes a document type; one with entity declarations is
            // the shape of an entity bomb, and no project needs it.
            if (!xml.entityDeclarations().isEmpty() || !xml.dtdName().isEmpty())
                Fail(QStringLiteral("%1行目: 文書型の宣言があります（gLabelsのプロジェクトにはないものです）")
                         .arg(xml.lineNumber()));
            break;
        case QXmlStreamReader::EntityReference:
            Fail(QStringLiteral("%1行目: 宣言されていない実体参照「%2」")
                     .arg(xml.lineNumber())
                     .arg(xml.name().toString()));
        case QXmlStreamReader::StartElement: {
            if (++nodes > kMaxNodes)
                Fail(QStringLiteral("要素が%1個を超えています（ラベルのプロジェクトではありません）")
                         .arg(kMaxNodes));
            if (int(stack.size()) >= kMaxDepth)
                Fail(QStringLiteral("%1行目: 要素の入れ子が%2段を超えています")
                         .arg(xml.lineNumber())
                         .arg(kMaxDepth));
            auto node = std::make_unique<TNode>();
            node->Name = xml.name().toString();
            node->Attributes = xml.attributes();
            TNode* raw = node.get();
            if (stack.empty()) {
                if (root)
                    Fail(QStringLiteral("ルート要素が複数あります"));
                root = std::move(node);
                if (rootNamespace)
                    *rootNamespace = xml.namespaceUri().toString();
            } else {
                stack.back()->Children.push_back(std::move(node));
            }
            stack.push_back(raw);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!stack.empty())
                stack.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!stack.empty() && !xml.isWhitespace()) {
                auto text = std::make_unique<TNode>();
                text->Text = xml.text().toString();
                stack.back()->Children.push_back(std::move(text));
            } else if (!stack.empty() && xml.isWhitespace()) {
                // Kept inside spans only, where a space between words is content.
                if (stack.back()->Name == u"Span" || stack.back()->Name == u"Object-text") {
                    auto text = std::make_unique<TNode>();
                    text->Text = xml.text().toString();
                    stack.back()->Children.push_back(std::move(text));
                }
            }
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        Fail(QStringLiteral("XMLとして正しくありません（%1行%2桁: %3）")
                 .arg(xml.lineNumber())
                 .arg(xml.columnNumber())
                 .arg(xml.errorString()));
    if (!root)
        Fail(QStringLiteral("XMLの要素がありません"));
    return root;
}

void WriteNode(QXmlStreamWriter& out, const TNode& node)
{
    if (node.Name.isEmpty()) {
        out.writeCharacters(node.Text);
        return;
    }
    out.writeStartElement(node.Name);
    for (const QXmlStreamAttribute& a : node.Attributes)
        out.writeAttribute(a.name().toString(), a.value().toString());
    for (const auto& c : node.Children)
        WriteNode(out, *c);
    out.writeEndElement();
}

// A signed length ("12.5pt", "1in", "3mm", "1cm", bare numbers are points) in
// millimetres.
bool ParseSigned(const QString& text, double& millimetres)
{
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(u'-')) {
        negative = true;
        t.remove(0, 1);
    }
    double v = 0;
    if (!TTemplateImporter::ParseLength(t, v) || v > kMaxLength)
        return false;
    millimetres = negative ? -v : v;
    return true;
}

int Tenths(double millimetres)
{
    return int(std::lround(millimetres * 10.0));
}

struct TRgba
{
    int R = 0, G = 0, B = 0, A = 255;
};

bool ParseColour(const QString& text, TRgba& colour)
{
    QString t = text.trimmed();
    bool ok = false;
    quint64 v = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toULongLong(&ok, 16);
    else if (t.startsWith(u'#'))
        v = t.mid(1).toULongLong(&ok, 16);
    else
        v = t.toULongLong(&ok, 10);
    if (!ok || v > 0xFFFFFFFFull)
        return false;
    colour.R = int((v >> 24) & 0xFF);
    colour.G = int((v >> 16) & 0xFF);
    colour.B = int((v >> 8) & 0xFF);
    colour.A = int(v & 0xFF);
    return true;
}

// The colour as printed on white paper: partial transparency mixed with white,
// which is what the sheet shows through it.
TColor OnWhite(const TRgba& c, double opacity = 1.0)
{
    const double a = std::clamp(c.A / 255.0 * opacity, 0.0, 1.0);
    auto mix = [a](int v) { return int(std::lround(v * a + 255 * (1 - a))); };
    return TColor(mix(c.R) | (mix(c.G) << 8) | (mix(c.B) << 16));
}

bool IsTrue(const QString& text)
{
    return text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || text == u"1";
}

// The affine matrix of an object: a point (u, v) of the object's own frame lies at
// (x + a0·u + a2·v + a4, y + a1·u + a3·v + a5) on the label.
struct TAffine
{
    double A[6] = {1, 0, 0, 1, 0, 0};
};

struct TPlacement
{
    TLogRect Rect;
    int Angle = 0;
    QString Refusal; // why the object cannot be shown (a flip, a shear)
};

// The rectangle (u, v, w, h) of the object's frame as one of our objects holds it:
// an unturned rectangle about the mapped centre and the angle it turns by.
TPlacement Place(const TAffine& m, double x, double y, double u, double v, double w, double h)
{
    TPlacement p;
    const double* a = m.A;
    const double det = a[0] * a[3] - a[1] * a[2];
    const double sx = std::hypot(a[0], a[1]), sy = std::hypot(a[2], a[3]);
    if (!std::isfinite(det) || sx < 1e-6 || sy < 1e-6) {
        p.Refusal = QStringLiteral("変形で大きさがなくなります");
        return p;
    }
    if (det < 0) {
        p.Refusal = QStringLiteral("裏返し（鏡像）になっていて表せません");
        return p;
    }
    if (std::abs(a[0] * a[2] + a[1] * a[3]) > 1e-3 * sx * sy) {
        p.Refusal = QStringLiteral("斜めにゆがめられていて表せません");
        return p;
    }
    const double cu = u + w / 2, cv = v + h / 2;
    const double cx = x + a[0] * cu + a[2] * cv + a[4];
    const double cy = y + a[1] * cu + a[3] * cv + a[5];
    const double W = w * sx, H = h * sy;
    p.Rect.Left = Tenths(cx - W / 2);
    p.Rect.Top = Tenths(cy - H / 2);
    p.Rect.Right = p.Rect.Left + Tenths(W);
    p.Rect.Bottom = p.Rect.Top + Tenths(H);
    double degrees = std::atan2(a[1], a[0]) * 180.0 / M_PI;
    int angle = int(std::lround(degrees));
    if (angle <= -180)
        angle += 360;
    p.Angle = angle;
    return p;
}

QPoint MapPoint(const TAffine& m, double x, double y, double u, double v)
{
    const double* a = m.A;
    return {Tenths(x + a[0] * u + a[2] * v + a[4]), Tenths(y + a[1] * u + a[3] * v + a[5])};
}

// Fields of the project's merge source, by name or (without a names line) by number.
class TFieldMap
{
public:
    bool Line1Keys = false;
    bool VCard = false;
    bool Known = false; // whether the source's names could be read
    QStringList Header;

    // The field number (from 0) the name shows; a name the source lacks gets a
    // number past its fields (an empty value) and a warning once.
    int Resolve(const QString& name, QStringList& warnings)
    {
        if (!Line1Keys && !VCard) {
            bool ok = false;
            const int n = name.trimmed().toInt(&ok);
            if (ok && n >= 1 && n <= 10000)
                return n - 1;
        }
        int index = Header.indexOf(name);
        if (index < 0)
            for (int i = 0; i < Header.size(); ++i)
                if (Header[i].compare(name, Qt::CaseInsensitive) == 0)
                    index = i;
        if (index < 0 && VCard)
            index = Header.indexOf(VCardFieldFor(name));
        if (index >= 0)
            return index;
        const int extra = int(FMissing.indexOf(name));
        if (extra >= 0)
            return int(Header.size()) + 1000 + extra;
        FMissing.append(name);
        if (Known)
            warnings << QStringLiteral("差し込み項目「%1」が差し込みデータにないため、空欄で印刷されます")
                            .arg(name);
        else
            warnings
                << QStringLiteral(
                       "差し込み項目「%1」は差し込みデータを読めないため対応付けられず、空欄で印刷されます")
                       .arg(name);
        return int(Header.size()) + 1000 + int(FMissing.size()) - 1;
    }

private:
    QStringList FMissing;
};

struct TSpanStyle
{
    QString Family = QStringLiteral("Sans");
    double Size = 14;
    bool Bold = false, Italic = false, Underline = false;
    TRgba Colour;
    double LineSpacing = 1.0;
};

void ApplySpanAttributes(const TNode& span, TSpanStyle& style)
{
    if (span.Has("font_family"))
        style.Family = span.Attr("font_family");
    if (span.Has("font_size")) {
        bool ok = false;
        const double size = span.Attr("font_size").toDouble(&ok);
        if (ok && std::isfinite(size) && size > 0 && size < 2000)
            style.Size = size;
    }
    if (span.Has("font_weight")) {
        const QString w = span.Attr("font_weight").toLower();
        style.Bold = w == u"bold" || w == u"heavy" || w == u"ultrabold" || w == u"semibold" || w == u"black";
    }
    if (span.Has("font_italic"))
        style.Italic = IsTrue(span.Attr("font_italic"));
    if (span.Has("font_underline"))
        style.Underline = IsTrue(span.Attr("font_underline"));
    if (span.Has("color"))
        ParseColour(span.Attr("color"), style.Colour);
    if (span.Has("line_spacing")) {
        bool ok = false;
        const double ls = span.Attr("line_spacing").toDouble(&ok);
        if (ok && std::isfinite(ls) && ls > 0 && ls < 100)
            style.LineSpacing = ls;
    }
}

bool SameStyle(const TSpanStyle& a, const TSpanStyle& b)
{
    return a.Family == b.Family && a.Size == b.Size && a.Bold == b.Bold && a.Italic == b.Italic &&
           a.Underline == b.Underline && OnWhite(a.Colour) == OnWhite(b.Colour);
}

// A text's content: lines of pieces, each literal text or a field name.
struct TPiece
{
    bool Field = false;
    QString Text;
};
using TLine = std::vector<TPiece>;

// The inset of a text inside its box on either side, as gLabels prints it (3 pt).
constexpr double kTextMargin = 3.0 * 25.4 / 72.0;

// The lines broken at spaces (within a word that alone is too long, between
// characters) so that none is wider than room (0.1 mm) as the measure lays it out.
QStringList WrapLines(const QStringList& lines, TSimpleText& measure, int room)
{
    auto width = [&measure](const QString& s) {
        measure.SetLines({s});
        return measure.GetBounds({0, 0, 0, 0}).Width();
    };
    QStringList out;
    for (const QString& line : lines) {
        if (line.isEmpty() || width(line) <= room) {
            out << line;
            continue;
        }
        QString current;
        auto place = [&](const QString& word) {
            const QString candidate = current.isEmpty() ? word : current + u' ' + word;
            if (current.isEmpty() || width(candidate) <= room) {
                current = candidate;
                return;
            }
            out << current;
            current = word;
        };
        for (const QString& word : line.split(u' ', Qt::SkipEmptyParts)) {
            if (width(word) <= room) {
                place(word);
                continue;
            }
            // A word wider than the box goes by characters.
            if (!current.isEmpty()) {
                out << current;
                current.clear();
            }
            for (const QChar c : word) {
                if (!current.isEmpty() && width(current + c) > room) {
                    out << current;
                    current.clear();
                }
                current += c;
            }
        }
        out << current;
    }
    measure.SetLines(lines);
    return out;
}

class TImporter
{
public:
    TImporter(const TGlabelsOptions& options, TGlabelsProject& result) : FOptions(options), FResult(result) {}
    void Run(const TNode& root);

private:
    void ReadData(const TNode& data);
    void ReadMerge(const TNode* merge);
    void ReadTemplate(const TNode& templ, bool rotate);
    void ReadObjects(const TNode& objects, TDOList& list);
    void ReadObject(const TNode& node, TDOList& list, const QString& what);
    TAffine Matrix(const TNode& node, const QString& what) const;
    double Length(const TNode& node, const char* name, double fallback, bool size, const QString& what) const;
    void Warn(const QString& what, const QString& text)
    {
        FResult.Warnings << QStringLiteral("%1: %2").arg(what, text);
    }
    // A file of the same name in the project's own folder, for a path that points
    // into another machine or home (empty when there is none).
    QString Beside(const QString& path) const
    {
        if (FOptions.FileName.isEmpty() || QFileInfo(path).fileName().isEmpty())
            return {};
        const QString here = QFileInfo(FOptions.FileName).absoluteDir().filePath(QFileInfo(path).fileName());
        return here != QFileInfo(path).absoluteFilePath() && QFileInfo(here).isFile() ? here : QString();
    }

    void Box(const TNode& node, TDOList& list, const QString& what, bool ellipse);
    void Line(const TNode& node, TDOList& list, const QString& what);
    void Text(const TNode& node, TDOList& list, const QString& what);
    void Image(const TNode& node, TDOList& list, const QString& what);
    void Barcode(const TNode& node, TDOList& list, const QString& what);
    void CollectSpans(const TNode& node, TSpanStyle style, std::vector<TLine>& lines, bool& mixed);
    bool Shadow(const TNode& node, double& dx, double& dy, TColor& colour, const QString& what);
    bool LoadPicture(TLOImage& image, const QString& source, double w, double h, const QString& what);

    const TGlabelsOptions& FOptions;
    TGlabelsProject& FResult;
    TFieldMap FFields;
    struct TEmbedded
    {
        QString Kind; // "pixdata", "png", "svg", or another picture extension
        QByteArray Bytes;
    };
    std::map<QString, TEmbedded> FEmbedded;
    std::optional<TSpanStyle> FFirstStyle;
    int FObjectCount = 0;
    QString FMergeSource;
};

// -----------------------------------------------------------------------------------

void TImporter::Run(const TNode& root)
{
    const TNode* templ = root.Child("Template");
    if (!templ)
        Fail(QStringLiteral("用紙の定義（Template要素）がありません"));
    if (const TNode* data = root.Child("Data"))
        ReadData(*data);
    ReadMerge(root.Child("Merge"));

    // gLabels 2.2 and later keep the objects in one Objects element; its rotate
    // attribute turns the design on the label.
    const TNode* objects = root.Child("Objects");
    const bool rotate = objects && IsTrue(objects->Attr("rotate"));
    ReadTemplate(*templ, rotate);
    if (!FMergeSource.isEmpty()) {
        FResult.Document->SetCSVFile(FMergeSource);
        FResult.Document->SetCSVFieldName(FFields.Line1Keys || FFields.VCard);
        FResult.MergeFile = FMergeSource;
    }

    TDOList list; // bottom-most first, as the project lists them
    try {
        if (objects)
            ReadObjects(*objects, list);
        // Older projects list the objects straight under the root.
        for (const auto& c : root.Children)
            if (c->Name.startsWith(u"Object-"))
                ReadObject(*c, list, QStringLiteral("オブジェクト%1 (%2)").arg(++FObjectCount).arg(c->Name));
        TDOList topmostFirst;
        for (int i = list.Count() - 1; i >= 0; --i)
            topmostFirst.Add(list[i]);
        if (topmostFirst.Count() > 0)
            FResult.Document->WriteLabel(0, topmostFirst);
        topmostFirst.Clear();
    } catch (...) {
        list.FreeObjects();
        throw;
    }
    list.FreeObjects();
    FResult.Document->SetModified(true);
}

void TImporter::ReadData(const TNode& data)
{
    qint64 total = 0;
    for (const auto& c : data.Children) {
        if (c->Name != u"Pixdata" && c->Name != u"File")
            continue;
        const QString name = c->Attr("name");
        QString content;
        for (const auto& t : c->Children)
            if (t->Name.isEmpty())
                content += t->Text;
        total += content.size();
        if (content.size() > kMaxPictureBytes * 4 / 3 + 1024 || total > kMaxProjectBytes)
            Fail(QStringLiteral("埋め込み画像「%1」が%2MBを超えています")
                     .arg(name)
                     .arg(kMaxPictureBytes >> 20));
        TEmbedded e;
        const QString encoding = c->Attr("encoding").toLower();
        const QString mime = c->Attr("mimetype").toLower();
        const QString format = c->Attr("format").toLower();
        // Drawings may come as their own XML text; everything else as Base64.
        const bool text = mime.contains(QLatin1String("svg")) || format.contains(QLatin1String("svg")) ||
                          content.trimmed().startsWith(u'<');
        const bool base64 = c->Name == u"Pixdata" || encoding == u"base64" || (encoding.isEmpty() && !text);
        if (base64) {
            const auto decoded =
                QByteArray::fromBase64Encoding(content.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                Fail(QStringLiteral("埋め込み画像「%1」のBase64が正しくありません").arg(name));
            e.Bytes = *decoded;
        } else {
            e.Bytes = content.toUtf8();
        }
        if (c->Name == u"Pixdata")
            e.Kind = QStringLiteral("pixdata");
        else if (mime.contains(QLatin1String("svg")) || e.Bytes.trimmed().startsWith("<"))
            e.Kind = QStringLiteral("svg");
        else if (mime.contains(QLatin1String("png")) || e.Bytes.startsWith("\x89PNG"))
            e.Kind = QStringLiteral("png");
        else if (mime.contains(QLatin1String("jpeg")) || e.Bytes.startsWith("\xFF\xD8"))
            e.Kind = QStringLiteral("jpg");
        else
            e.Kind = QFileInfo(name).suffix().toLower();
        if (c->Name == u"Pixdata") {
            // Checked now: a picture the project cannot hold ends the import.
            QString why;
            if (DecodeGdkPixdata(e.Bytes, &why, kMaxPicturePixels).isNull())
                Fail(QStringLiteral("埋め込み画像「%1」: %2").arg(name, why));
        }
        FEmbedded[name] = std::move(e);
    }
}

void TImporter::ReadMerge(const TNode* merge)
{
    QString type = merge ? merge->Attr("type") : QString();
    QString source = merge ? merge->Attr("src") : QString();
    if (type.isEmpty() || type == u"None")
        type.clear();
    FFields.Line1Keys = type.endsWith(QLatin1String("/Line1Keys"));
    FFields.VCard = type.startsWith(QLatin1String("ebook/vcard"));
    if (!FOptions.MergeFile.isEmpty())
        source = FOptions.MergeFile;
    if (!type.isEmpty() && type != u"Text/Comma" && type != u"Text/Comma/Line1Keys" && type != u"Text/Tab" &&
        type != u"Text/Tab/Line1Keys" && type != u"Text/Colon" && type != u"Text/Colon/Line1Keys" &&
        type != u"Text/Semicolon" && type != u"Text/Semicolon/Line1Keys" && !FFields.VCard) {
        FResult.Warnings
            << QStringLiteral(
                   "差し込み: データの種類「%1」には対応していないため、差し込みデータなしで開きます")
                   .arg(type);
        return;
    }
    if (source.isEmpty())
        return;
    if (!FOptions.MergeFile.isEmpty() && !type.isEmpty()) {
        // A replacement keeps the project's names line unless it is a vCard file.
        FFields.VCard = FFields.VCard || IsVCardFile(source);
    } else if (!FOptions.MergeFile.isEmpty()) {
        FFields.VCard = IsVCardFile(source);
    }
    if (QFileInfo(source).isRelative() && !FOptions.FileName.isEmpty())
        source = QFileInfo(QFileInfo(FOptions.FileName).absoluteDir(), source).absoluteFilePath();
    const QString beside = Beside(source);
    if (!QFileInfo(source).isFile() && !beside.isEmpty()) {
        FResult.Warnings << QStringLiteral(
                                "差し込み: %1 が見つからないため、プロジェクトと同じフォルダの %2 を使います")
                                .arg(source, beside);
        source = beside;
    }
    if (QFileInfo(source).isFile()) {
        try {
            TCSVData data;
            data.SetHasHeader(FFields.Line1Keys || FFields.VCard);
            data.LoadFromFile(source);
            FFields.Header = data.Header().Items();
            FFields.Known = true;
        } catch (const Exception& e) {
            FResult.Warnings << QStringLiteral("差し込み: %1 を読めません（%2）").arg(source, e.Message());
        }
    } else {
        FResult.Warnings
            << QStringLiteral("差し込み: 差し込みデータ %1 が見つかりません（リンクは残します）").arg(source);
    }
    FMergeSource = source;
}

void TImporter::ReadTemplate(const TNode& templ, bool rotate)
{
    // The template importer reads template files; the project's Template element is
    // one of them. Version 2.2 names a template "Brand Part" in one attribute.
    TNode copy;
    copy.Name = templ.Name;
    copy.Attributes = templ.Attributes;
    if (!templ.Has("brand") && templ.Has("name")) {
        const QString name = templ.Attr("name").trimmed();
        const qsizetype space = name.indexOf(u' ');
        copy.Attributes.append(QStringLiteral("brand"),
                               space > 0 ? name.left(space) : QStringLiteral("gLabels"));
        copy.Attributes.append(QStringLiteral("part"), space > 0 ? name.mid(space + 1) : name);
    }
    if (copy.Attr("brand").isEmpty() || copy.Attr("part").isEmpty()) {
        // A user-made template may lack them; the paper still needs a name.
        QXmlStreamAttributes attributes;
        for (const QXmlStreamAttribute& a : copy.Attributes)
            if (a.name() != u"brand" && a.name() != u"part")
                attributes.append(a);
        attributes.append(QStringLiteral("brand"),
                          templ.Attr("brand").isEmpty() ? QStringLiteral("gLabels") : templ.Attr("brand"));
        attributes.append(QStringLiteral("part"),
                          templ.Attr("part").isEmpty() ? QStringLiteral("project") : templ.Attr("part"));
        copy.Attributes = attributes;
    }
    QByteArray xml;
    {
        QXmlStreamWriter out(&xml);
        out.writeStartDocument();
        out.writeStartElement(QStringLiteral("Glabels-templates"));
        out.writeStartElement(copy.Name);
        for (const QXmlStreamAttribute& a : copy.Attributes)
            out.writeAttribute(a.name().toString(), a.value().toString());
        for (const auto& c : templ.Children)
            WriteNode(out, *c);
        out.writeEndElement();
        out.writeEndElement();
        out.writeEndDocument();
    }
    TTemplateImporter importer;
    importer.AddFile(FOptions.FileName, xml);
    std::vector<TImportedTemplate> converted = importer.Convert();
    if (converted.size() != 1)
        Fail(QStringLiteral("用紙の定義を読めません"));
    TImportedTemplate& t = converted.front();
    if (!t.Paper)
        Fail(QStringLiteral("用紙の定義を使えません: %1").arg(t.Refusal));

    // A catalogue paper of the same geometry is the paper the user knows.
    const TPaperInfo& made = *t.Paper;
    auto same = [&made](const TPaperInfo& p) {
        if (std::abs(p.PortraitWidth() - made.PortraitWidth()) > 1 ||
            std::abs(p.PortraitHeight() - made.PortraitHeight()) > 1 ||
            p.GetFaceCount() != made.GetFaceCount())
            return false;
        for (int i = 0; i < made.GetFaceCount(); ++i) {
            const TLogRect a = p.GetFaceRect(i), b = made.GetFaceRect(i);
            if (std::abs(a.Left - b.Left) > 1 || std::abs(a.Top - b.Top) > 1 ||
                std::abs(a.Right - b.Right) > 1 || std::abs(a.Bottom - b.Bottom) > 1)
                return false;
            const TFaceShape sa = p.GetFaceShape(i), sb = made.GetFaceShape(i);
            const bool rectA = sa == fsRect || sa == fsRoundRect, rectB = sb == fsRect || sb == fsRoundRect;
            if (sa != sb && !(rectA && rectB))
                return false;
        }
        return true;
    };
    std::unique_ptr<TPaperInfo> paper;
    for (const TPapers* catalogue : FOptions.Catalogues) {
        if (!catalogue || paper)
            continue;
        for (int i = 0; i < catalogue->Count() && !paper; ++i) {
            const TPaperInfo* p = catalogue->Paper(i);
            if (p && same(*p)) {
                paper = p->Clone();
                FResult.MatchedPaper = p->PaperName();
            }
        }
    }
    if (!paper) {
        paper = t.Paper->Clone();
        FResult.NewPaper = std::make_unique<TImportedTemplate>(std::move(t));
    }
    paper->SetLandscape(rotate);
    FResult.Document = std::make_unique<TLabelData>();
    FResult.Document->SetPaper(paper.get());
    FResult.Document->SetSeparatelyDesign(false);
}

void TImporter::ReadObjects(const TNode& objects, TDOList& list)
{
    for (const auto& c : objects.Children)
        if (c->Name.startsWith(u"Object-"))
            ReadObject(*c, list, QStringLiteral("オブジェクト%1 (%2)").arg(++FObjectCount).arg(c->Name));
}

TAffine TImporter::Matrix(const TNode& node, const QString& what) const
{
    TAffine m;
    static const char* const names[6] = {"a0", "a1", "a2", "a3", "a4", "a5"};
    for (int i = 0; i < 6; ++i) {
        if (!node.Has(names[i]))
            continue;
        bool ok = false;
        const double v = node.Attr(names[i]).toDouble(&ok);
        if (!ok || !std::isfinite(v) || std::abs(v) > 1e6)
            Fail(QStringLiteral("%1: 変形行列の値 %2 が数値ではありません")
                     .arg(what, QLatin1String(names[i])));
        m.A[i] = v;
    }
    // The translation is in points like every bare length.
    m.A[4] *= 25.4 / 72.0;
    m.A[5] *= 25.4 / 72.0;
    return m;
}

double TImporter::Length(const TNode& node, const char* name, double fallback, bool size,
                         const QString& what) const
{
    if (!node.Has(name))
        return fallback;
    double v = 0;
    if (!ParseSigned(node.Attr(name), v))
        Fail(QStringLiteral("%1: %2=\"%3\" は長さではありません")
                 .arg(what, QLatin1String(name), node.Attr(name)));
    if (size && v < 0)
        Fail(QStringLiteral("%1: 大きさが負です（%2=\"%3\"）")
                 .arg(what, QLatin1String(name), node.Attr(name)));
    return v;
}

void TImporter::ReadObject(const TNode& node, TDOList& list, const QString& what)
{
    if (list.Count() >= kMaxObjects)
        Fail(QStringLiteral("1枚のラベルのオブジェクトが%1個を超えています").arg(kMaxObjects));
    const QString& kind = node.Name;
    if (kind == u"Object-box")
        Box(node, list, what, false);
    else if (kind == u"Object-ellipse")
        Box(node, list, what, true);
    else if (kind == u"Object-line")
        Line(node, list, what);
    else if (kind == u"Object-text")
        Text(node, list, what);
    else if (kind == u"Object-image")
        Image(node, list, what);
    else if (kind == u"Object-barcode")
        Barcode(node, list, what);
    else
        Warn(what, QStringLiteral("この種類のオブジェクトには対応していないため省きました"));
}

bool TImporter::Shadow(const TNode& node, double& dx, double& dy, TColor& colour, const QString& what)
{
    if (!IsTrue(node.Attr("shadow")))
        return false;
    dx = Length(node, "shadow_x", 1.3 * 25.4 / 72.0, false, what);
    dy = Length(node, "shadow_y", 1.3 * 25.4 / 72.0, false, what);
    TRgba c;
    c.A = 255;
    if (node.Has("shadow_color") && !ParseColour(node.Attr("shadow_color"), c))
        Warn(what,
             QStringLiteral("影の色「%1」を解釈できないため黒にしました").arg(node.Attr("shadow_color")));
    bool ok = false;
    double opacity = node.Attr("shadow_opacity").toDouble(&ok);
    if (!ok || !std::isfinite(opacity))
        opacity = 0.5;
    colour = OnWhite(c, std::clamp(opacity, 0.0, 1.0));
    return true;
}

void TImporter::Box(const TNode& node, TDOList& list, const QString& what, bool ellipse)
{
    const double x = Length(node, "x", 0, false, what), y = Length(node, "y", 0, false, what);
    const double w = Length(node, "w", 0, true, what), h = Length(node, "h", 0, true, what);
    const TPlacement p = Place(Matrix(node, what), x, y, 0, 0, w, h);
    if (!p.Refusal.isEmpty()) {
        Warn(what, QStringLiteral("省きました: %1").arg(p.Refusal));
        return;
    }
    TRgba line, fill;
    fill.A = 0;
    if (node.Has("line_color") && !ParseColour(node.Attr("line_color"), line))
        Warn(what, QStringLiteral("線の色「%1」を解釈できないため黒にしました").arg(node.Attr("line_color")));
    if (node.Has("fill_color") && !ParseColour(node.Attr("fill_color"), fill))
        Warn(what, QStringLiteral("塗りの色「%1」を解釈できないため塗りなしにしました")
                       .arg(node.Attr("fill_color")));
    if (node.Has("line_color_field") || node.Has("fill_color_field"))
        Warn(what, QStringLiteral("差し込み項目から取る色には対応していないため、決まった色を使います"));
    const double lineWidth = Length(node, "line_width", 1.0 * 25.4 / 72.0, true, what);
    auto make = [&](const TLogRect& rect, TColor frame, int frameWidth, bool filled, TColor fillColour) {
        TLORect* shape = ellipse ? new TLOCircle() : new TLORect();
        shape->SetBaseRect(rect);
        shape->SetAngleValue(p.Angle);
        shape->SetFrameWidth(frameWidth);
        TColorSpec spec;
        spec.SetColor(frame);
        shape->SetLineColor(spec);
        shape->SetFillInside(filled);
        if (filled) {
            TColorSpec f;
            f.SetColor(fillColour);
            shape->SetFillColor(f);
        }
        list.Add(shape);
    };
    const int frameWidth = line.A == 0 ? 0 : std::max(0, Tenths(lineWidth));
    double sdx = 0, sdy = 0;
    TColor shadow = 0;
    if (Shadow(node, sdx, sdy, shadow, what)) {
        TLogRect r = p.Rect;
        r.Left += Tenths(sdx);
        r.Right += Tenths(sdx);
        r.Top += Tenths(sdy);
        r.Bottom += Tenths(sdy);
        // gLabels shades what the object covers: its fill, or its frame alone.
        if (fill.A > 0)
            make(r, shadow, frameWidth, true, shadow);
        else
            make(r, shadow, frameWidth, false, shadow);
    }
    make(p.Rect, OnWhite(line), frameWidth, fill.A > 0, OnWhite(fill));
    if ((line.A > 0 && line.A < 255) || (fill.A > 0 && fill.A < 255))
        Warn(what, QStringLiteral("半透明の色は白い用紙に重ねた色で印刷します"));
}

void TImporter::Line(const TNode& node, TDOList& list, const QString& what)
{
    const double x = Length(node, "x", 0, false, what), y = Length(node, "y", 0, false, what);
    const double dx = Length(node, "dx", 0, false, what), dy = Length(node, "dy", 0, false, what);
    const TAffine m = Matrix(node, what);
    TRgba colour;
    if (node.Has("line_color") && !ParseColour(node.Attr("line_color"), colour))
        Warn(what, QStringLiteral("線の色「%1」を解釈できないため黒にしました").arg(node.Attr("line_color")));
    if (colour.A == 0) {
        Warn(what, QStringLiteral("省きました: 線が完全に透明です"));
        return;
    }
    const double width = Length(node, "line_width", 1.0 * 25.4 / 72.0, true, what);
    auto make = [&](double ox, double oy, TColor c) {
        auto* line = new TLOLine();
        line->SetStartPoint(MapPoint(m, x + ox, y + oy, 0, 0));
        line->SetEndPoint(MapPoint(m, x + ox, y + oy, dx, dy));
        line->SetLineWidth(std::max(1, Tenths(width)));
        TColorSpec spec;
        spec.SetColor(c);
        line->SetLineColor(spec);
        list.Add(line);
    };
    double sdx = 0, sdy = 0;
    TColor shadow = 0;
    if (Shadow(node, sdx, sdy, shadow, what))
        make(sdx, sdy, shadow);
    make(0, 0, OnWhite(colour));
    if (colour.A < 255)
        Warn(what, QStringLiteral("半透明の色は白い用紙に重ねた色で印刷します"));
}

void TImporter::CollectSpans(const TNode& node, TSpanStyle style, std::vector<TLine>& lines, bool& mixed)
{
    if (node.Name == u"Span")
        ApplySpanAttributes(node, style);
    static const QRegularExpression fieldPattern(QStringLiteral("\\$\\{([^}]*)\\}"));
    auto useStyle = [&] {
        if (!FFirstStyle)
            FFirstStyle = style;
        else if (!SameStyle(*FFirstStyle, style))
            mixed = true;
    };
    for (const auto& c : node.Children) {
        if (c->Name.isEmpty() && node.Name != u"Span") {
            // Between the spans: the file's own layout, not text.
            continue;
        }
        if (c->Name.isEmpty()) {
            // Literal text; "${name}" in it is a field as well.
            const QStringList parts = c->Text.split(u'\n');
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    lines.emplace_back();
                const QString& part = parts[i];
                if (!part.isEmpty())
                    useStyle();
                qsizetype at = 0;
                auto it = fieldPattern.globalMatch(part);
                while (it.hasNext()) {
                    const auto match = it.next();
                    if (match.capturedStart() > at)
                        lines.back().push_back({false, part.mid(at, match.capturedStart() - at)});
                    lines.back().push_back({true, match.captured(1)});
                    at = match.capturedEnd();
                }
                if (at < part.size())
                    lines.back().push_back({false, part.mid(at)});
            }
        } else if (c->Name == u"NL") {
            lines.emplace_back();
        } else if (c->Name == u"Field") {
            useStyle();
            lines.back().push_back({true, c->Attr("name")});
        } else if (c->Name == u"Span") {
            CollectSpans(*c, style, lines, mixed);
        }
    }
}

void TImporter::Text(const TNode& node, TDOList& list, const QString& what)
{
    const double x = Length(node, "x", 0, false, what), y = Length(node, "y", 0, false, what);
    double w = Length(node, "w", 0, true, what), h = Length(node, "h", 0, true, what);
    std::vector<TLine> lines(1);
    bool mixed = false;
    FFirstStyle.reset();
    TSpanStyle base;
    CollectSpans(node, base, lines, mixed);
    const TSpanStyle style = FFirstStyle.value_or(base);
    while (lines.size() > 1 && lines.back().empty())
        lines.pop_back();

    int fields = 0;
    bool literal = false;
    for (const TLine& l : lines)
        for (const TPiece& piece : l) {
            if (piece.Field)
                ++fields;
            else if (!piece.Text.trimmed().isEmpty())
                literal = true;
        }

    // The lines as the project shows them, fields by their names: what the text is
    // measured by.
    QStringList shown;
    for (const TLine& l : lines) {
        QString s;
        for (const TPiece& piece : l)
            s += piece.Text;
        shown << s;
    }
    std::unique_ptr<TLOVelmoText> text;
    if (fields == 0) {
        text = std::make_unique<TLOVelmoText>();
        QStringList plain;
        for (const TLine& l : lines) {
            QString s;
            for (const TPiece& piece : l)
                s += piece.Text;
            plain << s;
        }
        text->SetLines(plain);
    } else {
        auto merge = std::make_unique<TLOInsText>();
        int first = -1;
        QString format;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0)
                format += u'\n';
            for (const TPiece& piece : lines[i]) {
                if (piece.Field) {
                    const int n = FFields.Resolve(piece.Text, FResult.Warnings);
                    if (first < 0)
                        first = n;
                    format += QStringLiteral("${%1}").arg(n + 1);
                } else {
                    format += QString(piece.Text).replace(QLatin1String("$"), QLatin1String("$$"));
                }
            }
        }
        merge->SetInsertionField(first);
        // A single field is the field; anything more is a format of the whole text.
        if (fields > 1 || literal || lines.size() > 1)
            merge->SetInsertionFormat(format);
        merge->SetInsertionText(QString());
        text = std::move(merge);
    }
    TPointBasedFont font;
    font.SetName(style.Family);
    font.SetSize(std::max(1, int(std::lround(style.Size))));
    font.SetStyle((style.Bold ? fsBold : 0) | (style.Italic ? fsItalic : 0) |
                  (style.Underline ? fsUnderline : 0));
    text->SetFontObject(&font);
    if (std::abs(style.Size - std::lround(style.Size)) > 0.01)
        Warn(what, QStringLiteral("文字サイズ %1pt を %2pt に丸めました")
                       .arg(style.Size)
                       .arg(std::lround(style.Size)));
    TColorSpec colour;
    colour.SetColor(OnWhite(style.Colour));
    text->SetTextColor(&colour);
    if (style.Colour.A < 255)
        Warn(what, QStringLiteral("半透明の色は白い用紙に重ねた色で印刷します"));
    if (mixed)
        Warn(what, QStringLiteral("書体や色が混じった文字のため、最初のものを全体に使います"));
    const QString justify = node.Attr("justify");
    text->SetAlignValue(justify == u"Center" ? kAlignCenter : justify == u"Right" ? kAlignRight : kAlignLeft);

    // The line height as our text lays it out, for line spacing and vertical
    // alignment.
    TSimpleText measure;
    measure.SetFont(&font);
    measure.SetLines(shown);
    const int lineHeight = measure.LineHeight();
    const int spacing = int(std::lround((style.LineSpacing - 1.0) * lineHeight));
    text->SetLineSpacing(spacing);
    measure.SetLineSpacing(spacing);
    if (IsTrue(node.Attr("auto_shrink")))
        Warn(what, QStringLiteral("自動縮小には対応していないため、文字は元の大きさのままです"));

    double sdx = 0, sdy = 0;
    TColor shadow = 0;
    if (Shadow(node, sdx, sdy, shadow, what) && lineHeight > 0) {
        text->SetShadow(9);
        text->SetShadowOffsetX(int(std::lround(sdx * 10 * 100 / lineHeight)));
        text->SetShadowOffsetY(int(std::lround(sdy * 10 * 100 / lineHeight)));
        TColorSpec s;
        s.SetColor(shadow);
        text->SetShadowColor(&s);
    }

    const TAffine m = Matrix(node, what);
    const bool autoSize = w <= 0 || h <= 0;
    // gLabels keeps its text kTextMargin inside the box on either side, and wraps
    // the lines of a box of fixed width at that width.
    const double left = kTextMargin;
    if (!autoSize) {
        const int room = std::max(1, Tenths(w - 2 * kTextMargin));
        if (fields == 0) {
            const QStringList wrapped = WrapLines(shown, measure, room);
            if (wrapped != shown) {
                shown = wrapped;
                text->SetLines(shown);
                measure.SetLines(shown);
            }
        } else {
            Warn(what, QStringLiteral("差し込んだ文字は枠の幅で折り返さずに印刷します"));
        }
        w = std::max(0.1, w - 2 * kTextMargin);
    }
    const int lineCount = int(shown.size());
    const double extent = (std::max(1, lineCount) * (lineHeight + spacing) - spacing) / 10.0;
    double top = 0, boxH = h;
    if (autoSize) {
        // gLabels sizes such a text to its content: measured here the same way.
        const TLogRect bounds = measure.GetBounds({0, 0, 0, 0});
        if (w <= 0)
            w = std::max(1, bounds.Width()) / 10.0;
        boxH = extent;
    } else {
        const QString valign = node.Attr("valign");
        if (valign == u"Center")
            top = (h - extent) / 2;
        else if (valign == u"Bottom")
            top = h - extent;
        boxH = extent;
    }
    const TPlacement p = Place(m, x, y, left, top, w, boxH);
    if (!p.Refusal.isEmpty()) {
        Warn(what, QStringLiteral("省きました: %1").arg(p.Refusal));
        return;
    }
    text->SetAutoSizeValue(false);
    text->SetBaseRect(p.Rect);
    text->SetAngleValue(p.Angle);
    // A text gLabels sizes to its content follows each record's value.
    text->SetAutoSizeValue(autoSize);
    list.Add(text.release());
}

bool TImporter::LoadPicture(TLOImage& image, const QString& source, double w, double h, const QString& what)
{
    QByteArray bytes;
    QString kind;
    const auto embedded = FEmbedded.find(source);
    if (embedded != FEmbedded.end()) {
        bytes = embedded->second.Bytes;
        kind = embedded->second.Kind;
    } else {
        QString path = source;
        if (QFileInfo(path).isRelative() && !FOptions.FileName.isEmpty())
            path = QFileInfo(FOptions.FileName).absoluteDir().filePath(source);
        if (!QFileInfo(path).isFile() && !Beside(path).isEmpty()) {
            Warn(what,
                 QStringLiteral("画像「%1」が見つからないため、プロジェクトと同じフォルダの %2 を使います")
                     .arg(source, Beside(path)));
            path = Beside(path);
        }
        QFileInfo info(path);
        if (!info.isFile()) {
            Warn(what, QStringLiteral("画像「%1」が見つからないため、空の枠を置きました").arg(source));
            return false;
        }
        if (info.size() > kMaxPictureBytes) {
            Warn(what, QStringLiteral("画像「%1」が%2MBを超えるため、空の枠を置きました")
                           .arg(source)
                           .arg(kMaxPictureBytes >> 20));
            return false;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            Warn(what, QStringLiteral("画像「%1」を読めないため、空の枠を置きました").arg(source));
            return false;
        }
        bytes = file.readAll();
        kind = info.suffix().toLower();
        if (kind == u"jpeg")
            kind = QStringLiteral("jpg");
    }
    QImage raster;
    if (kind == u"pixdata") {
        QString why;
        raster = DecodeGdkPixdata(bytes, &why, kMaxPicturePixels);
    } else if (kind == u"svg" || kind == u"svgz") {
        QSvgRenderer svg(bytes);
        if (!svg.isValid()) {
            Warn(what, QStringLiteral("画像「%1」をSVGとして読めないため、空の枠を置きました").arg(source));
            return false;
        }
        // Drawn at 300 dpi of the frame it fills.
        const int pw = std::clamp(int(std::lround(w / 25.4 * 300)), 16, 4000);
        const int ph = std::clamp(int(std::lround(h / 25.4 * 300)), 16, 4000);
        raster = QImage(pw, ph, QImage::Format_ARGB32);
        raster.fill(Qt::transparent);
        QPainter painter(&raster);
        svg.render(&painter);
    }
    try {
        TLoadedPicture loaded;
        if (!raster.isNull()) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            raster.save(&buffer, "PNG");
            loaded = LoadPictureBytes(png, QStringLiteral("png"));
        } else {
            loaded = LoadPictureBytes(bytes, kind);
        }
        image.ImageData()->Picture()->SetGraphic(std::move(loaded.Graphic));
        if (loaded.KeyColor != clNone)
            image.ImageData()->SetTransparentColor(loaded.KeyColor);
    } catch (const Exception& e) {
        Warn(what,
             QStringLiteral("画像「%1」を読めないため（%2）、空の枠を置きました").arg(source, e.Message()));
        return false;
    }
    return true;
}

void TImporter::Image(const TNode& node, TDOList& list, const QString& what)
{
    const double x = Length(node, "x", 0, false, what), y = Length(node, "y", 0, false, what);
    const double w = Length(node, "w", 0, true, what), h = Length(node, "h", 0, true, what);
    const TPlacement p = Place(Matrix(node, what), x, y, 0, 0, w, h);
    if (!p.Refusal.isEmpty()) {
        Warn(what, QStringLiteral("省きました: %1").arg(p.Refusal));
        return;
    }
    QString source = node.Attr("src"), field = node.Attr("field");
    if (source.isEmpty())
        source = node.Attr("pixbuf");
    if (const TNode* file = node.Child("File")) {
        if (source.isEmpty())
            source = file->Attr("src");
        if (field.isEmpty())
            field = file->Attr("field");
    }
    std::unique_ptr<TLOImage> image;
    if (!field.isEmpty()) {
        auto merge = std::make_unique<TLOInsImage>();
        merge->SetInsertionField(FFields.Resolve(field, FResult.Warnings));
        image = std::move(merge);
    } else {
        image = std::make_unique<TLOVelmoImage>();
        bool loaded = false;
        if (source.isEmpty())
            Warn(what, QStringLiteral("画像の指定がないため、空の枠を置きました"));
        else
            loaded = LoadPicture(*image, source, w, h, what);
        // The frame shows where the picture belongs, for the user to choose another.
        image->SetBorder(!loaded);
    }
    image->SetBaseRect(p.Rect);
    image->SetAngleValue(p.Angle);
    list.Add(image.release());
}

// The barcode styles of gLabels' back-ends, by their names with case, spaces,
// hyphens and underscores dropped. Our own barcode kinds for Code 39, Code 128 and
// JAN (EAN-13/8); the libzint number for the rest.
struct TStyle
{
    const char* Name;
    int OwnKind; // -1: libzint
    int Zint;    // libzint's symbology number
    bool Check;  // Code 39 with its check character
};
constexpr TStyle kStyles[] = {
    {"code39", bkCode39, 0, false},
    {"c39", bkCode39, 0, false},
    {"code128", bkCode128, 0, false},
    {"code128b", bkCode128, 0, false},
    {"code128c", bkCode128, 0, false},
    {"c128", bkCode128, 0, false},
    {"ean13", bkJAN, 0, false},
    {"ean", bkJAN, 0, false},
    {"ean8", bkJAN, 0, false},
    {"upc", -1, 34, false},
    {"upca", -1, 34, false},
    {"upce", -1, 37, false},
    {"i25", -1, 3, false},
    {"interleaved2of5", -1, 3, false},
    {"itf", -1, 3, false},
    {"itf14", -1, 89, false},
    {"codabar", -1, 18, false},
    {"cbr", -1, 18, false},
    {"qrcode", -1, 58, false},
    {"qr", -1, 58, false},
    {"iec18004", -1, 58, false},
    {"microqr", -1, 97, false},
    {"iec16022", -1, 71, false},
    {"datamatrix", -1, 71, false},
    {"dm", -1, 71, false},
    {"pdf417", -1, 55, false},
    {"pdf", -1, 55, false},
    {"postnet", -1, 40, false},
    {"postnet5", -1, 40, false},
    {"postnet9", -1, 40, false},
    {"postnet11", -1, 40, false},
    {"code93", -1, 25, false},
    {"c93", -1, 25, false},
    {"aztec", -1, 92, false},
    {"gs1128", -1, 16, false},
    {"ean128", -1, 16, false},
    {"japanpost", -1, 76, false},
    {"japan", -1, 76, false},
    {"code11", -1, 1, false},
    {"msi", -1, 47, false},
    {"code39ext", -1, 9, false},
    {"c39ext", -1, 9, false},
    {"excode39", -1, 9, false},
    {"rss14", -1, 29, false},
    {"dbaromn", -1, 29, false},
    {"rssexp", -1, 31, false},
    {"dbarexp", -1, 31, false},
    {"micropdf", -1, 84, false},
    {"micropdf417", -1, 84, false},
    {"onecode", -1, 85, false},
    {"usps", -1, 85, false},
    {"rm4scc", -1, 70, false},
    {"kix", -1, 90, false},
    {"imail", -1, 85, false},
    {"uspsimail", -1, 85, false},
};

void TImporter::Barcode(const TNode& node, TDOList& list, const QString& what)
{
    const double x = Length(node, "x", 0, false, what), y = Length(node, "y", 0, false, what);
    const double w = Length(node, "w", 0, true, what), h = Length(node, "h", 0, true, what);
    const TPlacement p = Place(Matrix(node, what), x, y, 0, 0, w, h);
    if (!p.Refusal.isEmpty()) {
        Warn(what, QStringLiteral("省きました: %1").arg(p.Refusal));
        return;
    }
    QString style = node.Attr("style"), data = node.Attr("data"), field = node.Attr("field");
    if (const TNode* d = node.Child("Data")) {
        if (data.isEmpty())
            data = d->Attr("data");
        if (field.isEmpty())
            field = d->Attr("field");
        for (const auto& t : d->Children)
            if (t->Name.isEmpty() && data.isEmpty())
                data = t->Text.trimmed();
    }
    QString key = style.toLower();
    key.remove(QRegularExpression(QStringLiteral("[\\s_\\-]")));
    key.replace(u'+', QString());
    const TStyle* found = nullptr;
    for (const TStyle& s : kStyles)
        if (key == QLatin1String(s.Name))
            found = &s;
    if (!found) {
        Warn(what, QStringLiteral("バーコードの種類「%1」には対応していないため省きました").arg(style));
        return;
    }
    const bool check = IsTrue(node.Attr("checksum"));
    const bool showText = !node.Has("text") || IsTrue(node.Attr("text"));
    TRgba colour;
    if (node.Has("color") && !ParseColour(node.Attr("color"), colour))
        Warn(what, QStringLiteral("色「%1」を解釈できないため黒にしました").arg(node.Attr("color")));
    std::unique_ptr<TLOBarCode> code;
    const int fieldNo = field.isEmpty() ? -1 : FFields.Resolve(field, FResult.Warnings);
    if (found->OwnKind >= 0) {
        if (fieldNo >= 0) {
            auto merge = std::make_unique<TLOInsBarCode>();
            merge->SetInsertionField(fieldNo);
            code = std::move(merge);
        } else {
            code = std::make_unique<TLOBarCode>();
        }
        code->SetBarKind(found->OwnKind);
        code->SetAddCheckDigit(found->OwnKind == bkCode39 && check);
    } else {
        std::unique_ptr<TLOZintBarCode> zint;
        if (fieldNo >= 0) {
            auto merge = std::make_unique<TLOInsZintBarCode>();
            merge->SetInsertionField(fieldNo);
            zint = std::move(merge);
        } else {
            zint = std::make_unique<TLOZintBarCode>();
        }
        zint->SetSymbology(found->Zint);
        zint->SetBarColor(OnWhite(colour));
        zint->SetBackColor(clNone);
        zint->SetQuietZone(false);
        code = std::move(zint);
    }
    if (fieldNo < 0 && found->OwnKind == bkJAN && (data.size() == 7 || data.size() == 12) &&
        !NormalizeJAN(data).isEmpty())
        code->SetJANCode(NormalizeJAN(data)); // gLabels adds the check digit itself
    else if (fieldNo < 0)
        code->SetJANCode(data);
    else if (auto* insertion = Supports<IDOInsertion>(code.get()))
        insertion->SetInsertionText(QString());
    code->SetShowNumber(showText);
    TColorSpec spec;
    spec.SetColor(OnWhite(colour));
    code->SetLineColor(spec);
    code->SetBaseRect(p.Rect);
    code->SetAngleValue(p.Angle);
    if (fieldNo < 0 && !code->HasValidCode())
        Warn(what, QStringLiteral("データ「%1」は%2のバーコードにならないため、バーコードは印刷されません")
                       .arg(data, style));
    list.Add(code.release());
}

} // namespace

QByteArray GlabelsProjectXml(const QByteArray& fileBytes)
{
    if (!fileBytes.startsWith("\x1F\x8B"))
        return fileBytes;
    z_stream s{};
    if (inflateInit2(&s, 16 + MAX_WBITS) != Z_OK)
        throw EGlabelsProject(QStringLiteral("展開を始められません"));
    QByteArray out;
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(fileBytes.constData()));
    s.avail_in = uInt(fileBytes.size());
    int rc = Z_OK;
    char chunk[65536];
    while (rc != Z_STREAM_END) {
        s.next_out = reinterpret_cast<Bytef*>(chunk);
        s.avail_out = sizeof chunk;
        rc = inflate(&s, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            inflateEnd(&s);
            if (rc == Z_BUF_ERROR)
                throw EGlabelsProject(QStringLiteral("gzip圧縮のデータが途中で切れています"));
            throw EGlabelsProject(QStringLiteral("gzip圧縮のデータが壊れています（%1）")
                                      .arg(QString::fromLatin1(s.msg ? s.msg : "data error")));
        }
        out.append(chunk, qsizetype(sizeof chunk - s.avail_out));
        if (out.size() > kMaxProjectBytes) {
            inflateEnd(&s);
            throw EGlabelsProject(QStringLiteral("展開すると%1MBを超えます").arg(kMaxProjectBytes >> 20));
        }
        if (rc == Z_OK && s.avail_in == 0 && s.avail_out != 0) {
            inflateEnd(&s);
            throw EGlabelsProject(QStringLiteral("gzip圧縮のデータが途中で切れています"));
        }
    }
    inflateEnd(&s);
    return out;
}

TGlabelsProject ImportGlabelsProject(const QByteArray& fileBytes, const TGlabelsOptions& options)
{
    if (fileBytes.size() > kMaxProjectBytes)
        throw EGlabelsProject(QStringLiteral("ファイルが%1MBを超えています").arg(kMaxProjectBytes >> 20));
    const QByteArray xml = GlabelsProjectXml(fileBytes);
    QString ns;
    const std::unique_ptr<TNode> root = ParseXml(xml, &ns);
    if (root->Name != u"Glabels-document")
        throw EGlabelsProject(
            QStringLiteral("gLabelsのプロジェクトではありません（ルート要素が%1です）").arg(root->Name));
    TGlabelsProject result;
    bool known = false;
    for (const char* n : kNamespaces)
        known = known || ns == QLatin1String(n);
    if (!known)
        result.Warnings
            << QStringLiteral("未知の名前空間「%1」のプロジェクトをバージョン3として読みました").arg(ns);
    TImporter importer(options, result);
    importer.Run(*root);
    return result;
}

} // namespace velmo
