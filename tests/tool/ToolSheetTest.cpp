// velmo-tool sheet (in this process, with a label kind of the test's own, and as the
// program for its failures) and velmo-tool paper reading both stored forms.
#include "base/UNumbers.h"
#include "cli/UToolSheet.h"
#include "document/ULabelData.h"
#include "objects/ULDObjects.h"
#include "objects/ULORectBase.h"
#include "paper/UPaperInfo.h"
#include "persist/UComponentStream.h"
#include "storage/UDocFile.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

// A label filled with one colour.
class TSheetToolRect : public TLORectBase
{
    VELMO_DRAW_OBJECT(TSheetToolRect, TLORectBase)
public:
    explicit TSheetToolRect(TComponent* owner = nullptr) : TLORectBase(owner) {}
    int Color() const { return FColor; }
    void SetColor(int v) { FColor = v; }
    void SetEncloseSize(int w, int h) override
    {
        SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
    }
    void DrawGhost(QPainter& p) override { p.drawRect(QRectF(BaseRect().Left, BaseRect().Top, 1, 1)); }
    void Paint(QPainter& p) override
    {
        const TLogRect& r = BaseRect();
        p.fillRect(QRectF(r.Left, r.Top, r.Width(), r.Height()),
                   QColor(FColor & 0xFF, (FColor >> 8) & 0xFF, (FColor >> 16) & 0xFF));
    }

protected:
    void AssignDrawObject(const TDrawObject& source) override
    {
        TLORectBase::AssignDrawObject(source);
        if (const auto* o = dynamic_cast<const TSheetToolRect*>(&source))
            FColor = o->FColor;
    }

private:
    int FColor = 0;
};

const TPropertyTable& TSheetToolRect::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Color", &TSheetToolRect::Color, &TSheetToolRect::SetColor)
                                            .Default(0);
    return table;
}

std::unique_ptr<TMatrixPaperInfo> TwelveUp()
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("A4 12面"));
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

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

TEST(ToolSheet, DesignsShowAtTheirPositions)
{
    if (!FindLabelClass(u"TSheetToolRect"))
        RegisterLabelClass<TSheetToolRect>();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("twelve.lbd"));
    const std::map<int, int> colours{{0, 0x0000FF}, {5, 0x00FF00}, {11, 0xFF0000}};
    {
        TLabelData data;
        data.SetPaper(TwelveUp().get());
        for (auto [k, colour] : colours) {
            auto* rect = new TSheetToolRect;
            rect->SetBaseRect({0, 0, 864, 423});
            rect->SetColor(colour);
            TDOList list;
            list.Add(rect);
            data.WriteLabel(k, list);
            list.FreeObjects();
        }
        data.Save(file);
    }
    const QString out = dir.filePath(QStringLiteral("sheet.png"));
    ASSERT_EQ(
        tool::CommandSheet({file, QStringLiteral("0"), out, QStringLiteral("--dpi"), QStringLiteral("50")}),
        0);
    QImage image(out);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(MulDiv(2100, 50, 254), MulDiv(2970, 50, 254)));
    auto paper = TwelveUp();
    for (int k = 0; k < 12; ++k) {
        const TLogRect r = paper->GetPrintRect(k);
        const QPoint c((r.Left + r.Right) / 2 * 50 / 254, (r.Top + r.Bottom) / 2 * 50 / 254);
        const QColor got = image.pixelColor(c);
        QColor want(Qt::white);
        if (auto it = colours.find(k); it != colours.end())
            want = QColor(it->second & 0xFF, (it->second >> 8) & 0xFF, (it->second >> 16) & 0xFF);
        EXPECT_EQ(got, want) << "position " << k;
    }
    // The sheet by name, too.
    EXPECT_EQ(tool::CommandSheet({file, QStringLiteral("新規シート1"), out}), 0);
    EXPECT_EQ(QImage(out).width(), MulDiv(2100, 100, 254));
}

