#include "storage/CompoundFileTestSupport.h"
#include "storage/UCompoundFile.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

// A tree with nested storages and streams around every size boundary of the format.
void BuildSample(TCfbStorage& root)
{
    const int sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 10000};
    int seed = 0;
    for (int size : sizes)
        PutStream(root, QStringLiteral("S%1").arg(size), Pattern(size, ++seed));
    auto sheets = root.CreateStorage(QStringLiteral("Sheets"));
    PutStream(*sheets, QStringLiteral("NameList"), Pattern(12, ++seed));
    auto sheet = sheets->CreateStorage(QStringLiteral("NameList0"));
    PutStream(*sheet, QStringLiteral("LabelData"), Pattern(70000, ++seed));
    PutStream(*sheet, QStringLiteral("Info"), Pattern(300, ++seed));
    sheet->CreateStorage(QStringLiteral("Empty"));
}

TEST(CompoundFileNames, OrderIsLengthFirstThenUpperCase)
{
    EXPECT_LT(CompareElementNames(QStringLiteral("zz"), QStringLiteral("aaa")), 0);
    EXPECT_LT(CompareElementNames(QStringLiteral("abc"), QStringLiteral("ABD")), 0);
    EXPECT_EQ(CompareElementNames(QStringLiteral("LabelData"), QStringLiteral("labeldata")), 0);
    EXPECT_GT(CompareElementNames(QStringLiteral("b"), QStringLiteral("A")), 0);
    // '_' (0x5F) sorts after upper-case letters but before lower-case ones would.
    EXPECT_GT(CompareElementNames(QStringLiteral("_"), QStringLiteral("z")), 0);

    auto root = TCompoundFile::CreateInMemory();
    for (const char* name : {"zz", "a", "B", "ab", "Ab2", "c"})
        PutStream(*root, QString::fromLatin1(name), "x");
    QStringList names;
    for (const auto& e : root->Elements())
        names << e.Name;
    EXPECT_EQ(names, (QStringList{"a", "B", "c", "ab", "zz", "Ab2"}));
}

TEST(CompoundFileNames, NamesAreCheckedAndCaseInsensitive)
{
    auto root = TCompoundFile::CreateInMemory();
    EXPECT_TRUE(IsValidElementName(QString(31, u'x')));
    EXPECT_FALSE(IsValidElementName(QString(32, u'x')));
    for (const QString& bad : {QString(), QString(32, u'x'), QStringLiteral("a\\b"), QStringLiteral("a/b"),
                               QStringLiteral("a:b"), QStringLiteral("a!b")}) {
        try {
            root->CreateStream(bad);
            ADD_FAILURE() << bad.toStdString();
        } catch (const EStorageError& e) {
            EXPECT_EQ(e.Status(), stg::E_INVALIDNAME);
        }
    }
    PutStream(*root, QStringLiteral("Data"), "old");
    PutStream(*root, QStringLiteral("DATA"), "new"); // the same element, replaced
    ASSERT_EQ(root->Elements().size(), 1u);
    EXPECT_EQ(GetStream(*root, QStringLiteral("data")), QByteArray("new"));
    // Japanese names survive as UTF-16.
    PutStream(*root, QStringLiteral("ラベル"), "jp");
    const QByteArray bytes = root->File().SaveToBytes();
    auto again = TCompoundFile::OpenBytes(bytes);
    EXPECT_EQ(GetStream(*again, QStringLiteral("ラベル")), QByteArray("jp"));
}

TEST(CompoundFileRoundTrip, TreeAndContentsSurviveBothVersions)
{
    auto root = TCompoundFile::CreateInMemory();
    BuildSample(*root);
    root->SetClass(QUuid(QStringLiteral("{12345678-9abc-def0-1234-56789abcdef0}")));
    const QStringList expected = Listing(*root);
    for (int version : {3, 4}) {
        const QByteArray bytes = root->File().SaveToBytes(version);
        EXPECT_EQ(bytes.size() % (version == 3 ? 512 : 4096), 0);
        auto read = TCompoundFile::OpenBytes(bytes);
        EXPECT_EQ(read->File().Version(), version);
        EXPECT_EQ(Listing(*read), expected) << "version " << version;
        EXPECT_EQ(read->Stat().Clsid, QUuid(QStringLiteral("{12345678-9abc-def0-1234-56789abcdef0}")));
        // Writing what was read gives the same tree again.
        auto twice = TCompoundFile::OpenBytes(read->File().SaveToBytes(3));
        EXPECT_EQ(Listing(*twice), expected);
    }
}

