#include "storage/UDocFile.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QByteArray ReadStream(TDocStorage& storage, const QString& name)
{
    TDocStream s(storage, fmDocRead, name);
    return s.ReadBytes(s.Size());
}

void WriteStream(TDocStorage& storage, const QString& name, const QByteArray& bytes)
{
    TDocStream s(storage, fmDocCreate, name);
    s.WriteBytes(bytes);
}

uint32_t StatusOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EStorageError& e) {
        return e.Status();
    }
    return 0;
}

TEST(DocPath, Resolution)
{
    EXPECT_EQ(ResolveDocPath("a", "b"), "a\\b");
    EXPECT_EQ(ResolveDocPath("a", "\\b"), "\\b");
    EXPECT_EQ(ResolveDocPath("a\\b", "..\\c"), "a\\c");
    EXPECT_EQ(ResolveDocPath("a", "b\\.."), "a");
    EXPECT_EQ(ResolveDocPath("", "b\\.\\c\\"), "b\\c");
    EXPECT_EQ(ResolveDocPath("a\\b", "\\"), "\\");
    EXPECT_EQ(ResolveDocPath("", ""), "");
    try {
        ResolveDocPath("", "..");
        ADD_FAILURE() << "no error";
    } catch (const EPathUtil& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("too many \"..\""));
    }
    EXPECT_THROW(ResolveDocPath("a", "\\..\\b"), EPathUtil);
    EXPECT_TRUE(SameDocPath("Sheets\\NameList0", "sheets\\namelist0\\"));
    EXPECT_FALSE(SameDocPath("Sheets\\NameList0", "Sheets\\NameList01"));
    EXPECT_FALSE(SameDocPath("Sheets", "Sheets\\X"));
}

TEST(DocStorageModes, FileStyleModesMapToStorageModes)
{
    EXPECT_EQ(StorageModeOf(fmDocRead).Access, TStgAccess::Read);
    EXPECT_EQ(StorageModeOf(fmDocWrite).Access, TStgAccess::Write);
    EXPECT_EQ(StorageModeOf(fmDocReadWrite).Access, TStgAccess::ReadWrite);
    EXPECT_TRUE(StorageModeOf(fmDocCreate).Create);
    EXPECT_EQ(StorageModeOf(fmDocCreate).Access, TStgAccess::ReadWrite);
    EXPECT_EQ(StorageModeOf(fmDocRead).Share, TStgShare::Exclusive);
    EXPECT_EQ(StorageModeOf(fmDocRead | fmDocShareDenyWrite).Share, TStgShare::DenyWrite);
    EXPECT_EQ(StorageModeOf(fmDocRead | fmDocShareDenyRead).Share, TStgShare::DenyRead);
    EXPECT_EQ(StorageModeOf(fmDocRead | fmDocShareDenyNone).Share, TStgShare::DenyNone);
}

TEST(DocStorage, PathsOpenCreateAndReuseHandles)
{
    TTemporaryStorage root;
    EXPECT_EQ(StatusOf([&] { TDocStorage(root, false, "Sheets"); }), stg::E_FILENOTFOUND);
    TDocStorage sheets(root, true, "Sheets");
    EXPECT_EQ(sheets.Path(), "Sheets");
    EXPECT_EQ(sheets.Chain().size(), 2u);
    // Sheets is open: opening an element below it reuses that handle (a second open
    // of Sheets itself would be refused).
    TDocStorage sheet(root, true, "Sheets\\NameList0");
    EXPECT_EQ(sheet.Chain()[1].get(), sheets.Chain()[1].get());
    WriteStream(sheets, "NameList0\\LabelData", "label");
    EXPECT_EQ(ReadStream(root, "Sheets\\NameList0\\LabelData"), QByteArray("label"));
    EXPECT_EQ(ReadStream(sheet, "..\\NameList0\\LabelData"), QByteArray("label"));
    EXPECT_EQ(ReadStream(sheet, "\\Sheets\\NameList0\\LabelData"), QByteArray("label"));
    // The registered storage that shares most components wins.
    TDocStorage deep(sheet, true, "A\\B");
    EXPECT_EQ(deep.Path(), "Sheets\\NameList0\\A\\B");
    TDocStorage deeper(root, true, "sheets\\namelist0\\a\\b\\C");
    EXPECT_EQ(deeper.Chain()[3].get(), deep.Chain()[3].get());
    EXPECT_EQ(deeper.Chain()[4].get(), deep.Chain()[4].get());
    EXPECT_EQ(root.OpenStorages().size(), 4u);
    // Opening a path without creating stops at the first missing storage.
    EXPECT_EQ(StatusOf([&] { TDocStorage(root, false, "Sheets\\Missing\\X"); }), stg::E_FILENOTFOUND);
    EXPECT_THROW(TDocStorage(root, false, "..\\x"), EPathUtil);
}

