// The CSV reader: the dialect, encodings, header switching and damaged input.
#include "base/UCodePage932.h"
#include "merge/UCSVData.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QStringList Fields(const QString& line)
{
    TCSVStringList list;
    list.SetCSVLine(line);
    return list.Items();
}

TCSVData Load(const QByteArray& bytes, bool header = false)
{
    TCSVData data;
    data.SetHasHeader(header);
    data.LoadFromBytes(bytes, QStringLiteral("test.csv"));
    return data;
}

QStringList Record(TCSVData& data, int i)
{
    return data.GetRecord(i).Items();
}

QString Warning(const QByteArray& bytes)
{
    return Load(bytes).Warning();
}

} // namespace

TEST(CSVLine, PartExamples)
{
    EXPECT_EQ(Fields(",a"), QStringList({"", "a"}));
    EXPECT_EQ(Fields("a,,b"), QStringList({"a", "", "b"}));
    EXPECT_EQ(Fields("a,"), QStringList({"a"}));
    EXPECT_EQ(Fields("\"ab\"cd"), QStringList({"ab", "cd"}));
    EXPECT_EQ(Fields(" a , b "), QStringList({" a ", " b "}));
    EXPECT_EQ(Fields("\"\"\"hi\"\"\""), QStringList({"\"hi\""}));
    EXPECT_EQ(Fields("Yamada,\"Tokyo, Minato\""), QStringList({"Yamada", "Tokyo, Minato"}));
    EXPECT_TRUE(Fields("").isEmpty());
}

TEST(CSVLine, UnclosedQuoteTakesTheLineButItsLastCharacter)
{
    EXPECT_EQ(Fields("a,\"bcd"), QStringList({"a", "bc"}));
    EXPECT_EQ(Fields("a,\"b\"\"c,d"), QStringList({"a", "b\"c,"}));
    EXPECT_EQ(Fields("\""), QStringList({""}));
}

TEST(CSVLine, TabsAndLineBreaksStayInFields)
{
    EXPECT_EQ(Fields("a\tb,c"), QStringList({"a\tb", "c"}));
    EXPECT_EQ(Fields("\"1\n2\",x"), QStringList({"1\n2", "x"}));
}

TEST(CSVLine, WritingQuotesWhatNeedsIt)
{
    TCSVStringList list;
    list.Add("A B");
    list.Add("C");
    EXPECT_EQ(list.CSVLine(), "\"A B\",C");
    TCSVStringList one;
    one.Add("");
    EXPECT_EQ(one.CSVLine(), "\"\"");
    TCSVStringList q;
    q.Add("say \"x\"");
    q.Add("a,b");
    EXPECT_EQ(q.CSVLine(), "\"say \"\"x\"\"\",\"a,b\"");
    EXPECT_EQ(Fields(q.CSVLine()), q.Items());
    EXPECT_EQ(TCSVStringList().CSVLine(), "");
    // An empty last field survives the round trip.
    TCSVStringList trailing;
    trailing.Add("a");
    trailing.Add("");
    EXPECT_EQ(trailing.CSVLine(), "a,\"\"");
    EXPECT_EQ(Fields(trailing.CSVLine()), trailing.Items());
}

TEST(CSVLine, ReadingPastTheEndGivesEmpty)
{
    TCSVStringList list;
    list.SetCSVLine(u"a,b,c");
    EXPECT_EQ(list.Get(5), "");
    list.Put(5, "x");
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Get(4), "");
    EXPECT_EQ(list.Get(5), "x");
}

TEST(CSVData, HeaderExample)
{
    TCSVData data = Load("Name,Address\r\nYamada,\"Tokyo, Minato\"\r\n", true);
    EXPECT_EQ(data.Header().Items(), QStringList({"Name", "Address"}));
    ASSERT_EQ(data.LineCount(), 1);
    EXPECT_EQ(Record(data, 0), QStringList({"Yamada", "Tokyo, Minato"}));
}

TEST(CSVData, LineEnds)
{
    TCSVData data = Load("a\nb\rc\r\nd");
    ASSERT_EQ(data.LineCount(), 4);
    EXPECT_EQ(Record(data, 3), QStringList({"d"}));
    EXPECT_EQ(Load("a\n").LineCount(), 1);
    EXPECT_EQ(Load("a\r\n\r\n").LineCount(), 2);
    TCSVData blank = Load("a\n\nb\n");
    ASSERT_EQ(blank.LineCount(), 3);
    EXPECT_TRUE(Record(blank, 1).isEmpty());
}

