// Design sources: settings, label blocks and the lines errors name.
#include "persist/UDesignSource.h"
#include <gtest/gtest.h>

using namespace velmo;

namespace {

TDesignSource Parse(const char* text)
{
    return ParseDesignSource(QStringLiteral("s.txt"), QByteArray(text));
}

int ErrorLine(const char* text, QString* message = nullptr)
{
    try {
        Parse(text);
    } catch (const EDesignSourceError& e) {
        if (message)
            *message = e.Message;
        return e.Line;
    }
    return -1;
}

} // namespace

TEST(DesignSource, SettingsAndBlocksKeepTheirLines)
{
    const TDesignSource s = Parse("# comment\n"
                                  "paper = A4 12面\n"
                                  "design = separate\n"
                                  "landscape = yes\n"
                                  "index = *, 宛名\n"
                                  "index = CD, 円\n"
                                  "\n"
                                  "[label 0, 2-3]\n"
                                  "object TLDObjects\n"
                                  "# a comment inside\n"
                                  "  Left = 'a'#13\n"
                                  "end\n"
                                  "[label *]\n"
                                  "object TLDObjects\n"
                                  "end\n");
    EXPECT_EQ(s.Paper, QStringLiteral("A4 12面"));
    EXPECT_TRUE(s.Separate);
    EXPECT_TRUE(s.Landscape);
    ASSERT_EQ(s.Index.size(), 2u);
    EXPECT_EQ(s.Index[1].Purpose, QStringLiteral("CD"));
    EXPECT_EQ(s.Index[1].Group, QStringLiteral("円"));
    EXPECT_EQ(s.Index[1].Line, 6);
    ASSERT_EQ(s.Labels.size(), 2u);
    EXPECT_EQ(s.Labels[0].Positions, (QList<int>{0, 2, 3}));
    EXPECT_EQ(s.Labels[0].HeaderLine, 8);
    EXPECT_EQ(s.Labels[0].FirstLine, 9);
    // The comment became an empty line, so the text form's line 4 is the file's 12.
    EXPECT_EQ(s.Labels[0].Text.split(u'\n').value(1), QString());
    EXPECT_EQ(s.Labels[0].Text.split(u'\n').value(2), QStringLiteral("  Left = 'a'#13"));
    EXPECT_TRUE(s.Labels[1].Every);
    EXPECT_TRUE(s.Labels[1].Positions.isEmpty());
}

TEST(DesignSource, EveryFaultNamesItsLine)
{
    QString message;
    EXPECT_EQ(ErrorLine("paper = x\ndesign = both\n", &message), 2);
    EXPECT_TRUE(message.contains(QStringLiteral("shared or separate")));
    EXPECT_EQ(ErrorLine("paper = x\ndesign = shared\nwhat\n"), 3);
    EXPECT_EQ(ErrorLine("paper = x\ndesign = shared\n[label 5-2]\n"), 3);
    EXPECT_EQ(ErrorLine("paper = x\ndesign = shared\n[label a]\n"), 3);
    EXPECT_EQ(ErrorLine("paper = x\ndesign = separate\n[label 0-5000]\n", &message), 3);
    EXPECT_TRUE(message.contains(QStringLiteral("1000")));
    EXPECT_EQ(ErrorLine("paper = x\ndesign = separate\n[label 0-600,0-600]\n"), 3);
    EXPECT_EQ(ErrorLine("paper = x\n\ndesign = shared\nlandscape = maybe\n"), 4);
    EXPECT_EQ(ErrorLine("paper = x\ndesign = shared\nindex = *, a b\n"), 3);
    EXPECT_EQ(ErrorLine("paper = x\ndesign = shared\nindex = 宛名, a\n"), 3);
    EXPECT_EQ(ErrorLine("paper = x\ndesign = shared\nfile = doc\n"), 3);
    EXPECT_EQ(ErrorLine("paper = \xe2\x98\x83\n"), 1) << "a character code page 932 cannot hold";
    EXPECT_EQ(ErrorLine("paper = x\r\ndesign = shared\n", &message), 1);
    EXPECT_TRUE(message.contains(QStringLiteral("LF")));
    EXPECT_EQ(ErrorLine("\xef\xbb\xbfpaper = x\n"), 1);
    EXPECT_EQ(ErrorLine("paper = \xff\n"), 1);
    EXPECT_EQ(ErrorLine("design = shared\n[label 0]\n", &message), 1);
    EXPECT_TRUE(message.contains(QStringLiteral("no paper")));
    EXPECT_EQ(ErrorLine("paper = x\n[label 0]\n"), 1);
    EXPECT_EQ(ErrorLine("paper = x\ndesign = shared\n", &message), 3);
    EXPECT_TRUE(message.contains(QStringLiteral("[label")));
    EXPECT_EQ(ErrorLine(""), 1);
}
