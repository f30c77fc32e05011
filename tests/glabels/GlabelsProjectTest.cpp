// gLabels projects written here from the public file format, read into documents:
// every namespace plain and compressed, the paper matched to a catalogue, the
// objects' places through the affine matrix, texts with fields, pictures from every
// source, barcodes of both families, the merge link, and damaged files that must
// end with a message and no document.
#include "barcode/ULOBarCode.h"
#include "barcode/ULOZintBarCode.h"
#include "document/ULabelData.h"
#include "glabels/UGlabelsPixdata.h"
#include "glabels/UGlabelsProject.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "merge/ULOInsertion.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULOImage.h"
#include "objects/ULOLine.h"
#include "objects/ULORect.h"
#include "paper/UVelmoPapers.h"
#include "text/ULOText.h"
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace velmo;

namespace {

void Register()
{
    static const bool done = [] {
        RegisterImagingGraphics();
        RegisterPictureFormats();
        RegisterPaperClasses();
        RegisterShapeClasses();
        RegisterImageClasses();
        RegisterMergeClasses();
        return true;
    }();
    (void)done;
}

const char* const kTemplate3 = R"(
  <Template brand="Avery" part="5160" size="US-Letter" description="Address Labels">
    <Meta category="label"/>
    <Label-rectangle id="0" width="2.625in" height="1in" round="0.0625in" x_waste="0in" y_waste="0in">
      <Markup-margin size="0.0625in"/>
      <Layout nx="3" ny="10" x0="0.15625in" y0="0.5in" dx="2.78125in" dy="1in"/>
    </Label-rectangle>
  </Template>)";

QByteArray Project(const QString& ns, const QString& objects, const QString& extra = {},
                   const QString& templ = QString::fromUtf8(kTemplate3),
                   const QString& rotate = QStringLiteral("False"))
{
    return QStringLiteral("<?xml version=\"1.0\"?>\n<Glabels-document xmlns=\"%1\">%2\n"
                          "  <Objects id=\"0\" rotate=\"%3\">\n%4\n  </Objects>\n%5\n</Glabels-document>\n")
        .arg(ns, templ, rotate, objects, extra)
        .toUtf8();
}

QByteArray Gzip(const QByteArray& bytes)
{
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(bytes.size()))), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    s.avail_in = uInt(bytes.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(qsizetype(s.total_out));
    deflateEnd(&s);
    return out;
}

struct TRead
{
    TGlabelsProject Project;
    TDOList Objects;
    ~TRead() { Objects.FreeObjects(); }
    template <class T> std::vector<T*> All() const
    {
        std::vector<T*> found;
        for (TDrawObject* o : Objects.Objects())
            if (auto* t = dynamic_cast<T*>(o); t && typeid(*o) == typeid(T))
                found.push_back(t);
        return found;
    }
    bool Warned(const QString& part) const
    {
        for (const QString& w : Project.Warnings)
            if (w.contains(part))
                return true;
        return false;
    }
};

std::unique_ptr<TRead> Read(const QByteArray& bytes, TGlabelsOptions options = {})
{
    Register();
    auto read = std::make_unique<TRead>();
    read->Project = ImportGlabelsProject(bytes, options);
    if (read->Project.Document->LabelHasData(0))
        read->Project.Document->ReadLabel(0, read->Objects);
    return read;
}

QString Failure(const QByteArray& bytes)
{
    Register();
    try {
        ImportGlabelsProject(bytes, {});
    } catch (const EGlabelsProject& e) {
        return e.Message();
    }
    return QStringLiteral("(no failure)");
}

const QString kNs3 = QStringLiteral("http://glabels.org/xmlns/3.0/");

} // namespace

