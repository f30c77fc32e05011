#pragma once
// Small persistent classes that exercise every kind of table entry.
#include "base/UClasses.h"
#include "base/UGraphics.h"
#include <QStringList>
#include <memory>

namespace velmo::test {

enum class TTestKind
{
    tkOne,
    tkTwo,
    tkThree
};
enum TTestFlag : uint32_t
{
    tfRed = 1,
    tfGreen = 2,
    tfBlue = 4
};

class TTestItem : public TCollectionItem
{
    VELMO_PERSISTENT(TTestItem, TCollectionItem)
public:
    int Value = 0;
    QString Caption;
    TComponent* Link = nullptr;
    TComponent* GetLink() const { return Link; }
    void SetLink(TComponent* value) { Link = value; }
};

// A nested object written in place ("Inner.Font.Name").
class TTestInner : public TPersistent
{
    VELMO_PERSISTENT(TTestInner, TPersistent)
public:
    int Number = 0;
    TFont* Font() const { return FFont.get(); }
    TComponent* Link = nullptr;

private:
    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
};

// Every loaded notification is appended here: "Name" or the class name.
QStringList& LoadedLog();

class TTestObject : public TComponent
{
    VELMO_PERSISTENT(TTestObject, TComponent)
public:
    explicit TTestObject(TComponent* owner = nullptr);
    ~TTestObject() override;
    // Instances alive, so that tests can prove a failed read leaves none behind.
    static int& Alive();

    int Number = 0; // no default: always written
    int Small = 0;  // default 0
    TTestKind Kind = TTestKind::tkOne;
    uint32_t Flags = 0;
    bool Flag = false;
    QChar Letter = QChar(u'A');
    QString Text;
    double Ratio = 0;
    int64_t Big = 0;
    int Color = clWindowText; // colour identifiers, declared default clWindowText
    int Cursor = 0;
    QString OnClick;
    QList<int> Extra; // custom property "Extra": a list of integers
    QByteArray Blob;  // binary custom property "Blob"
    bool StoreSmall = true;

    TFont* Font() const { return FFont.get(); }
    TStrings* Lines() const { return FLines.get(); }
    TPicture* Picture() const { return FPicture.get(); }
    TCollection* Items() const { return FItems.get(); }
    TComponent* Target() const { return FTarget; }
    void SetTarget(TComponent* value) { FTarget = value; }
    TTestInner* Inner() const { return FInner.get(); }
    // Takes ownership; nullptr removes the nested object.
    void SetInner(TTestInner* value) { FInner.reset(value); }
    TComponent* Parent() const { return FParent; }
    int LoadedCount = 0;

    void GetChildren(const TGetChildProc& proc, const TComponent* root) const override;
    TComponent* GetChildOwner() override { return this; }
    TComponent* GetParentComponent() const override { return FParent; }
    void SetParentComponent(TComponent* parent) override { FParent = parent; }
    void Loaded() override;

private:
    bool HasExtra() const { return !Extra.isEmpty(); }
    void WriteExtra(TWriter& writer) const;
    void ReadExtra(TReader& reader);
    bool HasBlob() const { return !Blob.isEmpty(); }
    void WriteBlob(TStream& stream) const;
    void ReadBlob(TStream& stream);

    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
    std::unique_ptr<TStrings> FLines = std::make_unique<TStrings>();
    std::unique_ptr<TPicture> FPicture = std::make_unique<TPicture>();
    std::unique_ptr<TCollection> FItems =
        std::make_unique<TCollection>(TCollection::ItemFactory<TTestItem>());
    std::unique_ptr<TTestInner> FInner = std::make_unique<TTestInner>();
    TComponent* FTarget = nullptr;
    TComponent* FParent = nullptr;
};

// The chain of the re-declaration rule: a visual base publishes Left..Height, a
// draw base hides them, a rectangle base shows them again.
class TTestVisual : public TComponent
{
    VELMO_PERSISTENT(TTestVisual, TComponent)
public:
    using TComponent::TComponent;
    int Left = 0, Top = 0, Width = 0, Height = 0, Cursor = 0;
    QString Hint;
};

class TTestDrawObject : public TTestVisual
{
    VELMO_PERSISTENT(TTestDrawObject, TTestVisual)
public:
    using TTestVisual::TTestVisual;
    int StartX = 0;
};

class TTestRectObject : public TTestDrawObject
{
    VELMO_PERSISTENT(TTestRectObject, TTestDrawObject)
public:
    using TTestDrawObject::TTestDrawObject;
    bool Filled = false;
};

// A class whose only property cannot be written back.
class TTestReadOnly : public TComponent
{
    VELMO_PERSISTENT(TTestReadOnly, TComponent)
public:
    using TComponent::TComponent;
    int Fixed() const { return 7; }
};

// Registers all of the above (once).
void RegisterTestClasses();

} // namespace velmo::test
