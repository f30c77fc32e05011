#include "persist/UComponentStream.h"
#include "base/UCodePage932.h"
#include <cstring>
#include <functional>

namespace velmo {
namespace {

const char kSignature[4] = {'T', 'P', 'F', '0'};

QString PropertyNotFoundMessage()
{
    return QStringLiteral("プロパティが存在しません");
}
QString PropertyPathMessage()
{
    return QStringLiteral("不正なプロパティのパスです");
}
QString ReadOnlyPropertyMessage()
{
    return QStringLiteral("プロパティは書き込み禁止です");
}

[[noreturn]] void InvalidValue()
{
    throw EReadError(InvalidPropertyValueMessage());
}

// ---------------------------------------------------------------------------------
// Writing

class ComponentWriter
{
public:
    ComponentWriter(TStream& stream, const TComponent& root) : FWriter(stream), FRoot(root) {}

    void WriteStream()
    {
        FWriter.Stream().WriteBuffer(kSignature, 4);
        WriteRecord(FRoot, 0);
    }

private:
    void WriteRecord(const TComponent& component, int depth)
    {
        if (depth > kMaxComponentNesting)
            throw EWriteError(WriteErrorMessage());
        FWriter.WriteStr(QString::fromLatin1(component.ClassName()));
        FWriter.WriteStr(component.Name());
        WriteProperties(component, QString(), 0);
        FWriter.WriteListEnd();
        component.GetChildren(
            [&](TComponent* child) {
                if (child)
                    WriteRecord(*child, depth + 1);
            },
            &FRoot);
        FWriter.WriteListEnd();
    }

    void WriteProperties(const TPersistent& object, const QString& prefix, int depth)
    {
        // An object property that leads back to an ancestor would never end.
        if (depth > kMaxComponentNesting)
            throw EWriteError(WriteErrorMessage());
        const TPropertyTable& table = object.PropertyTable();
        for (const TPropertyInfo& info : table.Properties())
            WriteProperty(object, info, prefix, depth);
        for (const TCustomPropertyInfo& custom : table.CustomProperties()) {
            if (custom.Binary ? !custom.WriteBinary : !custom.Write)
                continue;
            if (custom.HasData && !custom.HasData(object))
                continue;
            FWriter.WriteStr(prefix + custom.Name);
            if (custom.Binary) {
                TMemoryStream buffer;
                custom.WriteBinary(object, buffer);
                FWriter.WriteBinary(buffer.Data());
            } else {
                custom.Write(object, FWriter);
            }
        }
    }

    void WriteName(const QString& prefix, const TPropertyInfo& info) { FWriter.WriteStr(prefix + info.Name); }

