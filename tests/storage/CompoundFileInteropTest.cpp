// Independent readers prove the files: what our writer produces must read the same in
// olefile (Debian's /usr/bin/python3) and in gsf, and files they produce must read
// the same in ours.
#include "storage/CompoundFileTestSupport.h"
#include "storage/UCompoundFile.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// Lists a file through olefile in the format of Listing(): depth first, each
// storage's children in the format's name order.
const char* kOlefileListing = R"PY(
import sys, hashlib, olefile
ole = olefile.OleFileIO(sys.argv[1])
def key(e):
    return (len(e.name), e.name.upper())
def walk(entry, prefix):
    for child in sorted(entry.kids, key=key):
        path = prefix + child.name
        if child.entry_type == olefile.STGTY_STORAGE:
            print("D " + path)
            walk(child, path + "/")
        else:
            data = ole.openstream(path).read()
            print("F %d %s %s" % (len(data), hashlib.md5(data).hexdigest(), path))
walk(ole.root, "")
)PY";

QStringList OlefileListing(const QString& fileName)
{
    const ProcessResult r =
        RunProgram(kPython, {QStringLiteral("-c"), QString::fromUtf8(kOlefileListing), fileName});
    EXPECT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    return QString::fromUtf8(r.StdOut).split(u'\n', Qt::SkipEmptyParts);
}

void BuildTree(TCfbStorage& root)
{
    int seed = 100;
    for (int size : {0, 1, 64, 4095, 4096, 4097, 20000})
        PutStream(root, QStringLiteral("Stream%1").arg(size), Pattern(size, ++seed));
    auto sheets = root.CreateStorage(QStringLiteral("Sheets"));
    PutStream(*sheets, QStringLiteral("NameList"), Pattern(20, ++seed));
    for (int i = 0; i < 12; ++i) {
        auto sheet = sheets->CreateStorage(QStringLiteral("NameList%1").arg(i));
        PutStream(*sheet, QStringLiteral("LabelData"), Pattern(100 + i * 900, ++seed));
        PutStream(*sheet, QStringLiteral("Preview"), Pattern(3000 + i * 1000, ++seed));
    }
    root.CreateStorage(QStringLiteral("EmptyStorage"));
    PutStream(root, QStringLiteral("日本語の名前"), Pattern(77, ++seed));
}

class CompoundFileInterop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFile::exists(kPython) || !QFile::exists(QStringLiteral("/usr/bin/gsf")))
            GTEST_FAIL() << "python3-olefile and libgsf-bin are needed (scripts/install-deps)";
    }
    QTemporaryDir FDir;
    QString Path(const QString& name) { return FDir.filePath(name); }
    void GsfListsAndCats(int version);
};

TEST_F(CompoundFileInterop, OlefileReadsOurFilesIdentically)
{
    for (int version : {3, 4}) {
        auto root = TCompoundFile::CreateInMemory();
        BuildTree(*root);
        const QString name = Path(QStringLiteral("ours%1.lbd").arg(version));
        WriteFileBytes(name, root->File().SaveToBytes(version));
        EXPECT_EQ(OlefileListing(name), Listing(*root)) << "version " << version;
    }
}

TEST_F(CompoundFileInterop, OlefileReadsOurLargeDifatFile)
{
    auto root = TCompoundFile::CreateInMemory();
    for (int i = 0; i < 9; ++i)
        PutStream(*root, QStringLiteral("Big%1").arg(i), Pattern(1000 * 1000 + i, i));
    const QString name = Path(QStringLiteral("large.lbd"));
    root->File().SaveToFile(name);
    ASSERT_GT(QFileInfo(name).size(), 7 * 1000 * 1000);
    EXPECT_EQ(OlefileListing(name), Listing(*root));
}

// gsf lists "d" or "f", a date for streams, the size and the path with "/".
TEST_F(CompoundFileInterop, GsfListsAndCatsOurFiles)
{
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        GsfListsAndCats(version);
    }
}

