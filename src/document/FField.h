#pragma once
// The creator dialog: the Japanese and English creator records on two pages.
#include "document/FProductDialogs.h"
#include "document/UProductInfoEdit.h"
#include <QDialog>
#include <array>

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace velmo {

class TfrmField : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmField(QWidget* parent = nullptr);

    // Runs modally on copies of the document's records; on OK stores them into the
    // records and the store. Returns 1 (OK) or 2 (Cancel).
    static int Execute(TProductInfo& japanese, TProductInfo& english, TProductDB& store,
                       QWidget* parent = nullptr);

    void Prepare(const TProductInfo& japanese, const TProductInfo& english);
    void Store(TProductInfo& japanese, TProductInfo& english, TProductDB& store);

    TCreatorEditor& Editor() { return FEditor; }
    QTabWidget* Pages() const { return FPages; }
    QLineEdit* ItemEdit(int page, int index) const { return FEdits.at(size_t(page)).at(size_t(index)); }
    QPushButton* OkButton() const { return FOk; }
    QPushButton* CancelButton() const { return FCancel; }
    TAskFunction Ask = AskQuestion;

    void accept() override;
    // Cancel and Escape: asks before throwing changes away.
    void reject() override;

private:
    TCreatorEditor FEditor;
    QTabWidget* FPages = nullptr;
    std::array<std::array<QLineEdit*, kCreatorItemCount>, 2> FEdits{};
    QPushButton* FOk = nullptr;
    QPushButton* FCancel = nullptr;
};

} // namespace velmo