TEST(DocStorage, ExistsDeleteListCopyMove)
{
    TTemporaryStorage root;
    WriteStream(root, "Info", "i");
    WriteStream(root, "Sheets\\NameList", "");
    WriteStream(root, "Sheets\\NameList0\\LabelData", "l0");
    WriteStream(root, "Sheets\\NameList1\\LabelData", "l1");
    EXPECT_TRUE(root.StreamExists("Info"));
    EXPECT_FALSE(root.StorageExists("Info"));
    EXPECT_TRUE(root.StorageExists("Sheets\\NameList1"));
    EXPECT_FALSE(root.StreamExists("Sheets\\NameList1"));
    EXPECT_FALSE(root.StreamExists("Nothing\\Here"));
    EXPECT_FALSE(root.StreamExists("Info\\Below")); // a stream is no folder
    {
        // An open stream still exists.
        TDocStream open(root, fmDocRead, "Info");
        EXPECT_TRUE(root.StreamExists("info"));
    }
    TDocStorage sheets(root, false, "Sheets");
    QStringList storages, streams;
    sheets.ListStorages(storages);
    sheets.ListStreams(streams);
    EXPECT_EQ(storages, (QStringList{"NameList0", "NameList1"}));
    EXPECT_EQ(streams, (QStringList{"NameList"}));

    sheets.MoveElement("NameList1", "Renamed");
    EXPECT_TRUE(root.StorageExists("Sheets\\Renamed"));
    EXPECT_FALSE(root.StorageExists("Sheets\\NameList1"));
    sheets.MoveElement("Renamed\\LabelData", "..\\Moved");
    EXPECT_EQ(ReadStream(root, "Moved"), QByteArray("l1"));

    EXPECT_TRUE(root.DeleteElement("Sheets\\Renamed"));
    EXPECT_FALSE(root.DeleteElement("Sheets\\Renamed"));
    EXPECT_FALSE(root.DeleteElement("No\\Such"));

    TTemporaryStorage other;
    WriteStream(other, "Info", "old info");
    sheets.CopyTo(other);
    QStringList copied;
    other.ListStorages(copied);
    other.ListStreams(copied);
    EXPECT_EQ(copied, (QStringList{"NameList0", "Info", "NameList"}));
    EXPECT_EQ(ReadStream(other, "NameList0\\LabelData"), QByteArray("l0"));
    EXPECT_EQ(ReadStream(other, "Info"), QByteArray("old info"));
}

TEST(DocStream, ReadWriteSeekSetSize)
{
    TTemporaryStorage root;
    TDocStream s(root, fmDocCreate, "Folder\\Data");
    EXPECT_EQ(s.Write("abcdef", 6), 6);
    EXPECT_EQ(s.Write("x", 0), 0);
    EXPECT_EQ(s.Write("x", -3), 0);
    char buf[8];
    EXPECT_EQ(s.Read(buf, 0), 0);
    EXPECT_EQ(s.Seek(-2, TSeekOrigin::soEnd), 4);
    EXPECT_EQ(s.Read(buf, 8), 2);
    EXPECT_EQ(s.Seek(-100, TSeekOrigin::soCurrent), 0);
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);
    EXPECT_EQ(s.Size(), 3);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadBytes(3), QByteArray("abc"));
    EXPECT_THROW(s.ReadUInt8(), EReadError);
    // Mode -1 replaces the stream; other modes need it to exist.
    EXPECT_EQ(StatusOf([&] { TDocStream(root, fmDocRead, "Folder\\Data"); }),
              stg::E_ACCESSDENIED); // still open
    EXPECT_EQ(StatusOf([&] { TDocStream(root, fmDocRead, "Folder\\Missing"); }), stg::E_FILENOTFOUND);
    EXPECT_EQ(StatusOf([&] { TDocStream(root, fmDocRead, "NoFolder\\Missing"); }), stg::E_FILENOTFOUND);
}

class DocFileOnDisk : public ::testing::Test
{
protected:
    QTemporaryDir FDir;
    QString Path(const QString& name) { return FDir.filePath(name); }
};

