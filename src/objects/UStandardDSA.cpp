#include "objects/UStandardDSA.h"
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UGhost.h"
#include "imaging/UDIB.h"
#include "imaging/UPictureFormats.h"
#include "objects/UDOGroup.h"
#include "objects/ULabelObject.h"
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

QHash<QString, std::function<bool(const TDrawObject*)>>& TargetClasses()
{
    static QHash<QString, std::function<bool(const TDrawObject*)>> classes = [] {
        QHash<QString, std::function<bool(const TDrawObject*)>> h;
        h.insert(QStringLiteral("TDrawObject"), [](const TDrawObject* o) { return o != nullptr; });
        h.insert(QStringLiteral("TLabelObject"),
                 [](const TDrawObject* o) { return dynamic_cast<const TLabelObject*>(o) != nullptr; });
        h.insert(QStringLiteral("TDOGroup"),
                 [](const TDrawObject* o) { return dynamic_cast<const TDOGroup*>(o) != nullptr; });
        return h;
    }();
    return classes;
}

const QMimeData*& PasteData()
{
    static const QMimeData* data = nullptr;
    return data;
}

} // namespace

void RegisterTargetClass(const QString& name, std::function<bool(const TDrawObject*)> test)
{
    TargetClasses().insert(name, std::move(test));
}

bool ObjectIsOfClass(const TDrawObject* object, const QString& className)
{
    if (!object)
        return false;
    const auto it = TargetClasses().constFind(className);
    if (it != TargetClasses().constEnd())
        return (*it)(object);
    return QString::fromLatin1(object->ClassName()) == className;
}

// ---------------------------------------------------------------------------------

void TDSOperation::MakeList(TDrawSite* site)
{
    FList.Clear();
    if (!site)
        return;
    site->Collect(FList, SelectedOnly);
    if (!TargetClassName.isEmpty()) {
        TDOList kept;
        for (TDrawObject* object : FList.Objects()) {
            if (ObjectIsOfClass(object, TargetClassName)) {
                kept.Add(object);
            } else if (TargetClassOnly) {
                kept.Clear();
                break;
            }
        }
        FList = kept;
    }
    TDOList own;
    for (TDrawObject* object : FList.Objects())
        if (Keep(object))
            own.Add(object);
    FList = own;
    if (OnMakeList)
        OnMakeList(this, FList);
}

bool TDSOperation::CanExecute(TDrawSite* site)
{
    MakeList(site);
    if (SelectedOnly && !MultiSelect)
        return FList.Count() == 1;
    return FList.Count() > 0;
}

void TDSOperation::ExecuteFirst(TDrawSite*)
{
    if (OnExecuteFirst)
        OnExecuteFirst(this);
}

void TDSOperation::EachObject(TDrawSite*, TDrawObject* object)
{
    if (OnEachObject)
        OnEachObject(this, object);
}

bool TDSOperation::Execute(TDrawSite* site)
{
    if (!site || !CanExecute(site))
        return false;
    std::unique_ptr<TActionGroupScope> group;
    if (!ActionString.isEmpty())
        group = std::make_unique<TActionGroupScope>(ActionString);
    ExecuteFirst(site);
    // The list as collected: a step may change the site's order.
    const std::vector<TDrawObject*> objects = FList.Objects();
    const int n = int(objects.size());
    for (int k = 0; k < n; ++k) {
        TDrawObject* object = objects[size_t(FromFront ? k : n - 1 - k)];
        switch (ActionType) {
        case TActionType::atDelete: {
            // The action owns the object from here on; it is recorded after the step
            // so that a history that records nothing never frees it under the step.
            auto action = std::make_unique<TDODelAction>(object, ActionString);
            EachObject(site, object);
            TActionList::Instance().AddAction(std::move(action));
            break;
        }
        case TActionType::atAdd:
            EachObject(site, object);
            TActionList::Instance().AddAction(std::make_unique<TDOAddAction>(object, ActionString));
            break;
        case TActionType::atChange: {
            auto action = std::make_unique<TDOChangeAction>(object, ActionString);
            EachObject(site, object);
            TDOChangeAction::Commit(std::move(action));
            break;
        }
        case TActionType::atLayer: {
            auto action = std::make_unique<TDOLayerAction>(site, ActionString);
            EachObject(site, object);
            TDOLayerAction::Commit(std::move(action));
            break;
        }
        case TActionType::atNone:
            EachObject(site, object);
            break;
        }
    }
    site->RefreshPivots();
    site->update();
    return true;
}

