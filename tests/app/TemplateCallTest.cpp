// The template call of the main window's command: the question, the dialog, the
// mapping onto the position and the product and creator fields.
#include "app/FTemplateCall.h"
#include "app/UAppFrame.h"
#include "app/UTemplateCall.h"
#include "base/UModalResult.h"
#include "document/FTemplate.h"
#include "document/ULabelData.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "text/ULOText.h"
#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

std::unique_ptr<TMatrixPaperInfo> Grid(int nx, int ny, int width, int height)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("テスト"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(nx);
    paper->SetFaceCountY(ny);
    paper->SetFaceWidth(width);
    paper->SetFaceHeight(height);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    return paper;
}

TLOVelmoText* BoundText(const QString& text, int fieldNo, TFieldType type,
                        const TLogRect& rect = {10, 10, 300, 100})
{
    auto* object = new TLOVelmoText;
    object->SetBaseRect(rect);
    object->SetLines({text});
    object->SetFieldNo(fieldNo);
    object->SetFieldType(type);
    return object;
}

void SetItem(TProductInfo& record, int index, const QStringList& lines)
{
    record.Item(index)->Info()->SetLines(lines);
}

QString TextOf(TDrawObject* object)
{
    auto* text = dynamic_cast<TLOText*>(object);
    return text ? text->Text()->Lines().join(u'|') : QString();
}

// Answers the message boxes of a test in turn, recording the questions.
struct TScriptedAnswers
{
    explicit TScriptedAnswers(std::vector<int> answers) : Answers(std::move(answers))
    {
        SetStandardMessageBox([this](const QString& text, const TButtonKinds&, int, int) {
            Asked << text;
            if (Answers.empty())
                return int(mrCancel);
            const int answer = Answers.front();
            Answers.erase(Answers.begin());
            return answer;
        });
    }
    ~TScriptedAnswers() { SetStandardMessageBox(nullptr); }
    std::vector<int> Answers;
    QStringList Asked;
};

} // namespace

TEST(TemplateCall, BoundTextsTakeTheDocumentsProductAndCreatorItems)
{
    TLabelData document;
    SetItem(document.ProductInfo(), 0, {QStringLiteral("夏の記録")});
    SetItem(document.ProductInfo(), 2, {QStringLiteral("一行目"), QStringLiteral("二行目")});
    SetItem(document.CreatorInfoJ(), 4, {QStringLiteral("〒100-0001")});
    SetItem(document.CreatorInfoE(), 0, {QStringLiteral("Velmo Inc.")});
    SetItem(document.ProductInfo(), 1, {QStringLiteral("  ")});

    TDOList objects;
    objects.Add(BoundText(QStringLiteral("タイトル"), 1, TFieldType::ftProduct));
    objects.Add(BoundText(QStringLiteral("担当"), 3, TFieldType::ftProduct));
    objects.Add(BoundText(QStringLiteral("郵便番号"), 5, TFieldType::ftCreatorJapanese));
    objects.Add(BoundText(QStringLiteral("Company"), 1, TFieldType::ftCreatorEnglish));
    objects.Add(BoundText(QStringLiteral("見本のまま"), 0, TFieldType::ftProduct));
    objects.Add(BoundText(QStringLiteral("副題"), 2, TFieldType::ftProduct));           // blank item
    objects.Add(BoundText(QStringLiteral("会社名"), 1, TFieldType::ftCreatorJapanese)); // empty item
    objects.Add(BoundText(QStringLiteral("範囲外"), 40, TFieldType::ftProduct));        // no such item
    auto* rect = new TLORect;
    rect->SetBaseRect({0, 0, 50, 50});
    objects.Add(rect);

    FillTemplateFields(objects, document);
    EXPECT_EQ(TextOf(objects[0]), QStringLiteral("夏の記録"));
    EXPECT_EQ(TextOf(objects[1]), QStringLiteral("一行目|二行目"));
    EXPECT_EQ(TextOf(objects[2]), QStringLiteral("〒100-0001"));
    EXPECT_EQ(TextOf(objects[3]), QStringLiteral("Velmo Inc."));
    EXPECT_EQ(TextOf(objects[4]), QStringLiteral("見本のまま")) << "not bound";
    EXPECT_EQ(TextOf(objects[5]), QStringLiteral("副題")) << "a blank item keeps the template's text";
    EXPECT_EQ(TextOf(objects[6]), QStringLiteral("会社名")) << "an empty item keeps the template's text";
    EXPECT_EQ(TextOf(objects[7]), QStringLiteral("範囲外"));
    EXPECT_EQ(rect->BaseRect(), (TLogRect{0, 0, 50, 50}));
    objects.FreeObjects();
}