TEST(GlabelsProject, EveryNamespacePlainAndCompressedGivesTheSamePaperAndBox)
{
    const QString box = QStringLiteral(
        R"(<Object-box x="10pt" y="5pt" w="72pt" h="36pt" line_width="1pt" line_color="0x000000ff" fill_color="0xff0000ff"/>)");
    for (const char* ns : {"http://snaught.com/glabels/2.0/", "http://snaught.com/glabels/2.2/",
                           "http://glabels.org/xmlns/2.3/", "http://glabels.org/xmlns/3.0/"}) {
        for (bool compressed : {false, true}) {
            SCOPED_TRACE(std::string(ns) + (compressed ? " gzip" : " plain"));
            const QByteArray plain = Project(QString::fromLatin1(ns), box);
            auto read = Read(compressed ? Gzip(plain) : plain);
            const TPaperInfo* paper = read->Project.Document->Paper();
            ASSERT_TRUE(paper);
            EXPECT_EQ(paper->GetFaceCount(), 30);
            EXPECT_EQ(paper->PortraitWidth(), 2159);
            EXPECT_FALSE(paper->Landscape());
            EXPECT_TRUE(read->Project.Warnings.isEmpty()) << read->Project.Warnings.join(u'\n').toStdString();
            const auto rects = read->All<TLORect>();
            ASSERT_EQ(rects.size(), 1u);
            // 10 pt = 35.3 tenths, 72 pt = one inch.
            EXPECT_EQ(rects[0]->BaseRect().Left, 35);
            EXPECT_EQ(rects[0]->BaseRect().Top, 18);
            EXPECT_EQ(rects[0]->BaseRect().Width(), 254);
            EXPECT_EQ(rects[0]->BaseRect().Height(), 127);
            EXPECT_TRUE(rects[0]->FillInside());
            EXPECT_EQ(rects[0]->FillColor()->Color(), TColor(0x0000FF));
            EXPECT_FALSE(read->Project.Document->SeparatelyDesign());
        }
    }
}

