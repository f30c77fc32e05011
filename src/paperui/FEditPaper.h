#pragma once
// "用紙の追加・編集": the user's own label sheets (and, in the extended paper mode,
// the system's). Two editors, one per kind of paper: the grid editor for equal labels
// in rows and columns and the free editor for labels of any size placed anywhere,
// moved and resized with the mouse. Each works on its own copy, draws it to scale
// while it is edited and checks it before the dialog may close.
#include "objects/UFaceDesign.h"
#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

namespace velmo {

class TPapers;
class TPaperInfo;
class TMatrixPaperInfo;
class TFreePaperInfo;
class TPrinterForm;
class TDrawSite;
class TFaceInfo;
class TFreePaperSite;
class TImagePaperInfo;

// What both editors share: the copy's name, sheet size, purpose and shape boxes, the
// extended mode's maker, group and read-only boxes, the checks and the test print.
class TPaperEditor : public QDialog
{
public:
    TPaperEditor(const TPapers& catalogue, bool adding, const TPrinterForm& forms, QWidget* parent);
    ~TPaperEditor() override;

    virtual TPaperInfo& EditedPaper() const = 0;
    // Runs the checks; false keeps the dialog open (the reason was shown).
    virtual bool Validate();
    void accept() override;
    // Prints the edited paper's label outlines into a PDF file; false (and the reason
    // shown) when it could not be written.
    bool TestPrint(const QString& pdfFile);

    // The maker list and the paper's maker (extended paper mode only).
    void SetMakers(const QStringList& makers, const QString& current);
    QString Maker() const;
    bool Extended() const { return FExtended; }

    // Messages and questions go through here (tests answer them): returns true for
    // Yes/OK.
    std::function<bool(const QString& text, bool question)> Ask;

    // The boxes, for tests and scripted input.
    QLineEdit* NameBox() const { return FName; }
    QComboBox* SheetBox() const { return FSheet; }
    QDoubleSpinBox* Box(const char* property) const;
    QComboBox* PurposeBox() const { return FPurpose; }
    QComboBox* ShapeBox() const { return FShape; }
    QComboBox* MakerBox() const { return FMaker; }
    QComboBox* GroupBox() const { return FGroup; }
    QCheckBox* ReadOnlyBox() const { return FReadOnly; }
    // The shape names offered now, in order.
    QStringList OfferedShapes() const;
    // The paper's background designs (extended paper mode): the catalogue's record
    // when the editor opened, or what "用紙柄追加" made of a work file.
    const TImagePaperInfo* Designs() const { return FFaceDesigns.Designs(); }
    // Turns the label designs of a work file into the background designs; false (and
    // the reason shown) when the file cannot be read.
    bool AddDesigns(const QString& fileName);
    void RemoveDesigns();
    // Inside the kind dialog the editor's own buttons give way to the dialog's.
    void SetEmbedded(bool embedded);
    // Writes the boxes into the copy (every change does this by itself).
    virtual void WriteBack() = 0;

protected:
    // Adjusts the copy to the mode: outside the extended mode a user paper in the
    // last group.
    void PrepareCopy(TPaperInfo& paper);
    void AddNameRows(QFormLayout* form);
    QDoubleSpinBox* AddBox(QFormLayout* form, const QString& caption, const char* property, double min,
                           double max);
    void AddShapeRows(QFormLayout* form);
    // "用紙柄追加" and "用紙柄削除" with a note of what the paper carries.
    void AddDesignRows(QFormLayout* form);
    void ShowDesigns();
    // The preview shows the designs now held.
    virtual void DesignsChanged() {}
    QDialogButtonBox* MakeButtons();
    // The purposes of the catalogue; an identifier the list lacks is offered as it is.
    void FillPurposes(const QString& current);
    // The shapes of the chosen purpose; keeps the shape when it is still offered.
    void FillShapes(int currentShape);
    int ChosenShape() const;
    QString ChosenPurpose() const;
    void UpdateHole();
    int SheetIndex(int width, int height) const;
    void SelectSheet(int width, int height);
    // Name, group and read-only flag from the boxes.
    void WriteNames(TPaperInfo& paper) const;
    void FillNames(const TPaperInfo& paper);
    int Tenths(const char* property) const;

