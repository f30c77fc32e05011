#include "paper/CatalogueTestSupport.h"
#include "paper/UPaperRecords.h"
#include "persist/UComponentStream.h"
#include <gtest/gtest.h>

using namespace velmo;

namespace velmo::test {

const TPropertyTable& TRecordTestShape::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Value", &TRecordTestShape::Value, &TRecordTestShape::SetValue)
            .Default(0);
    return table;
}

void EnsureRecordClasses()
{
    RegisterPaperClasses();
    RegisterPaperRecordClasses();
    RegisterClass<TRecordTestShape>();
}

} // namespace velmo::test

using velmo::test::TRecordTestShape;

namespace {

template <class T> std::unique_ptr<T> RoundTrip(const TComponent& component)
{
    TMemoryStream stream(ComponentStreamBytes(component));
    std::unique_ptr<TComponent> read = ReadComponent(stream);
    auto* typed = dynamic_cast<T*>(read.get());
    if (!typed)
        return nullptr;
    read.release();
    return std::unique_ptr<T>(typed);
}

class PaperRecords : public ::testing::Test
{
protected:
    void SetUp() override { velmo::test::EnsureRecordClasses(); }
};

TEST_F(PaperRecords, UpdateInfoRoundTrips)
{
    TPaperUpdate update;
    // The number has no default: a fresh catalogue says 0 in so many words.
    EXPECT_TRUE(ComponentStreamBytes(update).contains("PPRNo"));

    update.SetPPRNo(42);
    update.SetLastUpdate(45000.5);
    auto read = RoundTrip<TPaperUpdate>(update);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->PPRNo(), 42);
    EXPECT_DOUBLE_EQ(read->LastUpdate(), 45000.5);

    TPaperUpdate copy;
    copy.Assign(update);
    EXPECT_EQ(copy.PPRNo(), 42);
    EXPECT_DOUBLE_EQ(copy.LastUpdate(), 45000.5);
}

TEST_F(PaperRecords, ExInfoIsEmptyOnlyWithoutPurposeMakerAndCorner)
{
    TExPaperInfo info;
    info.SetPaperName(QStringLiteral("A4 12面"));
    EXPECT_TRUE(info.IsEmpty()); // the paper name alone carries nothing
    info.SetRoundSize(30);
    EXPECT_FALSE(info.IsEmpty());
    info.SetRoundSize(0);
    info.SetCompany(QStringLiteral("コクヨ"));
    EXPECT_FALSE(info.IsEmpty());
    info.SetCompany(QString());
    info.SetPurpose(QStringLiteral("宛名"));
    EXPECT_FALSE(info.IsEmpty());
}

TEST_F(PaperRecords, ExInfoRoundTripsAndAssignsAllFields)
{
    TExPaperInfo info;
    info.SetPaperName(QStringLiteral("ラベル～２４面"));
    info.SetPurpose(QStringLiteral("宛名"));
    info.SetCompany(QStringLiteral("エーワン"));
    info.SetRoundSize(25);
    auto read = RoundTrip<TExPaperInfo>(info);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->PaperName(), info.PaperName());
    EXPECT_EQ(read->Purpose(), info.Purpose());
    EXPECT_EQ(read->Company(), info.Company());
    EXPECT_EQ(read->RoundSize(), 25);
    EXPECT_TRUE(read->SameAs(info));

    std::unique_ptr<TExtraPaperInfo> clone = info.Clone();
    auto* ex = dynamic_cast<TExPaperInfo*>(clone.get());
    ASSERT_TRUE(ex);
    EXPECT_EQ(ex->Company(), info.Company());
    EXPECT_EQ(ex->RoundSize(), 25);
    ex->SetRoundSize(26);
    EXPECT_FALSE(ex->SameAs(info));
}

TEST_F(PaperRecords, SameAsTellsRecordClassesApart)
{
    TExPaperInfo ex;
    TImagePaperInfo image;
    ex.SetPaperName(QStringLiteral("X"));
    image.SetPaperName(QStringLiteral("X"));
    EXPECT_FALSE(ex.SameAs(image));
}

TEST_F(PaperRecords, NewImageRecordDesignsSeparately)
{
    TImagePaperInfo info;
    EXPECT_TRUE(info.SeparatelyDesign());
    EXPECT_EQ(info.LabelCount(), 0);
    EXPECT_TRUE(info.IsEmpty());
    info.SetFaceCount(3);
    EXPECT_TRUE(info.IsEmpty()); // empty face lists hold nothing
    // Both fields are always written, also at their initial values.
    const QByteArray bytes = ComponentStreamBytes(info);
    EXPECT_TRUE(bytes.contains("SeparatelyDesign"));
    EXPECT_TRUE(bytes.contains("LabelCount"));
    info.SetSeparatelyDesign(false);
    info.SetLabelCount(12);
    auto read = RoundTrip<TImagePaperInfo>(info);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->SeparatelyDesign());
    EXPECT_EQ(read->LabelCount(), 12);
}

