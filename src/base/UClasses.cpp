#include "base/UClasses.h"
#include <QHash>
#include <algorithm>
#include <mutex>

namespace velmo {

// ---------------------------------------------------------------------------------
// TIdentTable

bool TIdentTable::ToIdent(int32_t value, QString* ident) const
{
    for (const TIdentMapEntry& e : FEntries) {
        if (e.Value == value) {
            if (ident)
                *ident = QString::fromLatin1(e.Name);
            return true;
        }
    }
    return false;
}

bool TIdentTable::ToInt(QStringView ident, int32_t* value) const
{
    for (const TIdentMapEntry& e : FEntries) {
        if (ident.compare(QLatin1String(e.Name), Qt::CaseInsensitive) == 0) {
            if (value)
                *value = e.Value;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------
// TPropertyInfo / TPropertyTable

bool TPropertyInfo::CanRead() const
{
    switch (Kind) {
    case TPropertyKind::pkString:
    case TPropertyKind::pkEvent:
        return bool(GetString);
    case TPropertyKind::pkFloat:
        return bool(GetFloat);
    case TPropertyKind::pkObject:
    case TPropertyKind::pkReference:
        return bool(GetObject);
    default:
        return bool(GetOrdinal);
    }
}

bool TPropertyInfo::CanWrite() const
{
    switch (Kind) {
    case TPropertyKind::pkString:
    case TPropertyKind::pkEvent:
        return bool(SetString);
    case TPropertyKind::pkFloat:
        return bool(SetFloat);
    case TPropertyKind::pkObject:
        // Owned objects are filled through their own properties.
        return true;
    case TPropertyKind::pkReference:
        return bool(SetObject);
    default:
        return bool(SetOrdinal);
    }
}

const TPropertyInfo* TPropertyTable::Find(QStringView name) const
{
    for (const TPropertyInfo& p : FProperties)
        if (name.compare(p.Name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

const TCustomPropertyInfo* TPropertyTable::FindCustom(QStringView name) const
{
    for (const TCustomPropertyInfo& p : FCustom)
        if (name.compare(p.Name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

TPropertyInfo TPropertyTable::NewInfo(TPropertyKind kind, const QString& name)
{
    TPropertyInfo info;
    info.Kind = kind;
    info.Name = name;
    return info;
}

TPropertyTable& TPropertyTable::Add(TPropertyInfo info)
{
    // A second declaration of a name replaces the first in its place, as a
    // descendant re-publishing a property keeps the ancestor's position.
    for (size_t i = 0; i < FProperties.size(); ++i) {
        if (FProperties[i].Name.compare(info.Name, Qt::CaseInsensitive) == 0) {
            FProperties[i] = std::move(info);
            FCurrent = int(i);
            return *this;
        }
    }
    FProperties.push_back(std::move(info));
    FCurrent = int(FProperties.size()) - 1;
    return *this;
}

TPropertyTable& TPropertyTable::AddCustom(TCustomPropertyInfo info)
{
    FCustom.push_back(std::move(info));
    return *this;
}

TPropertyInfo& TPropertyTable::Current()
{
    if (FCurrent < 0 || FCurrent >= int(FProperties.size()))
        throw EInternalError(QStringLiteral("property table modifier without a property"));
    return FProperties[size_t(FCurrent)];
}

TPropertyTable& TPropertyTable::SetNames(std::initializer_list<const char*> names)
{
    auto list = std::make_shared<std::vector<QString>>();
    for (const char* n : names)
        list->push_back(QString::fromLatin1(n));
    if (Current().Kind == TPropertyKind::pkSet && list->size() > 32)
        throw EInternalError(QStringLiteral("a set has at most 32 members"));
    Current().Names = std::move(list);
    return *this;
}

TPropertyTable& TPropertyTable::SetStored(TPropertyStored stored)
{
    Current().Stored = std::move(stored);
    return *this;
}

TPropertyTable& TPropertyTable::Default(int64_t value)
{
    Current().Default = value;
    return *this;
}

TPropertyTable& TPropertyTable::NoDefault()
{
    Current().Default.reset();
    return *this;
}

TPropertyTable& TPropertyTable::StoredIf(bool stored)
{
    if (stored)
        return SetStored({});
    return SetStored([](const TPersistent&) { return false; });
}

TPropertyTable& TPropertyTable::Idents(const TIdentTable& table)
{
    Current().Idents = &table;
    return *this;
}

TPropertyTable& TPropertyTable::Redeclare(const QString& name)
{
    for (size_t i = 0; i < FProperties.size(); ++i) {
        if (FProperties[i].Name.compare(name, Qt::CaseInsensitive) == 0) {
            FCurrent = int(i);
            return *this;
        }
    }
    throw EInternalError(QStringLiteral("no inherited property %1 to re-declare").arg(name));
}

// ---------------------------------------------------------------------------------
// TPersistent

const TPropertyTable& TPersistent::Properties()
{
    static const TPropertyTable table;
    return table;
}

void TPersistent::Assign(const TPersistent& source)
{
    source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& dest) const
{
    throw EConvertError(QStringLiteral("%1 を %2 に代入できません")
                            .arg(QString::fromLatin1(ClassName()), QString::fromLatin1(dest.ClassName())));
}

// ---------------------------------------------------------------------------------
// Collections

const TPropertyTable& TCollectionItem::Properties()
{
    return inherited::Properties();
}

int TCollectionItem::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

const TPropertyTable& TCollection::Properties()
{
    return inherited::Properties();
}

TCollectionItem* TCollection::Add()
{
    std::unique_ptr<TCollectionItem> item = FFactory();
    item->FCollection = this;
    FItems.push_back(std::move(item));
    Changed();
    return FItems.back().get();
}

void TCollection::Delete(int index)
{
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

int TCollection::IndexOf(const TCollectionItem* item) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == item)
            return int(i);
    return -1;
}

void TCollection::Changed()
{
    if (OnChange)
        OnChange();
}

// ---------------------------------------------------------------------------------
// TComponent

const TPropertyTable& TComponent::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .String("Name", &TComponent::Name, &TComponent::SetName)
                                            .StoredIf(false) // the record carries it
                                            .Int("Tag", &TComponent::Tag, &TComponent::SetTag)
                                            .Default(0);
    return table;
}

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    FState |= csDestroying;
    // Listeners may remove themselves while being told; work on a copy.
    const std::vector<TComponent*> notifies = std::move(FFreeNotifies);
    FFreeNotifies.clear();
    for (TComponent* c : notifies) {
        c->RemoveFreeNotification(this);
        c->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
    if (FWeakCell)
        *FWeakCell = nullptr;
}

void TComponent::ValidateRename(TComponent* component, const QString& newName) const
{
    if (newName.isEmpty())
        return;
    TComponent* other = FindComponent(newName);
    if (other && other != component)
        throw EComponentError(QStringLiteral("コンポーネント名 %1 はすでに使われています").arg(newName));
}

void TComponent::SetName(const QString& name)
{
    if (name == FName)
        return;
    if (FOwner)
        FOwner->ValidateRename(this, name);
    FName = name;
}

int TComponent::ComponentIndex() const
{
    if (!FOwner)
        return -1;
    const auto& list = FOwner->FComponents;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

TComponent* TComponent::FindComponent(QStringView name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (name.compare(c->FName, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->FOwner == this)
        return;
    ValidateRename(component, component->FName);
    if (component->FOwner)
        component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->FOwner != this)
        return;
    Notification(component, TOperation::opRemove);
    // Owners free their components from the last one backwards: search from the end
    // so that freeing many components stays linear.
    const auto it = std::find(FComponents.rbegin(), FComponents.rend(), component);
    if (it != FComponents.rend())
        FComponents.erase(std::next(it).base());
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        RemoveComponent(c);
        delete c;
    }
}

void TComponent::Loaded()
{
    FState &= ~uint32_t(csLoading);
}

void TComponent::GetChildren(const TGetChildProc&, const TComponent*) const {}

TComponent* TComponent::GetChildOwner()
{
    return nullptr;
}

TComponent* TComponent::GetChildParent()
{
    return this;
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(component);
        component->FreeNotification(this); // both sides learn of the other's end
    }
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    const auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
    if (it == FFreeNotifies.end())
        return;
    FFreeNotifies.erase(it);
    component->RemoveFreeNotification(this);
}

void TComponent::Notification(TComponent*, TOperation) {}

TComponent::WeakRef TComponent::Weak() const
{
    if (!FWeakCell)
        FWeakCell = std::make_shared<TComponent*>(const_cast<TComponent*>(this));
    return WeakRef(FWeakCell);
}

// ---------------------------------------------------------------------------------
// Registry

namespace {

// Keyed by the case-folded name; an alias and its class share the entry's class.
struct Registry
{
    std::mutex Lock;
    QHash<QString, std::shared_ptr<const TComponentClass>> Entries;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

QString Key(QStringView name)
{
    return name.toString().toCaseFolded();
}

void AddEntry(const QString& name, const TComponentClass& componentClass)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.Lock);
    const QString key = Key(name);
    const auto it = r.Entries.constFind(key);
    if (it != r.Entries.constEnd()) {
        if (*(*it)->Type == *componentClass.Type)
            return;
        throw EComponentError(QStringLiteral("クラス %1 はすでに存在します").arg(name));
    }
    r.Entries.insert(key, std::make_shared<const TComponentClass>(componentClass));
}

} // namespace

void RegisterComponentClass(const TComponentClass& componentClass)
{
    AddEntry(componentClass.Name, componentClass);
}

void RegisterComponentClassAlias(const TComponentClass& componentClass, const QString& alias)
{
    AddEntry(alias, componentClass);
}

void UnRegisterComponentClass(const std::type_info& type)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.Lock);
    r.Entries.removeIf([&](const auto& it) { return *it.value()->Type == type; });
}

const TComponentClass* FindComponentClass(QStringView name)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.Lock);
    const auto it = r.Entries.constFind(Key(name));
    return it == r.Entries.constEnd() ? nullptr : it->get();
}

} // namespace velmo
