#include "document/FField.h"
#include "document/FProduct.h"
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

void Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

void Key(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

struct Answers
{
    std::vector<QString> Asked;
    int Answer = mrOk;
    TAskFunction Function()
    {
        return [this](QWidget*, const QString& text, TQuestionButtons) {
            Asked.push_back(text);
            return Answer;
        };
    }
};

class ProductDialog : public ::testing::Test
{
protected:
    void SetUp() override { Store.Initialize(); }
    TProductDB Store;
};

} // namespace

TEST_F(ProductDialog, CaptionsAndLayout)
{
    TfrmProduct dialog(Store);
    TProductInfo document;
    dialog.Prepare(document);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("プロダクト情報の設定"));
    EXPECT_EQ(dialog.Grid()->columnCount(), 11);
    EXPECT_EQ(dialog.Grid()->rowCount(), 1);
    EXPECT_EQ(dialog.Grid()->horizontalHeaderItem(1)->text(), QString::fromUtf8("メインタイトル"));
    EXPECT_EQ(dialog.AddButton()->toolTip(), QString::fromUtf8("新しいﾌﾟﾛﾀﾞｸﾄ情報を追加します"));
    EXPECT_EQ(dialog.CloseButton()->text(), QString::fromUtf8("閉じる"));
    // Japanese input is off for copyright, version and date only.
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(dialog.ItemEdit(i)->testAttribute(Qt::WA_InputMethodEnabled), i < 3 || i > 5) << i;
}

TEST_F(ProductDialog, TypingThenSelectingAnotherRowCommits)
{
    TProductInfo other;
    other.Item(0)->Info()->Add("Other");
    Store.Write(other);
    TProductInfo document;
    TfrmProduct dialog(Store);
    Answers answers;
    dialog.Ask = answers.Function();
    dialog.Prepare(document);
    ASSERT_EQ(dialog.Grid()->rowCount(), 2);
    EXPECT_EQ(dialog.Grid()->currentRow(), 1);
    Type(dialog.ItemEdit(0), "Title");
    EXPECT_TRUE(dialog.Editor().Edit(0).Modified);
    dialog.Grid()->selectRow(0);
    EXPECT_EQ(dialog.ItemEdit(0)->text(), "Other");
    EXPECT_EQ(dialog.Grid()->item(1, 1)->text(), "Title");

    // Adding asks first; Cancel leaves everything as it is.
    answers.Answer = mrCancel;
    dialog.AddButton()->click();
    EXPECT_EQ(Store.ProductCount(), 2);
    answers.Answer = mrOk;
    dialog.AddButton()->click();
    EXPECT_EQ(Store.ProductCount(), 3);
    EXPECT_EQ(dialog.Grid()->rowCount(), 3);
    EXPECT_EQ(dialog.Grid()->currentRow(), 2);
    ASSERT_EQ(answers.Asked.size(), 2u);
    EXPECT_EQ(answers.Asked[1], QString::fromUtf8("新しいプロダクト情報を最後尾に追加します。"));
}

TEST_F(ProductDialog, EscapeAsksTheUpdateQuestionInsteadOfClosing)
{
    TProductInfo document;
    TfrmProduct dialog(Store);
    Answers answers;
    dialog.Ask = answers.Function();
    dialog.Prepare(document);
    dialog.show();
    answers.Answer = mrCancel;
    Key(&dialog, Qt::Key_Escape);
    ASSERT_EQ(answers.Asked.size(), 1u);
    EXPECT_EQ(answers.Asked[0], QString::fromUtf8("ﾗﾍﾞﾙ上のﾌﾟﾛﾀﾞｸﾄ項目を更新します"));
    EXPECT_TRUE(dialog.isVisible());
    answers.Answer = mrNo;
    Key(dialog.ItemEdit(0), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), mrNo);
}

TEST_F(ProductDialog, DragAsksAndCancelKeepsTheOrder)
{
    for (const char* title : {"A", "B", "C"}) {
        TProductInfo record;
        record.Item(0)->Info()->Add(title);
        Store.Write(record);
    }
    TProductInfo first;
    Store.ReadProduct(0, first);
    TfrmProduct dialog(Store);
    Answers answers;
    dialog.Ask = answers.Function();
    dialog.Prepare(first);
    answers.Answer = mrCancel;
    Q_EMIT dialog.Grid()->RowDragged(1, 3);
    EXPECT_EQ(answers.Asked.back(), QString::fromUtf8("「A」を3番目に移動します。"));
    EXPECT_EQ(dialog.Grid()->item(0, 1)->text(), "A");
    answers.Answer = mrOk;
    Q_EMIT dialog.Grid()->RowDragged(1, 3);
    EXPECT_EQ(dialog.Grid()->item(0, 1)->text(), "B");
    EXPECT_EQ(dialog.Grid()->item(2, 1)->text(), "A");
    EXPECT_EQ(dialog.Grid()->currentRow(), 2);
}

TEST_F(ProductDialog, CreatorDialogOkStoresAndCancelAsks)
{
    TProductInfo japanese, english;
    Store.ReadJapaneseCreator(japanese);
    Store.ReadEnglishCreator(english);
    japanese.Item(0)->Info()->Add("Company");

    TfrmField dialog;
    Answers answers;
    dialog.Ask = answers.Function();
    dialog.Prepare(japanese, english);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("クリエーター情報の設定"));
    EXPECT_EQ(dialog.Pages()->tabText(0), QString::fromUtf8("日本語"));
    EXPECT_EQ(dialog.Pages()->tabText(1), QString::fromUtf8("英語"));
    EXPECT_EQ(dialog.Pages()->currentIndex(), 0);
    EXPECT_EQ(dialog.ItemEdit(0, 0)->text(), "Company");
    dialog.show();

    // Nothing changed: Cancel closes at once.
    dialog.CancelButton()->click();
    EXPECT_TRUE(answers.Asked.empty());
    EXPECT_EQ(dialog.result(), mrCancel);

    dialog.show();
    dialog.ItemEdit(0, 0)->selectAll();
    Key(dialog.ItemEdit(0, 0), Qt::Key_Delete);
    Type(dialog.ItemEdit(1, 2), "03-0000-0000");
    answers.Answer = mrCancel;
    dialog.CancelButton()->click();
    ASSERT_EQ(answers.Asked.size(), 1u);
    EXPECT_EQ(answers.Asked[0], QString::fromUtf8("変更がすべて無効になりますがよろしいですか？"));
    EXPECT_TRUE(dialog.isVisible());

    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), mrOk);
    dialog.Store(japanese, english, Store);
    EXPECT_EQ(japanese.Item(0)->Info()->Lines(), QStringList{""});
    EXPECT_EQ(english.Item(2)->FirstLine(), "03-0000-0000");
    TProductInfo stored;
    Store.ReadEnglishCreator(stored);
    EXPECT_EQ(stored.Item(2)->FirstLine(), "03-0000-0000");
}
