#include "storage/UCompoundFile.h"
#include "storage/UCompoundFileFormat.h"
#include "storage/USafeFile.h"
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <sys/file.h>

namespace velmo {

// ---- errors

QString StorageStatusText(uint32_t status)
{
    // The user sees these in the error window, so they are Japanese like the rest.
    switch (status) {
    case stg::E_INVALIDFUNCTION:
        return QStringLiteral("要求された操作を実行できません。");
    case stg::E_FILENOTFOUND:
        return QStringLiteral("ファイルまたは要素が見つかりません。");
    case stg::E_PATHNOTFOUND:
        return QStringLiteral("パスが見つかりません。");
    case stg::E_ACCESSDENIED:
        return QStringLiteral("アクセスが拒否されました。");
    case stg::E_INSUFFICIENTMEMORY:
        return QStringLiteral("操作を完了するためのメモリが不足しています。");
    case stg::E_WRITEFAULT:
        return QStringLiteral("書き込み中にディスク エラーが発生しました。");
    case stg::E_READFAULT:
        return QStringLiteral("読み取り中にディスク エラーが発生しました。");
    case stg::E_SHAREVIOLATION:
        return QStringLiteral("共有違反が発生しました。");
    case stg::E_FILEALREADYEXISTS:
        return QStringLiteral("同じ名前の要素が既に存在します。");
    case stg::E_INVALIDPARAMETER:
        return QStringLiteral("パラメータが正しくありません。");
    case stg::E_MEDIUMFULL:
        return QStringLiteral("ディスクの空き容量が不足しています。");
    case stg::E_INVALIDHEADER:
        return QStringLiteral("ファイルは複合ドキュメントではありません。");
    case stg::E_INVALIDNAME:
        return QStringLiteral("名前が正しくありません。");
    case stg::E_REVERTED:
        return QStringLiteral("オブジェクトは既に無効になっています。");
    case stg::E_DOCFILECORRUPT:
        return QStringLiteral("複合ドキュメント ファイルが壊れています。");
    case stg::E_DOCFILETOOLARGE:
        return QStringLiteral("複合ドキュメント ファイルが大きすぎます。");
    default:
        return QStringLiteral("ストレージ エラーが発生しました。");
    }
}

namespace {

QString StorageMessage(uint32_t status, const QString& detail)
{
    QString text = StorageStatusText(status);
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return text + QStringLiteral(" [0x%1]").arg(QString::number(status, 16).toUpper());
}

[[noreturn]] void Fail(uint32_t status, const QString& detail = QString())
{
    throw EStorageError(status, detail);
}

} // namespace

EStorageError::EStorageError(uint32_t status, const QString& detail)
    : Exception(StorageMessage(status, detail)), FStatus(status)
{
}

// ---- names

int CompareElementNames(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].toUpper().unicode();
        const char16_t y = b[i].toUpper().unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

bool IsValidElementName(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxElementNameLength)
        return false;
    for (QChar c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c == u'!' || c.unicode() == 0)
            return false;
    return true;
}

// ---- nodes

namespace cfb {

size_t TNode::FindChild(const QString& name, bool* found) const
{
    auto it =
        std::lower_bound(Children.begin(), Children.end(), name, [](const auto& child, const QString& n) {
            return CompareElementNames(child->Name, n) < 0;
        });
    *found = it != Children.end() && CompareElementNames((*it)->Name, name) == 0;
    return size_t(it - Children.begin());
}

void TNode::Load()
{
    if (Loaded)
        return;
    Data = Source->ReadStream(Start, Size);
    Loaded = true;
}

void TNode::Unload()
{
    if (Loaded && Source && OpenCount == 0) {
        Data = QByteArray();
        Loaded = false;
    }
}

int TNode::Depth() const
{
    int depth = 0;
    for (const TNode* p = Parent; p; p = p->Parent)
        ++depth;
    return depth;
}

std::shared_ptr<TNode> TNode::Clone() const
{
    auto copy = std::make_shared<TNode>();
    copy->Name = Name;
    copy->Type = Type == TStgElementType::Root ? TStgElementType::Storage : Type;
    copy->Clsid = Clsid;
    copy->StateBits = StateBits;
    copy->CreateTime = CreateTime;
    copy->ModifyTime = ModifyTime;
    if (Type == TStgElementType::Stream) {
        // Bytes are copied out of the source: the copy must not depend on a file that
        // its owner may close.
        copy->Data = Loaded ? Data : Source->ReadStream(Start, Size);
        copy->Size = Size;
        copy->Loaded = true;
    }
    for (const auto& child : Children) {
        auto c = child->Clone();
        c->Parent = copy.get();
        copy->Children.push_back(std::move(c));
    }
    return copy;
}

void TNode::Revert()
{
    // Iterative: the tree may be as deep as kMaxStorageDepth.
    std::vector<TNode*> stack{this};
    while (!stack.empty()) {
        TNode* n = stack.back();
        stack.pop_back();
        n->Reverted = true;
        for (const auto& child : n->Children)
            stack.push_back(child.get());
    }
}

} // namespace cfb

