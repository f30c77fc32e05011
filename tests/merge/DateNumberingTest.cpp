// Date and numbering objects: every date format on era boundaries, leap days,
// midnight and noon (expected texts written from the calendar, not from the code),
// document times on reading, numbering texts, and their stored forms.
#include "base/UDateTime.h"
#include "base/UStream.h"
#include "document/ULabelData.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "objects/ULDObjects.h"
#include "paper/UPaperInfo.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "text/UDateFormat.h"
#include "text/ULODate.h"
#include <QDateTime>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>

using namespace velmo;

namespace {

double At(int y, int m, int d, int h = 0, int n = 0)
{
    return DateTimeToDayCount(QDateTime(QDate(y, m, d), QTime(h, n)));
}

QString F(int number, double when)
{
    return FormatDayCount(DateFormatList().at(number - 1), when);
}

class Dates : public ::testing::Test
{
protected:
    void SetUp() override { RegisterMergeClasses(); }
};

// Every format at midnight on the first day of Reiwa (a Wednesday).
const char* const kReiwaFirstMidnight[41] = {
    "5月1日",
    "令和1年5月",
    "令和1年5月1日",
    "令和1年5月1日(水)",
    "令和1年5月1日(水曜日)",
    "令和1年5月1日 0時0分",
    "令和1年5月1日(水) 0時0分",
    "2019年5月",
    "2019年5月1日",
    "2019年5月1日 0時0分",
    "2019年5月1日(水) 0時0分",
    "2019/5",
    "2019/5/1",
    "2019/5/1 水",
    "2019/5/1 水曜日",
    "2019/5/1 00:00",
    "2019/5/1 12:00 AM",
    "2019/5/1 水 00:00",
    "2019/5/1 水 12:00 AM",
    "19/5",
    "19/5/1",
    "19/5/1 水",
    "19/5/1 水曜日",
    "19/5/1 00:00",
    "19/5/1 12:00 AM",
    "19/5/1 水 00:00",
    "19/5/1 水 12:00 AM",
    "2019-05-01",
    "May 1,2019",
    "May 1,2019",
    "MAY.1,2019",
    "May, 2019",
    "May, 2019",
    "MAY, 2019",
    "May, 19",
    "May-19",
    "1 May, 19",
    "1 May '19",
    "1 May ' 19",
    "1 MAY.'19",
    "1/05/19",
};

// Every format at noon on the leap day of 2020 (a Saturday, Reiwa 2).
const char* const kLeapDayNoon[41] = {
    "2月29日",
    "令和2年2月",
    "令和2年2月29日",
    "令和2年2月29日(土)",
    "令和2年2月29日(土曜日)",
    "令和2年2月29日 12時0分",
    "令和2年2月29日(土) 12時0分",
    "2020年2月",
    "2020年2月29日",
    "2020年2月29日 12時0分",
    "2020年2月29日(土) 12時0分",
    "2020/2",
    "2020/2/29",
    "2020/2/29 土",
    "2020/2/29 土曜日",
    "2020/2/29 12:00",
    "2020/2/29 12:00 PM",
    "2020/2/29 土 12:00",
    "2020/2/29 土 12:00 PM",
    "20/2",
    "20/2/29",
    "20/2/29 土",
    "20/2/29 土曜日",
    "20/2/29 12:00",
    "20/2/29 12:00 PM",
    "20/2/29 土 12:00",
    "20/2/29 土 12:00 PM",
    "2020-02-29",
    "February 29,2020",
    "Feb 29,2020",
    "FEB.29,2020",
    "February, 2020",
    "Feb, 2020",
    "FEB, 2020",
    "February, 20",
    "Feb-20",
    "29 February, 20",
    "29 February '20",
    "29 Feb ' 20",
    "29 FEB.'20",
    "29/02/20",
};

} // namespace

TEST_F(Dates, FortyOneFormatsInTheirOrder)
{
    ASSERT_EQ(DateFormatList().size(), 41);
    EXPECT_EQ(DateFormatList().first(), QStringLiteral("m\"月\"d\"日\""));
    EXPECT_EQ(DateFormatList().at(16), QStringLiteral("yyyy\"/\"m\"/\"d h\":\"nn AM/PM"));
    EXPECT_EQ(DateFormatList().last(), QStringLiteral("d\"/\"mm\"/\"yy"));
}

TEST_F(Dates, EveryFormatAtMidnightOnTheFirstDayOfReiwa)
{
    const double when = At(2019, 5, 1);
    for (int i = 1; i <= 41; ++i)
        EXPECT_EQ(F(i, when), QString::fromUtf8(kReiwaFirstMidnight[i - 1])) << "format " << i;
}