// Small streams live in the mini stream; from 4096 bytes on they take regular sectors.
TEST(CompoundFileRoundTrip, MiniStreamCutoffIs4096)
{
    for (int size : {4095, 4096, 4097}) {
        auto root = TCompoundFile::CreateInMemory();
        PutStream(*root, QStringLiteral("LabelData"), Pattern(size, size));
        const QByteArray bytes = root->File().SaveToBytes();
        const uint32_t firstDir = Get32(bytes, 48);
        const qsizetype dir = (qsizetype(firstDir) + 1) * 512;
        const uint32_t miniStreamSize = Get32(bytes, dir + 120);
        const uint32_t miniFatCount = Get32(bytes, 64);
        if (size < 4096) {
            EXPECT_EQ(miniStreamSize, 4096u) << size;
            EXPECT_EQ(miniFatCount, 1u);
        } else {
            EXPECT_EQ(miniStreamSize, 0u) << size;
            EXPECT_EQ(miniFatCount, 0u);
        }
        EXPECT_EQ(Get32(bytes, dir + 128 + 120), uint32_t(size));
        auto read = TCompoundFile::OpenBytes(bytes);
        EXPECT_EQ(GetStream(*read, QStringLiteral("LabelData")), Pattern(size, size)) << size;
    }
}

// Checks every storage's child tree in the raw directory: a binary search tree in the
// format's name order with valid red-black colours.
void CheckRedBlack(const QByteArray& bytes)
{
    const qsizetype sectorSize = 512;
    // Follow the directory chain through the FAT (one FAT sector suffices here).
    const uint32_t firstFat = Get32(bytes, 76);
    QByteArray dir;
    for (uint32_t s = Get32(bytes, 48); s != 0xFFFFFFFE;
         s = Get32(bytes, (qsizetype(firstFat) + 1) * 512 + 4 * s))
        dir += bytes.mid((qsizetype(s) + 1) * sectorSize, sectorSize);
    auto name = [&](uint32_t i) {
        const qsizetype p = qsizetype(i) * 128;
        const int units = (uint8_t(dir[p + 64]) | (uint8_t(dir[p + 65]) << 8)) / 2 - 1;
        return QString(reinterpret_cast<const QChar*>(dir.constData() + p), units);
    };
    auto field = [&](uint32_t i, int offset) { return Get32(dir, qsizetype(i) * 128 + offset); };
    auto black = [&](uint32_t i) { return i == 0xFFFFFFFF || dir[qsizetype(i) * 128 + 67] == 1; };
    std::function<int(uint32_t, const QString*, const QString*)> check = [&](uint32_t i, const QString* low,
                                                                             const QString* high) -> int {
        if (i == 0xFFFFFFFF)
            return 1;
        const QString n = name(i);
        if (low) {
            EXPECT_LT(CompareElementNames(*low, n), 0);
        }
        if (high) {
            EXPECT_LT(CompareElementNames(n, *high), 0);
        }
        if (!black(i)) {
            EXPECT_TRUE(black(field(i, 68)) && black(field(i, 72)))
                << "red node with red child: " << n.toStdString();
        }
        const int left = check(field(i, 68), low, &n);
        const int right = check(field(i, 72), &n, high);
        EXPECT_EQ(left, right) << "black heights differ below " << n.toStdString();
        if (dir[qsizetype(i) * 128 + 66] == 1 && field(i, 76) != 0xFFFFFFFF) {
            EXPECT_TRUE(black(field(i, 76)));
            check(field(i, 76), nullptr, nullptr);
        }
        return left + (black(i) ? 1 : 0);
    };
    EXPECT_TRUE(black(field(0, 76)));
    check(field(0, 76), nullptr, nullptr);
}

TEST(CompoundFileRoundTrip, DirectoryIsAValidRedBlackTree)
{
    for (int count : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 31, 33, 100}) {
        auto root = TCompoundFile::CreateInMemory();
        auto sub = root->CreateStorage(QStringLiteral("Sub"));
        for (int i = 0; i < count; ++i) {
            PutStream(*root, QStringLiteral("N%1").arg(i * 7919 % 1000), "r");
            PutStream(*sub, QStringLiteral("x%1").arg(i), "s");
        }
        SCOPED_TRACE(count);
        CheckRedBlack(root->File().SaveToBytes());
    }
}