using cfb::TNode;

// ---- TCompoundFile

TCompoundFile::TCompoundFile() = default;

// Nothing is written here: a file released while an exception unwinds (a refused
// lock, a failed save) must keep what it held, so only Commit() writes.
TCompoundFile::~TCompoundFile() = default;

void TCompoundFile::Changed()
{
    ++FChangeCount;
    FDirty = true;
}

std::shared_ptr<TCfbStorage> TCompoundFile::RootHandle(const std::shared_ptr<TCompoundFile>& file,
                                                       TStgAccess access)
{
    return std::shared_ptr<TCfbStorage>(new TCfbStorage(file, file->FRoot, access));
}

void TCompoundFile::LockFile(const QString& fileName, TStgShare share)
{
    FLock.reset();
    if (share == TStgShare::DenyNone)
        return;
    auto lock = std::make_unique<QFile>(fileName);
    if (!lock->open(QIODevice::ReadOnly))
        return; // unreadable files are refused by the open itself
    const int operation = (share == TStgShare::DenyWrite ? LOCK_SH : LOCK_EX) | LOCK_NB;
    if (::flock(lock->handle(), operation) != 0)
        Fail(stg::E_SHAREVIOLATION, fileName);
    FLock = std::move(lock);
}

namespace {

uint32_t OpenErrorStatus(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.absoluteDir().exists())
        return stg::E_PATHNOTFOUND;
    if (!info.exists())
        return stg::E_FILENOTFOUND;
    return stg::E_ACCESSDENIED;
}

} // namespace

std::shared_ptr<TCfbStorage> TCompoundFile::CreateFile(const QString& fileName, TStgShare share)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.absoluteDir().exists())
        Fail(stg::E_PATHNOTFOUND, fileName);
    if (info.isDir() || (info.exists() && !info.isWritable()))
        Fail(stg::E_ACCESSDENIED, fileName);
    std::shared_ptr<TCompoundFile> file(new TCompoundFile);
    file->FRoot = std::make_shared<TNode>();
    file->FRoot->Type = TStgElementType::Root;
    file->FRoot->Name = QStringLiteral("Root Entry");
    file->FFileName = info.absoluteFilePath();
    file->FShare = share;
    file->FDirty = true;
    if (info.exists()) {
        // The old file stays untouched until the first commit replaces it whole.
        file->LockFile(file->FFileName, share);
    } else {
        file->Commit();
    }
    return RootHandle(file, TStgAccess::ReadWrite);
}

std::shared_ptr<TCfbStorage> TCompoundFile::OpenFile(const QString& fileName, TStgAccess access,
                                                     TStgShare share)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists() || info.isDir())
        Fail(fileName.isEmpty() || info.isDir() ? stg::E_FILENOTFOUND : OpenErrorStatus(fileName), fileName);
    if (access != TStgAccess::Read && !info.isWritable())
        Fail(stg::E_ACCESSDENIED, fileName);
    auto source = std::make_shared<cfb::TSource>();
    source->File = std::make_unique<QFile>(fileName);
    if (!source->File->open(QIODevice::ReadOnly))
        Fail(OpenErrorStatus(fileName), fileName);
    source->FileSize = uint64_t(source->File->size());
    std::shared_ptr<TCompoundFile> file(new TCompoundFile);
    file->FFileName = info.absoluteFilePath();
    file->FShare = share;
    file->FWritable = access != TStgAccess::Read;
    file->LockFile(file->FFileName, share);
    file->FRoot = cfb::ReadCompoundFile(source);
    file->FVersion = source->Version;
    return RootHandle(file, access);
}

