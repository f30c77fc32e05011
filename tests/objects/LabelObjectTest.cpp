#include "LabelTestClasses.h"
#include "base/UStream.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "persist/UComponentStream.h"
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

struct Registered : ::testing::Test
{
    Registered() { RegisterStandIns(); }
    ~Registered() override
    {
        TDesignerList::Instance().Clear();
        TGhostList::Instance().Clear();
    }
};

QString Resolve(const char* name)
{
    const TComponentClass* cls = FindComponentClass(QString::fromLatin1(name));
    return cls ? cls->Name : QString();
}

template <class T> T* MakeRect(const TLogRect& r, TComponent* owner = nullptr)
{
    auto* o = new T(owner);
    o->SetBaseRect(r);
    return o;
}

} // namespace

TEST_F(Registered, StreamNamesResolveAsTheStartUpSequenceLeavesThem)
{
    EXPECT_EQ(Resolve("TLOText"), QStringLiteral("TLOVelmoText"));
    EXPECT_EQ(Resolve("TLOMirtoText"), QStringLiteral("TLOVelmoText"));
    EXPECT_EQ(Resolve("TLOVelmoText"), QStringLiteral("TLOVelmoText"));
    EXPECT_EQ(Resolve("TLOJANCode"), QStringLiteral("TLOBarCode"));
    EXPECT_EQ(Resolve("TLOBarCode"), QStringLiteral("TLOBarCode"));
    EXPECT_EQ(Resolve("TLOImage"), QStringLiteral("TLOImage")); // the class name wins over the alias
    EXPECT_EQ(Resolve("TLOVelmoImage"), QStringLiteral("TLOVelmoImage"));
    EXPECT_EQ(Resolve("TLOWizardText"), QStringLiteral("TLOWizardText"));
    EXPECT_EQ(Resolve("TLOWizardImage"), QStringLiteral("TLOWizardImage"));
    EXPECT_EQ(Resolve("TLORect"), QStringLiteral("TLORect")); // registered as TLOCircle's ancestor
    EXPECT_EQ(Resolve("TLORectBase"), QStringLiteral("TLORectBase"));
    EXPECT_EQ(Resolve("TLabelObject"), QStringLiteral("TLabelObject"));
    EXPECT_EQ(Resolve("TDOGroup"), QStringLiteral("TDOGroup"));
    EXPECT_EQ(Resolve("TLOField"), QStringLiteral("TLOField")); // older files stay readable
    EXPECT_EQ(Resolve("TLOFace"), QString());
    EXPECT_EQ(FindLabelClassByName(u"TLOText"), nullptr);
    try {
        RegisterLabelClass<TLOText>(); // the name is an alias now
        FAIL();
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("クラス名 TLOText はすでに使われています"));
    }
    RegisterLabelClass<TLOVelmoText>(); // already registered: nothing happens
}

TEST_F(Registered, OldClassNamesReadIntoTodaysClassesAndAreSavedUnderTheirNames)
{
    // A label saved with a text object under its old name and an old barcode name.
    TLOText oldText;
    oldText.SetBaseRect({10, 20, 110, 70});
    oldText.SetAngle(30);
    TLOJANCode oldCode;
    oldCode.SetBaseRect({0, 0, 5, 5});
    TDOList saved;
    saved.Add(&oldText);
    saved.Add(&oldCode);
    TMemoryStream stream;
    WriteLabelData(stream, saved);
    EXPECT_TRUE(stream.Data().contains("TLOText"));
    stream.SetPosition(0);
    TDOList read;
    ReadLabelData(stream, read);
    ASSERT_EQ(read.Count(), 2);
    // The root's children run from the list's last item to its first.
    auto* code = dynamic_cast<TLOBarCode*>(read[0]);
    auto* text = dynamic_cast<TLOVelmoText*>(read[1]);
    ASSERT_NE(code, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text->ClassName(), "TLOVelmoText");
    EXPECT_EQ(text->BaseRect(), (TLogRect{10, 20, 110, 70}));
    EXPECT_EQ(text->Angle(), 30);
    EXPECT_EQ(text->Owner(), nullptr);
    EXPECT_EQ(text->Site(), nullptr);
    const QByteArray again = ComponentStreamBytes(*text);
    EXPECT_TRUE(again.contains("TLOVelmoText"));
    read.FreeObjects();
}