TDrawSiteActionBase::TDrawSiteActionBase(const QString& caption, QObject* parent) : QAction(caption, parent)
{
    connect(this, &QAction::triggered, this, [this] { ExecuteAction(); });
}

void TDrawSiteActionBase::UpdateAction()
{
    if (UpdatedByTextBox())
        return;
    TDrawSite* site = TargetSite ? TargetSite() : nullptr;
    setEnabled(site && CanExecute(site));
}

void TDrawSiteActionBase::ExecuteAction()
{
    if (ExecuteOnTextBox && ExecuteOnTextBox(*this))
        return;
    TDrawSite* site = TargetSite ? TargetSite() : nullptr;
    if (site)
        Execute(site);
}

// ---------------------------------------------------------------------------------
// The clipboard

QString ObjectClipboardFormatName(const QString& format)
{
    QString name = format;
    return name.replace(QStringLiteral("$(AppName)"), QStringLiteral("ベルモ"));
}

QString ObjectMimeType(const QString& format)
{
    return QStringLiteral("application/x-") +
           QString::fromLatin1(QUrl::toPercentEncoding(ObjectClipboardFormatName(format), ".-_"));
}

QByteArray ObjectClipboardBytes(const TDOList& list)
{
    TDOList clones;
    std::vector<std::unique_ptr<TDrawObject>> owned;
    for (TDrawObject* object : list.Objects()) {
        owned.emplace_back(CloneDrawObject(*object, nullptr));
        owned.back()->SetName(object->Name());
        clones.Add(owned.back().get());
    }
    TMemoryStream stream;
    clones.SaveToStream(stream);
    return stream.Data();
}

void ReadObjectClipboardBytes(const QByteArray& bytes, TDOList& list)
{
    TMemoryStream stream(bytes);
    list.LoadFromStream(stream);
}

QImage RenderObjects(const TDOList& list)
{
    TLogRect u{};
    bool first = true;
    for (TDrawObject* object : list.Objects()) {
        const TLogRect e = object->GetEncloseRect();
        u = first ? e : UnionRect(u, e);
        first = false;
    }
    if (first || u.IsEmpty())
        return {};
    constexpr int kMaxSide = 4000;
    const double scale = std::min(1.0, double(kMaxSide) / std::max(u.Width(), u.Height()));
    const int w = std::max(1, int(std::ceil(u.Width() * scale)));
    const int h = std::max(1, int(std::ceil(u.Height() * scale)));
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    SetImageDPI(image, RoundHalfAway(254 * scale));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(scale, scale);
    painter.translate(-u.Left, -u.Top);
    // Bottom of the z-order first.
    for (int i = list.Count() - 1; i >= 0; --i)
        list[i]->DrawTo(painter);
    painter.end();
    return image;
}

void CopyObjectsToClipboard(const TDOList& list, const QString& format)
{
    if (list.Count() == 0)
        return;
    auto* data = new QMimeData;
    data->setData(ObjectMimeType(format), ObjectClipboardBytes(list));
    const QImage picture = RenderObjects(list);
    if (!picture.isNull())
        data->setImageData(picture);
    QGuiApplication::clipboard()->setMimeData(data);
}

QImage PastedPicture(const QMimeData* data)
{
    if (!data)
        return {};
    for (const QString& format : data->formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        const QByteArray bytes = data->data(format);
        if (bytes.isEmpty())
            continue;
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAllocationLimit(int(kMaxBitmapPixels * 4 / (1024 * 1024)));
        const QSize size = reader.size();
        if (size.isValid() && !BitmapSizeAllowed(size.width(), size.height()))
            throw EInvalidGraphic(InvalidBitmapMessage());
        QImage image = reader.read();
        if (image.isNull() || !BitmapSizeAllowed(image.width(), image.height()))
            throw EInvalidGraphic(InvalidBitmapMessage());
        return image;
    }
    return {};
}

QString PastedText(const QMimeData* data)
{
    return data && data->hasText() ? data->text() : QString();
}

const QMimeData* CurrentPasteData()
{
    return PasteData();
}

// ---------------------------------------------------------------------------------
// The standard commands