std::shared_ptr<TCfbStorage> TCompoundFile::CreateInMemory()
{
    std::shared_ptr<TCompoundFile> file(new TCompoundFile);
    file->FRoot = std::make_shared<TNode>();
    file->FRoot->Type = TStgElementType::Root;
    file->FRoot->Name = QStringLiteral("Root Entry");
    return RootHandle(file, TStgAccess::ReadWrite);
}

std::shared_ptr<TCfbStorage> TCompoundFile::OpenBytes(const QByteArray& bytes)
{
    auto source = std::make_shared<cfb::TSource>();
    source->Bytes = bytes;
    source->FileSize = uint64_t(bytes.size());
    std::shared_ptr<TCompoundFile> file(new TCompoundFile);
    file->FRoot = cfb::ReadCompoundFile(source);
    file->FVersion = source->Version;
    return RootHandle(file, TStgAccess::ReadWrite);
}

void TCompoundFile::Commit()
{
    if (!FDirty || FFileName.isEmpty() || !FWritable)
        return;
    // Our own lock would refuse our own replacement; whichever file stands afterwards
    // is locked again.
    FLock.reset();
    try {
        SaveToFile(FFileName, FVersion);
    } catch (...) {
        try {
            LockFile(FFileName, FShare);
        } catch (...) {
        }
        throw;
    }
    FDirty = false;
    LockFile(FFileName, FShare);
}

QByteArray TCompoundFile::SaveToBytes(int version)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    FRoot->ModifyTime = cfb::CurrentFileTime();
    cfb::WriteCompoundFile(*FRoot, buffer, version);
    return buffer.data();
}

void TCompoundFile::SaveToFile(const QString& fileName, int version)
{
    FRoot->ModifyTime = cfb::CurrentFileTime();
    WriteFileReplacing(fileName, [&](QIODevice& out) { cfb::WriteCompoundFile(*FRoot, out, version); });
}

// ---- TCfbStorage

TCfbStorage::TCfbStorage(std::shared_ptr<TCompoundFile> file, std::shared_ptr<cfb::TNode> node,
                         TStgAccess access)
    : FFile(std::move(file)), FNode(std::move(node)), FAccess(access)
{
    ++FNode->OpenCount;
}

TCfbStorage::~TCfbStorage()
{
    --FNode->OpenCount;
}

void TCfbStorage::CheckValid() const
{
    if (FNode->Reverted)
        Fail(stg::E_REVERTED);
}

void TCfbStorage::CheckWrite() const
{
    CheckValid();
    if (!CanWrite() || !FFile->FWritable)
        Fail(stg::E_ACCESSDENIED);
}

namespace {

TStgElement ElementOf(const TNode& n)
{
    TStgElement e;
    e.Name = n.Name;
    e.Type = n.Type;
    e.Size = n.Type == TStgElementType::Stream ? n.Size : 0;
    e.Clsid = n.Clsid;
    e.StateBits = n.StateBits;
    return e;
}

void CheckName(const QString& name)
{
    if (!IsValidElementName(name))
        Fail(stg::E_INVALIDNAME, name);
}

} // namespace

TStgElement TCfbStorage::Stat() const
{
    CheckValid();
    return ElementOf(*FNode);
}

std::vector<TStgElement> TCfbStorage::Elements() const
{
    CheckValid();
    std::vector<TStgElement> out;
    out.reserve(FNode->Children.size());
    for (const auto& child : FNode->Children)
        out.push_back(ElementOf(*child));
    return out;
}

std::shared_ptr<TNode> TCfbStorage::Child(const QString& name) const
{
    bool found = false;
    const size_t at = FNode->FindChild(name, &found);
    return found ? FNode->Children[at] : nullptr;
}

