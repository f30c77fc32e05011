// The merge database: header switching that keeps the order, the normalising
// comparer against an independent collation, find, the merge step and the
// document link.
#include "base/UCodePage932.h"
#include "document/ULabelData.h"
#include "draw/UDOInterfaces.h"
#include "draw/UDrawObject.h"
#include "merge/UCsvDB.h"
#include "support/TestSupport.h"
#include "text/UStringUtil.h"
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QString WriteCsv(QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

QStringList Column(TCsvDB& db, int field)
{
    QStringList out;
    for (int n = 0; n < db.Count(); ++n)
        out << db.RecordAt(n).Get(field);
    return out;
}

// A merge object as the merge objects will be: shows the field it is set to.
class TTestInsertion : public TDrawObject, public IDOInsertion, public IDONumbering
{
public:
    explicit TTestInsertion(int field, bool numbering = false) : FField(field), FNumbering(numbering) {}
    void* QueryInterface(const TGUID& iid) override
    {
        if (iid == IDOInsertion::IID && FField >= 0)
            return static_cast<IDOInsertion*>(this);
        if (iid == IDONumbering::IID && FNumbering)
            return static_cast<IDONumbering*>(this);
        return TDrawObject::QueryInterface(iid);
    }
    void SetInsertionText(const QString& text) override { Text = text; }
    QString GetInsertionText() const override { return Text; }
    void SetInsertionField(int field) override { FField = field; }
    int GetInsertionField() const override { return FField; }
    void SetCurNumber(int number) override { Number = number; }
    int GetCurNumber() const override { return Number; }
    QString Text = QStringLiteral("untouched");
    int Number = -1;

private:
    int FField;
    bool FNumbering;
};

class MergeDB : public ::testing::Test
{
protected:
    void SetUp() override { TCsvDB::Instance().Close(); }
    void TearDown() override { TCsvDB::Instance().Close(); }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(MergeDB, OpenGeneratesNamesAndCloseResets)
{
    TCsvDB& db = TCsvDB::Instance();
    db.Open(WriteCsv(FDir, "a.csv", "a,b\nc,d,e\n"));
    EXPECT_TRUE(db.Active());
    EXPECT_EQ(db.Count(), 2);
    EXPECT_EQ(db.FieldNames(), QStringList({"項目1", "項目2", "項目3"}));
    db.SetHasHeader(true);
    EXPECT_EQ(db.FieldNames(), QStringList({"a", "b"}));
    db.Close();
    EXPECT_FALSE(db.Active());
    EXPECT_FALSE(db.HasHeader());
    EXPECT_EQ(db.Count(), 0);
}

TEST_F(MergeDB, DamagedContentOpensWithAWarning)
{
    TCsvDB& db = TCsvDB::Instance();
    db.Open(WriteCsv(FDir, "bad.csv", "x,\"open\n\x81\x20,y\n"));
    EXPECT_TRUE(db.Active());
    EXPECT_EQ(db.Count(), 2);
    EXPECT_TRUE(db.Warning().contains("2行目")) << db.Warning().toStdString();
    db.Open(WriteCsv(FDir, "good.csv", "a,b\n"));
    EXPECT_TRUE(db.Warning().isEmpty());
}

TEST_F(MergeDB, FailedOpenLeavesItInactive)
{
    TCsvDB& db = TCsvDB::Instance();
    EXPECT_THROW(db.Open(FDir.filePath("missing.csv")), EFileError);
    EXPECT_FALSE(db.Active());
}

TEST_F(MergeDB, DescendingSortSurvivesHeaderSwitch)
{
    TCsvDB& db = TCsvDB::Instance();
    db.Open(WriteCsv(FDir, "h.csv", "name\nb\nc\n"));
    db.Sort(0, true);
    EXPECT_EQ(Column(db, 0), QStringList({"name", "c", "b"}));
    db.SetHasHeader(true);
    EXPECT_EQ(db.FieldNames(), QStringList({"name"}));
    EXPECT_EQ(Column(db, 0), QStringList({"c", "b"}));
    db.SetHasHeader(false);
    EXPECT_EQ(Column(db, 0), QStringList({"name", "c", "b"}));
}

TEST_F(MergeDB, HiraganaAndKatakanaAreEqualKeys)
{
    TCsvDB& db = TCsvDB::Instance();
    const QString hira = QStringLiteral("あいう"), kata = QStringLiteral("アイウ");
    EXPECT_EQ(MergeNormalize(hira), MergeNormalize(kata));
    TCSVStringList a, b;
    a.Add(hira);
    b.Add(kata);
    QCollator collator{QLocale(QLocale::Japanese)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const int raw = collator.compare(hira, kata);
    const int ours = TCsvDB::CompareRecords(a, b, 0, false);
    EXPECT_EQ(ours < 0, raw < 0);
    EXPECT_EQ(ours > 0, raw > 0);
    EXPECT_EQ(TCsvDB::CompareRecords(a, b, 0, true), -ours);
    db.Open(WriteCsv(FDir, "k.csv", (kata + "\nいいい\n" + hira + "\n").toUtf8()));
    db.Sort(0, false);
    // The equal keys lie next to each other, before イイイ, in the order of their own texts.
    EXPECT_EQ(db.RecordAt(2).Get(0), QStringLiteral("いいい"));
    // (When even the texts collate equal, the file's order stays: the sort is stable.)
    EXPECT_EQ(db.RecordAt(0).Get(0), raw < 0 ? hira : kata);
    EXPECT_EQ(db.RecordAt(1).Get(0), raw < 0 ? kata : hira);
}

TEST_F(MergeDB, NormalisationUpperCasesAsciiOnly)
{
    EXPECT_EQ(MergeNormalize("abc"), QStringLiteral("ＡＢＣ"));
    EXPECT_EQ(MergeNormalize(QStringLiteral("ａｂｃ")), QStringLiteral("ａｂｃ"));
    EXPECT_EQ(MergeNormalize(QStringLiteral("ｶﾞｯｺｳ")), QStringLiteral("ガッコウ"));
}

TEST_F(MergeDB, FindNormalisesAndNeverWraps)
{
    TCsvDB& db = TCsvDB::Instance();
    db.Open(WriteCsv(FDir, "f.csv", QStringLiteral("x,ＡＢＣ\ny,ABC\nabc,z\nx,ＡＢＣ\n").toUtf8()));
    EXPECT_EQ(db.Find("abc", 1, false, 0), 1); // ABC normalises to ＡＢＣ too; record 0 itself is skipped
    EXPECT_EQ(db.Find("abc", 1, true, 3), 1);
    EXPECT_EQ(db.Find("abc", 1, true, 1), 0);
    // Full-width lower case is not upper-cased, so it finds neither ＡＢＣ nor ABC.
    EXPECT_EQ(db.Find(QStringLiteral("ａｂｃ"), 1, false, -1), -1);
    EXPECT_EQ(db.Find(QStringLiteral("ａｂｃ"), -1, false, -1), -1);
    EXPECT_EQ(db.Find("abc", 0, false, -1), 2);
    EXPECT_EQ(db.Find("abc", 1, false, 3), -1); // no wrap-around
    EXPECT_EQ(db.Find("abc", 1, true, 0), -1);
    EXPECT_EQ(db.Find("", -1, false, -1), -1);
    // All fields: joined by line breaks.
    EXPECT_EQ(db.Find("x\nabc", -1, false, -1), 0);
    EXPECT_EQ(db.Find("y\nabc", -1, false, 0), 1);
    EXPECT_EQ(db.Find("z\nx", -1, false, -1), -1);
}

TEST_F(MergeDB, SortOf2000JapaneseRecordsMatchesIndependentCollation)
{
    const QString pool =
        QStringLiteral("あいうえおかがきぎアイウエオカガキギｱｲｳｴｵｶｷﾞ山川田中本漢字abcABCxyz0123０１２ー");
    QRandomGenerator rng(17);
    QByteArray csv;
    QStringList first, second;
    for (int i = 0; i < 2000; ++i) {
        QString a, b;
        const int la = 1 + int(rng.bounded(5)), lb = 1 + int(rng.bounded(3));
        for (int k = 0; k < la; ++k)
            a += pool.at(int(rng.bounded(int(pool.size()))));
        for (int k = 0; k < lb; ++k)
            b += pool.at(int(rng.bounded(int(pool.size()))));
        csv += QStringLiteral("%1,%2,%3\n").arg(i).arg(a, b).toUtf8();
    }
    TCsvDB& db = TCsvDB::Instance();
    db.Open(WriteCsv(FDir, "r.csv", csv));
    db.Sort({{1, false}, {2, true}});
    // Independent: Qt's collator with the normalisation written out here again.
    QCollator collator{QLocale(QLocale::Japanese)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    auto normal = [](QString s) {
        for (QChar& c : s)
            if (c.unicode() < 128)
                c = c.toUpper();
        return HiraganaToKatakana(HalfToFull(s));
    };
    auto cmp = [&](const QString& x, const QString& y) {
        const int r = collator.compare(normal(x), normal(y));
        return r != 0 ? r : collator.compare(x, y);
    };
    ASSERT_EQ(db.Count(), 2000);
    for (int n = 1; n < db.Count(); ++n) {
        const TCSVStringList prev = db.RecordCopy(n - 1);
        const TCSVStringList cur = db.RecordCopy(n);
        int r = cmp(prev.Get(1), cur.Get(1));
        if (r == 0)
            r = -cmp(prev.Get(2), cur.Get(2));
        ASSERT_LE(r, 0) << n << ": " << prev.Get(1).toStdString() << " / " << cur.Get(1).toStdString();
    }
    // The header switch keeps the order (the first record becomes the names).
    std::vector<int> before;
    for (int n = 0; n < db.Count(); ++n)
        before.push_back(db.LineIndexAt(n));
    db.SetHasHeader(true);
    db.SetHasHeader(false);
    std::vector<int> after;
    for (int n = 1; n < db.Count(); ++n)
        after.push_back(db.LineIndexAt(n));
    std::vector<int> expected;
    for (int i : before)
        if (i > 0)
            expected.push_back(i);
    EXPECT_EQ(db.LineIndexAt(0), 0);
    EXPECT_EQ(after, expected);
}

TEST_F(MergeDB, ApplyMergeRecordFillsByLabelNumber)
{
    TCsvDB& db = TCsvDB::Instance();
    TTestInsertion* zero = nullptr;
    TDOList objects;
    objects.Add(zero = new TTestInsertion(0));
    auto* two = new TTestInsertion(2, true);
    objects.Add(two);
    auto* plain = new TTestInsertion(-1, true);
    objects.Add(plain);

    // Not active: merge fields empty, numbering still counts.
    db.ApplyMergeRecord(objects, 4);
    EXPECT_EQ(zero->Text, "");
    EXPECT_EQ(plain->Number, 4);

    db.Open(WriteCsv(FDir, "m.csv", "a0,b0,c0\na1,b1\n"));
    db.ApplyMergeRecord(objects, 0);
    EXPECT_EQ(zero->Text, "a0");
    EXPECT_EQ(two->Text, "c0");
    EXPECT_EQ(two->Number, 0);
    db.ApplyMergeRecord(objects, 1);
    EXPECT_EQ(zero->Text, "a1");
    EXPECT_EQ(two->Text, ""); // the record has no third field
    db.ApplyMergeRecord(objects, 10);
    EXPECT_EQ(zero->Text, "");
    EXPECT_EQ(plain->Number, 10);
    EXPECT_EQ(plain->Text, "untouched");
    objects.FreeObjects();
}

TEST_F(MergeDB, RelativeNamesResolveAgainstTheFileFolder)
{
    TCsvDB& db = TCsvDB::Instance();
    const QString cwd = QDir::currentPath();
    QDir(FDir.path()).mkdir("sub");
    db.Open(WriteCsv(FDir, "sub/p.csv", "pic.bmp\n"));
    EXPECT_EQ(db.ResolveMergePath("pic.bmp"), FDir.filePath("sub/pic.bmp"));
    EXPECT_EQ(db.ResolveMergePath("/abs/x.bmp"), "/abs/x.bmp");
    TDOList none;
    db.ApplyMergeRecord(none, 0);
    EXPECT_EQ(QDir::currentPath(), cwd);
}

TEST_F(MergeDB, DocumentLink)
{
    RegisterLabelDataClasses();
    auto doc = std::make_unique<TLabelData>();
    QString message;
    const QString path = WriteCsv(FDir, "d.csv", "name,addr\nyamada,tokyo\nsato,osaka\n");
    EXPECT_EQ(OpenMergeDataByName(TCsvDB::Instance(), *doc, path, &message), TMergeOpenResult::Opened);
    EXPECT_EQ(doc->CSVFile(), path);
    EXPECT_FALSE(doc->CSVFieldName());

    // A document stored with field names: the first record is the second line.
    doc->SetCSVFieldName(true);
    EXPECT_EQ(OpenDocumentMergeData(TCsvDB::Instance(), *doc, &message), TMergeOpenResult::Opened);
    EXPECT_TRUE(TCsvDB::Instance().HasHeader());
    EXPECT_EQ(TCsvDB::Instance().RecordAt(0).Get(0), "yamada");
    EXPECT_TRUE(doc->CSVFieldName());

    EXPECT_EQ(OpenMergeDataByName(TCsvDB::Instance(), *doc, FDir.filePath("gone.csv"), &message),
              TMergeOpenResult::Missing);
    EXPECT_EQ(message, QStringLiteral("CSVファイル「%1」が見つかりません").arg(FDir.filePath("gone.csv")));
    EXPECT_TRUE(doc->CSVFile().isEmpty());
    EXPECT_FALSE(TCsvDB::Instance().Active());

    // Damaged content links the file all the same and tells which line to look at.
    const QString bad = WriteCsv(FDir, "bad.csv", QByteArray("a\0b", 3));
    EXPECT_EQ(OpenMergeDataByName(TCsvDB::Instance(), *doc, bad, &message), TMergeOpenResult::Opened);
    EXPECT_TRUE(message.contains(QStringLiteral("1行目"))) << message.toStdString();
    EXPECT_EQ(doc->CSVFile(), bad);
    EXPECT_EQ(TCsvDB::Instance().RecordAt(0).Get(0), "a");
    // A clean file clears the message.
    EXPECT_EQ(OpenMergeDataByName(TCsvDB::Instance(), *doc, path, &message), TMergeOpenResult::Opened);
    EXPECT_TRUE(message.isEmpty());
}
