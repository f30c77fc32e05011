#pragma once
// The component model: persistent objects with tables of published properties, the
// component ownership tree, collections and the class registry.
//
// Declaring a persistent class takes three steps:
//
//   // UFoo.h
//   class TFoo : public TComponent
//   {
//       VELMO_PERSISTENT(TFoo, TComponent)
//   public:
//       explicit TFoo(TComponent* owner = nullptr);
//       int Width() const;  void SetWidth(int value);
//       TFont* Font() const;
//       ...
//   };
//
//   // UFoo.cpp: the table reads like the documented one, in stream order
//   const TPropertyTable& TFoo::Properties()
//   {
//       static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
//           .Int("Width", &TFoo::Width, &TFoo::SetWidth)            // no default: always written
//           .Enum("Kind", &TFoo::Kind, &TFoo::SetKind, {"fkOne", "fkTwo"}).Default(0)
//           .Object("Font", &TFoo::Font)                            // written in place
//           .Redeclare("Left").StoredIf(false)                      // keeps its inherited place
//           .BinaryCustom("Data", &TFoo::HasData, &TFoo::WriteData, &TFoo::ReadData);
//       return table;
//   }
//
//   RegisterClass<TFoo>();   // where the owning subsystem registers its classes
//
// Accessors are member functions or data members of the class (or of an ancestor);
// for anything else give the class explicitly and pass callables taking (const TFoo&)
// and (TFoo&, value): .Int<TFoo>("X", [](const TFoo& f) {...}, [](TFoo& f, int v) {...}).
#include "base/UClassesFiler.h"
#include "base/UExceptions.h"
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

namespace velmo {

// A duplicate or invalid component name, a duplicate class registration.
VELMO_DECLARE_EXCEPTION(EComponentError, Exception)
// Raised by the reader for a class name that is not registered: "クラス %s が見つかりません".
VELMO_DECLARE_EXCEPTION(EClassNotFound, EReadError)
// Raised for property names, paths and read-only properties.
VELMO_DECLARE_EXCEPTION(EPropertyError, EReadError)

class TPersistent;
class TComponent;
class TPropertyTable;

// ---------------------------------------------------------------------------------
// Identifier tables: integer values with names (colours, character sets, cursors).

struct TIdentMapEntry
{
    const char* Name;
    int32_t Value;
};

class TIdentTable
{
public:
    TIdentTable(std::initializer_list<TIdentMapEntry> entries) : FEntries(entries) {}
    // The first identifier with the value.
    bool ToIdent(int32_t value, QString* ident) const;
    // Case-insensitive.
    bool ToInt(QStringView ident, int32_t* value) const;
    const std::vector<TIdentMapEntry>& Entries() const { return FEntries; }

private:
    std::vector<TIdentMapEntry> FEntries;
};

// ---------------------------------------------------------------------------------
// Property tables.

enum class TPropertyKind
{
    pkInteger,     // 32-bit integer; identifier table optional
    pkEnumeration, // identifier list, ordinal value
    pkSet,         // members 0..31, named
    pkBoolean,
    pkChar, // one character, ordinal = UTF-16 code unit
    pkString,
    pkFloat,
    pkInt64,
    pkObject,    // a persistent object written in place, or a collection
    pkReference, // a component elsewhere, written by name
    pkEvent,     // a method name
};

using TPropertyStored = std::function<bool(const TPersistent&)>;

struct TPropertyInfo
{
    QString Name;
    TPropertyKind Kind = TPropertyKind::pkInteger;
    // Ordinal kinds (integer, enumeration, set, Boolean, character, int64).
    std::function<int64_t(const TPersistent&)> GetOrdinal;
    std::function<void(TPersistent&, int64_t)> SetOrdinal;
    // String and event kinds.
    std::function<QString(const TPersistent&)> GetString;
    std::function<void(TPersistent&, const QString&)> SetString;
    // Float kind.
    std::function<double(const TPersistent&)> GetFloat;
    std::function<void(TPersistent&, double)> SetFloat;
    // Object and reference kinds. A reference setter ignores objects of a wrong class.
    std::function<TPersistent*(const TPersistent&)> GetObject;
    std::function<void(TPersistent&, TPersistent*)> SetObject;

