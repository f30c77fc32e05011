// Saving must never lose the previous file: every failure on the way (a full disk at
// any byte, a writer that throws, another program's lock, a folder that is gone, a name
// the file system cannot hold) leaves it byte for byte and no temporary file behind.
#include "storage/CompoundFileTestSupport.h"
#include "storage/UDocFile.h"
#include "storage/USafeFile.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmo;
using namespace velmo::test;

namespace {

class SafeSave : public ::testing::Test
{
protected:
    void TearDown() override { SetWriteFaultAfter(-1); }

    QString Path(const QString& name) const { return FDir.filePath(name); }
    QStringList Entries() const
    {
        return QDir(FDir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    // A work file the tests try to replace.
    QString MakeOld(const QString& name)
    {
        const QString file = Path(name);
        auto root = TCompoundFile::CreateFile(file);
        PutStream(*root, QStringLiteral("Old"), Pattern(9000, 1));
        root->Commit();
        return file;
    }

    QTemporaryDir FDir;
};

uint32_t StatusOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EStorageError& error) {
        return error.Status();
    }
    return stg::S_OK;
}

TEST_F(SafeSave, ReplacesWholeAndKeepsThePermissions)
{
    const QString file = Path(QStringLiteral("a.bin"));
    WriteFileReplacing(file, QByteArray("first"));
    ::chmod(QFile::encodeName(file).constData(), 0640);
    WriteFileReplacing(file, QByteArray("second, longer"));
    EXPECT_EQ(ReadFileBytes(file), QByteArray("second, longer"));
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("a.bin")});
}

TEST_F(SafeSave, AFullDiskAtAnyByteOfACommitLeavesThePreviousFile)
{
    const QString file = MakeOld(QStringLiteral("work.lbd"));
    const QByteArray before = ReadFileBytes(file);
    QByteArray whole;
    {
        auto memory = TCompoundFile::CreateInMemory();
        PutStream(*memory, QStringLiteral("New"), Pattern(70000, 2));
        PutStream(*memory, QStringLiteral("Small"), Pattern(100, 3));
        whole = memory->File().SaveToBytes();
    }
    // Every byte up to the first sectors, then every sector boundary and its neighbours.
    std::vector<int64_t> limits;
    for (int64_t n = 0; n < 1100; ++n)
        limits.push_back(n);
    for (int64_t n = 1536; n < whole.size(); n += 512) {
        limits.push_back(n - 1);
        limits.push_back(n);
        limits.push_back(n + 1);
    }
    limits.push_back(whole.size() - 1);
    for (const int64_t limit : limits) {
        auto root = TCompoundFile::OpenFile(file, TStgAccess::ReadWrite);
        root->DestroyElement(QStringLiteral("Old"));
        PutStream(*root, QStringLiteral("New"), Pattern(70000, 2));
        PutStream(*root, QStringLiteral("Small"), Pattern(100, 3));
        SetWriteFaultAfter(limit);
        EXPECT_EQ(StatusOf([&] { root->Commit(); }), stg::E_MEDIUMFULL) << limit;
        SetWriteFaultAfter(-1);
        root.reset();
        ASSERT_EQ(ReadFileBytes(file), before) << "after a fault at byte " << limit;
        ASSERT_EQ(Entries(), QStringList{QStringLiteral("work.lbd")}) << limit;
    }
    // With room enough the same commit goes through, and the file is still ours.
    auto root = TCompoundFile::OpenFile(file, TStgAccess::ReadWrite);
    PutStream(*root, QStringLiteral("New"), Pattern(70000, 2));
    root->Commit();
    EXPECT_EQ(GetStream(*root, QStringLiteral("New")), Pattern(70000, 2));
    EXPECT_EQ(StatusOf([&] { TCompoundFile::OpenFile(file, TStgAccess::Read); }), stg::E_SHAREVIOLATION);
}

TEST_F(SafeSave, AWriterThatThrowsLeavesThePreviousFile)
{
    const QString file = Path(QStringLiteral("b.bin"));
    WriteFileReplacing(file, QByteArray("kept"));
    EXPECT_THROW(WriteFileReplacing(file,
                                    [](QIODevice& out) {
                                        out.write("half of it");
                                        throw EStreamError(QStringLiteral("the writer gave up"));
                                    }),
                 EStreamError);
    EXPECT_EQ(ReadFileBytes(file), QByteArray("kept"));
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("b.bin")});
}

