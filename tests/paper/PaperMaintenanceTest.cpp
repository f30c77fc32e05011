#include "base/UDateTime.h"
#include "paper/CatalogueTestSupport.h"
#include "paper/UPaperMaintenance.h"
#include "paper/UPaperRecords.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::MakeNamedPaper;

namespace {

class Maintenance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        velmo::test::EnsureCatalogueClasses();
        ASSERT_TRUE(FDir.isValid());
        FFile = FDir.filePath(QStringLiteral("velmo.ppr"));
        FPapers = std::make_unique<TVelmoPapers>(FFile, false);
    }
    void Add(const QStringList& names, const QString& group = QStringLiteral("A4"))
    {
        for (const QString& name : names)
            FPapers->StorePaper(*MakeNamedPaper(name, group));
    }
    QStringList Names() const
    {
        QStringList names;
        for (int i = 0; i < FPapers->Count(); ++i)
            names << FPapers->Paper(i)->PaperName();
        return names;
    }
    QTemporaryDir FDir;
    QString FFile;
    std::unique_ptr<TVelmoPapers> FPapers;
};

TEST(PaperMaintenanceRules, ShapesOfferedFollowTheMask)
{
    // The CD purpose: doughnut and ellipse only.
    const QList<int> cd = ShapesOffered(FaceShapeBit(fsDoughnut) | FaceShapeBit(fsEllipse));
    ASSERT_EQ(cd.size(), 2);
    EXPECT_EQ(FaceShapeNames()[cd[0]], QStringLiteral("CDラベル"));
    EXPECT_EQ(FaceShapeNames()[cd[1]], QStringLiteral("丸ラベル"));
    EXPECT_EQ(ShapesOffered(0).size(), 6);
    // Bits beyond the six shapes (damaged data) must not leave an empty choice.
    EXPECT_EQ(ShapesOffered(0x80000000u).size(), 6);
    EXPECT_EQ(MaskFromShapes({0, 1, 2, 3, 4, 5}), 0u);
    EXPECT_EQ(MaskFromShapes({1, 2}), FaceShapeBit(fsDoughnut) | FaceShapeBit(fsEllipse));
    EXPECT_EQ(MaskFromShapes({1, 99, -1}), FaceShapeBit(fsDoughnut));
}

TEST(PaperMaintenanceRules, NewPurposesTakeTheFirstFreeNumber)
{
    TPurposeList list;
    list.SetDefault();
    auto first = NewPurposeName(list);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->first, QStringLiteral("NewID1"));
    EXPECT_EQ(first->second, QStringLiteral("新規用途1"));
    TPurposeInfo* item = list.Add();
    item->SetID(first->first);
    item->SetDisplayName(first->second);
    auto second = NewPurposeName(list);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->first, QStringLiteral("NewID2"));
    EXPECT_EQ(second->second, QStringLiteral("新規用途2"));
    // Identifiers compare without case: "newid2" takes number 2 as well.
    list.Add()->SetID(QStringLiteral("newid2"));
    EXPECT_EQ(NewPurposeName(list)->first, QStringLiteral("NewID3"));
    for (int n = 3; n <= 999; ++n)
        list.Add()->SetID(QStringLiteral("NewID%1").arg(n));
    EXPECT_FALSE(NewPurposeName(list));
}

TEST(PaperMaintenanceRules, StartNumbers)
{
    EXPECT_EQ(ParseStartNumber(QStringLiteral("256")), 256u);
    EXPECT_EQ(ParseStartNumber(QStringLiteral(" $100 ")), 256u);
    EXPECT_EQ(ParseStartNumber(QStringLiteral("$ffffffff")), 0xFFFFFFFFu);
    EXPECT_EQ(ParseStartNumber(QStringLiteral("4294967295")), 0xFFFFFFFFu);
    EXPECT_FALSE(ParseStartNumber(QStringLiteral("4294967296")));
    EXPECT_FALSE(ParseStartNumber(QStringLiteral("$100000000")));
    EXPECT_FALSE(ParseStartNumber(QString()));
    EXPECT_FALSE(ParseStartNumber(QStringLiteral("$")));
    EXPECT_FALSE(ParseStartNumber(QStringLiteral("-1")));
    EXPECT_FALSE(ParseStartNumber(QStringLiteral("12a")));
    EXPECT_FALSE(ParseStartNumber(QStringLiteral("0x10")));
    EXPECT_FALSE(ParseStartNumber(QString(1000, QLatin1Char('9'))));
}