TEST_F(Registered, PublishedPropertiesInStreamOrderWithDefaults)
{
    TLORect r;
    r.SetBaseRect({100, 200, 150, 260});
    r.SetLayerGroup(-50);
    r.SetBlendRatio(40);
    r.Appendix()->Add(QStringLiteral("メモ"));
    const QByteArray bytes = ComponentStreamBytes(r);
    const QStringList order{
        "Left",      "Top",       "Width", "Height", "Border", "LayerGroup", "Appendix.Strings",
        "DontPrint", "BlendRatio"};
    qsizetype at = 0;
    for (const QString& name : order) {
        const qsizetype next = bytes.indexOf(name.toLatin1(), at);
        EXPECT_GT(next, at) << name.toStdString();
        at = next;
    }
    // Defaults stay out.
    EXPECT_FALSE(bytes.contains("Movable"));
    EXPECT_FALSE(bytes.contains("Selectable"));
    EXPECT_FALSE(bytes.contains("BlendShade"));
    EXPECT_FALSE(bytes.contains("Cursor"));
    EXPECT_FALSE(bytes.contains("OnModify"));
    // A plain draw object does not store its device bounds.
    TLOLine line;
    EXPECT_FALSE(ComponentStreamBytes(line).contains("Left"));
    // And it all reads back.
    TMemoryStream stream(bytes);
    std::unique_ptr<TComponent> back = ReadComponent(stream);
    auto* copy = dynamic_cast<TLORect*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->BaseRect(), r.BaseRect());
    EXPECT_EQ(copy->LayerGroup(), -50);
    EXPECT_EQ(copy->BlendRatio(), 40);
    EXPECT_EQ(copy->Appendix()->Lines(), QStringList{QStringLiteral("メモ")});
}

TEST_F(Registered, DamagedLabelDataLeavesNothing)
{
    TLORect r;
    TDOList list;
    list.Add(&r);
    TMemoryStream stream;
    WriteLabelData(stream, list);
    const QByteArray bytes = stream.Data();
    TDOList read;
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        TMemoryStream cut(bytes.left(n));
        EXPECT_THROW(ReadLabelData(cut, read), Exception) << n;
        EXPECT_EQ(read.Count(), 0);
    }
    QByteArray unknown = bytes;
    unknown.replace("TLORect", "TLOFace");
    TMemoryStream s2(unknown);
    EXPECT_THROW(ReadLabelData(s2, read), EClassNotFound);
    EXPECT_EQ(read.Count(), 0);
}

TEST_F(Registered, RectangleBaseGeometry)
{
    TLORect r;
    int changes = 0;
    r.OnModify = [&](TDrawObject*) { ++changes; };
    r.SetPropLeft(100);
    EXPECT_EQ(changes, 1);
    r.SetPropLeft(100); // same value: nothing
    r.SetBaseRect({100, 0, 100, 0});
    EXPECT_EQ(changes, 1);
    r.SetPropWidth(-50);
    EXPECT_EQ(r.BaseRect(), (TLogRect{50, 0, 100, 0}));
    EXPECT_EQ(r.PropLeft(), 50);
    r.SetBaseRect({200, 300, 100, 100}); // reversed: normalised
    EXPECT_EQ(r.BaseRect(), (TLogRect{100, 100, 200, 300}));
    EXPECT_TRUE(r.HitTest({100, 100}));
    EXPECT_FALSE(r.HitTest({200, 150})); // right edge excluded
    IDOEncloseBounds* e = Supports<IDOEncloseBounds>(&r);
    ASSERT_NE(e, nullptr);
    e->MoveBy(5, -5);
    EXPECT_EQ(r.BaseRect(), (TLogRect{105, 95, 205, 295}));
    EXPECT_NE(Supports<IDOBlend>(&r), nullptr);
    EXPECT_EQ(Supports<IDORotate>(&r), nullptr);
    EXPECT_NE(Supports<IChangeBroadcaster>(static_cast<TDrawObject*>(&r)), nullptr);
}

TEST_F(Registered, AssignProducesOneChange)
{
    TLORect a, b;
    a.SetBaseRect({1, 2, 3, 4});
    a.SetAngle(45);
    a.SetDontPrint(true);
    a.SetBlendShade(true);
    a.SetHint(QStringLiteral("ヒント"));
    a.SetMovable(false);
    int changed = 0;
    TListener listener([&](TComponent*, const TGUID& kind) {
        if (kind == nkChanged)
            ++changed;
    });
    listener.ListenTo(&b.Notifier());
    b.Assign(a);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(b.BaseRect(), a.BaseRect());
    EXPECT_EQ(b.Angle(), 45);
    EXPECT_TRUE(b.DontPrint());
    EXPECT_TRUE(b.BlendShade());
    EXPECT_FALSE(b.Movable());
    EXPECT_EQ(b.Hint(), QStringLiteral("ヒント"));
    std::unique_ptr<TLabelObject> c(Clone(a, nullptr));
    EXPECT_STREQ(c->ClassName(), "TLORect");
}

