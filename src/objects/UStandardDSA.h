#pragma once
// Commands on the objects of a draw site: each collects its objects, opens one undo
// group with its caption and records one action per object. The command actions
// are toolkit actions (menus, tool buttons, short-cut keys); TDSOperation is the
// same mechanism for code.
#include "draw/UDOAction.h"
#include "draw/UDrawObject.h"
#include <QAction>
#include <QImage>
#include <QPainterPath>
#include <QString>
#include <functional>

class QMimeData;

namespace velmo {

class TDrawSite;
class TLabelObject;

enum class TActionType
{
    atNone,
    atDelete,
    atAdd,
    atChange,
    atLayer,
};

// Whether an object belongs to a registered class name (descendants count). The
// label-object kinds register their names with their classes.
void RegisterTargetClass(const QString& name, std::function<bool(const TDrawObject*)> test);
template <class T> void RegisterTargetClass()
{
    RegisterTargetClass(QString::fromLatin1(T::StaticClassName()),
                        [](const TDrawObject* o) { return dynamic_cast<const T*>(o) != nullptr; });
}
bool ObjectIsOfClass(const TDrawObject* object, const QString& className);

class TDSOperation
{
public:
    TDSOperation() = default;
    virtual ~TDSOperation() = default;

    bool MultiSelect = true;
    bool SelectedOnly = true;
    bool FromFront = false;
    QString TargetClassName;
    bool TargetClassOnly = false;
    TActionType ActionType = TActionType::atNone;
    QString ActionString;

    std::function<void(TDSOperation* sender, TDOList& list)> OnMakeList;
    std::function<void(TDSOperation* sender)> OnExecuteFirst;
    std::function<void(TDSOperation* sender, TDrawObject* target)> OnEachObject;

    TDOList& List() { return FList; }
    virtual void MakeList(TDrawSite* site);
    virtual bool CanExecute(TDrawSite* site);
    virtual void ExecuteFirst(TDrawSite* site);
    virtual void EachObject(TDrawSite* site, TDrawObject* object);
    // Runs the command when it can; true when it ran.
    bool Execute(TDrawSite* site);

protected:
    // The command's own filter over the collected objects (kept when true).
    virtual bool Keep(TDrawObject*) { return true; }

