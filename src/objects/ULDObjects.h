#pragma once
// The class names of label objects in streams, and a label's object list in its
// "LabelData" component resource.
//
// Registering a label-object class also registers each ancestor that is not yet
// registered, walking up until one is; a name already taken (as a class or an
// alias) is refused with "クラス名 %s はすでに使われています". Unregistering removes
// that single class and keeps the aliases that name it. Lookup tries class names
// before aliases. The result is what the component reader resolves.
//
// At start-up the label objects register as follows, so that old names keep
// reading into today's classes:
//
//   RegisterLabelClass<TLOLine>();  ... <TLODecoLine>, <TLOJANCode>, <TLOBarCode>,
//       <TLOCurve>, <TLOCircle>, <TLODate>, <TLOImage>, <TLOBackImage>,
//       <TLODecoString>, <TLOText>, <TDOGroup>, <TLOInsText>, <TLOInsImage>,
//       <TLOInsBarCode>, <TLONumbering>, <TLOField>;
//   UnRegisterLabelClass<TLOText>();
//   RegisterLabelClass<TLOVelmoText>(); RegisterLabelAlias<TLOVelmoText>("TLOText");
//   RegisterLabelAlias<TLOVelmoText>("TLOMirtoText");
//   UnRegisterLabelClass<TLOImage>();
//   RegisterLabelClass<TLOVelmoImage>(); RegisterLabelAlias<TLOVelmoImage>("TLOImage");
//   UnRegisterLabelClass<TLOJANCode>(); RegisterLabelAlias<TLOBarCode>("TLOJANCode");
//
// TLOField is registered (older files hold it and the creator still makes it).
#include "base/UClasses.h"
#include "draw/UDrawObject.h"
#include <type_traits>
#include <vector>

namespace velmo {

class TLDObjects;

// Raised for a name that is already registered.
QString DuplicateClassNameMessage(const QString& name); // "クラス名 %s はすでに使われています"

// chain[0] is the class, then its ancestors up to TComponent.
void RegisterLabelClassChain(const std::vector<TComponentClass>& chain);
void RegisterLabelAliasFor(const TComponentClass& componentClass, const QString& alias);
void UnRegisterLabelClassOf(const std::type_info& type);
// Class names first, then aliases; nullptr when neither.
const TComponentClass* FindLabelClass(QStringView name);
// Class names only (the creator makes exact classes).
const TComponentClass* FindLabelClassByName(QStringView name);
// Forgets every label-object registration (tests).
void ClearLabelClasses();

namespace detail {
template <class T> void CollectClassChain(std::vector<TComponentClass>& chain)
{
    chain.push_back(ComponentClassOf<T>());
    if constexpr (!std::is_same_v<T, TComponent>)
        CollectClassChain<typename T::inherited>(chain);
}
} // namespace detail

template <class T> void RegisterLabelClass()
{
    std::vector<TComponentClass> chain;
    detail::CollectClassChain<T>(chain);
    RegisterLabelClassChain(chain);
}
template <class T> void RegisterLabelAlias(const QString& alias)
{
    RegisterLabelAliasFor(ComponentClassOf<T>(), alias);
}
template <class T> void UnRegisterLabelClass()
{
    UnRegisterLabelClassOf(typeid(T));
}

// The root of a label's stream: no properties of its own; its children are the
// label's objects.
class TLDObjects : public TComponent
{
    VELMO_PERSISTENT(TLDObjects, TComponent)
public:
    explicit TLDObjects(TComponent* owner = nullptr) : TComponent(owner) {}
    // Objects written as the children, in the order given (not owned).
    void SetWriteList(std::vector<const TDrawObject*> objects) { FWrite = std::move(objects); }
    void GetChildren(const TGetChildProc& proc, const TComponent* root) const override;

private:
    std::vector<const TDrawObject*> FWrite;
};

// Writes the objects as the "LabelData" component resource, from the last item of
// the list to the first.
void WriteLabelData(TStream& stream, const TDOList& objects);
// Reads a "LabelData" resource into unowned copies in the root's order. The list
// is cleared first; on failure it stays empty and nothing read survives.
void ReadLabelData(TStream& stream, TDOList& objects);

} // namespace velmo
