#pragma once
// The paper selection dialog "用紙の選択": groups with their pictures, size and maker
// filters, the normalised name search, sortable list, preview on a paper site, the
// design choice, deleting the user's own papers and importing template files.
#include "paperui/UPaperSelect.h"
#include <QDialog>
#include <functional>
#include <memory>

class QListWidget;
class QTreeWidget;
class QComboBox;
class QLabel;
class QRadioButton;
class QPushButton;
class QLineEdit;
class QCheckBox;
class QMenu;

namespace velmo {

class TVelmoPapers;
class TPaperInfo;
class TPaperSite;

class TfrmPaperSelect : public QDialog
{
public:
    // confirm (may be empty) asks the paper-change questions of an existing document;
    // false keeps the dialog open.
    TfrmPaperSelect(TVelmoPapers& papers, bool separatelyDesign,
                    std::function<bool(const TPaperInfo&)> confirm, QWidget* parent = nullptr);
    ~TfrmPaperSelect() override;

    // Selects the paper's group and row; a paper missing from the catalogue is stored
    // into it first.
    void ShowPaper(const TPaperInfo& paper);
    // The chosen catalogue paper (owned by the catalogue) or null.
    TPaperInfo* SelectedPaper() const;
    bool SeparatelyDesign() const;
    bool Landscape() const;
    QStringList SummaryLines() const;
    // The preview's paper site.
    TPaperSite* PreviewSite() const { return FSite; }

    // Filtering and listing, for the window and its tests.
    void SelectGroup(int group);
    void SelectSize(int index);
    void SelectMaker(const QString& maker);
    // Lists the papers whose names match (empty: back to the group's list).
    void Search(const QString& text);
    void SortByColumn(int column);
    QStringList ListedNames() const;
    void SelectRow(int row);
    // Asks, then deletes the selected user paper; false when nothing was deleted.
    bool DeleteSelected();
    // Opens "用紙の追加・編集" on a copy of the selected paper (adding) or on the
    // selected user paper, and stores the result; tests set EditorHook to drive it.
    std::function<bool(class TfrmPaperTypeSelect&)> EditorHook;
    void OpenEditor(bool adding) { EditPaper(adding); }
    // Imports template files into the catalogue; returns the report shown.
    QString ImportTemplates(const QStringList& files);

    // Searches and remembers the text in the search history; empty text is refused.
    bool SearchAndRemember(const QString& text);
    // The search history, most recent first.
    static QStringList SearchHistory();
    // "標準の用紙にする(&F)".
    QCheckBox* DefaultBox() const { return FDefault; }
    // The extended functions' menu (shown by "拡張機能..." in the extended paper mode).
    QMenu* ExtendedMenu() const { return FExtendedMenu; }
    QPushButton* ExtendedButton() const { return FExtendedButton; }
    // Writes the listed names, in list order, to the file.
    bool SaveList(const QString& fileName);
    // Runs after a maintenance dialog changed the catalogue.
    void CatalogueChanged();
    // Tests open the maintenance dialogs through this instead of exec().
    std::function<int(QDialog&)> DialogHook;

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildExtendedMenu();
    int RunDialog(QDialog& dialog);
    void RebuildList();
    void RefreshMakers();
    void UpdatePreview();
    void UpdateButtons();
    void AskSearch();
    void AskImport();
    void EditPaper(bool adding);

    TVelmoPapers& FPapers;
    std::function<bool(const TPaperInfo&)> FConfirm;
    TPaperFilter FFilter;
    int FSortColumn = -1;
    bool FSortAscending = true;
    QListWidget* FGroups = nullptr;
    QComboBox* FSizes = nullptr;
    QComboBox* FMakers = nullptr;
    QTreeWidget* FList = nullptr;
    QLabel* FSummary = nullptr;
    QLabel* FSearchNote = nullptr;
    QRadioButton* FPortrait = nullptr;
    QRadioButton* FLandscape = nullptr;
    QRadioButton* FSeparate = nullptr;
    QRadioButton* FSame = nullptr;
    QPushButton* FOk = nullptr;
    QPushButton* FDelete = nullptr;
    QPushButton* FAdd = nullptr;
    QPushButton* FEdit = nullptr;
    QCheckBox* FDefault = nullptr;
    QPushButton* FExtendedButton = nullptr;
    QMenu* FExtendedMenu = nullptr;
    QWidget* FSiteHolder = nullptr;
    TPaperSite* FSite = nullptr;
    std::unique_ptr<TPaperInfo> FPreviewPaper;
    bool FUpdating = false;
};

} // namespace velmo