TEST(CSVData, LineBreaksInsideQuotes)
{
    TCSVData data = Load("1,\"two\r\nlines\",x\r\n2,\"cr\ronly\"\n3,\"lf\nonly\"");
    ASSERT_EQ(data.LineCount(), 3);
    EXPECT_EQ(Record(data, 0), QStringList({"1", "two\r\nlines", "x"}));
    EXPECT_EQ(Record(data, 1), QStringList({"2", "cr\ronly"}));
    EXPECT_EQ(Record(data, 2), QStringList({"3", "lf\nonly"}));
}

TEST(CSVData, QuoteInsideUnquotedFieldIsOrdinary)
{
    TCSVData data = Load("5\"3,x\ny,z\n");
    ASSERT_EQ(data.LineCount(), 2);
    EXPECT_EQ(Record(data, 0), QStringList({"5\"3", "x"}));
}

TEST(CSVData, HeaderSwitching)
{
    TCSVData one = Load("only\n");
    one.SetHasHeader(true);
    EXPECT_EQ(one.LineCount(), 0);
    EXPECT_EQ(one.Header().Items(), QStringList({"only"}));

    // Loading one line with the header already on keeps it as a record.
    TCSVData kept = Load("only\n", true);
    EXPECT_EQ(kept.LineCount(), 1);
    EXPECT_EQ(kept.Header().Count(), 0);

    TCSVData data = Load("\"A B\",C\nx,y\n", true);
    EXPECT_EQ(data.Header().Items(), QStringList({"A B", "C"}));
    data.SetHasHeader(false);
    ASSERT_EQ(data.LineCount(), 2);
    EXPECT_EQ(data.LineText(0).toString(), "\"A B\",C");
    EXPECT_EQ(Record(data, 1), QStringList({"x", "y"}));
}

TEST(CSVData, FieldCount)
{
    TCSVData data = Load("a,b\na,b,c,d,e\na,b,c\n");
    EXPECT_EQ(data.FieldCount(), 5);
    EXPECT_EQ(Load("").FieldCount(), 0);
    TCSVData header = Load("1,2,3,4,5,6\na\nb\n", true);
    EXPECT_EQ(header.FieldCount(), 6);
}

TEST(CSVData, OutOfIndex)
{
    TCSVData data = Load("a\n");
    EXPECT_THROW(data.GetRecord(1), ECSVDataBase);
    EXPECT_THROW(data.GetRecord(-1), ECSVDataBase);
    TCSVAccess view(&data);
    view.Rebuild();
    EXPECT_THROW(view.RecordAt(1), ECSVAccess);
    EXPECT_EQ(TCSVAccess().Append(0), -1);
    EXPECT_EQ(TCSVAccess().LineIndexAt(0), -1);
}