    void WriteProperty(const TPersistent& object, const TPropertyInfo& info, const QString& prefix, int depth)
    {
        if (!info.CanRead() || !info.CanWrite() || !info.IsStored(object))
            return;
        switch (info.Kind) {
        case TPropertyKind::pkInteger: {
            const int32_t value = int32_t(info.GetOrdinal(object));
            if (info.Default && *info.Default == value)
                return;
            WriteName(prefix, info);
            QString ident;
            if (info.Idents && info.Idents->ToIdent(value, &ident))
                FWriter.WriteIdent(ident);
            else
                FWriter.WriteInteger(value);
            return;
        }
        case TPropertyKind::pkEnumeration: {
            const int64_t value = info.GetOrdinal(object);
            if (info.Default && *info.Default == value)
                return;
            WriteName(prefix, info);
            if (info.Names && value >= 0 && value < int64_t(info.Names->size()))
                FWriter.WriteIdent((*info.Names)[size_t(value)]);
            else
                FWriter.WriteInteger(value);
            return;
        }
        case TPropertyKind::pkSet: {
            const uint32_t value = uint32_t(info.GetOrdinal(object));
            if (info.Default && uint32_t(*info.Default) == value)
                return;
            WriteName(prefix, info);
            static const std::vector<QString> noNames;
            FWriter.WriteSet(value, info.Names ? *info.Names : noNames);
            return;
        }
        case TPropertyKind::pkBoolean: {
            const bool value = info.GetOrdinal(object) != 0;
            if (info.Default && (*info.Default != 0) == value)
                return;
            WriteName(prefix, info);
            FWriter.WriteBoolean(value);
            return;
        }
        case TPropertyKind::pkChar: {
            const int64_t value = info.GetOrdinal(object);
            if (info.Default && *info.Default == value)
                return;
            WriteName(prefix, info);
            FWriter.WriteChar(QChar(char16_t(value)));
            return;
        }
        case TPropertyKind::pkInt64: {
            const int64_t value = info.GetOrdinal(object);
            if (value == info.Default.value_or(0))
                return;
            WriteName(prefix, info);
            FWriter.WriteInteger(value);
            return;
        }
        case TPropertyKind::pkString: {
            const QString value = info.GetString(object);
            if (value.isEmpty())
                return;
            WriteName(prefix, info);
            FWriter.WriteString(value);
            return;
        }
        case TPropertyKind::pkEvent: {
            const QString value = info.GetString(object);
            if (value.isEmpty())
                return;
            WriteName(prefix, info);
            FWriter.WriteIdent(value);
            return;
        }
        case TPropertyKind::pkFloat: {
            const double value = info.GetFloat(object);
            if (value == 0)
                return;
            WriteName(prefix, info);
            FWriter.WriteFloat(value);
            return;
        }
        case TPropertyKind::pkObject: {
            const TPersistent* value = info.GetObject(object);
            if (!value)
                return;
            if (const auto* collection = dynamic_cast<const TCollection*>(value)) {
                WriteName(prefix, info);
                FWriter.WriteValue(TValueType::vaCollection);
                for (int i = 0; i < collection->Count(); ++i) {
                    FWriter.WriteListBegin();
                    WriteProperties(*collection->Items(i), QString(), depth + 1);
                    FWriter.WriteListEnd();
                }
                FWriter.WriteListEnd();
                return;
            }
            WriteProperties(*value, prefix + info.Name + u'.', depth + 1);
            return;
        }
        case TPropertyKind::pkReference: {
            const auto* value = dynamic_cast<const TComponent*>(info.GetObject(object));
            if (!value)
                return;
            const QString name = ReferenceName(*value);
            if (name.isEmpty())
                return;
            WriteName(prefix, info);
            FWriter.WriteIdent(name);
            return;
        }
        }
    }

    QString ReferenceName(const TComponent& component) const
    {
        if (component.Owner() == &FRoot)
            return component.Name();
        if (&component == &FRoot)
            return QStringLiteral("Owner");
        if (component.Owner() && !component.Owner()->Name().isEmpty() && !component.Name().isEmpty())
            return component.Owner()->Name() + u'.' + component.Name();
        if (!component.Name().isEmpty())
            return component.Name() + QStringLiteral(".Owner");
        return {};
    }

    TWriter FWriter;
    const TComponent& FRoot;
};

// ---------------------------------------------------------------------------------
// Reading

// Where an object lies, from a component down through object properties and
// collection items. Kept instead of pointers so that a reference can be resolved
// safely even when a later property replaced the object it was read into.
struct PathStep
{
    const TPropertyInfo* Property;
    int ItemIndex; // -1: the property's object itself; else that collection item
};

struct ObjectPath
{
    TComponent::WeakRef Component;
    std::vector<PathStep> Steps;
};

struct Fixup
{
    ObjectPath Path;
    const TPropertyInfo* Property;
    QString Name;
};

bool BelongsTo(const TPersistent& object, const TPropertyInfo* info)
{
    const std::vector<TPropertyInfo>& list = object.PropertyTable().Properties();
    if (list.empty())
        return false;
    std::less<const TPropertyInfo*> less;
    return !less(info, list.data()) && less(info, list.data() + list.size());
}

TPersistent* Resolve(const ObjectPath& path)
{
    TPersistent* object = path.Component.Get();
    for (const PathStep& step : path.Steps) {
        if (!object || !BelongsTo(*object, step.Property))
            return nullptr;
        object = step.Property->GetObject(*object);
        if (step.ItemIndex >= 0) {
            auto* collection = dynamic_cast<TCollection*>(object);
            if (!collection || step.ItemIndex >= collection->Count())
                return nullptr;
            object = collection->Items(step.ItemIndex);
        }
    }
    return object;
}

class ComponentReader
{
public:
    explicit ComponentReader(TStream& stream) : FReader(stream, kMaxComponentNesting) {}