TEST(GlabelsProject, VersionTwoTemplateNamesRotatedDesignsAndTheCatalogueMatch)
{
    // 2.2 names the template in one attribute; rotate="True" is a landscape design.
    const QString templ = QStringLiteral(R"(
  <Template name="Acme 42" size="A4" description="Round">
    <Label-round id="0" radius="20mm" waste="0">
      <Layout nx="4" ny="6" x0="10mm" y0="10mm" dx="50mm" dy="45mm"/>
    </Label-round>
  </Template>)");
    const QByteArray bytes =
        Project(QStringLiteral("http://snaught.com/glabels/2.2/"), {}, {}, templ, QStringLiteral("True"));
    auto alone = Read(bytes);
    ASSERT_TRUE(alone->Project.NewPaper);
    EXPECT_TRUE(alone->Project.MatchedPaper.isEmpty());
    const TPaperInfo* paper = alone->Project.Document->Paper();
    EXPECT_TRUE(paper->Landscape());
    EXPECT_EQ(paper->GetFaceCount(), 24);
    EXPECT_EQ(paper->GetFaceShape(0), fsEllipse);
    EXPECT_EQ(paper->GetFaceRect(0).Width(), 400);
    EXPECT_TRUE(paper->PaperName().startsWith(QStringLiteral("Acme 42 ")));

    // The same sheet in a catalogue under another name, 0.05 mm off: that paper.
    QTemporaryDir dir;
    TTemplateImporter importer;
    importer.AddFile(QStringLiteral("c.xml"), QByteArray(R"(<Glabels-templates>
  <Template brand="Other" part="R40" size="A4"><Label-round id="0" radius="20.04mm">
    <Layout nx="4" ny="6" x0="10.03mm" y0="10mm" dx="50mm" dy="45mm"/></Label-round></Template>
</Glabels-templates>)"));
    {
        TVelmoPapers papers(dir.filePath(QStringLiteral("c.ppr")), false);
        ASSERT_EQ(TTemplateImporter::Store(papers, importer.Convert()), 1);
        papers.Close();
    }
    TVelmoPapers catalogue(dir.filePath(QStringLiteral("c.ppr")), true);
    TGlabelsOptions options;
    options.Catalogues = {&catalogue};
    auto matched = Read(bytes, options);
    EXPECT_TRUE(matched->Project.MatchedPaper.startsWith(QStringLiteral("Other R40")))
        << matched->Project.MatchedPaper.toStdString();
    EXPECT_FALSE(matched->Project.NewPaper);
    EXPECT_TRUE(matched->Project.Document->Paper()->Landscape());
}

TEST(GlabelsProject, AffineMatrixTurnsAboutTheMappedCentreAndRefusesFlipsAndShears)
{
    // Turned 90 degrees about its own top-left corner (gLabels' matrix with no
    // translation): the 72 × 36 pt box now hangs left of its origin.
    auto read = Read(Project(kNs3, QStringLiteral(R"(
<Object-box x="100pt" y="10pt" w="72pt" h="36pt" line_width="1pt" line_color="0x000000ff" a0="0" a1="1" a2="-1" a3="0" a4="0" a5="0"/>
<Object-ellipse x="0" y="0" w="36pt" h="36pt" line_color="0x000000ff" a0="2" a1="0" a2="0" a3="1" a4="0" a5="0"/>
<Object-box x="0" y="0" w="10pt" h="10pt" a0="-1" a1="0" a2="0" a3="1"/>
<Object-box x="0" y="0" w="10pt" h="10pt" a0="1" a1="0" a2="0.5" a3="1"/>
<Object-line x="10pt" y="10pt" dx="72pt" dy="0" line_width="2pt" line_color="0x0000ffff" a0="0" a1="1" a2="-1" a3="0"/>)")));
    const auto rects = read->All<TLORect>();
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0]->Angle(), 90);
    // Centre: (100 - 18, 10 + 36) pt = (28.93, 16.23) mm; the unturned rectangle
    // keeps its 72 × 36 pt about it.
    const TLogRect r = rects[0]->BaseRect();
    EXPECT_NEAR((r.Left + r.Right) / 2.0, 289.3, 1);
    EXPECT_NEAR((r.Top + r.Bottom) / 2.0, 162.3, 1);
    EXPECT_EQ(r.Width(), 254);
    // A stretch is a size.
    const auto circles = read->All<TLOCircle>();
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0]->BaseRect().Width(), 254);
    EXPECT_EQ(circles[0]->BaseRect().Height(), 127);
    EXPECT_TRUE(read->Warned(QStringLiteral("オブジェクト3 (Object-box): 省きました: 裏返し")));
    EXPECT_TRUE(read->Warned(QStringLiteral("オブジェクト4 (Object-box): 省きました: 斜めにゆがめられて")));
    // Lines take any matrix: their ends are mapped.
    const auto lines = read->All<TLOLine>();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->GetStartPoint(), QPoint(35, 35));
    EXPECT_EQ(lines[0]->GetEndPoint(), QPoint(35, 35 + 254));
    EXPECT_EQ(lines[0]->LineWidth(), 7);
}