TEST_F(Dates, EveryFormatAtNoonOnALeapDay)
{
    const double when = At(2020, 2, 29, 12, 0);
    for (int i = 1; i <= 41; ++i)
        EXPECT_EQ(F(i, when), QString::fromUtf8(kLeapDayNoon[i - 1])) << "format " << i;
}

TEST_F(Dates, EraBoundaries)
{
    struct Case
    {
        int Y, M, D;
        const char* Format5;
        const char* Format2;
    };
    const Case cases[] = {
        {1912, 7, 29, "明治45年7月29日(月曜日)", "明治45年7月"},
        {1912, 7, 30, "大正1年7月30日(火曜日)", "大正1年7月"},
        {1926, 12, 24, "大正15年12月24日(金曜日)", "大正15年12月"},
        {1926, 12, 25, "昭和1年12月25日(土曜日)", "昭和1年12月"},
        {1989, 1, 7, "昭和64年1月7日(土曜日)", "昭和64年1月"},
        {1989, 1, 8, "平成1年1月8日(日曜日)", "平成1年1月"},
        {2019, 4, 30, "平成31年4月30日(火曜日)", "平成31年4月"},
        {2019, 5, 1, "令和1年5月1日(水曜日)", "令和1年5月"},
    };
    for (const Case& c : cases) {
        // The era changes at the day, not at some hour of it.
        for (int hour : {0, 12, 23}) {
            const double when = At(c.Y, c.M, c.D, hour, 59);
            EXPECT_EQ(F(5, when), QString::fromUtf8(c.Format5)) << c.Y << "-" << c.M << "-" << c.D;
            EXPECT_EQ(F(2, when), QString::fromUtf8(c.Format2));
        }
    }
    EXPECT_EQ(FormatDayCount(QStringLiteral("g/e/ee"), At(1989, 1, 8)), QStringLiteral("平/1/01"));
    EXPECT_EQ(FormatDayCount(QStringLiteral("gg e"), At(2019, 4, 30)), QStringLiteral("平成 31"));
    EXPECT_EQ(F(7, At(2019, 4, 30, 23, 59)), QStringLiteral("平成31年4月30日(火) 23時59分"));
}

TEST_F(Dates, LeapDaysAndCenturies)
{
    EXPECT_EQ(F(5, At(2000, 2, 29)), QStringLiteral("平成12年2月29日(火曜日)"));
    EXPECT_EQ(F(5, At(2024, 2, 29)), QStringLiteral("令和6年2月29日(木曜日)"));
    // 1900 was not a leap year: the day after 28 February is 1 March.
    EXPECT_EQ(F(15, At(1900, 2, 28) + 1), QStringLiteral("1900/3/1 木曜日"));
    EXPECT_EQ(F(28, At(2000, 2, 28) + 1), QStringLiteral("2000-02-29"));
}

TEST_F(Dates, TwelveHourClockAndItsLetterCase)
{
    EXPECT_EQ(F(3, At(2000, 1, 1)), QStringLiteral("平成12年1月1日"));
    EXPECT_EQ(F(17, At(2000, 1, 1, 13, 5)), QStringLiteral("2000/1/1 1:05 PM"));
    EXPECT_EQ(F(17, At(2000, 1, 1, 0, 30)), QStringLiteral("2000/1/1 12:30 AM"));
    EXPECT_EQ(F(17, At(2000, 1, 1, 11, 59)), QStringLiteral("2000/1/1 11:59 AM"));
    EXPECT_EQ(F(25, At(2000, 1, 1, 23, 0)), QStringLiteral("00/1/1 11:00 PM"));
    const double afternoon = At(2000, 1, 1, 15, 7);
    EXPECT_EQ(FormatDayCount(QStringLiteral("h:nn am/pm"), afternoon), QStringLiteral("3:07 pm"));
    EXPECT_EQ(FormatDayCount(QStringLiteral("h:nn a/p"), afternoon), QStringLiteral("3:07 p"));
    EXPECT_EQ(FormatDayCount(QStringLiteral("hh:nn A/P"), At(2000, 1, 1, 9, 7)), QStringLiteral("09:07 A"));
    EXPECT_EQ(FormatDayCount(QStringLiteral("ampm h\"時\""), afternoon), QStringLiteral("午後 15時"));
    EXPECT_EQ(FormatDayCount(QStringLiteral("h\"時\" AMPM"), afternoon), QStringLiteral("3時 午後"));
    // A quoted AM/PM is text, and does not make the hour a 12-hour one.
    EXPECT_EQ(FormatDayCount(QStringLiteral("h \"AM/PM\""), afternoon), QStringLiteral("15 AM/PM"));
    // The AM/PM belongs to the second hour only.
    EXPECT_EQ(FormatDayCount(QStringLiteral("h-h AM/PM"), afternoon), QStringLiteral("15-3 PM"));
}