    // Reads the stream into root, or creates the root when it is nullptr.
    TComponent* Read(TComponent* root)
    {
        try {
            return ReadRoot(root);
        } catch (...) {
            CleanUp();
            throw;
        }
    }

private:
    TComponent* ReadRoot(TComponent* supplied)
    {
        char signature[4];
        FReader.Stream().ReadBuffer(signature, 4);
        if (std::memcmp(signature, kSignature, 4) != 0)
            throw EReadError(InvalidStreamFormatMessage());
        ReadPrefix();
        const QString className = FReader.ReadStr();
        TComponent* root = supplied;
        if (!root)
            root = Create(className, nullptr);
        FRoot = root;
        root->SetComponentState(csLoading | csReading, true);
        FLoaded.push_back(root->Weak());
        const QString name = FReader.ReadStr();
        root->SetName(supplied ? UniqueName(*root, name) : name);
        ReadProperties(*root, ObjectPath{root->Weak(), {}});
        ReadChildren(*root);
        root->SetComponentState(csReading, false);

        // Loaded notifications come first, in read order; references by name are
        // resolved after them, so that a Loaded handler that creates or renames
        // components still has them found.
        for (const TComponent::WeakRef& ref : FLoaded)
            if (TComponent* c = ref.Get())
                c->Loaded();
        ResolveFixups();
        return root;
    }

    TComponent* Create(const QString& className, TComponent* owner)
    {
        const TComponentClass* cls = FindComponentClass(className);
        if (!cls)
            throw EClassNotFound(QStringLiteral("クラス %1 が見つかりません").arg(className));
        TComponent* component = cls->Create(owner);
        FCreated.push_back(component->Weak());
        return component;
    }

    static QString UniqueName(const TComponent& root, const QString& name)
    {
        const TComponent* owner = root.Owner();
        if (!owner || name.isEmpty())
            return name;
        QString candidate = name;
        for (int i = 1;; ++i) {
            const TComponent* other = owner->FindComponent(candidate);
            if (!other || other == &root)
                return candidate;
            candidate = QStringLiteral("%1_%2").arg(name).arg(i);
        }
    }

    // The prefix's flags (inherited, inline) do not change how a record is read
    // here; the child position is read and ignored.
    void ReadPrefix()
    {
        const uint8_t b = FReader.PeekByte();
        if ((b & 0xF0) != 0xF0)
            return;
        FReader.Stream().ReadUInt8();
        if (b & 0x02)
            FReader.ReadInteger();
    }

    void ReadChildren(TComponent& enclosing)
    {
        TReader::DepthGuard guard(FReader);
        while (!FReader.EndOfList())
            ReadChild(enclosing);
        FReader.ReadListEnd();
    }

    void ReadChild(TComponent& enclosing)
    {
        ReadPrefix();
        const QString className = FReader.ReadStr();
        const QString name = FReader.ReadStr();
        TComponent* owner = enclosing.GetChildOwner();
        if (!owner)
            owner = FRoot;
        TComponent* parent = enclosing.GetChildParent();
        TComponent* child = Create(className, owner);
        child->SetComponentState(csLoading | csReading, true);
        FLoaded.push_back(child->Weak());
        child->SetParentComponent(parent);
        if (!name.isEmpty())
            child->SetName(name);
        ReadProperties(*child, ObjectPath{child->Weak(), {}});
        ReadChildren(*child);
        child->SetComponentState(csReading, false);
    }

    void ReadProperties(TPersistent& object, const ObjectPath& path)
    {
        while (!FReader.EndOfList())
            ReadProperty(object, path);
        FReader.ReadListEnd();
    }

    void ReadProperty(TPersistent& start, const ObjectPath& startPath)
    {
        const QString fullName = FReader.ReadStr();
        TPersistent* object = &start;
        ObjectPath path = startPath;
        qsizetype from = 0;
        for (;;) {
            const qsizetype dot = fullName.indexOf(u'.', from);
            if (dot < 0)
                break;
            const QStringView segment = QStringView(fullName).mid(from, dot - from);
            const TPropertyInfo* info = object->PropertyTable().Find(segment);
            if (!info)
                throw EPropertyError(PropertyNotFoundMessage());
            TPersistent* next = info->Kind == TPropertyKind::pkObject ? info->GetObject(*object) : nullptr;
            if (!next)
                throw EPropertyError(PropertyPathMessage());
            path.Steps.push_back({info, -1});
            object = next;
            from = dot + 1;
        }
        const QStringView last = QStringView(fullName).mid(from);
        const TPropertyTable& table = object->PropertyTable();
        if (const TPropertyInfo* info = table.Find(last)) {
            ReadValue(*object, *info, path);
            return;
        }
        if (const TCustomPropertyInfo* custom = table.FindCustom(last)) {
            ReadCustom(*object, *custom);
            return;
        }
        throw EPropertyError(PropertyNotFoundMessage());
    }

