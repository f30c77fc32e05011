// The paper's background designs on the previews of the paper selection and both
// paper editors (a paper with designs shows them inside its labels, one without stays
// plain), and the selection's sheet fitting its preview whole, frame included, at
// every dialog size.
#include "base/UNumbers.h"
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULOFace.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperMaintenance.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FEditPaper.h"
#include "paperui/FPaperSelect.h"
#include "print/UPrinter.h"
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;

TLORect* Block(const TLogRect& r, TColor colour)
{
    auto* rect = new TLORect;
    rect->SetBaseRect(r);
    rect->FillColor()->SetColor(colour);
    rect->FrameColor()->SetColor(colour);
    rect->SetFillInside(true);
    return rect;
}

// A4, 2 × 3 labels of 90 × 90 mm, 10 mm from the corner and 5 mm apart.
std::unique_ptr<TMatrixPaperInfo> Grid(const QString& name)
{
    auto p = std::make_unique<TMatrixPaperInfo>();
    p->SetPaperName(name);
    p->SetGroupName(QStringLiteral("宛名・表示ラベル"));
    p->SetPortraitWidth(2100);
    p->SetPortraitHeight(2970);
    p->SetLeftOffset(100);
    p->SetTopOffset(100);
    p->SetFaceWidth(900);
    p->SetFaceHeight(900);
    p->SetRightMargin(50);
    p->SetBottomMargin(50);
    p->SetFaceCountX(2);
    p->SetFaceCountY(3);
    p->SetReadOnly(true);
    p->PurposeList()->SetDefault();
    return p;
}

// Designs: per label a list of coloured blocks (label-relative).
std::unique_ptr<TImagePaperInfo> Designs(const QString& paper, bool separate,
                                         const std::vector<std::vector<std::pair<TLogRect, TColor>>>& faces)
{
    auto d = std::make_unique<TImagePaperInfo>();
    d->SetPaperName(paper);
    d->SetSeparatelyDesign(separate);
    d->SetLabelCount(int(faces.size()));
    for (size_t i = 0; i < faces.size(); ++i) {
        TDOList list;
        for (const auto& [r, c] : faces[i])
            list.Add(Block(r, c));
        d->SetFaceObjects(int(i), list);
        list.FreeObjects();
    }
    return d;
}

bool IsDark(const QColor& c)
{
    return c.red() + c.green() + c.blue() < 3 * 110;
}

void SaveShot(QWidget& w, const QString& name)
{
    if (qEnvironmentVariableIsSet("VELMO_TEST_SHOTS"))
        w.grab().save(qEnvironmentVariable("VELMO_TEST_SHOTS") + QLatin1Char('/') + name);
}

class PaperBackground : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCatalogueClasses();
        RegisterShapeClasses();
        SetExtendedPaperMode(false);
        FPapers = std::make_unique<TVelmoPapers>(FDir.filePath(QStringLiteral("p.ppr")), false);
        FPapers->StorePaper(*Grid(QStringLiteral("柄つき")));
        FPapers->StorePaper(*Grid(QStringLiteral("柄なし")));
        // A red band over the top third of every label, a blue square low on label 3.
        FPapers->StoreRecord(TVelmoPapers::PaperImagesBaseName(),
                             *Designs(QStringLiteral("柄つき"), true,
                                      {{{{0, 0, 900, 300}, kRed}},
                                       {{{0, 0, 900, 300}, kRed}},
                                       {{{0, 0, 900, 300}, kRed}},
                                       {{{0, 0, 900, 300}, kRed}, {{300, 600, 600, 850}, kBlue}},
                                       {{{0, 0, 900, 300}, kRed}},
                                       {{{0, 0, 900, 300}, kRed}}}));
        FForms.Add({QStringLiteral("A4"), 9, QSize(2100, 2970)});
    }
    void TearDown() override { SetExtendedPaperMode(false); }

    // The colour the site shows at a sheet point.
    static QColor SiteColour(TDrawSite& site, QPoint logical)
    {
        const QImage shot = site.grab().toImage();
        return shot.pixelColor(site.ToDevice(logical));
    }
    static void Select(TfrmPaperSelect& dialog, const QString& name)
    {
        dialog.SelectGroup(0);
        const int row = int(dialog.ListedNames().indexOf(name));
        ASSERT_GE(row, 0);
        dialog.SelectRow(row);
        QApplication::processEvents();
    }

    QTemporaryDir FDir;
    std::unique_ptr<TVelmoPapers> FPapers;
    TPrinterForm FForms;
};

} // namespace

