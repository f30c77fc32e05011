#pragma once
// The data module: owns the application frame, the idle notifier and (later) the
// paper catalogue, and drives start-up.
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
class TVelmoPapers;

// Loads the paper catalogue from its file; raises on failure (EFileError for the
// file's own problems).
class ICatalogueLoader
{
public:
    virtual ~ICatalogueLoader() = default;
    // Runs before "$(PaperInfo)" is expanded: may point the macro at the file to use
    // and make that file.
    virtual void Prepare(TAppFrame&) {}
    virtual void Load(const QString& fileName) = 0;
    // The catalogue loaded (nullptr when there is none).
    virtual TVelmoPapers* Papers() const { return nullptr; }
};

// The application's catalogue loader. The installed catalogue is read-only, so each
// user works on a copy of their own ("velmo.ppr" in the user's application data
// folder), which "$(PaperInfo)" names. The first start seeds the copy from the
// installed catalogue; a later installed catalogue with a higher update number
// brings its system papers in, leaving the user's own papers as they are.
class TPaperCatalogueLoader : public ICatalogueLoader
{
public:
    TPaperCatalogueLoader();
    ~TPaperCatalogueLoader() override;
    void Prepare(TAppFrame& frame) override;
    void Load(const QString& fileName) override;
    TVelmoPapers* Papers() const override { return FPapers.get(); }
    // Writes the catalogue back (when it changed) and frees it.
    void Close();

    // The user's copy; the user's application data folder when empty.
    QString UserFile;
    // The installed catalogue; looked up in the data roots when empty.
    QString InstalledFile;

    static QString DefaultUserFile();
    // The delivered catalogue beside the program: "data/velmo.ppr" next to its folder
    // in a build tree, "velmo.ppr" in the installed data folders. Empty when none.
    static QString FindInstalledCatalogue(TAppFrame& frame);
    // The update number of a catalogue file, or -1 when it cannot be read.
    static int ReadUpdateNumber(const QString& fileName);

private:
    void MergeInstalled();
    std::unique_ptr<TVelmoPapers> FPapers;
};

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

class TdataMain : public QObject
{
    Q_OBJECT
public:
    explicit TdataMain(QObject* owner = nullptr);
    ~TdataMain() override;

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