TEST(GlabelsProject, ShadowsAreShapesBelowAndTransparencyMixesWithWhite)
{
    auto read = Read(Project(kNs3, QStringLiteral(R"(
<Object-box x="0" y="0" w="36pt" h="36pt" line_width="0" line_color="0x00000000" fill_color="0x0000ff80" shadow="True" shadow_x="3.6pt" shadow_y="3.6pt" shadow_color="0x000000ff" shadow_opacity="0.25"/>)")));
    // The shadow first (below), then the box.
    ASSERT_EQ(read->Objects.Count(), 2);
    auto* below = dynamic_cast<TLORect*>(read->Objects[0]);
    auto* top = dynamic_cast<TLORect*>(read->Objects[1]);
    ASSERT_TRUE(top && below);
    EXPECT_EQ(below->BaseRect().Left, top->BaseRect().Left + 13);
    EXPECT_EQ(below->FillColor()->Color(), TColor(0xBFBFBF));
    EXPECT_EQ(top->FillColor()->Color(), TColor(0xFF7F7F)); // half blue on white
    EXPECT_EQ(top->FrameWidth(), 0);
    EXPECT_TRUE(read->Warned(QStringLiteral("半透明の色は白い用紙に重ねた色")));
}

TEST(GlabelsProject, TextsKeepTheirSpanStyleAndBecomeMergeTextsWithFields)
{
    const QByteArray bytes =
        Project(kNs3, QStringLiteral(R"(
<Object-text x="10pt" y="10pt" w="144pt" h="50pt" justify="Right" valign="Bottom" auto_shrink="False">
  <Span color="0x0000ffff" font_family="Serif" font_size="12" font_weight="Bold" font_italic="True" font_underline="True" line_spacing="1.5">First line<NL/>Second</Span>
</Object-text>
<Object-text x="10pt" y="40pt" w="0pt" h="0pt" justify="Left" valign="Top"><Span font_family="Sans" font_size="10"><Field name="city"/></Span></Object-text>
<Object-text x="60pt" y="40pt" w="0pt" h="0pt"><Span font_family="Sans" font_size="10">To ${name} in <Field name="city"/> ${nowhere}</Span></Object-text>
<Object-text x="10pt" y="55pt" w="0pt" h="0pt"><Span font_family="Sans" font_size="10">Price: $${zip}</Span></Object-text>)"),
                QStringLiteral(R"(<Merge type="Text/Comma/Line1Keys" src="data.csv"/>)"));
    QTemporaryDir dir;
    QFile csv(dir.filePath(QStringLiteral("data.csv")));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("name,zip,city\nTaro,100-0001,Tokyo\n");
    csv.close();
    TGlabelsOptions options;
    options.FileName = dir.filePath(QStringLiteral("p.glabels"));
    auto read = Read(bytes, options);
    EXPECT_EQ(read->Project.Document->CSVFile(), dir.filePath(QStringLiteral("data.csv")));
    EXPECT_TRUE(read->Project.Document->CSVFieldName());

    const auto plain = read->All<TLOVelmoText>();
    ASSERT_EQ(plain.size(), 1u);
    TLOVelmoText* t = plain[0];
    EXPECT_EQ(t->Text()->Lines(), QStringList({QStringLiteral("First line"), QStringLiteral("Second")}));
    EXPECT_EQ(t->Font()->Name(), QStringLiteral("Serif"));
    EXPECT_EQ(t->Font()->Size(), 12);
    EXPECT_EQ(t->Font()->Style(), fsBold | fsItalic | fsUnderline);
    EXPECT_EQ(t->Align(), 2);
    EXPECT_GT(t->LineSpacing(), 0);
    // Bottom-aligned in the 50 pt box: the text's own box ends where gLabels' box does.
    EXPECT_NEAR(t->BaseRect().Bottom, 35 + 176, 2);
    EXPECT_LT(t->BaseRect().Height(), 150);

    const auto merged = read->All<TLOInsText>();
    ASSERT_EQ(merged.size(), 3u);
    auto at = [&](int left, int top) -> TLOInsText* {
        for (TLOInsText* m : merged)
            if (std::abs(m->BaseRect().Top - top) <= 2 && std::abs(m->BaseRect().Left - left) <= 2)
                return m;
        return nullptr;
    };
    TLOInsText* city = at(46, 141);
    ASSERT_TRUE(city);
    EXPECT_EQ(city->InsertionField(), 2);
    EXPECT_TRUE(city->InsertionFormat().isEmpty());
    TLOInsText* mixed = at(222, 141);
    ASSERT_TRUE(mixed);
    // ${nowhere} is no column: it points past the fields and prints empty.
    const QStringList record = {QStringLiteral("Taro"), QStringLiteral("100-0001"), QStringLiteral("Tokyo")};
    EXPECT_EQ(FormatInsertion(mixed->InsertionFormat(), record), QStringLiteral("To Taro in Tokyo "));
    EXPECT_TRUE(read->Warned(QStringLiteral("差し込み項目「nowhere」が差し込みデータにない")));
    TLOInsText* price = at(46, 194);
    ASSERT_TRUE(price);
    EXPECT_EQ(FormatInsertion(price->InsertionFormat(), record), QStringLiteral("Price: $100-0001"));
}

TEST(GlabelsProject, NumberedFieldsWithoutNamesLineAndAReplacedMergeSource)
{
    QTemporaryDir dir;
    QFile tsv(dir.filePath(QStringLiteral("other.tsv")));
    ASSERT_TRUE(tsv.open(QIODevice::WriteOnly));
    tsv.write("a\tb\tc\n");
    tsv.close();
    TGlabelsOptions options;
    options.MergeFile = tsv.fileName();
    auto read = Read(
        Project(kNs3,
                QStringLiteral(R"(<Object-text x="0" y="0" w="0" h="0"><Span>${3}</Span></Object-text>)"),
                QStringLiteral(R"(<Merge type="Text/Tab" src="/home/someone/else.txt"/>)")),
        options);
    EXPECT_EQ(read->Project.Document->CSVFile(), tsv.fileName());
    EXPECT_FALSE(read->Project.Document->CSVFieldName());
    const auto merged = read->All<TLOInsText>();
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0]->InsertionField(), 2);
    EXPECT_TRUE(read->Project.Warnings.isEmpty()) << read->Project.Warnings.join(u'\n').toStdString();

    // Without the replacement the project's own source is kept, and said missing.
    auto missing =
        Read(Project(kNs3, {}, QStringLiteral(R"(<Merge type="Text/Tab" src="/home/someone/else.txt"/>)")));
    EXPECT_EQ(missing->Project.Document->CSVFile(), QStringLiteral("/home/someone/else.txt"));
    EXPECT_TRUE(missing->Warned(QStringLiteral("が見つかりません")));
}