    void ReadCustom(TPersistent& object, const TCustomPropertyInfo& custom)
    {
        if (custom.Binary) {
            const QByteArray bytes = FReader.ReadBinary();
            if (custom.ReadBinary) {
                TReadOnlyMemoryStream buffer(bytes.constData(), bytes.size());
                custom.ReadBinary(object, buffer);
            }
            return;
        }
        if (custom.Read)
            custom.Read(object, FReader);
        else
            FReader.SkipValue();
    }

    void ReadValue(TPersistent& object, const TPropertyInfo& info, const ObjectPath& path)
    {
        if (!info.CanWrite())
            throw EPropertyError(ReadOnlyPropertyMessage());
        switch (info.Kind) {
        case TPropertyKind::pkInteger: {
            if (info.Idents && FReader.NextValue() == TValueType::vaIdent) {
                int32_t value = 0;
                if (!info.Idents->ToInt(FReader.ReadIdent(), &value))
                    InvalidValue();
                info.SetOrdinal(object, value);
            } else {
                info.SetOrdinal(object, FReader.ReadInteger());
            }
            return;
        }
        case TPropertyKind::pkEnumeration: {
            const QString ident = FReader.ReadIdent();
            if (info.Names)
                for (size_t i = 0; i < info.Names->size(); ++i)
                    if ((*info.Names)[i].compare(ident, Qt::CaseInsensitive) == 0) {
                        info.SetOrdinal(object, int64_t(i));
                        return;
                    }
            InvalidValue();
        }
        case TPropertyKind::pkSet: {
            static const std::vector<QString> noNames;
            info.SetOrdinal(object, FReader.ReadSet(info.Names ? *info.Names : noNames));
            return;
        }
        case TPropertyKind::pkBoolean:
            info.SetOrdinal(object, FReader.ReadBoolean() ? 1 : 0);
            return;
        case TPropertyKind::pkChar:
            info.SetOrdinal(object, FReader.ReadChar().unicode());
            return;
        case TPropertyKind::pkInt64:
            info.SetOrdinal(object, FReader.ReadInt64());
            return;
        case TPropertyKind::pkString:
            info.SetString(object, FReader.ReadString());
            return;
        case TPropertyKind::pkFloat:
            info.SetFloat(object, FReader.ReadFloat());
            return;
        case TPropertyKind::pkEvent: {
            const TValueType tag = FReader.ReadValue();
            if (tag == TValueType::vaNil)
                info.SetString(object, QString());
            else if (tag == TValueType::vaIdent)
                info.SetString(object, FReader.ReadIdentPayload(tag));
            else
                InvalidValue();
            return;
        }
        case TPropertyKind::pkReference: {
            const TValueType tag = FReader.ReadValue();
            if (tag == TValueType::vaNil)
                info.SetObject(object, nullptr);
            else if (tag == TValueType::vaIdent)
                FFixups.push_back({path, &info, FReader.ReadIdentPayload(tag)});
            else
                InvalidValue();
            return;
        }
        case TPropertyKind::pkObject: {
            const TValueType tag = FReader.ReadValue();
            if (tag == TValueType::vaNil) {
                if (!info.SetObject)
                    throw EPropertyError(ReadOnlyPropertyMessage());
                info.SetObject(object, nullptr);
                return;
            }
            if (tag != TValueType::vaCollection)
                InvalidValue();
            auto* collection = dynamic_cast<TCollection*>(info.GetObject(object));
            if (!collection)
                InvalidValue();
            ReadCollection(*collection, info, path);
            return;
        }
        }
    }

    void ReadCollection(TCollection& collection, const TPropertyInfo& info, const ObjectPath& path)
    {
        TReader::DepthGuard guard(FReader);
        collection.Clear();
        while (!FReader.EndOfList()) {
            const TValueType next = FReader.NextValue();
            if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32)
                FReader.ReadInteger();
            FReader.ReadListBegin();
            TCollectionItem* item = collection.Add();
            ObjectPath itemPath = path;
            itemPath.Steps.push_back({&info, collection.Count() - 1});
            ReadProperties(*item, itemPath);
        }
        FReader.ReadListEnd();
    }