TEST_F(Registered, GroupUnionResizeAndCloneOrder)
{
    TDOGroup group;
    group.AddMember(MakeRect<TLORect>({100, 100, 200, 150}));
    group.AddMember(MakeRect<TLOCircle>({300, 120, 400, 300}));
    group.AddMember(MakeRect<TLOText>({150, 50, 160, 60}));
    EXPECT_EQ(group.GetEncloseRect(), (TLogRect{100, 50, 400, 300}));
    EXPECT_TRUE(group.HitTest({350, 200}));
    EXPECT_FALSE(group.HitTest({250, 250}));
    // Twice the width: every member's width and its distance from the left edge double.
    group.SetEncloseSize(600, 250);
    EXPECT_EQ(static_cast<TLORectBase*>(group.Members(0))->BaseRect(), (TLogRect{100, 100, 300, 150}));
    EXPECT_EQ(static_cast<TLORectBase*>(group.Members(1))->BaseRect(), (TLogRect{500, 120, 700, 300}));
    group.SetBoundsLeft(0);
    EXPECT_EQ(group.GetEncloseRect().Left, 0);
    std::unique_ptr<TLabelObject> copy(Clone(group, nullptr));
    auto* g = dynamic_cast<TDOGroup*>(copy.get());
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->MemberCount(), 3);
    EXPECT_STREQ(g->Members(0)->ClassName(), "TLORect");
    EXPECT_STREQ(g->Members(1)->ClassName(), "TLOCircle");
    EXPECT_STREQ(g->Members(2)->ClassName(), "TLOText");
    EXPECT_NE(g->Members(0), group.Members(0));
    EXPECT_EQ(g->GetEncloseRect(), group.GetEncloseRect());
    // Groups travel in label streams with their members as children.
    TDOList list;
    list.Add(&group);
    TMemoryStream stream;
    WriteLabelData(stream, list);
    stream.SetPosition(0);
    TDOList read;
    ReadLabelData(stream, read);
    ASSERT_EQ(read.Count(), 1);
    auto* back = dynamic_cast<TDOGroup*>(read[0]);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->MemberCount(), 3);
    EXPECT_STREQ(back->Members(2)->ClassName(), "TLOVelmoText"); // the old name resolves anew
    EXPECT_EQ(back->GetEncloseRect(), group.GetEncloseRect());
    read.FreeObjects();
}

TEST_F(Registered, UngroupPutsCopiesOnTheSite)
{
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(1000);
    site.SetLogHeight(600);
    auto* group = new TDOGroup(&site);
    group->AddMember(MakeRect<TLORect>({100, 100, 200, 150}));
    group->AddMember(MakeRect<TLOCircle>({300, 120, 400, 300}));
    site.AddObject(group);
    std::vector<QString> recorded;
    SetAddActionRecorder([&](TDrawObject* o, const QString& caption) {
        recorded.push_back(QString::fromLatin1(o->ClassName()) + caption);
    });
    const std::vector<TDrawObject*> copies = group->Ungroup();
    SetAddActionRecorder({});
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(recorded,
              (std::vector<QString>{QStringLiteral("TLOCircle追加"), QStringLiteral("TLORect追加")}));
    EXPECT_EQ(site.ObjectCount(), 3);
    EXPECT_TRUE(copies[0]->Selected());
    EXPECT_EQ(copies[0]->Owner(), &site);
}

TEST_F(Registered, DontPrintObjectsStayOffPrintedOutput)
{
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(400);
    site.SetLogHeight(400);
    site.SetBorder(false);
    TLORect* r = MakeRect<TLORect>({100, 100, 300, 300}, &site);
    r->FillColor = Qt::black;
    site.AddObject(r);
    int dontPrintNotes = 0;
    TListener listener([&](TComponent*, const TGUID& kind) {
        if (kind == nkDontPrint)
            ++dontPrintNotes;
    });
    listener.ListenTo(&site.Broadcaster());
    r->SetDontPrint(true);
    EXPECT_EQ(dontPrintNotes, 1);
    // On screen it is drawn.
    site.SetColor(clWhite);
    const QImage screen = site.grab().toImage();
    EXPECT_EQ(QColor(screen.pixel(site.ToDevice({200, 200}))), QColor(Qt::black));
    // In a preview image it is drawn too, unless print output is on.
    QImage preview(400, 400, QImage::Format_RGB32);
    SetImageDPI(preview, 254);
    preview.fill(Qt::white);
    {
        QPainter p(&preview);
        site.DrawTo(p, {0, 0}, 100);
    }
    EXPECT_EQ(QColor(preview.pixel(200, 200)), QColor(Qt::black));
    preview.fill(Qt::white);
    SetPrintOutput(true);
    {
        QPainter p(&preview);
        site.DrawTo(p, {0, 0}, 100);
    }
    SetPrintOutput(false);
    EXPECT_EQ(QColor(preview.pixel(200, 200)), QColor(Qt::white));
    // A PDF page is printed output: the object's paint is never reached.
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath(QStringLiteral("out.pdf")));
    int paints = 0;
    struct Counting : TLORect
    {
        int* Count;
        explicit Counting(int* count) : Count(count) {}
        void Paint(QPainter& p) override
        {
            ++*Count;
            TLORect::Paint(p);
        }
    };
    auto* counting = new Counting(&paints);
    counting->SetBaseRect({0, 0, 50, 50});
    counting->SetDontPrint(true);
    site.AddObject(counting);
    {
        QPainter p(&pdf);
        site.DrawTo(p, {0, 0}, 100);
    }
    EXPECT_EQ(paints, 0);
    delete counting;
}