    std::optional<int64_t> Default; // ordinal and set kinds only
    TPropertyStored Stored;         // empty: always stored
    const TIdentTable* Idents = nullptr;
    std::shared_ptr<const std::vector<QString>> Names; // enumeration and set identifiers

    bool CanRead() const;
    bool CanWrite() const;
    bool IsStored(const TPersistent& object) const { return !Stored || Stored(object); }
};

// A property a class writes with its own code, after the published ones.
struct TCustomPropertyInfo
{
    QString Name;
    bool Binary = false;
    std::function<bool(const TPersistent&)> HasData; // empty: always has data
    // Plain custom properties write and read values.
    std::function<void(const TPersistent&, TWriter&)> Write;
    std::function<void(TPersistent&, TReader&)> Read;
    // Binary ones write to and read from a memory buffer holding just their bytes.
    std::function<void(const TPersistent&, TStream&)> WriteBinary;
    std::function<void(TPersistent&, TStream&)> ReadBinary;
};

namespace detail {

template <class M> struct ClassOf;
template <class C, class T> struct ClassOf<T C::*>
{
    using type = C;
};

template <class S> struct SetterArg
{
    using type = void;
};
template <class C, class R, class A> struct SetterArg<R (C::*)(A)>
{
    using type = std::decay_t<A>;
};
template <class C, class T> struct DataMemberType
{
    using type = T;
};

template <class C, class G> struct ResolveClass
{
    using type = C;
};
template <class G> struct ResolveClass<void, G>
{
    using type = typename ClassOf<G>::type;
};

template <class V> int64_t ToOrdinal(const V& value)
{
    using D = std::decay_t<V>;
    if constexpr (std::is_same_v<D, QChar>)
        return value.unicode();
    else if constexpr (std::is_same_v<D, bool>)
        return value ? 1 : 0;
    else if constexpr (std::is_enum_v<D>)
        return static_cast<int64_t>(value);
    else if constexpr (requires { value.toInt(); })
        return static_cast<int64_t>(static_cast<uint32_t>(value.toInt())); // QFlags
    else
        return static_cast<int64_t>(value);
}

template <class A> A FromOrdinal(int64_t value)
{
    if constexpr (std::is_same_v<A, QChar>)
        return QChar(char16_t(value));
    else if constexpr (std::is_same_v<A, bool>)
        return value != 0;
    else if constexpr (std::is_enum_v<A>)
        return static_cast<A>(static_cast<std::underlying_type_t<A>>(value));
    else if constexpr (requires { A::fromInt(0); })
        return A::fromInt(static_cast<int>(value)); // QFlags
    else
        return static_cast<A>(value);
}

template <class C, class G> decltype(auto) InvokeGet(const G& get, const TPersistent& object)
{
    return std::invoke(get, static_cast<const C&>(object));
}

// Calls a setter given as member function, data member or callable (C&, value);
// convert turns the raw stream value into the setter's parameter type.
template <class C, class S, class V, class Convert>
void InvokeSet(const S& set, TPersistent& object, V&& value, Convert convert)
{
    C& target = static_cast<C&>(object);
    if constexpr (std::is_member_function_pointer_v<S>) {
        using A = typename SetterArg<S>::type;
        (target.*set)(convert.template operator()<A>(std::forward<V>(value)));
    } else if constexpr (std::is_member_object_pointer_v<S>) {
        using A = std::decay_t<decltype(target.*set)>;
        target.*set = convert.template operator()<A>(std::forward<V>(value));
    } else {
        set(target, std::forward<V>(value));
    }
}

struct OrdinalConvert
{
    template <class A> A operator()(int64_t v) const { return FromOrdinal<A>(v); }
};
struct PassConvert
{
    template <class A, class V> A operator()(V&& v) const { return static_cast<A>(std::forward<V>(v)); }
};

} // namespace detail

// The published properties of a class in stream order, and its custom properties.
// Built once per class by chaining the declaration methods; the modifiers (Default,
// NoDefault, StoredIf, Idents) apply to the entry declared or re-declared last.
class TPropertyTable
{
public:
    TPropertyTable() = default;
    // Starts a table with every entry of the ancestor's table, in its order.
    static TPropertyTable Extending(const TPropertyTable& ancestor)
    {
        TPropertyTable table = ancestor;
        table.FCurrent = -1;
        return table;
    }