TEST_F(Dates, TheSpecimenFormats)
{
    EXPECT_EQ(F(31, At(2000, 12, 25)), QStringLiteral("DEC.25,2000"));
    EXPECT_EQ(F(38, At(2000, 12, 25)), QStringLiteral("25 December '00"));
    EXPECT_EQ(ExpandMonthMacros(QStringLiteral("$(LongMonthB)/$(ShortMonthB)/$(LongMonthC)"), 9),
              QStringLiteral("\"september\"/\"sep\"/\"SEPTEMBER\""));
    EXPECT_EQ(FormatDayCount(QStringLiteral("$(LongMonthB) $(ShortMonthC)"), At(2001, 3, 4)),
              QStringLiteral("march MAR"));
}

TEST_F(Dates, EmptyFormatIsShortDateThenTimeWhenNotMidnight)
{
    EXPECT_EQ(FormatDayCount(QString(), At(2000, 1, 1)), QStringLiteral("2000/01/01"));
    EXPECT_EQ(FormatDayCount(QString(), At(2000, 1, 1, 13, 5)), QStringLiteral("2000/01/01 13:05:00"));
    EXPECT_EQ(FormatDayCount(QStringLiteral("mmm mmmm"), At(2000, 7, 1)), QStringLiteral("7月 7月"));
    // Unquoted letters without meaning and double-byte characters are copied.
    EXPECT_EQ(FormatDayCount(QStringLiteral("x年q"), At(2000, 7, 1)), QStringLiteral("x年q"));
    // An unterminated quote runs to the end.
    EXPECT_EQ(FormatDayCount(QStringLiteral("d\"日 and more"), At(2000, 7, 1)),
              QStringLiteral("1日 and more"));
}

TEST_F(Dates, NonsenseDayCountsAreRefused)
{
    EXPECT_EQ(FormatDayCount(QStringLiteral("yyyy"), std::numeric_limits<double>::quiet_NaN()), QString());
    EXPECT_EQ(FormatDayCount(QStringLiteral("yyyy"), 1e300), QString());
    EXPECT_EQ(FormatDayCount(QStringLiteral("yyyy"), -1e9), QString());
    TLODate date;
    date.SetFormat(DateFormatList()[8]);
    date.SetDateValue(At(2001, 2, 3));
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300, -1e9})
        date.SetDateValue(bad);
    EXPECT_EQ(date.Date(), At(2001, 2, 3));
    EXPECT_EQ(date.Text()->Lines(), QStringList{QStringLiteral("2001年2月3日")});
}

TEST_F(Dates, DateObjectTextAndStoredForm)
{
    TLODate date;
    date.SetBaseRect({0, 0, 100, 100});
    date.SetDateValue(At(2019, 5, 1, 9, 30));
    date.SetFormat(DateFormatList()[2]);
    EXPECT_EQ(date.Text()->Lines(), QStringList{QStringLiteral("令和1年5月1日")});
    date.SetUpdateFlag(TDateUpdateFlag::dufPrint);
    const QString text = ComponentToText(ComponentStreamBytes(date));
    EXPECT_TRUE(text.startsWith(u"object TLODate")) << text.toStdString();
    const qsizetype format = text.indexOf(u"Format = ");
    const qsizetype day = text.indexOf(u"Date = ");
    const qsizetype flag = text.indexOf(u"UpdateFlag = dufPrint");
    EXPECT_GT(format, text.indexOf(u"Text.Strings"));
    EXPECT_LT(format, day);
    EXPECT_LT(day, flag);

    // Read back, and copied through Assign.
    const QByteArray bytes = ComponentStreamBytes(date);
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    TLODate back;
    ReadComponentInto(stream, back);
    EXPECT_EQ(back.Format(), date.Format());
    EXPECT_EQ(back.Date(), date.Date());
    EXPECT_EQ(back.UpdateFlag(), TDateUpdateFlag::dufPrint);
    EXPECT_EQ(back.Text()->Lines(), date.Text()->Lines());
    TLODate copy;
    copy.Assign(back);
    EXPECT_EQ(copy.Format(), date.Format());
    EXPECT_EQ(copy.Date(), date.Date());
    EXPECT_EQ(copy.UpdateFlag(), TDateUpdateFlag::dufPrint);
    EXPECT_EQ(copy.Text()->Lines(), date.Text()->Lines());
}

