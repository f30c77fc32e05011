#include "base/UClasses.h"
#include "base/UGraphics.h"
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

// Records its destruction and the notifications it receives.
class TProbe : public TComponent
{
    VELMO_PERSISTENT(TProbe, TComponent)
public:
    explicit TProbe(TComponent* owner = nullptr, QStringList* log = nullptr) : TComponent(owner), FLog(log) {}
    ~TProbe() override
    {
        if (FLog)
            FLog->append(QStringLiteral("~") + Name());
    }
    void Notification(TComponent* component, TOperation operation) override
    {
        if (FLog && operation == TOperation::opRemove)
            FLog->append(Name() + QStringLiteral(" saw ") + component->Name() + QStringLiteral(" go"));
    }
    int Width = 0;
    bool Visible = true;

private:
    QStringList* FLog;
};

const TPropertyTable& TProbe::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Width", &TProbe::Width, &TProbe::Width)
                                            .Bool("Visible", &TProbe::Visible, &TProbe::Visible)
                                            .Default(true);
    return table;
}

class TOtherProbe : public TComponent
{
    VELMO_PERSISTENT(TOtherProbe, TComponent)
public:
    using TComponent::TComponent;
};

const TPropertyTable& TOtherProbe::Properties()
{
    return inherited::Properties();
}

TEST(ComponentTest, OwnerDestroysWhatItOwnsLastFirst)
{
    QStringList log;
    auto* owner = new TProbe(nullptr, &log);
    owner->SetName(QStringLiteral("O"));
    auto* a = new TProbe(owner, &log);
    a->SetName(QStringLiteral("A"));
    auto* b = new TProbe(owner, &log);
    b->SetName(QStringLiteral("B"));
    (new TProbe(a, &log))->SetName(QStringLiteral("A1"));
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(b->ComponentIndex(), 1);
    delete owner;
    EXPECT_EQ(log, QStringList({"~O", "~B", "~A", "~A1"}));
}

TEST(ComponentTest, DestroyingAnOwnedComponentLeavesItsOwner)
{
    TProbe owner;
    auto* a = new TProbe(&owner);
    auto* b = new TProbe(&owner);
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    TProbe other;
    other.InsertComponent(b);
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(b->Owner(), &other);
    other.RemoveComponent(b);
    EXPECT_EQ(b->Owner(), nullptr);
    delete b;
}

TEST(ComponentTest, NamesAreUniqueAmongAnOwnersComponents)
{
    TProbe owner;
    auto* a = new TProbe(&owner);
    a->SetName(QStringLiteral("Label1"));
    auto* b = new TProbe(&owner);
    try {
        b->SetName(QStringLiteral("LABEL1"));
        ADD_FAILURE();
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("コンポーネント名 LABEL1 はすでに使われています"));
    }
    EXPECT_EQ(b->Name(), QString());
    // Empty names never clash; renaming to the same name is fine.
    (new TProbe(&owner))->SetName(QString());
    a->SetName(QStringLiteral("label1"));
    EXPECT_EQ(owner.FindComponent(u"LABEL1"), a);
    EXPECT_EQ(owner.FindComponent(u""), nullptr);
    // The owner's own name and other owners' components do not count.
    owner.SetName(QStringLiteral("Label2"));
    b->SetName(QStringLiteral("Label2"));
    TProbe elsewhere;
    auto* c = new TProbe(&elsewhere);
    c->SetName(QStringLiteral("Label1"));
    EXPECT_THROW(owner.InsertComponent(c), EComponentError);
    EXPECT_EQ(c->Owner(), &elsewhere);
}

TEST(ComponentTest, FreeNotificationAndWeakReferences)
{
    QStringList log;
    TProbe watcher(nullptr, &log);
    watcher.SetName(QStringLiteral("W"));
    auto* target = new TProbe(nullptr, &log);
    target->SetName(QStringLiteral("T"));
    target->FreeNotification(&watcher);
    const TComponent::WeakRef weak = target->Weak();
    EXPECT_EQ(weak.Get(), target);
    delete target;
    EXPECT_EQ(weak.Get(), nullptr);
    EXPECT_TRUE(log.contains(QStringLiteral("W saw T go")));

    // Either side may go first.
    auto* other = new TProbe(nullptr, &log);
    other->SetName(QStringLiteral("X"));
    {
        TProbe shortLived(nullptr, &log);
        shortLived.SetName(QStringLiteral("S"));
        other->FreeNotification(&shortLived);
    }
    EXPECT_TRUE(log.contains(QStringLiteral("X saw S go")));
    delete other; // must not touch S
}

TEST(PropertyTableTest, DescendantTablesAppendAndRedeclareInPlace)
{
    const TPropertyTable& table = TProbe::Properties();
    ASSERT_EQ(table.Count(), 4);
    EXPECT_EQ(table[0].Name, QStringLiteral("Name"));
    EXPECT_EQ(table[1].Name, QStringLiteral("Tag"));
    EXPECT_EQ(table[1].Default, 0);
    EXPECT_EQ(table[3].Name, QStringLiteral("Visible"));
    EXPECT_EQ(table.Find(u"visible"), &table[3]);
    EXPECT_EQ(table.Find(u"Nope"), nullptr);

    const TPropertyTable changed =
        TPropertyTable::Extending(table).Redeclare("width").StoredIf(false).Default(5);
    ASSERT_EQ(changed.Count(), 4);
    TProbe probe;
    EXPECT_TRUE(table[2].IsStored(probe));
    EXPECT_FALSE(changed[2].IsStored(probe));
    EXPECT_EQ(changed[2].Default, 5);
    EXPECT_FALSE(table[2].Default.has_value()); // the ancestor's table is untouched
    EXPECT_THROW(TPropertyTable::Extending(table).Redeclare("Missing"), EInternalError);

    // Accessors reach the object through the table.
    probe.Width = 12;
    EXPECT_EQ(table[2].GetOrdinal(probe), 12);
    table[3].SetOrdinal(probe, 0);
    EXPECT_FALSE(probe.Visible);
    table[0].SetString(probe, QStringLiteral("P"));
    EXPECT_EQ(probe.Name(), QStringLiteral("P"));
}

