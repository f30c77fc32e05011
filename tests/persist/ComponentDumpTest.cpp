#include "persist/TestComponents.h"
#include "persist/UComponentDump.h"
#include "persist/UComponentStream.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

class ComponentDumpTest : public ::testing::Test
{
protected:
    void SetUp() override { RegisterTestClasses(); }
};

TEST_F(ComponentDumpTest, ShowsTheTreeWithoutRegisteredClasses)
{
    TTestObject root;
    root.SetName(QStringLiteral("Sheet"));
    root.Number = 300;
    root.Text = QStringLiteral("It's 日本");
    root.Flags = tfRed | tfBlue;
    root.Lines()->SetLines({QStringLiteral("a"), QStringLiteral("b\r")});
    root.Blob = QByteArray(300, '\x01');
    root.Ratio = 0.5;
    static_cast<TTestItem*>(root.Items()->Add())->Value = 3;
    auto* child = new TTestObject(&root);
    child->SetName(QStringLiteral("Child"));
    child->Number = -1;
    const QByteArray bytes = ComponentResourceBytes(QStringLiteral("Label"), root);

    // Take the classes away: the dump walks the tags alone.
    UnRegisterClass<TTestObject>();
    const QString text = DumpComponent(bytes);
    RegisterClass<TTestObject>();

    const QStringList lines = text.split(u'\n');
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("resource LABEL (flags 1030, ")));
    EXPECT_EQ(lines[1], QStringLiteral("object Sheet: TTestObject"));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Number = 300 (vaInt16)")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Flags = [tfRed, tfBlue]")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Text = 'It''s 日本'")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Ratio = 0.5")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Font.Color = clWindowText")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Lines.Strings = (")));
    EXPECT_TRUE(lines.contains(QStringLiteral("    'b'#13")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Blob = {binary 300 bytes")));
    EXPECT_TRUE(lines.contains(QStringLiteral("    ... 44 more bytes")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Items = <")));
    EXPECT_TRUE(lines.contains(QStringLiteral("    item")));
    EXPECT_TRUE(lines.contains(QStringLiteral("      Value = 3 (vaInt8)")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  object Child: TTestObject")));
    EXPECT_TRUE(lines.contains(QStringLiteral("    Number = -1 (vaInt8)")));
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("end"));
    // A bare stream dumps the same, without the resource line.
    EXPECT_EQ(DumpComponent(ComponentStreamBytes(root)), lines.mid(1).join(u'\n'));
}

TEST_F(ComponentDumpTest, ShowsPrefixesAndWideStrings)
{
    QByteArray bytes("TPF0");
    bytes += Bytes({0xF3, 2, 4, 6}) + "TThing" + Bytes({1}) + "N";
    bytes += Bytes({1}) + "W" + Bytes({18, 1, 0, 0, 0, 0x5C, 0xD5});
    bytes += Bytes({0, 0});
    const QString text = DumpComponent(bytes);
    EXPECT_TRUE(text.contains(QStringLiteral("object N: TThing [inherited, position 4]")));
    EXPECT_TRUE(text.contains(QStringLiteral("  W = '\uD55C' (vaWString)")));
}

TEST_F(ComponentDumpTest, DamagedInputKeepsWhatWasRead)
{
    TTestObject root;
    root.Number = 5;
    root.Text = QStringLiteral("text");
    const QByteArray bytes = ComponentStreamBytes(root);
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        QString partial;
        EXPECT_THROW(DumpComponent(bytes.left(n), &partial), EReadError) << n;
        if (n > 30) {
            EXPECT_TRUE(partial.startsWith(QStringLiteral("object : TTestObject\n"))) << n;
        }
    }
    EXPECT_THROW(DumpComponent("XPF0"), EReadError);
    // Deep nesting is refused, not followed.
    QByteArray deep("TPF0");
    for (int i = 0; i < 10000; ++i)
        deep += Bytes({1, 'C', 0, 0});
    EXPECT_THROW(DumpComponent(deep), EReadError);
    QByteArray lists = QByteArray("TPF0") + Bytes({1, 'C', 0, 1, 'L'}) + QByteArray(10000, char(1));
    EXPECT_THROW(DumpComponent(lists), EReadError);
}

} // namespace
} // namespace velmo::test