TEST(CSVEncoding, Detection)
{
    const QString text = QStringLiteral("名前,住所\n山田,\"東京都港区\n芝公園\"\n");
    TCSVEncoding enc;
    EXPECT_EQ(DecodeCSVBytes(cp932::Encode(text), "f", &enc), text);
    EXPECT_EQ(enc, TCSVEncoding::CodePage932);
    EXPECT_EQ(DecodeCSVBytes(text.toUtf8(), "f", &enc), text);
    EXPECT_EQ(enc, TCSVEncoding::Utf8);
    EXPECT_EQ(DecodeCSVBytes("\xEF\xBB\xBF" + text.toUtf8(), "f", &enc), text);
    EXPECT_EQ(enc, TCSVEncoding::Utf8Bom);
    QByteArray le("\xFF\xFE");
    QByteArray be("\xFE\xFF");
    for (QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    EXPECT_EQ(DecodeCSVBytes(le, "f", &enc), text);
    EXPECT_EQ(enc, TCSVEncoding::Utf16LE);
    EXPECT_EQ(DecodeCSVBytes(be, "f", &enc), text);
    EXPECT_EQ(enc, TCSVEncoding::Utf16BE);
    // Code page 932's own characters (where it differs from JIS Shift_JIS).
    const QString special = QStringLiteral("～∥－￥①髙");
    EXPECT_EQ(DecodeCSVBytes(cp932::Encode(special), "f", &enc), special);
    EXPECT_EQ(enc, TCSVEncoding::CodePage932);
    EXPECT_EQ(DecodeCSVBytes("plain,ascii\n", "f", &enc), "plain,ascii\n");
}

TEST(CSVDamaged, EmptyAndHeaderOnly)
{
    EXPECT_EQ(Load("").LineCount(), 0);
    EXPECT_EQ(Load("\xEF\xBB\xBF").LineCount(), 0);
    TCSVData header = Load("a,b\n");
    header.SetHasHeader(true);
    EXPECT_EQ(header.LineCount(), 0);
    EXPECT_EQ(header.Header().Count(), 2);
}

TEST(CSVDamaged, RaggedRows)
{
    TCSVData data = Load("a\nb,c,d\n\ne,f\n");
    ASSERT_EQ(data.LineCount(), 4);
    EXPECT_EQ(Record(data, 1), QStringList({"b", "c", "d"}));
    EXPECT_EQ(data.GetRecord(0).Get(2), "");
    EXPECT_EQ(data.FieldCount(), 3);
}

TEST(CSVDamaged, UnterminatedQuoteFallsBackToTheLineRule)
{
    // The open quote ends its record at its own line; the records after it stay.
    TCSVData data = Load("a,b\nc,d\ne,\"open\nmore,x\nlast\n");
    EXPECT_TRUE(data.Warning().isEmpty());
    ASSERT_EQ(data.LineCount(), 5);
    EXPECT_EQ(Record(data, 2), QStringList({"e", "ope"}));
    EXPECT_EQ(Record(data, 3), QStringList({"more", "x"}));
    EXPECT_EQ(Record(data, 4), QStringList({"last"}));
    // A quote that a later one closes is a field with line breaks, as before.
    TCSVData closed = Load("e,\"open\nmore\",x\n");
    ASSERT_EQ(closed.LineCount(), 1);
    EXPECT_EQ(Record(closed, 0), QStringList({"e", "open\nmore", "x"}));
    // The open quote was before a closed multi-line field: that one stays whole.
    TCSVData later = Load("\"one\ntwo\",3\n4,\"five\n");
    ASSERT_EQ(later.LineCount(), 2);
    EXPECT_EQ(Record(later, 0), QStringList({"one\ntwo", "3"}));
    EXPECT_EQ(Record(later, 1), QStringList({"4", "fiv"}));
    // A quote on the last line, with no line end after it.
    TCSVData last = Load("x\n\"y");
    ASSERT_EQ(last.LineCount(), 2);
    EXPECT_EQ(Record(last, 1), QStringList({""}));
}

TEST(CSVDamaged, NulEndsTheTextWithAWarning)
{
    TCSVData data = Load(QByteArray("a\nb\nc\0d\ne\n", 10));
    ASSERT_EQ(data.LineCount(), 3);
    EXPECT_EQ(Record(data, 2), QStringList({"c"}));
    EXPECT_TRUE(data.Warning().contains("3行目")) << data.Warning().toStdString();
    EXPECT_TRUE(data.Warning().contains("NUL"));
    // UTF-16: the NUL character, not a zero byte, ends it.
    QByteArray le("\xFF\xFE"
                  "a\0,\0b\0\n\0\0\0z\0",
                  14);
    TCSVData wide = Load(le);
    ASSERT_EQ(wide.LineCount(), 1);
    EXPECT_EQ(Record(wide, 0), QStringList({"a", "b"}));
    EXPECT_TRUE(wide.Warning().contains("2行目")) << wide.Warning().toStdString();
}

TEST(CSVDamaged, UndecodableBytesBecomeGetaAndTheFirstLineIsNamed)
{
    // 0x81 0x20 is no code page 932 character: the pair reads as "〓" and a space
    // or as "〓" alone, but the line end after a bad lead byte always stays.
    TCSVData data = Load("a\nb\n\x81\x20x\n\x82\n\xFF,y\n");
    ASSERT_EQ(data.LineCount(), 5);
    EXPECT_TRUE(Record(data, 2).at(0).startsWith(QChar(0x3013)));
    EXPECT_TRUE(Record(data, 2).at(0).endsWith(u'x'));
    EXPECT_EQ(Record(data, 3), QStringList({QString(QChar(0x3013))}));
    EXPECT_EQ(Record(data, 4), QStringList({QString(QChar(0x3013)), "y"}));
    EXPECT_EQ(data.Encoding(), TCSVEncoding::CodePage932);
    // One warning, naming the first line only.
    EXPECT_TRUE(data.Warning().contains("3行目")) << data.Warning().toStdString();
    EXPECT_FALSE(data.Warning().contains("4行目"));
    EXPECT_EQ(data.Warning().count(u'\n'), 0);
    EXPECT_TRUE(Warning("\xEF\xBB\xBFok\n\xFF\n").contains("2行目"));
    // Odd byte count in UTF-16 and a lone lead byte at the very end.
    EXPECT_FALSE(Warning(QByteArray("\xFF\xFE"
                                    "a\0b",
                                    5))
                     .isEmpty());
    EXPECT_TRUE(Warning("abc\n\x82").contains("2行目"));
    EXPECT_TRUE(Warning("plain\n").isEmpty());
}

TEST(CSVDamaged, ABadByteInAUtf8ListKeepsItUtf8)
{
    // One stray byte must not turn a UTF-8 list into code page 932 mojibake.
    const QByteArray utf8 =
        QStringLiteral("名前,住所\n山田,東京\n").toUtf8() + "\xFF" + QStringLiteral("鈴木,大阪\n").toUtf8();
    TCSVData data = Load(utf8);
    EXPECT_EQ(data.Encoding(), TCSVEncoding::Utf8);
    ASSERT_EQ(data.LineCount(), 3);
    EXPECT_EQ(Record(data, 2), QStringList({QStringLiteral("〓鈴木"), QStringLiteral("大阪")}));
    // And one bad byte in a code page 932 list keeps that list code page 932.
    const QByteArray sjis = cp932::Encode(QStringLiteral("名前,住所\n山田,東京\n")) + "\xFF" +
                            cp932::Encode(QStringLiteral("鈴木,大阪\n"));
    TCSVData cp = Load(sjis);
    EXPECT_EQ(cp.Encoding(), TCSVEncoding::CodePage932);
    EXPECT_EQ(Record(cp, 2), QStringList({QStringLiteral("〓鈴木"), QStringLiteral("大阪")}));
}

TEST(CSVDamaged, OneBadCellInFiveThousandAddresses)
{
    // The list of a user who must still print: a bad byte, a quote left open on the
    // last line and a NUL after it.
    QByteArray bytes;
    for (int i = 1; i <= 5000; ++i) {
        QByteArray line = cp932::Encode(QStringLiteral("山田%1,東京都港区%1").arg(i));
        if (i == 1234)
            line += "\x85\x40";
        if (i == 5000)
            line = "last,\"open";
        bytes += line + "\r\n";
    }
    bytes += QByteArray("\0junk", 5);
    TCSVData data = Load(bytes);
    ASSERT_EQ(data.LineCount(), 5000);
    EXPECT_EQ(Record(data, 0), QStringList({QStringLiteral("山田1"), QStringLiteral("東京都港区1")}));
    EXPECT_TRUE(Record(data, 1233).at(1).endsWith(QChar(0x3013)));
    EXPECT_EQ(Record(data, 4999), QStringList({"last", "ope"}));
    EXPECT_TRUE(data.Warning().contains("1234行目")) << data.Warning().toStdString();
    EXPECT_TRUE(data.Warning().contains("5001行目")) << data.Warning().toStdString();
}

TEST(CSVDamaged, LargeFieldAndManyRows)
{
    QByteArray big(1024 * 1024, 'x');
    TCSVData data = Load("a,\"" + big + "\",c\n");
    ASSERT_EQ(data.LineCount(), 1);
    EXPECT_EQ(data.GetRecord(0).Get(1).size(), big.size());
    EXPECT_EQ(data.GetRecord(0).Get(2), "c");

    QByteArray rows;
    rows.reserve(1000000 * 4);
    for (int i = 0; i < 1000000; ++i)
        rows += "1,2\n";
    TCSVData many = Load(rows);
    EXPECT_EQ(many.LineCount(), 1000000);
    EXPECT_EQ(many.GetRecord(999999).Items(), QStringList({"1", "2"}));
}

TEST(CSVData, MissingFileRaisesNamingIt)
{
    TCSVData data;
    try {
        data.LoadFromFile("/nonexistent/none.csv");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains("none.csv"));
    }
}

TEST(CSVAccess, SortKeepsLinesAndOrdersView)
{
    TCSVData data = Load("c\na\nb\na\n");
    TCSVAccess view(&data);
    view.Rebuild();
    view.Sort([](const TCSVStringList& a, const TCSVStringList& b) { return a.Get(0).compare(b.Get(0)); });
    EXPECT_EQ(view.Index(), std::vector<int>({1, 3, 2, 0}));
    EXPECT_EQ(data.LineText(0).toString(), "c");
}