TEST(ToolSheet, WrongUsesAndBadFiles)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("empty.lbd"));
    {
        TLabelData data;
        data.SetPaper(TwelveUp().get());
        data.Save(file);
    }
    const QString out = dir.filePath(QStringLiteral("o.png"));
    const ProcessResult ok = RunProgram(Tool(), {QStringLiteral("sheet"), file, QStringLiteral("0"), out});
    ASSERT_EQ(ok.ExitCode, 0) << ok.StdErr.toStdString();
    const QImage image(out);
    ASSERT_FALSE(image.isNull());
    // A face outline crosses the left edge of position 0.
    const int x = 186 * 100 / 254, y = (216 + 200) * 100 / 254;
    EXPECT_LT(qGray(image.pixel(x, y)), 128);
    EXPECT_EQ(RunProgram(Tool(), {QStringLiteral("sheet"), file, QStringLiteral("7"), out}).ExitCode, 1);
    EXPECT_EQ(RunProgram(Tool(), {QStringLiteral("sheet"), file, QStringLiteral("何も"), out}).ExitCode, 1);
    EXPECT_EQ(RunProgram(Tool(), {QStringLiteral("sheet"), file, QStringLiteral("0")}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Tool(), {QStringLiteral("sheet"), file, QStringLiteral("0"), out,
                                  QStringLiteral("--dpi"), QStringLiteral("0")})
                  .ExitCode,
              2);
    EXPECT_EQ(RunProgram(Tool(), {QStringLiteral("sheet"), dir.filePath(QStringLiteral("none.lbd")),
                                  QStringLiteral("0"), out})
                  .ExitCode,
              1);
    const QString junk = dir.filePath(QStringLiteral("junk.lbd"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2048, 'x'));
    }
    const ProcessResult damaged =
        RunProgram(Tool(), {QStringLiteral("sheet"), junk, QStringLiteral("0"), out});
    EXPECT_EQ(damaged.ExitCode, 1);
    EXPECT_FALSE(damaged.StdErr.isEmpty());
}

TEST(ToolPaperForms, ReadsTheCatalogueFormAndTheDocumentForm)
{
    QTemporaryDir dir;
    const QString catalogue = dir.filePath(QStringLiteral("c.ppr"));
    {
        TRootStorage root;
        root.OpenFile(catalogue, fmDocCreate);
        {
            TDocStream s(root, fmDocCreate, QStringLiteral("Papers\\$00000001"));
            WriteComponent(s, *TwelveUp()); // bare component stream
        }
        root.Close();
    }
    const ProcessResult bare =
        RunProgram(Tool(), {QStringLiteral("paper"), catalogue, QStringLiteral("Papers\\$00000001")});
    ASSERT_EQ(bare.ExitCode, 0) << bare.StdErr.toStdString();
    EXPECT_TRUE(QString::fromUtf8(bare.StdOut).contains(QStringLiteral("12 faces")));

    const QString document = dir.filePath(QStringLiteral("d.lbd"));
    {
        TLabelData data;
        data.SetPaper(TwelveUp().get());
        data.Save(document);
    }
    const ProcessResult resource = RunProgram(
        Tool(), {QStringLiteral("paper"), document, QStringLiteral("Sheets\\NameList0\\PaperInfo")});
    ASSERT_EQ(resource.ExitCode, 0) << resource.StdErr.toStdString();
    EXPECT_TRUE(QString::fromUtf8(resource.StdOut).contains(QStringLiteral("12 faces")));

    // The delivered catalogue's first paper.
    const QString delivered = BinaryDir() + QStringLiteral("/data/velmo.ppr");
    const ProcessResult shipped =
        RunProgram(Tool(), {QStringLiteral("paper"), delivered, QStringLiteral("Papers\\$00000001")});
    EXPECT_EQ(shipped.ExitCode, 0) << shipped.StdErr.toStdString();

    // A bare stream of something else than a paper is refused.
    const QString other = dir.filePath(QStringLiteral("o.ppr"));
    {
        TRootStorage root;
        root.OpenFile(other, fmDocCreate);
        TDocStream s(root, fmDocCreate, QStringLiteral("X"));
        TComponent c;
        WriteComponent(s, c);
    }
    const ProcessResult refused = RunProgram(Tool(), {QStringLiteral("paper"), other, QStringLiteral("X")});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_FALSE(refused.StdErr.isEmpty());
    EXPECT_TRUE(refused.StdOut.isEmpty());
}

} // namespace
