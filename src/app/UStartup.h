#pragma once
// Start-up: the application object, and the object that owns the application frame,
// the idle notifier and the paper catalogue and drives start-up (TStartup).
#include "app/UPaperCatalogueLoader.h"
#include <QApplication>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

namespace velmo {

class TAppFrame;
class TGlobalNotify;
class TfrmMain;

// The application object; exceptions that escape an event handler go to the frame.
class TVelmoApplication : public QApplication
{
    Q_OBJECT
public:
    TVelmoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The registration of picture file formats with the picture classes, run first at
// start-up; the imaging layer installs it.
void SetPictureFormatRegistration(std::function<void()> registration);

class TStartup : public QObject
{
    Q_OBJECT
public:
    explicit TStartup(QObject* owner = nullptr);
    ~TStartup() override;

    TAppFrame* AppFrame1() const { return FAppFrame; }
    TGlobalNotify* GlobalNotify1() const { return FGlobalNotify; }
    // The paper catalogue once start-up has loaded it.
    TVelmoPapers* Papers() const;

    // Without a loader the catalogue step is left out.
    void SetCatalogueLoader(std::unique_ptr<ICatalogueLoader> loader);
    // Makes the main window (a plain TfrmMain unless replaced).
    std::function<TfrmMain*()> CreateMainWindow;
    // The command-line arguments after the program name.
    void SetArguments(const QStringList& arguments) { FArguments = arguments; }

    // Runs the start-up checks and creates the windows; false means the
    // application must end (nothing more has been created).
    bool Start();
    // Saves and closes the main window, frees the catalogue, releases the lock.
    void Shutdown();

    TfrmMain* MainWindow() const;
    bool Ready() const { return FReady; }
    bool InitialDocumentMade() const { return FInitialDocumentMade; }
    bool StartupChoiceDue() const { return FStartupChoiceDue; }
    bool StartupFinished() const { return FStartupFinished; }

    // The idle step of start-up (runs on each idle notification).
    void Idle();

private:
    bool LoadCatalogue();
    void ReportSkippedPapers();

    TAppFrame* FAppFrame = nullptr;
    TGlobalNotify* FGlobalNotify = nullptr;
    std::unique_ptr<ICatalogueLoader> FCatalogueLoader;
    QPointer<TfrmMain> FMainWindow;
    QStringList FArguments;
    bool FReady = false;
    bool FInitialDocumentMade = false;
    bool FStartupChoiceDue = false;
    bool FStartupFinished = false;
};

} // namespace velmo
