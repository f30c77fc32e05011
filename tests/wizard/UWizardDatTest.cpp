// The wizard data files read with their list and key rules, from hand-made files.
#include "wizard/UWizardDat.h"
#include "base/UCodePage932.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::WriteFileBytes;

namespace {

// Writes text as code page 932 (the files' encoding) and returns the file's path.
QString WriteDat(const QTemporaryDir& dir, const QString& name, const QString& text)
{
    const QString path = dir.filePath(name);
    bool ok = false;
    const QByteArray bytes = cp932::Encode(text, &ok);
    EXPECT_TRUE(ok);
    WriteFileBytes(path, bytes);
    return path;
}

} // namespace

TEST(SplitWizardList, PlainCommas)
{
    EXPECT_EQ(SplitWizardList(QStringLiteral("CDJ,Design\\Jacket,CDL,Design\\Label")),
              (QStringList{"CDJ", "Design\\Jacket", "CDL", "Design\\Label"}));
}

TEST(SplitWizardList, QuotedCommaStaysOneElementWithItsQuotes)
{
    EXPECT_EQ(SplitWizardList(QStringLiteral("a,\"b,c\",d")), (QStringList{"a", "\"b,c\"", "d"}));
}

TEST(SplitWizardList, OpeningQuoteDropsWhatCameBefore)
{
    // The element restarts at the quote; what follows the closing quote joins it.
    EXPECT_EQ(SplitWizardList(QStringLiteral("xy\"z,1\"w,2")), (QStringList{"\"z,1\"w", "2"}));
}

TEST(SplitWizardList, EmptyElementsDoNotOccur)
{
    EXPECT_EQ(SplitWizardList(QStringLiteral(",,a,,,b,")), (QStringList{"a", "b"}));
    EXPECT_TRUE(SplitWizardList(QStringLiteral(",,,")).isEmpty());
    EXPECT_TRUE(SplitWizardList(QString()).isEmpty());
}

TEST(SplitWizardList, BlanksAreKept)
{
    EXPECT_EQ(SplitWizardList(QStringLiteral(" a , b")), (QStringList{" a ", " b"}));
}

TEST(SplitWizardList, UnclosedQuoteRunsToTheEnd)
{
    EXPECT_EQ(SplitWizardList(QStringLiteral("a,\"b,c")), (QStringList{"a", "\"b,c"}));
}

TEST(SplitWizardList, EmptyQuotesAreAnElement)
{
    EXPECT_EQ(SplitWizardList(QStringLiteral("\"\",x")), (QStringList{"\"\"", "x"}));
}

TEST(WizardIniFile, SectionsAndKeysIgnoreCaseAndKeepFileOrder)
{
    TWizardIniFile ini;
    ini.ParseText(QStringLiteral("[Genre]\nzeta=1\nAlpha=2\nmid=3\n[other]\nA=x\n"));
    EXPECT_EQ(ini.Keys(QStringLiteral("GENRE")), (QStringList{"zeta", "Alpha", "mid"}));
    EXPECT_EQ(ini.Value(QStringLiteral("genre"), QStringLiteral("ALPHA")), QStringLiteral("2"));
    EXPECT_EQ(ini.Value(QStringLiteral("OTHER"), QStringLiteral("a")), QStringLiteral("x"));
    EXPECT_TRUE(ini.Keys(QStringLiteral("missing")).isEmpty());
    EXPECT_TRUE(ini.Value(QStringLiteral("genre"), QStringLiteral("none")).isEmpty());
}

TEST(WizardIniFile, OddSpacingCommentsAndLineEnds)
{
    TWizardIniFile ini;
    ini.ParseText(QStringLiteral(
        "  ; comment\r\n\t[ S1 ]  \r\n  k1   =   v 1  \rk2=\n\n=orphan\nnoequals\n[S2]\r\nk=v"));
    EXPECT_EQ(ini.Keys(QStringLiteral("s1")), (QStringList{"k1", "k2"}));
    EXPECT_EQ(ini.Value(QStringLiteral("S1"), QStringLiteral("k1")), QStringLiteral("v 1"));
    EXPECT_EQ(ini.Value(QStringLiteral("S1"), QStringLiteral("k2")), QString());
    EXPECT_EQ(ini.Value(QStringLiteral("S2"), QStringLiteral("K")), QStringLiteral("v"));
}

TEST(WizardIniFile, RepeatedKeysAndSectionsTakeTheFirst)
{
    TWizardIniFile ini;
    ini.ParseText(QStringLiteral("[a]\nk=1\nK=2\nj=3\n[A]\nk=9\nz=1\n"));
    EXPECT_EQ(ini.Keys(QStringLiteral("a")), (QStringList{"k", "j"}));
    EXPECT_EQ(ini.Value(QStringLiteral("a"), QStringLiteral("k")), QStringLiteral("1"));
}