bool TCfbStorage::Find(const QString& name, TStgElement* element) const
{
    CheckValid();
    const auto child = Child(name);
    if (child && element)
        *element = ElementOf(*child);
    return child != nullptr;
}

std::shared_ptr<TCfbStorage> TCfbStorage::OpenStorage(const QString& name, TStgAccess access)
{
    CheckValid();
    const auto child = Child(name);
    if (!child)
        Fail(stg::E_FILENOTFOUND, name);
    if (child->Type != TStgElementType::Storage || child->OpenCount > 0 ||
        (access != TStgAccess::Read && !CanWrite()))
        Fail(stg::E_ACCESSDENIED, name);
    return std::shared_ptr<TCfbStorage>(new TCfbStorage(FFile, child, access));
}

std::shared_ptr<TCfbStream> TCfbStorage::OpenStream(const QString& name, TStgAccess access)
{
    CheckValid();
    const auto child = Child(name);
    if (!child)
        Fail(stg::E_FILENOTFOUND, name);
    if (child->Type != TStgElementType::Stream || child->OpenCount > 0 ||
        (access != TStgAccess::Read && !CanWrite()))
        Fail(stg::E_ACCESSDENIED, name);
    child->Load();
    return std::shared_ptr<TCfbStream>(new TCfbStream(FFile, child, access));
}

std::shared_ptr<TNode> TCfbStorage::NewChild(const QString& name, TStgElementType type)
{
    CheckWrite();
    CheckName(name);
    if (type == TStgElementType::Storage && FNode->Depth() >= kMaxStorageDepth)
        Fail(stg::E_INVALIDPARAMETER, name);
    bool found = false;
    const size_t at = FNode->FindChild(name, &found);
    if (found) {
        if (FNode->Children[at]->OpenCount > 0)
            Fail(stg::E_ACCESSDENIED, name);
        FNode->Children[at]->Revert();
        FNode->Children.erase(FNode->Children.begin() + qsizetype(at));
    }
    auto node = std::make_shared<TNode>();
    node->Name = name;
    node->Type = type;
    node->Parent = FNode.get();
    if (type == TStgElementType::Storage)
        node->CreateTime = node->ModifyTime = cfb::CurrentFileTime();
    FNode->Children.insert(FNode->Children.begin() + qsizetype(at), node);
    FFile->Changed();
    return node;
}

std::shared_ptr<TCfbStorage> TCfbStorage::CreateStorage(const QString& name)
{
    auto node = NewChild(name, TStgElementType::Storage);
    return std::shared_ptr<TCfbStorage>(new TCfbStorage(FFile, node, TStgAccess::ReadWrite));
}

std::shared_ptr<TCfbStream> TCfbStorage::CreateStream(const QString& name)
{
    auto node = NewChild(name, TStgElementType::Stream);
    return std::shared_ptr<TCfbStream>(new TCfbStream(FFile, node, TStgAccess::ReadWrite));
}

void TCfbStorage::DestroyElement(const QString& name)
{
    CheckWrite();
    bool found = false;
    const size_t at = FNode->FindChild(name, &found);
    if (!found)
        Fail(stg::E_FILENOTFOUND, name);
    FNode->Children[at]->Revert();
    FNode->Children[at]->Parent = nullptr;
    FNode->Children.erase(FNode->Children.begin() + qsizetype(at));
    FFile->Changed();
}

void TCfbStorage::RenameElement(const QString& oldName, const QString& newName)
{
    CheckWrite();
    CheckName(newName);
    bool found = false;
    const size_t at = FNode->FindChild(oldName, &found);
    if (!found)
        Fail(stg::E_FILENOTFOUND, oldName);
    auto node = FNode->Children[at];
    bool exists = false;
    FNode->FindChild(newName, &exists);
    if (exists && CompareElementNames(oldName, newName) != 0)
        Fail(stg::E_FILEALREADYEXISTS, newName);
    FNode->Children.erase(FNode->Children.begin() + qsizetype(at));
    node->Name = newName;
    const size_t to = FNode->FindChild(newName, &exists);
    FNode->Children.insert(FNode->Children.begin() + qsizetype(to), node);
    FFile->Changed();
}