TEST(TemplateCall, TheEditingWindowAsksMapsAndFillsTheProductFields)
{
    RegisterShapeClasses();
    RegisterTextClasses();
    QTemporaryDir dir;
    // The template: a 900 x 450 label with a bound title and a rectangle.
    {
        TLabelData source;
        source.SetPaper(Grid(2, 6, 900, 450).get());
        TDOList design;
        auto* frame = new TLORect;
        frame->SetBaseRect({100, 50, 400, 250});
        design.Add(BoundText(QStringLiteral("タイトル"), 1, TFieldType::ftProduct, {450, 100, 850, 200}));
        design.Add(frame);
        source.WriteLabel(0, design);
        design.FreeObjects();
        source.Save(dir.filePath(QStringLiteral("t.lbt")));
    }
    // The document: positions of twice the size, a product title and an own object.
    TLabelData document;
    document.SetPaper(Grid(1, 3, 1800, 900).get());
    SetItem(document.ProductInfo(), 0, {QStringLiteral("夏の記録")});
    {
        TDOList own;
        auto* mine = new TLORect;
        mine->SetBaseRect({10, 10, 20, 20});
        own.Add(mine);
        document.WriteLabel(0, own);
        own.FreeObjects();
    }

    {
        // No: nothing changes and no dialog opens.
        TScriptedAnswers answers({mrNo});
        EXPECT_FALSE(CallLabelTemplate(document, 0, nullptr));
        ASSERT_EQ(answers.Asked.size(), 1);
        EXPECT_TRUE(answers.Asked[0].startsWith(QStringLiteral("このラベルのデータをすべて削除してから")));
        TDOList kept;
        document.ReadLabel(0, kept);
        ASSERT_EQ(kept.Count(), 1);
        ASSERT_NE(dynamic_cast<TLORect*>(kept[0]), nullptr);
        EXPECT_EQ(dynamic_cast<TLORect*>(kept[0])->BaseRect(), (TLogRect{10, 10, 20, 20}));
        kept.FreeObjects();
    }
    {
        TScriptedAnswers answers({mrYes});
        bool chosen = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* dialog = dynamic_cast<TfrmTemplate*>(top); dialog && dialog->isVisible()) {
                    dialog->Sources()->setCurrentIndex(1);
                    dialog->SetFolder(dir.path());
                    if (dialog->FileList()->count() == 1) {
                        dialog->FileList()->setCurrentRow(0);
                        chosen = true;
                        dialog->accept();
                        return;
                    }
                    dialog->reject();
                }
        });
        EXPECT_TRUE(CallLabelTemplate(document, 0, nullptr));
        EXPECT_TRUE(chosen);
    }
    TDOList called;
    document.ReadLabel(0, called);
    ASSERT_EQ(called.Count(), 2);
    // Bottom-most first, as in the template; every size and place doubled.
    ASSERT_NE(dynamic_cast<TLORect*>(called[0]), nullptr);
    EXPECT_EQ(dynamic_cast<TLORect*>(called[0])->BaseRect(), (TLogRect{200, 100, 800, 500}));
    EXPECT_EQ(TextOf(called[1]), QStringLiteral("夏の記録"));
    EXPECT_EQ(dynamic_cast<TLOText*>(called[1])->BaseRect(), (TLogRect{900, 200, 1700, 400}));
    called.FreeObjects();
}