    const std::vector<TPropertyInfo>& Properties() const { return FProperties; }
    const std::vector<TCustomPropertyInfo>& CustomProperties() const { return FCustom; }
    int Count() const { return int(FProperties.size()); }
    const TPropertyInfo& operator[](int index) const { return FProperties[size_t(index)]; }
    // Case-insensitive lookup; nullptr when there is none.
    const TPropertyInfo* Find(QStringView name) const;
    const TCustomPropertyInfo* FindCustom(QStringView name) const;

    // ---- published properties

    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& Int(const QString& name, G get, S set = nullptr)
    {
        return AddOrdinal<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkInteger, name, get,
                                                                     set);
    }
    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& Int64(const QString& name, G get, S set = nullptr)
    {
        return AddOrdinal<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkInt64, name, get, set);
    }
    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& Bool(const QString& name, G get, S set = nullptr)
    {
        return AddOrdinal<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkBoolean, name, get,
                                                                     set);
    }
    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& Char(const QString& name, G get, S set = nullptr)
    {
        return AddOrdinal<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkChar, name, get, set);
    }
    // names[i] is the identifier of ordinal i.
    template <class C = void, class G, class S>
    TPropertyTable& Enum(const QString& name, G get, S set, std::initializer_list<const char*> names)
    {
        AddOrdinal<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkEnumeration, name, get, set);
        return SetNames(names);
    }
    // names[i] is the identifier of member (bit) i; at most 32.
    template <class C = void, class G, class S>
    TPropertyTable& Set(const QString& name, G get, S set, std::initializer_list<const char*> names)
    {
        AddOrdinal<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkSet, name, get, set);
        return SetNames(names);
    }
    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& String(const QString& name, G get, S set = nullptr)
    {
        return AddString<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkString, name, get, set);
    }
    // The getter returns the assigned method's name (empty when none).
    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& Event(const QString& name, G get, S set = nullptr)
    {
        return AddString<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkEvent, name, get, set);
    }
    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& Float(const QString& name, G get, S set = nullptr)
    {
        using K = typename detail::ResolveClass<C, G>::type;
        TPropertyInfo info = NewInfo(TPropertyKind::pkFloat, name);
        info.GetFloat = [get](const TPersistent& o) { return double(detail::InvokeGet<K>(get, o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            info.SetFloat = [set](TPersistent& o, double v) {
                detail::InvokeSet<K>(set, o, v, detail::PassConvert{});
            };
        return Add(std::move(info));
    }
    // A persistent object owned by this one (font, string list, picture, collection):
    // written in place under "Name." paths, or as vaCollection for a TCollection. The
    // optional setter takes a pointer (it receives nullptr when a stream clears it).
    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& Object(const QString& name, G get, S set = nullptr)
    {
        return AddObject<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkObject, name, get, set);
    }
    // A component owned elsewhere, written by its name and resolved after reading.
    template <class C = void, class G, class S = std::nullptr_t>
    TPropertyTable& Reference(const QString& name, G get, S set = nullptr)
    {
        return AddObject<typename detail::ResolveClass<C, G>::type>(TPropertyKind::pkReference, name, get,
                                                                    set);
    }

    // ---- modifiers of the last declared or re-declared entry

    TPropertyTable& Default(int64_t value);
    TPropertyTable& NoDefault();
    TPropertyTable& StoredIf(bool stored);
    // A member function or bool data member of the class, or a callable (const C&).
    template <class C = void, class F> TPropertyTable& StoredIf(F condition)
    {
        using K = typename detail::ResolveClass<C, F>::type;
        return SetStored(
            [condition](const TPersistent& o) { return bool(detail::InvokeGet<K>(condition, o)); });
    }
    TPropertyTable& Idents(const TIdentTable& table);
    // Selects an inherited entry so that the following modifiers change it in this
    // table only; the entry keeps its place in the order.
    TPropertyTable& Redeclare(const QString& name);

    // ---- custom properties, written after the published ones in declaration order

    // hasData may be nullptr (always written); write may be nullptr (read-only, for
    // older files); read may be nullptr (the value is skipped when read).
    template <class C = void, class H, class W, class R>
    TPropertyTable& Custom(const QString& name, H hasData, W write, R read)
    {
        using K = typename detail::ResolveClass<C, R>::type;
        TCustomPropertyInfo info;
        info.Name = name;
        if constexpr (!std::is_null_pointer_v<H>)
            info.HasData = [hasData](const TPersistent& o) { return bool(detail::InvokeGet<K>(hasData, o)); };
        if constexpr (!std::is_null_pointer_v<W>)
            info.Write = [write](const TPersistent& o, TWriter& w) {
                std::invoke(write, static_cast<const K&>(o), w);
            };
        if constexpr (!std::is_null_pointer_v<R>)
            info.Read = [read](TPersistent& o, TReader& r) { std::invoke(read, static_cast<K&>(o), r); };
        return AddCustom(std::move(info));
    }
    template <class C = void, class R> TPropertyTable& ReadOnlyCustom(const QString& name, R read)
    {
        return Custom<C>(name, nullptr, nullptr, read);
    }
    // Written as vaBinary: the byte count and what write puts into a memory buffer.
    template <class C = void, class H, class W, class R>
    TPropertyTable& BinaryCustom(const QString& name, H hasData, W write, R read)
    {
        using K = typename detail::ResolveClass<C, R>::type;
        TCustomPropertyInfo info;
        info.Name = name;
        info.Binary = true;
        if constexpr (!std::is_null_pointer_v<H>)
            info.HasData = [hasData](const TPersistent& o) { return bool(detail::InvokeGet<K>(hasData, o)); };
        if constexpr (!std::is_null_pointer_v<W>)
            info.WriteBinary = [write](const TPersistent& o, TStream& s) {
                std::invoke(write, static_cast<const K&>(o), s);
            };
        if constexpr (!std::is_null_pointer_v<R>)
            info.ReadBinary = [read](TPersistent& o, TStream& s) {
                std::invoke(read, static_cast<K&>(o), s);
            };
        return AddCustom(std::move(info));
    }

private:
    static TPropertyInfo NewInfo(TPropertyKind kind, const QString& name);
    TPropertyTable& Add(TPropertyInfo info);
    TPropertyTable& AddCustom(TCustomPropertyInfo info);
    TPropertyTable& SetNames(std::initializer_list<const char*> names);
    TPropertyTable& SetStored(TPropertyStored stored);
    TPropertyInfo& Current();

    template <class K, class G, class S>
    TPropertyTable& AddOrdinal(TPropertyKind kind, const QString& name, G get, S set)
    {
        TPropertyInfo info = NewInfo(kind, name);
        info.GetOrdinal = [get](const TPersistent& o) {
            return detail::ToOrdinal(detail::InvokeGet<K>(get, o));
        };
        if constexpr (!std::is_null_pointer_v<S>)
            info.SetOrdinal = [set](TPersistent& o, int64_t v) {
                detail::InvokeSet<K>(set, o, v, detail::OrdinalConvert{});
            };
        return Add(std::move(info));
    }
    template <class K, class G, class S>
    TPropertyTable& AddString(TPropertyKind kind, const QString& name, G get, S set)
    {
        TPropertyInfo info = NewInfo(kind, name);
        info.GetString = [get](const TPersistent& o) { return QString(detail::InvokeGet<K>(get, o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            info.SetString = [set](TPersistent& o, const QString& v) {
                detail::InvokeSet<K>(set, o, v, detail::PassConvert{});
            };
        return Add(std::move(info));
    }
    template <class K, class G, class S>
    TPropertyTable& AddObject(TPropertyKind kind, const QString& name, G get, S set)
    {
        TPropertyInfo info = NewInfo(kind, name);
        info.GetObject = [get](const TPersistent& o) -> TPersistent* {
            const TPersistent* value = detail::InvokeGet<K>(get, o);
            return const_cast<TPersistent*>(value);
        };
        if constexpr (!std::is_null_pointer_v<S>)
            info.SetObject = [set](TPersistent& o, TPersistent* v) {
                detail::InvokeSet<K>(set, o, v, ObjectConvert{});
            };
        return Add(std::move(info));
    }
    struct ObjectConvert
    {
        // A value of a wrong class becomes nullptr rather than a bad pointer.
        template <class A> A operator()(TPersistent* v) const
        {
            if constexpr (std::is_pointer_v<A>)
                return v ? dynamic_cast<A>(v) : nullptr;
            else
                return static_cast<A>(v);
        }
    };

    std::vector<TPropertyInfo> FProperties;
    std::vector<TCustomPropertyInfo> FCustom;
    int FCurrent = -1;
};

// ---------------------------------------------------------------------------------
// Persistent objects.

// Declares a persistent class: its name, its ancestor ("inherited") and its property
// table, which the class defines in its .cpp as `const TPropertyTable& T::Properties()`.
// Leaves the access at private, like the start of a class.
#define VELMO_PERSISTENT(Class, Base)                                                                        \
public:                                                                                                      \
    using inherited = Base;                                                                                  \
    static const char* StaticClassName()                                                                     \
    {                                                                                                        \
        return #Class;                                                                                       \
    }                                                                                                        \
    const char* ClassName() const override                                                                   \
    {                                                                                                        \
        return #Class;                                                                                       \
    }                                                                                                        \
    static const ::velmo::TPropertyTable& Properties();                                                      \
    const ::velmo::TPropertyTable& PropertyTable() const override                                            \
    {                                                                                                        \
        return Class::Properties();                                                                          \
    }                                                                                                        \
                                                                                                             \
private:

class TPersistent
{
public:
    TPersistent() = default;
    virtual ~TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;

    static const char* StaticClassName() { return "TPersistent"; }
    virtual const char* ClassName() const { return "TPersistent"; }
    // An empty table.
    static const TPropertyTable& Properties();
    // The table of the object's own class.
    virtual const TPropertyTable& PropertyTable() const { return Properties(); }

    // Copies the source's state. Classes that can be assigned override Assign or
    // AssignTo; otherwise EConvertError "%s を %s に代入できません".
    virtual void Assign(const TPersistent& source);

protected:
    virtual void AssignTo(TPersistent& dest) const;
};

// ---------------------------------------------------------------------------------
// Collections: a list of items of one class, written as vaCollection.

class TCollection;

class TCollectionItem : public TPersistent
{
    VELMO_PERSISTENT(TCollectionItem, TPersistent)
public:
    TCollectionItem() = default;
    TCollection* Collection() const { return FCollection; }
    int Index() const;

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
};

class TCollection : public TPersistent
{
    VELMO_PERSISTENT(TCollection, TPersistent)
public:
    using TItemFactory = std::function<std::unique_ptr<TCollectionItem>()>;
    explicit TCollection(TItemFactory factory) : FFactory(std::move(factory)) {}
    template <class Item> static TItemFactory ItemFactory()
    {
        return [] { return std::make_unique<Item>(); };
    }

    int Count() const { return int(FItems.size()); }
    TCollectionItem* Items(int index) const { return FItems.at(size_t(index)).get(); }
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TCollectionItem* item) const;
    // Called after the items changed (added, deleted, cleared).
    std::function<void()> OnChange;

private:
    void Changed();
    TItemFactory FFactory;
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
};

// ---------------------------------------------------------------------------------
// Components: the ownership tree.

enum TComponentStateFlag : uint32_t
{
    csLoading = 1,    // being read from a stream; Loaded clears it
    csReading = 2,    // its properties are being read
    csDestroying = 4, // its destructor runs
    csDesigning = 8,
};

enum class TOperation
{
    opInsert,
    opRemove
};

using TGetChildProc = std::function<void(TComponent*)>;

class TComponent : public TPersistent
{
    VELMO_PERSISTENT(TComponent, TPersistent)
public:
    // An owner destroys the components it owns when it is destroyed.
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const QString& Name() const { return FName; }
    // Raises EComponentError "コンポーネント名 %s はすでに使われています" when another
    // component of the owner has the name (compared without regard to case).
    virtual void SetName(const QString& name);
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    int ComponentCount() const { return int(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(size_t(index)); }
    int ComponentIndex() const;
    // Case-insensitive; empty names are never found.
    TComponent* FindComponent(QStringView name) const;
    // Takes over ownership of the component (taking it from its current owner).
    void InsertComponent(TComponent* component);
    // Gives up ownership without destroying the component.
    void RemoveComponent(TComponent* component);
    // Destroys every owned component, the last first.
    void DestroyComponents();

    bool IsLoading() const { return FState & csLoading; }
    bool IsReading() const { return FState & csReading; }
    void SetComponentState(uint32_t flags, bool on) { FState = on ? (FState | flags) : (FState & ~flags); }

    // Called once after the stream that created or filled the component was read
    // completely; the default clears csLoading. Overrides call the inherited one.
    virtual void Loaded();

    // The children the writer writes after the component's properties, in order.
    virtual void GetChildren(const TGetChildProc& proc, const TComponent* root) const;
    // The owner of children read back (nullptr: the root being read).
    virtual TComponent* GetChildOwner();
    // The parent of children read back (the default: this component).
    virtual TComponent* GetChildParent();
    // Visual components have a parent besides their owner; others ignore it.
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* parent);

    // Asks for Notification(this, opRemove) on component when this one is destroyed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);
    // Told about components inserted into or removed from this one's ownership, and
    // about the destruction of components it asked to be notified of.
    virtual void Notification(TComponent* component, TOperation operation);

    // A weak handle that reads nullptr after the component was destroyed.
    class WeakRef
    {
    public:
        WeakRef() = default;
        TComponent* Get() const { return FCell ? *FCell : nullptr; }
        explicit operator bool() const { return Get() != nullptr; }

    private:
        friend class TComponent;
        explicit WeakRef(std::shared_ptr<TComponent*> cell) : FCell(std::move(cell)) {}
        std::shared_ptr<TComponent*> FCell;
    };
    WeakRef Weak() const;

private:
    void ValidateRename(TComponent* component, const QString& newName) const;

    TComponent* FOwner = nullptr;
    QString FName;
    int FTag = 0;
    uint32_t FState = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    mutable std::shared_ptr<TComponent*> FWeakCell;
};

// ---------------------------------------------------------------------------------
// The class registry.

struct TComponentClass
{
    QString Name; // the class's own name (also for entries found by an alias)
    const std::type_info* Type = nullptr;
    std::function<TComponent*(TComponent* owner)> Create;
};

// Registers a class under its own name. Registering the same class again does
// nothing; another class of that name raises EComponentError.
void RegisterComponentClass(const TComponentClass& componentClass);
// Registers the class under an additional name.
void RegisterComponentClassAlias(const TComponentClass& componentClass, const QString& alias);
// Removes the class and every alias that names it.
void UnRegisterComponentClass(const std::type_info& type);
// Case-insensitive, aliases included; nullptr when absent. The result stays valid
// while the class is registered.
const TComponentClass* FindComponentClass(QStringView name);

template <class T> TComponentClass ComponentClassOf()
{
    static_assert(std::is_base_of_v<TComponent, T>);
    return TComponentClass{QString::fromLatin1(T::StaticClassName()), &typeid(T),
                           [](TComponent* owner) -> TComponent* { return new T(owner); }};
}
template <class T> void RegisterClass()
{
    RegisterComponentClass(ComponentClassOf<T>());
}
template <class... T> void RegisterClasses()
{
    (RegisterClass<T>(), ...);
}
template <class T> void RegisterClassAlias(const QString& alias)
{
    RegisterComponentClassAlias(ComponentClassOf<T>(), alias);
}
template <class T> void UnRegisterClass()
{
    UnRegisterComponentClass(typeid(T));
}

} // namespace velmo