void TCfbStorage::MoveElementTo(const QString& name, TCfbStorage& destination, const QString& newName)
{
    CheckWrite();
    destination.CheckWrite();
    CheckName(newName);
    if (&destination.File() == &File() && destination.FNode == FNode) {
        RenameElement(name, newName);
        return;
    }
    const auto node = Child(name);
    if (!node)
        Fail(stg::E_FILENOTFOUND, name);
    if (&destination.File() == &File()) {
        // A storage cannot move into itself or below itself.
        for (const TNode* p = destination.FNode.get(); p; p = p->Parent)
            if (p == node.get())
                Fail(stg::E_ACCESSDENIED, name);
        if (node->Type == TStgElementType::Storage) {
            int height = 0; // how deep the moved storage reaches
            std::vector<std::pair<const TNode*, int>> stack{{node.get(), 1}};
            while (!stack.empty()) {
                auto [n, d] = stack.back();
                stack.pop_back();
                height = std::max(height, d);
                for (const auto& c : n->Children)
                    if (c->Type == TStgElementType::Storage)
                        stack.push_back({c.get(), d + 1});
            }
            if (destination.FNode->Depth() + height > kMaxStorageDepth)
                Fail(stg::E_INVALIDPARAMETER, name);
        }
        bool found = false;
        size_t at = destination.FNode->FindChild(newName, &found);
        if (found) {
            if (destination.FNode->Children[at]->OpenCount > 0)
                Fail(stg::E_ACCESSDENIED, newName);
            destination.FNode->Children[at]->Revert();
            destination.FNode->Children.erase(destination.FNode->Children.begin() + qsizetype(at));
        }
        bool self = false;
        const size_t from = FNode->FindChild(name, &self);
        FNode->Children.erase(FNode->Children.begin() + qsizetype(from));
        node->Name = newName;
        node->Parent = destination.FNode.get();
        at = destination.FNode->FindChild(newName, &found);
        destination.FNode->Children.insert(destination.FNode->Children.begin() + qsizetype(at), node);
        FFile->Changed();
        return;
    }
    // Between files: copy, then destroy the original.
    if (node->OpenCount > 0)
        Fail(stg::E_ACCESSDENIED, name);
    auto copy = node->Clone();
    copy->Name = newName;
    if (copy->Type == TStgElementType::Storage) {
        auto target = destination.NewChild(newName, TStgElementType::Storage);
        target->Clsid = copy->Clsid;
        target->StateBits = copy->StateBits;
        for (auto& c : copy->Children)
            c->Parent = target.get();
        target->Children = std::move(copy->Children);
    } else {
        auto target = destination.NewChild(newName, TStgElementType::Stream);
        target->Data = copy->Data;
        target->Size = copy->Size;
    }
    DestroyElement(name);
}

void TCfbStorage::CopyTo(TCfbStorage& destination) const
{
    CheckValid();
    destination.CheckWrite();
    for (const TNode* p = destination.FNode.get(); p; p = p->Parent)
        if (p == FNode.get() && &destination.File() == &File())
            Fail(stg::E_ACCESSDENIED); // copying a storage into itself would not end
    // Pairs of (source, destination) storages still to copy; no recursion.
    std::vector<std::pair<const TNode*, TNode*>> work{{FNode.get(), destination.FNode.get()}};
    while (!work.empty()) {
        auto [from, to] = work.back();
        work.pop_back();
        for (const auto& child : from->Children) {
            bool found = false;
            size_t at = to->FindChild(child->Name, &found);
            if (found && child->Type == TStgElementType::Storage &&
                to->Children[at]->Type == TStgElementType::Storage) {
                work.push_back({child.get(), to->Children[at].get()});
                continue;
            }
            if (found) {
                if (to->Children[at]->OpenCount > 0)
                    Fail(stg::E_ACCESSDENIED, child->Name);
                to->Children[at]->Revert();
                to->Children.erase(to->Children.begin() + qsizetype(at));
            }
            if (child->Type == TStgElementType::Storage && to->Depth() + 1 > kMaxStorageDepth)
                Fail(stg::E_INVALIDPARAMETER, child->Name);
            auto node = std::make_shared<TNode>();
            node->Name = child->Name;
            node->Type = child->Type;
            node->Clsid = child->Clsid;
            node->StateBits = child->StateBits;
            node->CreateTime = child->CreateTime;
            node->ModifyTime = child->ModifyTime;
            node->Parent = to;
            if (child->Type == TStgElementType::Stream) {
                node->Data =
                    child->Loaded ? child->Data : child->Source->ReadStream(child->Start, child->Size);
                node->Size = child->Size;
            } else {
                work.push_back({child.get(), node.get()});
            }
            to->Children.insert(to->Children.begin() + qsizetype(at), std::move(node));
        }
    }
    destination.FFile->Changed();
}