TEST_F(Dates, DocumentTimesReplaceTheDateWhenTheDesignIsRead)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceWidth(900);
    paper->SetFaceHeight(400);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(2);
    TLabelData document;
    document.SetPaper(paper.get());
    const double stored = At(1999, 9, 9, 9, 9);
    TDOList list;
    for (TDateUpdateFlag flag : {TDateUpdateFlag::dufNo, TDateUpdateFlag::dufOpen, TDateUpdateFlag::dufPrint,
                                 TDateUpdateFlag::dufSave}) {
        auto* date = new TLODate;
        date->SetBaseRect({10, 10, 200, 60});
        date->SetFormat(DateFormatList()[9]);
        date->SetDateValue(stored);
        date->SetUpdateFlag(flag);
        list.Add(date);
    }
    document.WriteLabel(0, list);
    list.FreeObjects();
    document.SetOpenTime(At(2021, 1, 2, 3, 4));
    document.SetLastPrint(At(2022, 5, 6, 7, 8));
    document.SetLastSave(At(2023, 9, 10, 11, 12));
    TDOList read;
    document.ReadLabel(0, read);
    ASSERT_EQ(read.Count(), 4);
    std::map<TDateUpdateFlag, QString> texts;
    for (TDrawObject* o : read.Objects()) {
        auto* date = dynamic_cast<TLODate*>(o);
        ASSERT_NE(date, nullptr);
        texts[date->UpdateFlag()] = date->Text()->Lines().join(u'\n');
    }
    read.FreeObjects();
    EXPECT_EQ(texts[TDateUpdateFlag::dufNo], QStringLiteral("1999年9月9日 9時9分"));
    EXPECT_EQ(texts[TDateUpdateFlag::dufOpen], QStringLiteral("2021年1月2日 3時4分"));
    EXPECT_EQ(texts[TDateUpdateFlag::dufPrint], QStringLiteral("2022年5月6日 7時8分"));
    EXPECT_EQ(texts[TDateUpdateFlag::dufSave], QStringLiteral("2023年9月10日 11時12分"));
}

// ---------------------------------------------------------------------------------
// Numbering

namespace {

QString N(int start, int step, int lock, bool comma, int n, const QString& header = {},
          const QString& footer = {})
{
    return NumberingText(header, footer, start, step, lock, comma, n);
}

} // namespace

TEST(Numbering, TheCountingCases)
{
    EXPECT_EQ(N(1, 1, 0, false, 0), QStringLiteral("1"));
    EXPECT_EQ(N(1, 1, 0, false, 1), QStringLiteral("2"));
    EXPECT_EQ(N(1, 1, 0, false, 2), QStringLiteral("3"));
    EXPECT_EQ(N(10, -2, 0, false, 1), QStringLiteral("8"));
    EXPECT_EQ(N(10, -2, 0, false, 2), QStringLiteral("6"));
    EXPECT_EQ(N(10, -2, 0, false, 5), QStringLiteral("0"));
    EXPECT_EQ(N(10, -2, 0, false, 6), QStringLiteral("-2"));
    EXPECT_EQ(N(42, 0, 5, false, 9), QStringLiteral("00042"));
    EXPECT_EQ(N(-42, 0, 5, false, 0), QStringLiteral("-00042"));
    EXPECT_EQ(N(1234, 0, 7, true, 0), QStringLiteral("001,234"));
    EXPECT_EQ(N(7, 0, 0, false, 0, QStringLiteral("No."), QStringLiteral("番")), QStringLiteral("No.7番"));
}

TEST(Numbering, PaddingAndCommasWithNegativeSteps)
{
    EXPECT_EQ(N(1000, -250, 0, true, 8), QStringLiteral("-1,000"));
    EXPECT_EQ(N(1000, -250, 6, true, 8), QStringLiteral("-01,000"));
    EXPECT_EQ(N(0, -1, 3, false, 5), QStringLiteral("-005"));
    EXPECT_EQ(N(999999999, 999999, 0, true, 1), QStringLiteral("1,000,999,998"));
    EXPECT_EQ(N(0, 1, 1, true, 999), QStringLiteral("999"));
    EXPECT_EQ(N(0, 1, 4, true, 1000), QStringLiteral("1,000"));
    EXPECT_EQ(N(0, 1, 6, true, 1000), QStringLiteral("01,000"));
}

