// The index files of the picture collections ("Illust.dat", "BackGrnd.dat"): the INI
// reader, the genre lists built from it, and the background folders, which must
// never leave the index file's folder whatever the file says.
#include "pictures/UPictureCollections.h"
#include <QDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto sections = velmo::ReadIniSections(bytes);
    if (int(sections.size()) > velmo::kMaxIniSections)
        __builtin_trap();
    for (const QString& genre : velmo::ReadOnePointGenres(bytes)) {
        // Name and folder come apart again at the first comma.
        if (velmo::GenreFolder(genre).isEmpty() || velmo::GenreCaption(genre).contains(u','))
            __builtin_trap();
    }
    const QString root = QStringLiteral("/nonexistent-velmo-index-root");
    for (const velmo::TBackGenre& genre : velmo::ReadBackGenres(bytes, root)) {
        if (!genre.Folder.startsWith(root + u'/') || QDir::cleanPath(genre.Folder) != genre.Folder)
            __builtin_trap();
    }
    return 0;
}
