#include "document/UProductInfoEdit.h"
#include <algorithm>

namespace velmo {

namespace product_text {
QString ProductCaption()
{
    return QStringLiteral("プロダクト情報の設定");
}
QString CreatorCaption()
{
    return QStringLiteral("クリエーター情報の設定");
}
QString AddQuestion()
{
    return QStringLiteral("新しいプロダクト情報を最後尾に追加します。");
}
QString CopyQuestion()
{
    return QStringLiteral("選択中のプロダクト情報を最後尾に追加複写します。");
}
QString DeleteQuestion()
{
    return QStringLiteral("このプロダクト情報を削除してよろしいですか？");
}
QString CloseQuestion()
{
    return QStringLiteral("ﾗﾍﾞﾙ上のﾌﾟﾛﾀﾞｸﾄ項目を更新します");
}
QString DiscardQuestion()
{
    return QStringLiteral("変更がすべて無効になりますがよろしいですか？");
}
} // namespace product_text

// ---------------------------------------------------------------------------------
// TProductEditor

TProductEditor::TProductEditor(TProductDB& store) : FStore(store) {}

void TProductEditor::Prepare(const TProductInfo& documentRecord)
{
    int p = FStore.ProductIndex(documentRecord);
    if (p < 0) {
        FStore.Write(documentRecord);
        p = FStore.ProductIndex(documentRecord);
    }
    FRowCount = FStore.ProductCount() + 1;
    FPreviousRow = 0;
    int row = p + 1;
    if (row < 1 || row >= FRowCount)
        row = 1;
    SelectRow(row);
}

QString TProductEditor::CellText(int row, int column)
{
    if (column < 0 || column > kProductItemCount)
        return {};
    if (row == 0)
        return column == 0 ? QString() : ProductFieldName(column - 1);
    if (column == 0)
        return QString::number(row);
    if (!RowShowsProduct(row))
        return {};
    TProductInfo product;
    FStore.ReadProduct(row - 1, product);
    return column - 1 < product.ItemCount() ? product.Item(column - 1)->FirstLine() : QString();
}

QStringList TProductEditor::RowTexts(int row)
{
    QStringList texts;
    if (row == 0) {
        texts << QString();
        for (int i = 0; i < kProductItemCount; ++i)
            texts << ProductFieldName(i);
        return texts;
    }
    texts << QString::number(row);
    TProductInfo product;
    const bool shows = RowShowsProduct(row);
    if (shows)
        FStore.ReadProduct(row - 1, product);
    for (int i = 0; i < kProductItemCount; ++i)
        texts << (shows && i < product.ItemCount() ? product.Item(i)->FirstLine() : QString());
    return texts;
}

void TProductEditor::SetEditText(int index, const QString& text)
{
    TItemEdit& edit = FEdits.at(size_t(index));
    edit.Text = text;
    edit.Modified = true;
}

bool TProductEditor::Commit()
{
    if (!RowShowsProduct(FPreviousRow))
        return false;
    TProductInfo product;
    FStore.ReadProduct(FPreviousRow - 1, product);
    product.Normalize();
    bool changed = false;
    for (int i = 0; i < kProductItemCount; ++i) {
        TItemEdit& edit = FEdits[size_t(i)];
        if (!edit.Modified)
            continue;
        TProductItem* item = product.Item(i);
        if (edit.Text == item->FirstLine())
            continue;
        item->Info()->Clear();
        if (!edit.Text.isEmpty())
            item->Info()->Add(edit.Text);
        changed = true;
    }
    if (changed) {
        FStore.Write(product);
        GridChanged();
    }
    return changed;
}

void TProductEditor::LoadEdits(int row)
{
    TProductInfo product;
    if (RowShowsProduct(row))
        FStore.ReadProduct(row - 1, product);
    for (int i = 0; i < kProductItemCount; ++i) {
        FEdits[size_t(i)].Text = i < product.ItemCount() ? product.Item(i)->FirstLine() : QString();
        FEdits[size_t(i)].Modified = false;
    }
    if (OnEditsLoaded)
        OnEditsLoaded();
}

void TProductEditor::SelectRow(int row)
{
    Commit();
    FSelectedRow = std::clamp(row, 1, std::max(1, FRowCount - 1));
    LoadEdits(FSelectedRow);
    FPreviousRow = FSelectedRow;
}

void TProductEditor::GridChanged()
{
    if (OnGridChanged)
        OnGridChanged();
}

void TProductEditor::AddProduct()
{
    FStore.Write(TProductInfo());
    FRowCount = FStore.ProductCount() + 1;
    GridChanged();
    SelectRow(FRowCount - 1);
}

void TProductEditor::CopyProduct()
{
    const int source = FSelectedRow;
    AddProduct(); // commits pending edits of the source first
    TProductInfo original;
    FStore.ReadProduct(source - 1, original);
    TProductInfo copy;
    FStore.ReadProduct(FStore.ProductCount() - 1, copy);
    copy.Items()->Assign(*original.Items());
    FStore.Write(copy);
    GridChanged();
    SelectRow(FRowCount - 1);
}

void TProductEditor::DeleteProduct()
{
    if (RowShowsProduct(FSelectedRow)) {
        TProductInfo product;
        FStore.ReadProduct(FSelectedRow - 1, product);
        FStore.Delete(product);
    }
    if (FStore.ProductCount() == 0)
        FStore.Write(TProductInfo());
    FRowCount = FStore.ProductCount() + 1;
    // The edits belonged to the product that is gone: they are dropped instead of
    // landing on whichever product moved into its row.
    FPreviousRow = 0;
    SelectRow(std::min(FSelectedRow, FRowCount - 1));
    GridChanged();
}

QString TProductEditor::MoveQuestion(int fromRow, int toRow)
{
    QString description;
    TProductInfo product;
    if (RowShowsProduct(fromRow))
        FStore.ReadProduct(fromRow - 1, product);
    if (RowShowsProduct(fromRow) && product.ItemCount() > 0 && product.Item(0)->Info()->Count() > 0)
        description = QStringLiteral("「%1」").arg(product.Item(0)->FirstLine());
    else
        description = QStringLiteral("%1番目のプロダクト情報").arg(fromRow);
    return QStringLiteral("%1を%2番目に移動します。").arg(description).arg(toRow);
}

void TProductEditor::MoveProduct(int fromRow, int toRow)
{
    // Pending edits go to the product they were typed for before it moves.
    Commit();
    FPreviousRow = 0;
    FStore.Reorder(fromRow, toRow);
    FRowCount = FStore.ProductCount() + 1;
    SelectRow(toRow);
    GridChanged();
}

void TProductEditor::TakeSelection(TProductInfo& documentRecord)
{
    Commit();
    if (RowShowsProduct(FSelectedRow))
        FStore.ReadProduct(FSelectedRow - 1, documentRecord);
}

// ---------------------------------------------------------------------------------
// TCreatorEditor

TCreatorEditor::TCreatorEditor()
{
    FCopies[0] = NewCreatorRecord();
    FCopies[1] = NewCreatorRecord();
}

void TCreatorEditor::Prepare(const TProductInfo& japanese, const TProductInfo& english)
{
    FCopies[0]->Assign(japanese);
    FCopies[1]->Assign(english);
    for (int page = 0; page < 2; ++page) {
        TProductInfo& copy = *FCopies[size_t(page)];
        for (int i = 0; i < kCreatorItemCount; ++i) {
            TItemEdit& edit = FEdits[size_t(page)][size_t(i)];
            edit.Text = i < copy.ItemCount() ? copy.Item(i)->FirstLine() : QString();
            edit.Modified = false;
        }
    }
}

const TItemEdit& TCreatorEditor::Edit(int page, int index) const
{
    return FEdits.at(size_t(page)).at(size_t(index));
}

void TCreatorEditor::SetEditText(int page, int index, const QString& text)
{
    TItemEdit& edit = FEdits.at(size_t(page)).at(size_t(index));
    edit.Text = text;
    edit.Modified = true;
}

bool TCreatorEditor::AnyModified() const
{
    for (const auto& page : FEdits)
        for (const TItemEdit& edit : page)
            if (edit.Modified)
                return true;
    return false;
}

void TCreatorEditor::Commit()
{
    for (int page = 0; page < 2; ++page) {
        TProductInfo& copy = *FCopies[size_t(page)];
        for (int i = 0; i < kCreatorItemCount; ++i) {
            TItemEdit& edit = FEdits[size_t(page)][size_t(i)];
            if (!edit.Modified)
                continue;
            while (copy.ItemCount() <= i)
                copy.Items()->Add()->SetFieldName(CreatorFieldName(copy.ItemCount() - 1));
            copy.Item(i)->Info()->SetLines({edit.Text});
            edit.Modified = false;
        }
    }
}

void TCreatorEditor::Store(TProductInfo& japanese, TProductInfo& english, TProductDB& store)
{
    Commit();
    japanese.Assign(*FCopies[0]);
    english.Assign(*FCopies[1]);
    store.Write(japanese);
    store.Write(english);
}

} // namespace velmo
