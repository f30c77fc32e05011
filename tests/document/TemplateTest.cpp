// Templates: aspect classes, which labels of a file fit a position, folders with
// foreign and damaged files, and the collection index with missing keys, uneven
// lists, quotes, code page 932 and folders that try to leave it.
#include "base/UCodePage932.h"
#include "base/UFolderHistory.h"
#include "document/LabelDocTestSupport.h"
#include "document/UTemplateInfo.h"
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace velmo;
using namespace velmo::test;

namespace {

class Templates : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterTestObjects();
        ASSERT_TRUE(FDir.isValid());
    }

    // A document whose first sheet has designs at the positions; the purpose of the
    // paper is set; a second sheet holds designs at second.
    QString Save(const QString& name, std::initializer_list<int> first,
                 std::initializer_list<int> second = {}, const QString& purpose = QStringLiteral("ADDR"))
    {
        std::unique_ptr<TLabelData> doc = NewDocument();
        auto paper = SamplePaper();
        paper->SetFacePurpose(purpose);
        doc->SetPaper(paper.get());
        TDOList list;
        list.Add(NewRect({100, 100, 800, 300}));
        for (int k : first)
            doc->WriteLabel(k, list);
        if (second.size()) {
            doc->AddSheet();
            doc->SelectSheet(1);
            doc->SetPaper(paper.get());
            for (int k : second)
                doc->WriteLabel(k, list);
            doc->SelectSheet(0);
        }
        list.FreeObjects();
        const QString path = FDir.filePath(name);
        doc->Save(path);
        return path;
    }

    void Write(const QString& name, const QByteArray& bytes)
    {
        QFile f(FDir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir FDir;
};

TTemplateFace Face(const QString& purpose, TLogRect rect = {})
{
    TTemplateFace face;
    face.Purpose = purpose;
    face.Rect = rect;
    return face;
}

} // namespace

TEST(TemplateAspect, SquareWideAndTall)
{
    EXPECT_EQ(AspectClassOf(80, 79), TAspectClass::acSquare);
    EXPECT_EQ(AspectClassOf(50, 52), TAspectClass::acSquare);
    EXPECT_EQ(AspectClassOf(110, 100), TAspectClass::acWide) << "exactly 1.1 is not square";
    EXPECT_EQ(AspectClassOf(90, 100), TAspectClass::acTall) << "exactly 0.9 is not square";
    EXPECT_EQ(AspectClassOf(10, 0), TAspectClass::acWide);
    EXPECT_EQ(AspectClassOf(0, 0), TAspectClass::acTall);
}

TEST_F(Templates, EveryNonEmptyLabelOfEverySheetInOrder)
{
    const QString file = Save(QStringLiteral("a.lbd"), {0, 5}, {2});
    TTemplateList list;
    list.AddFile(file, std::nullopt, false);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(0), (TTemplateInfo{file, 0, 0, false}));
    EXPECT_EQ(list.Item(1), (TTemplateInfo{file, 0, 5, false}));
    EXPECT_EQ(list.Item(2), (TTemplateInfo{file, 1, 2, false}));
}

TEST_F(Templates, FirstOnlyTakesOnePerSheet)
{
    const QString file = Save(QStringLiteral("b.lbt"), {0, 1, 2}, {3, 4, 5});
    TTemplateList list;
    list.AddFile(file, Face(QStringLiteral("ADDR")), true);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(0).Label, 0);
    EXPECT_EQ(list.Item(1).Sheet, 1);
    EXPECT_EQ(list.Item(1).Label, 3);
}