TDSABringToFront::TDSABringToFront(QObject* parent)
    : TDrawSiteActionBase(QStringLiteral("前面に移動(&W)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    ActionType = TActionType::atLayer;
    ActionString = QStringLiteral("最前面");
}

void TDSABringToFront::EachObject(TDrawSite* site, TDrawObject* object)
{
    object->BringToFrontInLayer();
    TDrawSiteActionBase::EachObject(site, object);
}

TDSASendToBack::TDSASendToBack(QObject* parent)
    : TDrawSiteActionBase(QStringLiteral("背面に移動(&K)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    ActionType = TActionType::atLayer;
    ActionString = QStringLiteral("最背面");
    FromFront = true;
}

void TDSASendToBack::EachObject(TDrawSite* site, TDrawObject* object)
{
    object->SendToBackInLayer();
    TDrawSiteActionBase::EachObject(site, object);
}

TDSACopy::TDSACopy(QObject* parent) : TStandardEditDSA(QStringLiteral("コピー(&C)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
}

void TDSACopy::ExecuteFirst(TDrawSite* site)
{
    CopyObjectsToClipboard(FList, ClipboardFormat);
    TStandardEditDSA::ExecuteFirst(site);
}

TDSAClear::TDSAClear(QObject* parent) : TDSAClear(QStringLiteral("クリア(&D)"), parent)
{
    setShortcut(QKeySequence(Qt::Key_Delete));
    ActionString = QStringLiteral("クリア");
}

TDSAClear::TDSAClear(const QString& caption, QObject* parent) : TStandardEditDSA(caption, parent)
{
    ActionType = TActionType::atDelete;
}

void TDSAClear::EachObject(TDrawSite* site, TDrawObject* object)
{
    object->Changed();
    object->SetSelected(false);
    object->Invalidate();
    object->SetSite(nullptr);
    TStandardEditDSA::EachObject(site, object);
}

TDSACut::TDSACut(QObject* parent) : TDSAClear(QStringLiteral("切り取り(&T)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    ActionString = QStringLiteral("切り取り");
}

void TDSACut::ExecuteFirst(TDrawSite* site)
{
    CopyObjectsToClipboard(FList, ClipboardFormat);
    TDSAClear::ExecuteFirst(site);
}

TDSAPaste::TDSAPaste(QObject* parent) : TStandardEditDSA(QStringLiteral("貼り付け(&P)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    ActionType = TActionType::atAdd;
    ActionString = QStringLiteral("貼り付け");
}

const QMimeData* TDSAPaste::Data() const
{
    if (Source)
        return Source();
    return QGuiApplication::clipboard()->mimeData();
}

bool TDSAPaste::CanExecute(TDrawSite* site)
{
    // Enabled by what the clipboard offers; reading it waits for the execution.
    const QMimeData* data = Data();
    if (!site || !data)
        return false;
    if (data->hasFormat(ObjectMimeType(ClipboardFormat)) || data->hasImage() || data->hasText())
        return true;
    for (const QString& format : data->formats())
        if (format.startsWith(QLatin1String("image/")))
            return true;
    return false;
}

void TDSAPaste::MakeList(TDrawSite* site)
{
    FList.Clear();
    const QMimeData* data = Data();
    if (!site || !data)
        return;
    const QString mime = ObjectMimeType(ClipboardFormat);
    if (data->hasFormat(mime)) {
        ReadObjectClipboardBytes(data->data(mime), FList);
        KeepInside(FList, {0, 0, site->LogWidth(), site->LogHeight()});
        if (OnMakeList)
            OnMakeList(this, FList);
        return;
    }
    // Text or a picture of another program: the first such format makes the object.
    PasteData() = data;
    struct Reset
    {
        ~Reset() { PasteData() = nullptr; }
    } reset;
    for (const QString& format : data->formats()) {
        if (format == QLatin1String("text/plain") || format.startsWith(QLatin1String("text/plain;"))) {
            TDesignerList::Instance().CreateObject(site, QStringLiteral("TLOTextPaste"));
            break;
        }
        if (format.startsWith(QLatin1String("image/")) || format == QLatin1String("application/x-qt-image")) {
            TDesignerList::Instance().CreateObject(site, QStringLiteral("TLOImagePaste"));
            break;
        }
    }
}

void TDSAPaste::ExecuteFirst(TDrawSite* site)
{
    site->SelectAll(false);
    // The clipboard is read only now, inside the command's undo group: an object
    // made from text or a picture of another program is recorded there too.
    MakeList(site);
    TStandardEditDSA::ExecuteFirst(site);
}

void TDSAPaste::EachObject(TDrawSite* site, TDrawObject* object)
{
    if (!object->Name().isEmpty() && site->FindComponent(object->Name()))
        object->SetName(QString());
    site->InsertComponent(object);
    site->AddObject(object);
    object->SetSelected(true);
    TStandardEditDSA::EachObject(site, object);
}

TDSASelectAll::TDSASelectAll(QObject* parent) : TDrawSiteActionBase(QStringLiteral("すべて選択(&A)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    SelectedOnly = false;
}

void TDSASelectAll::EachObject(TDrawSite* site, TDrawObject* object)
{
    if (object->Selectable() && object->Visible())
        object->SetSelected(true);
    TDrawSiteActionBase::EachObject(site, object);
}

TDSALock::TDSALock(QObject* parent) : TDrawSiteActionBase(QStringLiteral("固定する(&O)"), parent)
{
    ActionType = TActionType::atChange;
    ActionString = QStringLiteral("オブジェクト固定");
}

void TDSALock::EachObject(TDrawSite* site, TDrawObject* object)
{
    object->SetMovable(false);
    TDrawSiteActionBase::EachObject(site, object);
}

TDSAUnlock::TDSAUnlock(QObject* parent) : TDrawSiteActionBase(QStringLiteral("固定しない(&U)"), parent)
{
    ActionType = TActionType::atChange;
    ActionString = QStringLiteral("オブジェクト固定解除");
}

void TDSAUnlock::EachObject(TDrawSite* site, TDrawObject* object)
{
    object->SetMovable(true);
    TDrawSiteActionBase::EachObject(site, object);
}

TDSADontPrint::TDSADontPrint(QObject* parent)
    : TDrawSiteActionBase(QStringLiteral("印刷禁止にする(&N)"), parent)
{
    ActionType = TActionType::atChange;
    ActionString = QStringLiteral("設定変更");
    TargetClassName = QStringLiteral("TLabelObject");
}

bool TDSADontPrint::Keep(TDrawObject* object)
{
    auto* label = dynamic_cast<TLabelObject*>(object);
    return label && !label->DontPrint();
}

void TDSADontPrint::EachObject(TDrawSite* site, TDrawObject* object)
{
    static_cast<TLabelObject*>(object)->SetDontPrint(true);
    TDrawSiteActionBase::EachObject(site, object);
}

TDSADoPrint::TDSADoPrint(QObject* parent)
    : TDrawSiteActionBase(QStringLiteral("印刷禁止にしない(&I)"), parent)
{
    ActionType = TActionType::atChange;
    ActionString = QStringLiteral("設定変更");
    TargetClassName = QStringLiteral("TLabelObject");
}

bool TDSADoPrint::Keep(TDrawObject* object)
{
    auto* label = dynamic_cast<TLabelObject*>(object);
    return label && label->DontPrint();
}

void TDSADoPrint::EachObject(TDrawSite* site, TDrawObject* object)
{
    static_cast<TLabelObject*>(object)->SetDontPrint(false);
    TDrawSiteActionBase::EachObject(site, object);
}

TDSAVertText::TDSAVertText(QObject* parent) : TDrawSiteActionBase(QStringLiteral("縦書き(&V)"), parent)
{
    ActionType = TActionType::atChange;
    ActionString = QStringLiteral("設定変更");
}

bool TDSAVertText::Keep(TDrawObject* object)
{
    IDOVertical* v = Supports<IDOVertical>(object);
    return v && !v->GetVertical();
}

void TDSAVertText::EachObject(TDrawSite* site, TDrawObject* object)
{
    Supports<IDOVertical>(object)->SetVertical(true);
    TDrawSiteActionBase::EachObject(site, object);
}

TDSAHorzText::TDSAHorzText(QObject* parent) : TDrawSiteActionBase(QStringLiteral("横書き(&H)"), parent)
{
    ActionType = TActionType::atChange;
    ActionString = QStringLiteral("設定変更");
}

bool TDSAHorzText::Keep(TDrawObject* object)
{
    IDOVertical* v = Supports<IDOVertical>(object);
    return v && v->GetVertical();
}

void TDSAHorzText::EachObject(TDrawSite* site, TDrawObject* object)
{
    Supports<IDOVertical>(object)->SetVertical(false);
    TDrawSiteActionBase::EachObject(site, object);
}

TDSAEditProperty::TDSAEditProperty(QObject* parent)
    : TDrawSiteActionBase(QStringLiteral("プロパティ(&O)"), parent)
{
    ActionType = TActionType::atChange;
    ActionString = QStringLiteral("設定変更");
    TargetClassName = QStringLiteral("TLabelObject");
    MultiSelect = false;
}

void TDSAEditProperty::EachObject(TDrawSite* site, TDrawObject* object)
{
    static_cast<TLabelObject*>(object)->Edit();
    TDrawSiteActionBase::EachObject(site, object);
}

static QString OffsetCaption(int angle)
{
    switch (angle) {
    case 90:
        return QStringLiteral("右に90ﾟ(&I)");
    case 180:
        return QStringLiteral("180ﾟ(&O)");
    case 270:
        return QStringLiteral("左に90ﾟ(&E)");
    default:
        return QStringLiteral("%1ﾟ").arg(angle);
    }
}

TDSAOffsetAngle::TDSAOffsetAngle(int offsetAngle, QObject* parent)
    : TDrawSiteActionBase(OffsetCaption(offsetAngle), parent), OffsetAngle(offsetAngle)
{
    ActionType = TActionType::atChange;
    ActionString = QStringLiteral("設定変更");
}

bool TDSAOffsetAngle::Keep(TDrawObject* object)
{
    return Supports<IDORotate>(object) != nullptr;
}

void TDSAOffsetAngle::EachObject(TDrawSite* site, TDrawObject* object)
{
    IDORotate* r = Supports<IDORotate>(object);
    r->SetAngle(r->GetAngle() + OffsetAngle);
    TDrawSiteActionBase::EachObject(site, object);
}

QString UndoMenuCaption()
{
    TActionList& h = TActionList::Instance();
    return h.CanUndo() ? QStringLiteral("%1の取り消し(&U)").arg(h.UndoCaption())
                       : QStringLiteral("取り消し(&U)");
}

QString RedoMenuCaption()
{
    TActionList& h = TActionList::Instance();
    return h.CanRedo() ? QStringLiteral("%1のやり直し(&R)").arg(h.RedoCaption())
                       : QStringLiteral("やり直し(&R)");
}

TDSAUndo::TDSAUndo(QObject* parent) : TDrawSiteActionBase(QStringLiteral("取り消し(&U)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
}

bool TDSAUndo::CanExecute(TDrawSite* site)
{
    FList.Clear();
    return site && TActionList::Instance().CanUndo();
}

void TDSAUndo::ExecuteFirst(TDrawSite* site)
{
    TGhostList::Instance().Cancel();
    site->SelectAll(false);
    TActionList::Instance().Undo();
}

void TDSAUndo::UpdateAction()
{
    if (UpdatedByTextBox())
        return;
    TDrawSiteActionBase::UpdateAction();
    setText(UndoMenuCaption());
}

TDSARedo::TDSARedo(QObject* parent) : TDrawSiteActionBase(QStringLiteral("やり直し(&R)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
}

bool TDSARedo::CanExecute(TDrawSite* site)
{
    FList.Clear();
    return site && TActionList::Instance().CanRedo();
}

void TDSARedo::ExecuteFirst(TDrawSite* site)
{
    TGhostList::Instance().Cancel();
    site->SelectAll(false);
    TActionList::Instance().Redo();
}

void TDSARedo::UpdateAction()
{
    if (UpdatedByTextBox())
        return;
    TDrawSiteActionBase::UpdateAction();
    setText(RedoMenuCaption());
}

// ---- grouping

TDSAGroup::TDSAGroup(QObject* parent) : TDrawSiteActionBase(QStringLiteral("グループ化(&G)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    ActionString = QStringLiteral("グループ化");
}

bool TDSAGroup::CanExecute(TDrawSite* site)
{
    MakeList(site);
    return FList.Count() >= 2;
}

void TDSAGroup::ExecuteFirst(TDrawSite* site)
{
    site->DeletePivots();
    auto* group = new TDOGroup(site);
    // Bottom of the z-order first, so that the members paint in their former order.
    for (int i = FList.Count() - 1; i >= 0; --i)
        group->AddMember(CloneDrawObject(*FList[i], nullptr));
    group->SetCursor(crHandPoint);
    site->AddObject(group);
    TActionList::Instance().AddAction(std::make_unique<TDOAddAction>(group, ActionString));
    TDSAClear clear(nullptr);
    clear.Execute(site);
    group->SetSelected(true);
    TDrawSiteActionBase::ExecuteFirst(site);
    // The steps are done: nothing more per object.
    FList.Clear();
}

TDSAUngroup::TDSAUngroup(QObject* parent) : TDrawSiteActionBase(QStringLiteral("グループ化解除(&N)"), parent)
{
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    ActionString = QStringLiteral("グループ化解除");
    TargetClassName = QStringLiteral("TDOGroup");
}

void TDSAUngroup::ExecuteFirst(TDrawSite* site)
{
    site->DeletePivots();
    site->SelectAll(false);
    TDrawSiteActionBase::ExecuteFirst(site);
}

void TDSAUngroup::EachObject(TDrawSite* site, TDrawObject* object)
{
    auto* group = static_cast<TDOGroup*>(object);
    group->Ungroup();
    auto action = std::make_unique<TDODelAction>(group, ActionString);
    group->SetSelected(false);
    group->Invalidate();
    group->SetSite(nullptr);
    TActionList::Instance().AddAction(std::move(action));
    TDrawSiteActionBase::EachObject(site, object);
}

// ---------------------------------------------------------------------------------
// Alignment

bool CanAlign(const TDOList& list)
{
    int n = 0;
    for (TDrawObject* object : list.Objects())
        if (dynamic_cast<TLabelObject*>(object))
            ++n;
    return n >= 2;
}

void AlignObjects(const TDOList& list, TAlignKind kind)
{
    std::vector<TDrawObject*> objects;
    for (TDrawObject* object : list.Objects())
        if (dynamic_cast<TLabelObject*>(object) && Supports<IDOEncloseBounds>(object))
            objects.push_back(object);
    if (objects.size() < 2)
        return;
    std::vector<TLogRect> rects;
    TLogRect u = Supports<IDOEncloseBounds>(objects[0])->GetEncloseBounds();
    for (TDrawObject* object : objects) {
        rects.push_back(Supports<IDOEncloseBounds>(object)->GetEncloseBounds());
        u = UnionRect(u, rects.back());
    }
    TActionGroupScope group(QStringLiteral("位置合わせ"));
    auto move = [](TDrawObject* object, int dx, int dy) {
        auto action = std::make_unique<TDOChangeAction>(object, QStringLiteral("位置合わせ"), true);
        if (dx != 0 || dy != 0)
            Supports<IDOEncloseBounds>(object)->MoveBy(dx, dy);
        TDOChangeAction::Commit(std::move(action));
    };
    const int n = int(objects.size());
    switch (kind) {
    case TAlignKind::akLeft:
        for (int i = 0; i < n; ++i)
            move(objects[size_t(i)], u.Left - rects[size_t(i)].Left, 0);
        return;
    case TAlignKind::akRight:
        for (int i = 0; i < n; ++i)
            move(objects[size_t(i)], u.Right - rects[size_t(i)].Right, 0);
        return;
    case TAlignKind::akTop:
        for (int i = 0; i < n; ++i)
            move(objects[size_t(i)], 0, u.Top - rects[size_t(i)].Top);
        return;
    case TAlignKind::akBottom:
        for (int i = 0; i < n; ++i)
            move(objects[size_t(i)], 0, u.Bottom - rects[size_t(i)].Bottom);
        return;
    case TAlignKind::akSpaceHorizontally:
    case TAlignKind::akSpaceVertically: {
        const bool horizontal = kind == TAlignKind::akSpaceHorizontally;
        std::vector<int> order(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            order[size_t(i)] = i;
        // Centres compared as unsigned 32-bit numbers; equal centres keep list order.
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const QPoint ca = RectCenter(rects[size_t(a)]), cb = RectCenter(rects[size_t(b)]);
            return horizontal ? uint32_t(ca.x()) < uint32_t(cb.x()) : uint32_t(ca.y()) < uint32_t(cb.y());
        });
        int64_t total = 0;
        for (const TLogRect& r : rects)
            total += horizontal ? r.Width() : r.Height();
        const int64_t span = horizontal ? u.Width() : u.Height();
        int64_t before = 0;
        for (int i = 0; i < n; ++i) {
            const int k = order[size_t(i)];
            const TLogRect& r = rects[size_t(k)];
            const int gap = MulDiv(i, int(span - total), n - 1);
            if (horizontal)
                move(objects[size_t(k)], int(u.Left + before + gap - r.Left), 0);
            else
                move(objects[size_t(k)], 0, int(u.Top + before + gap - r.Top));
            before += horizontal ? r.Width() : r.Height();
        }
        return;
    }
    }
}

bool PushToEdge(const QPainterPath& outline, const TLogRect& e, TFaceAdjust direction, int& edge)
{
    const QRegion region(outline.toFillPolygon().toPolygon(), Qt::WindingFill);
    if (region.isEmpty())
        return false;
    const QRect rb = region.boundingRect();
    bool found = false;
    int best = 0;
    if (direction == TFaceAdjust::faLeft || direction == TFaceAdjust::faRight) {
        for (int y = e.Top; y < e.Bottom; ++y) {
            const QRect b = region.intersected(QRect(rb.left(), y, rb.width(), 1)).boundingRect();
            if (b.isEmpty())
                continue;
            const int v = direction == TFaceAdjust::faLeft ? b.left() : b.right() + 1;
            if (!found)
                best = v;
            else
                best = direction == TFaceAdjust::faLeft ? std::max(best, v) : std::min(best, v);
            found = true;
        }
    } else {
        for (int x = e.Left; x < e.Right; ++x) {
            const QRect b = region.intersected(QRect(x, rb.top(), 1, rb.height())).boundingRect();
            if (b.isEmpty())
                continue;
            const int v = direction == TFaceAdjust::faTop ? b.top() : b.bottom() + 1;
            if (!found)
                best = v;
            else
                best = direction == TFaceAdjust::faTop ? std::max(best, v) : std::min(best, v);
            found = true;
        }
    }
    edge = best;
    return found;
}

void AdjustToFace(const TDOList& list, TFaceAdjust kind, const QPainterPath& outline, int logWidth,
                  int logHeight)
{
    TActionGroupScope group(QStringLiteral("設定変更"));
    for (TDrawObject* object : list.Objects()) {
        IDOEncloseBounds* bounds = Supports<IDOEncloseBounds>(object);
        if (!bounds)
            continue;
        auto action = std::make_unique<TDOChangeAction>(object, QStringLiteral("設定変更"));
        const TLogRect e = bounds->GetEncloseBounds();
        int edge = 0;
        switch (kind) {
        case TFaceAdjust::faLeft:
            if (PushToEdge(outline, e, kind, edge))
                bounds->MoveBy(edge - e.Left, 0);
            break;
        case TFaceAdjust::faRight:
            if (PushToEdge(outline, e, kind, edge))
                bounds->MoveBy(edge - e.Right, 0);
            break;
        case TFaceAdjust::faTop:
            if (PushToEdge(outline, e, kind, edge))
                bounds->MoveBy(0, edge - e.Top);
            break;
        case TFaceAdjust::faBottom:
            if (PushToEdge(outline, e, kind, edge))
                bounds->MoveBy(0, edge - e.Bottom);
            break;
        case TFaceAdjust::faCenterVertically:
            bounds->MoveBy(0, Div(logHeight - e.Height(), 2) - e.Top);
            break;
        case TFaceAdjust::faCenterHorizontally:
            bounds->MoveBy(Div(logWidth - e.Width(), 2) - e.Left, 0);
            break;
        case TFaceAdjust::faPerpendicular:
        case TFaceAdjust::faHorizontal:
            if (IDORotate* rotate = Supports<IDORotate>(object)) {
                const QPoint c = RectCenter(e);
                const double dx = c.x() - logWidth / 2.0, dy = c.y() - logHeight / 2.0;
                int angle = RoundHalfAway(std::atan2(dy, dx) * 180.0 / M_PI);
                if (kind == TFaceAdjust::faPerpendicular)
                    angle += 90;
                rotate->SetAngle(angle);
            }
            break;
        }
        TDOChangeAction::Commit(std::move(action));
    }
}

} // namespace velmo