    const TPapers& FCatalogue;
    bool FAdding;
    bool FExtended;
    bool FFilling = false;
    std::vector<std::pair<QString, QSize>> FForms;
    std::vector<std::pair<QString, QDoubleSpinBox*>> FBoxes;
    QLineEdit* FName = nullptr;
    QComboBox* FMaker = nullptr;
    QComboBox* FGroup = nullptr;
    QCheckBox* FReadOnly = nullptr;
    QComboBox* FSheet = nullptr;
    QComboBox* FPurpose = nullptr;
    QComboBox* FShape = nullptr;
    QLabel* FHoleLabel = nullptr;
    QDialogButtonBox* FButtons = nullptr;
    TFaceDesigns FFaceDesigns;
    QLabel* FDesignNote = nullptr;
};

class TfrmEditMatrixPaper : public TPaperEditor
{
public:
    // forms: the sheet sizes offered (the printer's forms); adding: the name must be new.
    TfrmEditMatrixPaper(const TPaperInfo& paper, const TPapers& catalogue, bool adding,
                        const TPrinterForm& forms, QWidget* parent = nullptr);
    ~TfrmEditMatrixPaper() override;

    // The edited copy.
    TMatrixPaperInfo& Paper() const { return *FPaper; }
    TPaperInfo& EditedPaper() const override;
    QSpinBox* CountY() const { return FCountY; }
    QWidget* Preview() const { return FPreview; }
    void WriteBack() override;

protected:
    void DesignsChanged() override;

private:
    void Fill();

    std::unique_ptr<TMatrixPaperInfo> FPaper;
    QSpinBox* FCountX = nullptr;
    QSpinBox* FCountY = nullptr;
    QWidget* FPreview = nullptr;
};

class TfrmEditFreePaper : public TPaperEditor
{
public:
    TfrmEditFreePaper(const TPaperInfo& paper, const TPapers& catalogue, bool adding,
                      const TPrinterForm& forms, QWidget* parent = nullptr);
    ~TfrmEditFreePaper() override;

    // The copy; its labels are the faces' until Validate writes them back.
    TFreePaperInfo& Paper() const { return *FPaper; }
    TPaperInfo& EditedPaper() const override;
    bool Validate() override;
    void WriteBack() override;

    // The labels on the preview, and the one the boxes show.
    TDrawSite* Site() const;
    int FaceCount() const;
    int CurrentFace() const { return FCurrent; }
    void ChooseLabel(int index);
    // A new label centred on the sheet; false (and a message) at the label limit.
    bool AddLabel();
    // Deletes the current label; false while it is the only one.
    bool DeleteLabel();
    // Rebuilds the paper's labels from the faces, in face order.
    void StoreFaces();
    QCheckBox* LockMouseBox() const { return FLockMouse; }

protected:
    void DesignsChanged() override;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void FillPaperBoxes();
    void FillFaceBoxes();
    void WriteFace();
    void FitSite();
    TFaceInfo CentredFace() const;
    void AddFace(const TFaceInfo& info);

    std::unique_ptr<TFreePaperInfo> FPaper;
    QWidget* FHolder = nullptr;
    TFreePaperSite* FSite = nullptr;
    int FCurrent = 0;
    QPushButton* FAddButton = nullptr;
    QPushButton* FDeleteButton = nullptr;
    QCheckBox* FLockMouse = nullptr;

    friend class TFreePaperSite;
};

// The dialog "用紙の追加・編集" with its two kinds; the kind buttons follow the given
// paper's class, and switching shows the other editor with its own copy.
class TfrmPaperTypeSelect : public QDialog
{
public:
    TfrmPaperTypeSelect(const TPaperInfo& paper, const TPapers& catalogue, bool adding,
                        const TPrinterForm& forms, QWidget* parent = nullptr);
    ~TfrmPaperTypeSelect() override;

    TfrmEditMatrixPaper& MatrixEditor() const { return *FMatrix; }
    TfrmEditFreePaper& FreeEditor() const { return *FFree; }
    // The editor shown.
    TPaperEditor& Editor() const;
    bool FreeKind() const;
    void SetFreeKind(bool free);
    QRadioButton* MatrixButton() const { return FMatrixButton; }
    QRadioButton* FreeButton() const { return FFreeButton; }

    // Results: the shown editor's copy and the maker entered.
    TPaperInfo& Paper() const { return Editor().EditedPaper(); }
    QString Maker() const { return Editor().Maker(); }
    const TImagePaperInfo* Designs() const { return Editor().Designs(); }
    void SetMakers(const QStringList& makers, const QString& current);
    void SetAsk(const std::function<bool(const QString&, bool)>& ask);

    void accept() override;

private:
    TfrmEditMatrixPaper* FMatrix = nullptr;
    TfrmEditFreePaper* FFree = nullptr;
    QStackedWidget* FStack = nullptr;
    QRadioButton* FMatrixButton = nullptr;
    QRadioButton* FFreeButton = nullptr;
};

} // namespace velmo