TEST_F(PaperBackground, TheSelectionPreviewShowsTheDesignsInsideTheLabels)
{
    TfrmPaperSelect dialog(*FPapers, true, {});
    dialog.show();
    Select(dialog, QStringLiteral("柄つき"));
    TPaperSite& site = *dialog.PreviewSite();
    ASSERT_EQ(SiteFaceCount(&site), 6);
    SaveShot(dialog, QStringLiteral("select-designs.png"));
    // Label 0 at (100,100): the band on its top third, white below.
    EXPECT_EQ(SiteColour(site, {100 + 450, 100 + 150}), QColor(Qt::red));
    EXPECT_EQ(SiteColour(site, {100 + 450, 100 + 500}), QColor(Qt::white));
    // Label 3 (second row, right) has its own square.
    EXPECT_EQ(SiteColour(site, {1050 + 450, 1050 + 725}), QColor(Qt::blue));
    EXPECT_EQ(SiteColour(site, {100 + 450, 1050 + 725}), QColor(Qt::white));
    // Between the labels the sheet is bare.
    EXPECT_EQ(SiteColour(site, {1025, 100 + 150}), QColor(Qt::white));

    // The paper without designs stays plain.
    Select(dialog, QStringLiteral("柄なし"));
    EXPECT_EQ(SiteColour(*dialog.PreviewSite(), {100 + 450, 100 + 150}), QColor(Qt::white));
    EXPECT_EQ(SiteColour(*dialog.PreviewSite(), {1050 + 450, 1050 + 725}), QColor(Qt::white));
    // And back again.
    Select(dialog, QStringLiteral("柄つき"));
    EXPECT_EQ(SiteColour(*dialog.PreviewSite(), {100 + 450, 100 + 150}), QColor(Qt::red));
}

TEST_F(PaperBackground, OnALandscapeSheetTheDesignsTurnWithTheLabels)
{
    TfrmPaperSelect dialog(*FPapers, true, {});
    dialog.show();
    Select(dialog, QStringLiteral("柄つき"));
    QRadioButton* landscape = nullptr;
    for (QRadioButton* b : dialog.findChildren<QRadioButton*>())
        if (b->text() == QStringLiteral("横長"))
            landscape = b;
    ASSERT_NE(landscape, nullptr);
    landscape->setChecked(true);
    QApplication::processEvents();
    ASSERT_TRUE(dialog.Landscape());
    TPaperSite& site = *dialog.PreviewSite();
    ASSERT_NE(site.Paper(), nullptr);
    ASSERT_TRUE(site.Paper()->Landscape());
    EXPECT_EQ(site.LogWidth(), 2970);
    SaveShot(dialog, QStringLiteral("select-designs-landscape.png"));
    // The sheet turns a quarter to the left: a label's top edge becomes its left edge,
    // so the band runs down the left third of each label.
    for (int k : {0, 5}) {
        const TLogRect r = site.Paper()->GetPrintRect(k);
        const int cy = (r.Top + r.Bottom) / 2;
        EXPECT_EQ(SiteColour(site, {r.Left + 150, cy}), QColor(Qt::red)) << k;
        EXPECT_EQ(SiteColour(site, {r.Right - 150, cy}), QColor(Qt::white)) << k;
    }
}