TEST(CompoundFileRoundTrip, LargeFileNeedsDifatSectors)
{
    auto root = TCompoundFile::CreateInMemory();
    // 8 MiB in 32 streams: more than 109 FAT sectors can map (about 6.8 MiB).
    for (int i = 0; i < 32; ++i)
        PutStream(*root, QStringLiteral("Big%1").arg(i), Pattern(256 * 1024 + i, i));
    const QByteArray bytes = root->File().SaveToBytes();
    EXPECT_GT(Get32(bytes, 44), 109u);        // FAT sectors
    EXPECT_GE(Get32(bytes, 72), 1u);          // DIFAT sectors
    EXPECT_NE(Get32(bytes, 68), 0xFFFFFFFEu); // first DIFAT sector
    auto read = TCompoundFile::OpenBytes(bytes);
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(GetStream(*read, QStringLiteral("Big%1").arg(i)), Pattern(256 * 1024 + i, i)) << i;
}

// A version 4 file put together byte by byte: 4096-byte sectors, a storage, a
// regular stream, a mini stream and an empty stream.
QByteArray HandMadeVersion4()
{
    const int S = 4096;
    QByteArray f(7 * S, '\0');
    const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    memcpy(f.data(), sig, 8);
    Set16(f, 24, 0x3E);
    Set16(f, 26, 4);
    Set16(f, 28, 0xFFFE);
    Set16(f, 30, 12);
    Set16(f, 32, 6);
    Set32(f, 40, 1); // directory sectors
    Set32(f, 44, 1); // FAT sectors
    Set32(f, 48, 1); // first directory sector
    Set32(f, 56, 4096);
    Set32(f, 60, 2); // first mini FAT sector
    Set32(f, 64, 1);
    Set32(f, 68, 0xFFFFFFFE);
    Set32(f, 72, 0);
    for (int i = 0; i < 109; ++i)
        Set32(f, 76 + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
    auto sector = [&](int n) { return qsizetype(n + 1) * S; };
    // FAT
    for (int i = 0; i < S / 4; ++i)
        Set32(f, sector(0) + 4 * i, 0xFFFFFFFF);
    Set32(f, sector(0) + 0, 0xFFFFFFFD);
    Set32(f, sector(0) + 4, 0xFFFFFFFE);  // directory
    Set32(f, sector(0) + 8, 0xFFFFFFFE);  // mini FAT
    Set32(f, sector(0) + 12, 0xFFFFFFFE); // mini stream
    Set32(f, sector(0) + 16, 5);          // "Big", two sectors
    Set32(f, sector(0) + 20, 0xFFFFFFFE);
    // Directory
    auto entry = [&](int i, const QString& name, int type, uint32_t left, uint32_t right, uint32_t child,
                     uint32_t start, uint32_t size) {
        const qsizetype p = sector(1) + 128 * i;
        for (int k = 0; k < name.size(); ++k)
            Set16(f, p + 2 * k, name[k].unicode());
        Set16(f, p + 64, uint16_t((name.size() + 1) * 2));
        f[p + 66] = char(type);
        f[p + 67] = 1;
        Set32(f, p + 68, left);
        Set32(f, p + 72, right);
        Set32(f, p + 76, child);
        Set32(f, p + 116, start);
        Set32(f, p + 120, size);
    };
    const uint32_t none = 0xFFFFFFFF;
    for (int i = 0; i < S / 128; ++i)
        entry(i, QString(), 0, none, none, none, 0, 0);
    entry(0, QStringLiteral("Root Entry"), 5, none, none, 1, 3, 64);
    entry(1, QStringLiteral("Sub"), 1, 2, 3, 4, 0, 0);
    entry(2, QStringLiteral("Big"), 2, none, none, none, 4, 5000);
    entry(3, QStringLiteral("Small"), 2, none, none, none, 0, 10);
    entry(4, QStringLiteral("Inner"), 2, none, none, none, 0xFFFFFFFE, 0);
    // Mini FAT and mini stream
    for (int i = 0; i < S / 4; ++i)
        Set32(f, sector(2) + 4 * i, 0xFFFFFFFF);
    Set32(f, sector(2), 0xFFFFFFFE);
    memcpy(f.data() + sector(3), "0123456789", 10);
    const QByteArray big = Pattern(5000, 4);
    memcpy(f.data() + sector(4), big.constData(), size_t(big.size()));
    return f;
}

TEST(CompoundFileVersion4, HandMadeFileIsRead)
{
    auto root = TCompoundFile::OpenBytes(HandMadeVersion4());
    EXPECT_EQ(root->File().Version(), 4);
    EXPECT_EQ(Listing(*root),
              (QStringList{
                  QStringLiteral("F 5000 %1 Big")
                      .arg(QString::fromLatin1(
                          QCryptographicHash::hash(Pattern(5000, 4), QCryptographicHash::Md5).toHex())),
                  QStringLiteral("D Sub"), QStringLiteral("F 0 d41d8cd98f00b204e9800998ecf8427e Sub/Inner"),
                  QStringLiteral("F 10 781e5e245d69b566979b86e28d23f2c7 Small")}));
}

TEST(CompoundFileHandles, ElementsOpenOnceAndDestroyReverts)
{
    auto root = TCompoundFile::CreateInMemory();
    auto sub = root->CreateStorage(QStringLiteral("Sub"));
    PutStream(*sub, QStringLiteral("A"), "abc");
    try {
        root->OpenStorage(QStringLiteral("Sub"), TStgAccess::ReadWrite);
        ADD_FAILURE() << "second open of a storage";
    } catch (const EStorageError& e) {
        EXPECT_EQ(e.Status(), stg::E_ACCESSDENIED);
    }
    {
        auto a = sub->OpenStream(QStringLiteral("A"), TStgAccess::Read);
        EXPECT_THROW(sub->OpenStream(QStringLiteral("A"), TStgAccess::Read), EStorageError);
    }
    EXPECT_NO_THROW(sub->OpenStream(QStringLiteral("A"), TStgAccess::Read));
    try {
        sub->OpenStream(QStringLiteral("Missing"), TStgAccess::Read);
        ADD_FAILURE();
    } catch (const EStorageError& e) {
        EXPECT_EQ(e.Status(), stg::E_FILENOTFOUND);
    }
    auto a = sub->OpenStream(QStringLiteral("A"), TStgAccess::ReadWrite);
    root->DestroyElement(QStringLiteral("Sub"));
    EXPECT_TRUE(root->Elements().empty());
    try {
        a->Write("x", 1);
        ADD_FAILURE();
    } catch (const EStorageError& e) {
        EXPECT_EQ(e.Status(), stg::E_REVERTED);
    }
    EXPECT_THROW(sub->Elements(), EStorageError);
    EXPECT_THROW(root->DestroyElement(QStringLiteral("Sub")), EStorageError);
}

TEST(CompoundFileHandles, StreamReadWriteSeekSetSize)
{
    auto root = TCompoundFile::CreateInMemory();
    auto s = root->CreateStream(QStringLiteral("S"));
    EXPECT_EQ(s->Write("abc", 3), 3);
    EXPECT_EQ(s->Seek(10, TSeekOrigin::soBeginning), 10);
    EXPECT_EQ(s->Write("z", 1), 1);
    EXPECT_EQ(s->Size(), 11);
    char buf[16];
    s->Seek(0, TSeekOrigin::soBeginning);
    ASSERT_EQ(s->Read(buf, 16), 11);
    EXPECT_EQ(QByteArray(buf, 11), QByteArray("abc\0\0\0\0\0\0\0z", 11));
    EXPECT_EQ(s->Read(buf, 16), 0);
    EXPECT_THROW(s->Seek(-1, TSeekOrigin::soBeginning), EStorageError);
    EXPECT_EQ(s->Seek(-2, TSeekOrigin::soEnd), 9);
    s->SetSize(2);
    EXPECT_EQ(s->Size(), 2);
    s->SetSize(5);
    s->Seek(0, TSeekOrigin::soBeginning);
    ASSERT_EQ(s->Read(buf, 16), 5);
    EXPECT_EQ(QByteArray(buf, 5), QByteArray("ab\0\0\0", 5));
    EXPECT_THROW(s->SetSize(kMaxStreamSize + 1), EStorageError);
    EXPECT_THROW(s->SetSize(-1), EStorageError);
}

TEST(CompoundFileHandles, RenameMoveAndCopy)
{
    auto root = TCompoundFile::CreateInMemory();
    auto a = root->CreateStorage(QStringLiteral("A"));
    auto b = root->CreateStorage(QStringLiteral("B"));
    PutStream(*a, QStringLiteral("One"), "1");
    PutStream(*a, QStringLiteral("Two"), "2");
    EXPECT_THROW(a->RenameElement(QStringLiteral("One"), QStringLiteral("Two")), EStorageError);
    a->RenameElement(QStringLiteral("One"), QStringLiteral("ONE")); // case only
    a->RenameElement(QStringLiteral("ONE"), QStringLiteral("Uno"));
    a->MoveElementTo(QStringLiteral("Uno"), *b, QStringLiteral("Eins"));
    EXPECT_FALSE(a->Find(QStringLiteral("Uno")));
    EXPECT_EQ(GetStream(*b, QStringLiteral("Eins")), QByteArray("1"));
    // A storage cannot move below itself.
    b.reset();
    auto inner = a->CreateStorage(QStringLiteral("Inner"));
    EXPECT_THROW(root->MoveElementTo(QStringLiteral("A"), *inner, QStringLiteral("X")), EStorageError);

    // Copy merges storages and replaces streams, also into another file.
    auto other = TCompoundFile::CreateInMemory();
    auto otherA = other->CreateStorage(QStringLiteral("A"));
    PutStream(*otherA, QStringLiteral("Two"), "old two");
    PutStream(*otherA, QStringLiteral("Kept"), "kept");
    otherA.reset();
    inner.reset();
    a.reset();
    root->CopyTo(*other);
    EXPECT_EQ(
        Listing(*other),
        (QStringList{
            "D A", "F 1 c81e728d9d4c2f636f067f89cc14862c A/Two",
            "F 4 " + QString::fromLatin1(QCryptographicHash::hash("kept", QCryptographicHash::Md5).toHex()) +
                " A/Kept",
            "D A/Inner", "D B", "F 1 c4ca4238a0b923820dcc509a6f75849b B/Eins"}));
    // Copying a storage into itself would never end.
    auto self = root->OpenStorage(QStringLiteral("A"), TStgAccess::ReadWrite);
    EXPECT_THROW(root->CopyTo(*self), EStorageError);
    // Moving between files copies and destroys the original.
    self.reset();
    auto third = TCompoundFile::CreateInMemory();
    root->MoveElementTo(QStringLiteral("A"), *third, QStringLiteral("Moved"));
    EXPECT_FALSE(root->Find(QStringLiteral("A")));
    EXPECT_EQ(Listing(*third),
              (QStringList{"D Moved", "F 1 c81e728d9d4c2f636f067f89cc14862c Moved/Two", "D Moved/Inner"}));
}

TEST(CompoundFileHandles, ChangeCountFollowsEveryChange)
{
    auto root = TCompoundFile::CreateInMemory();
    TCompoundFile& file = root->File();
    uint64_t last = file.ChangeCount();
    auto changed = [&] {
        const bool grew = file.ChangeCount() > last;
        last = file.ChangeCount();
        return grew;
    };
    PutStream(*root, QStringLiteral("S"), "x");
    EXPECT_TRUE(changed());
    GetStream(*root, QStringLiteral("S"));
    root->Elements();
    EXPECT_FALSE(changed());
    root->CreateStorage(QStringLiteral("T"));
    EXPECT_TRUE(changed());
    root->RenameElement(QStringLiteral("T"), QStringLiteral("U"));
    EXPECT_TRUE(changed());
    root->DestroyElement(QStringLiteral("U"));
    EXPECT_TRUE(changed());
    root->OpenStream(QStringLiteral("S"), TStgAccess::ReadWrite)->SetSize(100);
    EXPECT_TRUE(changed());
}

class CompoundFileOnDisk : public ::testing::Test
{
protected:
    QTemporaryDir FDir;
    QString Path(const QString& name) { return FDir.filePath(name); }
};

TEST_F(CompoundFileOnDisk, CommitWritesAndReopenReads)
{
    const QString name = Path(QStringLiteral("doc.lbd"));
    {
        auto root = TCompoundFile::CreateFile(name);
        BuildSample(*root);
        root->Commit();
    }
    QStringList expected;
    {
        auto read = TCompoundFile::OpenFile(name, TStgAccess::Read);
        expected = Listing(*read);
        EXPECT_EQ(expected.size(), 18);
        EXPECT_THROW(read->CreateStream(QStringLiteral("X")), EStorageError);
    }
    const QByteArray committed = ReadFileBytes(name);
    {
        // Released without a commit: nothing is written.
        auto rw = TCompoundFile::OpenFile(name, TStgAccess::ReadWrite);
        rw->DestroyElement(QStringLiteral("S0"));
    }
    EXPECT_EQ(ReadFileBytes(name), committed);
    {
        auto rw = TCompoundFile::OpenFile(name, TStgAccess::ReadWrite);
        rw->DestroyElement(QStringLiteral("S0"));
        PutStream(*rw, QStringLiteral("Added"), Pattern(5000, 9));
        rw->Commit();
    }
    auto read = TCompoundFile::OpenFile(name, TStgAccess::Read);
    EXPECT_FALSE(read->Find(QStringLiteral("S0")));
    EXPECT_EQ(GetStream(*read, QStringLiteral("Added")), Pattern(5000, 9));
    auto sheet = read->OpenStorage(QStringLiteral("Sheets"), TStgAccess::Read)
                     ->OpenStorage(QStringLiteral("NameList0"), TStgAccess::Read);
    EXPECT_EQ(GetStream(*sheet, QStringLiteral("LabelData")), Pattern(70000, 14));
}

TEST_F(CompoundFileOnDisk, ReplacedFileStaysIntactUntilCommit)
{
    const QString name = Path(QStringLiteral("keep.lbd"));
    {
        auto root = TCompoundFile::CreateFile(name);
        PutStream(*root, QStringLiteral("Old"), "previous");
        root->Commit();
    }
    const QByteArray before = ReadFileBytes(name);
    {
        auto root = TCompoundFile::CreateFile(name);
        PutStream(*root, QStringLiteral("New"), "next");
        // Until the new content is complete the previous file is untouched.
        EXPECT_EQ(ReadFileBytes(name), before);
        root->Commit();
        EXPECT_NE(ReadFileBytes(name), before);
    }
    auto read = TCompoundFile::OpenFile(name, TStgAccess::Read);
    EXPECT_FALSE(read->Find(QStringLiteral("Old")));
    EXPECT_EQ(GetStream(*read, QStringLiteral("New")), QByteArray("next"));
}

TEST_F(CompoundFileOnDisk, ExclusiveOpenHoldsOthersOff)
{
    const QString name = Path(QStringLiteral("locked.lbd"));
    auto first = TCompoundFile::CreateFile(name);
    try {
        TCompoundFile::OpenFile(name, TStgAccess::Read);
        ADD_FAILURE() << "second exclusive open";
    } catch (const EStorageError& e) {
        EXPECT_EQ(e.Status(), stg::E_SHAREVIOLATION);
    }
    first.reset();
    auto a = TCompoundFile::OpenFile(name, TStgAccess::Read, TStgShare::DenyNone);
    auto b = TCompoundFile::OpenFile(name, TStgAccess::Read, TStgShare::DenyNone);
    EXPECT_TRUE(a && b);
}

TEST_F(CompoundFileOnDisk, OpenFailuresCarryTheirStatus)
{
    auto status = [](const std::function<void()>& f) -> uint32_t {
        try {
            f();
        } catch (const EStorageError& e) {
            return e.Status();
        }
        return 0;
    };
    EXPECT_EQ(status([&] { TCompoundFile::OpenFile(Path("missing.lbd"), TStgAccess::Read); }),
              stg::E_FILENOTFOUND);
    EXPECT_EQ(status([&] { TCompoundFile::OpenFile(Path("no/such/dir.lbd"), TStgAccess::Read); }),
              stg::E_PATHNOTFOUND);
    EXPECT_EQ(status([&] { TCompoundFile::CreateFile(Path("no/such/dir.lbd")); }), stg::E_PATHNOTFOUND);
    QFile text(Path("text.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(2000, 'x'));
    text.close();
    EXPECT_EQ(status([&] { TCompoundFile::OpenFile(Path("text.txt"), TStgAccess::Read); }),
              stg::E_INVALIDHEADER);
    // The message names the failure and its code.
    try {
        TCompoundFile::OpenFile(Path("text.txt"), TStgAccess::Read);
    } catch (const EStorageError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("0x800300FB"))) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().startsWith(StorageStatusText(stg::E_INVALIDHEADER)));
    }
}

} // namespace
