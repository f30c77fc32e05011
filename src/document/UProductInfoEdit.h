#pragma once
// What the product and creator dialogs do, without the widgets: which product the
// edits show, when edits are committed, and how rows map to products.
#include "document/UProductInfo.h"
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace velmo {

// The dialogs' questions and captions.
namespace product_text {
QString ProductCaption();  // "プロダクト情報の設定"
QString CreatorCaption();  // "クリエーター情報の設定"
QString AddQuestion();     // "新しいプロダクト情報を最後尾に追加します。"
QString CopyQuestion();    // "選択中のプロダクト情報を最後尾に追加複写します。"
QString DeleteQuestion();  // "このプロダクト情報を削除してよろしいですか？"
QString CloseQuestion();   // "ﾗﾍﾞﾙ上のﾌﾟﾛﾀﾞｸﾄ項目を更新します"
QString DiscardQuestion(); // "変更がすべて無効になりますがよろしいですか？"
} // namespace product_text

// One one-line edit bound to an item: its text and whether the user changed it.
struct TItemEdit
{
    QString Text;
    bool Modified = false;
};

class TProductEditor
{
public:
    explicit TProductEditor(TProductDB& store);

    // Puts the document's record into the store when it is not there and selects it.
    void Prepare(const TProductInfo& documentRecord);

    // Grid rows: row 0 is the header, row r shows product r - 1.
    int RowCount() const { return FRowCount; }
    int SelectedRow() const { return FSelectedRow; }
    int PreviousRow() const { return FPreviousRow; }
    // Column 0 the row number, columns 1 to 10 the first lines of items 0 to 9;
    // the header row shows the default item names.
    QString CellText(int row, int column);
    // The eleven cells of a row at once.
    QStringList RowTexts(int row);

    const TItemEdit& Edit(int index) const { return FEdits.at(size_t(index)); }
    // What typing does: the edit's text changes and it becomes modified.
    void SetEditText(int index, const QString& text);

    // A click on a row or a selection by the dialog: commits the edits into the
    // product they came from, then loads the selected product's.
    void SelectRow(int row);
    // Commits the edits into the product of the previous row; true when it changed.
    bool Commit();

    // The actions after their questions were answered with OK.
    void AddProduct();
    void CopyProduct();
    void DeleteProduct();
    // Text of the question before a drag of row from onto row to.
    QString MoveQuestion(int fromRow, int toRow);
    void MoveProduct(int fromRow, int toRow);

    // Commits, then reads the selected product into the document's record.
    void TakeSelection(TProductInfo& documentRecord);

    // Asked to repaint the grid after the store changed.
    std::function<void()> OnGridChanged;
    // Asked to show the edits after they were loaded.
    std::function<void()> OnEditsLoaded;

private:
    void LoadEdits(int row);
    void GridChanged();
    bool RowShowsProduct(int row) const { return row >= 1 && row <= FStore.ProductCount(); }

    TProductDB& FStore;
    int FRowCount = 1;
    int FSelectedRow = 0;
    int FPreviousRow = 0;
    std::array<TItemEdit, kProductItemCount> FEdits;
};

class TCreatorEditor
{
public:
    TCreatorEditor();
    // Takes copies of the document's records.
    void Prepare(const TProductInfo& japanese, const TProductInfo& english);

    // page 0: Japanese, 1: English.
    const TItemEdit& Edit(int page, int index) const;
    void SetEditText(int page, int index, const QString& text);
    bool AnyModified() const;

    // Replaces the lines of every modified item with exactly the edit's text.
    void Commit();
    // Commits, assigns the copies to the document's records and writes them to the store.
    void Store(TProductInfo& japanese, TProductInfo& english, TProductDB& store);

    const TProductInfo& Copy(int page) const { return *FCopies.at(size_t(page)); }

private:
    std::array<std::unique_ptr<TProductInfo>, 2> FCopies;
    std::array<std::array<TItemEdit, kCreatorItemCount>, 2> FEdits;
};

} // namespace velmo
