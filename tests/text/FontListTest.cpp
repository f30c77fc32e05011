#include "text/UFontAlias.h"
#include "text/UFontEngine.h"
#include "text/UFontList.h"
#include "text/UTextCanvas.h"
#include "text/UTextUtil.h"
#include <gtest/gtest.h>

using namespace velmo;

TEST(FontLists, InstalledJapaneseFacesAreUsableAndVertical)
{
    EXPECT_FALSE(IsFaceUnusable("IPAPGothic"));
    EXPECT_TRUE(UsableFaces().contains("IPAMincho"));
    EXPECT_TRUE(IsVerticalFace("@IPAPGothic"));
    EXPECT_TRUE(IsVerticalFace(QStringLiteral(u"@ＭＳ Ｐゴシック")));
    EXPECT_TRUE(VerticalFaces().contains("@IPAMincho"));
}

TEST(FontLists, VerticalFontRealizesTheVerticalForm)
{
    TTextCanvas canvas;
    TLogFont font;
    font.FaceName = QStringLiteral(u"ＭＳ Ｐゴシック");
    font.Height = -35;
    SetVerticalFont(font, 0);
    EXPECT_EQ(font.FaceName, QStringLiteral(u"@ＭＳ Ｐゴシック"));
    EXPECT_EQ(font.Escapement, 2700);
    canvas.SetFont(font);
    EXPECT_TRUE(canvas.RealizedVertical());
    EXPECT_EQ(canvas.RealizedFamily(), "IPAPGothic");
}

#include "text/USimpleText.h"
TEST(FontLists, DebugBlock)
{
    TSimpleText text;
    text.SetVertical(true);
    text.SetLines({QStringLiteral(u"縦書き")});
    TTextCanvas canvas;
    text.PrepareCanvas(canvas);
    EXPECT_EQ(canvas.Font().FaceName, QStringLiteral(u"@ＭＳ Ｐゴシック"));
    EXPECT_TRUE(canvas.RealizedVertical());
}