namespace {
// A property editor that answers for TLOVelmoText and can be told to cancel.
class TestEditor : public TDesigner
{
public:
    bool Cancel = false;
    int Edits = 0;
    bool EditObject(TLabelObject* object, bool& cancelled) override
    {
        if (!dynamic_cast<TLOVelmoText*>(object))
            return false;
        ++Edits;
        cancelled = Cancel;
        return true;
    }
};
// Gives rectangle objects a drag: records the begin-drag requests.
class TestGhostDesigner : public TDesigner
{
public:
    std::vector<int> Drags;
    bool BeginDrag(TLabelObject*, int pivotIndex) override
    {
        Drags.push_back(pivotIndex);
        return true;
    }
};
} // namespace

TEST_F(Registered, CreatorMakesKindsAndPlacesThem)
{
    EXPECT_EQ(TLOCreator::ClassForKind(QStringLiteral("TLOTextPaste")), QStringLiteral("TLOVelmoText"));
    EXPECT_EQ(TLOCreator::ClassForKind(QStringLiteral("TLOJANCode")), QStringLiteral("TLOBarCode"));
    EXPECT_EQ(TLOCreator::ClassForKind(QStringLiteral("TLOFace")), QString());
    EXPECT_TRUE(TLOCreator::DragToCreate(QStringLiteral("TLOField")));
    EXPECT_TRUE(TLOCreator::EditFirst(QStringLiteral("TLOField")));
    EXPECT_FALSE(TLOCreator::EditFirst(QStringLiteral("TLORect")));

    auto ghosts = std::make_shared<TestGhostDesigner>();
    auto creator = std::make_shared<TLOCreator>();
    auto editor = std::make_shared<TestEditor>();
    TDesignerList& designers = TDesignerList::Instance();
    designers.Register(ghosts);
    designers.Register(creator);
    designers.Register(editor);

    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(1000);
    site.SetLogHeight(600);
    std::vector<QString> recorded;
    SetAddActionRecorder([&](TDrawObject*, const QString& caption) { recorded.push_back(caption); });

    // A rectangle is dragged out: added hidden, drag -2 begun.
    EXPECT_TRUE(designers.CreateObject(&site, QStringLiteral("TLORect")));
    ASSERT_EQ(site.ObjectCount(), 1);
    EXPECT_FALSE(site.Objects(0)->Visible());
    EXPECT_EQ(ghosts->Drags, std::vector<int>{-2});
    EXPECT_EQ(site.Objects(0)->Cursor(), crHandPoint);
    EXPECT_TRUE(recorded.empty());

    // Text opens its dialog first; cancelling adds nothing.
    editor->Cancel = true;
    EXPECT_TRUE(designers.CreateObject(&site, QStringLiteral("TLOText")));
    EXPECT_EQ(editor->Edits, 1);
    EXPECT_EQ(site.ObjectCount(), 1);
    EXPECT_EQ(site.ComponentCount(), 1);
    // Accepted, it is placed in the middle, selected and recorded.
    editor->Cancel = false;
    EXPECT_TRUE(designers.CreateObject(&site, QStringLiteral("TLOText")));
    ASSERT_EQ(site.ObjectCount(), 2);
    auto* text = dynamic_cast<TLOVelmoText*>(site.Objects(1));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->GetAutoSize());
    EXPECT_TRUE(text->Selected());
    EXPECT_EQ(recorded, std::vector<QString>{QStringLiteral("追加")});
    const QPoint middle = site.ToLogical(QPoint(site.width() / 2, site.height() / 2));
    EXPECT_EQ(RectCenter(text->BaseRect()), middle);

    // Unknown kinds make nothing.
    EXPECT_FALSE(designers.CreateObject(&site, QStringLiteral("TLOFace")));
    // Editing an object nobody handles reports no change.
    EXPECT_FALSE(static_cast<TLabelObject*>(site.Objects(0))->Edit());
    // Double-clicking an edited object tells the site.
    int cleared = 0;
    site.OnClearGhost = [&](TComponent* sender) {
        EXPECT_EQ(sender, text);
        ++cleared;
    };
    text->OnDblClick(text);
    EXPECT_EQ(cleared, 1);
    SetAddActionRecorder({});
}