TEST(WizardIniFile, KeysBeforeAnySectionAndCutHeadersAreIgnored)
{
    TWizardIniFile ini;
    ini.ParseText(QStringLiteral("k=before\n[good]\nx=1\n[cut off\ny=2\n"));
    EXPECT_EQ(ini.Keys(QStringLiteral("good")), (QStringList{"x"}));
    // The keys after a header without its bracket belong to no section.
    EXPECT_TRUE(ini.Keys(QStringLiteral("cut off")).isEmpty());
}

TEST(WizardIniFile, CodePage932DecodesWhereItDiffersFromShiftJis)
{
    const QByteArray bytes = QByteArray("[\x83\x57\x83\x83\x83\x93\x83\x8B]\n\x81\x60=\x87\x40\n");
    TWizardIniFile ini;
    ini.ParseText(TWizardIniFile::DecodeBytes(bytes));
    EXPECT_EQ(ini.Keys(QStringLiteral("ジャンル")), (QStringList{QStringLiteral("～")}));
    EXPECT_EQ(ini.Value(QStringLiteral("ジャンル"), QStringLiteral("～")), QStringLiteral("①"));
}

TEST(WizardIniFile, NotCodePage932ButUtf8IsRead)
{
    const QByteArray utf8 = QStringLiteral("[ジャンル]\nCD=\n").toUtf8();
    TWizardIniFile ini;
    ini.ParseText(TWizardIniFile::DecodeBytes(utf8));
    EXPECT_EQ(ini.Keys(QStringLiteral("ジャンル")), (QStringList{"CD"}));
}

TEST(WizardIniFile, UndecodableBytesNeverStopTheReader)
{
    // Neither code page 932 nor UTF-8: lead bytes without trail bytes.
    static const char raw[] = "[\x81]\nk\x82=\xFF\xFE\n[";
    const QByteArray junk(raw, sizeof raw - 1);
    TWizardIniFile ini;
    ini.ParseText(TWizardIniFile::DecodeBytes(junk));
    EXPECT_LE(ini.Keys(QStringLiteral("x")).size(), 0);
}

TEST(WizardIniFile, MissingEmptyAndHugeFiles)
{
    QTemporaryDir dir;
    EXPECT_FALSE(TWizardIniFile(dir.filePath("none.dat")).Loaded());
    EXPECT_FALSE(TWizardIniFile(QString()).Loaded());
    EXPECT_FALSE(TWizardIniFile(dir.path()).Loaded()); // a folder is no data file
    WriteFileBytes(dir.filePath("empty.dat"), {});
    const TWizardIniFile empty(dir.filePath("empty.dat"));
    EXPECT_TRUE(empty.Loaded());
    EXPECT_TRUE(empty.Keys(QStringLiteral("ジャンル")).isEmpty());
    WriteFileBytes(dir.filePath("huge.dat"), QByteArray(5 * 1024 * 1024, 'a'));
    EXPECT_FALSE(TWizardIniFile(dir.filePath("huge.dat")).Loaded());
}

TEST(WizardDat, GenresSubGenresPurposesFolders)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("Design/Jacket");
    const QString path = WriteDat(
        dir, "Wizard.dat",
        QStringLiteral("[ジャンル]\nCD=\n名刺=x\n[cd]\nジャケット=CDJ,design\\jacket,CDL,Design\\Label\n"
                       "奇数=A,F1,B\n[名刺]\n"));
    const TWizardDat dat(path);
    ASSERT_TRUE(dat.Loaded());
    EXPECT_EQ(dat.Genres(), (QStringList{"CD", "名刺"}));
    EXPECT_EQ(dat.SubGenres(0), (QStringList{"ジャケット", "奇数"}));
    EXPECT_TRUE(dat.SubGenres(1).isEmpty());
    EXPECT_TRUE(dat.SubGenres(2).isEmpty());
    EXPECT_TRUE(dat.SubGenres(-1).isEmpty());
    EXPECT_EQ(dat.Purposes(0, 0), (QStringList{"CDJ", "CDL"}));
    // The folder on disc is "Design/Jacket"; the file says "design\jacket".
    EXPECT_EQ(dat.Folders(0, 0), (QStringList{dir.path() + "/Design/Jacket", dir.path() + "/Design/Label"}));
    // An odd count: one purpose more than folders.
    EXPECT_EQ(dat.Purposes(0, 1), (QStringList{"A", "B"}));
    EXPECT_EQ(dat.Folders(0, 1).size(), 1);
    EXPECT_TRUE(dat.Purposes(0, 5).isEmpty());
}

TEST(WizardDat, FoldersOutsideTheDataFolderAreRefused)
{
    EXPECT_TRUE(JoinDataFolder("/data", "..\\etc").isEmpty());
    EXPECT_TRUE(JoinDataFolder("/data", "a\\..\\..\\b").isEmpty());
    EXPECT_TRUE(JoinDataFolder("/data", "/etc").isEmpty());
    EXPECT_TRUE(JoinDataFolder("/data", "C:\\Design").isEmpty());
    EXPECT_TRUE(JoinDataFolder("/data", "").isEmpty());
    EXPECT_EQ(JoinDataFolder("/data", ".\\a\\\\b\\"), QStringLiteral("/data/a/b"));
}

