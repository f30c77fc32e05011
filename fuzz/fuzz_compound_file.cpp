// Feeds arbitrary bytes to the compound file reader, walks whatever tree it accepts,
// reads every stream and writes the tree back out: a damaged file must end in
// EStorageError, never in a crash, a hang or a huge allocation.
#include "storage/UCompoundFile.h"
#include <cstddef>
#include <cstdint>
#include <vector>

using namespace velmo;

namespace {

void Walk(TCfbStorage& storage)
{
    for (const TStgElement& e : storage.Elements()) {
        if (e.Type == TStgElementType::Storage) {
            auto child = storage.OpenStorage(e.Name, TStgAccess::Read);
            Walk(*child);
        } else {
            auto stream = storage.OpenStream(e.Name, TStgAccess::Read);
            char buffer[4096];
            while (stream->Read(buffer, sizeof buffer) > 0) {
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        auto root =
            TCompoundFile::OpenBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        Walk(*root);
        // Copying and changing the tree read must work on whatever was accepted.
        auto copy = TCompoundFile::CreateInMemory();
        root->CopyTo(*copy);
        const auto elements = root->Elements();
        if (!elements.empty()) {
            root->RenameElement(elements.front().Name, QStringLiteral("Renamed"));
            root->DestroyElement(elements.back().Name == elements.front().Name ? QStringLiteral("Renamed")
                                                                               : elements.back().Name);
        }
        auto again = TCompoundFile::OpenBytes(root->File().SaveToBytes(3));
        Walk(*again);
        auto copied = TCompoundFile::OpenBytes(copy->File().SaveToBytes(4));
        Walk(*copied);
    } catch (const EStorageError&) {
    }
    return 0;
}