TEST_F(SafeSave, ALockOfAnotherProgramRefusesBeforeAnythingIsWritten)
{
    const QString file = MakeOld(QStringLiteral("locked.lbd"));
    const QByteArray before = ReadFileBytes(file);
    // flock(1) holds a shared lock the way another reader of the file would.
    QProcess holder;
    holder.start(QStringLiteral("flock"),
                 {QStringLiteral("-s"), file, QStringLiteral("-c"), QStringLiteral("echo locked; sleep 30")});
    ASSERT_TRUE(holder.waitForStarted()) << "flock(1) is part of util-linux";
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    // Replacing it whole, as "new … OUT.lbd" does, and committing changes to it.
    EXPECT_EQ(StatusOf([&] {
                  auto created = TCompoundFile::CreateFile(file);
                  PutStream(*created, QStringLiteral("X"), "y");
                  created->Commit();
              }),
              stg::E_SHAREVIOLATION);
    EXPECT_EQ(StatusOf([&] { WriteFileReplacing(file, QByteArray("other")); }), stg::E_SHAREVIOLATION);
    {
        TTemporaryStorage doc;
        PutStream(doc.Handle(), QStringLiteral("X"), "y");
        EXPECT_EQ(StatusOf([&] { doc.SaveTo(file); }), stg::E_SHAREVIOLATION);
    }
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("locked.lbd")});
}

TEST_F(SafeSave, ARootDestroyedWithoutCommitDiscards)
{
    const QString file = MakeOld(QStringLiteral("c.lbd"));
    const QByteArray before = ReadFileBytes(file);
    try {
        TFileStorage root(file, fmDocReadWrite);
        PutStream(root.Handle(), QStringLiteral("Half"), Pattern(5000, 4));
        throw EStreamError(QStringLiteral("a failure in the middle of an edit"));
    } catch (const EStreamError&) {
    }
    EXPECT_EQ(ReadFileBytes(file), before);
    TFileStorage root(file, fmDocReadWrite);
    PutStream(root.Handle(), QStringLiteral("Whole"), "w");
    root.Close();
    TFileStorage read(file, fmDocRead);
    EXPECT_TRUE(read.StreamExists(QStringLiteral("Whole")));
}

TEST_F(SafeSave, BadTargetsAreRefusedWithTheirStatus)
{
    EXPECT_EQ(StatusOf([&] { WriteFileReplacing(Path(QStringLiteral("gone/x.bin")), QByteArray("x")); }),
              stg::E_PATHNOTFOUND);
    QDir(FDir.path()).mkdir(QStringLiteral("folder"));
    EXPECT_EQ(StatusOf([&] { WriteFileReplacing(Path(QStringLiteral("folder")), QByteArray("x")); }),
              stg::E_ACCESSDENIED);
    // A lone surrogate cannot be encoded: refused rather than saved under another name.
    const QString broken = Path(QStringLiteral("bad")) + QChar(0xD800) + QStringLiteral(".lbd");
    EXPECT_EQ(StatusOf([&] { WriteFileReplacing(broken, QByteArray("x")); }), stg::E_INVALIDNAME);
    EXPECT_EQ(StatusOf([&] { TCompoundFile::CreateFile(broken)->Commit(); }), stg::E_INVALIDNAME);
    if (::geteuid() != 0) {
        const QString file = Path(QStringLiteral("ro.bin"));
        WriteFileReplacing(file, QByteArray("read only"));
        ::chmod(QFile::encodeName(file).constData(), 0444);
        EXPECT_EQ(StatusOf([&] { WriteFileReplacing(file, QByteArray("x")); }), stg::E_ACCESSDENIED);
        EXPECT_EQ(ReadFileBytes(file), QByteArray("read only"));
    }
    for (const QString& entry : Entries())
        EXPECT_FALSE(entry.startsWith(u'.')) << entry.toStdString(); // no temporary file left
}

// The real thing: a small file system that fills up before and during the save.
TEST_F(SafeSave, ARealFullDiskLeavesThePreviousFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString mountPoint = Path(QStringLiteral("small"));
    QDir().mkpath(mountPoint);
    const QByteArray point = QFile::encodeName(mountPoint);
    if (::mount("tmpfs", point.constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "this machine does not let us mount a tmpfs";
    struct TUnmount
    {
        QByteArray Point;
        ~TUnmount() { ::umount2(Point.constData(), MNT_DETACH); }
    } unmount{point};

    const QString file = mountPoint + QStringLiteral("/out.lbd");
    {
        auto root = TCompoundFile::CreateFile(file);
        PutStream(*root, QStringLiteral("Old"), Pattern(100000, 5));
        root->Commit();
    }
    const QByteArray before = ReadFileBytes(file);
    // Fill the rest, leaving exactly nothing, then one page.
    for (const int64_t spare : {int64_t(0), int64_t(4096)}) {
        const QString filler = mountPoint + QStringLiteral("/filler");
        QFile::remove(filler);
        {
            QFile fill(filler);
            ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'f');
            while (fill.write(block) == block.size() && fill.flush()) {
            }
        }
        if (spare > 0) {
            QFile fill(filler);
            fill.resize(fill.size() - spare);
        }
        auto root = TCompoundFile::OpenFile(file, TStgAccess::ReadWrite);
        PutStream(*root, QStringLiteral("New"), Pattern(300000, 6));
        EXPECT_EQ(StatusOf([&] { root->Commit(); }), stg::E_MEDIUMFULL) << spare;
        root.reset();
        EXPECT_EQ(ReadFileBytes(file), before) << spare;
        EXPECT_EQ(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{QStringLiteral("filler"), QStringLiteral("out.lbd")}));
    }
}

} // namespace