TEST(PaperMaintenanceRules, UpdateTimes)
{
    const auto t = ParseUpdateTime(QStringLiteral("2026/12/09 10:30:15"));
    ASSERT_TRUE(t);
    EXPECT_EQ(DayCountToDateTime(*t), QDateTime(QDate(2026, 12, 9), QTime(10, 30, 15)));
    EXPECT_EQ(UpdateTimeText(*t), QStringLiteral("2026/12/09 10:30:15"));
    EXPECT_EQ(ParseUpdateTime(QStringLiteral("2026-1-2")), DateToDayCount(QDate(2026, 1, 2)));
    EXPECT_FALSE(ParseUpdateTime(QStringLiteral("2026/02/30")));
    EXPECT_FALSE(ParseUpdateTime(QStringLiteral("2026/12/09 25:00")));
    EXPECT_FALSE(ParseUpdateTime(QStringLiteral("昨日")));
    EXPECT_FALSE(ParseUpdateTime(QString()));
    EXPECT_EQ(UpdateTimeText(0), QString());
}

TEST(PaperMaintenanceRules, BulkNames)
{
    EXPECT_EQ(BulkPaperName(QStringLiteral("A4 12面"), TRenameMode::HeaderFooter, QStringLiteral("新"),
                            QStringLiteral("(旧)")),
              QStringLiteral("新A4 12面(旧)"));
    // Only the first occurrence is replaced.
    EXPECT_EQ(BulkPaperName(QStringLiteral("A4 A4"), TRenameMode::Replace, QStringLiteral("A4"),
                            QStringLiteral("B5")),
              QStringLiteral("B5 A4"));
    EXPECT_EQ(BulkPaperName(QStringLiteral("abc"), TRenameMode::Replace, QString(), QStringLiteral("x")),
              QStringLiteral("abc"));
}