TEST_F(Templates, PurposeAndAspectClassDecideAndAnEmptyFileIsBlankOnlyForAnyPurpose)
{
    const QString file = Save(QStringLiteral("c.lbd"), {0});
    TTemplateList list;
    list.AddFile(file, Face(QStringLiteral("CDL")), false);
    EXPECT_EQ(list.Count(), 0) << "another purpose, no blank entry";
    list.AddFile(file, Face(QStringLiteral("ADDR"), {0, 0, 450, 200}), false);
    EXPECT_EQ(list.Count(), 1) << "wide like 90 x 40 mm";
    list.AddFile(file, Face(QStringLiteral("ADDR"), {0, 0, 500, 520}), false);
    EXPECT_EQ(list.Count(), 1) << "square does not fit wide";
    list.AddFile(file, Face(QStringLiteral("*"), {0, 0, 500, 520}), false);
    ASSERT_EQ(list.Count(), 2) << "nothing fits: a blank entry for any purpose";
    EXPECT_TRUE(list.Item(1).Blank);

    const QString empty = Save(QStringLiteral("empty.lbt"), {});
    TTemplateList other;
    other.AddFile(empty, Face(QStringLiteral("ADDR")), false);
    EXPECT_EQ(other.Count(), 0);
    other.AddFile(empty, Face(QStringLiteral("*")), false);
    ASSERT_EQ(other.Count(), 1);
    EXPECT_EQ(other.Item(0), (TTemplateInfo{empty, 0, 0, true}));
}

TEST_F(Templates, AFolderSkipsForeignAndDamagedFilesSilently)
{
    const QString good = Save(QStringLiteral("good.lbd"), {1});
    Write(QStringLiteral("damaged.lbd"), QByteArray(600, '\xD0'));
    Write(QStringLiteral("notes.txt"), "text");
    Write(QStringLiteral("empty.LBT"), QByteArray());
    QFile whole(good);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    Write(QStringLiteral("cut.lbt"), bytes.left(bytes.size() / 2));
    Write(QStringLiteral("UPPER.LBT"), bytes);
    Write(QStringLiteral("lbd"), bytes); // no extension at all
    QDir(FDir.path()).mkdir(QStringLiteral("sub.lbd"));
    TTemplateList list;
    list.FillFromFolder(FDir.path(), Face(QStringLiteral("ADDR")), false);
    ASSERT_EQ(list.Count(), 2);
    QStringList names;
    for (const TTemplateInfo& info : list.Items())
        names << QFileInfo(info.File).fileName();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("UPPER.LBT"), QStringLiteral("good.lbd")}));
    list.FillFromFolder(FDir.filePath(QStringLiteral("missing")), std::nullopt, false);
    EXPECT_EQ(list.Count(), 0);
}

TEST(TemplateCommaText, QuotesBlanksAndEmptyElements)
{
    EXPECT_EQ(SplitCommaText(QStringLiteral("円形,写真")),
              (QStringList{QStringLiteral("円形"), QStringLiteral("写真")}));
    EXPECT_EQ(SplitCommaText(QStringLiteral("a b,\"c, d\",\"say \"\"hi\"\"\"")),
              (QStringList{"a", "b", "c, d", "say \"hi\""}));
    EXPECT_EQ(SplitCommaText(QStringLiteral("a,,b")), (QStringList{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText(QString()), QStringList());
}

TEST(TemplateIndex, SectionsKeysAndFolders)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("Template.dat")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cp932::Encode(
        QStringLiteral("; collection\r\n[CDL]\r\nName=円形,写真\r\nDir=Template\\CD1,Template\\CD2\r\n"
                       "[ADDR]\r\nName=宛名,\"差出人 ラベル\",余分\r\nDir=Template\\Addr\r\n"
                       "[BAD]\r\nDir=..\\..\\etc,/etc\r\n[NONAME]\r\n")));
    f.close();
    TTemplateGroup group(dir.filePath(QStringLiteral("Template.dat")));
    ASSERT_TRUE(group.Available());
    EXPECT_TRUE(group.GroupNames().isEmpty()) << "no purpose yet";
    group.SetPurpose(QStringLiteral("cdl"));
    EXPECT_EQ(group.GroupNames(), (QStringList{QStringLiteral("円形"), QStringLiteral("写真")}));
    EXPECT_EQ(group.GroupFolder(1), QDir::cleanPath(dir.path() + QStringLiteral("/Template/CD2")));
    group.SetPurpose(QStringLiteral("ADDR"));
    EXPECT_EQ(group.GroupNames().size(), 3);
    EXPECT_EQ(group.GroupNames()[1], QStringLiteral("差出人 ラベル"));
    EXPECT_FALSE(group.GroupFolder(0).isEmpty());
    EXPECT_TRUE(group.GroupFolder(1).isEmpty()) << "fewer folders than names";
    EXPECT_TRUE(group.GroupFolder(-1).isEmpty());
    group.SetPurpose(QStringLiteral("BAD"));
    EXPECT_TRUE(group.GroupFolder(0).isEmpty()) << "outside the collection";
    EXPECT_TRUE(group.GroupFolder(1).isEmpty());
    group.SetPurpose(QStringLiteral("NONAME"));
    EXPECT_TRUE(group.GroupNames().isEmpty());
    group.SetPurpose(QStringLiteral("MISSING"));
    EXPECT_TRUE(group.GroupNames().isEmpty());

    TTemplateGroup missing(dir.filePath(QStringLiteral("nothing.dat")));
    EXPECT_FALSE(missing.Available());
    missing.SetPurpose(QStringLiteral("CDL"));
    EXPECT_TRUE(missing.GroupFolder(0).isEmpty());
}

