#pragma once
// A work file opened straight into the sheet view (velmo --sheet FILE.lbd), with a
// plain editing window over a draw site for one label, until the main window hosts
// the sheet and layout views itself.
#include "app/FMain.h"
#include <QDialog>
#include <memory>

class QScrollArea;

namespace velmo {

class TDrawSite;
class TLabelData;
class TfrmSheet;

// Edits one label's design on a draw site: objects are moved, resized and rotated
// with the mouse; closing writes the design back to the document.
class TfrmLabelEdit : public QDialog
{
public:
    TfrmLabelEdit(TLabelData& document, int position, QWidget* parent = nullptr);
    ~TfrmLabelEdit() override;
    TDrawSite* Site() const { return FSite; }
    int Position() const { return FPosition; }
    // Writes the site's objects (the printed images left out) as the label's design.
    void WriteBack();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitScale();
    TLabelData& FDocument;
    int FPosition;
    TDrawSite* FSite = nullptr;
    QWidget* FHolder = nullptr;
    QScrollArea* FScroll = nullptr;
};

class TfrmSheetMain : public TfrmMain
{
public:
    explicit TfrmSheetMain(const QString& fileName, QWidget* parent = nullptr);
    ~TfrmSheetMain() override;

    bool OpenDocument(const QString& fileName) override;
    TfrmSheet* SheetView() const { return FSheet; }
    TLabelData* Document() const { return FDocument.get(); }
    bool Save();
    void OpenLayout(int position);

private:
    QString FFileName;
    std::unique_ptr<TLabelData> FDocument;
    TfrmSheet* FSheet = nullptr;
};

} // namespace velmo