TEST_F(Maintenance, RenumberFrom256GivesConsecutiveKeysInKeyOrder)
{
    Add({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    const QStringList before = Names();
    EXPECT_EQ(RenumberPaperKeys(*FPapers, ParseStartNumber(QStringLiteral("256")).value()), 3);
    EXPECT_EQ(FPapers->Keys(), (QStringList{QStringLiteral("$00000100"), QStringLiteral("$00000101"),
                                            QStringLiteral("$00000102")}));
    EXPECT_EQ(Names(), before);
    EXPECT_TRUE(FPapers->KeysSorted());
    // The papers read back under their new keys.
    FPapers->Close();
    FPapers.reset();
    TVelmoPapers reopened(FFile, true);
    EXPECT_EQ(reopened.Keys().first(), QStringLiteral("$00000100"));
    EXPECT_EQ(reopened.Paper(2)->PaperName(), QStringLiteral("c"));
}

TEST_F(Maintenance, RenumberSkipsKeysInUseAndRefusesAnOverflow)
{
    Add({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    const QStringList keys = FPapers->Keys();
    // Start at the second paper's key: paper 0 cannot take it, papers 1 and 2 move on.
    const uint32_t start = PaperKeyNumber(keys[1]);
    EXPECT_EQ(RenumberPaperKeys(*FPapers, start), 1);
    QStringList names = Names();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(FPapers->Count(), 3);
    const QStringList moved = FPapers->Keys();
    EXPECT_EQ(QSet<QString>(moved.begin(), moved.end()).size(), 3);
    EXPECT_EQ(moved.last(), PaperKey(start + 2));
    const QStringList before = FPapers->Keys();
    EXPECT_THROW(RenumberPaperKeys(*FPapers, 0xFFFFFFFEu), EPaperCatalogError);
    EXPECT_EQ(FPapers->Keys(), before);
    EXPECT_TRUE(FPapers->KeysSorted());
}

TEST_F(Maintenance, PaperOrderIsCheckedBeforeAnythingMoves)
{
    Add({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_EQ(PaperOrderText(*FPapers), QStringLiteral("a\nb\nc"));
    const QStringList keys = FPapers->Keys();
    EXPECT_THROW(ApplyPaperOrder(*FPapers, QStringLiteral("c\nx\na\nb")), EPaperCatalogError);
    EXPECT_FALSE(PaperOrderDefect(*FPapers, QStringLiteral("c\nb")).isEmpty());       // a missing
    EXPECT_FALSE(PaperOrderDefect(*FPapers, QStringLiteral("c\nb\na\nb")).isEmpty()); // b twice
    EXPECT_EQ(FPapers->Keys(), keys);
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    ApplyPaperOrder(*FPapers, QStringLiteral("c\r\n\r\n  a \nb\n"));
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
}

TEST_F(Maintenance, BulkDeleteWorksFromTheLast)
{
    Add({QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("G1"));
    Add({QStringLiteral("c"), QStringLiteral("d")}, QStringLiteral("G2"));
    EXPECT_EQ(PapersOfGroup(*FPapers, QStringLiteral("G2"), false), (QList<int>{2, 3}));
    EXPECT_EQ(PapersOfGroup(*FPapers, QString(), true).size(), 4);
    // Repeated and stray positions are ignored.
    EXPECT_EQ(DeletePapers(*FPapers, {3, 0, 3, 17, -1}), 2);
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
}

TEST_F(Maintenance, BulkRenameCarriesExtraRecordsAndNeverReplacesAnotherPaper)
{
    Add({QStringLiteral("A4 x"), QStringLiteral("B5 x"), QStringLiteral("A4 y")});
    auto extra = FPapers->GetExInfo(QStringLiteral("A4 x"), true);
    extra->SetCompany(QStringLiteral("メーカー"));
    FPapers->StoreExInfo(*extra);
    QStringList skipped;
    // "A4 y" would become "B5 y" (new); "A4 x" would become "B5 x", which exists.
    const int renamed = RenamePapers(*FPapers, {0, 1, 2}, TRenameMode::Replace, QStringLiteral("A4"),
                                     QStringLiteral("B5"), &skipped);
    EXPECT_EQ(renamed, 1);
    EXPECT_EQ(skipped, QStringList{QStringLiteral("A4 x")});
    EXPECT_GE(FPapers->IndexOfName(QStringLiteral("B5 y")), 0);
    EXPECT_LT(FPapers->IndexOfName(QStringLiteral("A4 y")), 0);
    EXPECT_EQ(FPapers->Count(), 3);
    EXPECT_EQ(RenamePapers(*FPapers, {FPapers->IndexOfName(QStringLiteral("A4 x"))},
                           TRenameMode::HeaderFooter, QStringLiteral("["), QStringLiteral("]")),
              1);
    auto moved = FPapers->GetExInfo(QStringLiteral("[A4 x]"), false);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->Company(), QStringLiteral("メーカー"));
    EXPECT_FALSE(FPapers->GetExInfo(QStringLiteral("A4 x"), false));
}

TEST_F(Maintenance, RegroupAndSystemPapers)
{
    Add({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    FPapers->StorePaper(*MakeNamedPaper(QStringLiteral("sys"), QStringLiteral("A4"), true));
    EXPECT_EQ(RegroupPapers(*FPapers, {0, 2}, QStringLiteral("新グループ")), 2);
    EXPECT_EQ(FPapers->Paper(0)->GroupName(), QStringLiteral("新グループ"));
    EXPECT_EQ(FPapers->Paper(1)->GroupName(), QStringLiteral("A4"));
    EXPECT_EQ(FPapers->Paper(2)->GroupName(), QStringLiteral("新グループ"));
    EXPECT_EQ(MakeSystemPapers(*FPapers), 3);
    for (int i = 0; i < FPapers->Count(); ++i)
        EXPECT_TRUE(FPapers->Paper(i)->ReadOnly());
    EXPECT_EQ(MakeSystemPapers(*FPapers), 0);
}

TEST_F(Maintenance, PurposeCheckReportsUnknownAndUnusedPurposes)
{
    auto cd = MakeNamedPaper(QStringLiteral("cd"));
    cd->SetFacePurpose(QStringLiteral("CD"));
    FPapers->StorePaper(*cd);
    auto odd = MakeNamedPaper(QStringLiteral("odd"));
    odd->SetFacePurpose(QStringLiteral("NOPE"));
    FPapers->StorePaper(*odd);
    TPurposeList list;
    for (const char* id : {"", "cd", "MEISHI"})
        list.Add()->SetID(QString::fromLatin1(id));
    int steps = 0;
    const TPurposeCheck check = CheckPurposes(*FPapers, list, [&steps](int, int) { ++steps; });
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(check.Report, (QStringList{QStringLiteral("odd:[NOPE]"), QStringLiteral("未使用:[MEISHI]")}));
    EXPECT_EQ(check.Unused, QStringList{QStringLiteral("MEISHI")});
    RemoveUnusedPurposes(list, check);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->ID(), QString());
    EXPECT_EQ(list.Items(1)->ID(), QStringLiteral("cd"));
}

TEST_F(Maintenance, PaperListIsWrittenWholeOrNotAtAll)
{
    const QString file = FDir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(SavePaperList(file, {QStringLiteral("用紙1"), QStringLiteral("b")}));
    EXPECT_EQ(velmo::test::FileBytes(file), QStringLiteral("用紙1\r\nb\r\n").toUtf8());
    QString error;
    EXPECT_FALSE(SavePaperList(FDir.filePath(QStringLiteral("no/such/folder/list.txt")), {}, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
