#include "app/UAppFrame.h"
#include "app/UHistoryManager.h"
#include "app/USettingsStore.h"
#include "app/UVersion.h"
#include "base/UExceptions.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QMetaProperty>
#include <QPrinterInfo>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <vector>

namespace velmo {

namespace {

TAppFrame* GFrame = nullptr;

TOnMessageBox& StandardMessageBox()
{
    static TOnMessageBox box;
    return box;
}

std::vector<std::pair<int, TComponentMacroWalker>>& ComponentMacroWalkers()
{
    static std::vector<std::pair<int, TComponentMacroWalker>> walkers;
    return walkers;
}

QString WithTrailingSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool HasWildcard(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

// The entry of a folder named like `name` without regard to case (an exact match first).
QString FindEntry(const QString& folder, const QString& name)
{
    const QString exact = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder + QLatin1Char('/') + entry;
    return QString();
}

// Joins a data file's relative path ("\" or "/" separated, looked up without regard
// to case) to a folder. Paths that would leave the folder are never found.
QString LookIn(const QString& folder, const QString& relativePath)
{
    if (folder.isEmpty() || relativePath.isEmpty() || !QFileInfo(folder).isDir())
        return QString();
    QString relative = relativePath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (relative.startsWith(QLatin1Char('/')))
        return QString();
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QString();
    QString current = QDir::cleanPath(folder);
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return QString();
        const bool last = i == parts.size() - 1;
        if (last && HasWildcard(part)) {
            const QStringList matches =
                QDir(current).entryList(QStringList{part}, QDir::Files | QDir::Hidden, QDir::Name);
            return matches.isEmpty() ? QString() : current + QLatin1Char('/') + matches.first();
        }
        current = FindEntry(current, part);
        if (current.isEmpty() || (!last && !QFileInfo(current).isDir()))
            return QString();
    }
    return current;
}

// Mount points that are floppy drives (never probed).
QSet<QString> FloppyMountPoints()
{
    QSet<QString> result;
    QFile mounts(QStringLiteral("/proc/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return result;
    const QList<QByteArray> lines = mounts.read(1 << 20).split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 2 && fields[0].startsWith("/dev/fd"))
            result.insert(QString::fromLocal8Bit(fields[1]));
    }
    return result;
}

QStringList DefaultRemovableRoots()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QDir::home().dirName();
    const QStringList parents{QStringLiteral("/media/") + user, QStringLiteral("/run/media/") + user,
                              QStringLiteral("/mnt")};
    const QSet<QString> floppies = FloppyMountPoints();
    QStringList roots;
    for (const QString& parent : parents) {
        const QStringList entries = QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& entry : entries) {
            const QString root = parent + QLatin1Char('/') + entry;
            if (!floppies.contains(root))
                roots.append(root);
        }
    }
    return roots;
}

int DefaultScreenColorBits()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 32;
}

// With no printer installed the program prints to PDF files, so only a machine with
// printers but none chosen as the default lacks a current printer.
bool DefaultHasCurrentPrinter()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        return true;
    return QPrinterInfo::availablePrinters().isEmpty();
}

QString ExceptionMessage(const std::exception& error)
{
    return ExceptionText(error);
}

std::optional<QString> ReadSettingText(const QString& name)
{
    TAppFrame* frame = TAppFrame::Instance();
    if (!frame || frame->Macro().IndexOfName(QStringLiteral("SysRegistryKey")) < 0)
        return std::nullopt;
    try {
        return TSettingsKey(frame->Macro().Expand(QStringLiteral("$(SysRegistryKey)"))).ReadString(name);
    } catch (const EMacroString&) {
        return std::nullopt;
    }
}

void WriteSettingText(const QString& name, const QString& value)
{
    TAppFrame* frame = TAppFrame::Instance();
    if (!frame || frame->Macro().IndexOfName(QStringLiteral("SysRegistryKey")) < 0)
        return;
    TSettingsKey(frame->Macro().Expand(QStringLiteral("$(SysRegistryKey)"))).WriteString(name, value);
}

} // namespace

int ModalResultOfKind(TBitBtnKind kind)
{
    switch (kind) {
    case bkOK:
        return mrOk;
    case bkCancel:
    case bkClose:
        return mrCancel;
    case bkYes:
        return mrYes;
    case bkNo:
        return mrNo;
    case bkAbort:
        return mrAbort;
    case bkRetry:
        return mrRetry;
    case bkIgnore:
        return mrIgnore;
    case bkAll:
        return mrAll;
    case bkCustom:
    case bkHelp:
        break;
    }
    return mrNone;
}