TEST(TemplateIndex, SectionsAreFoundWithoutRegardToCaseAndListedAsWritten)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("Template.dat")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cp932::Encode(
        QStringLiteral("[CDCover]\r\nName=ケース\r\nDir=case\r\n[*]\r\nName=宛名\r\nDir=addr\r\n")));
    f.close();
    TTemplateGroup group(dir.filePath(QStringLiteral("Template.dat")));
    // Listed as written: a purpose is compared exactly with the papers' purposes.
    EXPECT_EQ(group.Purposes(), (QStringList{QStringLiteral("CDCover"), QStringLiteral("*")}));
    group.SetPurpose(QStringLiteral("cdcover"));
    EXPECT_EQ(group.GroupNames(), QStringList{QStringLiteral("ケース")});
    group.SetPurpose(QStringLiteral("CDCover"));
    EXPECT_EQ(group.GroupFolder(0), QDir::cleanPath(dir.path() + QStringLiteral("/case")));
    group.SetPurpose(QStringLiteral("*"));
    EXPECT_EQ(group.GroupNames(), QStringList{QStringLiteral("宛名")});
}

// ---- the dialog

#include "document/FTemplate.h"
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

namespace {

void WaitForPreviews(TfrmTemplate& dialog)
{
    QElapsedTimer timer;
    timer.start();
    while (dialog.PendingPreviews() > 0 && timer.elapsed() < 20000)
        QApplication::processEvents();
}

} // namespace