TEST_F(DocFileOnDisk, TemporaryStorageSavesAndLoadsUnmodified)
{
    const QString name = Path("work.lbd");
    TTemporaryStorage doc;
    EXPECT_FALSE(doc.IsModified());
    WriteStream(doc, "Info", "information");
    WriteStream(doc, "Sheets\\NameList0\\LabelData", QByteArray(5000, 'L'));
    EXPECT_TRUE(doc.IsModified());
    doc.SaveTo(name);
    EXPECT_FALSE(doc.IsModified());

    TTemporaryStorage loaded;
    WriteStream(loaded, "Stale", "discarded on load");
    loaded.LoadFrom(name);
    EXPECT_FALSE(loaded.IsModified());
    EXPECT_FALSE(loaded.StreamExists("Stale"));
    EXPECT_EQ(ReadStream(loaded, "Info"), QByteArray("information"));
    EXPECT_EQ(ReadStream(loaded, "Sheets\\NameList0\\LabelData"), QByteArray(5000, 'L'));
    // Reading does not modify; marking does until the next mark.
    EXPECT_FALSE(loaded.IsModified());
    loaded.Mark(true);
    EXPECT_TRUE(loaded.IsModified());
    loaded.Mark(false);
    EXPECT_FALSE(loaded.IsModified());
    EXPECT_TRUE(loaded.DeleteElement("Info"));
    EXPECT_TRUE(loaded.IsModified());
    // The file was closed after loading: it can be opened exclusively again.
    TFileStorage file(name, fmDocRead);
    EXPECT_EQ(ReadStream(file, "Info"), QByteArray("information"));
    EXPECT_FALSE(file.Writable());
    EXPECT_EQ(StatusOf([&] { WriteStream(file, "X", "y"); }), stg::E_ACCESSDENIED);
}

TEST_F(DocFileOnDisk, LoadingSharesTheFileWithOtherReadersButNotWithAWriter)
{
    const QString name = Path("shared.ppr");
    {
        TTemporaryStorage doc;
        WriteStream(doc, "Info", "catalogue");
        doc.SaveTo(name);
    }
    {
        // Another program reading the same file at the same moment.
        TFileStorage reader(name, fmDocRead | fmDocShareDenyWrite);
        TTemporaryStorage loaded;
        loaded.LoadFrom(name);
        EXPECT_EQ(ReadStream(loaded, "Info"), QByteArray("catalogue"));
    }
    TFileStorage writer(name, fmDocReadWrite | fmDocShareExclusive);
    TTemporaryStorage refused;
    EXPECT_EQ(StatusOf([&] { refused.LoadFrom(name); }), stg::E_SHAREVIOLATION);
}

TEST_F(DocFileOnDisk, FileStorageModes)
{
    const QString name = Path("modes.lbd");
    EXPECT_EQ(StatusOf([&] { TFileStorage(name, fmDocRead); }), stg::E_FILENOTFOUND);
    {
        TFileStorage created(name, fmDocCreate);
        EXPECT_EQ(created.Mode(), fmDocReadWrite | fmDocShareExclusive);
        EXPECT_FALSE(created.IsModified());
        WriteStream(created, "A", "a");
        EXPECT_TRUE(created.IsModified());
        created.Mark(false);
        // The modification stamp commits: the file on disk already holds A.
        TFileStorage shared(name, fmDocRead | fmDocShareDenyNone);
        EXPECT_EQ(StatusOf([&] { TFileStorage(name, fmDocRead); }), stg::E_SHAREVIOLATION);
    }
    {
        TFileStorage rw(name, fmDocReadWrite);
        EXPECT_EQ(ReadStream(rw, "A"), QByteArray("a"));
        WriteStream(rw, "B", "b");
        rw.Close();
    }
    TFileStorage read(name, fmDocRead);
    EXPECT_EQ(ReadStream(read, "B"), QByteArray("b"));
    EXPECT_EQ(read.ModificationTime(), read.ModificationTime());
    TRootStorage none;
    EXPECT_EQ(none.ModificationTime(), 0.0);
}

TEST_F(DocFileOnDisk, WrapUsesAnOpenHandle)
{
    TRootStorage root;
    root.Wrap(TCompoundFile::CreateInMemory(), fmDocReadWrite);
    WriteStream(root, "S", "s");
    EXPECT_TRUE(root.IsModified());
    root.Mark(false);
    EXPECT_FALSE(root.IsModified());
}