TEST(GlabelsProject, PicturesFromTheDataSectionBesideTheProjectAndMissing)
{
    QImage red(4, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    {
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        red.save(&b, "PNG");
    }
    // A run-length encoded 3 × 1 RGBA GdkPixdata: one run of three green pixels.
    QByteArray pix;
    auto be = [&pix](quint32 v) {
        for (int s = 24; s >= 0; s -= 8)
            pix.append(char((v >> s) & 0xFF));
    };
    be(0x47646B50);
    be(24 + 5);
    be(0x02 | (0x01 << 16) | (0x02 << 24));
    be(12);
    be(3);
    be(1);
    pix.append("\x83\x00\xFF\x00\xFF", 5);
    QTemporaryDir dir;
    QFile beside(dir.filePath(QStringLiteral("logo.png")));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.write(png);
    beside.close();
    QFile svg(dir.filePath(QStringLiteral("shape.svg")));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><rect width="10" height="10" fill="#00f"/></svg>)");
    svg.close();
    const QString data = QStringLiteral(R"(<Data>
  <File name="embedded.png" mimetype="image/png" encoding="base64">%1</File>
  <Pixdata name="old.pixdata" encoding="Base64">%2</Pixdata>
</Data>)")
                             .arg(QString::fromLatin1(png.toBase64()), QString::fromLatin1(pix.toBase64()));
    TGlabelsOptions options;
    options.FileName = dir.filePath(QStringLiteral("p.glabels"));
    auto read = Read(Project(kNs3, QStringLiteral(R"(
<Object-image x="0" y="0" w="20pt" h="10pt" src="embedded.png"/>
<Object-image x="0" y="20pt" w="20pt" h="10pt" src="old.pixdata"/>
<Object-image x="0" y="40pt" w="20pt" h="10pt" src="logo.png"/>
<Object-image x="0" y="60pt" w="20pt" h="20pt" src="shape.svg"/>
<Object-image x="0" y="80pt" w="20pt" h="10pt" src="gone.png"/>
<Object-image x="0" y="100pt" w="20pt" h="10pt" field="photo"/>)"),
                             data),
                     options);
    const auto images = read->All<TLOVelmoImage>();
    ASSERT_EQ(images.size(), 5u);
    int withPicture = 0;
    for (TLOVelmoImage* image : images)
        withPicture += image->HasPicture() ? 1 : 0;
    EXPECT_EQ(withPicture, 4);
    // The one without its picture shows a frame where it belongs.
    for (TLOVelmoImage* image : images)
        EXPECT_EQ(image->Border(), !image->HasPicture());
    EXPECT_TRUE(read->Warned(QStringLiteral("画像「gone.png」が見つからないため、空の枠")));
    EXPECT_EQ(read->All<TLOInsImage>().size(), 1u);

    QString why;
    const QImage decoded = DecodeGdkPixdata(pix, &why, 100);
    ASSERT_FALSE(decoded.isNull()) << why.toStdString();
    EXPECT_EQ(decoded.size(), QSize(3, 1));
    EXPECT_EQ(decoded.pixel(2, 0), qRgba(0, 255, 0, 255));
    EXPECT_TRUE(DecodeGdkPixdata(pix.left(27), &why, 100).isNull());
    EXPECT_TRUE(why.contains(QStringLiteral("途中で切れて")));
}

