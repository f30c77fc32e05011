// Damaged files end in a storage error at once: no crash, no hang, no huge allocation.
#include "storage/CompoundFileTestSupport.h"
#include "storage/UCompoundFile.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

// A sound file: root { "Big" 5000 bytes (sectors), "Small" 100 bytes (mini stream),
// "Sub" { "Inner" 200 bytes } }, in version 3.
QByteArray SoundFile()
{
    auto root = TCompoundFile::CreateInMemory();
    PutStream(*root, QStringLiteral("Big"), Pattern(5000, 1));
    PutStream(*root, QStringLiteral("Small"), Pattern(100, 2));
    auto sub = root->CreateStorage(QStringLiteral("Sub"));
    PutStream(*sub, QStringLiteral("Inner"), Pattern(200, 3));
    sub.reset();
    return root->File().SaveToBytes(3);
}

qsizetype SectorOffset(uint32_t sector)
{
    return (qsizetype(sector) + 1) * 512;
}

qsizetype FatEntry(const QByteArray& f, uint32_t sector)
{
    return SectorOffset(Get32(f, 76)) + 4 * qsizetype(sector);
}

// The directory entry of that name (the directory's sectors are consecutive here).
qsizetype EntryOffset(const QByteArray& f, const QString& name)
{
    const qsizetype dir = SectorOffset(Get32(f, 48));
    for (int i = 0; i < 8; ++i) {
        const qsizetype p = dir + 128 * i;
        const int units = (uint8_t(f[p + 64]) | (uint8_t(f[p + 65]) << 8)) / 2 - 1;
        if (QString(reinterpret_cast<const QChar*>(f.constData() + p), units) == name)
            return p;
    }
    ADD_FAILURE() << "no entry " << name.toStdString();
    return dir;
}

// Opens the bytes and reads everything; returns the status of the error raised.
uint32_t StatusOfReading(const QByteArray& bytes)
{
    QElapsedTimer timer;
    timer.start();
    uint32_t status = 0;
    try {
        auto root = TCompoundFile::OpenBytes(bytes);
        Listing(*root);
    } catch (const EStorageError& e) {
        status = e.Status();
    }
    EXPECT_LT(timer.elapsed(), 2000) << "a damaged file must fail quickly";
    return status;
}

TEST(CompoundFileDamage, SoundFileReads)
{
    EXPECT_EQ(StatusOfReading(SoundFile()), 0u);
}

TEST(CompoundFileDamage, NotACompoundFile)
{
    EXPECT_EQ(StatusOfReading(QByteArray()), stg::E_INVALIDHEADER);
    EXPECT_EQ(StatusOfReading(QByteArray(100, 'x')), stg::E_INVALIDHEADER);
    QByteArray f = SoundFile();
    f[0] = 'X';
    EXPECT_EQ(StatusOfReading(f), stg::E_INVALIDHEADER);
    f = SoundFile();
    Set16(f, 30, 10); // sector shift that fits no version
    EXPECT_EQ(StatusOfReading(f), stg::E_INVALIDHEADER);
}

TEST(CompoundFileDamage, TruncatedFiles)
{
    const QByteArray sound = SoundFile();
    for (qsizetype size : {qsizetype(512), qsizetype(1024), qsizetype(2048), sound.size() - 1024}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(StatusOfReading(sound.left(size)), stg::E_DOCFILECORRUPT);
    }
}

TEST(CompoundFileDamage, FatLoopAndChainsOutsideTheFile)
{
    const QByteArray sound = SoundFile();
    const uint32_t big = Get32(sound, EntryOffset(sound, QStringLiteral("Big")) + 116);
    QByteArray loop = sound;
    Set32(loop, FatEntry(loop, big + 9), big); // last sector of "Big" back to its first
    EXPECT_EQ(StatusOfReading(loop), stg::E_DOCFILECORRUPT);
    QByteArray self = sound;
    Set32(self, FatEntry(self, big), big);
    EXPECT_EQ(StatusOfReading(self), stg::E_DOCFILECORRUPT);
    QByteArray outside = sound;
    Set32(outside, FatEntry(outside, big + 3), 0x00FFFFFF);
    EXPECT_EQ(StatusOfReading(outside), stg::E_DOCFILECORRUPT);
    QByteArray start = sound;
    Set32(start, EntryOffset(start, QStringLiteral("Big")) + 116, 0x7FFFFFFF);
    EXPECT_EQ(StatusOfReading(start), stg::E_DOCFILECORRUPT);
    // Two streams sharing sectors.
    QByteArray shared = sound;
    Set32(shared, EntryOffset(shared, QStringLiteral("Small")) + 116,
          Get32(shared, EntryOffset(shared, QStringLiteral("Inner")) + 116));
    EXPECT_EQ(StatusOfReading(shared), stg::E_DOCFILECORRUPT);
    // A directory chain that loops.
    QByteArray dir = sound;
    const uint32_t firstDir = Get32(dir, 48);
    Set32(dir, FatEntry(dir, firstDir), firstDir);
    EXPECT_EQ(StatusOfReading(dir), stg::E_DOCFILECORRUPT);
    // A mini FAT loop.
    QByteArray mini = sound;
    const uint32_t small = Get32(mini, EntryOffset(mini, QStringLiteral("Small")) + 116);
    Set32(mini, SectorOffset(Get32(mini, 60)) + 4 * qsizetype(small + 1), small);
    EXPECT_EQ(StatusOfReading(mini), stg::E_DOCFILECORRUPT);
}