QString CaptionOfKind(TBitBtnKind kind)
{
    switch (kind) {
    case bkOK:
        return QStringLiteral("OK");
    case bkCancel:
        return QStringLiteral("キャンセル");
    case bkHelp:
        return QStringLiteral("ヘルプ");
    case bkYes:
        return QStringLiteral("はい");
    case bkNo:
        return QStringLiteral("いいえ");
    case bkClose:
        return QStringLiteral("閉じる");
    case bkAbort:
        return QStringLiteral("中止");
    case bkRetry:
        return QStringLiteral("再試行");
    case bkIgnore:
        return QStringLiteral("無視");
    case bkAll:
        return QStringLiteral("すべて");
    case bkCustom:
        break;
    }
    return QString();
}

QStringList ApplicationMacroLines()
{
    return {
        QStringLiteral("AppName=ベルモ"),
        QStringLiteral("SysHelpFile=$(ExeNameNoExt).hlp"),
        QStringLiteral("SysMsgUnexpected=予期しないエラーが発生しました$(CRLF)%s"),
        QStringLiteral("SysMsgTwainErr=TWAINでエラーが発生しました。$(CRLF)"
                       "TWAINドライバあるいはTWAIN機器に問題があると$("
                       "CRLF)思われます$(CRLF)「%s」"),
        QStringLiteral("SysMsgNotDefaultPrinter=通常使うプリンタがセットされていません$(CRLF)"
                       "コントロールパネルのプリンタを開いて設定してください"),
        QStringLiteral(
            "SysMsgNotEnoughColor=「$(AppName)」は、32,000色以上の$(CRLF)表示環境でご使用ください。$(CRLF)"
            "正しく表示できないことがありますが起動しますか？"),
        QStringLiteral("SysMsgAlreadyRun=$(AppName)は、すでに実行中です"),
        QStringLiteral("SysMutexID=$(AppName).$(ShortVer).Brenvik.Japan"),
        QStringLiteral(
            "SysMsgCDNotFound=%sが見つかりません$(CRLF)$(AppName)のＣＤを正しくセットしてください。"),
        QStringLiteral("SysRegistryKey=Software\\Quillon\\ベルモ\\$(ShortVer)\\Settings"),
        QStringLiteral("SysKeyFile="),
        QStringLiteral("SysApplicationFolder="),
        QStringLiteral("SysInstallKey=Velmo.Application"),
        QStringLiteral("ProductDB=$(ExeNameNoExt).cdb"),
        QStringLiteral("PaperInfo=$(ExeNameNoExt).ppr"),
        QStringLiteral("CoonsDistortionData=$(ExeNameNoExt).cdd"),
        QStringLiteral("UserImageHistory=$(SysRegistryKey)\\UserImageHistory"),
        QStringLiteral("OpenFileHistory=$(SysRegistryKey)\\OpenFileHistory"),
        QStringLiteral("CDPathHistory=$(SysRegistryKey)\\CDPathHistory"),
        QStringLiteral("WindowColors=$(SysRegistryKey)\\WindowColors"),
        QStringLiteral("LabelDataHistory=$(SysRegistryKey)\\LabelDataHistory"),
        QStringLiteral("TitleBarFormat=$(AppName) - %s"),
        QStringLiteral("PrintTitleFormat=%s - $(AppName)"),
        QStringLiteral("FindPaperHistory=$(SysRegistryKey)\\FindPaperHistory"),
        QStringLiteral("UsedPaperHistory=$(SysRegistryKey)\\UsedPaperHistory"),
    };
}

// ---------------------------------------------------------------------------------
// TAppFrame