TEST(GlabelsProject, BarcodeStylesGoToOurKindsOrToLibzint)
{
    auto read = Read(Project(kNs3, QStringLiteral(R"(
<Object-barcode x="0" y="0" w="100pt" h="30pt" style="Code39" backend="built-in" text="True" checksum="True" color="0x000000ff" data="ABC"/>
<Object-barcode x="0" y="40pt" w="100pt" h="30pt" style="Code128" backend="built-in" text="False" data="x1"/>
<Object-barcode x="0" y="80pt" w="100pt" h="30pt" style="EAN-13" backend="built-in" data="490123456789"/>
<Object-barcode x="0" y="120pt" w="40pt" h="40pt" style="IEC16022" backend="libiec16022" data="DM"/>
<Object-barcode x="50pt" y="120pt" w="40pt" h="40pt" style="IEC18004" backend="libqrencode" field="url"/>
<Object-barcode x="0" y="170pt" w="100pt" h="20pt" style="POSTNET" data="12345"/>
<Object-barcode x="0" y="200pt" w="100pt" h="20pt" style="MaxiCode" data="1"/>)")));
    const auto own = read->All<TLOBarCode>();
    ASSERT_EQ(own.size(), 3u);
    std::map<int, TLOBarCode*> kinds;
    for (TLOBarCode* c : own)
        kinds[c->BarKind()] = c;
    ASSERT_TRUE(kinds.count(bkCode39) && kinds.count(bkCode128) && kinds.count(bkJAN));
    EXPECT_TRUE(kinds[bkCode39]->AddCheckDigit());
    EXPECT_TRUE(kinds[bkCode39]->ShowNumber());
    EXPECT_FALSE(kinds[bkCode128]->ShowNumber());
    EXPECT_TRUE(kinds[bkJAN]->HasValidCode());
    const auto zint = read->All<TLOZintBarCode>();
    ASSERT_EQ(zint.size(), 2u);
    std::set<int> symbologies;
    for (TLOZintBarCode* z : zint)
        symbologies.insert(z->Symbology());
    EXPECT_EQ(symbologies, std::set<int>({71, 40}));
    // Both draw: their symbologies are among those the barcode object knows.
    for (TLOZintBarCode* z : zint)
        EXPECT_TRUE(z->HasValidCode()) << z->Symbology() << " " << z->EncodeError().toStdString();
    const auto mergeQr = read->All<TLOInsZintBarCode>();
    ASSERT_EQ(mergeQr.size(), 1u);
    EXPECT_EQ(mergeQr[0]->Symbology(), 58);
    EXPECT_TRUE(read->Warned(QStringLiteral("バーコードの種類「MaxiCode」には対応していない")));
}

TEST(GlabelsProject, DamagedProjectsEndWithAMessage)
{
    const QByteArray good = Project(kNs3, QStringLiteral(R"(<Object-box x="0" y="0" w="10pt" h="10pt"/>)"));
    const QByteArray packed = Gzip(good);
    EXPECT_TRUE(Failure(packed.left(packed.size() / 2)).contains(QStringLiteral("途中で切れて")))
        << Failure(packed.left(packed.size() / 2)).toStdString();
    QByteArray corrupt = packed;
    corrupt[20] = char(corrupt[20] ^ 0x55);
    corrupt[21] = char(corrupt[21] ^ 0x55);
    EXPECT_TRUE(Failure(corrupt).contains(QStringLiteral("gzip圧縮のデータが")))
        << Failure(corrupt).toStdString();
    EXPECT_TRUE(Failure(good.left(good.size() - 30)).contains(QStringLiteral("XMLとして正しくありません")));
    const QByteArray bomb = R"(<?xml version="1.0"?>
<!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/"><Objects><Object-text><Span>&lol3;</Span></Object-text></Objects></Glabels-document>)";
    EXPECT_TRUE(Failure(bomb).contains(QStringLiteral("文書型の宣言"))) << Failure(bomb).toStdString();
    EXPECT_TRUE(Failure(Project(kNs3, QStringLiteral(R"(<Object-box x="0" y="0" w="-10pt" h="10pt"/>)")))
                    .contains(QStringLiteral("大きさが負です")));
    // A picture claiming 100,000 × 100,000 pixels.
    QByteArray huge;
    for (quint32 v :
         {0x47646B50u, 24u + 4u, 0x02u | (0x01u << 16) | (0x01u << 24), 400000u, 100000u, 100000u})
        for (int s = 24; s >= 0; s -= 8)
            huge.append(char((v >> s) & 0xFF));
    huge.append("\0\0\0\0", 4);
    const QString data = QStringLiteral(R"(<Data><Pixdata name="big" encoding="Base64">%1</Pixdata></Data>)")
                             .arg(QString::fromLatin1(huge.toBase64()));
    EXPECT_TRUE(Failure(Project(kNs3, {}, data)).contains(QStringLiteral("範囲を超えて")));
    const QString noLayout = QStringLiteral(R"(<Template brand="X" part="1" size="A4">
    <Label-rectangle id="0" width="50mm" height="20mm"/></Template>)");
    EXPECT_TRUE(Failure(Project(kNs3, {}, {}, noLayout))
                    .contains(QStringLiteral("用紙の定義を使えません: no layout")));
    EXPECT_TRUE(
        Failure("<Glabels-templates/>").contains(QStringLiteral("gLabelsのプロジェクトではありません")));
    EXPECT_TRUE(Failure(Project(kNs3, {}, {}, QString())).contains(QStringLiteral("Template要素")));
}

TEST(GlabelsProject, TextsOfFixedWidthWrapAtTheBoxInsideItsMargins)
{
    auto read = Read(Project(kNs3, QStringLiteral(R"(
<Object-text x="0" y="0" w="60pt" h="60pt" justify="Left" valign="Top"><Span font_family="Sans" font_size="10">one two three four five six</Span></Object-text>
<Object-text x="0" y="0" w="0" h="0"><Span font_family="Sans" font_size="10">one two three four five six</Span></Object-text>
<Object-text x="80pt" y="0" w="30pt" h="30pt"><Span font_family="Sans" font_size="10"><Field name="1"/></Span></Object-text>)")));
    const auto texts = read->All<TLOVelmoText>();
    ASSERT_EQ(texts.size(), 2u);
    TLOVelmoText* boxed = texts[0]->Text()->Lines().size() > 1 ? texts[0] : texts[1];
    TLOVelmoText* free = boxed == texts[0] ? texts[1] : texts[0];
    EXPECT_EQ(free->Text()->Lines().size(), 1);
    EXPECT_GT(boxed->Text()->Lines().size(), 1);
    EXPECT_EQ(boxed->Text()->Lines().join(u' '), QStringLiteral("one two three four five six"));
    // 3 pt inside on either side: 60 pt less 6 pt.
    EXPECT_EQ(boxed->BaseRect().Left, 11);
    EXPECT_NEAR(boxed->BaseRect().Width(), 190.5, 1);
    EXPECT_EQ(free->BaseRect().Left, 11);
    EXPECT_TRUE(
        read->Warned(QStringLiteral("オブジェクト3 (Object-text): 差し込んだ文字は枠の幅で折り返さずに")));
}

TEST(GlabelsProject, EllipseAndCdTemplatesAndAnEmbeddedSvgDrawing)
{
    const QString ellipse = QStringLiteral(R"(
  <Template brand="Test" part="E1" size="A4"><Label-ellipse id="0" width="60mm" height="40mm">
    <Layout nx="2" ny="3" x0="20mm" y0="30mm" dx="90mm" dy="70mm"/></Label-ellipse></Template>)");
    auto oval = Read(Project(kNs3, {}, {}, ellipse));
    EXPECT_EQ(oval->Project.Document->Paper()->GetFaceShape(0), fsEllipse);
    EXPECT_EQ(oval->Project.Document->Paper()->GetFaceCount(), 6);

    const QString cd = QStringLiteral(R"(
  <Template brand="Test" part="CD2" size="A4"><Label-cd id="0" radius="58.5mm" hole="20.5mm">
    <Layout nx="1" ny="2" x0="46.5mm" y0="21.5mm" dx="117mm" dy="137mm"/></Label-cd></Template>)");
    const QString svg = QStringLiteral(
        R"(<Data><File name="mark.svg" mimetype="image/svg+xml"><![CDATA[<svg xmlns="http://www.w3.org/2000/svg" width="8" height="8"><circle cx="4" cy="4" r="4" fill="red"/></svg>]]></File></Data>)");
    auto disc = Read(Project(
        kNs3, QStringLiteral(R"(<Object-image x="100pt" y="100pt" w="40pt" h="40pt" src="mark.svg"/>)"), svg,
        cd));
    const TPaperInfo* paper = disc->Project.Document->Paper();
    EXPECT_EQ(paper->GetFaceShape(0), fsDoughnut);
    EXPECT_EQ(paper->GetFaceRect(0).Width(), 1170);
    EXPECT_EQ(paper->GetCutCenter(0).width(), 410);
    const auto images = disc->All<TLOVelmoImage>();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_TRUE(images[0]->HasPicture());
    EXPECT_TRUE(disc->Project.Warnings.isEmpty()) << disc->Project.Warnings.join(u'\n').toStdString();
}

TEST(GlabelsProject, FilesOfAnotherHomeAreFoundBesideTheProject)
{
    // A project moved with its data: the paths still name the author's home.
    QTemporaryDir dir;
    QFile csv(dir.filePath(QStringLiteral("people.csv")));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("name\nTaro\n");
    csv.close();
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(dir.filePath(QStringLiteral("logo.png"))));
    TGlabelsOptions options;
    options.FileName = dir.filePath(QStringLiteral("p.glabels"));
    auto read =
        Read(Project(kNs3, QStringLiteral(R"(
<Object-image x="0" y="0" w="20pt" h="20pt" src="/home/author/pictures/logo.png"/>
<Object-text x="0" y="30pt" w="0" h="0"><Span><Field name="name"/></Span></Object-text>)"),
                     QStringLiteral(R"(<Merge type="Text/Comma/Line1Keys" src="/home/author/people.csv"/>)")),
             options);
    EXPECT_EQ(read->Project.Document->CSVFile(), csv.fileName());
    ASSERT_EQ(read->All<TLOVelmoImage>().size(), 1u);
    EXPECT_TRUE(read->All<TLOVelmoImage>()[0]->HasPicture());
    ASSERT_EQ(read->All<TLOInsText>().size(), 1u);
    EXPECT_EQ(read->All<TLOInsText>()[0]->InsertionField(), 0);
    EXPECT_TRUE(read->Warned(QStringLiteral("プロジェクトと同じフォルダの")));
    EXPECT_FALSE(read->Warned(QStringLiteral("差し込みデータにない")));
}