TEST_F(PaperRecords, FaceObjectsBecomeBackgroundCopies)
{
    TRecordTestShape a, b;
    a.SetValue(1);
    b.SetValue(2);
    b.SetLayerGroup(7);
    TDOList source;
    source.Add(&a);
    source.Add(&b);

    TImagePaperInfo info;
    info.SetFaceObjects(0, source);
    info.SetFaceObjects(1, TDOList());
    ASSERT_EQ(info.FaceCount(), 2);
    ASSERT_EQ(info.Faces(0).Count(), 2);
    EXPECT_FALSE(info.IsEmpty());
    for (TDrawObject* object : info.Faces(0).Objects()) {
        EXPECT_NE(object, &a);
        EXPECT_NE(object, &b);
        EXPECT_EQ(object->LayerGroup(), kBackgroundLayerGroup);
        EXPECT_FALSE(object->Selectable());
        EXPECT_FALSE(object->Enabled());
    }
    EXPECT_EQ(static_cast<TRecordTestShape*>(info.Faces(0)[1])->Value(), 2);
    // The originals are untouched.
    EXPECT_EQ(b.LayerGroup(), 7);
    EXPECT_TRUE(a.Selectable());
    EXPECT_THROW(info.SetFaceObjects(5, source), EInternalError);

    // Replacing a face frees its old objects and keeps the others.
    TDOList one;
    one.Add(&a);
    info.SetFaceObjects(0, one);
    EXPECT_EQ(info.Faces(0).Count(), 1);
    EXPECT_EQ(info.FaceCount(), 2);
}

TEST_F(PaperRecords, AssignDeepCopiesFaceLists)
{
    TRecordTestShape a;
    a.SetValue(5);
    TDOList source;
    source.Add(&a);
    TImagePaperInfo info;
    info.SetPaperName(QStringLiteral("P"));
    info.SetSeparatelyDesign(false);
    info.SetLabelCount(4);
    info.SetFaceObjects(0, source);
    info.SetFaceObjects(1, source);

    TImagePaperInfo copy;
    copy.SetFaceCount(5);
    copy.Assign(info);
    EXPECT_EQ(copy.PaperName(), QStringLiteral("P"));
    EXPECT_FALSE(copy.SeparatelyDesign());
    EXPECT_EQ(copy.LabelCount(), 4);
    ASSERT_EQ(copy.FaceCount(), 2);
    ASSERT_EQ(copy.Faces(1).Count(), 1);
    EXPECT_NE(copy.Faces(1)[0], info.Faces(1)[0]);
    EXPECT_EQ(static_cast<TRecordTestShape*>(copy.Faces(1)[0])->Value(), 5);
    EXPECT_FALSE(copy.Faces(1)[0]->Enabled());
    EXPECT_EQ(copy.Faces(1)[0]->LayerGroup(), kBackgroundLayerGroup);

    // Changing the copy leaves the original as it was.
    static_cast<TRecordTestShape*>(copy.Faces(1)[0])->SetValue(9);
    EXPECT_EQ(static_cast<TRecordTestShape*>(info.Faces(1)[0])->Value(), 5);
    copy.Assign(copy); // self-assignment keeps everything
    EXPECT_EQ(copy.FaceCount(), 2);
}

TEST_F(PaperRecords, LoadFaceReadsAListAndRefusesDamage)
{
    TRecordTestShape a;
    a.SetValue(3);
    TDOList source;
    source.Add(&a);
    TMemoryStream stream;
    source.SaveToStream(stream);

    TImagePaperInfo info;
    stream.SetPosition(0);
    info.LoadFace(stream);
    ASSERT_EQ(info.FaceCount(), 1);
    ASSERT_EQ(info.Faces(0).Count(), 1);
    EXPECT_FALSE(info.Faces(0)[0]->Enabled());

    QByteArray damaged = stream.Data();
    damaged.chop(3);
    TMemoryStream bad(damaged);
    EXPECT_THROW(info.LoadFace(bad), Exception);
    EXPECT_EQ(info.FaceCount(), 1); // a failed read adds no face

    // A count far beyond what the stream holds is refused before anything is made.
    TMemoryStream huge(QByteArray("\xFF\xFF\xFF\x7F", 4));
    EXPECT_THROW(info.LoadFace(huge), Exception);
}

TEST_F(PaperRecords, RecordsAreRegisteredByClassName)
{
    for (const char* name : {"TPaperUpdate", "TExPaperInfo", "TImagePaperInfo"})
        EXPECT_NE(FindComponentClass(QString::fromLatin1(name)), nullptr) << name;
}

} // namespace