TEST_F(Templates, TheDialogOffersTheCollectionGroupAndTheFolderAndReadsTheChosenDesign)
{
    QDir(FDir.path()).mkpath(QStringLiteral("Template/Addr"));
    const QString a = Save(QStringLiteral("Template/Addr/one.lbt"), {0});
    Save(QStringLiteral("Template/Addr/two.lbt"), {3});
    Write(QStringLiteral("Template/Addr/junk.lbt"), "junk");
    Write(QStringLiteral("Template.dat"),
          cp932::Encode(QStringLiteral("[ADDR]\r\nName=宛名,空\r\nDir=Template\\Addr,Template\\None\r\n")));
    TTemplateFace face = Face(QStringLiteral("ADDR"), {0, 0, 900, 400});
    TfrmTemplate dialog(face, FDir.filePath(QStringLiteral("Template.dat")));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("テンプレートの選択"));
    EXPECT_EQ(dialog.Groups()->count(), 2);
    EXPECT_TRUE(dialog.Groups()->isEnabled());
    EXPECT_EQ(dialog.CollectionList()->count(), 2) << "the damaged file is skipped";
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    // Laid out before any preview is drawn (a fast machine shows the dialog first), every
    // entry still has a cell to click, and keeps it once the previews arrive.
    dialog.CollectionList()->doItemsLayout();
    for (int i = 0; i < dialog.CollectionList()->count(); ++i)
        EXPECT_FALSE(dialog.CollectionList()->visualItemRect(dialog.CollectionList()->item(i)).isEmpty())
            << i;
    WaitForPreviews(dialog);
    EXPECT_EQ(dialog.PendingPreviews(), 0);
    for (int i = 0; i < dialog.CollectionList()->count(); ++i)
        EXPECT_FALSE(dialog.CollectionList()->visualItemRect(dialog.CollectionList()->item(i)).isEmpty())
            << i;
    dialog.CollectionList()->setCurrentRow(0);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    const QString dir = qEnvironmentVariable("VELMO_TEST_SHOTS");
    if (!dir.isEmpty()) {
        dialog.ThumbnailSize()->setCurrentIndex(1);
        dialog.show();
        QApplication::processEvents();
        dialog.grab().save(dir + QStringLiteral("/template-dialog.png"));
    }
    ASSERT_TRUE(dialog.Chosen().has_value());
    TDOList objects;
    TLogRect rect;
    ASSERT_TRUE(dialog.ReadChosen(objects, rect));
    EXPECT_EQ(objects.Count(), 1);
    EXPECT_EQ(rect.Width(), 900);
    objects.FreeObjects();

    // The second group's folder does not exist: an empty list, no failure.
    dialog.Groups()->setCurrentIndex(1);
    EXPECT_EQ(dialog.CollectionList()->count(), 0);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());

    // The folder page: any aspect class, captions are file names.
    dialog.Sources()->setCurrentIndex(1);
    dialog.SetFolder(QFileInfo(a).absolutePath());
    EXPECT_EQ(dialog.FileList()->count(), 2);
    QStringList captions;
    for (int i = 0; i < dialog.FileList()->count(); ++i)
        captions << dialog.FileList()->item(i)->text();
    captions.sort();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("one.lbt"), QStringLiteral("two.lbt")}));
    WaitForPreviews(dialog);
}

TEST_F(Templates, WithoutTheIndexTheCollectionPageSaysSoAndTheFolderPageStillWorks)
{
    Save(QStringLiteral("mine.lbd"), {1});
    TfrmTemplate dialog(Face(QStringLiteral("ADDR")), FDir.filePath(QStringLiteral("Template.dat")));
    EXPECT_FALSE(dialog.Groups()->isEnabled());
    EXPECT_TRUE(dialog.Missing()->text().startsWith(QStringLiteral("テンプレート集が見つかりません。")));
    dialog.Sources()->setCurrentIndex(1);
    dialog.SetFolder(FDir.path());
    ASSERT_EQ(dialog.FileList()->count(), 1);
    dialog.FileList()->setCurrentRow(0);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    WaitForPreviews(dialog);
}

