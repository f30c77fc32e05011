#include "objects/ULDObjects.h"
#include "persist/UComponentStream.h"
#include <QHash>
#include <memory>
#include <typeindex>

namespace velmo {

namespace {

struct LabelRegistry
{
    // Case-folded name -> class; the names keep their original spelling in the
    // entries' keys of Spelling.
    QHash<QString, TComponentClass> Classes;
    QHash<QString, TComponentClass> Aliases;
    QHash<QString, QString> Spelling;
};

LabelRegistry& Registry()
{
    static LabelRegistry registry;
    return registry;
}

QString Key(QStringView name)
{
    return name.toString().toCaseFolded();
}

const TComponentClass* Effective(const QString& key)
{
    LabelRegistry& r = Registry();
    auto c = r.Classes.constFind(key);
    if (c != r.Classes.constEnd())
        return &*c;
    auto a = r.Aliases.constFind(key);
    if (a != r.Aliases.constEnd())
        return &*a;
    return nullptr;
}

// Makes the component reader resolve every name of the types as this registry does.
void Sync(const std::vector<const std::type_info*>& types)
{
    LabelRegistry& r = Registry();
    for (const std::type_info* type : types)
        UnRegisterComponentClass(*type);
    for (auto it = r.Spelling.constBegin(); it != r.Spelling.constEnd(); ++it) {
        const TComponentClass* cls = Effective(it.key());
        if (!cls)
            continue;
        for (const std::type_info* type : types)
            if (*cls->Type == *type)
                RegisterComponentClassAlias(*cls, it.value());
    }
}

void SyncName(const QString& key, std::vector<const std::type_info*> types)
{
    if (const TComponentClass* current = FindComponentClass(key))
        types.push_back(current->Type);
    if (const TComponentClass* wanted = Effective(key))
        types.push_back(wanted->Type);
    Sync(types);
}

bool TypeRegistered(const std::type_info& type)
{
    for (const TComponentClass& cls : Registry().Classes)
        if (*cls.Type == type)
            return true;
    return false;
}

} // namespace

QString DuplicateClassNameMessage(const QString& name)
{
    return QStringLiteral("クラス名 %1 はすでに使われています").arg(name);
}

void RegisterLabelClassChain(const std::vector<TComponentClass>& chain)
{
    LabelRegistry& r = Registry();
    for (const TComponentClass& cls : chain) {
        if (TypeRegistered(*cls.Type))
            break;
        const QString key = Key(cls.Name);
        if (r.Classes.contains(key) || r.Aliases.contains(key))
            throw EComponentError(DuplicateClassNameMessage(cls.Name));
        if (const TComponentClass* other = FindComponentClass(cls.Name); other && *other->Type != *cls.Type)
            throw EComponentError(DuplicateClassNameMessage(cls.Name));
        r.Classes.insert(key, cls);
        r.Spelling.insert(key, cls.Name);
        SyncName(key, {});
    }
}

void RegisterLabelAliasFor(const TComponentClass& componentClass, const QString& alias)
{
    LabelRegistry& r = Registry();
    const QString key = Key(alias);
    r.Aliases.insert(key, componentClass);
    if (!r.Spelling.contains(key))
        r.Spelling.insert(key, alias);
    SyncName(key, {componentClass.Type});
}

void UnRegisterLabelClassOf(const std::type_info& type)
{
    LabelRegistry& r = Registry();
    for (auto it = r.Classes.begin(); it != r.Classes.end(); ++it) {
        if (*it->Type == type) {
            const QString key = it.key();
            r.Classes.erase(it);
            SyncName(key, {&type});
            return;
        }
    }
}

const TComponentClass* FindLabelClass(QStringView name)
{
    return Effective(Key(name));
}

const TComponentClass* FindLabelClassByName(QStringView name)
{
    LabelRegistry& r = Registry();
    auto it = r.Classes.constFind(Key(name));
    return it == r.Classes.constEnd() ? nullptr : &*it;
}

void ClearLabelClasses()
{
    LabelRegistry& r = Registry();
    std::vector<const std::type_info*> types;
    for (const TComponentClass& cls : r.Classes)
        types.push_back(cls.Type);
    for (const TComponentClass& cls : r.Aliases)
        types.push_back(cls.Type);
    r.Classes.clear();
    r.Aliases.clear();
    r.Spelling.clear();
    for (const std::type_info* type : types)
        UnRegisterComponentClass(*type);
}

// ---------------------------------------------------------------------------------

const TPropertyTable& TLDObjects::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

void TLDObjects::GetChildren(const TGetChildProc& proc, const TComponent*) const
{
    if (!FWrite.empty()) {
        for (const TDrawObject* object : FWrite)
            proc(const_cast<TDrawObject*>(object));
        return;
    }
    for (int i = 0; i < ComponentCount(); ++i)
        proc(Components(i));
}

namespace {
void EnsureRootClass()
{
    RegisterClass<TLDObjects>();
}
} // namespace

void WriteLabelData(TStream& stream, const TDOList& objects)
{
    EnsureRootClass();
    TLDObjects root;
    std::vector<const TDrawObject*> order;
    for (int i = objects.Count() - 1; i >= 0; --i)
        order.push_back(objects[i]);
    root.SetWriteList(std::move(order));
    WriteComponentResource(stream, QStringLiteral("LabelData"), root);
}

void ReadLabelData(TStream& stream, TDOList& objects)
{
    EnsureRootClass();
    objects.Clear();
    std::unique_ptr<TLDObjects> root = ReadComponentResourceAs<TLDObjects>(stream);
    std::vector<std::unique_ptr<TDrawObject>> copies;
    for (int i = 0; i < root->ComponentCount(); ++i)
        root->Components(i)->SetName(QString());
    for (int i = 0; i < root->ComponentCount(); ++i)
        if (const auto* object = dynamic_cast<const TDrawObject*>(root->Components(i)))
            copies.emplace_back(CloneDrawObject(*object, nullptr));
    for (std::unique_ptr<TDrawObject>& copy : copies)
        objects.Add(copy.release());
}

} // namespace velmo