TEST(PropertyTableTest, StoredConditionsTakeFunctionsFieldsAndConstants)
{
    struct TLocal : TProbe
    {
        bool StoreIt() const { return Width > 10; }
    };
    const TPropertyTable table = TPropertyTable::Extending(TProbe::Properties())
                                     .Redeclare("Width")
                                     .StoredIf<TLocal>(&TLocal::StoreIt)
                                     .Redeclare("Tag")
                                     .StoredIf(&TProbe::Visible);
    TLocal local;
    EXPECT_FALSE(table[2].IsStored(local));
    local.Width = 11;
    EXPECT_TRUE(table[2].IsStored(local));
    EXPECT_TRUE(table[1].IsStored(local));
    local.Visible = false;
    EXPECT_FALSE(table[1].IsStored(local));
}

TEST(RegistryTest, FindsByNameAndAliasCaseInsensitively)
{
    RegisterClass<TProbe>();
    RegisterClass<TProbe>(); // again: nothing happens
    RegisterClassAlias<TProbe>(QStringLiteral("TOldProbe"));
    const TComponentClass* found = FindComponentClass(u"tprobe");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Name, QStringLiteral("TProbe"));
    const TComponentClass* alias = FindComponentClass(u"TOLDPROBE");
    ASSERT_NE(alias, nullptr);
    EXPECT_EQ(alias->Name, QStringLiteral("TProbe"));
    TProbe owner;
    TComponent* created = alias->Create(&owner);
    EXPECT_NE(dynamic_cast<TProbe*>(created), nullptr);
    EXPECT_EQ(created->Owner(), &owner);

    // A different class under a taken name is refused.
    EXPECT_THROW(RegisterClassAlias<TOtherProbe>(QStringLiteral("tprobe")), EComponentError);

    UnRegisterClass<TProbe>();
    EXPECT_EQ(FindComponentClass(u"TProbe"), nullptr);
    EXPECT_EQ(FindComponentClass(u"TOldProbe"), nullptr);
    RegisterClassAlias<TOtherProbe>(QStringLiteral("TOldProbe"));
    EXPECT_EQ(FindComponentClass(u"TOldProbe")->Name, QStringLiteral("TOtherProbe"));
    UnRegisterClass<TOtherProbe>();
}

TEST(IdentTableTest, FirstIdentifierWinsAndLookupIgnoresCase)
{
    QString ident;
    ASSERT_TRUE(CursorIdents().ToIdent(-22, &ident));
    EXPECT_EQ(ident, QStringLiteral("crSizeAll"));
    EXPECT_FALSE(CursorIdents().ToIdent(-1, &ident));
    EXPECT_FALSE(CursorIdents().ToIdent(-5, &ident));
    int32_t value = 0;
    EXPECT_TRUE(CursorIdents().ToInt(u"CRSIZE", &value));
    EXPECT_EQ(value, -22);
    ASSERT_TRUE(ColorIdents().ToIdent(int32_t(0x80000008u), &ident));
    EXPECT_EQ(ident, QStringLiteral("clWindowText"));
    ASSERT_TRUE(ColorIdents().ToIdent(int32_t(0x80000018u), &ident));
    EXPECT_EQ(ident, QStringLiteral("clInfoBk"));
    EXPECT_FALSE(ColorIdents().ToIdent(int32_t(0x80000019u), &ident));
    EXPECT_TRUE(ColorIdents().ToInt(u"clnone", &value));
    EXPECT_EQ(value, 0x1FFFFFFF);
    ASSERT_TRUE(CharsetIdents().ToIdent(255, &ident));
    EXPECT_EQ(ident, QStringLiteral("OEM_CHARSET"));
    EXPECT_EQ(ColorIdents().Entries().size(), 16u + 25u + 1u);
    EXPECT_EQ(CharsetIdents().Entries().size(), 18u);
}

TEST(ValueClassTest, StringsFontAndCollectionBehave)
{
    TStrings strings;
    int changes = 0;
    strings.OnChange = [&] { ++changes; };
    strings.SetText(QStringLiteral("a\r\nb\nc\rd"));
    EXPECT_EQ(strings.Lines(), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(strings.Text(), QStringLiteral("a\r\nb\r\nc\r\nd\r\n"));
    strings.SetText(QStringLiteral("x\r\n"));
    EXPECT_EQ(strings.Count(), 1);
    EXPECT_EQ(changes, 2);

    TFont font;
    font.SetPixelsPerInch(96);
    font.SetSize(12);
    EXPECT_EQ(font.Height(), -16);
    EXPECT_EQ(font.Size(), 12);
    TFont copy;
    copy.Assign(font);
    EXPECT_TRUE(copy == font);
    EXPECT_THROW(copy.Assign(strings), EConvertError);

    TCollection collection(TCollection::ItemFactory<TCollectionItem>());
    TCollectionItem* first = collection.Add();
    TCollectionItem* second = collection.Add();
    EXPECT_EQ(second->Index(), 1);
    EXPECT_EQ(first->Collection(), &collection);
    collection.Delete(0);
    EXPECT_EQ(second->Index(), 0);
    collection.Clear();
    EXPECT_EQ(collection.Count(), 0);
}

} // namespace
} // namespace velmo::test
