#pragma once
// Pictures that come from resources: the reader of resource files (a sequence of
// records, each a type, a name and data) and the loader that fills a picture from a
// resource, so that the picture need not be stored with its owner.
#include "base/UClasses.h"
#include "base/UExceptions.h"
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace velmo {

class TPictureEx;
class TStream;

// A resource that is not there, or a resource file whose records do not hold
// together.
VELMO_DECLARE_EXCEPTION(EResourceError, Exception)

QString ResourceNotFoundMessage(const QString& name);            // "%s リソースが見つかりません"
QString ApplicationResourceNotFoundMessage(const QString& name); // "リソース %s が見つかりません"
QString DamagedResourceFileMessage(); // "リソースファイルが壊れています"

constexpr uint16_t RT_BITMAP = 2;
constexpr uint16_t RT_ICON = 3;

// A resource type or name: an ordinal or a string (compared ignoring case).
struct TResourceId
{
    bool IsOrdinal = false;
    uint16_t Ordinal = 0;
    QString Name;

    static TResourceId FromOrdinal(uint16_t ordinal) { return {true, ordinal, {}}; }
    // "#123" names ordinal 123, as the platform's resource functions read it.
    static TResourceId FromString(const QString& text);
    bool Matches(const TResourceId& other) const;
    QString ToString() const;
};

// One record of a resource file, as found by ReadResourceRecords.
struct TResourceRecord
{
    TResourceId Type;
    TResourceId Name;
    int64_t DataOffset = 0;
    uint32_t DataSize = 0;
};

// Every record of a resource file, in order. A record that runs past the end, a
// header too short for its type and name, or a string without its terminator raises
// EResourceError with DamagedResourceFileMessage.
std::vector<TResourceRecord> ReadResourceRecords(const QByteArray& file);
// The data of the first record whose type and then name match; EResourceError with
// ResourceNotFoundMessage(name) when none does.
QByteArray FindResource(const QByteArray& file, const TResourceId& type, const TResourceId& name);
QByteArray FindResourceInFile(const QString& fileName, const TResourceId& type, const TResourceId& name);

// One record to write.
struct TResourceEntry
{
    TResourceId Type;
    TResourceId Name;
    QByteArray Data;
};
// A resource file: the empty record such files begin with, then each entry (type,
// name, the five fixed fields, the data), every part aligned to 4 bytes.
QByteArray WriteResourceFile(const std::vector<TResourceEntry>& entries);
class TSafetyBitmap;
// What a bitmap resource holds: the bitmap file without its 14-byte file header.
QByteArray BitmapResourceData(const TSafetyBitmap& bitmap);
// A "CBM" resource: the whole bitmap file in the compressed container.
QByteArray CompressedBitmapResourceData(const TSafetyBitmap& bitmap);

// Where the application's own resources are (a resource file delivered with the
// program, empty when there is none) and the application's directory that ResFile
// is relative to (the executable's folder unless set).
void SetApplicationResourceFile(const QString& fileName);
QString ApplicationResourceFile();
void SetApplicationDirectory(const QString& directory);
QString ApplicationDirectory();

// How a ResFile name becomes a file: by default the application's directory joined
// with it; the application installs its data-file search here, so that installed
// resource files are found where the rest of its data is.
using TResourceFileResolver = std::function<QString(const QString& resFile)>;
void SetResourceFileResolver(TResourceFileResolver resolver);
QString ResolveResourceFile(const QString& resFile);

// The resource stream of the load rule: from ResFile when that file exists,
// otherwise from the application's own resources.
QByteArray OpenResource(const QString& resFile, const TResourceId& type, const TResourceId& name);

class TResourceImageLoader : public TPersistent
{
    VELMO_PERSISTENT(TResourceImageLoader, TPersistent)
public:
    explicit TResourceImageLoader(TPictureEx* picture = nullptr);

    TPictureEx* Picture() const { return FPicture; }
    void SetPicture(TPictureEx* picture) { FPicture = picture; }

    bool AutoLoad() const { return FAutoLoad; }
    void SetAutoLoad(bool value) { FAutoLoad = value; }
    const QString& ResFile() const { return FResFile; }
    void SetResFile(const QString& value);
    const QString& ResType() const { return FResType; }
    void SetResType(const QString& value);
    const QString& ResName() const { return FResName; }
    void SetResName(const QString& value);

    // The owner has finished reading itself: from now on the loader loads.
    void OwnerLoaded();

    // Receives the resource's bytes; returns true when it loaded the picture itself.
    using TLoadHandler = std::function<bool(const QByteArray& data, TPictureEx& picture)>;
    void SetLoadHandler(TLoadHandler handler) { FLoadHandler = std::move(handler); }

    // Copies the three strings from another loader and loads.
    void Assign(const TPersistent& source) override;

    // The load rule; exceptions reach the caller.
    void Load();

private:
    void Reload();

    TPictureEx* FPicture = nullptr;
    bool FAutoLoad = true;
    QString FResFile;
    QString FResType;
    QString FResName;
    bool FOwnerLoaded = false;
    TLoadHandler FLoadHandler;
};

// The bytes of a bitmap resource (a DIB without file header, or a compressed
// container) loaded into the picture's bitmap; of an icon resource as a bitmap.
void LoadBitmapResource(const QByteArray& data, TPictureEx& picture);
void LoadIconResource(const QByteArray& data, TPictureEx& picture);

} // namespace velmo