TAppFrame::TAppFrame(QObject* owner) : QObject(owner)
{
    // The libraries' dialogs keep their settings and history lists in this frame's
    // settings (whichever frame lives when they ask).
    SetSettingsStore({ReadSettingText, WriteSettingText,
                      [](const QString& key) {
                          try {
                              THistoryManager history;
                              history.SetRegistryKey(key);
                              return history.Items();
                          } catch (const std::exception&) {
                              return QStringList();
                          }
                      },
                      [](const QString& key, const QString& text, int limit) {
                          try {
                              THistoryManager history;
                              history.SetRegistryKey(key);
                              history.SetLimit(limit);
                              history.Add(text);
                          } catch (const std::exception&) {
                          }
                      }});
    FMacro.SetLines({QStringLiteral("AppName=Project")});
    FProbes.ScreenColorBits = DefaultScreenColorBits;
    FProbes.HasCurrentPrinter = DefaultHasCurrentPrinter;
    FDataRoots.RemovableRoots = DefaultRemovableRoots;
    FDataRoots.ExeFolder = QFileInfo(ExecutableFile()).absolutePath();
    const QString besideExe = FDataRoots.ExeFolder + QStringLiteral("/../share/velmo");
    FDataRoots.InstalledFolders = {QDir::cleanPath(besideExe)};
    const QString configured = QStringLiteral(VELMO_DATA_DIR);
    if (QDir::cleanPath(configured) != QDir::cleanPath(besideExe))
        FDataRoots.InstalledFolders.append(configured);
    // Run from the build tree (make run, the window tests), the data the build made
    // sits beside the program's folder: collections, templates, wizard data.
    const QString builtData = QDir::cleanPath(FDataRoots.ExeFolder + QStringLiteral("/../data"));
    if (QFileInfo::exists(builtData + QStringLiteral("/velmo.ppr")))
        FDataRoots.InstalledFolders.append(builtData);
    GFrame = this;
}

TAppFrame::~TAppFrame()
{
    if (GFrame == this)
        GFrame = nullptr;
}

TAppFrame* TAppFrame::Instance()
{
    return GFrame;
}