    TDOList FList;
};

// The toolkit face: a QAction whose target is the site TargetSite() names.
class TDrawSiteActionBase : public QAction, public TDSOperation
{
public:
    explicit TDrawSiteActionBase(const QString& caption, QObject* parent = nullptr);
    std::function<TDrawSite*()> TargetSite;
    // An edit box that has the keyboard is the target of the text commands (undo,
    // redo, cut, copy, paste, clear) instead of the site; the view that knows its
    // boxes sets these. Each answers true when a box took the update or the command.
    std::function<bool(TDrawSiteActionBase& action)> UpdateForTextBox;
    std::function<bool(TDrawSiteActionBase& action)> ExecuteOnTextBox;
    // Enables the action for the current target.
    virtual void UpdateAction();
    virtual void ExecuteAction();

protected:
    bool UpdatedByTextBox() { return UpdateForTextBox && UpdateForTextBox(*this); }
};

// ---- the clipboard

// "$(AppName)" in the format name stands for the application's name.
QString ObjectClipboardFormatName(const QString& format = QStringLiteral("$(AppName)"));
QString ObjectMimeType(const QString& format = QStringLiteral("$(AppName)"));
// The object list as written on the clipboard; throws the stream error for data
// that does not read as one.
QByteArray ObjectClipboardBytes(const TDOList& list);
void ReadObjectClipboardBytes(const QByteArray& bytes, TDOList& list);
// The objects drawn on a transparent picture, one pixel per logical unit at most
// (larger selections are drawn smaller so that the picture stays under 4000 pixels).
QImage RenderObjects(const TDOList& list);
// Copies the objects (our format and a picture beside it).
void CopyObjectsToClipboard(const TDOList& list, const QString& format = QStringLiteral("$(AppName)"));
// A picture pasted from another program: decoded with the picture readers' cap
// (EInvalidGraphic for what is too large or does not decode); null when none.
QImage PastedPicture(const QMimeData* data);
QString PastedText(const QMimeData* data);
// What the "TLOTextPaste" and "TLOImagePaste" preparations read (set around a paste).
const QMimeData* CurrentPasteData();

// ---- the standard commands

class TStandardEditDSA : public TDrawSiteActionBase
{
public:
    using TDrawSiteActionBase::TDrawSiteActionBase;
    QString ClipboardFormat = QStringLiteral("$(AppName)");
};

class TDSABringToFront : public TDrawSiteActionBase
{
public:
    explicit TDSABringToFront(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSASendToBack : public TDrawSiteActionBase
{
public:
    explicit TDSASendToBack(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSACopy : public TStandardEditDSA
{
public:
    explicit TDSACopy(QObject* parent = nullptr);
    void ExecuteFirst(TDrawSite* site) override;
};

class TDSAClear : public TStandardEditDSA
{
public:
    explicit TDSAClear(QObject* parent = nullptr);
    TDSAClear(const QString& caption, QObject* parent);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSACut : public TDSAClear
{
public:
    explicit TDSACut(QObject* parent = nullptr);
    void ExecuteFirst(TDrawSite* site) override;
};

class TDSAPaste : public TStandardEditDSA
{
public:
    explicit TDSAPaste(QObject* parent = nullptr);
    void MakeList(TDrawSite* site) override;
    bool CanExecute(TDrawSite* site) override;
    void ExecuteFirst(TDrawSite* site) override;
    void EachObject(TDrawSite* site, TDrawObject* object) override;
    // The clipboard contents pasted (tests give their own; null: the system's).
    std::function<const QMimeData*()> Source;

private:
    const QMimeData* Data() const;
};

class TDSASelectAll : public TDrawSiteActionBase
{
public:
    explicit TDSASelectAll(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSALock : public TDrawSiteActionBase
{
public:
    explicit TDSALock(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool Keep(TDrawObject* object) override { return object->Movable(); }
};

class TDSAUnlock : public TDrawSiteActionBase
{
public:
    explicit TDSAUnlock(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool Keep(TDrawObject* object) override { return !object->Movable(); }
};

class TDSADontPrint : public TDrawSiteActionBase
{
public:
    explicit TDSADontPrint(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool Keep(TDrawObject* object) override;
};

class TDSADoPrint : public TDrawSiteActionBase
{
public:
    explicit TDSADoPrint(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool Keep(TDrawObject* object) override;
};

class TDSAVertText : public TDrawSiteActionBase
{
public:
    explicit TDSAVertText(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool Keep(TDrawObject* object) override;
};

class TDSAHorzText : public TDrawSiteActionBase
{
public:
    explicit TDSAHorzText(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool Keep(TDrawObject* object) override;
};

class TDSAEditProperty : public TDrawSiteActionBase
{
public:
    explicit TDSAEditProperty(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSAOffsetAngle : public TDrawSiteActionBase
{
public:
    TDSAOffsetAngle(int offsetAngle, QObject* parent = nullptr);
    int OffsetAngle;
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool Keep(TDrawObject* object) override;
};

class TDSAUndo : public TDrawSiteActionBase
{
public:
    explicit TDSAUndo(QObject* parent = nullptr);
    bool CanExecute(TDrawSite* site) override;
    void ExecuteFirst(TDrawSite* site) override;
    void UpdateAction() override;
};

class TDSARedo : public TDrawSiteActionBase
{
public:
    explicit TDSARedo(QObject* parent = nullptr);
    bool CanExecute(TDrawSite* site) override;
    void ExecuteFirst(TDrawSite* site) override;
    void UpdateAction() override;
};

// Menu captions of undo and redo for the history's state.
QString UndoMenuCaption();
QString RedoMenuCaption();

class TDSAGroup : public TDrawSiteActionBase
{
public:
    explicit TDSAGroup(QObject* parent = nullptr);
    bool CanExecute(TDrawSite* site) override;
    void ExecuteFirst(TDrawSite* site) override;
};

class TDSAUngroup : public TDrawSiteActionBase
{
public:
    explicit TDSAUngroup(QObject* parent = nullptr);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
    void ExecuteFirst(TDrawSite* site) override;
};

// ---- alignment of several objects and adjustment against the face

enum class TAlignKind
{
    akLeft,
    akRight,
    akTop,
    akBottom,
    akSpaceHorizontally,
    akSpaceVertically,
};
// Moves the label objects of the list in one undo group "位置合わせ".
void AlignObjects(const TDOList& list, TAlignKind kind);
// Whether alignment applies: at least two label objects.
bool CanAlign(const TDOList& list);

enum class TFaceAdjust
{
    faLeft,
    faRight,
    faTop,
    faBottom,
    faCenterVertically,
    faCenterHorizontally,
    faPerpendicular,
    faHorizontal,
};
// Moves each object against the printable outline (a region in logical units with
// the face's outer rectangle at (0, 0)), in one undo group "設定変更".
void AdjustToFace(const TDOList& list, TFaceAdjust kind, const QPainterPath& outline, int logWidth,
                  int logHeight);
// The left edge an object pushed left against the outline would get over the rows
// top..bottom-1, and the same for the other directions; false when no row meets it.
bool PushToEdge(const QPainterPath& outline, const TLogRect& enclose, TFaceAdjust direction, int& edge);

} // namespace velmo
