#pragma once
// The test host's layout harness (velmo-test-host --layout FILE.lbd): the layout
// view hosted in a plain main window with a file menu (save, quit), the status bar
// and file drops, for the layout view's window tests.
#include "app/FMain.h"
#include <memory>

namespace velmo {

class TLabelData;
class TfrmLayout;

class TfrmLayoutMain : public TfrmMain
{
public:
    explicit TfrmLayoutMain(QWidget* parent = nullptr);
    ~TfrmLayoutMain() override;

    bool OpenDocument(const QString& fileName) override;
    // Writes the label back and saves the document to its file.
    bool Save();
    TfrmLayout* Layout() const { return FLayout; }
    TLabelData* Document() const { return FDocument.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void UpdateTitle();
    QString FFileName;
    std::unique_ptr<TLabelData> FDocument;
    TfrmLayout* FLayout = nullptr;
};

} // namespace velmo