    TComponent* FindReference(const QString& name) const
    {
        const QStringList segments = name.split(u'.');
        TComponent* current = nullptr;
        for (int i = 0; i < segments.size(); ++i) {
            const QString& segment = segments[i];
            const bool owner = segment.compare(QLatin1String("Owner"), Qt::CaseInsensitive) == 0;
            if (i == 0) {
                if (owner)
                    current = FRoot;
                else if (TComponent* c = FRoot->FindComponent(segment))
                    current = c;
                else if (!FRoot->Name().isEmpty() && segment.compare(FRoot->Name(), Qt::CaseInsensitive) == 0)
                    current = FRoot;
            } else if (owner) {
                current = current->Owner();
            } else {
                current = current->FindComponent(segment);
            }
            if (!current)
                return nullptr;
        }
        return current;
    }

    // A name that names nothing leaves the property unset, as a reference to a
    // component outside the stream cannot be restored.
    void ResolveFixups()
    {
        for (const Fixup& fixup : FFixups) {
            TPersistent* object = Resolve(fixup.Path);
            if (!object || !BelongsTo(*object, fixup.Property))
                continue;
            if (TComponent* target = FindReference(fixup.Name))
                fixup.Property->SetObject(*object, target);
        }
        FFixups.clear();
    }

    void CleanUp()
    {
        for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it)
            delete it->Get();
        for (const TComponent::WeakRef& ref : FLoaded)
            if (TComponent* c = ref.Get())
                c->SetComponentState(csLoading | csReading, false);
    }

    TReader FReader;
    TComponent* FRoot = nullptr;
    std::vector<TComponent::WeakRef> FCreated;
    std::vector<TComponent::WeakRef> FLoaded;
    std::vector<Fixup> FFixups;
};

} // namespace

// ---------------------------------------------------------------------------------

int64_t WriteResourceHeader(TStream& stream, const QString& resourceName)
{
    // Only ASCII letters change case: trail bytes of double-byte characters lie in
    // the ASCII range and must stay as they are.
    QString upper = resourceName;
    for (QChar& c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(char16_t(c.unicode() - 0x20));
    QByteArray name;
    for (QChar c : upper) {
        bool ok = true;
        const QByteArray bytes = EncodeStreamText(QString(c), &ok);
        const QByteArray piece = ok ? bytes : QByteArray("?");
        if (name.size() + piece.size() > 63)
            break;
        name += piece;
    }
    stream.WriteUInt8(0xFF);
    stream.WriteUInt16(10);
    stream.WriteBytes(name);
    stream.WriteUInt8(0);
    stream.WriteUInt16(0x1030);
    const int64_t sizePosition = stream.Position();
    stream.WriteUInt32(0);
    return sizePosition;
}

void WriteComponent(TStream& stream, const TComponent& root)
{
    ComponentWriter writer(stream, root);
    writer.WriteStream();
}

void WriteComponentResource(TStream& stream, const QString& resourceName, const TComponent& root)
{
    const int64_t sizePosition = WriteResourceHeader(stream, resourceName);
    const int64_t start = stream.Position();
    WriteComponent(stream, root);
    const int64_t end = stream.Position();
    stream.SetPosition(sizePosition);
    stream.WriteUInt32(uint32_t(end - start));
    stream.SetPosition(end);
}

uint32_t ReadResourceHeader(TStream& stream)
{
    if (stream.ReadUInt8() != 0xFF || stream.ReadUInt16() != 10)
        throw EReadError(InvalidStreamFormatMessage());
    while (stream.ReadUInt8() != 0)
        ;
    stream.ReadUInt16(); // memory flags
    return stream.ReadUInt32();
}

std::unique_ptr<TComponent> ReadComponent(TStream& stream)
{
    ComponentReader reader(stream);
    return std::unique_ptr<TComponent>(reader.Read(nullptr));
}

void ReadComponentInto(TStream& stream, TComponent& root)
{
    ComponentReader reader(stream);
    reader.Read(&root);
}

std::unique_ptr<TComponent> ReadComponentResource(TStream& stream)
{
    ReadResourceHeader(stream);
    return ReadComponent(stream);
}

void ReadComponentResourceInto(TStream& stream, TComponent& root)
{
    ReadResourceHeader(stream);
    ReadComponentInto(stream, root);
}

QByteArray ComponentResourceBytes(const QString& resourceName, const TComponent& root)
{
    TMemoryStream stream;
    WriteComponentResource(stream, resourceName, root);
    return stream.Data();
}

QByteArray ComponentStreamBytes(const TComponent& root)
{
    TMemoryStream stream;
    WriteComponent(stream, root);
    return stream.Data();
}

} // namespace velmo
