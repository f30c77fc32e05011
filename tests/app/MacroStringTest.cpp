#include "app/UMacroString.h"
#include "base/UExceptions.h"
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QString ErrorOf(TMacroString& macro, const QString& text)
{
    try {
        macro.Expand(text);
    } catch (const EMacroString& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

TMacroString Table(const QStringList& lines)
{
    return TMacroString(lines);
}

} // namespace

TEST(MacroString, PlainTextAndOrdinaryCharactersStayAsTheyAre)
{
    TMacroString macro = Table({QStringLiteral("A=x")});
    EXPECT_EQ(macro.Expand(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(macro.Expand(QStringLiteral("cost $")), QStringLiteral("cost $"));
    EXPECT_EQ(macro.Expand(QStringLiteral("a)b")), QStringLiteral("a)b"));
    EXPECT_EQ(macro.Expand(QStringLiteral("$$(A)$")), QStringLiteral("$x$"));
    EXPECT_EQ(macro.Expand(QString()), QString());
}

TEST(MacroString, ErrorsNameTheOneBasedPositionOfTheParenthesis)
{
    TMacroString macro = Table({QStringLiteral("A=x")});
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("$()")),
              QStringLiteral("$()の2文字目から始まるマクロが間違っています"));
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("ab$(X")),
              QStringLiteral("ab$(Xの4文字目から始まるマクロが閉じていません"));
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("$(A)zz$()")),
              QStringLiteral("$(A)zz$()の8文字目から始まるマクロが間違っています"));
}

TEST(MacroString, NamesAreCaseInsensitiveAndValuesExpandRecursively)
{
    TMacroString macro = Table(
        {QStringLiteral("AppName=ベルモ"), QStringLiteral("Title=$(APPNAME) - %s"), QStringLiteral("X=1")});
    EXPECT_EQ(macro.Expand(QStringLiteral("$(appname)")), QStringLiteral("ベルモ"));
    EXPECT_EQ(macro.Expand(QStringLiteral("[$(title)]")), QStringLiteral("[ベルモ - %s]"));
    EXPECT_TRUE(macro.ExpansionStack().isEmpty());
}

TEST(MacroString, NestedNamesAndParenthesesInsideAMacro)
{
    TMacroString macro = Table({QStringLiteral("B=1"), QStringLiteral("A1=one"), QStringLiteral("A(B=odd")});
    // The inner macro is expanded first and forms part of the outer name.
    EXPECT_EQ(macro.Expand(QStringLiteral("$(A$(B))")), QStringLiteral("one"));
    // A lone "(" does not nest; the last ")" stays as text.
    EXPECT_EQ(macro.Expand(QStringLiteral("$(A(B))")), QStringLiteral("odd)"));
}

TEST(MacroString, CycleFailsAndTheStackIsRestored)
{
    TMacroString macro = Table({QStringLiteral("A=$(B)"), QStringLiteral("B=$(A)"), QStringLiteral("C=ok")});
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("$(A)")), QStringLiteral("A マクロが循環参照されています"));
    EXPECT_TRUE(macro.ExpansionStack().isEmpty());
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("$(B)")), QStringLiteral("B マクロが循環参照されています"));
    EXPECT_TRUE(macro.ExpansionStack().isEmpty());
    EXPECT_EQ(macro.Expand(QStringLiteral("$(C)")), QStringLiteral("ok"));
    // A self reference in another case is the same name.
    TMacroString self = Table({QStringLiteral("Self=$(SELF)")});
    EXPECT_EQ(ErrorOf(self, QStringLiteral("$(self)")), QStringLiteral("SELF マクロが循環参照されています"));
}

TEST(MacroString, UndefinedNamesAndFormats)
{
    TMacroString macro =
        Table({QStringLiteral("ExeDir=C:\\Prog\\"), QStringLiteral("Empty="), QStringLiteral("P=/usr/bin")});
    EXPECT_EQ(macro.Expand(QStringLiteral("[$(Nothing:inessential)]")), QStringLiteral("[]"));
    EXPECT_EQ(macro.Expand(QStringLiteral("[$(Nothing:UNESSENTIAL)]")), QStringLiteral("[]"));
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("$(Nothing)")),
              QStringLiteral("未定義のNothingマクロが使用されています"));
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("$(Empty)")),
              QStringLiteral("未定義のEmptyマクロが使用されています"));
    EXPECT_EQ(macro.Expand(QStringLiteral("$(ExeDir:Drive)")), QStringLiteral("C"));
    EXPECT_EQ(macro.Expand(QStringLiteral("$(ExeDir:drive)")), QStringLiteral("C"));
    EXPECT_EQ(macro.Expand(QStringLiteral("$(P:shortPath)")), QStringLiteral("/usr/bin"));
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("$(P:Upper)")),
              QStringLiteral("未定義のフォーマット指定(Upper)が使用されています"));
    // Only the first ":" separates the format.
    EXPECT_EQ(ErrorOf(macro, QStringLiteral("$(P:a:b)")),
              QStringLiteral("未定義のフォーマット指定(a:b)が使用されています"));
    EXPECT_TRUE(macro.ExpansionStack().isEmpty());
}

TEST(MacroString, StripQuotes)
{
    TMacroString macro = Table({QStringLiteral("Q=\"C:\\Program Files\""), QStringLiteral("One=\""),
                                QStringLiteral("Two=\"\""), QStringLiteral("Half=\"abc")});
    EXPECT_EQ(macro.Expand(QStringLiteral("$(Q)")), QStringLiteral("C:\\Program Files"));
    EXPECT_EQ(macro.Expand(QStringLiteral("$(One)")), QStringLiteral("\""));
    EXPECT_EQ(macro.Expand(QStringLiteral("$(Two)")), QString());
    EXPECT_EQ(macro.Expand(QStringLiteral("$(Half)")), QStringLiteral("\"abc"));
    // The whole result is stripped too.
    EXPECT_EQ(macro.Expand(QStringLiteral("\"x\"")), QStringLiteral("x"));
    macro.SetStripQuotes(false);
    EXPECT_EQ(macro.Expand(QStringLiteral("$(Q)")), QStringLiteral("\"C:\\Program Files\""));
    EXPECT_EQ(macro.Expand(QStringLiteral("$(One)")), QStringLiteral("\""));
}

TEST(MacroString, ValueLookupAndReplacement)
{
    TMacroString macro = Table({QStringLiteral("NoEquals"), QStringLiteral("a=1"), QStringLiteral("A=2")});
    EXPECT_EQ(macro.IndexOfName(QStringLiteral("NoEquals")), -1);
    EXPECT_EQ(macro.Value(QStringLiteral("A")), QStringLiteral("1")); // the first match wins
    macro.SetValue(QStringLiteral("A"), QStringLiteral("x=y"));
    EXPECT_EQ(macro.Lines()[1], QStringLiteral("a=x=y"));
    EXPECT_EQ(macro.Value(QStringLiteral("a")), QStringLiteral("x=y"));
    macro.SetValue(QStringLiteral("New"), QStringLiteral("v"));
    EXPECT_EQ(macro.Lines().last(), QStringLiteral("New=v"));
}

TEST(MacroString, DeepNestingFailsInsteadOfExhaustingTheStack)
{
    TMacroString macro = Table({QStringLiteral("A=x")});
    QString text;
    for (int i = 0; i < 5000; ++i)
        text += QStringLiteral("$(");
    text += QStringLiteral("A");
    for (int i = 0; i < 5000; ++i)
        text += QLatin1Char(')');
    EXPECT_THROW(macro.Expand(text), EMacroString);
    EXPECT_TRUE(macro.ExpansionStack().isEmpty());
}