TEST_F(Templates, TheFolderPageStartsInTheLastFolderAndOffersItsHistory)
{
    // A store in memory in the settings' place.
    std::map<QString, QStringList> lists;
    SetFolderHistoryStore({[&](const QString& key) { return lists[key]; },
                           [&](const QString& key, const QString& folder) {
                               lists[key].removeAll(folder);
                               lists[key].prepend(folder);
                           },
                           [&](const QString& key) { lists[key].clear(); }});
    QDir(FDir.path()).mkpath(QStringLiteral("older"));
    Save(QStringLiteral("mine.lbd"), {1});
    const QString older = FDir.filePath(QStringLiteral("older"));
    lists[folderkind::Document] = {FDir.path(), older};
    {
        TfrmTemplate dialog(Face(QStringLiteral("ADDR")), FDir.filePath(QStringLiteral("Template.dat")));
        EXPECT_EQ(dialog.FolderEdit()->text(), FDir.path());
        EXPECT_EQ(dialog.FileList()->count(), 1) << "listed from the last folder at once";
        if (!qEnvironmentVariableIsEmpty("VELMO_SHOTS")) {
            dialog.Sources()->setCurrentIndex(1);
            dialog.show();
            WaitForPreviews(dialog);
            dialog.grab().save(qEnvironmentVariable("VELMO_SHOTS") +
                               QStringLiteral("/template-folder-page.png"));
        }
        ASSERT_TRUE(dialog.FolderHistoryButton()->isEnabled());
        QMenu* menu = dialog.FolderHistoryMenu();
        QStringList captions;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                captions << action->text();
        EXPECT_EQ(captions, QStringList({FDir.path(), older, QStringLiteral("履歴の消去")}));
        menu->actions().at(1)->trigger(); // the older folder
        EXPECT_EQ(dialog.FolderEdit()->text(), older);
        EXPECT_EQ(dialog.FileList()->count(), 0);
        menu->actions().last()->trigger();
        EXPECT_TRUE(lists[folderkind::Document].isEmpty());
        EXPECT_FALSE(dialog.FolderHistoryButton()->isEnabled());
        delete menu;
        WaitForPreviews(dialog);
    }
    // Without history: the documents folder.
    TfrmTemplate fresh(Face(QStringLiteral("ADDR")), FDir.filePath(QStringLiteral("Template.dat")));
    EXPECT_EQ(fresh.FolderEdit()->text(), DocumentsFolder());
    WaitForPreviews(fresh);
    SetFolderHistoryStore({});
}

TEST_F(Templates, TheDialogShowsTheBlankLabelOnceHoweverManyFilesHaveNoFittingLabel)
{
    QDir(FDir.path()).mkpath(QStringLiteral("Template/Mixed"));
    Save(QStringLiteral("Template/Mixed/a.lbt"), {0});
    Save(QStringLiteral("Template/Mixed/empty1.lbt"), {});
    Save(QStringLiteral("Template/Mixed/empty2.lbt"), {});
    Save(QStringLiteral("Template/Mixed/empty3.lbt"), {});
    Write(QStringLiteral("Template.dat"),
          cp932::Encode(QStringLiteral("[*]\r\nName=混在\r\nDir=Template\\Mixed\r\n")));
    TTemplateList raw;
    raw.FillFromFolder(FDir.filePath(QStringLiteral("Template/Mixed")), Face(QStringLiteral("*")), false);
    ASSERT_EQ(raw.Count(), 4) << "the list itself keeps one blank entry per file";
    TfrmTemplate dialog(Face(QStringLiteral("*")), FDir.filePath(QStringLiteral("Template.dat")));
    ASSERT_EQ(dialog.CollectionList()->count(), 2);
    int blanks = 0;
    for (int i = 0; i < 2; ++i) {
        dialog.CollectionList()->setCurrentRow(i);
        ASSERT_TRUE(dialog.Chosen().has_value());
        blanks += dialog.Chosen()->Blank ? 1 : 0;
    }
    EXPECT_EQ(blanks, 1);
    dialog.Sources()->setCurrentIndex(1);
    dialog.SetFolder(FDir.filePath(QStringLiteral("Template/Mixed")));
    EXPECT_EQ(dialog.FileList()->count(), 2);
    WaitForPreviews(dialog);
}

TEST(TemplateMapping, ATemplateOfHalfTheSizeDoublesEveryObject)
{
    RegisterTestObjects();
    std::unique_ptr<TLDTestRect> rect(NewRect({50, 30, 150, 90}));
    MapBetweenLabels(rect.get(), {1000, 2000, 1500, 2300}, {0, 0, 1000, 600});
    EXPECT_EQ(rect->BaseRect(), (TLogRect{100, 60, 300, 180}));
    MapBetweenLabels(rect.get(), {0, 0, 0, 600}, {0, 0, 1000, 600}); // degenerate: unchanged
    EXPECT_EQ(rect->BaseRect(), (TLogRect{100, 60, 300, 180}));
}