void TCfbStorage::SetClass(const QUuid& clsid)
{
    CheckWrite();
    FNode->Clsid = clsid;
    FFile->Changed();
}

// ---- TCfbStream

TCfbStream::TCfbStream(std::shared_ptr<TCompoundFile> file, std::shared_ptr<cfb::TNode> node,
                       TStgAccess access)
    : FFile(std::move(file)), FNode(std::move(node)), FAccess(access)
{
    ++FNode->OpenCount;
}

TCfbStream::~TCfbStream()
{
    --FNode->OpenCount;
    FNode->Unload();
}

void TCfbStream::CheckValid() const
{
    if (FNode->Reverted)
        Fail(stg::E_REVERTED);
}

TStgElement TCfbStream::Stat() const
{
    CheckValid();
    return ElementOf(*FNode);
}

int64_t TCfbStream::Read(void* buffer, int64_t count)
{
    CheckValid();
    if (FAccess == TStgAccess::Write)
        Fail(stg::E_ACCESSDENIED);
    if (count <= 0 || FPosition >= int64_t(FNode->Size))
        return 0;
    const int64_t n = std::min<int64_t>(count, int64_t(FNode->Size) - FPosition);
    std::memcpy(buffer, FNode->Data.constData() + FPosition, size_t(n));
    FPosition += n;
    return n;
}

int64_t TCfbStream::Write(const void* buffer, int64_t count)
{
    CheckValid();
    if (!CanWrite() || !FFile->Writable())
        Fail(stg::E_ACCESSDENIED);
    if (count <= 0)
        return 0;
    if (count > kMaxStreamSize - FPosition)
        Fail(stg::E_MEDIUMFULL);
    const int64_t end = FPosition + count;
    if (end > int64_t(FNode->Size)) {
        FNode->Data.resize(qsizetype(end));
        if (FPosition > int64_t(FNode->Size))
            std::memset(FNode->Data.data() + FNode->Size, 0, size_t(FPosition - int64_t(FNode->Size)));
        FNode->Size = uint64_t(end);
    }
    std::memcpy(FNode->Data.data() + FPosition, buffer, size_t(count));
    FNode->Source.reset(); // the contents are ours now
    FPosition = end;
    FFile->Changed();
    return count;
}

int64_t TCfbStream::Seek(int64_t offset, TSeekOrigin origin)
{
    CheckValid();
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = FPosition;
    else if (origin == TSeekOrigin::soEnd)
        base = int64_t(FNode->Size);
    if ((offset < 0 && base + offset < 0) || (offset > 0 && offset > INT64_MAX - base))
        Fail(stg::E_INVALIDFUNCTION);
    FPosition = base + offset;
    return FPosition;
}

void TCfbStream::SetSize(int64_t size)
{
    CheckValid();
    if (!CanWrite() || !FFile->Writable())
        Fail(stg::E_ACCESSDENIED);
    if (size < 0)
        Fail(stg::E_INVALIDFUNCTION);
    if (size > kMaxStreamSize)
        Fail(stg::E_MEDIUMFULL);
    if (uint64_t(size) == FNode->Size)
        return;
    const int64_t old = int64_t(FNode->Size);
    FNode->Data.resize(qsizetype(size));
    if (size > old)
        std::memset(FNode->Data.data() + old, 0, size_t(size - old));
    FNode->Size = uint64_t(size);
    FNode->Source.reset();
    FFile->Changed();
}

int64_t TCfbStream::Size() const
{
    CheckValid();
    return int64_t(FNode->Size);
}

} // namespace velmo