void CompoundFileInterop::GsfListsAndCats(int version)
{
    auto root = TCompoundFile::CreateInMemory();
    BuildTree(*root);
    const QString name = Path(QStringLiteral("ours%1.lbd").arg(version));
    root->File().SaveToFile(name, version);
    const ProcessResult list = RunProgram(QStringLiteral("gsf"), {QStringLiteral("list"), name});
    ASSERT_EQ(list.ExitCode, 0) << list.StdErr.toStdString();
    QStringList gsfPaths;
    for (const QString& line : QString::fromUtf8(list.StdOut).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.simplified().split(u' ');
        if (fields.size() < 3 || (fields[0] != u"d" && fields[0] != u"f"))
            continue;
        const QString path = fields.last();
        if (path == u"*root*")
            continue;
        gsfPaths << fields[0] + u' ' + fields[fields.size() - 2] + u' ' + path;
    }
    QStringList ours;
    const QStringList listing = Listing(*root);
    for (const QString& line : listing) {
        const QStringList fields = line.split(u' ');
        // gsf shows a storage without children as an empty file (as it does for
        // the empty storages of files it makes itself).
        const bool empty = std::none_of(listing.begin(), listing.end(), [&](const QString& other) {
            return other.section(u' ', -1).startsWith(fields[1] + u'/');
        });
        if (fields[0] == u"D")
            ours << (empty ? QStringLiteral("f 0 ") : QStringLiteral("d 0 ")) + fields[1];
        else
            ours << QStringLiteral("f %1 %2").arg(fields[1], fields[3]);
    }
    gsfPaths.sort();
    ours.sort();
    EXPECT_EQ(gsfPaths, ours);

    const ProcessResult cat = RunProgram(
        QStringLiteral("gsf"), {QStringLiteral("cat"), name, QStringLiteral("Sheets/NameList7/Preview")});
    ASSERT_EQ(cat.ExitCode, 0) << cat.StdErr.toStdString();
    auto sheets = root->OpenStorage(QStringLiteral("Sheets"), TStgAccess::Read);
    auto sheet = sheets->OpenStorage(QStringLiteral("NameList7"), TStgAccess::Read);
    EXPECT_EQ(cat.StdOut, GetStream(*sheet, QStringLiteral("Preview")));
    const ProcessResult small =
        RunProgram(QStringLiteral("gsf"), {QStringLiteral("cat"), name, QStringLiteral("Stream4095")});
    EXPECT_EQ(small.StdOut, GetStream(*root, QStringLiteral("Stream4095")));
}

TEST_F(CompoundFileInterop, WeReadFilesMadeByGsf)
{
    // A folder tree on disk becomes storages and streams.
    QDir dir(Path(QStringLiteral("tree")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Sheets/Inner")));
    QMap<QString, QByteArray> files;
    int seed = 0;
    for (int size : {1, 63, 4095, 4096, 4097, 70000})
        files[QStringLiteral("f%1").arg(size)] = Pattern(size, ++seed);
    files[QStringLiteral("Sheets/LabelData")] = Pattern(9000, ++seed);
    files[QStringLiteral("Sheets/Inner/Info")] = Pattern(100, ++seed);
    for (auto it = files.begin(); it != files.end(); ++it)
        WriteFileBytes(dir.filePath(it.key()), it.value());
    const QString name = Path(QStringLiteral("gsf.ole"));
    QStringList args{QStringLiteral("createole"), name};
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
        args << dir.filePath(entry);
    const ProcessResult made = RunProgram(QStringLiteral("gsf"), args);
    ASSERT_EQ(made.ExitCode, 0) << made.StdErr.toStdString();

    auto root = TCompoundFile::OpenFile(name, TStgAccess::Read);
    for (auto it = files.begin(); it != files.end(); ++it) {
        QStringList parts = it.key().split(u'/');
        std::shared_ptr<TCfbStorage> storage = root;
        std::vector<std::shared_ptr<TCfbStorage>> keep;
        while (parts.size() > 1) {
            storage = storage->OpenStorage(parts.takeFirst(), TStgAccess::Read);
            keep.push_back(storage);
        }
        EXPECT_EQ(GetStream(*storage, parts.first()), it.value()) << it.key().toStdString();
    }
    // And the whole tree matches olefile's reading of the same file.
    EXPECT_EQ(Listing(*root), OlefileListing(name));
}

// olefile can only change the contents of existing streams in place; we must read
// what it wrote.
TEST_F(CompoundFileInterop, WeReadStreamsRewrittenByOlefile)
{
    auto root = TCompoundFile::CreateInMemory();
    BuildTree(*root);
    const QString name = Path(QStringLiteral("modified.lbd"));
    root->File().SaveToFile(name);
    const char* script = R"PY(
import sys, olefile
ole = olefile.OleFileIO(sys.argv[1], write_mode=True)
for path, seed in (("Stream4095", 1), ("Sheets/NameList3/Preview", 2), ("Stream64", 3)):
    size = ole.get_size(path)
    ole.write_stream(path, bytes((i * 7 + seed) % 251 for i in range(size)))
ole.close()
)PY";
    const ProcessResult r = RunProgram(kPython, {QStringLiteral("-c"), QString::fromUtf8(script), name});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    auto expected = [](int size, int seed) {
        QByteArray b(size, '\0');
        for (int i = 0; i < size; ++i)
            b[i] = char((i * 7 + seed) % 251);
        return b;
    };
    auto read = TCompoundFile::OpenFile(name, TStgAccess::Read);
    EXPECT_EQ(GetStream(*read, QStringLiteral("Stream4095")), expected(4095, 1));
    EXPECT_EQ(GetStream(*read, QStringLiteral("Stream64")), expected(64, 3));
    auto sheets = read->OpenStorage(QStringLiteral("Sheets"), TStgAccess::Read);
    auto sheet = sheets->OpenStorage(QStringLiteral("NameList3"), TStgAccess::Read);
    EXPECT_EQ(GetStream(*sheet, QStringLiteral("Preview")), expected(6000, 2));
    EXPECT_EQ(GetStream(*sheet, QStringLiteral("LabelData")),
              Pattern(100 + 3 * 900, 100 + 7 + 1 + 3 * 2 + 1));
}

} // namespace
