#pragma once
// The main window. Its commands and documents come with the main window's own
// module; start-up reaches it through the hooks below.
#include <QMainWindow>

namespace velmo {

class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Start-up steps driven by the data module on idle.
    virtual void MakeInitialDocument() {}
    // Opens a work file given on the command line; true when it is open.
    virtual bool OpenDocument(const QString& fileName);
    virtual bool SplashClosed() const { return true; }
    virtual void OfferStartupChoice() {}

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace velmo
