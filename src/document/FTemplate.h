#pragma once
// The template dialog "テンプレートの選択": the delivered collection by group, or the
// work files of a folder; previews arrive one at a time while the dialog stays usable.
#include "document/UTemplateInfo.h"
#include <QDialog>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QMenu;
class QTabWidget;
class QTimer;

namespace velmo {

class TDOList;

class TfrmTemplate : public QDialog
{
public:
    // face: of the label position templates are wanted for; indexFile: the
    // collection's Template.dat (empty or missing: the collection page says so).
    TfrmTemplate(const TTemplateFace& face, const QString& indexFile, QWidget* parent = nullptr);
    ~TfrmTemplate() override;

    // The folder the second page starts with.
    void SetFolder(const QString& folder);
    // The chosen entry of the shown page, or nothing.
    std::optional<TTemplateInfo> Chosen() const;
    // Reads the chosen design (topmost first) and the label's rectangle in its
    // document; false for a blank entry or none.
    bool ReadChosen(TDOList& objects, TLogRect& labelRect) const;

    QTabWidget* Sources() const { return FSources; }
    QComboBox* Groups() const { return FGroups; }
    QListWidget* CollectionList() const { return FCollection; }
    QListWidget* FileList() const { return FFiles; }
    QLineEdit* FolderEdit() const { return FFolder; }
    QLabel* Missing() const { return FMissing; }
    QPushButton* OkButton() const { return FOk; }
    QPushButton* FolderHistoryButton() const { return FHistory; }
    // The history pop-up of the folder field: the folders, then "履歴の消去".
    QMenu* FolderHistoryMenu();
    QComboBox* ThumbnailSize() const { return FSize; }
    // Previews still to draw.
    int PendingPreviews() const { return int(FPending.size()); }

private:
    void ShowFolderHistory();
    void FillGroup(int index);
    void FillFolder();
    void Fill(QListWidget* view, const TTemplateList& list, bool captionByFile);
    void DrawNextPreview();
    void UpdateEnabled();
    void ApplyThumbnailSize();

    TTemplateFace FFace;
    TTemplateGroup FGroup;
    QTabWidget* FSources;
    QComboBox* FGroups;
    QListWidget* FCollection;
    QLabel* FMissing;
    QLineEdit* FFolder;
    QListWidget* FFiles;
    QComboBox* FSize;
    QPushButton* FOk;
    QPushButton* FHistory = nullptr;
    QTimer* FPreviewTimer;
    std::vector<std::pair<QListWidget*, int>> FPending;
    std::vector<TTemplateInfo> FCollectionItems;
    std::vector<TTemplateInfo> FFileItems;
};

} // namespace velmo