TEST(WizardDat, MissingGenreSectionGivesEmptyLists)
{
    QTemporaryDir dir;
    const TWizardDat dat(WriteDat(dir, "Wizard.dat", QStringLiteral("[other]\nk=v\n")));
    EXPECT_TRUE(dat.Loaded());
    EXPECT_TRUE(dat.Genres().isEmpty());
    EXPECT_TRUE(dat.SubGenres(0).isEmpty());
    EXPECT_TRUE(dat.Folders(0, 0).isEmpty());
}

TEST(WizardDat, FileCutInTheMiddleOfALine)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("[ジャンル]\nCD=\n[CD]\nラベル=CD,Des");
    const TWizardDat dat(WriteDat(dir, "Wizard.dat", text));
    EXPECT_EQ(dat.Purposes(0, 0), (QStringList{"CD"}));
    EXPECT_EQ(dat.Folders(0, 0), (QStringList{dir.path() + "/Des"}));
    // Cut inside the section name.
    const TWizardDat cut(WriteDat(dir, "Cut.dat", QStringLiteral("[ジャンル]\nCD=\n[C")));
    EXPECT_EQ(cut.Genres(), (QStringList{"CD"}));
    EXPECT_TRUE(cut.SubGenres(0).isEmpty());
}

namespace {

const char16_t* kOsoroi = uR"([ジャンル]
家族=Case,"A,B",Single
会社=
[家族]
Case1=p1,l1,Paper X
CaseXY=p2,l2,Paper X
Case01=Port1,Land1,Paper A,Paper B
Other=o,o,Paper C
Case02=Port2,,Paper B,Paper C
Case123=p3,l3,Paper D
"A,B"=QA,QB,Paper Q
Single=S,SL,Paper S
Single01=never,never,Paper Z
)";

} // namespace

TEST(OsoroiDat, ItemsAndCaseEntries)
{
    QTemporaryDir dir;
    TOsoroiDat dat(WriteDat(dir, "Osoroi.dat", QString::fromUtf16(kOsoroi)));
    ASSERT_TRUE(dat.Loaded());
    EXPECT_EQ(dat.Genres(), (QStringList{"家族", "会社"}));
    EXPECT_EQ(dat.Items(0), (QStringList{"Case", "\"A,B\"", "Single"}));
    EXPECT_TRUE(dat.Items(1).isEmpty());
    EXPECT_TRUE(dat.Items(7).isEmpty());
    // Case1, CaseXY and Case123 are no entries of Case.
    EXPECT_EQ(dat.Entries(0, 0), (QStringList{"Case01", "Case02"}));
    // "Port2,,Paper B,Paper C": the empty element does not count, so "Paper B" is
    // Case02's landscape folder and only "Paper C" its paper.
    EXPECT_EQ(dat.Papers(0, 0), (QStringList{"Paper A", "Paper B", "Paper C"}));
    // An item's own key is its only entry.
    EXPECT_EQ(dat.Entries(0, 2), (QStringList{"Single"}));
    EXPECT_EQ(dat.Papers(0, 2), (QStringList{"Paper S"}));
    // The quoted item keeps its quotes, and so does its key.
    EXPECT_EQ(dat.Papers(0, 1), (QStringList{"Paper Q"}));
}

TEST(OsoroiDat, FolderByPaperAndOrientation)
{
    QTemporaryDir dir;
    TOsoroiDat dat(WriteDat(dir, "Osoroi.dat", QString::fromUtf16(kOsoroi)));
    // Paper B is named by both entries: the first one counts.
    EXPECT_EQ(dat.Folder(0, 0, "Paper B"), dir.path() + "/Port1");
    EXPECT_EQ(dat.LastFolder(), dir.path() + "/Port1");
    EXPECT_EQ(dat.Folder(0, 0, "paper c"), dir.path() + "/Port2");
    dat.SetLandscape(true);
    EXPECT_EQ(dat.Folder(0, 0, "Paper B"), dir.path() + "/Land1");
    EXPECT_EQ(dat.Folder(0, 0, "Paper C"), dir.path() + "/Paper B");
    EXPECT_TRUE(dat.Folder(0, 0, "Paper X").isEmpty());
    EXPECT_TRUE(dat.Folder(3, 0, "Paper A").isEmpty());
}

TEST(OsoroiDat, LookupIgnoresCase)
{
    QTemporaryDir dir;
    const TOsoroiDat dat(WriteDat(
        dir, "Osoroi.dat", QStringLiteral("[ジャンル]\nHome=ITEM\n[HOME]\nitem01=a,b,P\nITEM02=c,d,Q\n")));
    EXPECT_EQ(dat.Entries(0, 0), (QStringList{"item01", "ITEM02"}));
    EXPECT_EQ(dat.Papers(0, 0), (QStringList{"P", "Q"}));
}