TEST(DocNameList, SerialsOnlyGrow)
{
    TTemporaryStorage root;
    {
        TDocStreamList list(root, "Sheets\\NameList");
        EXPECT_EQ(list.Prefix(), "NameList");
        EXPECT_EQ(list.Folder(), "Sheets");
        EXPECT_EQ(list.NextSerial(), 0);
        EXPECT_EQ(list.Count(), 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(list.AddNew(), i);
        EXPECT_EQ(list.FullPath(2), "Sheets\\NameList2");
        for (int i = 0; i < 3; ++i)
            WriteStream(root, list.FullPath(i), QByteArray::number(i));
        EXPECT_TRUE(list.StreamExists(0));
        EXPECT_FALSE(list.StreamExists(3));
        EXPECT_FALSE(list.StreamExists(-1));
        list.Delete(0);
        EXPECT_FALSE(root.StreamExists("Sheets\\NameList0"));
        EXPECT_EQ(list.AddNew(), 2);
        EXPECT_EQ(list[2], "NameList3");
        // Elements are opened through the open Sheets storage of the list stream.
        auto s = list.OpenStream(0, fmDocRead);
        EXPECT_EQ(s->ReadBytes(s->Size()), QByteArray("1"));
    }
    // The stream holds the serial and the names, CR LF after each.
    EXPECT_EQ(ReadStream(root, "Sheets\\NameList"),
              QByteArray("\x04\0\0\0NameList1\r\nNameList2\r\nNameList3\r\n", 4 + 33));
    TDocStreamList again(root, "Sheets\\NameList");
    EXPECT_EQ(again.Names(), (QStringList{"NameList1", "NameList2", "NameList3"}));
    EXPECT_EQ(again.NextSerial(), 4);
}

TEST(DocNameList, ListOperationsAreSavedAtOnce)
{
    TTemporaryStorage root;
    TDocStorageList list(root, "Pages");
    EXPECT_EQ(list.Folder(), "");
    list.AddNew();
    list.AddNew();
    list.AddNew();
    {
        auto storage = list.OpenStorage(1, true);
        WriteStream(*storage, "Data", "d");
    }
    EXPECT_TRUE(root.StorageExists("Pages1"));
    auto saved = [&] {
        TDocStream s(root, fmDocRead, "Pages"); // refused: the list holds it open
        return s.ReadBytes(s.Size());
    };
    EXPECT_THROW(saved(), EStorageError);
    list.Move(2, 0);
    EXPECT_EQ(list.Names(), (QStringList{"Pages2", "Pages0", "Pages1"}));
    EXPECT_TRUE(root.StorageExists("Pages1")); // elements are not touched
    {
        // The move is already in the list stream: a copy of the file taken now has it.
        TRootStorage snapshot;
        snapshot.Wrap(TCompoundFile::OpenBytes(root.Handle().File().SaveToBytes()), fmDocRead);
        EXPECT_EQ(ReadStream(snapshot, "Pages"),
                  QByteArray("\x03\0\0\0Pages2\r\nPages0\r\nPages1\r\n", 4 + 24));
    }
    list.Exchange(0, 2);
    list.Insert(1, "Other");
    EXPECT_EQ(list.Names(), (QStringList{"Pages1", "Other", "Pages0", "Pages2"}));
    EXPECT_TRUE(list.DeleteElement(0));
    EXPECT_EQ(list.Count(), 4); // the name stays
    EXPECT_FALSE(root.StorageExists("Pages1"));
    list.Delete(1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.AddNew(), 0);
    EXPECT_EQ(list[0], "Pages3");
    EXPECT_THROW(list.FullPath(5), EStorageError);
}

TEST(DocNameList, ReadOnlyRootDoesNotCreateTheStream)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("ro.lbd");
    {
        TFileStorage created(name, fmDocCreate);
        WriteStream(created, "Other", "o");
        created.Close();
    }
    TFileStorage root(name, fmDocRead);
    TDocStreamList list(root, "Sheets\\NameList");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(root.StreamExists("Sheets\\NameList"));
    EXPECT_FALSE(root.StorageExists("Sheets"));
    EXPECT_EQ(StatusOf([&] { list.AddNew(); }), stg::E_ACCESSDENIED);
}

TEST(DocNameList, DamagedListStreams)
{
    TTemporaryStorage root;
    // Too short for the serial.
    WriteStream(root, "Short", QByteArray("\x01\x00", 2));
    EXPECT_THROW(TDocStreamList(root, "Short"), EReadError);
    // A serial below names already handed out does not hand them out again; the last
    // name may lack its line break; Shift-JIS names decode.
    WriteStream(root, "Low", QByteArray("\x01\0\0\0Low1\r\nLow2\r\n\x83\x89\x83\x78\x83\x8B", 4 + 18));
    TDocStreamList low(root, "Low");
    EXPECT_EQ(low.Names(), (QStringList{"Low1", "Low2", QStringLiteral("ラベル")}));
    EXPECT_EQ(low[low.AddNew()], "Low3");
}

} // namespace
