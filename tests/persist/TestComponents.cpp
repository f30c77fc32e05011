#include "persist/TestComponents.h"

namespace velmo::test {

QStringList& LoadedLog()
{
    static QStringList log;
    return log;
}

const TPropertyTable& TTestItem::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Value", &TTestItem::Value, &TTestItem::Value)
                                            .Default(0)
                                            .String("Caption", &TTestItem::Caption, &TTestItem::Caption)
                                            .Reference("Link", &TTestItem::GetLink, &TTestItem::SetLink);
    return table;
}

TTestObject::TTestObject(TComponent* owner) : TComponent(owner)
{
    ++Alive();
}

TTestObject::~TTestObject()
{
    --Alive();
}

int& TTestObject::Alive()
{
    static int alive = 0;
    return alive;
}

const TPropertyTable& TTestInner::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Number", &TTestInner::Number, &TTestInner::Number)
                                            .Default(0)
                                            .Object("Font", &TTestInner::Font)
                                            .Reference("Link", &TTestInner::Link, &TTestInner::Link);
    return table;
}

const TPropertyTable& TTestObject::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Number", &TTestObject::Number, &TTestObject::Number)
            .Int("Small", &TTestObject::Small, &TTestObject::Small)
            .Default(0)
            .StoredIf(&TTestObject::StoreSmall)
            .Enum("Kind", &TTestObject::Kind, &TTestObject::Kind, {"tkOne", "tkTwo", "tkThree"})
            .Default(0)
            .Set("Flags", &TTestObject::Flags, &TTestObject::Flags, {"tfRed", "tfGreen", "tfBlue"})
            .Default(0)
            .Bool("Flag", &TTestObject::Flag, &TTestObject::Flag)
            .Default(false)
            .Char("Letter", &TTestObject::Letter, &TTestObject::Letter)
            .Default('A')
            .String("Text", &TTestObject::Text, &TTestObject::Text)
            .Float("Ratio", &TTestObject::Ratio, &TTestObject::Ratio)
            .Int64("Big", &TTestObject::Big, &TTestObject::Big)
            .Int("Color", &TTestObject::Color, &TTestObject::Color)
            .Idents(ColorIdents())
            .Default(clWindowText)
            .Int("Cursor", &TTestObject::Cursor, &TTestObject::Cursor)
            .Idents(CursorIdents())
            .Default(0)
            .Object("Font", &TTestObject::Font)
            .Object("Lines", &TTestObject::Lines)
            .Object("Picture", &TTestObject::Picture)
            .Object("Items", &TTestObject::Items)
            .Object("Inner", &TTestObject::Inner, &TTestObject::SetInner)
            .Reference("Target", &TTestObject::Target, &TTestObject::SetTarget)
            .Event("OnClick", &TTestObject::OnClick, &TTestObject::OnClick)
            .Custom("Extra", &TTestObject::HasExtra, &TTestObject::WriteExtra, &TTestObject::ReadExtra)
            .BinaryCustom("Blob", &TTestObject::HasBlob, &TTestObject::WriteBlob, &TTestObject::ReadBlob);
    return table;
}

void TTestObject::GetChildren(const TGetChildProc& proc, const TComponent*) const
{
    for (int i = 0; i < ComponentCount(); ++i)
        proc(Components(i));
}

void TTestObject::Loaded()
{
    TComponent::Loaded();
    ++LoadedCount;
    LoadedLog().append(Name().isEmpty() ? QString::fromLatin1(ClassName()) : Name());
}

void TTestObject::WriteExtra(TWriter& writer) const
{
    writer.WriteListBegin();
    for (int v : Extra)
        writer.WriteInteger(v);
    writer.WriteListEnd();
}

void TTestObject::ReadExtra(TReader& reader)
{
    Extra.clear();
    reader.ReadListBegin();
    while (!reader.EndOfList())
        Extra.append(reader.ReadInteger());
    reader.ReadListEnd();
}

void TTestObject::WriteBlob(TStream& stream) const
{
    stream.WriteBytes(Blob);
}

void TTestObject::ReadBlob(TStream& stream)
{
    Blob = stream.ReadBytes(stream.Size());
}

const TPropertyTable& TTestVisual::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Left", &TTestVisual::Left, &TTestVisual::Left)
                                            .Int("Top", &TTestVisual::Top, &TTestVisual::Top)
                                            .Int("Width", &TTestVisual::Width, &TTestVisual::Width)
                                            .Int("Height", &TTestVisual::Height, &TTestVisual::Height)
                                            .Int("Cursor", &TTestVisual::Cursor, &TTestVisual::Cursor)
                                            .Idents(CursorIdents())
                                            .Default(0)
                                            .String("Hint", &TTestVisual::Hint, &TTestVisual::Hint);
    return table;
}

const TPropertyTable& TTestDrawObject::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Redeclare("Left")
            .StoredIf(false)
            .Redeclare("Top")
            .StoredIf(false)
            .Redeclare("Width")
            .StoredIf(false)
            .Redeclare("Height")
            .StoredIf(false)
            .Int("StartX", &TTestDrawObject::StartX, &TTestDrawObject::StartX);
    return table;
}

const TPropertyTable& TTestRectObject::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Redeclare("Left")
            .StoredIf(true)
            .Redeclare("Top")
            .StoredIf(true)
            .Redeclare("Width")
            .StoredIf(true)
            .Redeclare("Height")
            .StoredIf(true)
            .Bool("Filled", &TTestRectObject::Filled, &TTestRectObject::Filled)
            .Default(false);
    return table;
}

const TPropertyTable& TTestReadOnly::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties()).Int("Fixed", &TTestReadOnly::Fixed);
    return table;
}

void RegisterTestClasses()
{
    RegisterClasses<TTestObject, TTestVisual, TTestDrawObject, TTestRectObject, TTestReadOnly>();
}

} // namespace velmo::test