TEST_F(PaperBackground, TheWholeSheetAndItsFrameFitThePreviewAtEveryDialogSize)
{
    // A postcard and a long strip besides the A4 sheet.
    auto card = Grid(QStringLiteral("はがき"));
    card->SetPortraitWidth(1000);
    card->SetPortraitHeight(1480);
    card->SetFaceCountX(1);
    card->SetFaceCountY(1);
    card->SetFaceHeight(1000);
    card->SetFaceWidth(800);
    FPapers->StorePaper(*card);
    auto strip = Grid(QStringLiteral("細長い用紙"));
    strip->SetPortraitWidth(2970);
    strip->SetPortraitHeight(600);
    strip->SetFaceCountX(2);
    strip->SetFaceCountY(1);
    strip->SetFaceHeight(400);
    FPapers->StorePaper(*strip);

    TfrmPaperSelect dialog(*FPapers, true, {});
    dialog.show();
    QApplication::processEvents();
    QRadioButton* landscape = nullptr;
    QRadioButton* portrait = nullptr;
    for (QRadioButton* b : dialog.findChildren<QRadioButton*>()) {
        if (b->text() == QStringLiteral("横長"))
            landscape = b;
        if (b->text() == QStringLiteral("縦長"))
            portrait = b;
    }
    ASSERT_TRUE(landscape && portrait);
    const QSize smallest = dialog.minimumSizeHint();
    int checked = 0;
    for (const QSize size :
         {smallest, QSize(860, 600), QSize(901, 677), QSize(1000, 777), QSize(1300, 1013)}) {
        dialog.resize(size);
        QApplication::processEvents();
        for (const QString& name :
             {QStringLiteral("柄つき"), QStringLiteral("はがき"), QStringLiteral("細長い用紙")}) {
            for (QRadioButton* turn : {portrait, landscape}) {
                Select(dialog, name);
                turn->setChecked(true);
                QApplication::processEvents();
                TPaperSite& site = *dialog.PreviewSite();
                QWidget& holder = *site.parentWidget();
                const QRect client = holder.contentsRect();
                const QRect g = site.geometry();
                const std::string what =
                    name.toStdString() + (turn == landscape ? " landscape " : " portrait ") +
                    std::to_string(dialog.width()) + "x" + std::to_string(dialog.height());
                ASSERT_TRUE(client.contains(g)) << what;
                // The site is the sheet at its scale, no more: the frame it draws is
                // the sheet's edge.
                const QPoint sheet = site.ToDevice(QPoint(site.LogWidth(), site.LogHeight()));
                EXPECT_LE(std::abs(sheet.x() - g.width()), 1) << what;
                EXPECT_LE(std::abs(sheet.y() - g.height()), 1) << what;
                // As large as a whole per cent allows: one step up would not fit.
                const double up = (site.Scaler()->Scale() + 1.0) / site.Scaler()->Scale();
                EXPECT_TRUE(g.width() * up > client.width() + 1 || g.height() * up > client.height() + 1)
                    << what;
                // Centred.
                EXPECT_LE(std::abs((g.left() - client.left()) - (client.right() - g.right())), 1) << what;
                EXPECT_LE(std::abs((g.top() - client.top()) - (client.bottom() - g.bottom())), 1) << what;
                // The preview as the user sees it: the frame's four sides are there,
                // the bottom row above all.
                const QImage shot = holder.grab().toImage();
                int bottom = 0, top = 0, left = 0, right = 0;
                for (int x = g.left(); x <= g.right(); ++x) {
                    bottom += IsDark(shot.pixelColor(x, g.bottom()));
                    top += IsDark(shot.pixelColor(x, g.top()));
                }
                for (int y = g.top(); y <= g.bottom(); ++y) {
                    left += IsDark(shot.pixelColor(g.left(), y));
                    right += IsDark(shot.pixelColor(g.right(), y));
                }
                EXPECT_EQ(bottom, g.width()) << what;
                EXPECT_EQ(top, g.width()) << what;
                EXPECT_EQ(left, g.height()) << what;
                EXPECT_EQ(right, g.height()) << what;
                // Just outside the frame is the holder, not sheet.
                if (g.bottom() + 1 <= client.bottom()) {
                    EXPECT_FALSE(IsDark(shot.pixelColor(g.left() + g.width() / 2, g.bottom() + 1))) << what;
                }
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 30);
}

TEST_F(PaperBackground, TheGridEditorShowsTheDesignsInTheExtendedModeOnly)
{
    const TPaperInfo& paper = *FPapers->Paper(FPapers->IndexOfName(QStringLiteral("柄つき")));
    // The preview maps the sheet into its area less 2 pixels, centred.
    const auto colourAt = [](QWidget& preview, const TPaperInfo& p, QPoint logical) {
        const QImage shot = preview.grab().toImage();
        const QRectF area = QRectF(preview.rect()).adjusted(2, 2, -2, -2);
        const double scale = std::min(area.width() / p.Width(), area.height() / p.Height());
        const double x0 = area.center().x() - p.Width() * scale / 2;
        const double y0 = area.center().y() - p.Height() * scale / 2;
        return shot.pixelColor(int(x0 + logical.x() * scale), int(y0 + logical.y() * scale));
    };
    {
        TfrmEditMatrixPaper plain(paper, *FPapers, false, FForms);
        plain.show();
        QApplication::processEvents();
        EXPECT_EQ(plain.Designs(), nullptr);
        EXPECT_EQ(colourAt(*plain.Preview(), plain.Paper(), {100 + 450, 100 + 150}), QColor(Qt::white));
    }
    SetExtendedPaperMode(true);
    TfrmEditMatrixPaper editor(paper, *FPapers, false, FForms);
    editor.resize(900, 700);
    editor.show();
    QApplication::processEvents();
    ASSERT_NE(editor.Designs(), nullptr);
    SaveShot(editor, QStringLiteral("grid-editor-designs.png"));
    QWidget& preview = *editor.Preview();
    EXPECT_EQ(colourAt(preview, editor.Paper(), {100 + 450, 100 + 150}), QColor(Qt::red));
    EXPECT_EQ(colourAt(preview, editor.Paper(), {1050 + 450, 1050 + 725}), QColor(Qt::blue));
    EXPECT_EQ(colourAt(preview, editor.Paper(), {100 + 450, 100 + 600}), QColor(Qt::white));
    EXPECT_EQ(colourAt(preview, editor.Paper(), {1025, 100 + 150}), QColor(Qt::white)); // the gap
    // Narrower labels: the band is cut at the new right edge, the gap stays bare.
    editor.Box("FaceWidth")->setValue(60.0);
    QApplication::processEvents();
    EXPECT_EQ(colourAt(preview, editor.Paper(), {100 + 550, 100 + 150}), QColor(Qt::red));
    EXPECT_EQ(colourAt(preview, editor.Paper(), {100 + 625, 100 + 150}), QColor(Qt::white));
    // "用紙柄削除" leaves the labels plain.
    editor.RemoveDesigns();
    QApplication::processEvents();
    EXPECT_EQ(colourAt(preview, editor.Paper(), {100 + 300, 100 + 150}), QColor(Qt::white));
}

TEST_F(PaperBackground, TheFreeEditorsLabelsCarryTheirDesignsWhenMovedAndDeleted)
{
    auto free = std::make_unique<TFreePaperInfo>();
    free->SetPaperName(QStringLiteral("自由な柄つき"));
    free->SetPortraitWidth(2100);
    free->SetPortraitHeight(2970);
    for (const TLogRect& r : {TLogRect{100, 100, 1000, 1000}, TLogRect{1100, 1500, 2000, 2400}}) {
        TFaceInfo face;
        face.Rect = r;
        SetFaceItemFromInfo(*free->Faces()->Add(), face);
    }
    FPapers->StorePaper(*free);
    FPapers->StoreRecord(TVelmoPapers::PaperImagesBaseName(),
                         *Designs(QStringLiteral("自由な柄つき"), true,
                                  {{{{0, 0, 900, 300}, kRed}}, {{{0, 0, 900, 300}, kBlue}}}));
    SetExtendedPaperMode(true);
    TfrmEditFreePaper editor(*FPapers->Paper(FPapers->IndexOfName(QStringLiteral("自由な柄つき"))), *FPapers,
                             false, FForms);
    editor.resize(900, 700);
    editor.show();
    QApplication::processEvents();
    ASSERT_EQ(editor.FaceCount(), 2);
    TDrawSite& site = *editor.Site();
    SaveShot(editor, QStringLiteral("free-editor-designs.png"));
    EXPECT_EQ(SiteColour(site, {100 + 450, 100 + 150}), QColor(Qt::red));
    EXPECT_EQ(SiteColour(site, {1100 + 450, 1500 + 150}), QColor(Qt::blue));
    EXPECT_EQ(SiteColour(site, {1100 + 450, 1500 + 600}), QColor(Qt::white));
    // The first label moved by its boxes takes its design along.
    editor.ChooseLabel(0);
    editor.Box("Top")->setValue(150.0);
    QApplication::processEvents();
    EXPECT_EQ(SiteColour(site, {100 + 450, 1500 + 150}), QColor(Qt::red));
    EXPECT_NE(SiteColour(site, {100 + 450, 100 + 150}), QColor(Qt::red));
    // Deleted, the second label becomes the first and shows the first design, as the
    // stored paper will.
    editor.DeleteLabel();
    QApplication::processEvents();
    ASSERT_EQ(editor.FaceCount(), 1);
    EXPECT_EQ(SiteColour(site, {1100 + 450, 1500 + 150}), QColor(Qt::red));
    // A label added now takes the second place and with it the second design; its
    // lower part shows the face colour of the chosen label.
    ASSERT_TRUE(editor.AddLabel());
    QApplication::processEvents();
    const TLogRect added = FaceAt(&site, 1)->FaceInfo().Rect;
    EXPECT_EQ(SiteColour(site, {added.Left + added.Width() / 2, added.Top + 50}), QColor(Qt::blue));
    EXPECT_EQ(SiteColour(site, {added.Left + added.Width() / 2, added.Bottom - 50}),
              QColor(0xFF, 0xE7, 0xAF));
    // Without designs every label is plain again.
    EXPECT_EQ(SiteColour(site, {1800, 1500 + 150}), QColor(Qt::red));
    editor.RemoveDesigns();
    QApplication::processEvents();
    EXPECT_EQ(SiteColour(site, {1800, 1500 + 150}), QColor(Qt::white));
}