QString TAppFrame::ExecutableFile() const
{
    if (!FExecutableFile.isEmpty())
        return FExecutableFile;
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

void TAppFrame::Loaded()
{
    const QFileInfo exe(ExecutableFile());
    FDataRoots.ExeFolder = exe.absolutePath();
    if (FMacro.Value(QStringLiteral("SysKeyFile")).isEmpty())
        FMacro.SetValue(QStringLiteral("SysKeyFile"), exe.fileName());
    if (FMacro.Value(QStringLiteral("SysApplicationFolder")).isEmpty())
        FMacro.SetValue(QStringLiteral("SysApplicationFolder"), exe.completeBaseName());
    FMacro.SetValue(QStringLiteral("CRLF"), QStringLiteral("\r\n"));
    FMacro.SetValue(QStringLiteral("Quote"), QStringLiteral("\""));
    FMacro.SetValue(QStringLiteral("ExeDir"), WithTrailingSlash(exe.absolutePath()));
    FMacro.SetValue(QStringLiteral("ExeNameNoExt"),
                    exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName());
    QString appData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (appData.isEmpty())
        appData = QDir::homePath() + QStringLiteral("/Documents");
    FMacro.SetValue(QStringLiteral("AppDataDir"), WithTrailingSlash(appData));
    const TFileVer version(QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                        : exe.absoluteFilePath());
    FMacro.SetValue(QStringLiteral("ShortVer"), version.ShortVer());
    FMacro.SetValue(QStringLiteral("LongVer"), version.LongVer());

    // The graphics workaround of one obsolete platform has no counterpart here; the
    // setting is still read so that it keeps its meaning in the settings file.
    (void)ReadSettingBool(QStringLiteral("FixGDILeak"), true);

    if (QCoreApplication::instance()) {
        // The name only, no display name: the toolkit would append a display name to
        // every window title that does not already end with it ("ベルモ - x.lbd — ベルモ").
        // Without one, applicationDisplayName() answers the name, which message boxes
        // take as their title.
        QCoreApplication::setApplicationName(ExpandMacros(QStringLiteral("$(AppName)")));
    }
    FHelpFile = ExpandMacros(QStringLiteral("$(SysHelpFile:inessential)"));
}

bool TAppFrame::CheckExecuteConditions()
{
    if (FExecuteCondition.Contains(ecNeedHighColor)) {
        const int bits = FProbes.ScreenColorBits ? FProbes.ScreenColorBits() : 32;
        if (bits < 9 && AppMessageBox(QStringLiteral("$(SysMsgNotEnoughColor)"), {bkYes, bkNo}, 0, 0) == mrNo)
            return false;
    }
    if (FExecuteCondition.Contains(ecPowerUsers)) {
        // In place of write access to the machine's uninstall key: the user must be
        // able to store settings at all.
        const QString root = TSettingsKey::ConfigRoot();
        const QFileInfo info(root);
        if (root.isEmpty() || (info.exists() && !info.isWritable())) {
            ShowAppMessage(QStringLiteral("$(SysMsgNotPowerUsers)"));
            return false;
        }
    }
    if (FExecuteCondition.Contains(ecNeedPrinter)) {
        if (FProbes.HasCurrentPrinter && !FProbes.HasCurrentPrinter()) {
            ShowAppMessage(QStringLiteral("$(SysMsgNotDefaultPrinter)"));
            return false;
        }
    }
    if (FExecuteCondition.Contains(ecExclusive)) {
        if (!TExecuteBlocker::Acquire(ExpandMacros(QStringLiteral("$(SysMutexID)")), FProbes.LockFolder)) {
            ShowAppMessage(QStringLiteral("$(SysMsgAlreadyRun)"));
            return false;
        }
    }
    return true;
}

bool TAppFrame::IsDataRoot(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    const QString keyFile = FMacro.Expand(QStringLiteral("$(SysKeyFile:inessential)"));
    return !keyFile.isEmpty() && !LookIn(folder, keyFile).isEmpty();
}

QString TAppFrame::TryRoot(const QString& root, const QString& relativePath, QString* foundRoot)
{
    if (root.isEmpty())
        return QString();
    const QString clean = QDir::cleanPath(root);
    if (IsDataRoot(clean)) {
        const QString hit = LookIn(clean, relativePath);
        if (!hit.isEmpty()) {
            if (foundRoot)
                *foundRoot = clean;
            return hit;
        }
    }
    const QFileInfo info(clean);
    if (!info.fileName().startsWith(QLatin1String("disk"), Qt::CaseInsensitive))
        return QString();
    const QString parent = info.absolutePath();
    for (int n = 1; n <= 9; ++n) {
        const QString sibling = FindEntry(parent, QStringLiteral("disk%1").arg(n));
        if (sibling.isEmpty() || !IsDataRoot(sibling))
            continue;
        const QString hit = LookIn(sibling, relativePath);
        if (!hit.isEmpty()) {
            if (foundRoot)
                *foundRoot = sibling;
            return hit;
        }
    }
    return QString();
}

QString TAppFrame::SearchOnce(const QString& relativePath)
{
    QString hit = LookIn(FDataRoots.ExeFolder, relativePath);
    if (!hit.isEmpty())
        return hit;
    hit = TryRoot(ReadSettingString(QStringLiteral("CDPath"), QString()), relativePath, nullptr);
    if (!hit.isEmpty())
        return hit;
    hit = TryRoot(FRememberedRoot, relativePath, nullptr);
    if (!hit.isEmpty())
        return hit;
    // The installed data folder is ours by construction and needs no key file.
    for (const QString& folder : std::as_const(FDataRoots.InstalledFolders)) {
        hit = LookIn(folder, relativePath);
        if (!hit.isEmpty()) {
            FRememberedRoot = QDir::cleanPath(folder);
            return hit;
        }
    }
    // Removable media, first at their top, then in a folder named after the application.
    const QStringList mounts = FDataRoots.RemovableRoots ? FDataRoots.RemovableRoots() : QStringList();
    QString found;
    for (const QString& mount : mounts) {
        hit = TryRoot(mount, relativePath, &found);
        if (!hit.isEmpty())
            break;
    }
    if (hit.isEmpty()) {
        const QString folderName = FMacro.Expand(QStringLiteral("$(SysApplicationFolder:inessential)"));
        if (!folderName.isEmpty() && !folderName.contains(QLatin1Char('/'))) {
            for (const QString& mount : mounts) {
                const QString sub = FindEntry(mount, folderName);
                hit = sub.isEmpty() ? QString() : TryRoot(sub, relativePath, &found);
                if (!hit.isEmpty())
                    break;
            }
        }
    }
    FRememberedRoot = hit.isEmpty() ? QString() : found;
    return hit;
}

QString TAppFrame::FindDataFile(const QString& relativePath, const QString& displayName)
{
    for (;;) {
        const QString hit = SearchOnce(relativePath);
        if (!hit.isEmpty() || displayName.isEmpty())
            return hit;
        const QString shown =
            displayName == QLatin1String("@") ? QStringLiteral("必要なファイル") : displayName;
        bool retry;
        if (OnCDNotFound) {
            retry = OnCDNotFound(shown);
        } else {
            const QString text = FormatText(FMacro.Expand(QStringLiteral("$(SysMsgCDNotFound)")), {shown});
            retry = AppMessageBox(text, {bkYes, bkCancel}, 0, 1, false) != mrCancel;
        }
        if (!retry)
            return QString();
    }
}

void TAppFrame::HandleException(const std::exception& error)
{
    if (OnException) {
        OnException(error);
        return;
    }
    if (dynamic_cast<const std::bad_alloc*>(&error)) {
        // What failed is gone with its allocation; the open documents are as they were.
        ShowAppMessage(OutOfMemoryMessage(), false);
        return;
    }
    const auto* own = dynamic_cast<const Exception*>(&error);
    const bool twain = own && qstrcmp(own->ClassName(), "ETwain") == 0;
    const QString message = ExceptionMessage(error);
    QString text;
    try {
        text = FormatText(FMacro.Expand(twain ? QStringLiteral("$(SysMsgTwainErr)")
                                              : QStringLiteral("$(SysMsgUnexpected)")),
                          {message});
    } catch (const EMacroString&) {
        text = message;
    }
    ShowAppMessage(text, false);
}

// ---------------------------------------------------------------------------------
// Process-wide functions

QString ExpandMacros(const QString& text)
{
    TAppFrame* frame = TAppFrame::Instance();
    return frame ? frame->Macro().Expand(text) : text;
}

QString FormatText(const QString& pattern, const QStringList& args)
{
    QString result;
    result.reserve(pattern.size());
    int next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('%') && i + 1 < pattern.size()) {
            const QChar conversion = pattern[i + 1];
            if (conversion == QLatin1Char('%')) {
                result += QLatin1Char('%');
                ++i;
                continue;
            }
            if (conversion == QLatin1Char('s') || conversion == QLatin1Char('d')) {
                if (next < args.size())
                    result += args[next];
                ++next;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

void SetStandardMessageBox(TOnMessageBox box)
{
    StandardMessageBox() = std::move(box);
}

int AppMessageBox(const QString& message, const TButtonKinds& buttons, int defaultIndex, int cancelIndex,
                  bool expand)
{
    TAppFrame* frame = TAppFrame::Instance();
    const QString text = frame && expand ? frame->Macro().Expand(message) : message;
    if (frame && frame->OnMessageBox)
        return frame->OnMessageBox(text, buttons, defaultIndex, cancelIndex);
    if (StandardMessageBox())
        return StandardMessageBox()(text, buttons, defaultIndex, cancelIndex);
    // A program without windows can only report the text and take the default answer.
    QTextStream(stderr) << text << Qt::endl;
    if (defaultIndex >= 0 && defaultIndex < buttons.size())
        return ModalResultOfKind(buttons[defaultIndex]);
    return mrCancel;
}

int ShowAppMessage(const QString& message, bool expand)
{
    return AppMessageBox(message, {bkOK}, 0, 0, expand);
}

void CheckRequiredFile(const QString& fileName, bool mustBeWritable)
{
    const QFileInfo info(fileName);
    if (!info.isFile())
        throw EFileError(
            QStringLiteral("アプリケーションに必要なファイル「%1」が開けませんでした").arg(info.fileName()));
    // The owner's write permission stands for the read-only attribute (which holds
    // even for users allowed to write anything).
    const bool readOnly = !info.isWritable() || !info.permissions().testFlag(QFileDevice::WriteOwner);
    if (mustBeWritable && readOnly)
        throw EFileError(
            QStringLiteral("実行に必要なファイル「%1」が読み取り専用になっています").arg(info.fileName()));
}

// ---------------------------------------------------------------------------------
// Component macros

namespace {

QString ExpandKeeping(const QString& value)
{
    if (!value.contains(QLatin1String("$(")))
        return value;
    try {
        return ExpandMacros(value);
    } catch (const EMacroString&) {
        return value;
    }
}

void ExpandObject(QObject* object, QSet<QObject*>& visited)
{
    if (!object || visited.contains(object))
        return;
    visited.insert(object);
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isReadable() || !property.isStored())
            continue;
        const int type = property.metaType().id();
        if (type == QMetaType::QString && property.isWritable()) {
            const QString value = property.read(object).toString();
            const QString expanded = ExpandKeeping(value);
            if (expanded != value)
                property.write(object, expanded);
        } else if (type == QMetaType::QStringList && property.isWritable()) {
            const QStringList value = property.read(object).toStringList();
            const QString text = value.join(QLatin1Char('\n'));
            const QString expanded = ExpandKeeping(text);
            if (expanded != text)
                property.write(object, expanded.split(QLatin1Char('\n')));
        } else if (property.metaType().flags().testFlag(QMetaType::PointerToQObject)) {
            QObject* referenced = property.read(object).value<QObject*>();
            if (referenced && referenced->parent() != object)
                ExpandObject(referenced, visited);
        }
    }
    for (const auto& [id, walker] : ComponentMacroWalkers())
        walker(object, ExpandKeeping);
    const QObjectList children = object->children();
    for (QObject* child : children)
        ExpandObject(child, visited);
}

} // namespace

void ExpandComponentMacros(QObject* component)
{
    if (!TAppFrame::Instance() || !component)
        return;
    QSet<QObject*> visited;
    ExpandObject(component, visited);
}

int RegisterComponentMacroWalker(TComponentMacroWalker walker)
{
    static int lastId = 0;
    ComponentMacroWalkers().emplace_back(++lastId, std::move(walker));
    return lastId;
}

void UnregisterComponentMacroWalker(int id)
{
    std::erase_if(ComponentMacroWalkers(), [id](const auto& entry) { return entry.first == id; });
}

// ---------------------------------------------------------------------------------
// TExecuteBlocker

namespace {

std::vector<std::unique_ptr<QLockFile>>& HeldLocks()
{
    static std::vector<std::unique_ptr<QLockFile>> locks;
    return locks;
}

} // namespace

QString TExecuteBlocker::LockFileName(const QString& mutexId, const QString& folder)
{
    QString base =
        folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : folder;
    if (base.isEmpty())
        base = QDir::tempPath();
    QString name = mutexId;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return base + QLatin1Char('/') + name + QLatin1String(".lock");
}

bool TExecuteBlocker::Acquire(const QString& mutexId, const QString& folder)
{
    const QString fileName = LockFileName(mutexId, folder);
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    auto lock = std::make_unique<QLockFile>(fileName);
    // A lock only goes stale when its process is gone, never by age: a long run must
    // keep its lock.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    HeldLocks().push_back(std::move(lock));
    return true;
}

int TExecuteBlocker::HeldCount()
{
    return int(HeldLocks().size());
}

void TExecuteBlocker::ReleaseAll()
{
    HeldLocks().clear();
}

// ---------------------------------------------------------------------------------
// TFileVer

void TFileVer::Read() const
{
    if (FRead)
        return;
    FRead = true;
    if (!QCoreApplication::instance() || FFileName.isEmpty())
        return;
    const QFileInfo file(FFileName);
    const QFileInfo self(QCoreApplication::applicationFilePath());
    const bool ours = file.exists() && (file.canonicalFilePath() == self.canonicalFilePath() ||
                                        file.completeBaseName() == QLatin1String("velmo") ||
                                        file.completeBaseName() == QLatin1String("velmo-tool"));
    if (!ours)
        return;
    FHasVersion = true;
    FNumbers[0] = kVersionMajor;
    FNumbers[1] = kVersionMinor;
    FNumbers[2] = kVersionPatch;
    FNumbers[3] = kVersionTweak;
}

bool TFileVer::HasVersion() const
{
    Read();
    return FHasVersion;
}

int TFileVer::Major() const
{
    Read();
    return FNumbers[0];
}

int TFileVer::Minor() const
{
    Read();
    return FNumbers[1];
}

int TFileVer::Release() const
{
    Read();
    return FNumbers[2];
}

int TFileVer::Build() const
{
    Read();
    return FNumbers[3];
}

QString TFileVer::ShortVer() const
{
    if (!HasVersion())
        return QStringLiteral("1.0");
    return QStringLiteral("%1.%2").arg(Major()).arg(Minor());
}

QString TFileVer::LongVer() const
{
    if (!HasVersion())
        return QStringLiteral("1.0.0.0");
    return QStringLiteral("%1.%2.%3.%4").arg(Major()).arg(Minor()).arg(Release()).arg(Build());
}

} // namespace velmo
