#pragma once
// The grid paper editor of "用紙の追加・編集": a user's own sheet of equal labels in
// rows and columns, drawn to scale while it is edited and checked before it is kept.
#include <QDialog>
#include <functional>
#include <memory>

class QLineEdit;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class QLabel;

namespace velmo {

class TPapers;
class TPaperInfo;
class TMatrixPaperInfo;
class TPrinterForm;

class TfrmEditMatrixPaper : public QDialog
{
public:
    // forms: the sheet sizes offered (the printer's forms); adding: the name must be new.
    TfrmEditMatrixPaper(const TPaperInfo& paper, const TPapers& catalogue, bool adding, const TPrinterForm& forms,
                        QWidget* parent = nullptr);
    ~TfrmEditMatrixPaper() override;

    // The edited copy.
    TMatrixPaperInfo& Paper() const { return *FPaper; }
    // Runs the checks; false keeps the dialog open (the reason was shown).
    bool Validate();
    void accept() override;
    // Prints the edited paper's label outlines into a PDF file; false (and the reason
    // shown) when it could not be written.
    bool TestPrint(const QString& pdfFile);

    // Messages and questions go through here (tests answer them): returns true for
    // Yes/OK.
    std::function<bool(const QString& text, bool question)> Ask;
    // The boxes, for tests and scripted input.
    QLineEdit* NameBox() const { return FName; }
    QComboBox* SheetBox() const { return FSheet; }
    QDoubleSpinBox* Box(const char* property) const;
    QSpinBox* CountX() const { return FCountX; }
    QSpinBox* CountY() const { return FCountY; }
    QComboBox* ShapeBox() const { return FShape; }

private:
    void Fill();
    void WriteBack();
    void UpdateHole();

    std::unique_ptr<TMatrixPaperInfo> FPaper;
    const TPapers& FCatalogue;
    bool FAdding;
    std::vector<std::pair<QString, QSize>> FForms;
    bool FFilling = false;
    QLineEdit* FName = nullptr;
    QComboBox* FSheet = nullptr;
    QSpinBox* FCountX = nullptr;
    QSpinBox* FCountY = nullptr;
    QComboBox* FShape = nullptr;
    std::vector<std::pair<QString, QDoubleSpinBox*>> FBoxes;
    QWidget* FPreview = nullptr;
};

} // namespace velmo