TEST(Numbering, ThirtyTwoBitOverflowGivesTheTrueNumber)
{
    // 2,147,483,647 + 1 does not wrap round to a negative number.
    EXPECT_EQ(N(2147483647, 1, 0, false, 1), QStringLiteral("2147483648"));
    EXPECT_EQ(N(-2147483647 - 1, -1, 0, false, 1), QStringLiteral("-2147483649"));
    EXPECT_EQ(N(-2147483647 - 1, -2147483647 - 1, 0, true, 2147483647),
              QStringLiteral("-4,611,686,018,427,387,904"));
    // A stored count of places far beyond the dialog's range stays bounded.
    EXPECT_LE(N(1, 1, 2000000000, false, 0).size(), 64);
}

TEST(Numbering, ObjectTextFollowsCurNumberOnly)
{
    RegisterMergeClasses();
    TLONumbering numbering;
    numbering.SetBaseRect({0, 0, 100, 100});
    numbering.SetStartNumber(10);
    numbering.SetStepCount(-2);
    numbering.SetHeaderText(QStringLiteral("No."));
    numbering.SetCurNumber(6);
    EXPECT_EQ(numbering.Text()->Lines(), QStringList{QStringLiteral("No.-2")});
    numbering.SetStepCount(5); // other setters only store
    EXPECT_EQ(numbering.Text()->Lines(), QStringList{QStringLiteral("No.-2")});
    numbering.SetCurNumber(6);
    EXPECT_EQ(numbering.Text()->Lines(), QStringList{QStringLiteral("No.40")});

    numbering.SetFooterText(QStringLiteral("番"));
    numbering.SetLockCount(4);
    numbering.SetCommaEnable(true);
    const QByteArray bytes = ComponentStreamBytes(numbering);
    const QString text = ComponentToText(bytes);
    qsizetype at = 0;
    for (const char* name :
         {"HeaderText", "FooterText", "StartNumber", "StepCount", "LockCount", "CommaEnable", "CurNumber"}) {
        const qsizetype next = text.indexOf(QLatin1String(name), at);
        EXPECT_GT(next, at) << name << "\n" << text.toStdString();
        at = next;
    }
    TLONumbering back;
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    ReadComponentInto(stream, back);
    EXPECT_EQ(back.Text()->Lines(), QStringList{QStringLiteral("No.0040番")});
    TLONumbering copy;
    copy.Assign(back);
    EXPECT_EQ(copy.TextFor(0), QStringLiteral("No.0010番"));
    EXPECT_EQ(copy.CurNumber(), 6);
    EXPECT_TRUE(copy.CommaEnable());

    // Zero values are written too: none of the settings has a default.
    TLONumbering zero;
    const QString zeroText = ComponentToText(ComponentStreamBytes(zero));
    for (const char* name :
         {"StartNumber = 0", "StepCount = 0", "LockCount = 0", "CommaEnable = False", "CurNumber = 0"})
        EXPECT_TRUE(zeroText.contains(QLatin1String(name))) << name << "\n" << zeroText.toStdString();
}

TEST(Numbering, MergeStepSetsTheLabelNumberWithOrWithoutMergeData)
{
    RegisterMergeClasses();
    TCsvDB::Instance().Close();
    TDOList list;
    auto* numbering = new TLONumbering;
    numbering->SetStartNumber(100);
    numbering->SetStepCount(10);
    list.Add(numbering);
    for (int n : {0, 7, 123}) {
        TCsvDB::Instance().ApplyMergeRecord(list, n);
        EXPECT_EQ(numbering->Text()->Lines(), QStringList{QString::number(100 + 10 * n)});
    }
    list.FreeObjects();
}

TEST(FieldObject, OwnFieldNumberIsAlwaysWrittenAndBindsNothing)
{
    RegisterMergeClasses();
    const QString design = QStringLiteral("object TLDObjects\n"
                                          "  object F1: TLOField\n"
                                          "    Left = 10\n    Top = 10\n    Width = 200\n    Height = 50\n"
                                          "    Text.Strings = (\n      '古いフィールド')\n"
                                          "    FieldNo = 3\n"
                                          "  end\n"
                                          "end\n");
    const QByteArray resource = TextToComponentResource(design, QStringLiteral("LabelData"));
    TReadOnlyMemoryStream stream(resource.constData(), resource.size());
    TDOList list;
    ReadLabelData(stream, list);
    ASSERT_EQ(list.Count(), 1);
    auto* field = dynamic_cast<TLOField*>(list[0]);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->OwnFieldNo(), 3);
    // The text object's product binding stays off: its text is its own.
    EXPECT_EQ(field->FieldNo(), 0);
    EXPECT_EQ(field->Text()->Lines(), QStringList{QStringLiteral("古いフィールド")});
    field->SetOwnFieldNo(0);
    EXPECT_TRUE(ComponentToText(ComponentStreamBytes(*field)).contains(u"FieldNo = 0"));
    list.FreeObjects();
}