TEST(CompoundFileDamage, DirectoryLoops)
{
    const QByteArray sound = SoundFile();
    // A child that points back at the storage above it.
    QByteArray up = sound;
    const qsizetype inner = EntryOffset(up, QStringLiteral("Inner"));
    Set32(up, inner + 68, 0); // left sibling: the root entry
    EXPECT_EQ(StatusOfReading(up), stg::E_DOCFILECORRUPT);
    QByteArray cycle = sound;
    const qsizetype sub = EntryOffset(cycle, QStringLiteral("Sub"));
    const uint32_t subIndex = uint32_t((sub - SectorOffset(Get32(cycle, 48))) / 128);
    Set32(cycle, inner + 72, subIndex); // Inner's sibling is its own parent
    EXPECT_EQ(StatusOfReading(cycle), stg::E_DOCFILECORRUPT);
    QByteArray child = sound;
    Set32(child, sub + 76, subIndex); // a storage that contains itself
    EXPECT_EQ(StatusOfReading(child), stg::E_DOCFILECORRUPT);
    QByteArray outOfRange = sound;
    Set32(outOfRange, inner + 72, 5000);
    EXPECT_EQ(StatusOfReading(outOfRange), stg::E_DOCFILECORRUPT);
    QByteArray freeEntry = sound;
    Set32(freeEntry, inner + 72, 5); // an unused entry
    EXPECT_EQ(StatusOfReading(freeEntry), stg::E_DOCFILECORRUPT);
    QByteArray name = sound;
    Set16(name, inner + 64, 200);
    EXPECT_EQ(StatusOfReading(name), stg::E_DOCFILECORRUPT);
}

TEST(CompoundFileDamage, HugeSizesAndCounts)
{
    const QByteArray sound = SoundFile();
    for (uint32_t size : {6000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        QByteArray f = sound;
        Set32(f, EntryOffset(f, QStringLiteral("Big")) + 120, size);
        EXPECT_EQ(StatusOfReading(f), stg::E_DOCFILECORRUPT) << size;
    }
    QByteArray small = sound;
    Set32(small, EntryOffset(small, QStringLiteral("Small")) + 120, 4000);
    EXPECT_EQ(StatusOfReading(small), stg::E_DOCFILECORRUPT);
    QByteArray mini = sound;
    Set32(mini, EntryOffset(mini, QStringLiteral("Root Entry")) + 120, 0x7FFFFFF0);
    EXPECT_EQ(StatusOfReading(mini), stg::E_DOCFILECORRUPT);
    for (qsizetype field : {44, 64, 72}) { // FAT, mini FAT and DIFAT sector counts
        QByteArray f = sound;
        Set32(f, field, 0xFFFFFFFF);
        EXPECT_EQ(StatusOfReading(f), stg::E_DOCFILECORRUPT) << field;
    }
    QByteArray noFat = sound;
    Set32(noFat, 44, 0);
    EXPECT_EQ(StatusOfReading(noFat), stg::E_DOCFILECORRUPT);
    QByteArray fatOutside = sound;
    Set32(fatOutside, 76, 0x10000);
    EXPECT_EQ(StatusOfReading(fatOutside), stg::E_DOCFILECORRUPT);
    // A version 4 size beyond the file: its high half counts there.
    auto root = TCompoundFile::CreateInMemory();
    PutStream(*root, QStringLiteral("Big"), Pattern(5000, 1));
    QByteArray v4 = root->File().SaveToBytes(4);
    const qsizetype dir = (qsizetype(Get32(v4, 48)) + 1) * 4096;
    Set32(v4, dir + 128 + 124, 1);
    EXPECT_EQ(StatusOfReading(v4), stg::E_DOCFILECORRUPT);
}

TEST(CompoundFileDamage, DifatLoop)
{
    auto root = TCompoundFile::CreateInMemory();
    PutStream(*root, QStringLiteral("Big"), Pattern(7500 * 1000, 1));
    QByteArray f = root->File().SaveToBytes(3);
    ASSERT_GE(Get32(f, 72), 1u);
    const uint32_t difat = Get32(f, 68);
    Set32(f, 72, 2);                            // claim a second DIFAT sector…
    Set32(f, SectorOffset(difat) + 508, difat); // …which is the first again
    Set32(f, 44, Get32(f, 44) + 127);           // and more FAT sectors to need it
    EXPECT_EQ(StatusOfReading(f), stg::E_DOCFILECORRUPT);
}

// Inputs that once found faults (or show a kind of damage), kept as regression tests:
// files named "valid-*" must read and write back unchanged; every other one must end
// in a storage error.
TEST(CompoundFileDamage, RegressionInputs)
{
    QDir dir(TestDataPath(QStringLiteral("compound")));
    const QStringList names = dir.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty()) << dir.path().toStdString();
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        SCOPED_TRACE(name.toStdString());
        if (name.startsWith(QStringLiteral("valid-"))) {
            auto root = TCompoundFile::OpenBytes(bytes);
            auto again = TCompoundFile::OpenBytes(root->File().SaveToBytes());
            EXPECT_EQ(Listing(*again), Listing(*root));
        } else {
            const uint32_t status = StatusOfReading(bytes);
            EXPECT_TRUE(status == stg::E_DOCFILECORRUPT || status == stg::E_INVALIDHEADER)
                << std::hex << status;
        }
    }
}

} // namespace
