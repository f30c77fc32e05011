#include "base/UClasses.h"
#include "base/UExceptions.h"
#include "draw/UNotify.h"
#include <gtest/gtest.h>
#include <memory>

using namespace velmo;

TEST(Notify, GuidText)
{
    EXPECT_EQ(nkChanged.ToString(), QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098A}"));
    EXPECT_EQ(IChangeListener::IID.ToString(), QStringLiteral("{D945C5B1-29DA-11D3-ACA5-00500463098A}"));
    EXPECT_FALSE(nkMovable == nkDontPrint);
}

TEST(Notify, NestedUpdatesSendOneChange)
{
    TComponent owner;
    TChangeNotify notify(&owner);
    int changed = 0, callbacks = 0;
    TListener listener([&](TComponent* sender, const TGUID& kind) {
        EXPECT_EQ(sender, &owner);
        if (kind == nkChanged)
            ++changed;
    });
    notify.OnChange = [&] { ++callbacks; };
    listener.ListenTo(&notify);
    listener.ListenTo(&notify); // twice is ignored
    EXPECT_EQ(notify.ListenerCount(), 1);
    notify.BeginUpdate();
    notify.Changed();
    notify.BeginUpdate();
    notify.Changed();
    notify.Changed();
    notify.EndUpdate();
    EXPECT_EQ(changed, 0);
    notify.EndUpdate();
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(callbacks, 1);
    // A bracket without a change sends nothing.
    notify.BeginUpdate();
    notify.EndUpdate();
    EXPECT_EQ(changed, 1);
    // An unmatched end does not go negative.
    notify.EndUpdate();
    notify.Changed();
    EXPECT_EQ(changed, 2);
}

TEST(Notify, LinksNeverOutliveTheirPartners)
{
    TComponent owner;
    auto listener = std::make_unique<TListener>();
    int destroying = 0;
    listener->SetCallback([&](TComponent*, const TGUID& kind) {
        if (kind == nkDestroying)
            ++destroying;
    });
    {
        TBroadcaster a(&owner), b(&owner);
        listener->ListenTo(&a);
        listener->ListenTo(&b);
        EXPECT_EQ(listener->BroadcasterCount(), 2);
    }
    EXPECT_EQ(destroying, 2);
    EXPECT_EQ(listener->BroadcasterCount(), 0);
    TBroadcaster c(&owner);
    listener->ListenTo(&c);
    listener.reset();
    EXPECT_EQ(c.ListenerCount(), 0);
    c.Notify(&owner, nkChanged); // nobody left to call
}

TEST(Notify, ListenersMayDetachWhileTold)
{
    TComponent owner;
    TBroadcaster b(&owner);
    TListener second;
    int secondCalls = 0;
    second.SetCallback([&](TComponent*, const TGUID&) { ++secondCalls; });
    TListener first([&](TComponent*, const TGUID&) { second.StopListening(&b); });
    first.ListenTo(&b);
    second.ListenTo(&b);
    b.Notify(&owner, nkChanged);
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(b.ListenerCount(), 1);
}

namespace {
// A partner that refuses to be detached.
class StickyListener : public IChangeListener
{
public:
    void Notified(TComponent*, const TGUID&) override {}
    void Attached(IChangeBroadcaster*) override {}
    void Detached(IChangeBroadcaster*) override {}
};
class StickyBroadcaster : public IChangeBroadcaster
{
public:
    void Notify(TComponent*, const TGUID&) override {}
    void AttachListener(IChangeListener* l) override { l->Attached(this); }
    void DetachListener(IChangeListener*) override {}
};
} // namespace

TEST(Notify, PartnerThatDoesNotLetGoRaises)
{
    StickyBroadcaster sticky;
    TListener listener;
    listener.ListenTo(&sticky);
    try {
        listener.DetachAll();
        FAIL();
    } catch (const EInternalError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("fall into infinity loop."));
    }
}
