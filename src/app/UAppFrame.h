#pragma once
// The application frame: the macro table, the start-up conditions, the message box,
// the user's settings and the search for data files. One instance lives for the run.
#include "app/UMacroString.h"
#include "base/UModalResult.h"
#include "base/USettings.h"
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

namespace velmo {

// Button kinds of the application's message boxes, in the toolkit's order.
enum TBitBtnKind
{
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};
using TButtonKinds = QList<TBitBtnKind>;

int ModalResultOfKind(TBitBtnKind kind);
QString CaptionOfKind(TBitBtnKind kind);

enum TExecuteCondition
{
    ecNeedHighColor,
    ecNeedPrinter,
    ecExclusive,
    ecPowerUsers
};

// A set of execute conditions; bit n stands for the condition of value n.
class TExecuteConditions
{
public:
    constexpr TExecuteConditions() = default;
    constexpr TExecuteConditions(std::initializer_list<TExecuteCondition> conditions)
    {
        for (TExecuteCondition c : conditions)
            FBits |= 1u << c;
    }
    constexpr bool Contains(TExecuteCondition c) const { return (FBits >> c) & 1u; }
    constexpr unsigned Bits() const { return FBits; }
    bool operator==(const TExecuteConditions&) const = default;

private:
    unsigned FBits = 0;
};

// (message, buttons, default index, cancel index) → modal result.
using TOnMessageBox = std::function<int(const QString&, const TButtonKinds&, int, int)>;
// (display name) → whether to search again.
using TOnCDNotFound = std::function<bool(const QString&)>;
using TOnException = std::function<void(const std::exception&)>;

// Where data files are searched, in place of drives and the installation key.
struct TDataRootSources
{
    QString ExeFolder;            // looked in first, without the key-file test
    QStringList InstalledFolders; // the installed data folders (share/velmo)
    // Mount points of removable media, floppy disks left out.
    std::function<QStringList()> RemovableRoots;
};

// What the execute conditions ask of the machine; replaceable for tests.
struct TExecuteProbes
{
    std::function<int()> ScreenColorBits; // bits per pixel of the screen
    std::function<bool()> HasCurrentPrinter;
    QString LockFolder; // folder of the single-instance lock; the runtime folder when empty
};

class TAppFrame : public QObject
{
    Q_OBJECT
public:
    explicit TAppFrame(QObject* owner = nullptr);
    ~TAppFrame() override;

    // The frame of the process while one exists.
    static TAppFrame* Instance();

    TMacroString& Macro() { return FMacro; }
    void SetMacro(const TMacroString& macro) { FMacro.Assign(macro); }

    void SetExecuteCondition(TExecuteConditions conditions) { FExecuteCondition = conditions; }

    TOnMessageBox OnMessageBox;
    TOnCDNotFound OnCDNotFound;
    TOnException OnException;

    // The executable whose name and folder give the built-in macros; the running
    // program unless set before Loaded.
    QString ExecutableFile() const;
    void SetExecutableFile(const QString& fileName) { FExecutableFile = fileName; }

    // Finishes loading: sets the built-in macros, the application title and the help
    // file, and becomes the handler of unhandled exceptions.
    void Loaded();
    QString HelpFile() const { return FHelpFile; }

    bool CheckExecuteConditions();
    TExecuteProbes& Probes() { return FProbes; }

    // Full path of a data file (wildcards allowed in the last part), or empty.
    // displayName: empty never asks, "@" asks for "必要なファイル", otherwise the name shown.
    QString FindDataFile(const QString& relativePath, const QString& displayName);
    TDataRootSources& DataRoots() { return FDataRoots; }
    QString RememberedDataRoot() const { return FRememberedRoot; }
    void SetRememberedDataRoot(const QString& root) { FRememberedRoot = root; }

    // Shows an exception that nobody handled (or passes it to OnException).
    void HandleException(const std::exception& error);

private:
    QString SearchOnce(const QString& relativePath);
    bool IsDataRoot(const QString& folder);
    QString TryRoot(const QString& root, const QString& relativePath, QString* foundRoot);

    TMacroString FMacro;
    TExecuteConditions FExecuteCondition;
    TExecuteProbes FProbes;
    TDataRootSources FDataRoots;
    QString FExecutableFile;
    QString FRememberedRoot;
    QString FHelpFile;
};

// The lines of this application's macro table.
QStringList ApplicationMacroLines();

// Expands through the frame's table; without a frame the text comes back unchanged.
QString ExpandMacros(const QString& text);

// Delphi-style formatting of the table's messages: each %s or %d takes the next
// argument in turn, "%%" is a percent sign.
QString FormatText(const QString& pattern, const QStringList& args);

// The message box of the application; the text is macro-expanded unless it already
// is (texts that carry user data must not be expanded twice).
int AppMessageBox(const QString& message, const TButtonKinds& buttons, int defaultIndex, int cancelIndex,
                  bool expand = true);
int ShowAppMessage(const QString& message, bool expand = true);
// The platform's standard message dialog, used when the frame has no OnMessageBox;
// installed by the window layer.
void SetStandardMessageBox(TOnMessageBox box);

// Raises EFileError when the file is missing or must be writable and is read-only.
void CheckRequiredFile(const QString& fileName, bool mustBeWritable);

// Expands macros in the string properties of an object and of every object it owns.
// Properties whose expansion fails keep their value.
void ExpandComponentMacros(QObject* component);
// Extra property walkers (a component model with its own property tables adds one):
// called for each object with the expansion function.
using TComponentMacroWalker = std::function<void(QObject*, const std::function<QString(const QString&)>&)>;
// Returns a number for UnregisterComponentMacroWalker.
int RegisterComponentMacroWalker(TComponentMacroWalker walker);
void UnregisterComponentMacroWalker(int id);

// Holds the single-instance lock for the rest of the process.
class TExecuteBlocker
{
public:
    static QString LockFileName(const QString& mutexId, const QString& folder);
    // False when another running process holds the lock or it cannot be made.
    static bool Acquire(const QString& mutexId, const QString& folder = QString());
    static int HeldCount();
    // Releases every held lock (shut-down).
    static void ReleaseAll();
};

// The product version of a file. Our own programs carry the version of this build;
// other files have none.
class TFileVer
{
public:
    explicit TFileVer(const QString& fileName) : FFileName(fileName) {}
    bool HasVersion() const;
    int Major() const;
    int Minor() const;
    int Release() const;
    int Build() const;
    QString ShortVer() const; // "1.0" without version
    QString LongVer() const;  // "1.0.0.0" without version

private:
    void Read() const;
    QString FFileName;
    mutable bool FRead = false;
    mutable bool FHasVersion = false;
    mutable int FNumbers[4] = {0, 0, 0, 0};
};

} // namespace velmo
