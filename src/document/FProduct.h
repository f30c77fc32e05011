#pragma once
// The product dialog: a grid of the store's products and an edit panel for the
// selected one.
#include "document/FProductDialogs.h"
#include "document/UProductInfoEdit.h"
#include <QDialog>
#include <QTableWidget>
#include <array>

class QLineEdit;
class QPushButton;

namespace velmo {

// Rows are dragged with the mouse: pressing on one row and releasing on another
// asks to move it there.
class TProductGrid : public QTableWidget
{
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;

Q_SIGNALS:
    void RowDragged(int fromRow, int toRow);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int FPressedRow = -1;
    bool FDragging = false;
};

class TfrmProduct : public QDialog
{
    Q_OBJECT
public:
    TfrmProduct(TProductDB& store, QWidget* parent = nullptr);

    // Prepares for the document's record, runs modally and, on Yes or No, reads the
    // selected product into the record. Returns 6, 7 or 0 (closed by the frame).
    static int Execute(TProductInfo& documentRecord, TProductDB& store, QWidget* parent = nullptr);

    void Prepare(const TProductInfo& documentRecord);
    void TakeSelection(TProductInfo& documentRecord) { FEditor.TakeSelection(documentRecord); }

    TProductEditor& Editor() { return FEditor; }
    TProductGrid* Grid() const { return FGrid; }
    QLineEdit* ItemEdit(int index) const { return FEdits.at(size_t(index)); }
    QPushButton* CloseButton() const { return FClose; }
    QPushButton* AddButton() const { return FAdd; }
    // Replaceable for tests; the message window by default.
    TAskFunction Ask = AskQuestion;

    // "閉じる", Enter and Escape: the update question.
    void CloseClicked();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refill();
    void ShowEdits();
    void SyncSelection();
    void FitGridHeight();
    void RowDragged(int fromRow, int toRow);

    TProductEditor FEditor;
    TProductGrid* FGrid = nullptr;
    std::array<QLineEdit*, kProductItemCount> FEdits{};
    QPushButton* FClose = nullptr;
    QPushButton* FAdd = nullptr;
    QPushButton* FCopy = nullptr;
    QPushButton* FDelete = nullptr;
    bool FSyncing = false;
};

} // namespace velmo
