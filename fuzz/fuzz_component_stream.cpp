// Reads arbitrary bytes as a component resource (with a few classes registered) and
// through the tag-level dump: neither may crash, hang or allocate without bound.
#include "base/UGraphics.h"
#include "persist/UComponentDump.h"
#include "persist/UComponentStream.h"
#include <cstddef>
#include <cstdint>

namespace {

using namespace velmo;

class TFuzzItem : public TCollectionItem
{
    VELMO_PERSISTENT(TFuzzItem, TCollectionItem)
public:
    int Value = 0;
    TComponent* Link = nullptr;
};

const TPropertyTable& TFuzzItem::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Value", &TFuzzItem::Value, &TFuzzItem::Value)
                                            .Default(0)
                                            .Reference("Link", &TFuzzItem::Link, &TFuzzItem::Link);
    return table;
}

class TFuzzObject : public TComponent
{
    VELMO_PERSISTENT(TFuzzObject, TComponent)
public:
    using TComponent::TComponent;
    int Number = 0;
    int Color = 0;
    int Kind = 0;
    uint32_t Flags = 0;
    bool Flag = false;
    QChar Letter;
    QString Text;
    double Ratio = 0;
    int64_t Big = 0;
    QString OnClick;
    TComponent* Target = nullptr;
    TFont* Font() const { return FFont.get(); }
    TStrings* Lines() const { return FLines.get(); }
    TPicture* Picture() const { return FPicture.get(); }
    TCollection* Items() const { return FItems.get(); }
    TFont* Optional() const { return FOptional.get(); }
    void SetOptional(TFont* f) { FOptional.reset(f); }

    void GetChildren(const TGetChildProc& proc, const TComponent*) const override
    {
        for (int i = 0; i < ComponentCount(); ++i)
            proc(Components(i));
    }
    TComponent* GetChildOwner() override { return this; }

private:
    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
    std::unique_ptr<TStrings> FLines = std::make_unique<TStrings>();
    std::unique_ptr<TPicture> FPicture = std::make_unique<TPicture>();
    std::unique_ptr<TCollection> FItems =
        std::make_unique<TCollection>(TCollection::ItemFactory<TFuzzItem>());
    std::unique_ptr<TFont> FOptional = std::make_unique<TFont>();
};

const TPropertyTable& TFuzzObject::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Number", &TFuzzObject::Number, &TFuzzObject::Number)
            .Int("Color", &TFuzzObject::Color, &TFuzzObject::Color)
            .Idents(ColorIdents())
            .Enum("Kind", &TFuzzObject::Kind, &TFuzzObject::Kind, {"kA", "kB"})
            .Default(0)
            .Set("Flags", &TFuzzObject::Flags, &TFuzzObject::Flags, {"fA", "fB", "fC"})
            .Bool("Flag", &TFuzzObject::Flag, &TFuzzObject::Flag)
            .Char("Letter", &TFuzzObject::Letter, &TFuzzObject::Letter)
            .String("Text", &TFuzzObject::Text, &TFuzzObject::Text)
            .Float("Ratio", &TFuzzObject::Ratio, &TFuzzObject::Ratio)
            .Int64("Big", &TFuzzObject::Big, &TFuzzObject::Big)
            .Object("Font", &TFuzzObject::Font)
            .Object("Lines", &TFuzzObject::Lines)
            .Object("Picture", &TFuzzObject::Picture)
            .Object("Items", &TFuzzObject::Items)
            .Object("Optional", &TFuzzObject::Optional, &TFuzzObject::SetOptional)
            .Reference("Target", &TFuzzObject::Target, &TFuzzObject::Target)
            .Event("OnClick", &TFuzzObject::OnClick, &TFuzzObject::OnClick);
    return table;
}

bool Init()
{
    RegisterClass<TFuzzObject>();
    RegisterClassAlias<TFuzzObject>(QStringLiteral("TLORect"));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool initialised = Init();
    (void)initialised;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        TReadOnlyMemoryStream stream(data, int64_t(size));
        std::unique_ptr<TComponent> root =
            size > 0 && data[0] == 0xFF ? ReadComponentResource(stream) : ReadComponent(stream);
        // Whatever was read must write again.
        TMemoryStream out;
        WriteComponent(out, *root);
    } catch (const velmo::Exception&) {
    }
    try {
        DumpComponent(bytes);
    } catch (const velmo::Exception&) {
    }
    return 0;
}
